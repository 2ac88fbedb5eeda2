#include "app/application.h"

#include <exception>

#include <QStyleFactory>

#include "platform/error_text.h"

namespace zorbex {

bool DeliverGuarded(IDialogs& dialogs, const std::function<bool()>& deliver) {
    try {
        return deliver();
    } catch (...) {
        dialogs.ShowError(QString::fromStdString(ErrorText(std::current_exception())));
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
