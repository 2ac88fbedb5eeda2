// One figure of the window (offscreen) on a program folder prepared by
// bench/definitions.sh, printed as seconds:
//   start    creating the window and FormCreate, up to the first paint
//   process  after start-up on the options page, the user's change to the
//            process page (the list refilled), up to its paint
//   unions   the same for the unions page (the member list refreshed)
// Usage: bench_definitions_window PROGRAM_DIR start|process|unions
#include <QApplication>
#include <QTabWidget>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "app/main_window.h"
#include "silent_dialogs.h"

namespace {

using zx_bench::SilentDialogs;

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PROGRAM_DIR start|process|unions\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::string programDir = argv[1];
    if (programDir.back() != '/') programDir += '/';
    const std::string mode = argv[2];

    int qargc = 1;
    QApplication app(qargc, argv);
    SilentDialogs dialogs;
    const zorbex::AppContext context{programDir, dialogs};

    auto start = std::chrono::steady_clock::now();
    zorbex::Tfrm_zorbl window(context);
    window.FormCreate({});
    window.show();
    QApplication::processEvents();
    if (mode == "start") {
        std::printf("%.4f\n", Since(start));
        return 0;
    }

    QWidget* page = nullptr;
    if (mode == "process") page = &window.processPage();
    else if (mode == "unions") page = &window.unionPage();
    if (!page) {
        std::fprintf(stderr, "unknown figure %s\n", mode.c_str());
        return 2;
    }
    auto* pages = window.findChild<QTabWidget*>();
    pages->setCurrentWidget(&window.optionsPage());
    QApplication::processEvents();
    start = std::chrono::steady_clock::now();
    // What a click on the tab does: the page, then the handler of a change by the user.
    pages->setCurrentWidget(page);
    window.tab_baseChange();
    window.repaint();
    QApplication::processEvents();
    std::printf("%.4f\n", Since(start));
    return 0;
}
