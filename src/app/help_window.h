#pragma once
// The window that shows one topic of the help file at a time; links inside a
// topic and the contents button lead to other topics of the same file.
#include <QDialog>
#include <QPushButton>
#include <QTextBrowser>

#include "app/help_book.h"

namespace zorbex {

class THelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* owner);

    // Takes the book, shows its topic of this context number and brings the
    // window to the front; not modal.
    void ShowTopic(HelpBook book, int context);
    // The topic shown now (its context number, even when the book lacks it).
    int ShownContext() const { return shown_; }

private:
    void Show(int context);

    QTextBrowser* txt_help_;
    QPushButton* btn_contents_;

    HelpBook book_;
    int shown_ = -1;
};

}  // namespace zorbex
