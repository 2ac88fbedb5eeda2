// What the watch's checks cost on a tree: every folder below TREE armed as
// one definition's walk arms it (one definition per top folder) and read
// as the watch reads it once the first run is over, then the
// check of everything (the hourly one, and the poll's work when nothing can
// be watched) on the unchanged tree, and again after a file was added in
// one folder (which that folder's listing finds). CPU and wall time, the
// median of ROUNDS (default 5).
// Usage: bench_watch_check TREE [ROUNDS]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "cli/folder_watch.h"

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Cost {
    double wall = 0;
    double cpu = 0;
};

template <typename F>
Cost Measure(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    f();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), CpuSeconds() - cpu};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_watch_check TREE [ROUNDS]\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path tree = fs::absolute(argv[1]);
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    std::map<std::string, std::vector<std::string>> definitions;  // top folder: its folders
    for (const auto& top : fs::directory_iterator(tree)) {
        if (!top.is_directory()) continue;
        auto& folders = definitions[top.path().string()];
        folders.push_back(top.path().string() + "/");
        for (const auto& e : fs::recursive_directory_iterator(top.path())) {
            if (e.is_directory()) folders.push_back(e.path().string() + "/");
        }
    }
    zorbex::FolderWatch watch;
    size_t count = 0;
    const Cost armed = Measure([&] {
        int n = 0;
        for (const auto& [top, folders] : definitions) {
            watch.SetFolders(++n, folders);
            count += folders.size();
        }
        watch.WatchCount();  // what the walks armed is noted here, as after a run
    });
    zorbex::FolderWatch::Changes unseen;
    const Cost read = Measure([&] { watch.ReadPending(unseen); });
    std::printf(
        "folders armed: %zu in %zu definitions, %zu inotify watches; arming: %.2f s (%.2f s CPU),"
        " reading them after the run: %.2f s (%.2f s CPU)\n",
        count, definitions.size(), watch.WatchCount(), armed.wall, armed.cpu, read.wall, read.cpu);

    std::vector<double> wall, cpu, wallChanged, cpuChanged;
    const std::string changed = definitions.begin()->second.back() + "added by the benchmark.mp3";
    for (int r = 0; r < rounds; ++r) {
        const Cost quiet = Measure([&] { watch.Check(true); });
        wall.push_back(quiet.wall);
        cpu.push_back(quiet.cpu);
        if (r % 2 == 0) {
            std::ofstream(changed).put('\n');
        } else {
            fs::remove(changed);
        }
        const Cost moved = Measure([&] {
            if (watch.Check(true).definitions.size() != 1) std::fprintf(stderr, "the change was not found\n");
        });
        wallChanged.push_back(moved.wall);
        cpuChanged.push_back(moved.cpu);
        watch.Read();
    }
    fs::remove(changed);
    std::printf("check of everything, nothing changed: %.3f s (%.3f s CPU)\n", Median(wall), Median(cpu));
    std::printf("check of everything, one folder changed: %.3f s (%.3f s CPU)\n", Median(wallChanged),
                Median(cpuChanged));
    return 0;
}
