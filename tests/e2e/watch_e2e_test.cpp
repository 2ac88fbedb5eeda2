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
    explicit Watching(const TempDir& dir, std::vector<std::string> prefix = {})
        : Watching(dir / "zorbex", std::move(prefix)) {}
    Watching(const std::string& program, std::vector<std::string> prefix) {
        std::vector<std::string> args = std::move(prefix);
        args.push_back(program);
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
    void WriteSettings(const std::string& maskA, const std::string& pathB = "", const std::string& to = "") {
        WriteFile(to.empty() ? dir / "Zorbl.Zrf" : to,
                  "[Zor:bl]\r\nplaylists=2\r\nunions=1\r\noverwrite=1\r\nitem_0=1\r\nitem_1=1\r\nitem_2=1\r\n"
                  "[Zor:bl:Playlist:1]\r\nfile=" + listA() + "\r\nmask=" + maskA + "\r\npath=" + a() +
                  "\r\nfullpath=0\r\n"
                  "[Zor:bl:Playlist:2]\r\nfile=" + dir / "b.m3u" + "\r\npath=" + (pathB.empty() ? b() : pathB) +
                  "\r\nfullpath=0\r\n"
                  "[Zor:bl:Union:1]\r\nfile=" + dir / "u.m3u" + "\r\nunite_0=1\r\nunite_1=1\r\n");
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

// The settings file as a link into another folder, edited every way; then
// its folder removed and restored from a copy, as a backup tool does.
TEST_F(WatchProgram, TheSettingsFileIsFollowedThroughALinkAndItsFolderComingBack) {
    const std::string prog = dir / "prog/", conf = dir / "conf/";
    MakeDirs(prog);
    std::filesystem::copy_file(ZORBEX_EXE, prog + "zorbex");
    WriteSettings("*.mp3", "", conf + "real.zrf");
    ASSERT_EQ(symlink("../conf/real.zrf", (prog + "Zorbl.Zrf").c_str()), 0);
    WriteFile(a() + "s.ogg", "");
    WriteFile(a() + "s.wav", "");
    Watching w(prog + "zorbex", {});
    ASSERT_TRUE(w.started());
    ExpectSoon(listA(), "1.mp3\r\n", w);

    WriteSettings("*.ogg", "", conf + "new.zrf");  // replaced by a rename in the target's folder
    ASSERT_EQ(std::rename((conf + "new.zrf").c_str(), (conf + "real.zrf").c_str()), 0);
    ExpectSoon(listA(), "s.ogg\r\n", w);
    WriteSettings("*.wav", "", conf + "real.zrf");  // rewritten in place
    ExpectSoon(listA(), "s.wav\r\n", w);
    WriteSettings("*.mp3", "", prog + "Zorbl.Zrf");  // through the link
    ExpectSoon(listA(), "1.mp3\r\n", w);

    std::filesystem::copy(prog, dir / "backup", std::filesystem::copy_options::recursive |
                                                    std::filesystem::copy_options::copy_symlinks);
    std::filesystem::remove_all(prog);
    EXPECT_TRUE(WaitFor([&] { return w.Err().find("не прочитан (его нет)") != std::string::npos; })) << w.Err();
    ASSERT_EQ(std::rename((dir / "backup").c_str(), prog.c_str()), 0);
    EXPECT_TRUE(WaitFor([&] { return Count(w.Out(), "(журнал процесса)\n") == 5; })) << w.Out();
    WriteSettings("*.ogg", "", prog + "Zorbl.Zrf");
    ExpectSoon(listA(), "s.ogg\r\n", w);
    EXPECT_EQ(w.Terminate(), 0);
}

// What changes above a definition's folder, or where a file link in it
// leads, changes the playlist.
TEST_F(WatchProgram, ChangesAboveTheFoldersAndAtLinkTargetsAreFollowed) {
    WriteFile(dir / "lib1/b/2.mp3", "");
    WriteFile(dir / "lib2/b/9.mp3", "");
    ASSERT_EQ(symlink("lib1", (dir / "current").c_str()), 0);
    WriteSettings("*.mp3", dir / "current/b/");
    WriteFile(dir / "elsewhere/song.mp3", "");
    ASSERT_EQ(symlink((dir / "elsewhere/song.mp3").c_str(), (a() + "link.mp3").c_str()), 0);
    Watching w(dir);
    ASSERT_TRUE(w.started());
    ExpectSoon(listA(), "1.mp3\r\nlink.mp3\r\n", w);
    ExpectSoon(dir / "b.m3u", "2.mp3\r\n", w);

    // The link's target deleted, then back.
    std::remove((dir / "elsewhere/song.mp3").c_str());
    ExpectSoon(listA(), "1.mp3\r\n", w);
    WriteFile(dir / "elsewhere/song.mp3", "");
    ExpectSoon(listA(), "1.mp3\r\nlink.mp3\r\n", w);

    // A link on the way re-pointed.
    ASSERT_EQ(symlink("lib2", (dir / "current.new").c_str()), 0);
    ASSERT_EQ(std::rename((dir / "current.new").c_str(), (dir / "current").c_str()), 0);
    ExpectSoon(dir / "b.m3u", "9.mp3\r\n", w);

    // The folder above renamed away, and another made in its place.
    ASSERT_EQ(std::rename((dir / "media").c_str(), (dir / "media.old").c_str()), 0);
    WriteFile(a() + "new.mp3", "");
    ExpectSoon(listA(), "new.mp3\r\n", w);
    EXPECT_EQ(w.Terminate(), 0);
    EXPECT_EQ(w.Err(), "");
}

// Files copied into a new folder one by one, for longer than the quiet
// time: one rebuild after the last of them.
TEST_F(WatchProgram, AnAlbumCopiedIntoANewFolderIsOneRebuild) {
    Watching w(dir);
    ASSERT_TRUE(w.started());
    ExpectSoon(dir / "u.m3u", "1.mp3\r\n2.mp3\r\n", w);
    MakeDirs(a() + "album/cd1");
    std::string expected = "1.mp3\r\n";
    for (int i = 10; i < 22; ++i) {
        WriteFile(a() + "album/cd1/" + std::to_string(i) + ".mp3", "");
        expected += std::to_string(i) + ".mp3\r\n";
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    ExpectSoon(listA(), expected, w);
    EXPECT_TRUE(WaitFor([&] { return Count(w.Out(), "готово.\n") == 2; })) << w.Out();
    EXPECT_EQ(Count(w.Out(), "плейлист №1\n"), 2) << w.Out();
    EXPECT_EQ(w.Terminate(), 0);
}

// Outputs deleted, emptied, replaced by another program: written again, and
// the program's own writes bring nothing more.
TEST_F(WatchProgram, OutputsChangedByOthersAreWrittenAgain) {
    Watching w(dir);
    ASSERT_TRUE(w.started());
    ExpectSoon(dir / "u.m3u", "1.mp3\r\n2.mp3\r\n", w);
    std::remove((dir / "u.m3u").c_str());
    ExpectSoon(dir / "u.m3u", "1.mp3\r\n2.mp3\r\n", w);
    WriteFile(listA(), "");
    ExpectSoon(listA(), "1.mp3\r\n", w);
    WriteFile(dir / "other.m3u", "x.mp3\r\n");
    ASSERT_EQ(std::rename((dir / "other.m3u").c_str(), (dir / "b.m3u").c_str()), 0);
    ExpectSoon(dir / "b.m3u", "2.mp3\r\n", w);
    // Anything due for the rewrites falls due before this change does.
    WriteFile(b() + "3.mp3", "");
    ExpectSoon(dir / "u.m3u", "1.mp3\r\n2.mp3\r\n3.mp3\r\n", w);
    const std::string log = w.Out();
    EXPECT_EQ(Count(log, "плейлист №1\n"), 3) << log;
    EXPECT_EQ(Count(log, "плейлист №2\n"), 3) << log;
    EXPECT_EQ(w.Terminate(), 0);
    EXPECT_EQ(w.Err(), "");
}

// A library on FUSE: changes made on the other side (the folder bindfs
// shows) give no events and are found by the checks.
TEST_F(WatchProgram, ALibraryOnFuseIsChecked) {
    const std::string mnt = dir / "mnt";
    MakeDirs(mnt);
    if (access("/usr/bin/bindfs", X_OK) != 0 || access("/dev/fuse", R_OK | W_OK) != 0 ||
        system(("/usr/bin/bindfs --no-allow-other '" + b() + "' '" + mnt + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no FUSE here";
    const std::shared_ptr<void> unmount(nullptr, [&](void*) {
        if (system(("fusermount -u '" + mnt + "' || umount -l '" + mnt + "'").c_str()) != 0) ADD_FAILURE();
    });
    WriteSettings("*.mp3", mnt + "/");
    {
        Watching w(dir, {"/usr/bin/env", "ZORBEX_POLL_SECONDS=1"});
        ASSERT_TRUE(w.started());
        ExpectSoon(dir / "b.m3u", "2.mp3\r\n", w);
        WriteFile(b() + "3.mp3", "");
        ExpectSoon(dir / "b.m3u", "2.mp3\r\n3.mp3\r\n", w);
        MakeDirs(b() + "sub");
        WriteFile(b() + "sub/4.mp3", "");
        ExpectSoon(dir / "b.m3u", "2.mp3\r\n3.mp3\r\n4.mp3\r\n", w);
        std::remove((b() + "2.mp3").c_str());
        ExpectSoon(dir / "b.m3u", "3.mp3\r\n4.mp3\r\n", w);
        EXPECT_EQ(w.Terminate(), 0);
        EXPECT_EQ(w.Err(), "");
    }
}

// A user namespace gets inotify limits of its own: with no instance at all
// the program checks everything; with three watches it says where the
// kernel refused and checks the rest.
TEST_F(WatchProgram, WhatTheKernelWillNotWatchIsChecked) {
    const char* const unshare = "/usr/bin/unshare";
    if (access(unshare, X_OK) != 0 || system("/usr/bin/unshare -Ur true 2>/dev/null") != 0)
        GTEST_SKIP() << "no user namespaces here";
    const auto limited = [&](const std::string& limit) {
        return std::vector<std::string>{"/usr/bin/env", "ZORBEX_POLL_SECONDS=1", unshare, "-Ur", "sh", "-c",
                                        "echo 0 > /proc/sys/user/max_inotify_" + limit + " && exec \"$0\" \"$1\""};
    };
    {
        Watching w(dir, limited("instances"));
        ASSERT_TRUE(w.started());
        ExpectSoon(dir / "u.m3u", "1.mp3\r\n2.mp3\r\n", w);
        WriteFile(a() + "new.mp3", "");
        ExpectSoon(listA(), "1.mp3\r\nnew.mp3\r\n", w);
        WriteFile(a() + "s.ogg", "");
        WriteSettings("*.ogg");
        ExpectSoon(listA(), "s.ogg\r\n", w);
        EXPECT_EQ(w.Terminate(), 0);
        EXPECT_EQ(w.Err(),
                  "zorbex: не удаётся следить за папками (исчерпан предел ядра fs.inotify.max_user_instances); "
                  "папки и файл настроек проверяются опросом каждые 1 с.\n");
    }
    WriteSettings("*.mp3");
    for (const char* sub : {"s1", "s2", "s3"}) WriteFile(b() + sub + "/x.mp3", "");
    auto prefix = limited("watches");
    prefix.back().replace(prefix.back().find("echo 0"), 6, "echo 3");
    Watching w(dir, prefix);
    ASSERT_TRUE(w.started());
    ExpectSoon(dir / "b.m3u", "2.mp3\r\nx.mp3\r\nx.mp3\r\nx.mp3\r\n", w);
    WriteFile(b() + "s3/y.mp3", "");
    ExpectSoon(dir / "b.m3u", "2.mp3\r\nx.mp3\r\nx.mp3\r\nx.mp3\r\ny.mp3\r\n", w);
    EXPECT_EQ(w.Terminate(), 0);
    const std::string err = w.Err();
    EXPECT_EQ(Count(err, "\n"), 1) << err;
    EXPECT_EQ(err.rfind("zorbex: достигнут предел ядра на число наблюдений inotify (inotify_add_watch: ENOSPC, "
                        "наблюдений: 3); папки плейлистов №1, №2 сверх предела проверяются опросом каждые 1 с",
                        0),
              0u)
        << err;

    // Refused in the middle of a walk: the count is still of every watch held.
    for (int i = 0; i < 20; ++i) WriteFile(b() + "t" + std::to_string(i) + "/x.mp3", "");
    prefix.back().replace(prefix.back().find("echo 3"), 6, "echo 12");
    Watching mid(dir, prefix);
    ASSERT_TRUE(mid.started());
    EXPECT_TRUE(WaitFor([&] { return mid.Err().find("ENOSPC") != std::string::npos; })) << mid.Err();
    EXPECT_EQ(mid.Terminate(), 0);
    EXPECT_NE(mid.Err().find("(inotify_add_watch: ENOSPC, наблюдений: 12); папки плейлиста №2 "), std::string::npos)
        << mid.Err();
}

}  // namespace
