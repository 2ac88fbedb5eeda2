#include "widgets/dialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>
#include <QUrl>

#include "widgets/native_title.h"

namespace zorbex {

namespace {

// A message box whose text breaks only where it has its own line breaks; Qt
// would wrap any line wider than 500 pixels mid-sentence. The box is as wide
// as its longest line needs, and words wrap only when that is wider than the
// screen. An empty title stays empty on screen.
class TMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);  // sizes and centres the box the toolkit's way
        FitToText();
        if (!event->spontaneous()) adjustPosition(parentWidget());  // centred as it is now
        if (windowTitle().isEmpty()) ClearNativeTitle(this);
    }

    // The toolkit sizes the box again at every layout request.
    bool event(QEvent* event) override {
        const bool handled = QMessageBox::event(event);
        if (event->type() == QEvent::LayoutRequest && isVisible()) FitToText();
        return handled;
    }

private:
    void FitToText() {
        auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        if (!label || !layout()) return;
        label->setWordWrap(false);
        layout()->activate();
        int width = layout()->totalMinimumSize().width();
        const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
        const int room = shown ? shown->availableGeometry().width() - (frameGeometry().width() - this->width()) : width;
        if (width > room) {
            label->setWordWrap(true);
            width = room;
        }
        const int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width)
                                                         : layout()->totalMinimumSize().height();
        setFixedSize(width, height);
        // The changes above asked for another layout pass, which would undo them.
        QCoreApplication::removePostedEvents(this, QEvent::LayoutRequest);
    }
};

}  // namespace

QStringList QtNameFilters(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';')))
            if (!p.trimmed().isEmpty()) patterns << p.trimmed();
        result << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result;
}

QString ErrorDisplayText(const QString& message) { return message + QLatin1Char('.'); }

std::unique_ptr<QMessageBox> MakeMessageBox(const QString& text, MsgButtons buttons, QWidget* owner) {
    auto box = std::make_unique<TMessageBox>(QMessageBox::NoIcon, QString(), text, QMessageBox::NoButton, owner);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    switch (buttons) {
        case MsgButtons::Ok:
            box->setStandardButtons(QMessageBox::Ok);
            break;
        case MsgButtons::YesNo:
            box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case MsgButtons::YesNoCancel:
            box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    return box;
}

std::unique_ptr<QMessageBox> MakeErrorBox(const QString& message, QWidget* owner) {
    return std::make_unique<TMessageBox>(QMessageBox::Critical, QStringLiteral("Zorbex"), ErrorDisplayText(message),
                                         QMessageBox::Ok, owner);
}

namespace {

// Runs a dialog over owner, then gives the focus back to the control that had
// it; one disabled meanwhile has passed it on already.
template <class Show>
auto OverOwner(QWidget* owner, Show show) {
    QPointer<QWidget> opener = QApplication::focusWidget();
    if (!opener && owner) opener = owner->focusWidget();
    auto result = show(owner && owner->isVisible() ? owner : nullptr);
    if (opener && opener->isVisible() && opener->isEnabled()) {
        opener->window()->activateWindow();
        opener->setFocus(Qt::OtherFocusReason);
    }
    return result;
}

}  // namespace

void QtDialogs::SetOwner(QWidget* window) { owner_ = window; }

MsgResult QtDialogs::Message(const QString& text, MsgButtons buttons) {
    const int answer = OverOwner(owner_, [&](QWidget* owner) { return MakeMessageBox(text, buttons, owner)->exec(); });
    switch (answer) {
        case QMessageBox::Yes:
            return MsgResult::Yes;
        case QMessageBox::No:
            return MsgResult::No;
        case QMessageBox::Cancel:
            return MsgResult::Cancel;
        default:
            break;
    }
    // Closing a question without an answer counts as its safest answer.
    if (buttons == MsgButtons::YesNo) return MsgResult::No;
    if (buttons == MsgButtons::YesNoCancel) return MsgResult::Cancel;
    return MsgResult::Ok;
}

namespace {

std::optional<QString> RunFileDialog(const FileDialogOptions& options, const QString& start, bool save,
                                     QWidget* owner) {
    QFileDialog dialog(owner, options.title, start);
    dialog.setNameFilters(QtNameFilters(options.filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !options.fileMustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!options.defaultExt.isEmpty()) dialog.setDefaultSuffix(options.defaultExt);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.overwritePrompt);
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

}  // namespace

std::optional<QString> QtDialogs::OpenFile(const FileDialogOptions& options, const QString& start) {
    return OverOwner(owner_, [&](QWidget* owner) { return RunFileDialog(options, start, false, owner); });
}

std::optional<QString> QtDialogs::SaveFile(const FileDialogOptions& options, const QString& start) {
    return OverOwner(owner_, [&](QWidget* owner) { return RunFileDialog(options, start, true, owner); });
}

std::optional<QString> QtDialogs::PickFolder(const QString& title, const QString& start) {
    const QString dir =
        OverOwner(owner_, [&](QWidget* owner) { return QFileDialog::getExistingDirectory(owner, title, start); });
    if (dir.isEmpty()) return std::nullopt;
    return dir;
}

void QtDialogs::OpenUrl(const QString& url) { QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode)); }

void QtDialogs::ShowError(const QString& message) {
    OverOwner(owner_, [&](QWidget* owner) { return MakeErrorBox(message, owner)->exec(); });
}

}  // namespace zorbex
