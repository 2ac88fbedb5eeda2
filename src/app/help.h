#pragma once
// Help for the program: which help file the program uses (decided once, at
// start-up), the download question when the file is missing, and the help
// window that shows a topic.
#include <QPointer>
#include <QString>

#include "app/help_window.h"
#include "widgets/app_context.h"

class QWidget;

namespace zorbex {

inline constexpr const char* kHelpMissingQuestion =
    "Файл справки «ZORBHELP.HLP» не найден в каталоге программы.\n"
    "Желаете ли Вы скачать его с сайта автора программы сейчас?";

class THelp {
public:
    // owner: the window the help window belongs to.
    THelp(const AppContext& context, QWidget* owner);

    // Start-up: the help file is "zorbhelp.hlp" in the program's directory
    // when it exists now, else there is none for this run. Returns whether
    // there is one.
    bool DecideAvailable();
    // The full path decided at start-up; empty when there is none.
    const QString& HelpFile() const { return helpFile_; }

    // Shows the topic of this context number. A help file missing now brings
    // the download question; one put there after start-up shows nothing.
    void OpenHelpTopic(int context);

    // The help window, once a topic has been shown.
    THelpWindow* Window() const { return window_; }

private:
    QString PathInProgramDir() const;

    const AppContext& context_;
    QWidget* owner_;
    QString helpFile_;
    QPointer<THelpWindow> window_;
};

}  // namespace zorbex
