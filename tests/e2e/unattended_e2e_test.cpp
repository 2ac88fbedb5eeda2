// The built program run as cron or a systemd timer would run it: a copy in
// a program folder of its own (the settings file is read beside the real
// executable, so a link would not do), a prepared Zorbl.Zrf and media tree,
// and no display in the environment.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>

#include "support/temp_dir.h"

extern char** environ;

namespace {

using zx_test::Exists;
using zx_test::MakeDirs;
using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;

struct Outcome {
    bool finished = false;
    int status = -1;
    std::string out;
    std::string err;
};

// Runs exe with args. The display variables are taken out of the
// environment, the locale is fixed (the expected orders are those of the
// root collation; a Russian one puts Cyrillic first) and `extra`
// ("NAME=value") is put in. A program still running after `limit` is killed
// and reported as not finished. Standard output is a file (read into
// Outcome::out), a pipe nobody reads any more, closed, or a full device.
enum class Stdout { kFile, kReaderGone, kClosed, kFull };
Outcome RunExe(const std::string& exe, const std::vector<std::string>& args, const std::vector<std::string>& extra = {},
               std::chrono::seconds limit = std::chrono::seconds(60), Stdout stdoutTo = Stdout::kFile) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name == "DISPLAY" || name == "WAYLAND_DISPLAY" || name == "QT_QPA_PLATFORM" || name == "LANG" ||
            name == "LANGUAGE" || name.rfind("LC_", 0) == 0)
            continue;
        env.push_back(entry);
    }
    env.push_back("LC_ALL=C.UTF-8");
    env.insert(env.end(), extra.begin(), extra.end());
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    // Output goes to files outside the program's folder, so that nothing the
    // program writes there is mixed with it.
    TempDir capture;
    const std::string outPath = capture / "out", errPath = capture / "err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int pipeEnds[2] = {-1, -1};
    if (stdoutTo == Stdout::kReaderGone && pipe(pipeEnds) == 0) {
        close(pipeEnds[0]);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    } else if (stdoutTo == Stdout::kClosed) {
        posix_spawn_file_actions_addclose(&actions, 1);
    } else if (stdoutTo == Stdout::kFull) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (pipeEnds[1] >= 0) close(pipeEnds[1]);
    Outcome outcome;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << exe << ": " << spawned;
        return outcome;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int wstatus = 0;
    while (waitpid(pid, &wstatus, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            outcome.out = ReadFile(outPath);
            outcome.err = ReadFile(errPath);
            return outcome;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    outcome.finished = true;
    outcome.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    outcome.out = ReadFile(outPath);
    outcome.err = ReadFile(errPath);
    return outcome;
}

// The program copy in dir.
Outcome RunProgram(const TempDir& dir, const std::vector<std::string>& args,
                   const std::vector<std::string>& extra = {},
                   std::chrono::seconds limit = std::chrono::seconds(60)) {
    return RunExe(dir / "zorbex", args, extra, limit);
}

void InstallProgram(const TempDir& dir) {
    std::filesystem::copy_file(ZORBEX_EXE, dir / "zorbex");
}

// Three playlists (the third not ticked) and two unions (the second not
// ticked) over a small tree: Latin and Cyrillic names, other extensions,
// a hidden file, a subfolder, an excluded name.
void MakeMedia(const TempDir& dir) {
    for (const char* f : {"media/rock/b.mp3", "media/rock/A.MP3", "media/rock/песня.mp3", "media/rock/notes.txt",
                          "media/rock/.hidden.mp3", "media/rock/live/d.mp3", "media/jazz/x.mp3", "media/jazz/y.mp3",
                          "media/jazz/skip.mp3", "media/jazz/deep/z.mp3"})
        WriteFile(dir / f, "");
}

std::string Settings(const TempDir& dir, const std::string& main, const std::string& jazzFolder = "media/jazz",
                     const std::string& unionFile = "all.m3u") {
    return "[Zor:bl]\r\nplaylists=3\r\nunions=2\r\n" + main +
           "[Zor:bl:Playlist:1]\r\nname=Rock\r\nfile=rock.m3u\r\nmask=*.mp3\r\npath=" + dir.path() +
           "media/rock\r\nsubfolders=1\r\nfullpath=1\r\n"
           "[Zor:bl:Playlist:2]\r\nfile=" + dir.path() + "jazz.m3u\r\nmask=*.mp3\r\npath=" + dir.path() +
           jazzFolder + "\r\nsubfolders=0\r\nfullpath=0\r\nignore_use=1\r\nignore_no=1\r\nignore_0=skip.mp3\r\n"
           "[Zor:bl:Playlist:3]\r\nfile=three.m3u\r\npath=" + dir.path() + "media\r\n"
           "[Zor:bl:Union:1]\r\nfile=" + unionFile + "\r\nunite_0=1\r\nunite_1=1\r\n"
           "[Zor:bl:Union:2]\r\nfile=second.m3u\r\nunite_0=1\r\n";
}

const char* const kTicks = "item_0=1\r\nitem_1=1\r\nitem_2=0\r\nitem_3=1\r\nitem_4=0\r\n";

std::string RockBytes(const TempDir& dir) {
    const std::string r = dir.path() + "media/rock/";
    return r + "A.MP3\r\n" + r + "b.mp3\r\n" + r + "песня.mp3\r\n" + r + "live/d.mp3\r\n";
}

const char* const kJazzBytes = "x.mp3\r\ny.mp3\r\n";

const char* const kHeader = "Zorbex v4.0i\n(журнал процесса)\n\n";
const char* const kRockLog = "плейлист №1\n   файлов найдено: 4\n   исключено: 0\n   ок\n";
const char* const kJazzLog = "плейлист №2\n   файлов найдено: 3\n   исключено: 1\n   ок\n";
const char* const kThreeLog = "плейлист №3\n   отключён\n";
const char* const kSecondUnionLog = "объединение №2\n   отключено\nготово.\n";

// Every file the run may write, and what it must hold (nullopt: absent).
using Files = std::map<std::string, std::optional<std::string>>;

void ExpectFiles(const TempDir& dir, const Files& files) {
    for (const auto& [name, bytes] : files) {
        if (!bytes) {
            EXPECT_FALSE(Exists(dir / name)) << name;
        } else {
            EXPECT_TRUE(Exists(dir / name)) << name;
            EXPECT_EQ(ReadFile(dir / name), *bytes) << name;
        }
    }
}

TEST(UnattendedProgram, RunsAsASchedulerWouldAndReportsByExitStatus) {
    struct Case {
        std::string name;
        std::string options;                 // main-section keys beside the ticks
        std::string jazzFolder = "media/jazz";
        std::string unionFile = "all.m3u";
        std::map<std::string, std::string> before;  // files present before the run
        int status;
        std::string log;                     // after the header
        std::function<Files(const TempDir&)> files;
        std::string err = "";  // the failed definitions' lines told again
    };
    const std::vector<Case> cases = {
        {"all built", "", "media/jazz", "all.m3u", {}, 0,
         std::string(kRockLog) + kJazzLog + kThreeLog + "объединение №1\n   файлов итого: 6\n   объединено: 2\n   ок\n" +
             kSecondUnionLog,
         [](const TempDir& d) {
             return Files{{"rock.m3u", RockBytes(d)}, {"jazz.m3u", kJazzBytes},
                          {"all.m3u", RockBytes(d) + kJazzBytes}, {"three.m3u", std::nullopt},
                          {"second.m3u", std::nullopt}};
         }},
        {"folder not found", "", "media/gone", "all.m3u", {}, 1,
         std::string(kRockLog) + "плейлист №2\n   каталог «DIR/media/gone» не найден\n" + kThreeLog +
             "объединение №1\n   файлов итого: 4\n   объединено: 2\n   ок\n" + kSecondUnionLog,
         [](const TempDir& d) {
             return Files{{"rock.m3u", RockBytes(d)}, {"jazz.m3u", std::nullopt}, {"all.m3u", RockBytes(d)}};
         },
         "zorbex: плейлист №2: каталог «DIR/media/gone» не найден\n"},
        {"union on a playlist's file", "", "media/jazz", "rock.m3u", {}, 1,
         std::string(kRockLog) + kJazzLog + kThreeLog +
             "объединение №1\n   отменено - файл существует (занят плейлистом)\n" + kSecondUnionLog,
         [](const TempDir& d) { return Files{{"rock.m3u", RockBytes(d)}, {"jazz.m3u", kJazzBytes}}; },
         "zorbex: объединение №1: отменено - файл существует (занят плейлистом)\n"},
        // Kept outputs are no failure; the union reads the kept file.
        {"existing outputs kept", "overwrite=0\r\n", "media/jazz", "all.m3u", {{"jazz.m3u", "old\r\n"}}, 0,
         std::string(kRockLog) + "плейлист №2\n   отменён - файл существует\n" + kThreeLog +
             "объединение №1\n   файлов итого: 5\n   объединено: 2\n   ок\n" + kSecondUnionLog,
         [](const TempDir& d) {
             return Files{{"jazz.m3u", "old\r\n"}, {"all.m3u", RockBytes(d) + "old\r\n"}};
         }},
        {"existing outputs replaced", "overwrite=1\r\n", "media/jazz", "all.m3u",
         {{"jazz.m3u", "old\r\n"}, {"all.m3u", "stale\r\n"}}, 0,
         std::string(kRockLog) + kJazzLog + kThreeLog + "объединение №1\n   файлов итого: 6\n   объединено: 2\n   ок\n" +
             kSecondUnionLog,
         [](const TempDir& d) {
             return Files{{"jazz.m3u", kJazzBytes}, {"all.m3u", RockBytes(d) + kJazzBytes}};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        InstallProgram(dir);
        MakeMedia(dir);
        WriteFile(dir / "Zorbl.Zrf", Settings(dir, std::string("reset=1\r\n") + kTicks + c.options, c.jazzFolder,
                                              c.unionFile));
        for (const auto& [name, bytes] : c.before) WriteFile(dir / name, bytes);

        const Outcome run = RunProgram(dir, {"/START"});
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.status, c.status);
        std::string log = kHeader + c.log;
        for (size_t at; (at = log.find("DIR/")) != std::string::npos;) log.replace(at, 4, dir.path());
        EXPECT_EQ(run.out, log);
        std::string err = c.err;
        for (size_t at; (at = err.find("DIR/")) != std::string::npos;) err.replace(at, 4, dir.path());
        EXPECT_EQ(run.err, err);
        ExpectFiles(dir, c.files(dir));
        const std::string settings = ReadFile(dir / "Zorbl.Zrf");
        EXPECT_NE(settings.find("reset=0\r\n"), std::string::npos) << settings;
        EXPECT_EQ(settings.find("reset=1"), std::string::npos) << settings;
    }
}

// A log reader that went away (a closed pipe) must not end the run halfway.
TEST(UnattendedProgram, BuildsEverythingWhenNobodyReadsTheLog) {
    TempDir dir;
    InstallProgram(dir);
    MakeMedia(dir);
    WriteFile(dir / "Zorbl.Zrf", Settings(dir, kTicks));
    const Outcome run = RunExe(dir / "zorbex", {"/start"}, {}, std::chrono::seconds(60), Stdout::kReaderGone);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    ExpectFiles(dir, Files{{"rock.m3u", RockBytes(dir)}, {"jazz.m3u", kJazzBytes},
                           {"all.m3u", RockBytes(dir) + kJazzBytes}});
}

TEST(UnattendedProgram, RefusalsGoToStandardErrorWithStatusTwo) {
    const struct {
        const char* name;
        bool settingsIsFolder;
        std::string settings;  // with the program folder's path as DIR/
        std::string err;
    } cases[] = {
        {"nothing ticked", false, "[Zor:bl]\r\nplaylists=1\r\nitem_0=0\r\n",
         "Не выбран ни один плейлист для создания.\n"},
        {"no settings file at all", false, "", "Не выбран ни один плейлист для создания.\n"},
        {"settings file not writable", true, "", "Unable to write to DIR/Zorbl.Zrf.\nПричина: на этом месте каталог.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        InstallProgram(dir);
        // The tests run as root, who may write any file: a folder in the
        // settings file's place is what no one can write.
        if (c.settingsIsFolder) MakeDirs(dir / "Zorbl.Zrf");
        if (!c.settings.empty()) WriteFile(dir / "Zorbl.Zrf", c.settings);
        const Outcome run = RunProgram(dir, {"/go"});
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        std::string err = c.err;
        if (const size_t at = err.find("DIR/"); at != std::string::npos) err.replace(at, 4, dir.path());
        EXPECT_EQ(run.err, err);
        if (!c.settingsIsFolder) {
            EXPECT_NE(ReadFile(dir / "Zorbl.Zrf").find("reset=0\r\n"), std::string::npos);
        }
        EXPECT_FALSE(Exists(dir / "playlist_1.m3u"));
    }
}

TEST(UnattendedProgram, WithoutASwitchItSaysAWindowNeedsADisplay) {
    TempDir dir;
    InstallProgram(dir);
    MakeMedia(dir);
    const std::string settings = Settings(dir, kTicks);
    WriteFile(dir / "Zorbl.Zrf", settings);
    // Only an exact switch as the first argument runs.
    const std::vector<std::vector<std::string>> lines = {{}, {"start"}, {"/start "}, {"x", "/start"}};
    for (const auto& args : lines) {
        SCOPED_TRACE(args.empty() ? std::string("(none)") : args.front());
        const Outcome run = RunProgram(dir, args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("дисплей"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("/start"), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    // A switch the program does not know is refused, with a display too.
    for (const char* unknown : {"-start", "--HELP"}) {
        const Outcome run = RunProgram(dir, {unknown}, {"QT_QPA_PLATFORM=offscreen"});
        ASSERT_TRUE(run.finished) << unknown;
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("zorbex: неизвестный ключ «" + std::string(unknown) + "»", 0), 0u) << run.err;
    }
    EXPECT_EQ(ReadFile(dir / "Zorbl.Zrf"), settings);
    EXPECT_FALSE(Exists(dir / "rock.m3u"));
}

TEST(UnattendedProgram, HelpAndVersionWithAndWithoutADisplay) {
    TempDir dir;
    InstallProgram(dir);
    // A display that does not exist: neither answer may try to reach it.
    for (const std::vector<std::string>& extra :
         std::vector<std::vector<std::string>>{{}, {"DISPLAY=:97"}, {"QT_QPA_PLATFORM=offscreen"}}) {
        SCOPED_TRACE(extra.empty() ? std::string("no display") : extra.front());
        for (const char* ask : {"--version", "-V"}) {
            const Outcome version = RunProgram(dir, {ask}, extra);
            ASSERT_TRUE(version.finished);
            EXPECT_EQ(version.status, 0);
            EXPECT_EQ(version.out, "Zorbex v4.0i\n");
            EXPECT_EQ(version.err, "");
        }
        for (const char* ask : {"--help", "-h"}) {
            const Outcome help = RunProgram(dir, {ask}, extra);
            ASSERT_TRUE(help.finished);
            EXPECT_EQ(help.status, 0);
            EXPECT_EQ(help.err, "");
            EXPECT_EQ(help.out.rfind("Zorbex v4.0i", 0), 0u) << help.out;
            EXPECT_NE(help.out.find("Файл настроек: " + dir.path() + "Zorbl.Zrf\n"), std::string::npos) << help.out;
            for (const char* word : {"/start", "/auto", "/go", "/do", "--version", "-V", "Код завершения"})
                EXPECT_NE(help.out.find(word), std::string::npos) << word;
        }
    }
    EXPECT_FALSE(Exists(dir / "Zorbl.Zrf"));
}

// A text that could not be written is no success (`>&-`, `> /dev/full`).
TEST(UnattendedProgram, HelpAndVersionThatCannotBeWrittenFail) {
    TempDir dir;
    InstallProgram(dir);
    for (const Stdout to : {Stdout::kClosed, Stdout::kFull}) {
        for (const char* ask : {"--help", "-V"}) {
            SCOPED_TRACE(std::string(ask) + (to == Stdout::kFull ? " full" : " closed"));
            const Outcome run = RunExe(dir / "zorbex", {ask}, {}, std::chrono::seconds(60), to);
            ASSERT_TRUE(run.finished);
            EXPECT_EQ(run.status, 2);
            EXPECT_NE(run.err.find("стандартный вывод"), std::string::npos) << run.err;
        }
    }
}

// The same run through the window on the offscreen platform: the window
// starts it by itself half a second after start-up and quits when done.
TEST(UnattendedProgram, OffscreenWindowBuildsTheSameFiles) {
    TempDir dir;
    InstallProgram(dir);
    MakeMedia(dir);
    WriteFile(dir / "Zorbl.Zrf", Settings(dir, std::string("reset=1\r\nterminate=1\r\n") + kTicks));
    const Outcome run = RunProgram(dir, {"/start"}, {"QT_QPA_PLATFORM=offscreen"}, std::chrono::seconds(20));
    ASSERT_TRUE(run.finished) << "the window did not run /start by itself and quit within 20 s";
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    ExpectFiles(dir, Files{{"rock.m3u", RockBytes(dir)}, {"jazz.m3u", kJazzBytes},
                           {"all.m3u", RockBytes(dir) + kJazzBytes}, {"three.m3u", std::nullopt},
                           {"second.m3u", std::nullopt}});
    EXPECT_NE(ReadFile(dir / "Zorbl.Zrf").find("reset=0\r\n"), std::string::npos);

    // A ticked definition that fails ends the window's run with the same status as one without a window.
    WriteFile(dir / "Zorbl.Zrf", Settings(dir, std::string("terminate=1\r\noverwrite=1\r\n") + kTicks, "media/gone"));
    const Outcome failed = RunProgram(dir, {"/start"}, {"QT_QPA_PLATFORM=offscreen"}, std::chrono::seconds(20));
    ASSERT_TRUE(failed.finished);
    EXPECT_EQ(failed.status, 1);
}

// A display that cannot be opened (a dropped ssh -X session, a cron line
// that inherited DISPLAY, a Wayland socket that is gone) never aborts: a
// switch runs unattended after one line saying so, no switch says so and
// ends with 2.
TEST(UnattendedProgram, AnUnreachableDisplayRunsUnattendedOrSaysSo) {
    TempDir runtime;
    const std::vector<std::vector<std::string>> displays = {
        {"DISPLAY=:97"}, {"WAYLAND_DISPLAY=gone", "XDG_RUNTIME_DIR=" + runtime.path()}};
    for (const auto& display : displays) {
        SCOPED_TRACE(display.front());
        TempDir dir;
        InstallProgram(dir);
        MakeMedia(dir);
        const std::string settings = Settings(dir, kTicks);
        WriteFile(dir / "Zorbl.Zrf", settings);
        for (const std::vector<std::string>& args :
             std::vector<std::vector<std::string>>{{}, {"-platform", "xcb", "/start"}}) {
            SCOPED_TRACE(args.empty() ? std::string("(none)") : args.front());
            const Outcome refused = RunProgram(dir, args, display);
            ASSERT_TRUE(refused.finished);
            EXPECT_EQ(refused.status, 2);
            EXPECT_EQ(refused.out, "");
            EXPECT_NE(refused.err.find("дисплей не открывается"), std::string::npos) << refused.err;
            EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
        }
        EXPECT_EQ(ReadFile(dir / "Zorbl.Zrf"), settings);

        const Outcome run = RunProgram(dir, {"/Start"}, display);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, std::string(kHeader) + kRockLog + kJazzLog + kThreeLog +
                               "объединение №1\n   файлов итого: 6\n   объединено: 2\n   ок\n" + kSecondUnionLog);
        EXPECT_NE(run.err.find("дисплей не открывается"), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        ExpectFiles(dir, Files{{"rock.m3u", RockBytes(dir)}, {"all.m3u", RockBytes(dir) + kJazzBytes}});
    }
}

// Qt takes its own options out of the command line; the first argument is
// still the one typed, so "-style fusion /start" opens an ordinary window.
TEST(UnattendedProgram, TheFirstArgumentIsTheOneTyped) {
    TempDir dir;
    InstallProgram(dir);
    MakeMedia(dir);
    WriteFile(dir / "Zorbl.Zrf", Settings(dir, std::string("reset=0\r\nterminate=1\r\n") + kTicks));
    // A run would start half a second after start-up and end the program.
    const Outcome run =
        RunProgram(dir, {"-style", "fusion", "/start"}, {"QT_QPA_PLATFORM=offscreen"}, std::chrono::seconds(4));
    EXPECT_FALSE(run.finished) << "the window ran /start by itself";
    EXPECT_FALSE(Exists(dir / "rock.m3u"));
}

// The value of `key=` in a desktop entry, string escapes undone.
std::string EntryValue(const std::string& entry, const std::string& key) {
    const size_t at = entry.find("\n" + key + "=");
    if (at == std::string::npos) return "";
    const size_t begin = at + key.size() + 2;
    const std::string raw = entry.substr(begin, entry.find('\n', begin) - begin);
    std::string value;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size()) {
            const char c = raw[++i];
            value += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        } else {
            value += raw[i];
        }
    }
    return value;
}

// The program path of an Exec value: one quoted argument, no field codes.
// Inside the quotes " ` $ and \ must be escaped by a backslash.
std::string ExecProgram(const std::string& exec) {
    if (exec.size() < 2 || exec.front() != '"' || exec.back() != '"') return "(not quoted) " + exec;
    std::string path;
    for (size_t i = 1; i + 1 < exec.size(); ++i) {
        if (std::string_view("\"`$").find(exec[i]) != std::string_view::npos) return "(not escaped) " + exec;
        if (exec[i] == '\\') {
            if (std::string_view("\"`$\\").find(exec[i + 1]) == std::string_view::npos) return "(bad escape) " + exec;
            path += exec[++i];
        } else if (exec[i] == '%') {
            if (exec[i + 1] != '%') return "(field code) " + exec;
            path += exec[i++];
        } else {
            path += exec[i];
        }
    }
    return path;
}

TEST(Install, GivesAProgramFolderOfItsOwn) {
    TempDir root;
    // Characters a desktop entry must escape (CMake itself cannot install
    // below a backslash or a double quote).
    const std::string prefix = root / "opt dir 100% $HOME `x`";
    const Outcome install = RunExe(ZORBEX_CMAKE, {"--install", ZORBEX_BUILD_DIR, "--prefix", prefix});
    ASSERT_TRUE(install.finished);
    ASSERT_EQ(install.status, 0) << install.out << install.err;

    EXPECT_EQ(access((prefix + "/zorbex").c_str(), X_OK), 0);
    EXPECT_EQ(ReadFile(prefix + "/zorbhelp.hlp"), ReadFile(ZORBEX_BUILD_DIR "/bin/zorbhelp.hlp"));
    const std::string entry = ReadFile(prefix + "/zorbex.desktop");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
    EXPECT_EQ(EntryValue(entry, "Type"), "Application");
    EXPECT_EQ(EntryValue(entry, "Name"), "Zorbex");
    EXPECT_EQ(ExecProgram(EntryValue(entry, "Exec")), prefix + "/zorbex") << entry;
    const std::string icon = EntryValue(entry, "Icon");
    EXPECT_EQ(icon, prefix + "/zorbex.xpm");
    EXPECT_EQ(ReadFile(icon).rfind("/* XPM */", 0), 0u);

    // It runs from there and keeps its settings there.
    const Outcome help = RunExe(prefix + "/zorbex", {"--help"});
    ASSERT_TRUE(help.finished);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Файл настроек: " + prefix + "/Zorbl.Zrf\n"), std::string::npos) << help.out;
    const Outcome run = RunExe(prefix + "/zorbex", {"/start"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(ReadFile(prefix + "/Zorbl.Zrf").find("reset=0"), std::string::npos);

    // The entry passes the freedesktop validator, hints included, where it is installed.
    const char* const validator = "/usr/bin/desktop-file-validate";
    if (access(validator, X_OK) == 0) {
        const Outcome valid = RunExe(validator, {prefix + "/zorbex.desktop"});
        ASSERT_TRUE(valid.finished);
        EXPECT_EQ(valid.status, 0) << valid.out << valid.err;
        EXPECT_EQ(valid.out + valid.err, "");
    }
}

}  // namespace
