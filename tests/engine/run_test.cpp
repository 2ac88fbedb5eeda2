#include "engine/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace zorbex {
namespace {

using zx_test::Concat;
using zx_test::Exists;
using zx_test::kLogHeader;
using zx_test::MakeDirs;
using zx_test::Only;
using zx_test::ReadFile;
using zx_test::RecordingHost;
using zx_test::TempDir;
using zx_test::WriteFile;
using Lines = std::vector<std::string>;

class RunTest : public ::testing::Test {
protected:
    RunTest() : host(prog()) { MakeDirs(prog()); }

    std::string prog() const { return t / "prog/"; }
    std::string music() const { return t / "music/"; }

    void AddPlaylist(int n, const std::string& file, const std::string& folder) {
        PlaylistDefinition d = ReadPlaylistDefinition(SettingsFile(SettingsPath(prog())), n, folder);
        d.file = file;
        d.path = folder;
        SettingsFile s(SettingsPath(prog()));
        WritePlaylistDefinition(s, n, d);
    }
    void AddUnion(int m, const std::string& file, std::vector<bool> members) {
        SettingsFile s(SettingsPath(prog()));
        WriteUnionDefinition(s, m, UnionDefinition{"u", file, std::move(members)});
    }
    void AddSongs(int count) {
        for (int i = 0; i < count; ++i) WriteFile(music() + "song" + std::to_string(i) + ".mp3", "x");
    }

    TempDir t;
    RecordingHost host;
};

TEST(PercentOf, TruncatesAndTreatsNoTotalAsDone) {
    EXPECT_EQ(PercentOf(0, 0), 100);
    EXPECT_EQ(PercentOf(1, 3), 33);
    EXPECT_EQ(PercentOf(2, 3), 66);
    EXPECT_EQ(PercentOf(3, 3), 100);
    EXPECT_EQ(PercentOf(65536, 65537), 99);
}

TEST_F(RunTest, LogOfATickedAndAnUntickedPlaylist) {
    AddSongs(12);
    AddPlaylist(1, "one.m3u", music());
    AddPlaylist(2, "two.m3u", music());
    host.ticks = {true, false};
    const RunResult r = zorbex::Run(host, ProgramPlaces(prog()));
    EXPECT_EQ(r.status, RunStatus::kCompleted);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(host.log, Concat({kLogHeader,
                                {"плейлист №1", "   файлов найдено: 12", "   исключено: 0", "   ок", "плейлист №2",
                                 "   отключён", "готово."}}));
    const std::string written = ReadFile(prog() + "one.m3u");
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 12);
    EXPECT_FALSE(Exists(prog() + "two.m3u"));
    EXPECT_GE(host.yields, 1);
}

TEST_F(RunTest, ReportsInOrderFromTheChecksToTheLastLine) {
    AddPlaylist(1, "one.m3u", music());
    AddUnion(1, "u.m3u", {true});
    MakeDirs(music());
    host.ticks = {true, true};
    zorbex::Run(host, ProgramPlaces(prog()));
    EXPECT_EQ(Only(host.events, {"Starting", "Started", "Log Zorbex", "Log плейлист", "Log объединение", "Log готово",
                                 "Phase", "Definition", "Load", "Finished"}),
              (Lines{"Starting", "Started", "Log Zorbex v4.0i", "Phase playlists 1", "Definition 1 50",
                     "Log плейлист №1", "LoadPlaylist 1", "Phase unions 1", "Definition 1 100", "Log объединение №1",
                     "LoadUnion 1", "LoadPlaylist 1",  // the union's member
                     "Finished", "Log готово."}));
    EXPECT_EQ(host.log.back(), "готово.");
}

TEST_F(RunTest, NoPlaylistsOnlyUnions) {
    AddUnion(1, "u1.m3u", {});
    AddUnion(2, "u2.m3u", {});
    host.ticks = {true, false};
    zorbex::Run(host, ProgramPlaces(prog()));
    EXPECT_EQ(Only(host.events, {"Phase", "Definition"}),
              (Lines{"Phase playlists 0", "Phase unions 2", "Definition 1 50", "Definition 2 100"}));
    EXPECT_EQ(host.log, Concat({kLogHeader,
                                {"объединение №1", "   файлов итого: 0", "   объединено: 0", "   ок", "объединение №2",
                                 "   отключено", "готово."}}));
    EXPECT_EQ(ReadFile(prog() + "u1.m3u"), "");
    EXPECT_TRUE(Exists(prog() + "u1.m3u"));
    EXPECT_FALSE(Exists(prog() + "u2.m3u"));
}

TEST_F(RunTest, ShareOfTheRunCountsEveryDefinitionTickedOrNot) {
    MakeDirs(music());
    AddPlaylist(1, "one.m3u", music());
    AddPlaylist(2, "two.m3u", music());
    AddUnion(1, "u.m3u", {true, true});
    host.ticks = {false, true, false};
    zorbex::Run(host, ProgramPlaces(prog()));
    EXPECT_EQ(Only(host.events, {"Definition"}), (Lines{"Definition 1 33", "Definition 2 66", "Definition 1 100"}));
}

TEST_F(RunTest, RefusedRunsReportNothingButTheRefusal) {
    AddPlaylist(1, "one.m3u", music());
    struct Case {
        std::vector<bool> ticks;
        RunStatus status;
        std::string message;
    };
    const Case cases[] = {
        {{false}, RunStatus::kNothingTicked, kNothingTickedMessage},
        {{}, RunStatus::kNothingTicked, kNothingTickedMessage},
        {{true, false}, RunStatus::kOutOfStep, kOutOfStepMessage},  // the file holds one definition
    };
    for (const Case& c : cases) {
        RecordingHost h(prog());
        h.ticks = c.ticks;
        const RunResult r = zorbex::Run(h, ProgramPlaces(prog()));
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(r.Refused());
        EXPECT_EQ(h.events, (Lines{"Starting", "Refused " + c.message}));
        EXPECT_TRUE(h.log.empty());
    }
    EXPECT_FALSE(Exists(prog() + "one.m3u"));
}

TEST_F(RunTest, DamagedCountsAreRefusedNotIndexedOutOfRange) {
    WriteFile(SettingsPath(prog()), "[Zor:bl]\r\nplaylists=-2\r\nunions=5\r\n");
    host.ticks = {true, true, true};
    EXPECT_EQ(zorbex::Run(host, ProgramPlaces(prog())).status, RunStatus::kOutOfStep);
}

TEST_F(RunTest, TicksAreReadWhenTheRunReachesTheirRow) {
    WriteFile(music() + "a.mp3", "x");
    AddPlaylist(1, "one.m3u", music());
    AddPlaylist(2, "two.m3u", music());
    host.ticks = {true, true};
    host.onYield = [this](int) { host.ticks[1] = false; };
    zorbex::Run(host, ProgramPlaces(prog()));
    EXPECT_EQ(Only(host.log, {"плейлист", "   отключён", "   ок"}),
              (Lines{"плейлист №1", "   ок", "плейлист №2", "   отключён"}));
}

TEST_F(RunTest, UnionOnAnUntickedPlaylistsFileIsRefusedAndCounted) {
    WriteFile(music() + "a.mp3", "x");
    AddPlaylist(1, "one.m3u", music());
    AddPlaylist(2, "two.m3u", t / "no-such-folder");
    AddUnion(1, "one.m3u", {true, false});
    AddUnion(2, prog() + "sub/../one.m3u", {true, false});
    host.ticks = {false, true, true, true};
    const RunResult r = zorbex::Run(host, ProgramPlaces(prog()));
    EXPECT_EQ(r.status, RunStatus::kCompleted);
    EXPECT_EQ(r.playlists, (std::vector<BuildOutcome>{BuildOutcome::kDisabled, BuildOutcome::kFolderNotFound}));
    EXPECT_EQ(r.unions, (std::vector<UnionOutcome>{UnionOutcome::kOccupied, UnionOutcome::kOccupied}));
    EXPECT_EQ(r.failed, 3);
    EXPECT_EQ(Only(host.log, {"объединение", "   отменено"}),
              (Lines{"объединение №1", "   отменено - файл существует (занят плейлистом)", "объединение №2",
                     "   отменено - файл существует (занят плейлистом)"}));
    EXPECT_FALSE(Exists(prog() + "one.m3u"));
}

TEST_F(RunTest, SecondUnionWithTheSameOutputIsKeptAsExisting) {
    WriteFile(prog() + "playlist_1.m3u", "/m/a.mp3\r\n");
    WriteFile(SettingsPath(prog()), "[Zor:bl]\r\nplaylists=1\r\n");
    AddUnion(1, "same.m3u", {true});
    AddUnion(2, "same.m3u", {false});
    host.ticks = {false, true, true};
    const RunResult r = zorbex::Run(host, ProgramPlaces(prog()));
    EXPECT_EQ(r.unions, (std::vector<UnionOutcome>{UnionOutcome::kWritten, UnionOutcome::kKeptExisting}));
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(Only(host.log, {"   отменено"}), Lines{"   отменено - файл существует"});
    EXPECT_EQ(ReadFile(prog() + "same.m3u"), "/m/a.mp3\r\n");
}

TEST_F(RunTest, UnionJoinsThePlaylistsJustBuilt) {
    WriteFile(music() + "a/1.mp3", "x");
    WriteFile(music() + "b/2.mp3", "x");
    AddPlaylist(1, "pa.m3u", music() + "a");
    AddPlaylist(2, "pb.m3u", music() + "b");
    AddUnion(1, "all.m3u", {true, true});
    host.ticks = {true, true, true};
    host.options.overwrite = true;
    WriteFile(prog() + "all.m3u", "old\r\n");
    zorbex::Run(host, ProgramPlaces(prog()));
    EXPECT_EQ(ReadFile(prog() + "all.m3u"), music() + "a/1.mp3\r\n" + music() + "b/2.mp3\r\n");
    EXPECT_EQ(Only(host.log, {"   файлов итого", "   объединено"}), (Lines{"   файлов итого: 2", "   объединено: 2"}));
}

TEST_F(RunTest, UnwritableOutputsCountAsFailuresAndTheRunGoesOn) {
    MakeDirs(music());
    AddPlaylist(1, "missing/one.m3u", music());
    AddUnion(1, "missing/u.m3u", {true});
    AddUnion(2, "u2.m3u", {true});
    host.ticks = {true, true, true};
    const RunResult r = zorbex::Run(host, ProgramPlaces(prog()));
    EXPECT_EQ(r.failed, 2);
    EXPECT_EQ(r.unions.back(), UnionOutcome::kWritten);
    EXPECT_EQ(Only(host.log, {"   ок"}), Lines{"   ок"});
    EXPECT_EQ(host.log.back(), "готово.");
}

TEST_F(RunTest, AStopEndsTheRunAtTheNextFolderAndKeepsTheOldFile) {
    for (const char* sub : {"a", "b", "c"}) WriteFile(music() + sub + "/song.mp3", "x");
    AddPlaylist(1, "one.m3u", music());
    AddPlaylist(2, "two.m3u", music());
    AddUnion(1, "u.m3u", {true, true});
    WriteFile(prog() + "one.m3u", "old\r\n");
    host.ticks = {true, true, true};
    host.options.overwrite = true;
    bool stop = false;
    host.stopRequested = [&] { return stop; };
    host.onYield = [&](int visit) { stop = stop || visit == 2; };
    const RunResult r = zorbex::Run(host, ProgramPlaces(prog()));
    EXPECT_EQ(r.status, RunStatus::kStopped);
    EXPECT_FALSE(r.Refused());
    EXPECT_EQ(host.yields, 2);
    EXPECT_EQ(ReadFile(prog() + "one.m3u"), "old\r\n");
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(prog())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Lines{"Zorbl.Zrf", "one.m3u"}));  // no temporary, nothing else written
    EXPECT_EQ(host.log, Concat({kLogHeader, {"плейлист №1"}}));
    EXPECT_TRUE(Only(host.events, {"Finished", "LoadPlaylist 2", "LoadUnion"}).empty());
}

}  // namespace
}  // namespace zorbex
