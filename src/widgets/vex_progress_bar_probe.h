#pragma once
// What tests and benchmarks measure of a TVexProgressBar, kept out of the
// bar's own interface: the off-screen buffer as last painted, how many
// paints ran and how often the gradient image was built.
#include <QImage>

#include "widgets/vex_progress_bar.h"

namespace zorbex {

struct TVexProgressBarProbe {
    static const QImage& OffscreenBuffer(const TVexProgressBar& bar) { return bar.buffer_; }
    static int PaintCount(const TVexProgressBar& bar) { return bar.paintCount_; }
    static int GradientBuildCount(const TVexProgressBar& bar) { return bar.gradientBuildCount_; }
};

}  // namespace zorbex
