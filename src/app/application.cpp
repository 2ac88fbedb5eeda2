#include "app/application.h"

#include <exception>

#include <QStyleFactory>

namespace zorbex {

bool DeliverGuarded(IDialogs& dialogs, const std::function<bool()>& deliver) {
    try {
        return deliver();
    } catch (const std::exception& error) {
        dialogs.ShowError(QString::fromUtf8(error.what()));
    } catch (...) {
        dialogs.ShowError(QStringLiteral("Unknown error"));
    }
    return false;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Zorbex"));
    // The flat grey look of the Windows utilities this program belongs with.
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows"))) setStyle(style);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    if (!dialogs_) return QApplication::notify(receiver, event);
    return DeliverGuarded(*dialogs_, [&] { return QApplication::notify(receiver, event); });
}

}  // namespace zorbex
