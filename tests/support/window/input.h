#pragma once
// Mouse and keyboard input sent straight to a widget, as the window system would deliver it.
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

namespace zx_test {

inline void Press(QWidget* w, Qt::MouseButton button, QPoint pos) {
    QMouseEvent press(QEvent::MouseButtonPress, pos, w->mapToGlobal(pos), button, button, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

inline void Click(QWidget* w, Qt::MouseButton button = Qt::LeftButton, QPoint pos = {-1, -1}) {
    if (pos.x() < 0) pos = w->rect().center();
    Press(w, button, pos);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, w->mapToGlobal(pos), button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

// A right press followed by the context menu request it raises.
inline void RightClick(QWidget* w, QPoint pos) {
    Press(w, Qt::RightButton, pos);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, w->mapToGlobal(pos), Qt::RightButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, pos, w->mapToGlobal(pos));
    QApplication::sendEvent(w, &menu);
}

inline void Key(QWidget* w, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

// A key pressed while focus is on w in its active window: shortcuts first,
// then the widget, as the window system delivers it.
inline void Chord(QWidget* w, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* window = w->window();
    if (!window->isVisible()) window->show();
    window->activateWindow();
    // The offscreen platform makes the window active at once; a real one
    // may take a moment.
    if (!QTest::qWaitForWindowActive(window, 2000)) qWarning("window not active");
    w->setFocus();
    QTest::keyClick(w, key, modifiers);
}

inline void Type(QWidget* w, const QString& text) {
    for (const QChar c : text) Key(w, c.isLetter() ? Qt::Key_A : Qt::Key_Space, QString(c));
}

}  // namespace zx_test
