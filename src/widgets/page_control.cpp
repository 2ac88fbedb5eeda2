#include "widgets/page_control.h"

#include <QEvent>

namespace zorbex {

namespace {

bool IsInput(const QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::Shortcut:
        return true;
    default:
        return false;
    }
}

}  // namespace

class TPageControl::Bar : public QTabBar {
public:
    Bar(TPageControl* owner) : QTabBar(owner), owner_(owner) {}

protected:
    bool event(QEvent* event) override {
        if (!IsInput(event)) return QTabBar::event(event);
        return owner_->AsUser([&] { return QTabBar::event(event); });
    }

private:
    TPageControl* owner_;
};

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new Bar(this));
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        if (userInput_ > 0) emit userChanged(index);
    });
}

template <class Deliver>
bool TPageControl::AsUser(Deliver deliver) {
    ++userInput_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{userInput_};
    return deliver();
}

bool TPageControl::event(QEvent* event) {
    // Ctrl+Tab and its kin reach the page control from the focused page.
    if (!IsInput(event)) return QTabWidget::event(event);
    return AsUser([&] { return QTabWidget::event(event); });
}

}  // namespace zorbex
