// A full run through the window (offscreen: editors loaded for every
// definition, the log, the bars, the event loop at every folder) against the
// same run with a host that shows nothing, on the same definitions: 20
// playlists over "part 0" .. "part 19" of a tree from make_tree.py and 3
// unions. bench/window_run.sh makes the tree and runs it.
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "silent_dialogs.h"
#include "app/window_run_host.h"
#include "cli/unattended_run.h"
#include "platform/malloc_arenas.h"
#include "settings/settings_file.h"

namespace {

using zx_bench::SilentDialogs;

double Seconds(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string Settings(const std::string& tree, int playlists, int unions) {
    std::string s = "[Zor:bl]\r\nreset=0\r\noverwrite=1\r\nlog=1\r\nplaylists=" + std::to_string(playlists) +
                    "\r\nunions=" + std::to_string(unions) + "\r\n";
    for (int k = 0; k < playlists + unions; ++k) s += "item_" + std::to_string(k) + "=1\r\n";
    for (int n = 1; n <= playlists; ++n)
        s += "[Zor:bl:Playlist:" + std::to_string(n) + "]\r\nfile=p" + std::to_string(n) + ".m3u\r\nmask=*.mp3;*.flac\r\npath=" +
             tree + "/part " + std::to_string(n - 1) + "\r\nsubfolders=1\r\nfullpath=1\r\n";
    // Consecutive runs of playlists, the last union taking the rest.
    const int per = playlists / unions;
    for (int m = 1; m <= unions; ++m) {
        s += "[Zor:bl:Union:" + std::to_string(m) + "]\r\nfile=u" + std::to_string(m) + ".m3u\r\n";
        for (int j = 0; j < playlists; ++j) {
            const bool member = j / per + 1 == m || (m == unions && j / per + 1 > unions);
            s += "unite_" + std::to_string(j) + "=" + (member ? "1" : "0") + "\r\n";
        }
    }
    return s;
}

// The window's host, with the time spent in what only the window does.
class TimedHost : public zorbex::TWindowRunHost {
public:
    using TWindowRunHost::TWindowRunHost;
    double yield = 0, load = 0, view = 0;
    int yields = 0;

    zorbex::PlaylistDefinition LoadPlaylist(int n) override {
        zorbex::PlaylistDefinition d;
        load += Seconds([&] { d = TWindowRunHost::LoadPlaylist(n); });
        return d;
    }
    zorbex::UnionDefinition LoadUnion(int m) override {
        zorbex::UnionDefinition d;
        load += Seconds([&] { d = TWindowRunHost::LoadUnion(m); });
        return d;
    }
    void Yield() override {
        ++yields;
        yield += Seconds([&] { TWindowRunHost::Yield(); });
    }
    // The log and the redraws around its first lines.
    void Started() override { view += Seconds([&] { TWindowRunHost::Started(); }); }
    void LogLine(const std::string& line) override { view += Seconds([&] { TWindowRunHost::LogLine(line); }); }
    void PhaseStarted(zorbex::RunPhase phase, int count) override {
        view += Seconds([&] { TWindowRunHost::PhaseStarted(phase, count); });
    }
};

}  // namespace

int main(int argc, char** argv) {
    zorbex::LimitMallocArenas();  // as the program does
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s TREE [ROUNDS]\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string tree = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    char pattern[] = "/tmp/zorbex-window-bench-XXXXXX";
    const std::string programDir = std::string(mkdtemp(pattern)) + "/";
    {
        const std::string text = Settings(tree, 20, 3);
        FILE* f = std::fopen(zorbex::SettingsPath(programDir).c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }

    int qargc = 1;
    QApplication app(qargc, argv);
    SilentDialogs dialogs;
    const zorbex::AppContext context{programDir, dialogs};
    zorbex::Tfrm_zorbl window(context);
    window.FormCreate({});
    window.show();
    QApplication::processEvents();

    std::vector<double> engine, shown;
    std::string engineLog;
    for (int r = 0; r < rounds; ++r) {
        engine.push_back(Seconds([&] {
            std::ostringstream log, errors;
            zorbex::UnattendedHost host(zorbex::ProgramPlaces(programDir), log, errors);
            zorbex::Run(host, zorbex::ProgramPlaces(programDir));
            engineLog = log.str();
        }));
        shown.push_back(Seconds([&] { window.btn_startClick(); }));
    }
    // Where the window's time goes, in one more run.
    TimedHost timed(window);
    const double whole = Seconds([&] { zorbex::Run(timed, zorbex::ProgramPlaces(programDir)); });
    std::printf("window_parts_s whole %.3f editors %.3f yield %.3f log_redraw %.3f\n", whole, timed.load,
                timed.yield, timed.view);
    // What a full pass of the event loop at every folder would cost at the
    // least: as many passes with nothing to do, taken in a loop.
    const double empty = Seconds([&] {
        for (int k = 0; k < timed.yields; ++k) QCoreApplication::processEvents();
    });
    const std::string windowLog = window.processPage().LogText().toStdString() + "\n";
    if (windowLog != engineLog) {
        std::fprintf(stderr, "the two runs logged differently:\n%s\n---\n%s", engineLog.c_str(), windowLog.c_str());
        return 1;
    }
    std::sort(engine.begin(), engine.end());
    std::sort(shown.begin(), shown.end());
    std::printf("engine_best_s %.3f\nengine_median_s %.3f\n", engine.front(), engine[engine.size() / 2]);
    std::printf("window_best_s %.3f\nwindow_median_s %.3f\n", shown.front(), shown[shown.size() / 2]);
    const double engineMedian = engine[engine.size() / 2];
    std::printf("ratio_best %.3f\nratio_median %.3f\n", shown.front() / engine.front(),
                shown[shown.size() / 2] / engineMedian);
    std::printf("yields %d full_passes_s %.3f full_pass_floor_ratio %.3f\n", timed.yields, empty,
                (engineMedian + empty) / engineMedian);
    [[maybe_unused]] const int removed = std::system(("rm -rf '" + programDir + "'").c_str());
    return 0;
}
