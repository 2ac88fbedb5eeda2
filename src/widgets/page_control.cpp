#include "widgets/page_control.h"

#include <QEvent>
#include <QShortcut>

#include "widgets/reader_access.h"

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
    InstallReaderAccess();
    setTabBar(new Bar(this));
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        if (userInput_ > 0) emit userChanged(index);
    });
    // The tab widget hears these keys only from controls on its pages; the
    // window's own controls (the exit button) would keep them.
    const auto pageKeys = [this](QList<QKeySequence> keys, int delta) {
        auto* shortcut = new QShortcut(this);
        shortcut->setKeys(keys);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, delta] { StepPage(delta); });
    };
    pageKeys({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}, +1);
    // Shift+Tab arrives as Backtab from most keyboards.
    pageKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
              QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
             -1);
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
    // Keys a page passes on (Ctrl+Tab from a list, say) are the user's too.
    if (!IsInput(event)) return QTabWidget::event(event);
    return AsUser([&] { return QTabWidget::event(event); });
}

void TPageControl::StepPage(int delta) {
    if (count() == 0) return;
    AsUser([&] {
        setCurrentIndex(((currentIndex() + delta) % count() + count()) % count());
        return true;
    });
}

}  // namespace zorbex
