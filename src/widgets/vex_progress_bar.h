#pragma once
// The program's own gradient progress bar.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>

class QPainter;

namespace zorbex {

enum class TProgressDirection { pdLeftToRight, pdRightToLeft, pdBottomToTop, pdTopToBottom };
enum class TBarColorStyle { cs1Color, cs2Colors, cs3Colors };

// A fixed RGB colour or a named system colour looked up at every paint.
class TColor {
public:
    enum class System { None, BtnFace, BtnShadow, BtnHighlight, DkShadow3D };
    constexpr TColor() = default;
    constexpr TColor(int r, int g, int b) : rgb_{r, g, b} {}
    static constexpr TColor FromSystem(System s) {
        TColor c;
        c.system_ = s;
        return c;
    }

    System system() const { return system_; }
    bool isSystem() const { return system_ != System::None; }
    // The colour as drawn with the given palette.
    QColor Resolve(const QPalette& palette) const;
    bool operator==(const TColor&) const = default;

private:
    struct Rgb {
        int r = 0, g = 0, b = 0;
        bool operator==(const Rgb&) const = default;
    } rgb_;
    System system_ = System::None;
};

inline constexpr TColor clGreen{0, 128, 0};
inline constexpr TColor clYellow{255, 255, 0};
inline constexpr TColor clRed{255, 0, 0};
inline constexpr TColor clBtnFace = TColor::FromSystem(TColor::System::BtnFace);
inline constexpr TColor clBtnShadow = TColor::FromSystem(TColor::System::BtnShadow);
inline constexpr TColor clBtnHighlight = TColor::FromSystem(TColor::System::BtnHighlight);
inline constexpr TColor cl3DDkShadow = TColor::FromSystem(TColor::System::DkShadow3D);

class TVexProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit TVexProgressBar(QWidget* parent = nullptr);
    ~TVexProgressBar() override;

    int Position() const;
    void SetPosition(int value);
    int Min() const;
    void SetMin(int value);
    int Max() const;
    void SetMax(int value);
    TProgressDirection Direction() const;
    void SetDirection(TProgressDirection value);
    TBarColorStyle BarColorStyle() const;
    void SetBarColorStyle(TBarColorStyle value);
    TColor BarColor1() const;
    void SetBarColor1(TColor value);
    TColor BarColor2() const;
    void SetBarColor2(TColor value);
    TColor BarColor3() const;
    void SetBarColor3(TColor value);
    TColor BackgroundColor() const;
    void SetBackgroundColor(TColor value);
    TColor BorderColor1() const;
    void SetBorderColor1(TColor value);
    TColor BorderColor2() const;
    void SetBorderColor2(TColor value);
    bool ShowBorder() const;
    void SetShowBorder(bool value);
    bool ShowPosText() const;
    void SetShowPosText(bool value);
    QString PosTextPrefix() const;
    void SetPosTextPrefix(const QString& value);
    QString PosTextSuffix() const;
    void SetPosTextSuffix(const QString& value);
    QImage BarBitmap() const;
    void SetBarBitmap(const QImage& value);  // copies the picture

    // Throws std::out_of_range("ColorIndex can't be less than 1 or greater than " + count).
    static QColor GradientColor(QColor start, QColor end, int colorIndex, int count);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Tests and benchmarks look at the buffer and the counts below through it.
    friend struct TVexProgressBarProbe;

    // A full paint, synchronously, so the new state is on screen on return.
    void Repaint();
    // A property's setter: the new value, then a full paint.
    template <class T>
    void SetAndRepaint(T& field, const T& value) {
        field = value;
        Repaint();
    }
    QColor Resolve(TColor color) const;
    void RenderBuffer(bool rebuild);
    void DrawBar(QPainter& painter, bool rebuild);
    void BuildGradient();
    void TileBarBitmap();
    void DrawBorder(QPainter& painter);
    void DrawPosText(QPainter& painter);
    int FilledLength(int length) const;

    int position_ = 0;
    int min_ = 0;
    int max_ = 100;
    TProgressDirection direction_ = TProgressDirection::pdLeftToRight;
    TBarColorStyle barColorStyle_ = TBarColorStyle::cs3Colors;
    TColor barColor1_ = clGreen;
    TColor barColor2_ = clYellow;
    TColor barColor3_ = clRed;
    TColor backgroundColor_ = clBtnFace;
    TColor borderColor1_ = clBtnShadow;
    TColor borderColor2_ = clBtnHighlight;
    bool showBorder_ = true;
    bool showPosText_ = true;
    QString posTextPrefix_;
    QString posTextSuffix_ = QStringLiteral("%");
    QImage barBitmap_;

    QImage buffer_;
    QImage gradient_;
    QFont bufferFont_;
    bool rebuild_ = true;
    // Set when the gradient image no longer matches the properties and no full
    // paint has happened since (hidden control, updates disabled).
    bool gradientStale_ = true;
    int paintCount_ = 0;          // paints that ran
    int gradientBuildCount_ = 0;  // times the gradient image was built
};

}  // namespace zorbex
