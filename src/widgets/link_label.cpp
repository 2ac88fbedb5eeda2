#include "widgets/link_label.h"

#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "widgets/reader_access.h"

namespace zorbex {

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : TClickLabel(text, parent) {
    setFocusPolicy(Qt::TabFocus);
    InstallReaderAccess();
}

void TLinkLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (!event->isAutoRepeat()) emit clicked();
            return;
        default:
            TClickLabel::keyPressEvent(event);
    }
}

void TLinkLabel::paintEvent(QPaintEvent*) {
    // Drawn as a label that takes no focus draws its text: the toolkit lays
    // out the text of a focusable label a pixel higher.
    QStylePainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    const int flags = int(QStyle::visualAlignment(layoutDirection(), alignment())) | Qt::TextForceLeftToRight;
    painter.drawItemText(contentsRect(), flags, option.palette, isEnabled(), text(), foregroundRole());
    if (!hasFocus()) return;
    // The focus frame around the text only, as a link in a window shows it.
    QStyleOptionFocusRect frame;
    frame.initFrom(this);
    const QRect shown = fontMetrics().boundingRect(contentsRect(), flags, text());
    frame.rect = shown.adjusted(-2, 0, 2, 0) & contentsRect();
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
}

}  // namespace zorbex
