#include "widgets/vex_progress_bar.h"

#include <QAccessible>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "widgets/reader_access.h"

namespace zorbex {
namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
std::int64_t MulDivRound(std::int64_t a, std::int64_t b, std::int64_t c) {
    const std::int64_t n = a * b;
    const std::int64_t q = (2 * std::llabs(n) + std::llabs(c)) / (2 * std::llabs(c));
    return ((n < 0) != (c < 0)) ? -q : q;
}

bool Horizontal(TProgressDirection d) {
    return d == TProgressDirection::pdLeftToRight || d == TProgressDirection::pdRightToLeft;
}

}  // namespace

// Windows keeps these in a system colour table; the palette roles below are
// the ones Qt's own Windows theme fills from that table. The active group is
// used so the bar does not change colour when its window loses focus.
QColor TColor::Resolve(const QPalette& palette) const {
    switch (system_) {
        case System::BtnFace:
            return palette.color(QPalette::Active, QPalette::Button);
        case System::BtnShadow:
            return palette.color(QPalette::Active, QPalette::Dark);
        case System::BtnHighlight:
            return palette.color(QPalette::Active, QPalette::Light);
        case System::DkShadow3D:
            return palette.color(QPalette::Active, QPalette::Shadow);
        case System::None:
            break;
    }
    return QColor(std::clamp(rgb_.r, 0, 255), std::clamp(rgb_.g, 0, 255), std::clamp(rgb_.b, 0, 255));
}

TVexProgressBar::TVexProgressBar(QWidget* parent) : QWidget(parent), bufferFont_(font()) {
    // Every pixel comes from the off-screen buffer, so no background erase.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    resize(200, 20);
    InstallReaderAccess();
}

TVexProgressBar::~TVexProgressBar() = default;

QSize TVexProgressBar::sizeHint() const { return {200, 20}; }

void TVexProgressBar::Repaint() {
    gradientStale_ = true;
    repaint();
}

int TVexProgressBar::Position() const { return position_; }

void TVexProgressBar::SetPosition(int value) {
    // Out-of-range values are dropped, not clamped.
    if (value == position_ || value > max_ || value < min_) return;
    position_ = value;
    rebuild_ = false;
    repaint();
    rebuild_ = true;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, value);
        QAccessible::updateAccessibility(&changed);
    }
}

int TVexProgressBar::Min() const { return min_; }
void TVexProgressBar::SetMin(int value) { SetAndRepaint(min_, value); }
int TVexProgressBar::Max() const { return max_; }
void TVexProgressBar::SetMax(int value) { SetAndRepaint(max_, value); }
TProgressDirection TVexProgressBar::Direction() const { return direction_; }
void TVexProgressBar::SetDirection(TProgressDirection value) { SetAndRepaint(direction_, value); }
TBarColorStyle TVexProgressBar::BarColorStyle() const { return barColorStyle_; }
void TVexProgressBar::SetBarColorStyle(TBarColorStyle value) { SetAndRepaint(barColorStyle_, value); }
TColor TVexProgressBar::BarColor1() const { return barColor1_; }
void TVexProgressBar::SetBarColor1(TColor value) { SetAndRepaint(barColor1_, value); }
TColor TVexProgressBar::BarColor2() const { return barColor2_; }
void TVexProgressBar::SetBarColor2(TColor value) { SetAndRepaint(barColor2_, value); }
TColor TVexProgressBar::BarColor3() const { return barColor3_; }
void TVexProgressBar::SetBarColor3(TColor value) { SetAndRepaint(barColor3_, value); }
TColor TVexProgressBar::BackgroundColor() const { return backgroundColor_; }
void TVexProgressBar::SetBackgroundColor(TColor value) { SetAndRepaint(backgroundColor_, value); }
TColor TVexProgressBar::BorderColor1() const { return borderColor1_; }
void TVexProgressBar::SetBorderColor1(TColor value) { SetAndRepaint(borderColor1_, value); }
TColor TVexProgressBar::BorderColor2() const { return borderColor2_; }
void TVexProgressBar::SetBorderColor2(TColor value) { SetAndRepaint(borderColor2_, value); }
bool TVexProgressBar::ShowBorder() const { return showBorder_; }
void TVexProgressBar::SetShowBorder(bool value) { SetAndRepaint(showBorder_, value); }
bool TVexProgressBar::ShowPosText() const { return showPosText_; }
void TVexProgressBar::SetShowPosText(bool value) { SetAndRepaint(showPosText_, value); }
QString TVexProgressBar::PosTextPrefix() const { return posTextPrefix_; }
void TVexProgressBar::SetPosTextPrefix(const QString& value) { SetAndRepaint(posTextPrefix_, value); }
QString TVexProgressBar::PosTextSuffix() const { return posTextSuffix_; }
void TVexProgressBar::SetPosTextSuffix(const QString& value) { SetAndRepaint(posTextSuffix_, value); }
QImage TVexProgressBar::BarBitmap() const { return barBitmap_; }

void TVexProgressBar::SetBarBitmap(const QImage& value) {
    barBitmap_ = value.copy();
    // Tiles are laid out in image pixels, whatever screen the picture came from.
    barBitmap_.setDevicePixelRatio(1.0);
    Repaint();
}

QColor TVexProgressBar::GradientColor(QColor start, QColor end, int colorIndex, int count) {
    if (colorIndex < 1 || colorIndex > count)
        throw std::out_of_range("ColorIndex can't be less than 1 or greater than " + std::to_string(count));
    start = start.toRgb();
    end = end.toRgb();
    if (colorIndex == 1) return QColor(start.red(), start.green(), start.blue());
    auto component = [&](int s, int e) {
        return static_cast<int>((s + MulDivRound(colorIndex - 1, e - s, count - 1)) & 0xFF);
    };
    return QColor(component(start.red(), end.red()), component(start.green(), end.green()),
                  component(start.blue(), end.blue()));
}

QColor TVexProgressBar::Resolve(TColor color) const { return color.Resolve(palette()); }

void TVexProgressBar::paintEvent(QPaintEvent*) {
    RenderBuffer(rebuild_);
    QPainter painter(this);
    painter.drawImage(0, 0, buffer_);
}

void TVexProgressBar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    switch (event->type()) {
        case QEvent::FontChange:
            bufferFont_ = font();
            Repaint();
            break;
        case QEvent::PaletteChange:
            // System colours come from the palette; a theme change must show.
            Repaint();
            break;
        default:
            break;
    }
}

void TVexProgressBar::resizeEvent(QResizeEvent* event) {
    gradientStale_ = true;
    QWidget::resizeEvent(event);
}

void TVexProgressBar::RenderBuffer(bool rebuild) {
    ++paintCount_;
    if (buffer_.size() != size()) buffer_ = QImage(size(), QImage::Format_RGB32);
    if (buffer_.isNull()) return;  // zero width or height: nothing to draw
    QPainter painter(&buffer_);
    DrawBar(painter, rebuild);
    if (showBorder_) DrawBorder(painter);
    if (showPosText_) DrawPosText(painter);
}

int TVexProgressBar::FilledLength(int length) const {
    if (position_ <= min_) return 0;
    const double range = std::abs(static_cast<double>(max_) - static_cast<double>(min_));
    // An empty range with the position above it has no fraction: show it full.
    if (range == 0) return length;
    const double filled = (static_cast<double>(position_) - static_cast<double>(min_)) / range * length;
    // A position left above Max can give more than the bar holds.
    if (filled >= length) return length;
    return static_cast<int>(std::nearbyint(filled));  // default rounding: halves to even
}

void TVexProgressBar::DrawBar(QPainter& painter, bool rebuild) {
    const int w = width();
    const int h = height();
    // A position change before the gradient image was ever built (or after it
    // went stale) builds it now rather than copying an empty image.
    const bool build = rebuild || gradientStale_ || gradient_.size() != size();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (!barBitmap_.isNull()) {
        if (build) TileBarBitmap();
        painter.drawImage(0, 0, gradient_);
    } else if (barColorStyle_ == TBarColorStyle::cs1Color) {
        painter.fillRect(0, 0, w, h, Resolve(barColor1_));
    } else {
        if (build) BuildGradient();
        painter.drawImage(0, 0, gradient_);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    const int b = showBorder_ ? 1 : 0;
    const int length = Horizontal(direction_) ? w - 2 * b : h - 2 * b;
    const int empty = length - FilledLength(length);
    if (empty <= 0) return;
    QRect rect;
    switch (direction_) {
        case TProgressDirection::pdLeftToRight:
            rect.setCoords(w - b - empty, b, w - b - 1, h - b - 1);
            break;
        case TProgressDirection::pdRightToLeft:
            rect.setCoords(b, b, b + empty - 1, h - b - 1);
            break;
        case TProgressDirection::pdBottomToTop:
            rect.setCoords(b, b, w - b - 1, b + empty - 1);
            break;
        case TProgressDirection::pdTopToBottom:
            rect.setCoords(b, h - b - empty, w - b - 1, h - b - 1);
            break;
    }
    painter.fillRect(rect, Resolve(backgroundColor_));
}

void TVexProgressBar::BuildGradient() {
    ++gradientBuildCount_;
    gradientStale_ = false;
    if (gradient_.size() != size()) gradient_ = QImage(size(), QImage::Format_RGB32);
    if (gradient_.isNull()) return;

    const bool horizontal = Horizontal(direction_);
    const bool reversed =
        direction_ == TProgressDirection::pdRightToLeft || direction_ == TProgressDirection::pdBottomToTop;
    const int lines = horizontal ? gradient_.width() : gradient_.height();
    const QColor c1 = Resolve(barColor1_);
    const QColor c2 = Resolve(barColor2_);
    const QColor c3 = Resolve(barColor3_);

    // One colour per line; line 0 is the leftmost column or the top row.
    std::vector<QRgb> colors(static_cast<std::size_t>(lines));
    auto run = [&](int first, int count, QColor from, QColor to) {
        for (int k = 0; k < count; ++k)
            colors[static_cast<std::size_t>(first + k)] = GradientColor(from, to, k + 1, count).rgb();
    };
    if (barColorStyle_ == TBarColorStyle::cs2Colors) {
        if (reversed)
            run(0, lines, c2, c1);
        else
            run(0, lines, c1, c2);
    } else {
        const int half = lines / 2;
        // With an odd count the second run gets the extra line.
        if (reversed) {
            run(0, half, c3, c2);
            run(half, lines - half, c2, c1);
        } else {
            run(0, half, c1, c2);
            run(half, lines - half, c2, c3);
        }
    }

    const int w = gradient_.width();
    for (int y = 0; y < gradient_.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(gradient_.scanLine(y));
        if (horizontal)
            std::copy(colors.begin(), colors.end(), row);
        else
            std::fill(row, row + w, colors[static_cast<std::size_t>(y)]);
    }
}

void TVexProgressBar::TileBarBitmap() {
    ++gradientBuildCount_;
    gradientStale_ = false;
    if (gradient_.size() != size()) gradient_ = QImage(size(), QImage::Format_RGB32);
    if (gradient_.isNull()) return;
    // Transparent parts of a picture show the background colour rather than
    // whatever the image held before.
    gradient_.fill(Resolve(backgroundColor_));
    QPainter painter(&gradient_);
    const int bw = barBitmap_.width();
    const int bh = barBitmap_.height();
    // One tile more than fits each way covers the edges; the image clips the rest.
    for (int r = 0; r <= height() / bh; ++r)
        for (int c = 0; c <= width() / bw; ++c) painter.drawImage(c * bw, r * bh, barBitmap_);
}

void TVexProgressBar::DrawBorder(QPainter& painter) {
    const int w = width();
    const int h = height();
    const QColor c1 = Resolve(borderColor1_);
    const QColor c2 = Resolve(borderColor2_);
    painter.fillRect(0, 0, w, 1, c1);
    painter.fillRect(0, 0, 1, h, c1);
    painter.fillRect(1, h - 1, w - 1, 1, c2);
    painter.fillRect(w - 1, 1, 1, h - 1, c2);
}

void TVexProgressBar::DrawPosText(QPainter& painter) {
    const QString text = posTextPrefix_ + QString::number(position_) + posTextSuffix_;
    painter.setFont(bufferFont_);
    painter.setPen(palette().color(QPalette::Active, QPalette::WindowText));
    const QFontMetrics metrics = painter.fontMetrics();
    const int x = width() / 2 - metrics.horizontalAdvance(text) / 2;
    const int y = height() / 2 - metrics.height() / 2;
    // (x, y) is the top left of the text cell; Qt draws from the baseline.
    painter.drawText(x, y + metrics.ascent(), text);
}

}  // namespace zorbex
