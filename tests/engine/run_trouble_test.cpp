// Runs that meet trouble halfway on real folders: a folder removed or locked
// during the walk, a member file that turns unreadable, a full disk, output
// folders without rights, outputs that are not files. In every case the run
// goes on with the next definition, says what happened, logs "   ок" only for
// what was written and leaves earlier playlist files as they were.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "engine/run.h"
#include "support/child_process.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace zorbex {
namespace {

namespace fs = std::filesystem;
using zx_test::Concat;
using zx_test::GiveToUnprivileged;
using zx_test::kLogHeader;
using zx_test::MakeDirs;
using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;
using Lines = std::vector<std::string>;

#define REQUIRE_UNPRIVILEGED()                 \
    if (!zx_test::UnprivilegedAvailable())     \
    GTEST_SKIP() << "cannot start a process that is subject to permission bits here"

Lines Written(int64_t found) { return {"   файлов найдено: " + std::to_string(found), "   исключено: 0", "   ок"}; }
Lines Joined(int64_t lines, int64_t members) {
    return {"   файлов итого: " + std::to_string(lines), "   объединено: " + std::to_string(members), "   ок"};
}
std::string WriteFailedPrefix(const std::string& path) { return "   не удалось записать файл «" + path + "»: "; }

std::string Text(const Lines& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

// Names in a folder, to prove that no temporary file was left behind.
Lines Listing(const std::string& dir) {
    Lines names;
    for (auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RunTroubleTest : public ::testing::Test {
protected:
    RunTroubleTest() : host(prog()) {
        MakeDirs(prog());
        host.options = {.overwrite = true};
    }

    std::string prog() const { return t / "prog/"; }

    void AddPlaylist(int n, const std::string& file, const std::string& folder) {
        PlaylistDefinition d;
        d.file = file;
        d.path = folder;
        SettingsFile s(SettingsPath(prog()));
        WritePlaylistDefinition(s, n, d);
    }
    void AddUnion(int m, const std::string& file, std::vector<bool> members) {
        SettingsFile s(SettingsPath(prog()));
        WriteUnionDefinition(s, m, UnionDefinition{"u", file, std::move(members)});
    }
    // count files with long names, so that their playlist is large.
    std::string Songs(const std::string& folder, int count) {
        const std::string dir = t / folder;
        MakeDirs(dir);
        for (int i = 0; i < count; ++i)
            WriteFile(dir + "/a rather long song name to fill the disk quickly " + std::to_string(1000 + i) + ".mp3", "");
        return dir;
    }

    // Every row ticked, as the settings file has them when the run starts.
    RunResult RunAll() {
        host.TickEveryRow();
        return zorbex::Run(host, ProgramPlaces(prog()));
    }

    TempDir t;
    zx_test::RecordingHost host;
};

TEST_F(RunTroubleTest, FolderRemovedDuringTheWalk) {
    const std::string m1 = t / "m1", m2 = t / "m2";
    for (const char* f : {"/a/1.mp3", "/b/2.mp3", "/c/3.mp3"}) WriteFile(m1 + f, "");
    WriteFile(m2 + "/x.mp3", "");
    WriteFile(prog() + "p1.m3u", "old\r\n");
    AddPlaylist(1, "p1.m3u", m1);
    AddPlaylist(2, "p2.m3u", m2);
    AddUnion(1, "u.m3u", {true, true});
    // Visit 2 is folder a; b has been listed by then but not entered.
    host.onYield = [&](int visit) {
        if (visit == 2) fs::remove_all(m1 + "/b");
    };
    const RunResult r = RunAll();
    EXPECT_EQ(host.log, Concat({kLogHeader,
                                {"плейлист №1", "   каталог «" + m1 + "/b/» не найден", "плейлист №2"},
                                Written(1),
                                {"объединение №1"},
                                Joined(2, 2),
                                {"готово."}}));
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(ReadFile(prog() + "p1.m3u"), "old\r\n");
    // The union takes the earlier playlist as it still is on disk.
    EXPECT_EQ(ReadFile(prog() + "u.m3u"), "old\r\n" + m2 + "/x.mp3\r\n");
}

TEST_F(RunTroubleTest, FolderAndMemberFileTurningUnreadable) {
    REQUIRE_UNPRIVILEGED();
    const std::string m1 = t / "m1", m2 = t / "m2";
    for (const char* f : {"/a/1.mp3", "/b/2.mp3", "/c/3.mp3"}) WriteFile(m1 + f, "");
    WriteFile(m2 + "/x.mp3", "");
    WriteFile(prog() + "p1.m3u", "old\r\n");
    AddPlaylist(1, "p1.m3u", m1);
    AddPlaylist(2, "p2.m3u", m2);
    AddUnion(1, "u.m3u", {true, true});
    for (auto& e : fs::recursive_directory_iterator(t.path())) GiveToUnprivileged(e.path().string());
    GiveToUnprivileged(t.path());
    host.onYield = [&](int visit) {
        if (visit == 2) ::chmod((m1 + "/b").c_str(), 0);
    };
    // Playlist 2 is written by now; its file turns unreadable before the union reads it.
    host.onLoadUnion = [&](int) { ::chmod((prog() + "p2.m3u").c_str(), 0); };
    auto out = zx_test::RunUnprivileged([&] {
        RunAll();
        return Text(host.log);
    });
    ASSERT_TRUE(out.has_value());
    // A member that cannot be read is left out with a line naming it, and still counts.
    EXPECT_EQ(*out, Text(Concat({kLogHeader,
                                   {"плейлист №1", "   каталог «" + m1 + "/b/» не найден", "плейлист №2"},
                                   Written(1),
                                   {"объединение №1",
                                    "   не удалось прочитать файл «" + prog() + "p2.m3u»: нет прав доступа"},
                                   Joined(1, 2),
                                   {"готово."}})));
    EXPECT_EQ(ReadFile(prog() + "p1.m3u"), "old\r\n");
    EXPECT_EQ(ReadFile(prog() + "u.m3u"), "old\r\n");
}

TEST_F(RunTroubleTest, FullDiskStopsOneDefinitionNotTheRun) {
    // A file-size limit makes every write beyond it fail the way a full disk
    // does, through the same temporary file and rename.
    const std::string big = Songs("big", 200), small = Songs("small", 1);
    const std::string out = t / "out/";
    MakeDirs(out);
    WriteFile(out + "p1.m3u", "old\r\n");
    WriteFile(out + "u2.m3u", "old union\r\n");
    std::string bigPlaylist;
    for (int i = 0; i < 200; ++i) bigPlaylist += "line " + std::to_string(i) + " of a long playlist that once fitted\r\n";
    WriteFile(out + "p3.m3u", bigPlaylist);
    AddPlaylist(1, out + "p1.m3u", big);
    AddPlaylist(2, out + "p2.m3u", small);
    AddPlaylist(3, out + "p3.m3u", t / "missing");
    AddUnion(1, out + "u1.m3u", {true, true, false});
    AddUnion(2, out + "u2.m3u", {false, false, true});
    auto log = zx_test::RunInChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, RLIM_INFINITY};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string("no limit");
        RunAll();
        return Text(host.log);
    });
    ASSERT_TRUE(log.has_value());
    const Lines expected = Concat({kLogHeader,
                                   {"плейлист №1", WriteFailedPrefix(out + "p1.m3u") + "файл слишком велик"},
                                   {"плейлист №2"},
                                   Written(1),
                                   {"плейлист №3", "   каталог «" + t / "missing/» не найден"},
                                   {"объединение №1"},
                                   Joined(2, 2),
                                   {"объединение №2", WriteFailedPrefix(out + "u2.m3u") + "файл слишком велик"},
                                   {"готово."}});
    EXPECT_EQ(*log, Text(expected));
    EXPECT_EQ(ReadFile(out + "p1.m3u"), "old\r\n");
    EXPECT_EQ(ReadFile(out + "u2.m3u"), "old union\r\n");
    EXPECT_EQ(ReadFile(out + "u1.m3u"), "old\r\n" + small + "/" + Listing(small)[0] + "\r\n");
    EXPECT_EQ(Listing(out), (Lines{"p1.m3u", "p2.m3u", "p3.m3u", "u1.m3u", "u2.m3u"}));
}

// A real full file system: a tiny tmpfs mounted in a mount namespace of a
// child process, so nothing stays mounted whatever happens. Needs the right
// to mount; skipped elsewhere.
TEST_F(RunTroubleTest, FullFileSystem) {
    // More lines than the writer holds back: the disk fills while they stream.
    const std::string big = Songs("big", 3000), small = Songs("small", 1);
    const std::string out = t / "out/";
    MakeDirs(out);
    AddPlaylist(1, out + "p1.m3u", big);
    AddPlaylist(2, out + "p2.m3u", small);
    AddUnion(1, out + "u1.m3u", {true, true});
    auto report = zx_test::RunInChild([&] {
        if (::unshare(CLONE_NEWNS) != 0) return std::string("skip: ") + std::strerror(errno);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", out.c_str(), "tmpfs", 0, "size=16k") != 0)
            return std::string("skip: ") + std::strerror(errno);
        WriteFile(out + "p1.m3u", "old\r\n");
        RunAll();
        return Text(host.log) + "--\n" + ReadFile(out + "p1.m3u") + "--\n" + Text(Listing(out));
    });
    ASSERT_TRUE(report.has_value());
    if (report->starts_with("skip: ")) GTEST_SKIP() << "no tmpfs here: " << *report;
    const Lines expected = Concat({kLogHeader,
                                   {"плейлист №1", WriteFailedPrefix(out + "p1.m3u") + "на диске нет места"},
                                   {"плейлист №2"},
                                   Written(1),
                                   {"объединение №1"},
                                   Joined(2, 2),
                                   {"готово."}});
    EXPECT_EQ(*report, Text(expected) + "--\nold\r\n--\n" + Text({"p1.m3u", "p2.m3u", "u1.m3u"}));
}

// Someone else's link at an output in a folder anyone may write to is not
// followed: the file it leads to stays, and the run goes on.
TEST_F(RunTroubleTest, ALinkPlantedInASharedFolderIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant a link that belongs to someone else";
    const std::string music = Songs("music", 1);
    const std::string shared = t / "shared/";
    MakeDirs(shared);
    ::chmod(shared.c_str(), 01777);
    WriteFile(t / "victim", "precious\r\n");
    ASSERT_EQ(::symlink((t / "victim").c_str(), (shared + "p1.m3u").c_str()), 0);
    ASSERT_EQ(::lchown((shared + "p1.m3u").c_str(), 65534, 65534), 0);
    AddPlaylist(1, shared + "p1.m3u", music);
    AddPlaylist(2, shared + "p2.m3u", music);
    const RunResult r = RunAll();
    EXPECT_EQ(host.log,
              Concat({kLogHeader,
                      {"плейлист №1",
                       WriteFailedPrefix(shared + "p1.m3u") + "это чужая символическая ссылка в общей папке"},
                      {"плейлист №2"},
                      Written(1),
                      {"готово."}}));
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(ReadFile(t / "victim"), "precious\r\n");
}

TEST_F(RunTroubleTest, OutputFolderWithoutRights) {
    REQUIRE_UNPRIVILEGED();
    const std::string music = Songs("music", 1);
    const std::string locked = t / "locked/", free = t / "free/";
    MakeDirs(locked);
    MakeDirs(free);
    WriteFile(locked + "theirs.m3u", "old\r\n");
    WriteFile(locked + "mine.m3u", "old\r\n");
    GiveToUnprivileged(t.path());
    GiveToUnprivileged(free);
    GiveToUnprivileged(locked + "mine.m3u");
    // Closed to whoever runs the build, root's child or an ordinary user.
    ::chmod((locked + "theirs.m3u").c_str(), 0444);
    ::chmod(locked.c_str(), 0555);
    AddPlaylist(1, locked + "theirs.m3u", music);  // the file is not ours
    AddPlaylist(2, locked + "new.m3u", music);     // the folder takes no new file
    AddPlaylist(3, locked + "mine.m3u", music);    // ours: rewritten in place
    AddPlaylist(4, free + "p4.m3u", music);
    AddUnion(1, locked + "u.m3u", {true, false, false, false});
    AddUnion(2, free + "u.m3u", {false, false, true, true});
    auto log = zx_test::RunUnprivileged([&] {
        RunAll();
        return Text(host.log);
    });
    ASSERT_TRUE(log.has_value());
    const std::string line = music + "/" + Listing(music)[0] + "\r\n";
    EXPECT_EQ(*log, Text(Concat({kLogHeader,
                                 {"плейлист №1", WriteFailedPrefix(locked + "theirs.m3u") + "нет прав доступа"},
                                 {"плейлист №2", WriteFailedPrefix(locked + "new.m3u") + "нет прав доступа"},
                                 {"плейлист №3"},
                                 Written(1),
                                 {"плейлист №4"},
                                 Written(1),
                                 {"объединение №1", WriteFailedPrefix(locked + "u.m3u") + "нет прав доступа"},
                                 {"объединение №2"},
                                 Joined(2, 2),
                                 {"готово."}})));
    EXPECT_EQ(ReadFile(locked + "theirs.m3u"), "old\r\n");
    EXPECT_EQ(ReadFile(locked + "mine.m3u"), line);
    EXPECT_EQ(ReadFile(free + "u.m3u"), line + line);
    EXPECT_EQ(Listing(locked), (Lines{"mine.m3u", "theirs.m3u"}));
}

// A FIFO where a file should be: refused as output, skipped as a member,
// and neither blocks the run.
TEST_F(RunTroubleTest, OutputsThatAreNotFiles) {
    const std::string music = Songs("music", 1);
    ASSERT_EQ(::mkfifo((prog() + "fifo.m3u").c_str(), 0644), 0);
    AddPlaylist(1, "fifo.m3u", music);
    AddPlaylist(2, "p2.m3u", music);
    AddUnion(1, "u.m3u", {true, true});
    AddUnion(2, "fifo.m3u", {false, true});
    host.log.clear();
    const RunResult r = RunAll();
    EXPECT_EQ(host.log, Concat({kLogHeader,
                                {"плейлист №1", WriteFailedPrefix(prog() + "fifo.m3u") + "это не обычный файл"},
                                {"плейлист №2"},
                                Written(1),
                                {"объединение №1",
                                 "   не удалось прочитать файл «" + prog() + "fifo.m3u»: это не обычный файл"},
                                Joined(1, 2),
                                {"объединение №2", "   отменено - файл существует (занят плейлистом)"},
                                {"готово."}}));
    EXPECT_EQ(r.failed, 2);
    struct stat st {};
    ASSERT_EQ(::lstat((prog() + "fifo.m3u").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
}  // namespace zorbex
