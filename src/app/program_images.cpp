#include "app/program_images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

// The resources live in a static library: a program that links it gets them
// only when something asks for them by name.
static void InitProgramResources() { Q_INIT_RESOURCE(resources); }

namespace zorbex {

namespace {

constexpr int kCursorSize = 32;

QPixmap Blank() {
    QPixmap pixmap(kCursorSize, kCursorSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void Outline(QPainter& p, const QPainterPath& shape) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(shape);
}

// The ordinary arrow pointer, tip at (0, 0).
void DrawArrow(QPainter& p) {
    QPainterPath arrow;
    arrow.addPolygon(QPolygonF(
        {{0.5, 0.5}, {0.5, 16.5}, {4.5, 12.5}, {7.5, 18.5}, {9.5, 17.5}, {6.5, 11.5}, {11.5, 11.5}, {0.5, 0.5}}));
    Outline(p, arrow);
}

QCursor HandCursor() {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath hand;
    const auto finger = [](qreal x, qreal y, qreal w, qreal h) {
        QPainterPath part;
        part.addRoundedRect(QRectF(x, y, w, h), 2, 2);
        return part;
    };
    hand = finger(7.5, 0.5, 5, 16)  // the pointing finger
               .united(finger(11.5, 7.5, 4, 9))
               .united(finger(14.5, 8.5, 4, 8))
               .united(finger(17.5, 9.5, 4, 8))
               .united(finger(1.5, 11.5, 7, 5))     // the thumb
               .united(finger(4.5, 13.5, 17, 10));  // the palm
    Outline(p, hand);
    // The fingers' folds.
    p.drawLine(QPointF(11.5, 11), QPointF(11.5, 14));
    p.drawLine(QPointF(14.5, 12), QPointF(14.5, 14));
    p.drawLine(QPointF(17.5, 12), QPointF(17.5, 14));
    p.end();
    return QCursor(pixmap, 9, 0);
}

QCursor HelpCursor() {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    DrawArrow(p);
    // A question mark right of the arrow: a hook and a dot.
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::white, 4.5, Qt::SolidLine, Qt::RoundCap));
    QPainterPath hook;
    hook.moveTo(14, 6);
    hook.cubicTo(14, 1, 23, 1, 23, 6);
    hook.cubicTo(23, 10, 18.5, 10, 18.5, 14);
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.drawPoint(QPointF(18.5, 18));
    p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(hook);
    p.drawPoint(QPointF(18.5, 18));
    p.end();
    return QCursor(pixmap, 0, 0);
}

QCursor MailCursor() {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    DrawArrow(p);
    // An envelope below and right of the arrow, its flap as a V.
    const QRectF envelope(10.5, 17.5, 18, 12);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(envelope);
    p.drawLine(envelope.topLeft(), envelope.center() + QPointF(0, 1));
    p.drawLine(envelope.topRight(), envelope.center() + QPointF(0, 1));
    p.end();
    return QCursor(pixmap, 0, 0);
}

}  // namespace

QIcon ProgramIcon() {
    static const bool registered = (InitProgramResources(), true);
    (void)registered;
    return QIcon(QStringLiteral(":/zorbex.xpm"));
}

std::optional<QCursor> ProgramCursor(std::string_view name) {
    if (name == "Zr_HandCur") return HandCursor();
    if (name == "Zr_HelpCur") return HelpCursor();
    if (name == "Zr_MailCur") return MailCursor();
    return std::nullopt;
}

}  // namespace zorbex
