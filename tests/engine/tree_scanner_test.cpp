#include "engine/tree_scanner.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "support/child_process.h"
#include "support/kernel_mounts.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace zorbex {
namespace {

using zx_test::MakeDirs;
using zx_test::TempDir;
using zx_test::WriteFile;
using Paths = std::vector<std::string>;

// Records every event as "found X", "file X size", "done X".
struct Recorder {
    Paths events;
    Paths found;
    int yields = 0;

    void Attach(TTreeScanner& s, bool files = false) {
        s.OnDirectoryFound = [this](TTreeScanner& t) {
            events.push_back("found " + t.FileFound());
            found.push_back(t.FileFound());
        };
        s.OnDirectoryDone = [this](TTreeScanner& t) { events.push_back("done " + t.FileFound()); };
        if (files) {
            s.OnFileFound = [this](TTreeScanner& t) {
                events.push_back("file " + t.FileFound() + " " + std::to_string(t.FileSize()));
            };
        }
        s.OnYield = [this] { ++yields; };
    }
};

Paths Walk(const std::string& start, bool recursive = true) {
    TTreeScanner s;
    Recorder r;
    r.Attach(s);
    s.SetInitialDirectory(start);
    s.SetRecursive(recursive);
    s.Scan();
    return r.found;
}

TEST(TreeScannerTest, PreOrderWithCaseInsensitiveSiblings) {
    TempDir t;
    for (const char* d : {"M/b", "M/A/z", "M/c/d", "M/B2"}) MakeDirs(t / d);
    const std::string m = t / "M";  // no final "/"
    TTreeScanner s;
    Recorder r;
    r.Attach(s);
    s.SetInitialDirectory(m);
    s.Scan();
    EXPECT_EQ(s.InitialDirectory(), m + "/");
    EXPECT_EQ(r.events, (Paths{"found " + m + "/", "found " + m + "/A/", "found " + m + "/A/z/", "done " + m + "/A/z/",
                               "done " + m + "/A/", "found " + m + "/b/", "done " + m + "/b/", "found " + m + "/B2/",
                               "done " + m + "/B2/", "found " + m + "/c/", "found " + m + "/c/d/",
                               "done " + m + "/c/d/", "done " + m + "/c/", "done " + m + "/"}));
    EXPECT_EQ(r.yields, 7);
    EXPECT_FALSE(s.SearchInProgress());
}

TEST(TreeScannerTest, KeepsTheStartSpelling) {
    TempDir t;
    MakeDirs(t / "M/a");
    EXPECT_EQ(Walk(t / "M//"), (Paths{t / "M//", t / "M//a/"}));
    EXPECT_EQ(Walk(t / "M/../M"), (Paths{t / "M/../M/", t / "M/../M/a/"}));
}

TEST(TreeScannerTest, MissingStartIsReportedOnce) {
    TempDir t;
    TTreeScanner s;
    Recorder r;
    r.Attach(s, true);
    s.SetFileMask("*");
    s.SetInitialDirectory(t / "nope");
    s.Scan();
    EXPECT_EQ(r.events, (Paths{"found " + t / "nope/", "done " + t / "nope/"}));
}

TEST(TreeScannerTest, HiddenFoldersAreNeitherReportedNorEntered) {
    TempDir t;
    MakeDirs(t / ".hidden/inner");
    MakeDirs(t / "shown");
    ASSERT_EQ(symlink("shown", (t / ".link").c_str()), 0);
    EXPECT_EQ(Walk(t.path()), (Paths{t.path(), t / "shown/"}));
}

TEST(TreeScannerTest, NonRecursiveReportsDirectSubfoldersOnly) {
    TempDir t;
    MakeDirs(t / "b/deep");
    MakeDirs(t / "A");
    EXPECT_EQ(Walk(t.path(), false), (Paths{t.path(), t / "A/", t / "b/"}));
}

TEST(TreeScannerTest, EmptyStartMeansCurrentDirectory) {
    TempDir t;
    MakeDirs(t / "sub");
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(t.path());
    const std::string cwd = std::filesystem::current_path().string() + "/";
    const Paths found = Walk("");
    std::filesystem::current_path(old);
    EXPECT_EQ(found, (Paths{cwd, cwd + "sub/"}));
}

TEST(TreeScannerTest, RelativeStartReadFromBaseKeepsRelativeSpelling) {
    TempDir t;
    MakeDirs(t / "prog/music/x");
    TTreeScanner s;
    Recorder r;
    r.Attach(s);
    s.SetBaseDirectory(t / "prog/");
    s.SetInitialDirectory("music");
    s.Scan();
    EXPECT_EQ(r.found, (Paths{"music/", "music/x/"}));
}

TEST(TreeScannerTest, FilePassReportsMatchingFilesWithSizes) {
    TempDir t;
    WriteFile(t / "b.mp3", "123");
    WriteFile(t / "A.MP3", "1");
    WriteFile(t / ".h.mp3", "12");  // every attribute counts in the file pass
    WriteFile(t / "c.txt", "");
    MakeDirs(t / "dir.mp3");
    TTreeScanner s;
    Recorder r;
    r.Attach(s, true);
    s.SetFileMask("*.mp3");
    s.SetInitialDirectory(t.path());
    s.Scan();
    EXPECT_EQ(r.events, (Paths{"found " + t.path(), "file " + t / ".h.mp3 2", "file " + t / "A.MP3 1",
                               "file " + t / "b.mp3 3", "found " + t / "dir.mp3/", "done " + t / "dir.mp3/",
                               "done " + t.path()}));
}

TEST(TreeScannerTest, LinkLoopsEndAndSiblingLinksAreFollowed) {
    TempDir t;
    MakeDirs(t / "x/in");
    MakeDirs(t / "y");
    ASSERT_EQ(symlink("..", (t / "x/up").c_str()), 0);      // back to the start
    ASSERT_EQ(symlink(".", (t / "x/self").c_str()), 0);     // to itself
    ASSERT_EQ(symlink("../y", (t / "x/toY").c_str()), 0);   // x -> y -> x
    ASSERT_EQ(symlink("../x", (t / "y/toX").c_str()), 0);
    EXPECT_EQ(Walk(t.path()), (Paths{t.path(), t / "x/", t / "x/in/", t / "x/toY/", t / "y/", t / "y/toX/",
                                     t / "y/toX/in/"}));
    // Without recursion a link to the folder itself is not reported either;
    // its parent is not on the walked path, so "up" is.
    EXPECT_EQ(Walk(t / "x/", false), (Paths{t / "x/", t / "x/in/", t / "x/toY/", t / "x/up/"}));
}

TEST(TreeScannerTest, FolderVanishingMidWalkIsReportedAndWalkGoesOn) {
    TempDir t;
    MakeDirs(t / "a");
    MakeDirs(t / "b/inner");
    MakeDirs(t / "c");
    TTreeScanner s;
    Paths events;
    std::string opened;  // what the visit says it opened: the folder itself, or a failure
    s.OnDirectoryFound = [&](TTreeScanner& x) {
        struct stat st {};
        const DirListing* at = x.FolderOpened();
        const bool same = at && stat(x.FileFound().c_str(), &st) == 0 && at->inode == st.st_ino;
        opened += !at ? "-" : !at->ok ? "x" : same && S_ISDIR(at->mode) ? "=" : "?";
        if (x.FileFound() == t / "a/") std::filesystem::remove_all(t / "b");
    };
    s.OnDirectoryRead = [&](TTreeScanner& x, const DirListing& l) {
        events.push_back(x.FileFound() + (l.ok ? " ok" : " failed"));
    };
    s.SetInitialDirectory(t.path());
    s.Scan();
    EXPECT_EQ(events, (Paths{t.path() + " ok", t / "a/ ok", t / "b/ failed", t / "c/ ok"}));
    EXPECT_EQ(opened, "==x=");
}

// A chain of folders named "d" deeper than any path the system accepts; made
// and removed through descriptors since its paths cannot be named.
class DeepChain {
public:
    DeepChain(const std::string& root, int depth) : root_(root), depth_(depth) {
        int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < depth && fd >= 0; ++i) {
            mkdirat(fd, "d", 0755);
            const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
            close(fd);
            fd = next;
        }
        if (fd >= 0) close(fd);
    }
    ~DeepChain() {
        std::vector<int> fds{open(root_.c_str(), O_RDONLY | O_DIRECTORY)};
        while (static_cast<int>(fds.size()) <= depth_ && fds.back() >= 0)
            fds.push_back(openat(fds.back(), "d", O_RDONLY | O_DIRECTORY));
        if (fds.back() < 0) fds.pop_back();
        for (size_t i = fds.size() - 1; i > 0; --i) {
            close(fds[i]);
            unlinkat(fds[i - 1], "d", AT_REMOVEDIR);
        }
        close(fds[0]);
    }

private:
    std::string root_;
    int depth_;
};

TEST(TreeScannerTest, PathsTooLongForTheSystemEndTheWalk) {
    TempDir t;
    DeepChain chain(t.path(), PATH_MAX / 2 + 10);
    TTreeScanner s;
    size_t read = 0, failed = 0;
    std::string lastFailed;
    s.OnDirectoryRead = [&](TTreeScanner& x, const DirListing& l) {
        (l.ok ? read : failed)++;
        if (!l.ok) lastFailed = x.FileFound();
    };
    s.SetInitialDirectory(t.path());
    s.Scan();
    EXPECT_EQ(failed, 1u);
    EXPECT_GT(lastFailed.size(), size_t{PATH_MAX} - 2);
    EXPECT_EQ(read, (lastFailed.size() - t.path().size()) / 2);
}

// Folders that each hold links to all the others: every path through them
// is a different path, but there are only n folders to enter.
TEST(TreeScannerTest, LinkFarmIsWalkedInTheNumberOfFolders) {
    TempDir t;
    const int n = 8;
    for (int i = 0; i < n; ++i) WriteFile(t / ("f" + std::to_string(i) + "/song.mp3"), "");
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const std::string link = t / ("f" + std::to_string(i) + "/to" + std::to_string(j));
            if (i != j) {
                ASSERT_EQ(symlink(("../f" + std::to_string(j)).c_str(), link.c_str()), 0);
            }
        }
    }
    for (int threads : {0, 4}) {
        TTreeScanner s;
        Recorder r;
        r.Attach(s);
        s.SetReadAheadThreads(threads);
        s.SetInitialDirectory(t.path());
        s.Scan();
        // The start, each folder by its own name, each once through a link.
        EXPECT_EQ(s.LastCounts().visits, 2u * n + 1) << threads;
        EXPECT_EQ(r.found.size(), 2u * n + 1) << threads;
        EXPECT_LE(s.LastCounts().reads, 2 * s.LastCounts().visits) << threads;
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(std::count(r.found.begin(), r.found.end(), t / ("f" + std::to_string(i) + "/")), 1) << i;
        }
    }
}

TEST(TreeScannerTest, KernelFileSystemsAreNeverEnteredThroughALink) {
    if (const std::string missing = zx_test::KernelTreesMissing(); !missing.empty()) GTEST_SKIP() << missing;
    TempDir t;
    MakeDirs(t / "music/a");
    MakeDirs(t / "outside/b");
    int k = 0;
    for (const char* target : {"/proc", "/sys", "/dev/pts", "/proc/self"}) {
        ASSERT_EQ(symlink(target, (t / ("music/k" + std::to_string(k++))).c_str()), 0);
    }
    // A link into the kernel's trees below a linked folder is refused as well.
    ASSERT_EQ(symlink("/proc", (t / "outside/b/p").c_str()), 0);
    ASSERT_EQ(symlink("../outside", (t / "music/out").c_str()), 0);
    EXPECT_EQ(Walk(t / "music"), (Paths{t / "music/", t / "music/a/", t / "music/out/", t / "music/out/b/"}));
}

// Every event, in order, with what each visit read.
Paths AllEvents(const std::string& start, int threads) {
    TTreeScanner s;
    Recorder r;
    r.Attach(s, true);
    s.OnDirectoryRead = [&](TTreeScanner& x, const DirListing& l) {
        std::string names;
        for (const DirEntry& e : l.entries) names.append(e.name) += "|";
        r.events.push_back("read " + x.FileFound() + (l.ok ? " ok " : " failed ") + std::to_string(names.size()));
    };
    s.SetFileMask("*.mp3");
    s.SetReadAheadThreads(threads);
    s.SetInitialDirectory(start);
    s.Scan();
    r.events.push_back("yields " + std::to_string(r.yields));
    return r.events;
}

TEST(TreeScannerTest, ReadingAheadChangesNoEvent) {
    TempDir t;
    // Wider than the workers may read ahead, with the awkward cases among it.
    for (int i = 0; i < 35; ++i) {
        for (int j = 0; j < 30; ++j) {
            const std::string dir = t / ("w/" + std::to_string(i) + (i % 2 ? "Б" : "б") + "/" + std::to_string(j));
            MakeDirs(dir);
            if (j % 7 == 0) WriteFile(dir + "/" + std::to_string(j) + ".mp3", std::string(j, 'x'));
        }
    }
    MakeDirs(t / "w/\xff\xfe bad");
    MakeDirs(t / "w/line\nbreak/in");
    MakeDirs(t / "w/.hidden/in");
    std::string deep = t / "w/deep";
    for (int i = 0; i < 60; ++i) deep += "/d";
    MakeDirs(deep);
    ASSERT_EQ(symlink("..", (t / "w/0б/up").c_str()), 0);
    ASSERT_EQ(symlink("../1Б", (t / "w/0б/side").c_str()), 0);
    ASSERT_EQ(symlink("../0б", (t / "w/1Б/back").c_str()), 0);
    ASSERT_EQ(symlink("/proc", (t / "w/2б/proc").c_str()), 0);
    ASSERT_EQ(symlink("missing", (t / "w/3Б/dangling").c_str()), 0);

    const Paths alone = AllEvents(t / "w", 0);
    ASSERT_GT(alone.size(), 35u * 31);
    for (int round = 0; round < 3; ++round) EXPECT_EQ(AllEvents(t / "w", 8), alone) << round;
}

// Whether a folder exists and may be read is decided at its visit, whatever
// the workers found when they read ahead.
TEST(TreeScannerTest, RightsCountAtTheVisitNotWhenReadAhead) {
    if (!zx_test::UnprivilegedAvailable()) GTEST_SKIP() << "no unprivileged user";
    TempDir t;
    for (const char* d : {"a", "b/inner", "c/inner", "d", "e"}) MakeDirs(t / d);
    for (const char* d : {"", "a", "b", "b/inner", "c", "c/inner", "d", "e"}) zx_test::GiveToUnprivileged(t / d);
    ASSERT_EQ(chmod((t / "c").c_str(), 0), 0);
    ASSERT_EQ(chmod((t / "d").c_str(), 0), 0);
    const auto out = zx_test::RunUnprivileged([&] {
        TTreeScanner s;
        std::string events;
        s.SetReadAheadThreads(4);
        s.OnDirectoryFound = [&](TTreeScanner& x) {
            if (x.FileFound() != t / "a/") return;
            // Give the workers time to read b and c ahead, then change both.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            chmod((t / "b").c_str(), 0);
            chmod((t / "c").c_str(), 0755);
        };
        s.OnDirectoryRead = [&](TTreeScanner& x, const DirListing& l) {
            events += x.FileFound().substr(t.path().size()) + (l.ok ? " ok;" : " failed;");
        };
        s.SetInitialDirectory(t.path());
        s.Scan();
        return events;
    });
    chmod((t / "b").c_str(), 0755);
    chmod((t / "d").c_str(), 0755);
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, " ok;a/ ok;b/ failed;c/ ok;c/inner/ ok;d/ failed;e/ ok;");
}

// A watch set at a folder's visit must see every later change: a listing
// made ahead before the visit holds none of the changes made at it.
TEST(TreeScannerTest, ListingHoldsWhatTheVisitDidWhenAskedFor) {
    TempDir t;
    for (const char* d : {"a", "b", "c"}) MakeDirs(t / d);
    TTreeScanner s;
    std::string seen;
    s.SetReadAheadThreads(4);
    s.SetCurrentAfterFound(true);
    s.OnDirectoryFound = [&](TTreeScanner& x) {
        // At a: give the workers time to read b and c ahead.
        if (x.FileFound() == t / "a/") std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (x.FileFound() == t / "b/" || x.FileFound() == t / "c/") WriteFile(x.FileFound() + "new.mp3", "");
    };
    s.OnDirectoryRead = [&](TTreeScanner& x, const DirListing& l) {
        if (x.FileFound() != t / "b/" && x.FileFound() != t / "c/") return;
        seen += x.FileFound().substr(t.path().size()) + ":";
        for (const DirEntry& e : l.entries) seen.append(e.name) += ";";
    };
    s.SetInitialDirectory(t.path());
    s.Scan();
    EXPECT_EQ(seen, "b/:new.mp3;c/:new.mp3;");
}

// Folders done with are closed a batch at a time; with few descriptors to
// spare the walk closes them sooner rather than fail to open the next
// folder, and leaves none open.
TEST(TreeScannerTest, FewDescriptorsToSpareStillOpenEveryFolder) {
    TempDir t;
    for (int i = 0; i < 150; ++i) MakeDirs(t / ("M/d" + std::to_string(i) + "/e"));
    const auto result = zx_test::RunInChild([&] {
        int read = 0;
        TTreeScanner s;
        s.OnDirectoryRead = [&](TTreeScanner&, DirListing& listing) { read += listing.ok ? 1 : 0; };
        s.SetInitialDirectory(t / "M");
        s.Scan();  // what a first walk loads, loaded with descriptors to spare
        // Every number taken up to the highest, and 6 more allowed.
        int highest = 0, last = -1;
        for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
            highest = std::max(highest, std::stoi(e.path().filename().string()));
        do last = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        while (last >= 0 && last < highest);
        const struct rlimit lim {static_cast<rlim_t>(last + 7), static_cast<rlim_t>(last + 7)};
        if (last < 0 || ::setrlimit(RLIMIT_NOFILE, &lim) != 0) return std::string("no limit");
        read = 0;
        s.Scan();
        int free = 0;
        while (::open("/dev/null", O_RDONLY | O_CLOEXEC) >= 0) ++free;
        return std::to_string(read) + " read, " + std::to_string(free) + " free";
    });
    EXPECT_EQ(result, std::optional<std::string>("301 read, 6 free"));
}

}  // namespace
}  // namespace zorbex
