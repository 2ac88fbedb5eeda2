// The limits of a build, each at its figure: folder nesting and path length
// up to the system's limit, exclusion lists of 100,000 entries, playlists and
// unions of 1,000,000 lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <climits>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/playlist_builder.h"
#include "engine/union_builder.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace zorbex {
namespace {

using zx_test::MakeDirs;
using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;
using Lines = std::vector<std::string>;

Lines Written(int64_t found, int64_t excluded) {
    return {"   файлов найдено: " + std::to_string(found), "   исключено: " + std::to_string(excluded), "   ок"};
}

std::string Playlist(const Lines& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\r\n";
    return s;
}

// Runs fn on a thread with a stack of only 512 KiB and gives back its result.
std::string OnSmallStack(const std::function<std::string()>& fn) {
    struct Job {
        const std::function<std::string()>* fn;
        std::string out;
    } job{&fn, {}};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, size_t{512} << 10);
    pthread_t thread;
    const auto body = [](void* p) -> void* {
        auto* j = static_cast<Job*>(p);
        j->out = (*j->fn)();
        return nullptr;
    };
    if (pthread_create(&thread, &attr, body, &job) != 0) return "no thread";
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    return job.out;
}

class LimitsTest : public ::testing::Test {
protected:
    LimitsTest() {
        MakeDirs(prog());
        context.places = ProgramPlaces(prog());
        context.occupied = &occupied;
        context.log = [this](const std::string& line) { log.push_back(line); };
    }

    std::string prog() const { return t / "prog/"; }

    PlaylistDefinition Def(const std::string& folder, std::string mask = "*.mp3") {
        PlaylistDefinition d;
        d.file = "list.m3u";
        d.path = folder;
        d.mask = std::move(mask);
        return d;
    }

    BuildResult Build(const PlaylistDefinition& d) {
        log.clear();
        return BuildPlaylist(d, true, true, context);
    }

    std::string Output() const { return ReadFile(prog() + "list.m3u"); }

    TempDir t;
    OccupiedList occupied;
    BuildContext context;
    Lines log;
};

// A folder named pad, then a chain of folders named "d" below it, with one
// file at the bottom. Made and removed through descriptors, since the deepest
// paths are longer than the system lets anyone name.
class Chain {
public:
    Chain(std::string root, std::string pad, int depth) : root_(std::move(root)), pad_(std::move(pad)) {
        std::vector<int> fds = Open(0);
        for (int i = 0; i <= depth; ++i) {
            const char* name = i == 0 ? pad_.c_str() : "d";
            ::mkdirat(fds.back(), name, 0755);
            fds.push_back(::openat(fds.back(), name, O_RDONLY | O_DIRECTORY));
            if (fds.back() < 0) break;
            ++levels_;
        }
        if (fds.back() >= 0) ::close(::openat(fds.back(), "f.mp3", O_WRONLY | O_CREAT, 0644));
        for (int fd : fds)
            if (fd >= 0) ::close(fd);
    }
    ~Chain() {
        std::vector<int> fds = Open(levels_);
        while (fds.size() > 1) {
            ::unlinkat(fds.back(), "f.mp3", 0);
            ::close(fds.back());
            fds.pop_back();
            ::unlinkat(fds.back(), fds.size() == 1 ? pad_.c_str() : "d", AT_REMOVEDIR);
        }
        ::close(fds[0]);
    }
    // One more folder at the bottom.
    void Deepen() {
        std::vector<int> fds = Open(levels_);
        if (fds.back() >= 0 && ::mkdirat(fds.back(), "d", 0755) == 0) ++levels_;
        for (int fd : fds)
            if (fd >= 0) ::close(fd);
    }

private:
    // The root and the first `levels` folders below it, as descriptors.
    std::vector<int> Open(int levels) const {
        std::vector<int> fds{::open(root_.c_str(), O_RDONLY | O_DIRECTORY)};
        for (int i = 0; i < levels && fds.back() >= 0; ++i) {
            const int next = ::openat(fds.back(), i == 0 ? pad_.c_str() : "d", O_RDONLY | O_DIRECTORY);
            if (next < 0) break;
            fds.push_back(next);
        }
        return fds;
    }

    std::string root_, pad_;
    int levels_ = 0;
};

// The walk takes every folder whose path the system accepts: PATH_MAX - 1
// bytes (4095 on Linux), which with one-letter names is more than 2,000
// levels of nesting, whatever the size of the thread's stack. A line may be longer still, since names are listed,
// not opened. One level further is logged and nothing is written.
TEST_F(LimitsTest, DeepestNestingAndLongestPath) {
    const std::string root = t / "m/";
    MakeDirs(root);
    const size_t longest = PATH_MAX - 1;
    const std::string pad((longest - root.size() - 1) % 2 == 0 ? 2 : 1, 'p');
    const int depth = static_cast<int>((longest - root.size() - pad.size() - 1) / 2);
    ASSERT_GT(depth, 2000);
    Chain chain(root, pad, depth);
    std::string deepest = root + pad + "/";
    for (int i = 0; i < depth; ++i) deepest += "d/";
    ASSERT_EQ(deepest.size(), longest);
    const std::string longName = std::string(NAME_MAX - 4, 'n') + ".mp3";
    WriteFile(root + longName, "");
    WriteFile(prog() + "list.m3u", "old\r\n");

    // The depth costs the walk no stack: a small thread stack holds it.
    auto logged = zx_test::RunInChild([&] {
        return OnSmallStack([&] {
            const auto open = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
            const auto before = open();
            Build(Def(root));
            // Every folder held open on the way down is closed again.
            if (open() != before) log.push_back("descriptors left open");
            return Playlist(log);
        });
    });
    ASSERT_TRUE(logged.has_value()) << "the walk died on a 512 KiB stack";
    EXPECT_EQ(*logged, Playlist(Written(2, 0)));
    EXPECT_EQ(Output(), Playlist({root + longName, deepest + "f.mp3"}));

    chain.Deepen();
    EXPECT_EQ(Build(Def(root)).outcome, BuildOutcome::kFolderNotFound);
    EXPECT_EQ(log, Lines{"   каталог «" + deepest + "d/» не найден"});
    EXPECT_EQ(Output(), Playlist({root + longName, deepest + "f.mp3"}));
}

// The described rule, literally: each entry in list order scans every line
// and removes each line whose file-name part equals the entry's.
int64_t ExcludeOneByOne(Lines& lines, const Lines& entries) {
    const auto namePart = [](const std::string& s) { return s.substr(s.rfind('/') + 1); };
    int64_t removed = 0;
    for (const std::string& x : entries) {
        for (size_t i = 0; i < lines.size();) {
            if (namePart(lines[i]) == namePart(x)) {
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
                ++removed;
            } else {
                ++i;
            }
        }
    }
    return removed;
}

// Random trees and lists over a small alphabet, so that names collide often.
TEST_F(LimitsTest, ExclusionGivesWhatTheListOrderRuleGives) {
    std::mt19937 rng(20261207);
    const auto name = [&] {
        static const std::string letters = "aAbB:\\. ";
        std::string n(1 + rng() % 3, 'a');
        for (char& c : n) c = letters[rng() % letters.size()];
        return n + ".mp3";
    };
    for (int round = 0; round < 12; ++round) {
        const std::string root = t / ("r" + std::to_string(round) + "/");
        for (int i = 0; i < 40; ++i) WriteFile(root + "f" + std::to_string(rng() % 4) + "/" + name(), "");
        PlaylistDefinition d = Def(root);
        d.fullpath = round % 2 == 0;
        ASSERT_EQ(Build(d).outcome, BuildOutcome::kWritten);
        Lines lines = SplitPlaylistLines(Output());

        for (int i = 0; i < 60; ++i) {
            std::string e = name();
            if (rng() % 3 == 0) e = "/some/where/" + e;
            if (rng() % 5 == 0) e = "C:\\MUSIC\\" + e;
            d.ignore.push_back(e);
        }
        if (round % 3 == 0) d.ignore.push_back(d.ignore.front());
        d.ignore_use = true;
        const int64_t expected = ExcludeOneByOne(lines, d.ignore);
        const BuildResult r = Build(d);
        EXPECT_EQ(r.excluded, expected) << "round " << round;
        EXPECT_EQ(Output(), Playlist(lines)) << "round " << round;
        d.ignore_use = false;  // the switch alone turns the list off
        EXPECT_EQ(Build(d).excluded, 0);
    }
}

// 100,000 entries against 3,000 lines: entry i names song i, some with a
// folder, some in another letter case, some with a longer name.
TEST_F(LimitsTest, ExclusionListOfAHundredThousandEntries) {
    const std::string root = t / "m/";
    const int files = 1500;
    for (const char* folder : {"x/", "y/"})
        for (int i = 0; i < files; ++i) WriteFile(root + folder + "song" + std::to_string(i) + ".mp3", "");
    PlaylistDefinition d = Def(root);
    d.ignore_use = true;
    for (int i = 0; i < 100000; ++i) {
        const std::string song = "song" + std::to_string(i);
        switch (i % 4) {
            case 0: d.ignore.push_back(song + ".mp3"); break;
            case 1: d.ignore.push_back("/other/folder/" + song + ".mp3"); break;
            case 2: d.ignore.push_back("SONG" + std::to_string(i) + ".mp3"); break;
            default: d.ignore.push_back(song + ".mp3.bak"); break;
        }
    }
    d.ignore.push_back("song0.mp3");  // a second entry removes nothing more
    ASSERT_EQ(Build(d).outcome, BuildOutcome::kWritten);
    EXPECT_EQ(log, Written(2 * files, files));
    const Lines lines = SplitPlaylistLines(Output());
    ASSERT_EQ(lines.size(), static_cast<size_t>(files));
    for (const std::string& line : lines) {
        const int i = std::stoi(line.substr(line.rfind("song") + 4));
        EXPECT_GE(i % 4, 2) << line;
    }
}

// One folder of 1,000 files and a mask of the same pattern 1,000 times: every
// file is listed once per pattern, 1,000,000 lines.
TEST_F(LimitsTest, PlaylistOfAMillionLines) {
    const std::string root = t / "m/";
    for (int i = 0; i < 1000; ++i) WriteFile(root + std::to_string(1000 + i) + ".mp3", "");
    std::string mask = "*.mp3";
    for (int i = 1; i < 1000; ++i) mask += ";*.MP3";
    PlaylistDefinition d = Def(root, mask);
    d.fullpath = false;
    d.ignore_use = true;
    d.ignore = {"1000.mp3"};
    ASSERT_EQ(Build(d).outcome, BuildOutcome::kWritten);
    EXPECT_EQ(log, Written(1000000, 1000));
    const std::string out = Output();
    ASSERT_EQ(out.size(), size_t{999000} * 10);
    EXPECT_EQ(out.substr(0, 20), "1001.mp3\r\n1001.mp3\r\n");
    EXPECT_EQ(out.substr(out.size() - 10), "1999.mp3\r\n");
}

// A member file of 1,000,000 lines with every kind of line end, joined with
// a small one.
TEST_F(LimitsTest, UnionOfAMillionLines) {
    // Made without a string per line, which costs more than the union itself.
    std::string member, expected;
    member.reserve(size_t{20} << 20);
    expected.reserve(size_t{20} << 20);
    const char* ends[] = {"\r\n", "\n", "\r"};
    char digits[16];
    for (int i = 0; i < 1000000; ++i) {
        const std::string_view number(digits, std::to_chars(digits, digits + sizeof digits, i).ptr - digits);
        member.append("/music/").append(number).append(".mp3").append(ends[i % 3]);
        expected.append("/music/").append(number).append(".mp3\r\n");
    }
    WriteFile(prog() + "big.m3u", member);
    WriteFile(prog() + "small.m3u", "a.mp3");
    expected += "a.mp3\r\n";
    UnionContext join;
    join.places = ProgramPlaces(prog());
    join.log = [this](const std::string& line) { log.push_back(line); };
    join.loadUnion = [](int) { return UnionDefinition{"u", "all.m3u", {true, true}}; };
    join.memberFile = [](int n) { return std::string(n == 1 ? "big.m3u" : "small.m3u"); };
    const UnionResult r = BuildUnion(1, true, true, join);
    EXPECT_EQ(r.outcome, UnionOutcome::kWritten);
    EXPECT_EQ(log, (Lines{"   файлов итого: 1000001", "   объединено: 2", "   ок"}));
    EXPECT_TRUE(ReadFile(prog() + "all.m3u") == expected);
}

// A member of 32 MiB of bare line ends is 32 million empty lines. Its union
// must cost a few times the file, not a string per line (a gigabyte): the
// build runs under an address-space limit of 640 MiB.
TEST_F(LimitsTest, MemberOfEmptyLinesCostsNoStringPerLine) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer reserves more address space than the limit";
#endif
    const size_t lines = size_t{32} << 20;
    WriteFile(prog() + "empty.m3u", std::string(lines, '\n'));
    auto out = zx_test::RunInChild([&] {
        const rlimit limit{size_t{640} << 20, RLIM_INFINITY};
        if (::setrlimit(RLIMIT_AS, &limit) != 0) return std::string("no limit");
        UnionContext join;
        join.places = ProgramPlaces(prog());
        join.loadUnion = [](int) { return UnionDefinition{"u", "all.m3u", {true}}; };
        join.memberFile = [](int) { return std::string("empty.m3u"); };
        try {
            return std::to_string(BuildUnion(1, true, true, join).lines);
        } catch (const std::bad_alloc&) {
            return std::string("out of memory");
        }
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, std::to_string(lines));
    EXPECT_EQ(ReadFile(prog() + "all.m3u").size(), 2 * lines);
}

}  // namespace
}  // namespace zorbex
