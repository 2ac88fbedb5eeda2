#include "engine/playlist_builder.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "engine/output_file.h"
#include "support/temp_dir.h"

namespace zorbex {
namespace {

using zx_test::Exists;
using zx_test::MakeDirs;
using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;
using Lines = std::vector<std::string>;

struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

const Lines kWritten0{"   файлов найдено: 0", "   исключено: 0", "   ок"};

// A program folder and a music folder in one temporary tree.
class BuilderTest : public ::testing::Test {
protected:
    BuilderTest() {
        MakeDirs(prog());
        context.places = ProgramPlaces(prog());
        context.occupied = &occupied;
        context.log = [this](const std::string& line) { log.push_back(line); };
        context.yield = [this] {
            ++yields;
            if (onYield) onYield();
        };
    }

    std::string prog() const { return t / "prog/"; }
    std::string music() const { return t / "music"; }

    PlaylistDefinition Def(std::string mask = "*.mp3") {
        PlaylistDefinition d;
        d.file = "list.m3u";
        d.mask = std::move(mask);
        d.path = music();
        return d;
    }

    BuildResult Build(const PlaylistDefinition& d, bool ticked = true, bool overwrite = true) {
        log.clear();
        return BuildPlaylist(d, ticked, overwrite, context);
    }

    std::string Output() const { return ReadFile(prog() + "list.m3u"); }

    static std::string Playlist(const Lines& lines) {
        std::string s;
        for (const auto& l : lines) s += l + "\r\n";
        return s;
    }

    static Lines Written(int found, int excluded) {
        return {"   файлов найдено: " + std::to_string(found), "   исключено: " + std::to_string(excluded), "   ок"};
    }

    TempDir t;
    OccupiedList occupied;
    BuildContext context;
    Lines log;
    int yields = 0;
    std::function<void()> onYield;
};

TEST_F(BuilderTest, WalkOrderAndNameOrderWithMixedCase) {
    const std::string m = music();
    for (const char* f : {"z.mp3", "B.mp3", "a.MP3", "b/2.mp3", "b/1.mp3", "A/x.mp3", "c/d/deep.mp3", "c/skip.ogg"})
        WriteFile(m + "/" + f, "x");
    const BuildResult r = Build(Def());
    EXPECT_EQ(r.outcome, BuildOutcome::kWritten);
    EXPECT_EQ(log, Written(7, 0));
    EXPECT_EQ(Output(), Playlist({m + "/a.MP3", m + "/B.mp3", m + "/z.mp3", m + "/A/x.mp3", m + "/b/1.mp3",
                                  m + "/b/2.mp3", m + "/c/d/deep.mp3"}));
    EXPECT_EQ(yields, 5);  // one per folder visited
}

TEST_F(BuilderTest, EmptyResultIsAZeroByteFile) {
    MakeDirs(music());
    WriteFile(prog() + "list.m3u", "old\r\n");
    EXPECT_EQ(Build(Def()).outcome, BuildOutcome::kWritten);
    EXPECT_EQ(log, kWritten0);
    EXPECT_TRUE(Exists(prog() + "list.m3u"));
    EXPECT_EQ(Output(), "");
}

TEST_F(BuilderTest, MaskPatternsAsTheyStand) {
    WriteFile(music() + "/a.mp3", "");
    WriteFile(music() + "/b.flac", "");
    struct Case {
        const char* mask;
        Lines names;
    } cases[] = {{"*.mp3;*.MP3", {"a.mp3", "a.mp3"}},
                 {"*.mp3; *.flac", {"a.mp3"}},
                 {"*.flac;*.mp3", {"a.mp3", "b.flac"}},
                 {";", {}},
                 {"*.*", {"a.mp3", "b.flac"}}};
    for (const Case& c : cases) {
        PlaylistDefinition d = Def(c.mask);
        d.fullpath = false;
        Build(d);
        EXPECT_EQ(Output(), Playlist(c.names)) << c.mask;
    }
}

TEST_F(BuilderTest, HiddenAndSystemFlags) {
    const std::string m = music();
    WriteFile(m + "/.h.mp3", "");
    WriteFile(m + "/n.mp3", "");
    WriteFile(m + "/.dir/in.mp3", "");  // never walked, whatever the flags
    ASSERT_EQ(mkfifo((m + "/pipe.mp3").c_str(), 0644), 0);
    ASSERT_EQ(symlink("gone", (m + "/dangling.mp3").c_str()), 0);
    struct Case {
        bool hidden, system;
        Lines names;
    } cases[] = {{false, false, {"n.mp3"}},
                 {true, false, {".h.mp3", "n.mp3"}},
                 {false, true, {"dangling.mp3", "n.mp3", "pipe.mp3"}},
                 {true, true, {".h.mp3", "dangling.mp3", "n.mp3", "pipe.mp3"}}};
    // Same folder, one definition after another: each listing honours its own flags.
    for (const Case& c : cases) {
        PlaylistDefinition d = Def();
        d.fullpath = false;
        d.hidden = c.hidden;
        d.system = c.system;
        for (bool sub : {true, false}) {
            d.subfolders = sub;
            Build(d);
            EXPECT_EQ(Output(), Playlist(c.names)) << c.hidden << c.system << sub;
        }
    }
}

TEST_F(BuilderTest, BareNamesRepeatAcrossFolders) {
    WriteFile(music() + "/a/song.mp3", "");
    WriteFile(music() + "/b/song.mp3", "");
    PlaylistDefinition d = Def();
    d.fullpath = false;
    Build(d);
    EXPECT_EQ(Output(), Playlist({"song.mp3", "song.mp3"}));
}

TEST_F(BuilderTest, ExclusionByNamePartExactAndEveryOccurrence) {
    const std::string m = music();
    for (const char* f : {"song.mp3", "a/song.mp3", "a/Song.mp3", "b/keep.mp3", "b/other.mp3"}) WriteFile(m + "/" + f, "");
    PlaylistDefinition d = Def();
    d.ignore_use = true;
    d.ignore = {"/elsewhere/song.mp3", "song.mp3", "other.mp3", "SONG.MP3", "---"};
    Build(d);
    EXPECT_EQ(log, Written(5, 3));
    EXPECT_EQ(Output(), Playlist({m + "/a/Song.mp3", m + "/b/keep.mp3"}));

    d.ignore_use = false;  // the list is kept but not applied
    Build(d);
    EXPECT_EQ(log, Written(5, 0));
}

TEST_F(BuilderTest, OutputPathsAndOccupiedList) {
    MakeDirs(music());
    EXPECT_EQ(ResolveOutputPath("list.m3u", "/p/"), "/p/list.m3u");
    EXPECT_EQ(ResolveOutputPath("/abs/x.m3u", "/p/"), "/abs/x.m3u");
    EXPECT_EQ(ResolveOutputPath("C:list.m3u", "/p/"), "/p/C:list.m3u");

    PlaylistDefinition d = Def();
    Build(d);
    EXPECT_TRUE(Exists(prog() + "list.m3u"));
    d.file = t / "abs.m3u";
    Build(d, false);
    EXPECT_EQ(log, Lines{"   отключён"});
    EXPECT_FALSE(Exists(t / "abs.m3u"));
    EXPECT_EQ(occupied.Entries(), (Lines{prog() + "list.m3u", t / "abs.m3u"}));

    EXPECT_EQ(occupied.CountExact(prog() + "list.m3u"), 1u);
    EXPECT_EQ(occupied.CountExact(t / "prog//list.m3u"), 0u);
    EXPECT_EQ(occupied.CountSameFile(t / "prog//./list.m3u"), 1u);
    EXPECT_EQ(occupied.CountSameFile(t / "prog/../prog/list.m3u"), 1u);
    ASSERT_EQ(symlink((prog() + "list.m3u").c_str(), (t / "link.m3u").c_str()), 0);
    EXPECT_EQ(occupied.CountSameFile(t / "link.m3u"), 1u);
    EXPECT_EQ(occupied.CountSameFile(t / "other.m3u"), 0u);
}

TEST_F(BuilderTest, ExistingOutputKeptUnlessOverwriting) {
    WriteFile(music() + "/a.mp3", "");
    WriteFile(prog() + "list.m3u", "old");
    EXPECT_EQ(Build(Def(), true, false).outcome, BuildOutcome::kKeptExisting);
    EXPECT_EQ(log, Lines{"   отменён - файл существует"});
    EXPECT_EQ(Output(), "old");
    EXPECT_EQ(Build(Def(), true, true).outcome, BuildOutcome::kWritten);
    EXPECT_EQ(Output(), Playlist({music() + "/a.mp3"}));
}

TEST_F(BuilderTest, FoldersThatCannotBeListed) {
    WriteFile(prog() + "list.m3u", "old");
    WriteFile(t / "plain", "");
    struct Case {
        std::string path;
        bool subfolders;
        std::string shown;
    } cases[] = {{t / "missing", true, t / "missing/"},
                 {t / "missing", false, t / "missing"},
                 {t / "plain", false, t / "plain"},
                 {"", true, ""},
                 {"", false, ""}};
    for (const Case& c : cases) {
        PlaylistDefinition d = Def();
        d.path = c.path;
        d.subfolders = c.subfolders;
        EXPECT_EQ(Build(d).outcome, BuildOutcome::kFolderNotFound) << c.path;
        EXPECT_EQ(log, Lines{"   каталог «" + c.shown + "» не найден"});
        EXPECT_EQ(Output(), "old");
    }
}

TEST_F(BuilderTest, FolderVanishingInTheMiddleOfAWalk) {
    const std::string m = music();
    for (const char* f : {"a/1.mp3", "b/2.mp3", "c/3.mp3"}) WriteFile(m + "/" + f, "");
    WriteFile(prog() + "list.m3u", "old");
    // Folder a is visited first; the walk has already seen b by then.
    onYield = [&] {
        if (yields == 2) std::filesystem::remove_all(m + "/b");
    };
    EXPECT_EQ(Build(Def()).outcome, BuildOutcome::kFolderNotFound);
    EXPECT_EQ(log, Lines{"   каталог «" + m + "/b/» не найден"});
    EXPECT_EQ(Output(), "old");
}

TEST_F(BuilderTest, RelativeFolderIsTakenFromTheProgramDirectory) {
    WriteFile(prog() + "tunes/a.mp3", "");
    WriteFile(prog() + "tunes/sub/b.mp3", "");
    PlaylistDefinition d = Def();
    d.path = "tunes";
    Build(d);  // a walk keeps the spelling it was given
    EXPECT_EQ(Output(), Playlist({"tunes/a.mp3", "tunes/sub/b.mp3"}));
    d.subfolders = false;
    Build(d);  // a single folder is named as the system names it
    EXPECT_EQ(Output(), Playlist({prog() + "tunes/a.mp3"}));
    d.path = prog() + "./tunes/../tunes/";
    Build(d);
    EXPECT_EQ(Output(), Playlist({prog() + "tunes/a.mp3"}));
}

TEST_F(BuilderTest, UnwritableOutputIsReportedAndTheNextOneStillBuilds) {
    WriteFile(music() + "/a.mp3", "");
    MakeDirs(prog() + "adir.m3u");
    for (const char* file : {"no/such/folder/list.m3u", "adir.m3u", ""}) {
        PlaylistDefinition d = Def();
        d.file = file;
        EXPECT_EQ(Build(d).outcome, BuildOutcome::kWriteFailed) << file;
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].rfind("   не удалось записать файл «" + prog() + file + "»: ", 0), 0u) << log[0];
        EXPECT_GT(log[0].size(), std::string("   не удалось записать файл «" + prog() + file + "»: ").size());
    }
    EXPECT_EQ(Build(Def()).outcome, BuildOutcome::kWritten);
    EXPECT_EQ(log, Written(1, 0));
}

TEST_F(BuilderTest, TheSettingsFileIsNeverAnOutputInAnySpelling) {
    WriteFile(music() + "/a.mp3", "");
    const std::string settings = "[Zor:bl]\r\nplaylists=1\r\n";
    WriteFile(prog() + "Zorbl.Zrf", settings);
    ASSERT_EQ(symlink((prog() + "Zorbl.Zrf").c_str(), (t / "link.m3u").c_str()), 0);
    for (const std::string& file : {std::string("Zorbl.Zrf"), std::string("./x/../Zorbl.Zrf"), prog() + "Zorbl.Zrf",
                                   t / "link.m3u"}) {
        PlaylistDefinition d = Def();
        d.file = file;
        EXPECT_EQ(Build(d).outcome, BuildOutcome::kWriteFailed) << file;
        ASSERT_EQ(log.size(), 1u) << file;
        EXPECT_NE(log[0].find("это файл настроек программы"), std::string::npos) << log[0];
    }
    EXPECT_EQ(ReadFile(prog() + "Zorbl.Zrf"), settings);
}

TEST_F(BuilderTest, TheProgramsOwnFilesAreNeverOutputs) {
    WriteFile(music() + "/a.mp3", "");
    WriteFile(prog() + "zorbhelp.hlp", "help");
    std::vector<std::pair<std::string, std::string>> cases{{"x/../zorbhelp.hlp", "это файл справки программы"},
                                                           {"zorbex", "это файл самой программы"}};
    // The running executable, through a hard link, so that a fault would
    // replace only the link.
    const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    const bool linked = ::link(exe.c_str(), (t / "exe").c_str()) == 0;
    if (linked) cases.emplace_back(t / "exe", "это файл самой программы");
    for (const auto& [file, reason] : cases) {
        PlaylistDefinition d = Def();
        d.file = file;
        EXPECT_EQ(Build(d).outcome, BuildOutcome::kWriteFailed) << file;
        EXPECT_EQ(log, Lines{"   не удалось записать файл «" + ResolveOutputPath(file, prog()) + "»: " + reason});
    }
    EXPECT_EQ(ReadFile(prog() + "zorbhelp.hlp"), "help");
    EXPECT_FALSE(Exists(prog() + "zorbex"));
    if (linked) {
        EXPECT_EQ(StatOf(t / "exe").st_ino, StatOf(exe).st_ino);
    }
}

// The user's folder standing in for a program folder the user cannot write:
// relative outputs go there, its settings file is the one refused, the help
// file beside the executable is still the program's.
TEST_F(BuilderTest, TheUsersFolderTakesRelativeOutputsAndItsSettingsFileIsRefused) {
    WriteFile(music() + "/a.mp3", "");
    const std::string user = t / "user/";
    WriteFile(user + "Zorbl.Zrf", "mine");
    WriteFile(prog() + "zorbhelp.hlp", "help");
    context.places = ProgramPlaces(prog(), user);
    const std::pair<std::string, std::string> refused[] = {{"Zorbl.Zrf", "это файл настроек программы"},
                                                           {prog() + "zorbhelp.hlp", "это файл справки программы"}};
    for (const auto& [file, reason] : refused) {
        PlaylistDefinition d = Def();
        d.file = file;
        EXPECT_EQ(Build(d).outcome, BuildOutcome::kWriteFailed) << file;
        EXPECT_EQ(log, Lines{"   не удалось записать файл «" + ResolveOutputPath(file, user) + "»: " + reason});
    }
    EXPECT_EQ(ReadFile(user + "Zorbl.Zrf"), "mine");
    EXPECT_EQ(Build(Def()).outcome, BuildOutcome::kWritten);
    EXPECT_EQ(ReadFile(user + "list.m3u"), music() + "/a.mp3\r\n");
    EXPECT_FALSE(Exists(prog() + "list.m3u"));
}

TEST_F(BuilderTest, WriteFailuresAreGivenInRussian) {
    WriteFile(music() + "/a.mp3", "");
    WriteFile(prog() + "afile", "");
    const std::pair<std::string, std::string> cases[] = {
        {"no/such/list.m3u", "каталог не найден"},
        {"afile/list.m3u", "часть пути не является каталогом"},
        {std::string(300, 'n') + ".m3u", "слишком длинное имя файла"},
    };
    for (const auto& [file, reason] : cases) {
        PlaylistDefinition d = Def();
        d.file = file;
        Build(d);
        EXPECT_EQ(log, Lines{"   не удалось записать файл «" + prog() + file + "»: " + reason});
    }
    // Never the system's English, even for a code without words of its own.
    EXPECT_EQ(WriteFailureReason(WriteResult{false, "Unknown error 4000", WriteFailure::kSystem, 4000, false}),
              "ошибка операционной системы, код 4000");
}

TEST_F(BuilderTest, AnUnchangedPlaylistIsLeftAlone) {
    const std::string m = music();
    WriteFile(m + "/a.mp3", "");
    WriteFile(m + "/sub/b.mp3", "");
    Build(Def());
    const std::string p = prog() + "list.m3u";
    const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, p.c_str(), old, 0);
    const ino_t inode = StatOf(p).st_ino;
    EXPECT_EQ(Build(Def()).outcome, BuildOutcome::kWritten);
    EXPECT_EQ(log, Written(2, 0));
    EXPECT_EQ(StatOf(p).st_ino, inode);
    EXPECT_EQ(StatOf(p).st_mtim.tv_sec, 1000000000);
}

TEST_F(BuilderTest, NamesThatAreNotUtf8AreWrittenByteForByte) {
    const std::string m = music();
    WriteFile(m + "/\xff\xfe.mp3", "");
    WriteFile(m + "/\xd0.mp3", "");
    WriteFile(m + "/\xc0\xe0/\xe9.mp3", "");  // windows-1251 bytes, folder and file
    Build(Def());
    const std::string out = Output();
    EXPECT_EQ(log, Written(3, 0));
    for (const std::string& line : {m + "/\xff\xfe.mp3\r\n", m + "/\xd0.mp3\r\n", m + "/\xc0\xe0/\xe9.mp3\r\n"})
        EXPECT_NE(out.find(line), std::string::npos);
}

TEST_F(BuilderTest, NamesWithLineBreaksAreLeftOutAndCounted) {
    const std::string m = music();
    for (const char* f : {"a\nb.mp3", "c\r.mp3", "ok.mp3", "x\ny/in.mp3", "x\ny/in.wav"}) WriteFile(m + "/" + f, "");
    const auto leftOut = [](int n) { return "   пропущено файлов с переводом строки в имени: " + std::to_string(n); };
    Build(Def());
    EXPECT_EQ(Output(), Playlist({m + "/ok.mp3"}));
    EXPECT_EQ(log, (Lines{leftOut(3), "   файлов найдено: 1", "   исключено: 0", "   ок"}));
    PlaylistDefinition d = Def();
    d.fullpath = false;  // a bare name does not carry its folder's name
    Build(d);
    EXPECT_EQ(Output(), Playlist({"ok.mp3", "in.mp3"}));
    EXPECT_EQ(log, (Lines{leftOut(2), "   файлов найдено: 2", "   исключено: 0", "   ок"}));

    // Without the walk: a folder named with a line break, reached by ".."
    // from a link into it, and a mask that picks a name twice.
    ASSERT_EQ(::symlink((m + "/x\ny/sub").c_str(), (m + "/link").c_str()), 0);
    MakeDirs(m + "/x\ny/sub");
    d = Def("*.mp3;*.MP3");
    d.path = m + "/link/..";
    d.subfolders = false;
    Build(d);
    EXPECT_EQ(Output(), "");
    EXPECT_EQ(log, (Lines{leftOut(2), "   файлов найдено: 0", "   исключено: 0", "   ок"}));
}

TEST_F(BuilderTest, LinkLoopGivesEachFileOnce) {
    const std::string m = music();
    WriteFile(m + "/a.mp3", "");
    WriteFile(m + "/sub/b.mp3", "");
    ASSERT_EQ(symlink("..", (m + "/sub/back").c_str()), 0);
    ASSERT_EQ(symlink(".", (m + "/self").c_str()), 0);
    Build(Def());
    EXPECT_EQ(Output(), Playlist({m + "/a.mp3", m + "/sub/b.mp3"}));
}

}  // namespace
}  // namespace zorbex
