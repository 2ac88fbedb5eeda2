// Pixel and repaint behaviour of the gradient progress bar, rendered offscreen.
#include "widgets/vex_progress_bar.h"
#include "widgets/vex_progress_bar_probe.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QWindow>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace zorbex;

namespace {

constexpr TColor kRed{255, 0, 0};
constexpr TColor kBlue{0, 0, 255};
constexpr TColor kWhite{255, 255, 255};
constexpr TColor kBlack{0, 0, 0};
constexpr TColor kGrey{128, 128, 128};

QRgb Rgb(TColor c) { return c.Resolve(QPalette()).rgb(); }
QRgb Px(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

// A full paint through the widget's own paint path.
QImage Render(TVexProgressBar& bar) {
    const QPixmap pixmap = bar.grab();
    EXPECT_EQ(pixmap.devicePixelRatio(), 1.0);
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

// A bar with fixed colours only, so nothing depends on the theme.
void Plain(TVexProgressBar& bar, int w, int h, TBarColorStyle style, bool border) {
    bar.resize(w, h);
    bar.SetShowPosText(false);
    bar.SetShowBorder(border);
    bar.SetBarColorStyle(style);
    bar.SetBarColor1(kRed);
    bar.SetBackgroundColor(kBlue);
    bar.SetBorderColor1(kBlack);
    bar.SetBorderColor2(kWhite);
}

// Shows a top-level window offscreen and waits until it can paint.
void ShowExposed(QWidget& w) {
    w.show();
    for (int i = 0; i < 1000 && !(w.windowHandle() && w.windowHandle()->isExposed()); ++i)
        QApplication::processEvents();
    QApplication::processEvents();
    ASSERT_TRUE(w.windowHandle()->isExposed());
    ASSERT_EQ(w.devicePixelRatioF(), 1.0);
}

int CountInRow(const QImage& image, int y, QRgb color) {
    int n = 0;
    for (int x = 0; x < image.width(); ++x) n += Px(image, x, y) == color;
    return n;
}

QRect InkBox(const QImage& image, QRgb background) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Px(image, x, y) != background) box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace

TEST(VexProgressBar, StartsWithItsInitialValues) {
    TVexProgressBar bar;
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Direction(), TProgressDirection::pdLeftToRight);
    EXPECT_EQ(bar.BarColorStyle(), TBarColorStyle::cs3Colors);
    EXPECT_EQ(bar.BarColor1(), clGreen);
    EXPECT_EQ(bar.BarColor2(), clYellow);
    EXPECT_EQ(bar.BarColor3(), clRed);
    EXPECT_EQ(bar.BackgroundColor(), clBtnFace);
    EXPECT_EQ(bar.BorderColor1(), clBtnShadow);
    EXPECT_EQ(bar.BorderColor2(), clBtnHighlight);
    EXPECT_TRUE(bar.ShowBorder());
    EXPECT_TRUE(bar.ShowPosText());
    EXPECT_EQ(bar.PosTextPrefix(), QString());
    EXPECT_EQ(bar.PosTextSuffix(), QStringLiteral("%"));
    EXPECT_TRUE(bar.BarBitmap().isNull());
    EXPECT_EQ(bar.size(), QSize(200, 20));
    EXPECT_EQ(bar.sizeHint(), QSize(200, 20));
    EXPECT_EQ(bar.focusPolicy(), Qt::NoFocus);
}

TEST(VexProgressBar, GradientColorStepsRoundHalvesAwayFromZero) {
    const QColor green(0, 128, 0), yellow(255, 255, 0);
    const std::vector<QColor> expected{{0, 128, 0}, {64, 160, 0}, {128, 192, 0}, {191, 223, 0}, {255, 255, 0}};
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(TVexProgressBar::GradientColor(green, yellow, i, 5), expected[i - 1]) << i;
    // Falling components: 255 - 127.5 rounds to 127, not 128.
    EXPECT_EQ(TVexProgressBar::GradientColor(QColor(255, 255, 255), QColor(0, 0, 0), 2, 3), QColor(127, 127, 127));
    EXPECT_EQ(TVexProgressBar::GradientColor(QColor(10, 20, 30), QColor(200, 0, 0), 1, 1), QColor(10, 20, 30));
}

TEST(VexProgressBar, GradientColorRejectsIndexOutsideOneToCount) {
    for (auto [index, count] : std::vector<std::pair<int, int>>{{0, 5}, {6, 5}, {-1, 12}, {1, 0}}) {
        try {
            TVexProgressBar::GradientColor(Qt::black, Qt::white, index, count);
            ADD_FAILURE() << index << " of " << count << " accepted";
        } catch (const std::out_of_range& e) {
            EXPECT_EQ(std::string(e.what()), "ColorIndex can't be less than 1 or greater than " + std::to_string(count));
        }
    }
}

TEST(VexProgressBar, FilledLengthRoundsHalvesToEven) {
    struct Case { int max, position, filled; };
    const Case cases[] = {{8, 1, 56}, {8, 3, 170}, {3, 1, 151}, {100, 50, 226}, {100, 1, 5},
                          {100, 0, 0}, {100, 100, 452}};
    for (const Case& c : cases) {
        TVexProgressBar bar;
        Plain(bar, 454, 20, TBarColorStyle::cs1Color, true);
        bar.SetMax(c.max);
        bar.SetPosition(c.position);
        const QImage image = Render(bar);
        EXPECT_EQ(CountInRow(image, 10, Rgb(kRed)), c.filled) << c.position << " of " << c.max;
        EXPECT_EQ(CountInRow(image, 10, Rgb(kBlue)), 452 - c.filled) << c.position << " of " << c.max;
        // The filled part is one run from the origin.
        if (c.filled > 0) {
            EXPECT_EQ(Px(image, c.filled, 10), Rgb(kRed));
        }
    }
}

TEST(VexProgressBar, EachDirectionFillsFromItsOrigin) {
    // 40 x 40 with a frame: length 38, 1 of 8 fills 4.75 -> 5 pixels.
    struct Case { TProgressDirection direction; QRect filled; };
    const Case cases[] = {{TProgressDirection::pdLeftToRight, QRect(1, 1, 5, 38)}, {TProgressDirection::pdRightToLeft, QRect(34, 1, 5, 38)},
                          {TProgressDirection::pdTopToBottom, QRect(1, 1, 38, 5)}, {TProgressDirection::pdBottomToTop, QRect(1, 34, 38, 5)}};
    for (const Case& c : cases) {
        TVexProgressBar bar;
        Plain(bar, 40, 40, TBarColorStyle::cs1Color, true);
        bar.SetDirection(c.direction);
        bar.SetMax(8);
        bar.SetPosition(1);
        const QImage image = Render(bar);
        for (int y = 1; y < 39; ++y)
            for (int x = 1; x < 39; ++x)
                ASSERT_EQ(Px(image, x, y), c.filled.contains(x, y) ? Rgb(kRed) : Rgb(kBlue))
                    << "direction " << static_cast<int>(c.direction) << " at " << x << "," << y;
    }
}

TEST(VexProgressBar, ThreeColourGradientPutsMiddleColourOnBothCentreLines) {
    const QColor c1(0, 128, 0), c2(255, 255, 0), c3(255, 0, 0);
    struct Case { TProgressDirection direction; bool horizontal; std::vector<QColor> lines; };
    std::vector<QColor> forward, backward;
    for (int k = 1; k <= 5; ++k) forward.push_back(TVexProgressBar::GradientColor(c1, c2, k, 5));
    for (int k = 1; k <= 6; ++k) forward.push_back(TVexProgressBar::GradientColor(c2, c3, k, 6));
    for (int k = 1; k <= 5; ++k) backward.push_back(TVexProgressBar::GradientColor(c3, c2, k, 5));
    for (int k = 1; k <= 6; ++k) backward.push_back(TVexProgressBar::GradientColor(c2, c1, k, 6));
    const Case cases[] = {{TProgressDirection::pdLeftToRight, true, forward}, {TProgressDirection::pdRightToLeft, true, backward},
                          {TProgressDirection::pdTopToBottom, false, forward}, {TProgressDirection::pdBottomToTop, false, backward}};
    for (const Case& c : cases) {
        TVexProgressBar bar;
        Plain(bar, c.horizontal ? 11 : 3, c.horizontal ? 3 : 11, TBarColorStyle::cs3Colors, false);
        bar.SetBarColor1(clGreen);
        bar.SetDirection(c.direction);
        bar.SetPosition(100);
        const QImage image = Render(bar);
        for (int k = 0; k < 11; ++k)
            for (int across = 0; across < 3; ++across)
                EXPECT_EQ(Px(image, c.horizontal ? k : across, c.horizontal ? across : k), c.lines[k].rgb())
                    << "direction " << static_cast<int>(c.direction) << " line " << k;
        EXPECT_EQ(c.lines[4], c2);
        EXPECT_EQ(c.lines[5], c2);
    }
}

TEST(VexProgressBar, RightToLeftTwoColoursHalfFull) {
    TVexProgressBar bar;
    Plain(bar, 10, 4, TBarColorStyle::cs2Colors, false);
    bar.SetBarColor2(kWhite);
    bar.SetDirection(TProgressDirection::pdRightToLeft);
    bar.SetPosition(50);
    const QImage image = Render(bar);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(Px(image, x, 2), Rgb(kBlue)) << x;
    // The gradient stays fixed to the control: column 5 keeps its colour of a full bar.
    EXPECT_EQ(Px(image, 5, 2), TVexProgressBar::GradientColor(Qt::white, Qt::red, 6, 10).rgb());
    EXPECT_EQ(Px(image, 9, 0), Rgb(kRed));
    EXPECT_EQ(Px(image, 9, 3), Rgb(kRed));
}

TEST(VexProgressBar, BitmapTilesFromTheCornerOverEveryStyle) {
    QImage tile(16, 16, QImage::Format_RGB32);
    tile.fill(Qt::gray);
    tile.setPixel(0, 0, qRgb(1, 2, 3));
    for (TBarColorStyle style : {TBarColorStyle::cs1Color, TBarColorStyle::cs2Colors, TBarColorStyle::cs3Colors}) {
        TVexProgressBar bar;
        Plain(bar, 454, 20, style, false);
        bar.SetBarBitmap(tile);
        bar.SetPosition(100);
        const QImage image = Render(bar);
        std::vector<QPoint> corners;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 454; ++x)
                if (Px(image, x, y) == qRgb(1, 2, 3)) corners.emplace_back(x, y);
                else ASSERT_EQ(Px(image, x, y), QColor(Qt::gray).rgb()) << x << "," << y;
        ASSERT_EQ(corners.size(), 29u * 2u) << "style " << static_cast<int>(style);
        for (std::size_t i = 0; i < corners.size(); ++i)
            EXPECT_EQ(corners[i], QPoint(static_cast<int>(i % 29) * 16, static_cast<int>(i / 29) * 16));
    }
}

TEST(VexProgressBar, BitmapIsCopiedAndTransparencyShowsBackground) {
    QImage tile(4, 4, QImage::Format_ARGB32);
    tile.fill(Qt::transparent);
    TVexProgressBar bar;
    Plain(bar, 8, 4, TBarColorStyle::cs2Colors, false);
    bar.SetBarBitmap(tile);
    tile.fill(Qt::green);  // the bar must keep its own copy
    bar.SetPosition(100);
    const QImage image = Render(bar);
    EXPECT_EQ(Px(image, 0, 0), Rgb(kBlue));
    EXPECT_EQ(Px(image, 7, 3), Rgb(kBlue));
    EXPECT_EQ(bar.BarBitmap().pixelColor(0, 0).alpha(), 0);
}

TEST(VexProgressBar, FrameIsSunkenOnePixelLines) {
    TVexProgressBar bar;
    Plain(bar, 7, 5, TBarColorStyle::cs1Color, true);
    bar.SetPosition(100);
    const QImage image = Render(bar);
    const QRgb dark = Rgb(kBlack), light = Rgb(kWhite), fill = Rgb(kRed);
    const char* expected[] = {"DDDDDDD",
                              "DFFFFFL",
                              "DFFFFFL",
                              "DFFFFFL",
                              "DLLLLLL"};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const char c = expected[y][x];
            EXPECT_EQ(Px(image, x, y), c == 'D' ? dark : c == 'L' ? light : fill) << x << "," << y;
        }
    // Without the frame the bar runs to the edges.
    bar.SetShowBorder(false);
    EXPECT_EQ(InkBox(Render(bar), fill), QRect());
}

TEST(VexProgressBar, PositionTextIsPrefixNumberSuffixCentred) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    font.setStyleStrategy(QFont::NoAntialias);
    TVexProgressBar bar;
    Plain(bar, 454, 20, TBarColorStyle::cs1Color, false);
    bar.SetBackgroundColor(kWhite);
    QPalette palette = bar.palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    bar.setPalette(palette);
    bar.setFont(font);
    bar.SetPosTextPrefix(QStringLiteral("ИТОГ "));
    bar.SetPosTextSuffix(QStringLiteral("%"));
    bar.SetMax(8);
    bar.SetPosition(7);
    bar.SetMin(7);  // only the background under the text
    bar.SetShowPosText(true);
    const QImage image = Render(bar);

    // Qt's own centring gives the place; the same text drawn from a whole-pixel
    // pen position gives the exact glyphs. The number is the position, not a percentage.
    const QString text = QStringLiteral("ИТОГ 7%");
    QImage centred(454, 20, QImage::Format_RGB32), glyphs(454, 40, QImage::Format_RGB32);
    for (QImage* target : {&centred, &glyphs}) {
        target->fill(Qt::white);
        QPainter p(target);
        p.setFont(font);
        p.setPen(Qt::black);
        if (target == &centred) p.drawText(target->rect(), Qt::AlignCenter, text);
        else p.drawText(10, 20, text);
    }
    const QRect ink = InkBox(image, qRgb(255, 255, 255));
    const QRect place = InkBox(centred, qRgb(255, 255, 255));
    const QRect shape = InkBox(glyphs, qRgb(255, 255, 255));
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LE(std::abs(ink.left() - place.left()), 1);
    EXPECT_LE(std::abs(ink.top() - place.top()), 1);
    ASSERT_EQ(ink.size(), shape.size());
    for (int y = 0; y < ink.height(); ++y)
        for (int x = 0; x < ink.width(); ++x)
            ASSERT_EQ(Px(image, ink.left() + x, ink.top() + y), Px(glyphs, shape.left() + x, shape.top() + y))
                << x << "," << y;
}

TEST(VexProgressBar, SystemColoursFollowThePalette) {
    struct Case { QPalette::ColorRole role; std::function<void(TVexProgressBar&)> use; QPoint probe; };
    const std::vector<Case> cases{
        {QPalette::Button, [](TVexProgressBar& b) { b.SetBackgroundColor(clBtnFace); }, {5, 5}},
        {QPalette::Dark, [](TVexProgressBar& b) { b.SetBorderColor1(clBtnShadow); }, {0, 0}},
        {QPalette::Light, [](TVexProgressBar& b) { b.SetBorderColor2(clBtnHighlight); }, {9, 9}},
        {QPalette::Shadow, [](TVexProgressBar& b) { b.SetBackgroundColor(cl3DDkShadow); }, {5, 5}},
    };
    for (const Case& c : cases) {
        QWidget parent;
        auto* bar = new TVexProgressBar(&parent);
        Plain(*bar, 10, 10, TBarColorStyle::cs1Color, true);
        c.use(*bar);
        ShowExposed(parent);
        for (QColor color : {QColor(11, 22, 33), QColor(200, 100, 50)}) {
            QPalette palette = parent.palette();
            palette.setColor(c.role, color);
            const int paints = TVexProgressBarProbe::PaintCount(*bar);
            parent.setPalette(palette);  // a theme change reaches the bar through its parent
            EXPECT_GT(TVexProgressBarProbe::PaintCount(*bar), paints);
            EXPECT_EQ(Px(TVexProgressBarProbe::OffscreenBuffer(*bar), c.probe.x(), c.probe.y()), color.rgb()) << "role " << c.role;
        }
    }
}

TEST(VexProgressBar, ApplicationThemeChangeReachesTheBar) {
    TVexProgressBar bar;
    Plain(bar, 10, 10, TBarColorStyle::cs1Color, false);
    bar.SetBackgroundColor(clBtnFace);
    ShowExposed(bar);
    const QPalette saved = QApplication::palette();
    QPalette theme = saved;
    theme.setColor(QPalette::Button, QColor(1, 2, 3));
    QApplication::setPalette(theme);
    QApplication::processEvents();  // the theme reaches widgets as an event
    const QRgb shown = Px(TVexProgressBarProbe::OffscreenBuffer(bar), 5, 5);
    QApplication::setPalette(saved);
    EXPECT_EQ(shown, qRgb(1, 2, 3));
}

TEST(VexProgressBar, EverySetterRepaintsAtOnceWithANewGradient) {
    const std::vector<std::pair<const char*, std::function<void(TVexProgressBar&)>>> setters{
        {"Min", [](TVexProgressBar& b) { b.SetMin(b.Min()); }},
        {"Max", [](TVexProgressBar& b) { b.SetMax(b.Max()); }},
        {"Direction", [](TVexProgressBar& b) { b.SetDirection(b.Direction()); }},
        {"BarColorStyle", [](TVexProgressBar& b) { b.SetBarColorStyle(b.BarColorStyle()); }},
        {"BarColor1", [](TVexProgressBar& b) { b.SetBarColor1(b.BarColor1()); }},
        {"BarColor2", [](TVexProgressBar& b) { b.SetBarColor2(b.BarColor2()); }},
        {"BarColor3", [](TVexProgressBar& b) { b.SetBarColor3(b.BarColor3()); }},
        {"BackgroundColor", [](TVexProgressBar& b) { b.SetBackgroundColor(b.BackgroundColor()); }},
        {"BorderColor1", [](TVexProgressBar& b) { b.SetBorderColor1(b.BorderColor1()); }},
        {"BorderColor2", [](TVexProgressBar& b) { b.SetBorderColor2(b.BorderColor2()); }},
        {"ShowBorder", [](TVexProgressBar& b) { b.SetShowBorder(b.ShowBorder()); }},
        {"ShowPosText", [](TVexProgressBar& b) { b.SetShowPosText(b.ShowPosText()); }},
        {"PosTextPrefix", [](TVexProgressBar& b) { b.SetPosTextPrefix(b.PosTextPrefix()); }},
        {"PosTextSuffix", [](TVexProgressBar& b) { b.SetPosTextSuffix(b.PosTextSuffix()); }},
        {"BarBitmap", [](TVexProgressBar& b) { b.SetBarBitmap(b.BarBitmap()); }},
    };
    TVexProgressBar bar;
    ShowExposed(bar);
    for (const auto& [name, set] : setters) {
        const int paints = TVexProgressBarProbe::PaintCount(bar), builds = TVexProgressBarProbe::GradientBuildCount(bar);
        set(bar);
        EXPECT_EQ(TVexProgressBarProbe::PaintCount(bar), paints + 1) << name;
        EXPECT_EQ(TVexProgressBarProbe::GradientBuildCount(bar), builds + 1) << name;
    }
}

TEST(VexProgressBar, PositionChangeReusesGradientAndDropsEqualOrOutOfRange) {
    TVexProgressBar bar;
    bar.resize(454, 20);
    bar.SetMin(10);
    bar.SetMax(20);
    ShowExposed(bar);
    bar.SetPosition(15);
    const int paints = TVexProgressBarProbe::PaintCount(bar), builds = TVexProgressBarProbe::GradientBuildCount(bar);
    for (int dropped : {15, 21, 9, INT_MAX, INT_MIN}) {
        bar.SetPosition(dropped);
        EXPECT_EQ(bar.Position(), 15) << dropped;
    }
    EXPECT_EQ(TVexProgressBarProbe::PaintCount(bar), paints);

    for (int position : {20, 10, 11}) {
        bar.SetPosition(position);
        EXPECT_EQ(bar.Position(), position);
    }
    EXPECT_EQ(TVexProgressBarProbe::PaintCount(bar), paints + 3);
    EXPECT_EQ(TVexProgressBarProbe::GradientBuildCount(bar), builds);
    // What a position change left on screen equals a full repaint.
    const QImage onScreen = TVexProgressBarProbe::OffscreenBuffer(bar).copy();
    EXPECT_EQ(Render(bar), onScreen);
    EXPECT_EQ(TVexProgressBarProbe::GradientBuildCount(bar), builds + 1);
}

TEST(VexProgressBar, PositionChangeBeforeAnyFullPaintBuildsTheGradient) {
    QWidget parent;
    parent.resize(300, 40);
    ShowExposed(parent);
    auto* bar = new TVexProgressBar(&parent);  // shown after its parent: no paint yet
    bar->SetShowPosText(false);
    bar->SetShowBorder(false);
    bar->SetBarColorStyle(TBarColorStyle::cs2Colors);
    bar->SetBarColor2(kWhite);
    bar->show();
    ASSERT_EQ(TVexProgressBarProbe::PaintCount(*bar), 0);
    bar->SetPosition(100);
    ASSERT_EQ(TVexProgressBarProbe::PaintCount(*bar), 1);
    EXPECT_EQ(TVexProgressBarProbe::GradientBuildCount(*bar), 1);
    EXPECT_EQ(Px(TVexProgressBarProbe::OffscreenBuffer(*bar), 0, 5), QColor(0, 128, 0).rgb());
    EXPECT_EQ(Px(TVexProgressBarProbe::OffscreenBuffer(*bar), 199, 5), Rgb(kWhite));
}

TEST(VexProgressBar, StaleGradientIsRebuiltByAPositionChange) {
    TVexProgressBar bar;
    Plain(bar, 20, 6, TBarColorStyle::cs2Colors, false);
    ShowExposed(bar);
    bar.setUpdatesEnabled(false);
    bar.SetBarColor1(kGrey);  // cannot paint now
    bar.setUpdatesEnabled(true);
    bar.SetPosition(100);  // before the pending full paint arrives
    EXPECT_EQ(Px(TVexProgressBarProbe::OffscreenBuffer(bar), 0, 0), Rgb(kGrey));
}

TEST(VexProgressBar, RangeChangesKeepPositionAndClipTheBar) {
    struct Case { int min, max; int redPixels; };
    // Position 50 with a frame on a 454 bar (length 452).
    const Case cases[] = {
        {0, 30, 452},            // Max lowered below the position: full
        {60, 100, 0},            // Min raised above the position: empty
        {50, 50, 0},             // empty range at the position: empty
        {0, 0, 452},             // empty range below the position: full, no division by zero
        {40, 40, 452},
        {INT_MIN, INT_MAX, 226}, // no overflow on the widest range
    };
    for (const Case& c : cases) {
        TVexProgressBar bar;
        Plain(bar, 454, 20, TBarColorStyle::cs1Color, true);
        bar.SetPosition(50);
        bar.SetMin(c.min);
        bar.SetMax(c.max);
        EXPECT_EQ(bar.Position(), 50);
        EXPECT_EQ(CountInRow(Render(bar), 10, Rgb(kRed)), c.redPixels) << c.min << ".." << c.max;
    }
}

TEST(VexProgressBar, FontChangeThroughParentRepaintsWithTheNewFont) {
    QWidget parent;
    auto* bar = new TVexProgressBar(&parent);
    Plain(*bar, 200, 40, TBarColorStyle::cs1Color, false);
    bar->SetBackgroundColor(kWhite);
    bar->SetShowPosText(true);
    ShowExposed(parent);
    QFont small = parent.font(), large = parent.font();
    small.setPixelSize(8);
    large.setPixelSize(30);
    parent.setFont(small);
    const int smallHeight = InkBox(TVexProgressBarProbe::OffscreenBuffer(*bar), Rgb(kWhite)).height();
    const int paints = TVexProgressBarProbe::PaintCount(*bar);
    parent.setFont(large);
    EXPECT_GT(TVexProgressBarProbe::PaintCount(*bar), paints);
    const int largeHeight = InkBox(TVexProgressBarProbe::OffscreenBuffer(*bar), Rgb(kWhite)).height();
    EXPECT_GT(smallHeight, 0);
    EXPECT_GT(largeHeight, smallHeight * 2);
}

TEST(VexProgressBar, DegenerateSizesDoNotFail) {
    for (QSize size : {QSize(0, 20), QSize(20, 0), QSize(1, 1), QSize(2, 2)}) {
        for (TProgressDirection d : {TProgressDirection::pdLeftToRight, TProgressDirection::pdRightToLeft, TProgressDirection::pdBottomToTop, TProgressDirection::pdTopToBottom}) {
            TVexProgressBar bar;
            bar.resize(size);
            bar.SetDirection(d);
            bar.SetPosition(50);
            const QImage image = Render(bar);
            if (!size.isEmpty()) {
                EXPECT_EQ(image.size(), size);
            }
        }
    }
}
