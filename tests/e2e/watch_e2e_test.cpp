// `zorbex --watch` as a user service runs it: a copy of the program in a
// folder of its own, a media tree, no display; the test changes the tree
// and waits, within a bound, for the playlists to follow.
#include <fcntl.h>
#include <stdio.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <thread>

#include "support/temp_dir.h"

namespace {

using zx_test::Exists;
using zx_test::MakeDirs;
using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;
using Clock = std::chrono::steady_clock;

// Polls until ready() holds or limit passes; the result says which. The
// limit is far above what a loaded machine needs: it only keeps a failing
// case from waiting for ever.
bool WaitFor(const std::function<bool()>& ready, std::chrono::seconds limit = std::chrono::seconds(60)) {
    const auto deadline = Clock::now() + limit;
    while (!ready()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The program in dir, started with --watch (which never opens a window,
// display or not); killed at the end if still running, and by the kernel
// if the test process itself is killed (a timeout), so no watch outlives
// its test.
class Watching {
public:
    // With a prefix, the program is started through it (the program's own
    // path and --watch follow it).
    explicit Watching(const TempDir& dir, std::vector<std::string> prefix = {}) {
        std::vector<std::string> args = std::move(prefix);
        args.push_back(dir / "zorbex");
        args.push_back("--watch");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        out_ = capture_ / "out";
        err_ = capture_ / "err";
        const int out = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int err = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const pid_t parent = ::getpid();
        pid_ = out < 0 || err < 0 ? -1 : ::fork();
        if (pid_ == 0) {
            // Only calls safe between fork and exec.
            if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) ::_exit(127);
            if (::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(127);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        if (out >= 0) ::close(out);
        if (err >= 0) ::close(err);
    }
    ~Watching() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool started() const { return pid_ > 0; }
    std::string Out() const { return ReadFile(out_); }
    std::string Err() const { return ReadFile(err_); }
    // Sends SIGTERM and gives the exit status, or -1 when the program is
    // still running after limit.
    int Terminate(std::chrono::seconds limit = std::chrono::seconds(30)) {
        kill(pid_, SIGTERM);
        int status = 0;
        const bool ended = WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, limit);
        if (!ended) return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    TempDir capture_;
    std::string out_, err_;
    pid_t pid_ = -1;
};

// Playlist 1 over media/a, its file inside that very folder (the program's
// own write must not call for another rebuild); playlist 2 over media/b;
// the union of both.
class WatchProgram : public testing::Test {
protected:
    WatchProgram() {
        std::filesystem::copy_file(ZORBEX_EXE, dir / "zorbex");
        WriteFile(a() + "1.mp3", "");
        WriteFile(b() + "2.mp3", "");
        WriteSettings("*.mp3");
    }
    std::string a() const { return dir / "media/a/"; }
    std::string b() const { return dir / "media/b/"; }
    std::string listA() const { return a() + "a.m3u"; }
    void WriteSettings(const std::string& maskA) {
        WriteFile(dir / "Zorbl.Zrf",
                  "[Zor:bl]\r\nplaylists=2\r\nunions=1\r\noverwrite=1\r\nitem_0=1\r\nitem_1=1\r\nitem_2=1\r\n"
                  "[Zor:bl:Playlist:1]\r\nfile=" + listA() + "\r\nmask=" + maskA + "\r\npath=" + a() +
                  "\r\nfullpath=0\r\n"
                  "[Zor:bl:Playlist:2]\r\nfile=b.m3u\r\npath=" + b() + "\r\nfullpath=0\r\n"
                  "[Zor:bl:Union:1]\r\nfile=u.m3u\r\nunite_0=1\r\nunite_1=1\r\n");
    }
    // Waits for file to hold bytes; on failure says what the log shows.
    void ExpectSoon(const std::string& file, const std::string& bytes, const Watching& w) {
        EXPECT_TRUE(WaitFor([&] { return ReadFile(file) == bytes; }))
            << file << " holds\n" << ReadFile(file) << "\nlog:\n" << w.Out() << w.Err();
    }
    TempDir dir;
};

TEST_F(WatchProgram, AddedAndRemovedFilesReachTheirPlaylistAndUnionOnly) {
    Watching w(dir);
    ASSERT_TRUE(w.started());
    ExpectSoon(dir / "u.m3u", "1.mp3\r\n2.mp3\r\n", w);
    EXPECT_EQ(w.Out().rfind("Zorbex v4.0i\n(журнал процесса)\n\nплейлист №1\n", 0), 0u) << w.Out();

    WriteFile(a() + "new.mp3", "");
    ExpectSoon(listA(), "1.mp3\r\nnew.mp3\r\n", w);
    ExpectSoon(dir / "u.m3u", "1.mp3\r\nnew.mp3\r\n2.mp3\r\n", w);
    std::remove((a() + "1.mp3").c_str());
    ExpectSoon(listA(), "new.mp3\r\n", w);

    // A change in b/ only: playlist 1's file stays the very same file.
    struct stat before {};
    ASSERT_EQ(stat(listA().c_str(), &before), 0);
    WriteFile(b() + "3.mp3", "");
    ExpectSoon(dir / "b.m3u", "2.mp3\r\n3.mp3\r\n", w);
    ExpectSoon(dir / "u.m3u", "new.mp3\r\n2.mp3\r\n3.mp3\r\n", w);
    struct stat after {};
    ASSERT_EQ(stat(listA().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    const std::string log = w.Out();
    // The first run, the added file, the removed one; playlist 1's own
    // writes into a/ (due before b/'s change was even made) none.
    EXPECT_EQ(Count(log, "плейлист №1\n"), 3) << log;
    EXPECT_EQ(Count(log, "плейлист №2\n"), 2) << log;
    // Each rebuild begins with its time.
    const std::regex rebuild("(^|\n)\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\nплейлист №");
    EXPECT_EQ(std::distance(std::sregex_iterator(log.begin(), log.end(), rebuild), std::sregex_iterator()), 3) << log;
    EXPECT_EQ(w.Terminate(), 0);
    EXPECT_EQ(w.Err(), "");
}

// a/ swapped in one step for a new folder (another inode): rebuilt once,
// its own write into the new folder no change, the old folder no more
// followed.
TEST_F(WatchProgram, AFolderMadeAnewIsFollowedAndItsOwnWriteThereIsNoChange) {
    WriteFile(dir / "media/a2/back.mp3", "");
    Watching w(dir);
    ASSERT_TRUE(w.started());
    ExpectSoon(dir / "u.m3u", "1.mp3\r\n2.mp3\r\n", w);
    ASSERT_EQ(renameat2(AT_FDCWD, a().c_str(), AT_FDCWD, (dir / "media/a2").c_str(), RENAME_EXCHANGE), 0);
    ExpectSoon(listA(), "back.mp3\r\n", w);
    WriteFile(dir / "media/a2/old.mp3", "");
    // Anything due for a/ falls due before this change of b/ does.
    WriteFile(b() + "3.mp3", "");
    ExpectSoon(dir / "u.m3u", "back.mp3\r\n2.mp3\r\n3.mp3\r\n", w);
    EXPECT_EQ(Count(w.Out(), "плейлист №1\n"), 2) << w.Out();
    EXPECT_EQ(w.Terminate(), 0);
    EXPECT_EQ(w.Err(), "");
}

TEST_F(WatchProgram, NewSubfoldersAreWatchedAndASettingsChangeIsAFullRun) {
    Watching w(dir);
    ASSERT_TRUE(w.started());
    ExpectSoon(listA(), "1.mp3\r\n", w);

    MakeDirs(a() + "new");
    WriteFile(a() + "new/x.mp3", "");
    WriteFile(a() + "new/y.mp3", "");
    ExpectSoon(listA(), "1.mp3\r\nx.mp3\r\ny.mp3\r\n", w);
    // Only the new folder's own watch sees this.
    std::rename((a() + "new/y.mp3").c_str(), (a() + "new/z.mp3").c_str());
    ExpectSoon(listA(), "1.mp3\r\nx.mp3\r\nz.mp3\r\n", w);

    WriteFile(a() + "new/song.ogg", "");
    WriteSettings("*.ogg");
    ExpectSoon(listA(), "song.ogg\r\n", w);
    const std::string log = w.Out();
    EXPECT_EQ(Count(log, "Zorbex v4.0i\n(журнал процесса)\n"), 2) << log;
    // A FIFO put in the settings file's place holds nothing up.
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_EQ(std::rename(fifo.c_str(), (dir / "Zorbl.Zrf").c_str()), 0);
    EXPECT_TRUE(WaitFor([&] { return w.Err().find("не прочитан (это не обычный файл)") != std::string::npos; }))
        << w.Err();
    EXPECT_EQ(w.Terminate(), 0);
}

// A walk long enough to be caught in the middle: the stop abandons it, the
// old file stays, no temporary is left, and the status is 0.
TEST_F(WatchProgram, SigtermDuringARebuildLeavesNothingBehind) {
    // The folders live in memory where there is room (removing thousands of
    // folders from some disks takes seconds), reached through a link.
    std::string big = a() + "big";
    std::string shm = "/dev/shm/zorbex-watch-XXXXXX";
    if (access("/dev/shm", W_OK) == 0 && mkdtemp(shm.data())) big = shm;
    const std::shared_ptr<void> removeBig(nullptr, [&](void*) { std::filesystem::remove_all(big); });
    for (int i = 0; i < 5000; ++i) MakeDirs(big + "/d" + std::to_string(i / 100) + "/" + std::to_string(i));
    if (big == shm) std::filesystem::create_directory_symlink(big, a() + "big");
    Watching w(dir);
    ASSERT_TRUE(w.started());
    ExpectSoon(dir / "u.m3u", "1.mp3\r\n2.mp3\r\n", w);
    WriteFile(a() + "new.mp3", "");
    ASSERT_TRUE(WaitFor([&] { return Count(w.Out(), "плейлист №1\n") == 2; })) << w.Out();
    EXPECT_EQ(w.Terminate(), 0);
    const std::string list = ReadFile(listA());
    EXPECT_TRUE(list == "1.mp3\r\n" || list == "1.mp3\r\nnew.mp3\r\n") << list;
    for (const std::string& folder : {a(), dir.path()}) {
        for (const auto& e : std::filesystem::directory_iterator(folder)) {
            EXPECT_EQ(e.path().filename().string().find(".zx-"), std::string::npos) << e.path();
        }
    }
    EXPECT_EQ(w.Err(), "");
}

// A user namespace gets a watch limit of its own: three watches, for the
// settings file's folder, a/ and b/; b/'s subfolders find the limit.
TEST_F(WatchProgram, AtTheLimitOnWatchesItSaysSoOnceAndFollowsWhatItCouldWatch) {
    const char* const unshare = "/usr/bin/unshare";
    if (access(unshare, X_OK) != 0 || system("/usr/bin/unshare -Ur true 2>/dev/null") != 0)
        GTEST_SKIP() << "no user namespaces here";
    for (const char* sub : {"s1", "s2", "s3"}) WriteFile(b() + sub + "/x.mp3", "");
    Watching w(dir, {unshare, "-Ur", "sh", "-c", "echo 3 > /proc/sys/user/max_inotify_watches && exec \"$0\" \"$1\""});
    ASSERT_TRUE(w.started());
    ExpectSoon(dir / "b.m3u", "2.mp3\r\nx.mp3\r\nx.mp3\r\nx.mp3\r\n", w);
    EXPECT_TRUE(WaitFor([&] { return !w.Err().empty(); })) << w.Out();
    WriteFile(a() + "new.mp3", "");
    ExpectSoon(listA(), "1.mp3\r\nnew.mp3\r\n", w);
    EXPECT_EQ(w.Terminate(), 0);
    const std::string err = w.Err();
    EXPECT_EQ(Count(err, "\n"), 1) << err;
    EXPECT_NE(err.find("fs.inotify.max_user_watches = "), std::string::npos) << err;
    EXPECT_NE(err.find("плейлист №2 пересобирается"), std::string::npos) << err;
}

}  // namespace
