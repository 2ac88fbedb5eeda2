#include "cli/unattended_run.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <sstream>

#include "cli/command_line.h"
#include "settings/settings_file.h"
#include "settings/settings_lock.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace zorbex {
namespace {

using zx_test::MakeDirs;
using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;

TEST(AutoRunSwitch, OnlyTheFourSwitchesInAnyCase) {
    const struct {
        const char* argument;
        bool matches;
    } cases[] = {
        {"/start", true}, {"/START", true},  {"/Auto", true},    {"/gO", true},      {"/do", true},
        {"start", false}, {"-start", false}, {"/start ", false}, {" /start", false}, {"/st art", false},
        {"", false},      {"/", false},      {"/doo", false},    {"--start", false}, {"/старт", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsAutoRunSwitch(c.argument), c.matches) << '"' << c.argument << '"';
}

TEST(ClassifyStart, DisplayAndArguments) {
    const StartEnvironment none;
    const StartEnvironment x11{":0", "", ""};
    const StartEnvironment wayland{"", "wayland-0", ""};
    const StartEnvironment chosen{"", "", "offscreen"};
    using A = std::vector<std::string>;
    const struct {
        A args;
        StartEnvironment env;
        StartMode mode;
    } cases[] = {
        {{}, none, StartMode::kNoDisplay},
        {{"/start"}, none, StartMode::kUnattended},
        {{"/DO", "extra"}, none, StartMode::kUnattended},
        {{"-start"}, none, StartMode::kUnknownSwitch},
        {{"/start "}, none, StartMode::kNoDisplay},
        {{"x", "/start"}, none, StartMode::kNoDisplay},
        {{"/start"}, x11, StartMode::kWindow},
        {{"/start"}, wayland, StartMode::kWindow},
        {{"/start"}, chosen, StartMode::kWindow},
        {{}, x11, StartMode::kWindow},
        {{"anything"}, wayland, StartMode::kWindow},
        // A platform chosen on the command line is the user's choice as well.
        {{"/start", "-platform", "offscreen"}, none, StartMode::kWindow},
        {{"--platform", "minimal"}, none, StartMode::kWindow},
        {{"/start", "-platform"}, none, StartMode::kUnattended},
        // Watching never opens a window, display or not.
        {{"--watch"}, x11, StartMode::kWatch},
        {{"--watch"}, none, StartMode::kWatch},
        {{"--help"}, none, StartMode::kHelp},
        {{"--help"}, x11, StartMode::kHelp},
        {{"--version"}, chosen, StartMode::kVersion},
        {{"--version"}, none, StartMode::kVersion},
        {{"/start", "--help"}, none, StartMode::kUnattended},
        // Unknown switches are refused, display or not; Qt's own options are not unknown.
        {{"--HELP"}, x11, StartMode::kUnknownSwitch},
        {{"-v"}, none, StartMode::kUnknownSwitch},
        {{"--frobnicate", "/start"}, chosen, StartMode::kUnknownSwitch},
        {{"-style", "fusion"}, x11, StartMode::kWindow},
        {{"--style=fusion"}, x11, StartMode::kWindow},
        {{"-reverse"}, none, StartMode::kNoDisplay},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& a : c.args) shown += "[" + a + "]";
        EXPECT_EQ(ClassifyStart(c.args, c.env), c.mode) << shown << " DISPLAY=" << c.env.display;
    }
}

TEST(StartWithoutWindow, HelpVersionAndNoDisplayWriteWhereTheyShould) {
    TempDir dir;
    const StartEnvironment none;
    std::ostringstream out, err;
    EXPECT_EQ(StartWithoutWindow({"--version"}, none, ProgramPlaces(dir.path()), out, err), 0);
    EXPECT_EQ(out.str(), "Zorbex v4.0i\n");

    out.str("");
    // The settings file in use, here the user's own.
    const ProgramPlaces userOwn(dir.path(), dir / "user/");
    EXPECT_EQ(StartWithoutWindow({"-h"}, StartEnvironment{":0", "", ""}, userOwn, out, err), 0);
    EXPECT_NE(out.str().find("Файл настроек: " + dir.path() + "user/Zorbl.Zrf\n"), std::string::npos) << out.str();
    for (const char* word : {"/start", "/auto", "/go", "/do", "--version", "  0  ", "  1  ", "  2  "})
        EXPECT_NE(out.str().find(word), std::string::npos) << word;
    EXPECT_EQ(err.str(), "");

    out.str("");
    EXPECT_EQ(StartWithoutWindow({}, none, ProgramPlaces(dir.path()), out, err), kExitRefused);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), NoDisplayLine() + "\n");
    // Neither asking for help nor being refused touches the settings file.
    EXPECT_FALSE(zx_test::Exists(dir / "Zorbl.Zrf"));

    EXPECT_EQ(StartWithoutWindow({"/start"}, StartEnvironment{":0", "", ""}, ProgramPlaces(dir.path()), out, err),
              std::nullopt);
}

TEST(StartWithoutWindow, AnUnknownSwitchIsNamedOnStandardErrorWithTheUsage) {
    TempDir dir;
    for (const StartEnvironment& env : {StartEnvironment{}, StartEnvironment{":0", "", ""}}) {
        std::ostringstream out, err;
        EXPECT_EQ(StartWithoutWindow({"--frobnicate"}, env, ProgramPlaces(dir.path()), out, err), kExitRefused);
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(err.str(), "zorbex: неизвестный ключ «--frobnicate» (см. zorbex --help).\n" + UsageLines());
    }
}

// Where standard output and standard error are one file or terminal, the
// failed definition's lines are not read twice (the lines themselves: the
// program's end-to-end tests).
TEST(RunUnattended, FailuresAreNotRepeatedWhereBothStreamsMeet) {
    TempDir dir;
    WriteFile(dir / "Zorbl.Zrf",
              "[Zor:bl]\r\nplaylists=1\r\nitem_0=1\r\n[Zor:bl:Playlist:1]\r\npath=" + dir.path() + "gone\r\n");
    std::ostringstream both;
    StartEnvironment oneTerminal;
    oneTerminal.outputsShared = true;
    EXPECT_EQ(StartWithoutWindow({"/start"}, oneTerminal, ProgramPlaces(dir.path()), both, both), kExitSomeFailed);
    EXPECT_EQ(both.str().find("zorbex:"), std::string::npos) << both.str();
}

TEST(UnattendedHost, RowsAndTicksAsAFreshStartFillsTheList) {
    TempDir dir;
    // Two playlists, one union; any non-zero item counts as ticked; item_3
    // lies beyond the list and is ignored.
    WriteFile(dir / "Zorbl.Zrf",
              "[Zor:bl]\r\nplaylists=2\r\nunions=1\r\nitem_0=0\r\nitem_1=7\r\nitem_2=1\r\nitem_3=1\r\n"
              "overwrite=1\r\n");
    std::ostringstream out, err;
    UnattendedHost host(ProgramPlaces(dir.path()), out, err);
    EXPECT_EQ(host.RowCount(), 3);
    EXPECT_FALSE(host.RowTicked(0));
    EXPECT_TRUE(host.RowTicked(1));
    EXPECT_TRUE(host.RowTicked(2));
    EXPECT_FALSE(host.RowTicked(3));
    EXPECT_FALSE(host.RowTicked(-1));
    EXPECT_TRUE(host.Options().overwrite);
}

TEST(UnattendedHost, OverwriteDefaultsToOffAndDefinitionsComeFromTheFile) {
    TempDir dir;
    WriteFile(dir / "Zorbl.Zrf",
              "[Zor:bl]\r\nplaylists=1\r\n[Zor:bl:Playlist:1]\r\nfile=x.m3u\r\nmask=*.ogg\r\npath=/m\r\n"
              "[Zor:bl:Union:1]\r\nfile=u.m3u\r\nunite_0=1\r\n");
    std::ostringstream out, err;
    UnattendedHost host(ProgramPlaces(dir.path()), out, err);
    EXPECT_FALSE(host.Options().overwrite);
    const PlaylistDefinition p = host.LoadPlaylist(1);
    EXPECT_EQ(p.file, "x.m3u");
    EXPECT_EQ(p.mask, "*.ogg");
    EXPECT_EQ(p.path, "/m");
    const UnionDefinition u = host.LoadUnion(1);
    EXPECT_EQ(u.file, "u.m3u");
    EXPECT_EQ(u.members, std::vector<bool>{true});
    // An edit made between two loads is seen by the next one.
    WriteFile(dir / "Zorbl.Zrf", "[Zor:bl]\r\nplaylists=1\r\n[Zor:bl:Playlist:1]\r\nfile=y.m3u\r\n");
    EXPECT_EQ(host.LoadPlaylist(1).file, "y.m3u");
}

TEST(ExitStatus, FromTheRunResult) {
    const struct {
        RunStatus status;
        int failed;
        int exit;
    } cases[] = {
        {RunStatus::kCompleted, 0, 0},     {RunStatus::kCompleted, 1, 1}, {RunStatus::kCompleted, 5, 1},
        {RunStatus::kNothingTicked, 0, 2}, {RunStatus::kOutOfStep, 0, 2},
    };
    for (const auto& c : cases) {
        RunResult result;
        result.status = c.status;
        result.failed = c.failed;
        EXPECT_EQ(ExitStatusOf(result), c.exit) << static_cast<int>(c.status) << " " << c.failed;
    }
}

TEST(RunUnattended, WritesResetBeforeTheRunEvenWhenRefused) {
    TempDir dir;
    WriteFile(dir / "Zorbl.Zrf", "[Zor:bl]\r\nreset=1\r\nplaylists=1\r\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunUnattended(ProgramPlaces(dir.path()), out, err), kExitRefused);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), std::string(kNothingTickedMessage) + "\n");
    EXPECT_NE(ReadFile(dir / "Zorbl.Zrf").find("reset=0\r\n"), std::string::npos);
}

TEST(RunUnattended, UnwritableSettingsFileStopsBeforeTheRun) {
    TempDir dir;
    // Root may write anywhere; a folder in the file's place cannot be written.
    MakeDirs(dir / "Zorbl.Zrf");
    std::ostringstream out, err;
    EXPECT_EQ(RunUnattended(ProgramPlaces(dir.path()), out, err), kExitRefused);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Unable to write to " + dir.path() + "Zorbl.Zrf.\nПричина: на этом месте каталог.\n");

    // The user's own file, when neither place could be written: the reason follows.
    MakeDirs(dir / "user/Zorbl.Zrf");
    err.str("");
    EXPECT_EQ(RunUnattended(ProgramPlaces(dir / "prog/", dir / "user/", "no place"), out, err), kExitRefused);
    EXPECT_EQ(err.str(), "Unable to write to " + dir.path() + "user/Zorbl.Zrf.\nПричина: на этом месте каталог.\nno place.\n");
}

TEST(RunUnattended, ASettingsFileLockedByAnotherProcessStopsItWithStatusTwo) {
    TempDir dir;
    const std::string settings = dir / "Zorbl.Zrf";
    const std::string before =
        "[Zor:bl]\r\nreset=1\r\nplaylists=1\r\nitem_0=1\r\n[Zor:bl:Playlist:1]\r\npath=" + dir.path() + "gone\r\n";
    WriteFile(settings, before);
    zx_test::HeldInChild holder([&]() -> std::shared_ptr<void> {
        auto lock = std::make_shared<SettingsLock>(settings, SettingsLock::Mode::kExclusive);
        return lock->held() ? lock : nullptr;
    });
    ASSERT_TRUE(holder.taken());
    std::ostringstream out, err;
    EXPECT_EQ(RunUnattended(ProgramPlaces(dir.path()), out, err), kExitRefused);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Unable to write to " + settings + ".\n" + kSettingsLockedMessage + "\n");
    EXPECT_EQ(ReadFile(settings), before);
    EXPECT_FALSE(zx_test::Exists(dir / "playlist_1.m3u"));
    holder.Release();
    EXPECT_EQ(RunUnattended(ProgramPlaces(dir.path()), out, err), kExitSomeFailed);  // runs again once the lock is free
}

// A settings file beyond the memory the process may have: the run stops
// with status 2 and a sentence the user can read; a write fails as a failed
// write does (which the editors expect), and the file is kept.
TEST(RunUnattended, ASettingsFileTooLargeToReadIsSaidInWords) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#endif
    TempDir dir;
    const std::string settings = dir / "Zorbl.Zrf";
    WriteFile(settings, "[Zor:bl]\r\nreset=1\r\n");
    const off_t size = off_t{4} << 30;  // sparse: no disk space taken
    ASSERT_EQ(::truncate(settings.c_str(), size), 0);
    auto result = zx_test::RunInChild([&] {
        const rlimit limit{size_t{1} << 30, RLIM_INFINITY};
        if (::setrlimit(RLIMIT_AS, &limit) != 0) return std::string("no limit");
        std::ostringstream out, err;
        const int status = RunUnattended(ProgramPlaces(dir.path()), out, err);
        try {
            SettingsFile(settings).WriteNumber(MainSection(), "reset", 0);
        } catch (const SettingsWriteError&) {
            err << "write error";
        }
        return std::to_string(status) + "|" + out.str() + "|" + err.str();
    });
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result,
              "2||Файл настроек «" + settings + "» слишком велик: для его чтения не хватает памяти.\nwrite error");
    struct stat st {};
    ASSERT_EQ(::stat(settings.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, size);
}

TEST(RunUnattended, TheLogGoesToTheStreamAndAMissingFolderGivesOne) {
    TempDir dir;
    MakeDirs(dir / "music");
    WriteFile(dir / "music/a.mp3", "");
    WriteFile(dir / "Zorbl.Zrf",
              "[Zor:bl]\r\nplaylists=2\r\nitem_0=1\r\nitem_1=1\r\n[Zor:bl:Playlist:1]\r\npath=" + dir.path() +
                  "music\r\nfullpath=0\r\n[Zor:bl:Playlist:2]\r\npath=" + dir.path() + "gone\r\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunUnattended(ProgramPlaces(dir.path()), out, err), kExitSomeFailed);
    EXPECT_EQ(out.str(),
              "Zorbex v4.0i\n(журнал процесса)\n\nплейлист №1\n   файлов найдено: 1\n   исключено: 0\n   ок\n"
              "плейлист №2\n   каталог «" +
                  dir.path() + "gone/» не найден\nготово.\n");
    EXPECT_EQ(err.str(), "zorbex: плейлист №2: каталог «" + dir.path() + "gone/» не найден\n");
    EXPECT_EQ(ReadFile(dir / "playlist_1.m3u"), "a.mp3\r\n");
}

// A stored path longer than a read gives back names another file: the run
// writes nothing there, says so and counts it as a failure.
TEST(RunUnattended, OutputsAndFoldersCutOnReadingAreRefused) {
    TempDir dir;
    MakeDirs(dir / "music");
    WriteFile(dir / "music/a.mp3", "");
    // Folders that exist all along the output's path, so that its cut text
    // could be written.
    std::string folder = dir / "o/";
    while (folder.size() < 900) folder += std::string(99, 'd') + "/";
    MakeDirs(folder);
    const std::string output = folder + std::string(1100 - folder.size(), 'p') + ".m3u";
    const std::string cut = output.substr(0, 1023);
    const std::string longFolder = dir.path() + "music/" + std::string(1100, 'm');
    // What stands at the cut text is no member's playlist: a union leaves it out.
    WriteFile(cut, "elsewhere\r\n");
    WriteFile(dir / "Zorbl.Zrf",
              "[Zor:bl]\r\nplaylists=2\r\nunions=2\r\nitem_0=1\r\nitem_1=1\r\nitem_2=1\r\nitem_3=1\r\n"
              "[Zor:bl:Playlist:1]\r\nfile=" +
                  output + "\r\npath=" + dir.path() +
                  "music\r\n"
                  "[Zor:bl:Playlist:2]\r\npath=" +
                  longFolder +
                  "\r\n"
                  "[Zor:bl:Union:1]\r\nfile=" +
                  output +
                  "\r\nunite_0=1\r\n"
                  "[Zor:bl:Union:2]\r\nunite_0=1\r\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunUnattended(ProgramPlaces(dir.path()), out, err), kExitSomeFailed);
    const std::string reason = "»: имя в файле настроек длиннее 1023 символов\n";
    EXPECT_EQ(out.str(), "Zorbex v4.0i\n(журнал процесса)\n\nплейлист №1\n   не удалось записать файл «" + cut +
                             reason + "плейлист №2\n   не удалось прочитать каталог «" + longFolder.substr(0, 1023) +
                             reason + "объединение №1\n   не удалось записать файл «" + cut + reason +
                             "объединение №2\n   файлов итого: 0\n   объединено: 1\n   ок\nготово.\n");
    EXPECT_EQ(ReadFile(cut), "elsewhere\r\n");
    EXPECT_EQ(ReadFile(dir / "union_2.m3u"), "");
    EXPECT_FALSE(zx_test::Exists(dir / "playlist_2.m3u"));
}

}  // namespace
}  // namespace zorbex
