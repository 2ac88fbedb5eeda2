// Demo of the progress bar: every direction and colour style, a tiled picture
// and the run's own set-up, saved as a PNG for a look by eye.
//   bench_progress_bar_demo [out.png]    (default: progress_bar_demo.png)
#include "widgets/vex_progress_bar.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include <cstdio>

using namespace zorbex;

namespace {

QImage Tile() {
    QImage tile(16, 16, QImage::Format_RGB32);
    tile.fill(QColor(40, 90, 200));
    QPainter p(&tile);
    p.fillRect(0, 0, 8, 8, QColor(240, 200, 40));
    p.fillRect(8, 8, 8, 8, QColor(240, 200, 40));
    p.fillRect(0, 0, 16, 1, Qt::black);
    p.fillRect(0, 0, 1, 16, Qt::black);
    return tile;
}

void Label(QWidget* parent, int x, int y, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("progress_bar_demo.png");

    QWidget window;
    window.resize(760, 510);
    window.setWindowTitle(QStringLiteral("TVexProgressBar"));

    struct Row { const char* name; TBarColorStyle style; bool picture; };
    const Row rows[] = {{"cs1Color", TBarColorStyle::cs1Color, false},
                        {"cs2Colors", TBarColorStyle::cs2Colors, false},
                        {"cs3Colors", TBarColorStyle::cs3Colors, false},
                        {"BarBitmap 16 x 16", TBarColorStyle::cs3Colors, true}};
    int y = 10;
    for (const Row& row : rows) {
        Label(&window, 10, y, QString::fromLatin1(row.name));
        const TProgressDirection directions[] = {TProgressDirection::pdLeftToRight, TProgressDirection::pdRightToLeft, TProgressDirection::pdBottomToTop, TProgressDirection::pdTopToBottom};
        const char* names[] = {"pdLeftToRight 60", "pdRightToLeft 60", "pdBottomToTop 60", "pdTopToBottom 60"};
        for (int d = 0; d < 4; ++d) {
            auto* bar = new TVexProgressBar(&window);
            const bool horizontal = d < 2;
            if (horizontal) bar->setGeometry(150, y + d * 50, 300, 20);
            else bar->setGeometry(500 + (d - 2) * 130, y, 24, 90);
            bar->SetDirection(directions[d]);
            bar->SetBarColorStyle(row.style);
            if (row.picture) bar->SetBarBitmap(Tile());
            bar->SetShowPosText(horizontal);
            bar->SetPosition(60);
            if (horizontal) Label(&window, 150, y + d * 50 + 22, QString::fromLatin1(names[d]));
            else Label(&window, 530 + (d - 2) * 130, y + 40, QString::fromLatin1(names[d]).replace(' ', '\n'));
        }
        y += 110;
    }

    Label(&window, 10, y, QStringLiteral("bar_total, 454 x 20, as the run sets it up, with the text shown"));
    auto* total = new TVexProgressBar(&window);
    total->setGeometry(10, y + 20, 454, 20);
    total->SetBarColor1(clBtnFace);
    total->SetBarColor2(cl3DDkShadow);
    total->SetBarColor3(cl3DDkShadow);
    total->SetBarColorStyle(TBarColorStyle::cs2Colors);
    total->SetPosTextPrefix(QStringLiteral("ИТОГ "));
    total->SetPosition(70);

    window.show();
    QApplication::processEvents();
    const QPixmap shot = window.grab();
    if (!shot.save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s: %d x %d, device pixel ratio %.1f\n", qPrintable(out), shot.width(), shot.height(),
                shot.devicePixelRatio());
    return 0;
}
