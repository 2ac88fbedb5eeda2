#pragma once
// The one road to message boxes, file dialogs, the folder picker, the shell
// and the error display. The program passes QtDialogs; tests pass a scripted
// stand-in that answers from a queue and records what was asked.
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QMessageBox;
class QWidget;

namespace zorbex {

enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgResult { Ok, Yes, No, Cancel };

// What a file dialog shows and checks. The filter is "desc|patterns|desc|patterns",
// patterns separated by ';'.
struct FileDialogOptions {
    QString title;
    QString filter;
    QString defaultExt;            // without the dot; empty for none
    bool overwritePrompt = false;  // save: ask before replacing a file
    bool fileMustExist = false;    // open
    bool pathMustExist = false;
    bool hideReadOnly = false;
};

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // The window the dialogs belong to: they open over it, and the focus goes
    // back to the control that had it when one closes. Null: none.
    virtual void SetOwner(QWidget* window) { (void)window; }
    // Empty title, no icon, on top of all windows.
    virtual MsgResult Message(const QString& text, MsgButtons buttons) = 0;
    // The chosen full path, or nothing when the user cancelled.
    virtual std::optional<QString> OpenFile(const FileDialogOptions& options, const QString& start) = 0;
    virtual std::optional<QString> SaveFile(const FileDialogOptions& options, const QString& start) = 0;
    virtual std::optional<QString> PickFolder(const QString& title, const QString& start) = 0;
    // The shell's open: a web page, a mailto: address, a file. Failures are not reported.
    virtual void OpenUrl(const QString& url) = 0;
    // The standard error display: message plus a full stop, titled "Zorbex", error icon, OK.
    virtual void ShowError(const QString& message) = 0;
};

// "desc|a;b|desc2|c" -> {"desc (a b)", "desc2 (c)"}; empty patterns are dropped.
QStringList QtNameFilters(const QString& filter);

// The text the error display shows for an error message.
QString ErrorDisplayText(const QString& message);

// The boxes QtDialogs shows, built apart from showing them; owner may be null.
std::unique_ptr<QMessageBox> MakeMessageBox(const QString& text, MsgButtons buttons, QWidget* owner = nullptr);
std::unique_ptr<QMessageBox> MakeErrorBox(const QString& message, QWidget* owner = nullptr);

class QtDialogs : public IDialogs {
public:
    void SetOwner(QWidget* window) override;
    MsgResult Message(const QString& text, MsgButtons buttons) override;
    std::optional<QString> OpenFile(const FileDialogOptions& options, const QString& start) override;
    std::optional<QString> SaveFile(const FileDialogOptions& options, const QString& start) override;
    std::optional<QString> PickFolder(const QString& title, const QString& start) override;
    void OpenUrl(const QString& url) override;
    void ShowError(const QString& message) override;

private:
    QPointer<QWidget> owner_;
};

}  // namespace zorbex
