#include "platform/file_write.h"

#include <fcntl.h>
#include <sched.h>
#include <stdio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <climits>
#include <filesystem>
#include <vector>
#include <string>

#include "platform/file_read.h"
#include "platform/named_temporaries.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

extern char** environ;

namespace fs = std::filesystem;
using zorbex::FileReplacement;
using zorbex::ReadWholeFile;
using zorbex::WriteFailure;
using zorbex::WriteOptions;
using zorbex::WriteDurability;
using zorbex::WriteFileReplacing;
using zx_test::GiveToUnprivileged;
using zx_test::ReadFile;
using zx_test::RunUnprivileged;
using zx_test::TempDir;
using zx_test::WriteFile;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_ino;
}

timespec MtimeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtim;
}

// The number of a process that has ended.
pid_t DeadPid() {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

// Names in a folder, to prove that no temporary file was left behind.
std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A child that starts writing 3 MB to path (past the first piece: a named
// temporary exists by then) is sent signals. What the folder held before
// them, and the signal that ended the child (-1: none).
std::pair<std::vector<std::string>, int> EndedMidWrite(const std::string& path, WriteOptions options,
                                                       const std::vector<int>& signals, bool hupIgnored = false) {
    int ready[2];
    if (::pipe(ready) != 0) return {{}, -1};
    const pid_t pid = ::fork();
    if (pid == 0) {
        // As a program started from a terminal: a background job of a
        // script, as the tests may be, starts with SIGINT ignored.
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::signal(sig, SIG_DFL);
        if (hupIgnored) ::signal(SIGHUP, SIG_IGN);
        zorbex::RemoveTemporariesOnTermination();
        FileReplacement r(path, options);
        r.Append(std::string(3 << 20, 'x'));
        if (::write(ready[1], "r", 1) != 1) ::_exit(1);
        for (;;) ::pause();
    }
    char c;
    const bool writing = ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
    ::close(ready[1]);
    const auto before = Listing(fs::path(path).parent_path());
    for (int sig : writing ? signals : std::vector<int>{SIGKILL}) ::kill(pid, sig);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {before, WIFSIGNALED(status) ? WTERMSIG(status) : -1};
}

constexpr WriteOptions kNamed{WriteDurability::kNoSync, false, false};

// The exit status of a program found on PATH; -1 when it did not run.
int Run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A folder of the test's own seen through bindfs, a FUSE file system, which
// has no unnamed files; mounted() is false where the machine has no bindfs
// or no FUSE, or may not mount.
class BindfsFolder {
public:
    BindfsFolder() {
        zx_test::MakeDirs(dir_ / "source");
        zx_test::MakeDirs(path_);
        if (::access("/dev/fuse", R_OK | W_OK) == 0) Mount();
    }
    ~BindfsFolder() {
        if (mounted_) Unmount();
    }
    bool mounted() const { return mounted_; }
    const std::string& path() const { return path_; }
    std::string source() const { return dir_ / "source"; }
    // The same folder mounted anew: the same device and inode, as a rule.
    void Remount() {
        if (mounted_) Unmount();
        Mount();
    }

private:
    void Mount() {
        struct statfs fs {};
        mounted_ = Run({"bindfs", "--no-allow-other", dir_ / "source", path_}) == 0 &&
                   ::statfs(path_.c_str(), &fs) == 0 && fs.f_type == 0x65735546;  // FUSE
    }
    void Unmount() {
        if (Run({"fusermount", "-u", "-q", path_}) != 0 && Run({"fusermount3", "-u", "-q", path_}) != 0)
            ::umount2(path_.c_str(), MNT_DETACH);
        mounted_ = false;
    }
    TempDir dir_;
    const std::string path_ = dir_ / "mount";
    bool mounted_ = false;
};

#define REQUIRE_FUSE(folder) \
    if (!(folder).mounted()) GTEST_SKIP() << "no bindfs mount here (bindfs, /dev/fuse or the right to mount missing)"

#define REQUIRE_UNPRIVILEGED()                                                            \
    if (!zx_test::UnprivilegedAvailable())                                                \
    GTEST_SKIP() << "cannot start a process that is subject to permission bits here"

}  // namespace

TEST(FileWrite, CreatesNewFileWithUmaskMode) {
    TempDir dir;
    std::string p = dir / "new.txt";
    mode_t mask = ::umask(022);
    auto r = WriteFileReplacing(p, "hello\r\n");
    ::umask(mask);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.error.empty());
    EXPECT_EQ(ReadFile(p), "hello\r\n");
    EXPECT_EQ(ModeOf(p), 0644u);
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"new.txt"});
}

TEST(FileWrite, ReplacesThroughRenameKeepingPermissionBits) {
    TempDir dir;
    std::string p = dir / "f.txt";
    WriteFile(p, "old content that is longer than the new one");
    ::chmod(p.c_str(), 0640);
    ino_t before = InodeOf(p);
    auto r = WriteFileReplacing(p, "new");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(ReadFile(p), "new");
    EXPECT_EQ(ModeOf(p), 0640u);
    EXPECT_NE(InodeOf(p), before) << "expected a new file renamed over the old one";
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"f.txt"});
}

TEST(FileWrite, NoSyncVariantWritesTheSameBytes) {
    TempDir dir;
    std::string p = dir / "f.txt";
    ASSERT_TRUE(WriteFileReplacing(p, "abc", WriteDurability::kNoSync).ok);
    ASSERT_TRUE(WriteFileReplacing(p, "defg", WriteDurability::kNoSync).ok);
    EXPECT_EQ(ReadFile(p), "defg");
}

TEST(FileWrite, EmptyAndBinaryContent) {
    TempDir dir;
    std::string p = dir / "f.bin";
    ASSERT_TRUE(WriteFileReplacing(p, "").ok);
    EXPECT_TRUE(zx_test::Exists(p));
    EXPECT_EQ(ReadWholeFile(p), std::optional<std::string>(""));
    std::string bin("a\0b\xff\r\n\0", 7);
    ASSERT_TRUE(WriteFileReplacing(p, bin).ok);
    EXPECT_EQ(ReadWholeFile(p), std::optional<std::string>(bin));
}

TEST(FileWrite, LargeContent) {
    TempDir dir;
    std::string p = dir / "big";
    std::string big(5 * 1024 * 1024 + 17, 'x');
    for (size_t i = 0; i < big.size(); i += 4099) big[i] = static_cast<char>(i % 251);
    ASSERT_TRUE(WriteFileReplacing(p, big).ok);
    EXPECT_EQ(ReadWholeFile(p), std::optional<std::string>(big));
}

TEST(FileWrite, MissingFolderIsAnErrorAndCreatesNothing) {
    TempDir dir;
    std::string p = dir / "no/such/folder/f.txt";
    auto r = WriteFileReplacing(p, "x");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "No such file or directory");
    EXPECT_FALSE(zx_test::Exists(dir / "no"));
}

TEST(FileWrite, EmptyPathIsAnError) {
    auto r = WriteFileReplacing("", "x");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
}

TEST(FileWrite, DirectoryInPlaceOfTheFileIsAnError) {
    TempDir dir;
    std::string p = dir / "d";
    zx_test::MakeDirs(p + "/inner");
    auto r = WriteFileReplacing(p, "x");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Is a directory");
    EXPECT_TRUE(fs::is_directory(p + "/inner"));
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"d"});
}

TEST(FileWrite, FollowsSymbolicLinkAndKeepsIt) {
    TempDir dir;
    std::string real = dir / "real.txt";
    std::string link = dir / "link.txt";
    WriteFile(real, "old");
    fs::create_symlink("real.txt", link);
    ASSERT_TRUE(WriteFileReplacing(link, "new").ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "new");
}

TEST(FileWrite, DanglingSymbolicLinkCreatesItsTarget) {
    TempDir dir;
    std::string link = dir / "link.txt";
    fs::create_symlink("target.txt", link);
    ASSERT_TRUE(WriteFileReplacing(link, "made").ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(dir / "target.txt"), "made");
}

TEST(FileWrite, ReadOnlyFileIsAnErrorAndUnchanged) {
    REQUIRE_UNPRIVILEGED();
    TempDir dir;
    std::string p = dir / "ro.txt";
    WriteFile(p, "keep me");
    ::chmod(p.c_str(), 0444);
    GiveToUnprivileged(dir.path());
    GiveToUnprivileged(p);
    ino_t before = InodeOf(p);
    auto out = RunUnprivileged([&] {
        auto r = WriteFileReplacing(p, "changed");
        return (r.ok ? std::string("ok") : "error:" + r.error);
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "error:Permission denied");
    EXPECT_EQ(ReadFile(p), "keep me");
    EXPECT_EQ(InodeOf(p), before);
    EXPECT_EQ(ModeOf(p), 0444u);
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"ro.txt"});
}

TEST(FileWrite, WritableFileInReadOnlyFolderIsWrittenInPlace) {
    REQUIRE_UNPRIVILEGED();
    TempDir dir;
    std::string sub = dir / "ro";
    std::string p = sub + "/f.txt";
    WriteFile(p, "a long old content that must be cut away entirely");
    GiveToUnprivileged(dir.path());
    GiveToUnprivileged(sub);
    GiveToUnprivileged(p);
    ::chmod(p.c_str(), 0644);
    ::chmod(sub.c_str(), 0555);
    ino_t before = InodeOf(p);
    auto out = RunUnprivileged([&] {
        auto r = WriteFileReplacing(p, "short");
        return (r.ok ? std::string("ok") : "error:" + r.error);
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "ok");
    EXPECT_EQ(ReadFile(p), "short");
    EXPECT_EQ(InodeOf(p), before) << "in a read-only folder the file is written in place";
    EXPECT_EQ(Listing(sub), std::vector<std::string>{"f.txt"});
    // And growing works the same way.
    out = RunUnprivileged([&] {
        auto r = WriteFileReplacing(p, std::string(100000, 'g'));
        return (r.ok ? std::string("ok") : "error:" + r.error);
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "ok");
    EXPECT_EQ(ReadFile(p), std::string(100000, 'g'));
}

TEST(FileWrite, MissingFileInReadOnlyFolderIsAnError) {
    REQUIRE_UNPRIVILEGED();
    TempDir dir;
    std::string sub = dir / "ro";
    zx_test::MakeDirs(sub);
    GiveToUnprivileged(dir.path());
    GiveToUnprivileged(sub);
    ::chmod(sub.c_str(), 0555);
    auto out = RunUnprivileged([&] {
        auto r = WriteFileReplacing(sub + "/f.txt", "x");
        return (r.ok ? std::string("ok") : "error:" + r.error);
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "error:Permission denied");
    EXPECT_TRUE(Listing(sub).empty());
}

TEST(FileWrite, ReplacesFileOfAnotherOwnerInStickyFolderInPlace) {
    // In a sticky folder (like /tmp) a user may create files but may not
    // rename over another user's file, even a writable one.
    REQUIRE_UNPRIVILEGED();
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to set up files of two owners";
    TempDir dir;
    std::string sub = dir / "sticky";
    std::string p = sub + "/f.txt";
    WriteFile(p, "root's file");
    ::chmod(p.c_str(), 0666);
    ::chmod(sub.c_str(), 01777);
    GiveToUnprivileged(dir.path());
    auto out = RunUnprivileged([&] {
        auto r = WriteFileReplacing(p, "written by nobody");
        return (r.ok ? std::string("ok") : "error:" + r.error);
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "ok");
    EXPECT_EQ(ReadFile(p), "written by nobody");
    EXPECT_EQ(Listing(sub), std::vector<std::string>{"f.txt"});
}

TEST(FileWrite, ConcurrentReaderSeesOldOrNewNeverAMix) {
    TempDir dir;
    std::string p = dir / "f";
    const std::string a(300000, 'a');
    const std::string b(200000, 'b');
    ASSERT_TRUE(WriteFileReplacing(p, a, WriteDurability::kNoSync).ok);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        for (int i = 0; i < 300; ++i) {
            if (!WriteFileReplacing(p, (i % 2) ? a : b, WriteDurability::kNoSync).ok) ::_exit(1);
        }
        ::_exit(0);
    }
    int mixed = 0;
    for (int i = 0; i < 300; ++i) {
        auto got = ReadWholeFile(p);
        if (!got || (*got != a && *got != b)) ++mixed;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(mixed, 0);
}

TEST(FileWrite, AWriteKilledHalfwayLeavesNothingBehind) {
    TempDir dir;
    const std::string p = dir / "f.m3u";
    WriteFile(p, "old\r\n");
    for (bool unnamed : {true, false}) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            FileReplacement r(p, WriteOptions{WriteDurability::kSync, false, unnamed});
            r.Append(std::string(3 << 20, 'x'));  // well past the first piece: on its way to the disk
            ::kill(::getpid(), SIGKILL);
        }
        ::waitpid(pid, nullptr, 0);
        EXPECT_EQ(ReadFile(p), "old\r\n");
        // Unnamed: nothing to find. Named: the stale temporary of a dead run.
        EXPECT_EQ(Listing(dir.path()).size(), unnamed ? 1u : 2u) << unnamed;
    }
    // Any write into the folder removes what dead runs left, whatever file
    // they were writing; the temporaries of a process that still lives, and
    // names that only look alike (the user's own, an earlier form), stay.
    const std::string dead = std::to_string(DeadPid());
    for (const std::string& name : {".g.m3u.zx-" + dead + "-7", ".zx-" + dead + "-8", std::string(".f.m3u.zx-1-7"),
                                    std::string(".zx-1-7"), "g.zx-" + dead + "-7", ".zx-" + dead + "-x"})
        WriteFile(dir / name, "");
    ::chmod(p.c_str(), 0640);
    FileReplacement named(dir / "h.m3u", WriteOptions{WriteDurability::kSync, false, false});
    named.Append("new\r\n");
    ASSERT_TRUE(named.Commit().ok);
    EXPECT_EQ(ReadFile(p), "old\r\n");
    std::vector<std::string> kept{".f.m3u.zx-1-7", ".g.m3u.zx-" + dead + "-7", ".zx-" + dead + "-x", ".zx-1-7",
                                  "f.m3u", "g.zx-" + dead + "-7", "h.m3u"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(Listing(dir.path()), kept);
    // A named replacement keeps the old file's permission bits.
    FileReplacement again(p, WriteOptions{WriteDurability::kSync, false, false});
    again.Append("new\r\n");
    ASSERT_TRUE(again.Commit().ok);
    EXPECT_EQ(ReadFile(p), "new\r\n");
    EXPECT_EQ(ModeOf(p), 0640u);
}

// The folder is read once for all its files: a second file's stale
// temporary still goes at that file's first replacement.
TEST(FileWrite, StaleTemporariesOfAnyFileGoAtTheFirstReplacementInTheirFolder) {
    TempDir dir;
    const std::string stale = ".zx-" + std::to_string(DeadPid()) + "-7";
    WriteFile(dir / stale, "");
    ASSERT_TRUE(WriteFileReplacing(dir / "f.m3u", "f\r\n").ok);
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"f.m3u"}));
}

// A writer in another PID namespace, or on another machine sharing the
// folder, may have a number not running here: its temporary stays while it
// holds its lock, and goes after. Each sweep is a fresh child's first write.
TEST(FileWrite, TheSweepLeavesATemporaryWhoseWriterHoldsItsLock) {
    TempDir dir;
    const std::string temporary = dir / (".zx-" + std::to_string(DeadPid()) + "-9");
    const auto swept = [&] {
        zx_test::RunInChild([&] { return WriteFileReplacing(dir / "f.m3u", "f\r\n").error; });
        return !fs::exists(temporary);
    };
    const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_TRUE(fd >= 0 && zorbex::LockTemporary(fd));
    EXPECT_FALSE(swept());
    ::close(fd);
    EXPECT_TRUE(swept());
}

TEST(FileWrite, KeepUnchangedLeavesAFileWithTheSameBytesAlone) {
    TempDir dir;
    const std::string p = dir / "f";
    std::string content(600000, '\0');  // more than one piece of comparison
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('a' + i % 23);
    const auto write = [&](std::string_view bytes) {
        FileReplacement r(p, WriteOptions{WriteDurability::kSync, true, true});
        for (size_t i = 0; i < bytes.size(); i += 999) r.Append(bytes.substr(i, 999));
        return r.Commit();
    };
    WriteFile(p, content);
    const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, p.c_str(), old, 0);
    const ino_t inode = InodeOf(p);
    auto r = write(content);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.unchanged);
    EXPECT_EQ(InodeOf(p), inode);
    EXPECT_EQ(MtimeOf(p).tv_sec, 1000000000);
    // Differing only in the last byte, one byte short, one byte more: written.
    const std::string last = content.substr(0, content.size() - 1);
    for (const std::string& other : {last + "!", last, content + "x", std::string()}) {
        ASSERT_TRUE(WriteFileReplacing(p, content).ok);
        r = write(other);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_FALSE(r.unchanged);
        EXPECT_EQ(ReadFile(p), other) << other.size();
    }
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"f"});
    // A file we may not write is an error even when it holds these bytes.
    if (!zx_test::UnprivilegedAvailable()) return;
    ::chmod(p.c_str(), 0444);
    GiveToUnprivileged(dir.path());
    GiveToUnprivileged(p);
    auto out = RunUnprivileged([&] { return write("").error; });
    EXPECT_EQ(out, std::optional<std::string>("Permission denied"));
}

TEST(FileWrite, LinksInASharedStickyFolderAreFollowedOnlyWhereTheKernelWould) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make links that belong to someone else";
    TempDir dir;
    const std::string shared = dir / "shared", victim = dir / "victim";
    zx_test::MakeDirs(shared);
    ::chmod(shared.c_str(), 01777);
    WriteFile(victim, "mine");
    const auto link = [&](const std::string& name, const std::string& to, uid_t owner) {
        const std::string path = shared + "/" + name;
        EXPECT_EQ(::symlink(to.c_str(), path.c_str()), 0);
        EXPECT_EQ(::lchown(path.c_str(), owner, owner), 0);
        return path;
    };
    // Planted by another user: refused, and so is a dangling one, through
    // which the file would be created.
    const std::string planted = link("planted.m3u", victim, 65534);
    auto r = WriteFileReplacing(planted, "x");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failure, WriteFailure::kForeignLink);
    EXPECT_EQ(ReadFile(victim), "mine");
    EXPECT_EQ(WriteFileReplacing(link("dangling.m3u", dir / "made", 65534), "x").failure, WriteFailure::kForeignLink);
    EXPECT_FALSE(zx_test::Exists(dir / "made"));
    // The same for a link to a folder, wherever it is met: in the middle of
    // the output's path, or on the way that a link of our own leads.
    const std::string home = dir / "home";
    zx_test::MakeDirs(home);
    link("sub", home, 65534);
    ASSERT_EQ(::symlink((shared + "/sub/x.m3u").c_str(), (dir / "ours.m3u").c_str()), 0);
    ASSERT_EQ(::symlink(shared.c_str(), (dir / "alias").c_str()), 0);
    for (const std::string& path : {shared + "/sub/out.m3u", dir / "ours.m3u", dir / "alias/sub/../home/y.m3u"})
        EXPECT_EQ(WriteFileReplacing(path, "x").failure, WriteFailure::kForeignLink) << path;
    EXPECT_TRUE(Listing(home).empty());
    // Our own link and one of the folder's owner: followed.
    EXPECT_TRUE(WriteFileReplacing(link("ours.m3u", victim, 0), "ours").ok);
    EXPECT_EQ(ReadFile(victim), "ours");
    ASSERT_EQ(::chown(shared.c_str(), 65534, 65534), 0);
    EXPECT_TRUE(WriteFileReplacing(planted, "owner's").ok);
    EXPECT_EQ(ReadFile(victim), "owner's");
}

// A temporary never needs a longer name than its target: the longest name
// the folder takes can be written, with an unnamed temporary and a named one.
TEST(FileWrite, TheLongestNameTheFolderTakes) {
    TempDir dir;
    const std::string p = dir / std::string(NAME_MAX, 'n');
    for (bool unnamed : {true, false}) {
        FileReplacement r(p, WriteOptions{WriteDurability::kNoSync, false, unnamed});
        r.Append(unnamed ? "unnamed" : "named");
        const auto result = r.Commit();
        EXPECT_TRUE(result.ok) << result.error;
        EXPECT_EQ(ReadFile(p), unnamed ? "unnamed" : "named");
    }
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{std::string(NAME_MAX, 'n')});
}

// SIGTERM, SIGINT or SIGHUP in the middle of a write with a named temporary:
// the temporary goes with the process, which still ends by that signal. A
// signal the process was started with ignored (nohup) stays ignored.
TEST(FileWrite, ASignalThatEndsAWriteTakesItsTemporaryAlong) {
    TempDir dir;
    const std::string p = dir / "f.m3u";
    WriteFile(p, "old\r\n");
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        const auto [during, ended] = EndedMidWrite(p, kNamed, {sig});
        EXPECT_EQ(during.size(), 2u) << "no temporary to remove";
        EXPECT_EQ(ended, sig);
        EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"f.m3u"}) << sig;
    }
    // Pending together, SIGHUP would be taken first.
    EXPECT_EQ(EndedMidWrite(p, kNamed, {SIGHUP, SIGTERM}, true).second, SIGTERM);
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"f.m3u"});
    EXPECT_EQ(ReadFile(p), "old\r\n");
}

// In a FUSE folder, with the ordinary options, a write finds out by itself
// that the temporary needs a name: a new file, a replacement and the longest
// name the folder takes land; a write ended by SIGTERM takes its temporary
// along, and the one a SIGKILL left is removed by the next write into the
// folder, also after the folder was mounted anew.
TEST(FileWrite, AFuseFolderIsWrittenAndKeepsNoTemporary) {
    BindfsFolder folder;
    REQUIRE_FUSE(folder);
    const std::string p = folder.path() + "/f.m3u", longest = folder.path() + "/" + std::string(NAME_MAX, 'n');
    ASSERT_TRUE(WriteFileReplacing(p, "old\r\n").ok);
    ::chmod(p.c_str(), 0640);
    for (const auto& [path, bytes] : {std::pair{p, "new\r\n"}, std::pair{longest, "long\r\n"}}) {
        const auto r = WriteFileReplacing(path, bytes);
        EXPECT_TRUE(r.ok) << r.error;
        EXPECT_EQ(ReadFile(path), bytes);
    }
    EXPECT_EQ(ModeOf(p), 0640u);
    const std::vector<std::string> names{"f.m3u", std::string(NAME_MAX, 'n')};
    EXPECT_EQ(Listing(folder.path()), names);

    folder.Remount();
    REQUIRE_FUSE(folder);
    const auto killed = EndedMidWrite(p, WriteOptions{}, {SIGKILL});
    if (killed.first.size() != 3u) GTEST_SKIP() << "this FUSE folder has unnamed files";
    EXPECT_EQ(Listing(folder.path()).size(), 3u);
    ASSERT_TRUE(WriteFileReplacing(longest, "again\r\n").ok);
    EXPECT_EQ(Listing(folder.path()), names);
    const auto [during, ended] = EndedMidWrite(p, WriteOptions{}, {SIGTERM});
    EXPECT_EQ(during.size(), 3u);
    EXPECT_EQ(ended, SIGTERM);
    EXPECT_EQ(Listing(folder.path()), names);
    EXPECT_EQ(ReadFile(p), "new\r\n");
}

// Another user swaps a name in a shared sticky folder between a file of
// theirs and a link to a file of ours, as fast as they can, while we write
// to that name again and again: no write ever goes through the link, and our
// settings file is never replaced.
TEST(FileWrite, ANameSwappedForALinkDuringTheWriteIsNeverWrittenThrough) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
    using zx_test::BecomeUser;
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const std::string shared = dir / "shared/", mine = dir / "mine/";
    zx_test::MakeDirs(shared);
    ::chmod(shared.c_str(), 01777);
    const std::string settings = mine + "Zorbl.Zrf", secret = mine + "secret";
    WriteFile(settings, "[Zor:bl]\r\nplaylists=1\r\n");
    WriteFile(secret, "secret\r\n");
    for (const std::string& path : {mine, settings, secret})
        ASSERT_EQ(::lchown(path.c_str(), zx_test::kSecondUser, zx_test::kSecondUser), 0);
    const ino_t settingsInode = InodeOf(settings);
    const std::string out = shared + "out.m3u";

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t swapper = ::fork();
    ASSERT_GE(swapper, 0);
    if (swapper == 0) {
        ::close(ready[0]);
        if (!BecomeUser(zx_test::kUnprivilegedUser)) ::_exit(3);
        ::umask(0);
        // A file of theirs at the name, and a link to each file of ours
        // beside it; each exchange turns the name from one to the other.
        ::close(::open(out.c_str(), O_CREAT | O_WRONLY, 0666));
        const std::string toSettings = shared + ".a", toSecret = shared + ".b";
        if (::symlink(settings.c_str(), toSettings.c_str()) != 0 || ::symlink(secret.c_str(), toSecret.c_str()) != 0)
            ::_exit(4);
        if (::write(ready[1], "r", 1) != 1) ::_exit(5);
        for (unsigned i = 0;; ++i)
            ::renameat2(AT_FDCWD, (i / 2 % 2 ? toSettings : toSecret).c_str(), AT_FDCWD, out.c_str(), RENAME_EXCHANGE);
    }
    ::close(ready[1]);
    char c;
    const bool swapping = ::read(ready[0], &c, 1) == 1;  // nothing: the swapper ended early
    ::close(ready[0]);
    const auto endSwapper = [&] {
        ::kill(swapper, SIGKILL);
        int status = 0;
        ::waitpid(swapper, &status, 0);
        return status;
    };
    if (!swapping) {
        const int status = endSwapper();
        if (WIFEXITED(status) && WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot act as another user here";
        FAIL() << "the swapper could not set up: " << status;
    }
    // Under way once the name has been seen as both (a bounded count, not a time).
    bool seenLink = false, seenFile = false;
    for (int i = 0; i < 1000000 && !(seenLink && seenFile); ++i) {
        struct stat st {};
        if (::lstat(out.c_str(), &st) == 0) (S_ISLNK(st.st_mode) ? seenLink : seenFile) = true;
        ::sched_yield();  // lets the swapper run on a busy machine
    }
    if (!(seenLink && seenFile)) {
        endSwapper();
        GTEST_SKIP() << "names cannot be exchanged in this folder";
    }
    const auto counts = zx_test::RunInChild([&] {
        if (!BecomeUser(zx_test::kSecondUser)) ::_exit(3);
        int written = 0, refused = 0;
        for (int i = 0; i < 400; ++i) {
            // As a playlist is written: opened, then its folder walked, then written.
            FileReplacement r(out, WriteOptions{WriteDurability::kNoSync, true, true});
            ::usleep(200);
            r.Append("playlist\r\n");
            ++(r.Commit().ok ? written : refused);
        }
        return std::to_string(written) + " written, " + std::to_string(refused) + " refused";
    });
    endSwapper();
    ASSERT_TRUE(counts.has_value());
    std::cout << "of 400 writes: " << *counts << std::endl;
    EXPECT_EQ(ReadFile(settings), "[Zor:bl]\r\nplaylists=1\r\n");
    EXPECT_EQ(InodeOf(settings), settingsInode);
    EXPECT_EQ(ReadFile(secret), "secret\r\n");
}

// A changed rewrite reuses the old file's matching head only while it holds
// the bytes compared: rewritten in place meanwhile, the write fails rather
// than mix. The old file is never opened for writing when it is renamed over.
TEST(FileWrite, AChangedRewriteNeverMixesNorOpensTheOldFileForWriting) {
    TempDir dir;
    const std::string p = dir / "f.m3u", head(300 * 1024, 'h');  // past one piece: compared at once
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    for (bool changedBehind : {false, true}) {
        WriteFile(p, head + "old\r\n");
        ::inotify_add_watch(watch, p.c_str(), IN_CLOSE_WRITE);
        FileReplacement r(p, WriteOptions{WriteDurability::kNoSync, true, true});
        r.Append(head);
        if (changedBehind) WriteFile(p, "OTHER" + head.substr(5) + "old\r\n");  // same inode
        r.Append("new\r\n");
        EXPECT_EQ(r.Commit().ok, !changedBehind);
        EXPECT_EQ(ReadFile(p), changedBehind ? "OTHER" + head.substr(5) + "old\r\n" : head + "new\r\n");
        inotify_event events[64];
        const ssize_t n = ::read(watch, events, sizeof events);  // IN_IGNORED alone is fine
        if (!changedBehind) {
            EXPECT_TRUE(n <= 0 || (events[0].mask & IN_CLOSE_WRITE) == 0);
        }
    }
    ::close(watch);
}

// In a shared sticky folder the rename over another user's file is refused;
// the in-place fallback must not then write into that file (the kernel's
// protected-regular rule), even when its bits let everyone write.
TEST(FileWrite, TheInPlaceFallbackLeavesAnotherUsersFileInASharedFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
    TempDir dir;
    const std::string shared = dir / "shared";
    zx_test::MakeDirs(shared);
    ::chmod(dir.path().c_str(), 0755);
    ::chmod(shared.c_str(), 01777);
    const std::string p = shared + "/out.m3u";
    WriteFile(p, "theirs\r\n");
    ::chmod(p.c_str(), 0666);
    ASSERT_EQ(::chown(p.c_str(), zx_test::kSecondUser, zx_test::kSecondUser), 0);
    const auto out = RunUnprivileged([&] {
        const auto r = WriteFileReplacing(p, "mine\r\n");
        return r.ok ? std::string("ok") : std::to_string(static_cast<int>(r.failure));
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, std::to_string(static_cast<int>(WriteFailure::kForeignFile)));
    EXPECT_EQ(ReadFile(p), "theirs\r\n");
    EXPECT_EQ(Listing(shared), std::vector<std::string>{"out.m3u"});
}

// A name the mount still has in its cache but that changed behind it a
// moment before the write (removed, its folder made anew, replaced by a
// link) is missing, not a failure: the write lands at the name.
TEST(FileWrite, ANameThatVanishedBehindAFuseMountIsWrittenAfresh) {
    BindfsFolder folder;
    REQUIRE_FUSE(folder);
    const std::string src = folder.source();
    zx_test::MakeDirs(src + "/d");
    WriteFile(src + "/g", "g\r\n");
    const struct {
        std::string name, behind;
    } cases[] = {{"f.m3u", "rm " + src + "/f.m3u"},
                 {"d/f.m3u", "rm -r " + src + "/d && mkdir " + src + "/d"},
                 {"f.m3u", "rm " + src + "/f.m3u && ln -s g " + src + "/f.m3u"}};
    for (const auto& c : cases) {
        const std::string p = folder.path() + "/" + c.name;
        ASSERT_TRUE(WriteFileReplacing(p, "one\r\n").ok);
        struct stat st {};
        ASSERT_EQ(::stat(p.c_str(), &st), 0);  // in the mount's cache now
        ASSERT_EQ(std::system(c.behind.c_str()), 0);
        FileReplacement r(p, WriteOptions{WriteDurability::kSync, true, true});
        r.Append("two\r\n");
        const auto result = r.Commit();
        EXPECT_TRUE(result.ok) << c.behind << ": " << result.error;
        EXPECT_EQ(ReadFile(src + "/" + c.name), "two\r\n") << c.behind;
    }
    EXPECT_EQ(ReadFile(src + "/g"), "g\r\n");
}
