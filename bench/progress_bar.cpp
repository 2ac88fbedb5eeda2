// Cost of a position change against a full repaint of a 454 x 20 progress bar.
// Both are timed in the same run, so the ratio does not depend on the machine.
#include "widgets/vex_progress_bar.h"
#include "widgets/vex_progress_bar_probe.h"

#include <QApplication>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace zorbex;

namespace {

using Clock = std::chrono::steady_clock;

// Median over rounds of the mean cost of one call, in microseconds.
double Measure(const std::function<void(int)>& step, int calls, int rounds) {
    std::vector<double> means;
    for (int r = 0; r < rounds; ++r) {
        const auto start = Clock::now();
        for (int i = 0; i < calls; ++i) step(i);
        const std::chrono::duration<double, std::micro> spent = Clock::now() - start;
        means.push_back(spent.count() / calls);
    }
    std::sort(means.begin(), means.end());
    return means[means.size() / 2];
}

void Run(const char* label, TVexProgressBar& bar) {
    const int calls = 2000, rounds = 7;
    const int paints = TVexProgressBarProbe::PaintCount(bar), builds = TVexProgressBarProbe::GradientBuildCount(bar);
    // Positions 1..100 cycling: every call is a real change.
    const double position = Measure([&](int i) { bar.SetPosition(1 + i % 100); }, calls, rounds);
    const int positionPaints = TVexProgressBarProbe::PaintCount(bar) - paints;
    const int positionBuilds = TVexProgressBarProbe::GradientBuildCount(bar) - builds;
    const double full = Measure([&](int) { bar.SetBarColor1(bar.BarColor1()); }, calls, rounds);
    std::printf("%-34s position change %8.2f us   full repaint %8.2f us   ratio %.3f"
                "   (%d paints, %d gradient builds during position changes)\n",
                label, position, full, position / full, positionPaints, positionBuilds);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    TVexProgressBar process;  // set up like the run's bars
    process.resize(454, 20);
    process.SetBarColor1(clBtnFace);
    process.SetBarColor2(cl3DDkShadow);
    process.SetBarColor3(cl3DDkShadow);
    process.SetBarColorStyle(TBarColorStyle::cs2Colors);
    process.SetShowPosText(false);

    TVexProgressBar plain;  // initial values: three colours and the position text
    plain.resize(454, 20);

    TVexProgressBar vertical;
    vertical.resize(20, 454);
    vertical.SetDirection(TProgressDirection::pdBottomToTop);
    vertical.SetShowPosText(false);

    for (QWidget* w : {static_cast<QWidget*>(&process), static_cast<QWidget*>(&plain), static_cast<QWidget*>(&vertical)}) {
        w->show();
        for (int i = 0; i < 1000 && !w->windowHandle()->isExposed(); ++i) QApplication::processEvents();
    }
    QApplication::processEvents();

    std::printf("one SetPosition against one full repaint (lower is better; a small fraction is the aim)\n");
    Run("454 x 20, cs2Colors, no text", process);
    Run("454 x 20, cs3Colors, position text", plain);
    Run("20 x 454, bottom to top, no text", vertical);
    return 0;
}
