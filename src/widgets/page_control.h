#pragma once
// The window's page control. It tells a page chosen by the user (a click or
// a key on the tabs, Ctrl+Tab) apart from one the program selects, and only
// the first emits userChanged. Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn and
// Ctrl+PgUp turn the page wherever the focus is in the window, also on a
// control outside the pages.
#include <QTabBar>
#include <QTabWidget>

namespace zorbex {

class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent);

    // The page delta places on, going round at either end, as the user's change.
    void StepPage(int delta);

signals:
    void userChanged(int index);

protected:
    bool event(QEvent* event) override;

private:
    class Bar;
    // Runs the base class's handling of an input event, marking any page
    // change within it as the user's.
    template <class Deliver>
    bool AsUser(Deliver deliver);

    int userInput_ = 0;
};

}  // namespace zorbex
