#include "widgets/focus_keeper.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QStackedWidget>

namespace zorbex {

QWidget* FocusArea(QWidget* control) {
    for (QWidget* w = control; w && !w->isWindow(); w = w->parentWidget()) {
        if (qobject_cast<QStackedWidget*>(w->parentWidget())) return w;
    }
    return control ? control->window() : nullptr;
}

QWidget* NextEnabledControl(QWidget* from, QWidget* area, bool next) {
    if (!from || !area) return nullptr;
    for (QWidget* w = next ? from->nextInFocusChain() : from->previousInFocusChain(); w && w != from;
         w = next ? w->nextInFocusChain() : w->previousInFocusChain()) {
        if (area->isAncestorOf(w) && w->isEnabled() && w->isVisible() && !w->focusProxy() &&
            (w->focusPolicy() & Qt::TabFocus))
            return w;
    }
    return nullptr;
}

TFocusKeeper::TFocusKeeper(QWidget* window) : QObject(window), window_(window) {
    connect(qApp, &QApplication::focusChanged, this, &TFocusKeeper::FocusChanged);
    for (QPushButton* button : window->findChildren<QPushButton*>()) button->installEventFilter(this);
}

bool TFocusKeeper::PassFromDisabled(bool next) {
    QWidget* focused = window_ ? window_->focusWidget() : nullptr;
    if (!focused || focused->isEnabled()) return false;
    QWidget* target = NextEnabledControl(focused, FocusArea(focused), next);
    if (!target) return false;
    target->setFocus(Qt::OtherFocusReason);
    return true;
}

// A control disabled through its parent loses the focus without passing it on.
void TFocusKeeper::FocusChanged(QWidget* old, QWidget* now) {
    if (now || !old || old->isEnabled() || !window_ || old->window() != window_) return;
    if (QWidget* target = NextEnabledControl(old, FocusArea(old))) target->setFocus(Qt::OtherFocusReason);
}

bool TFocusKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || key->modifiers() & ~Qt::KeypadModifier)
        return false;
    auto* button = static_cast<QPushButton*>(watched);
    if (!button->isEnabled()) return false;
    if (!key->isAutoRepeat()) button->click();
    return true;
}

}  // namespace zorbex
