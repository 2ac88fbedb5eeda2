// The tree scanner alone over a folder tree, every folder read at its visit
// (no readers) against folders read ahead by READERS readers from the first
// folder on (default 8), in turn in every round; prints the median of each
// and their ratio. With a warm cache this is the readers' cost; with a cold
// one (drop the page cache before each round) their gain.
// Usage: bench_walk_readers TREE [ROUNDS] [READERS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/tree_scanner.h"
#include "platform/malloc_arenas.h"

namespace {

struct Walked {
    double seconds = 0;
    uint64_t folders = 0;
    uint64_t entries = 0;
};

Walked Walk(const std::string& tree, int readers) {
    zorbex::TTreeScanner scanner;
    Walked w;
    scanner.OnDirectoryRead = [&](zorbex::TTreeScanner&, const zorbex::DirListing& listing) {
        ++w.folders;
        w.entries += listing.entries.size();
    };
    scanner.SetReadAheadThreads(readers);
    scanner.SetInitialDirectory(tree);
    const auto start = std::chrono::steady_clock::now();
    scanner.Scan();
    w.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return w;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    zorbex::LimitMallocArenas();  // as the program does
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s TREE [ROUNDS] [READERS]\n", argv[0]);
        return 2;
    }
    const std::string tree = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const int readers = argc > 3 ? std::atoi(argv[3]) : 8;

    std::vector<double> alone, ahead;
    Walked last;
    for (int r = 0; r < rounds; ++r) {
        alone.push_back(Walk(tree, 0).seconds);
        last = Walk(tree, readers);
        ahead.push_back(last.seconds);
    }
    std::printf("folders %llu entries %llu\n", static_cast<unsigned long long>(last.folders),
                static_cast<unsigned long long>(last.entries));
    std::printf("walk, no readers:   median %.3f s of %d\n", Median(alone), rounds);
    std::printf("walk, read ahead:   median %.3f s of %d\n", Median(ahead), rounds);
    std::printf("read ahead / alone: %.2f\n", Median(ahead) / Median(alone));
    return 0;
}
