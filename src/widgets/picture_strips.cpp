#include "widgets/picture_strips.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

namespace zorbex {

namespace {

using DrawCell = void (*)(QPainter&);

QImage MakeStrip(std::initializer_list<DrawCell> cells) {
    QImage strip(kCellSize * int(cells.size()), kCellSize, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    int x = 0;
    for (DrawCell draw : cells) {
        p.save();
        p.translate(x, 0);
        p.setClipRect(0, 0, kCellSize, kCellSize);
        draw(p);
        p.restore();
        x += kCellSize;
    }
    return strip;
}

// A sheet of paper with a folded corner.
void Page(QPainter& p, QRect r, QColor fill = Qt::white) {
    const int fold = 3;
    QPolygon outline;
    outline << r.topLeft() << QPoint(r.right() - fold, r.top()) << QPoint(r.right(), r.top() + fold) << r.bottomRight()
            << r.bottomLeft();
    p.setPen(QColor(64, 64, 64));
    p.setBrush(fill);
    p.drawPolygon(outline);
    p.drawLine(r.right() - fold, r.top(), r.right() - fold, r.top() + fold);
    p.drawLine(r.right() - fold, r.top() + fold, r.right(), r.top() + fold);
}

void PageLines(QPainter& p, QRect r) {
    p.setPen(QColor(150, 150, 150));
    for (int y = r.top() + 4; y < r.bottom() - 1; y += 2) p.drawLine(r.left() + 2, y, r.right() - 3, y);
}

// A thick horizontal arrow from x0 to x1 (pointing to x1) at height y.
void Arrow(QPainter& p, int x0, int x1, int y, QColor color) {
    const int dir = x1 > x0 ? 1 : -1;
    QPolygon shape;
    const int neck = x1 - dir * 4;
    shape << QPoint(x0, y - 1) << QPoint(neck, y - 1) << QPoint(neck, y - 4) << QPoint(x1, y) << QPoint(neck, y + 4)
          << QPoint(neck, y + 1) << QPoint(x0, y + 1);
    p.setPen(color.darker(140));
    p.setBrush(color);
    p.drawPolygon(shape);
}

void DrawDelete(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(3, 3, 12, 12);
    p.drawLine(12, 3, 3, 12);
}

void DrawEdit(QPainter& p) {
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Arial")});
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0, 0, 128));
    p.drawText(QRect(0, 2, 11, 12), Qt::AlignCenter, QStringLiteral("ab"));
    // The text cursor: an I-beam.
    p.setPen(Qt::black);
    p.drawLine(13, 3, 13, 12);
    p.drawLine(12, 2, 14, 2);
    p.drawLine(12, 13, 14, 13);
}

void DrawImport(QPainter& p) {
    Page(p, QRect(6, 1, 9, 13));
    PageLines(p, QRect(6, 1, 9, 13));
    Arrow(p, 0, 11, 9, QColor(0, 170, 0));
}

void DrawExport(QPainter& p) {
    Page(p, QRect(1, 1, 9, 13));
    PageLines(p, QRect(1, 1, 9, 13));
    Arrow(p, 5, 15, 9, QColor(150, 0, 0));
}

void DrawSimplify(QPainter& p) {
    Page(p, QRect(0, 1, 8, 13));
    PageLines(p, QRect(0, 1, 8, 13));
    Page(p, QRect(10, 1, 5, 6), QColor(210, 210, 210));
    Page(p, QRect(10, 8, 5, 6), QColor(210, 210, 210));
}

void CheckBoxCell(QPainter& p, int y, bool ticked) {
    p.setPen(QColor(64, 64, 64));
    p.setBrush(Qt::white);
    p.drawRect(1, y, 5, 5);
    if (ticked) {
        p.setPen(QPen(QColor(0, 140, 0), 1.6));
        p.setRenderHint(QPainter::Antialiasing);
        p.drawPolyline(QPolygonF({QPointF(2, y + 2.5), QPointF(3.5, y + 4.5), QPointF(6.5, y - 0.5)}));
        p.setRenderHint(QPainter::Antialiasing, false);
    }
    p.setPen(QColor(0, 0, 128));
    p.drawLine(9, y + 2, 14, y + 2);
    p.drawLine(9, y + 3, 13, y + 3);
}

void DrawSelectAll(QPainter& p) {
    CheckBoxCell(p, 1, true);
    CheckBoxCell(p, 9, true);
}

void DrawSelectNone(QPainter& p) {
    CheckBoxCell(p, 1, false);
    CheckBoxCell(p, 9, false);
}

// Two arrows chasing each other round a circle.
void Refresh(QPainter& p, QColor color) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, 2, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    const QRectF ring(2.5, 2.5, 11, 11);
    p.drawArc(ring, 100 * 16, 150 * 16);
    p.drawArc(ring, 280 * 16, 150 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(QPolygonF({QPointF(9, 0), QPointF(13, 3), QPointF(9, 6)}));
    p.drawPolygon(QPolygonF({QPointF(7, 10), QPointF(3, 13), QPointF(7, 16)}));
}

void DrawRefreshProcess(QPainter& p) { Refresh(p, QColor(0, 140, 0)); }
void DrawRefreshMembers(QPainter& p) { Refresh(p, QColor(0, 70, 200)); }

}  // namespace

QImage PicIgnoreStrip() {
    static const QImage strip = MakeStrip({DrawDelete, DrawEdit, DrawImport, DrawExport, DrawSimplify});
    return strip;
}

QImage PicGoStrip() {
    static const QImage strip = MakeStrip({DrawSelectAll, DrawSelectNone, DrawRefreshProcess, DrawRefreshMembers});
    return strip;
}

QImage DownButtonGlyph() {
    QImage glyph(7, 4, QImage::Format_ARGB32_Premultiplied);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.setPen(Qt::black);
    for (int row = 0; row < 4; ++row) p.drawLine(row, row, 6 - row, row);
    return glyph;
}

int StripSize(const QImage& strip) { return strip.isNull() ? 0 : strip.width() / kCellSize; }

QImage StripPicture(const QImage& strip, int number) {
    if (number < 1 || number > StripSize(strip)) return {};
    return strip.copy((number - 1) * kCellSize, 0, kCellSize, kCellSize);
}

void ApplyStripPictures(QMenu* menu, const QImage& strip) {
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) continue;
        const int tag = action->data().toInt();
        const QImage picture = StripPicture(strip, tag);
        action->setIcon(picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture)));
    }
}

}  // namespace zorbex
