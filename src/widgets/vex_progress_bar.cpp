#include "widgets/vex_progress_bar.h"

#include <QPainter>
#include <QPalette>
#include <stdexcept>
#include <string>

QColor TColor::Resolve(const QPalette& palette) const {
    switch (system_) {
    case System::BtnFace: return palette.color(QPalette::Button);
    case System::BtnShadow: return palette.color(QPalette::Dark);
    case System::BtnHighlight: return palette.color(QPalette::Light);
    case System::DkShadow3D: return palette.color(QPalette::Shadow);
    case System::None: break;
    }
    return QColor(rgb_.r, rgb_.g, rgb_.b);
}

TVexProgressBar::TVexProgressBar(QWidget* parent) : QWidget(parent) { resize(200, 20); }
TVexProgressBar::~TVexProgressBar() = default;

QSize TVexProgressBar::sizeHint() const { return {200, 20}; }

int TVexProgressBar::Position() const { return position_; }
void TVexProgressBar::SetPosition(int value) { position_ = value; repaint(); }
int TVexProgressBar::Min() const { return min_; }
void TVexProgressBar::SetMin(int value) { min_ = value; repaint(); }
int TVexProgressBar::Max() const { return max_; }
void TVexProgressBar::SetMax(int value) { max_ = value; repaint(); }
TProgressDirection TVexProgressBar::Direction() const { return direction_; }
void TVexProgressBar::SetDirection(TProgressDirection value) { direction_ = value; repaint(); }
TBarColorStyle TVexProgressBar::BarColorStyle() const { return barColorStyle_; }
void TVexProgressBar::SetBarColorStyle(TBarColorStyle value) { barColorStyle_ = value; repaint(); }
TColor TVexProgressBar::BarColor1() const { return barColor1_; }
void TVexProgressBar::SetBarColor1(TColor value) { barColor1_ = value; repaint(); }
TColor TVexProgressBar::BarColor2() const { return barColor2_; }
void TVexProgressBar::SetBarColor2(TColor value) { barColor2_ = value; repaint(); }
TColor TVexProgressBar::BarColor3() const { return barColor3_; }
void TVexProgressBar::SetBarColor3(TColor value) { barColor3_ = value; repaint(); }
TColor TVexProgressBar::BackgroundColor() const { return backgroundColor_; }
void TVexProgressBar::SetBackgroundColor(TColor value) { backgroundColor_ = value; repaint(); }
TColor TVexProgressBar::BorderColor1() const { return borderColor1_; }
void TVexProgressBar::SetBorderColor1(TColor value) { borderColor1_ = value; repaint(); }
TColor TVexProgressBar::BorderColor2() const { return borderColor2_; }
void TVexProgressBar::SetBorderColor2(TColor value) { borderColor2_ = value; repaint(); }
bool TVexProgressBar::ShowBorder() const { return showBorder_; }
void TVexProgressBar::SetShowBorder(bool value) { showBorder_ = value; repaint(); }
bool TVexProgressBar::ShowPosText() const { return showPosText_; }
void TVexProgressBar::SetShowPosText(bool value) { showPosText_ = value; repaint(); }
QString TVexProgressBar::PosTextPrefix() const { return posTextPrefix_; }
void TVexProgressBar::SetPosTextPrefix(const QString& value) { posTextPrefix_ = value; repaint(); }
QString TVexProgressBar::PosTextSuffix() const { return posTextSuffix_; }
void TVexProgressBar::SetPosTextSuffix(const QString& value) { posTextSuffix_ = value; repaint(); }
QImage TVexProgressBar::BarBitmap() const { return barBitmap_; }
void TVexProgressBar::SetBarBitmap(const QImage& value) { barBitmap_ = value.copy(); repaint(); }

QColor TVexProgressBar::GradientColor(QColor start, QColor end, int colorIndex, int count) {
    if (colorIndex < 1 || colorIndex > count)
        throw std::out_of_range("ColorIndex can't be less than 1 or greater than " + std::to_string(count));
    return start;
}

void TVexProgressBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), backgroundColor_.Resolve(palette()));
}
