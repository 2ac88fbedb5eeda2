#pragma once
// The keyboard focus of a window never drops out of reach: a control that is
// disabled while it holds the focus passes it to the next enabled control of
// its page (going round within the page), also when it was disabled through
// its parent; Enter presses the focused push button, as Space does.
//
// Use from a window: construct a TFocusKeeper for it, and let its
// focusNextPrevChild ask PassFromDisabled first.
#include <QObject>
#include <QPointer>

class QWidget;

namespace zorbex {

// The page a control lies on: the page of a page control that holds it, or
// else its window.
QWidget* FocusArea(QWidget* control);

// The control that takes the focus after from (before it, when next is
// false) within area: enabled, shown, reached with Tab. Null when none.
QWidget* NextEnabledControl(QWidget* from, QWidget* area, bool next = true);

class TFocusKeeper : public QObject {
    Q_OBJECT
public:
    explicit TFocusKeeper(QWidget* window);

    // For the window's focusNextPrevChild: when the focused control is
    // disabled, focuses the next enabled control of its page and returns
    // true.
    bool PassFromDisabled(bool next);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FocusChanged(QWidget* old, QWidget* now);

    QPointer<QWidget> window_;
};

}  // namespace zorbex
