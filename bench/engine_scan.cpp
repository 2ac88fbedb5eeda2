// Builds one playlist definition (subfolders on, full paths) over a folder
// tree and prints the time of each round, the lines written and peak memory.
// bench/engine_scan.sh runs it against find | sort on the same tree.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/playlist_builder.h"
#include "platform/malloc_arenas.h"

int main(int argc, char** argv) {
    zorbex::LimitMallocArenas();  // as the program does
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TREE OUTPUT.m3u [MASK] [ROUNDS]\n", argv[0]);
        return 2;
    }
    zorbex::PlaylistDefinition def;
    def.path = argv[1];
    def.file = argv[2];
    def.mask = argc > 3 ? argv[3] : "*.mp3;*.flac";
    const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;

    zorbex::OccupiedList occupied;
    std::vector<std::string> log;
    zorbex::BuildContext context;
    context.places = zorbex::ProgramPlaces("/tmp/");
    context.occupied = &occupied;
    context.log = [&](const std::string& line) { log.push_back(line); };

    std::vector<double> times;
    zorbex::BuildResult result;
    for (int r = 0; r < rounds; ++r) {
        log.clear();
        const auto start = std::chrono::steady_clock::now();
        result = zorbex::BuildPlaylist(def, true, true, context);
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        times.push_back(spent.count());
    }
    if (result.outcome != zorbex::BuildOutcome::kWritten) {
        for (const auto& l : log) std::fprintf(stderr, "%s\n", l.c_str());
        return 1;
    }
    std::sort(times.begin(), times.end());
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("engine_lines %lld\n", static_cast<long long>(result.found - result.excluded));
    std::printf("engine_best_s %.3f\nengine_median_s %.3f\n", times.front(), times[times.size() / 2]);
    std::printf("engine_peak_rss_mb %.1f\n", usage.ru_maxrss / 1024.0);
    return 0;
}
