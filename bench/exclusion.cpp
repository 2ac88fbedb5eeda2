// One playlist of 1,000,000 lines built with and without an exclusion list of
// 100,000 entries, in alternating rounds on the same tree; prints the best and
// median time of each and their ratio. bench/exclusion.sh runs it.
//   bench_exclusion --make-tree TREE   1,000 folders of 1,000 empty files
//   bench_exclusion TREE [ROUNDS]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/playlist_builder.h"
#include "platform/malloc_arenas.h"

namespace {

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 1000;

std::string FolderName(int f) { return "folder " + std::to_string(1000 + f); }
std::string FileName(int f, int i) { return "song " + std::to_string(1000 + f) + "-" + std::to_string(1000 + i) + ".mp3"; }

int MakeTree(const std::string& root) {
    if (::mkdir(root.c_str(), 0755) != 0) {
        std::perror(root.c_str());
        return 1;
    }
    for (int f = 0; f < kFolders; ++f) {
        const std::string dir = root + "/" + FolderName(f);
        if (::mkdir(dir.c_str(), 0755) != 0) return 1;
        for (int i = 0; i < kFilesPerFolder; ++i) {
            const int fd = ::open((dir + "/" + FileName(f, i)).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd < 0) return 1;
            ::close(fd);
        }
    }
    return 0;
}

// Half the entries name a file of the tree (one in ten, in another folder
// spelling), half name nothing there.
std::vector<std::string> Entries() {
    std::vector<std::string> entries;
    entries.reserve(100000);
    for (int k = 0; k < 50000; ++k) {
        const int f = k / 50, i = (k % 50) * 20;
        entries.push_back((k % 2 ? "/elsewhere/" : "") + FileName(f, i));
        entries.push_back("missing " + std::to_string(k) + ".mp3");
    }
    return entries;
}

double Seconds(zorbex::PlaylistDefinition& def, zorbex::BuildContext& context, zorbex::BuildResult& result) {
    const auto start = std::chrono::steady_clock::now();
    result = zorbex::BuildPlaylist(def, true, true, context);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    zorbex::LimitMallocArenas();  // as the program does
    if (argc >= 3 && std::string(argv[1]) == "--make-tree") return MakeTree(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s --make-tree TREE | %s TREE [ROUNDS]\n", argv[0], argv[0]);
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    char out[] = "/tmp/zorbex-bench-exclusion-XXXXXX";
    if (!::mkdtemp(out)) return 1;

    zorbex::PlaylistDefinition plain;
    plain.path = argv[1];
    plain.file = std::string(out) + "/list.m3u";
    plain.mask = "*.mp3";
    zorbex::PlaylistDefinition excluding = plain;
    excluding.ignore_use = true;
    excluding.ignore = Entries();

    zorbex::OccupiedList occupied;
    zorbex::BuildContext context;
    context.places = zorbex::ProgramPlaces(std::string(out) + "/");
    context.occupied = &occupied;
    std::vector<double> plainTimes, excludingTimes;
    zorbex::BuildResult plainResult, excludingResult;
    for (int r = 0; r < rounds; ++r) {
        plainTimes.push_back(Seconds(plain, context, plainResult));
        excludingTimes.push_back(Seconds(excluding, context, excludingResult));
    }
    ::unlink(plain.file.c_str());
    ::rmdir(out);
    if (plainResult.outcome != zorbex::BuildOutcome::kWritten ||
        excludingResult.outcome != zorbex::BuildOutcome::kWritten) {
        std::fprintf(stderr, "a build failed\n");
        return 1;
    }
    std::sort(plainTimes.begin(), plainTimes.end());
    std::sort(excludingTimes.begin(), excludingTimes.end());
    std::printf("lines %lld\nentries %zu\nexcluded %lld\n", static_cast<long long>(plainResult.found),
                excluding.ignore.size(), static_cast<long long>(excludingResult.excluded));
    std::printf("plain_best_s %.3f\nplain_median_s %.3f\n", plainTimes.front(), plainTimes[plainTimes.size() / 2]);
    std::printf("excluding_best_s %.3f\nexcluding_median_s %.3f\n", excludingTimes.front(),
                excludingTimes[excludingTimes.size() / 2]);
    return 0;
}
