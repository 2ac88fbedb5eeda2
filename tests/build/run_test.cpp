#include "build/run.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/temp_dir.h"

namespace zorbex {
namespace {

using zx_test::Exists;
using zx_test::MakeDirs;
using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;
using Lines = std::vector<std::string>;

// Records every call, in one list for the order and per bar for the values.
class FakeBar : public RunBar {
public:
    FakeBar(std::string name, Lines& events) : name_(std::move(name)), events_(events) {}
    void SetMax(int v) override {
        max = v;
        maxes.push_back(v);
        events_.push_back(name_ + ".Max " + std::to_string(v));
    }
    void SetPosition(int v) override {
        position = v;
        positions.push_back(v);
        events_.push_back(name_ + ".Position " + std::to_string(v));
    }
    void SetPosTextPrefix(const std::string& v) override {
        prefix = v;
        events_.push_back(name_ + ".Prefix " + v);
    }
    void SetPosTextSuffix(const std::string& v) override {
        suffix = v;
        events_.push_back(name_ + ".Suffix " + v);
    }
    void SetShowPosText(bool v) override {
        show = v;
        events_.push_back(name_ + ".Show " + std::to_string(v));
    }

    int max = -1;
    int position = -1;
    std::string prefix, suffix;
    bool show = false;
    std::vector<int> maxes, positions;

private:
    std::string name_;
    Lines& events_;
};

class FakeHost : public RunHost {
public:
    explicit FakeHost(std::string programDir) : programDir_(std::move(programDir)) {}

    int RowCount() override { return static_cast<int>(ticks.size()); }
    bool RowTicked(int row) override { return ticks.at(static_cast<size_t>(row)); }
    PlaylistDefinition LoadPlaylist(int n) override {
        events.push_back("LoadPlaylist " + std::to_string(n));
        return ReadPlaylistDefinition(SettingsFile(SettingsPath(programDir_)), n, "/nonexistent-music");
    }
    UnionDefinition LoadUnion(int m) override {
        events.push_back("LoadUnion " + std::to_string(m));
        return ReadUnionDefinition(SettingsFile(SettingsPath(programDir_)), m);
    }
    bool OverwriteOption() override { return overwrite; }
    bool LogOption() override { return logOption; }
    bool QuitOption() override { return quitOption; }
    bool AutoRunMarker() override { return marker; }
    void ClearAutoRunMarker() override {
        marker = false;
        events.push_back("ClearMarker");
    }
    void RequestQuit() override { events.push_back("Quit"); }
    void ShowRefusal(const std::string& message) override { events.push_back("Refusal " + message); }
    void ClearLog() override {
        log.clear();
        events.push_back("ClearLog");
    }
    void AppendLog(const std::string& line) override { log.push_back(line); }
    void ShowLog() override { events.push_back("ShowLog"); }
    void SetStartButton(bool enabled, const std::string& caption) override {
        events.push_back("Start " + std::to_string(enabled) + " " + caption);
    }
    void SetQuitButtonEnabled(bool enabled) override { events.push_back("Exit " + std::to_string(enabled)); }
    RunBar& bar_progress() override { return progress; }
    RunBar& bar_total() override { return total; }
    RunBar& bar_compact() override { return compact; }
    void Redraw() override { events.push_back("Redraw"); }
    void Yield() override {
        ++yields;
        if (onYield) onYield();
    }

    std::vector<bool> ticks;
    bool overwrite = false, logOption = true, quitOption = true, marker = false;
    Lines events, log;
    FakeBar progress{"progress", events}, total{"total", events}, compact{"compact", events};
    int yields = 0;
    std::function<void()> onYield;

private:
    std::string programDir_;
};

const Lines kHeader{"Zorbex v4.0i", "(журнал процесса)", ""};

Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Only the events that name one of the given prefixes, in order.
Lines Only(const Lines& events, std::initializer_list<std::string> prefixes) {
    Lines picked;
    for (const std::string& e : events) {
        for (const std::string& p : prefixes) {
            if (e.starts_with(p)) {
                picked.push_back(e);
                break;
            }
        }
    }
    return picked;
}

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
    FakeHost host;
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
    const RunResult r = zorbex::Run(host, prog());
    EXPECT_EQ(r.status, RunStatus::kCompleted);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(host.log, Concat({kHeader,
                                {"плейлист №1", "   файлов найдено: 12", "   исключено: 0", "   ок", "плейлист №2",
                                 "   отключён", "готово."}}));
    const std::string written = ReadFile(prog() + "one.m3u");
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 12);
    EXPECT_FALSE(Exists(prog() + "two.m3u"));
    EXPECT_GE(host.yields, 1);
}

TEST_F(RunTest, StartAndEndDriveTheViewInOrder) {
    AddPlaylist(1, "one.m3u", music());
    AddUnion(1, "u.m3u", {true});
    MakeDirs(music());
    host.ticks = {true, true};
    zorbex::Run(host, prog());
    EXPECT_EQ(Only(host.events, {"Exit", "Start", "Redraw", "ShowLog", "ClearLog", "Load", "Quit", "ClearMarker"}),
              (Lines{"Exit 0", "Start 0 ", "Redraw", "ShowLog", "ClearLog", "Redraw", "LoadPlaylist 1",
                     "LoadUnion 1", "LoadPlaylist 1",  // the union's member
                     "LoadPlaylist 1", "LoadUnion 1",  // the editors back at definition 1
                     "Exit 1", "Start 1 З А П У С К", "ClearMarker"}));
    EXPECT_EQ(Only(host.events, {"progress."}),
              (Lines{"progress.Position 0", "progress.Show 1", "progress.Prefix ПЛЕЙЛИСТ ", "progress.Suffix  из 1",
                     "progress.Max 1", "progress.Position 1", "progress.Prefix ОБЪЕДИНЕНИЕ ",
                     "progress.Suffix  из 1", "progress.Max 1", "progress.Position 1", "progress.Prefix -",
                     "progress.Suffix -", "progress.Position 1", "progress.Show 0"}));
    EXPECT_EQ(host.total.maxes, std::vector<int>{100});
    EXPECT_TRUE(host.total.show);
    EXPECT_EQ(host.compact.maxes, std::vector<int>{100});
    EXPECT_EQ(host.compact.position, 100);
    EXPECT_EQ(host.log.back(), "готово.");
}

TEST_F(RunTest, LogStaysHiddenWithoutTheOptionButIsStillWritten) {
    AddUnion(1, "u.m3u", {});
    host.ticks = {true};
    host.logOption = false;
    zorbex::Run(host, prog());
    EXPECT_EQ(Only(host.events, {"ShowLog"}), Lines{});
    EXPECT_EQ(host.log.front(), "Zorbex v4.0i");
}

TEST_F(RunTest, NoPlaylistsOnlyUnions) {
    AddUnion(1, "u1.m3u", {});
    AddUnion(2, "u2.m3u", {});
    host.ticks = {true, false};
    zorbex::Run(host, prog());
    EXPECT_EQ(host.progress.maxes, (std::vector<int>{1, 2}));
    EXPECT_EQ(host.progress.position, 2);
    EXPECT_EQ(host.log, Concat({kHeader,
                                {"объединение №1", "   файлов итого: 0", "   объединено: 0", "   ок",
                                 "объединение №2", "   отключено", "готово."}}));
    EXPECT_EQ(ReadFile(prog() + "u1.m3u"), "");
    EXPECT_TRUE(Exists(prog() + "u1.m3u"));
    EXPECT_FALSE(Exists(prog() + "u2.m3u"));
}

TEST_F(RunTest, TotalBarCountsEveryDefinitionTickedOrNot) {
    MakeDirs(music());
    AddPlaylist(1, "one.m3u", music());
    AddPlaylist(2, "two.m3u", music());
    AddUnion(1, "u.m3u", {true, true});
    host.ticks = {false, true, false};
    zorbex::Run(host, prog());
    EXPECT_EQ(host.total.positions, (std::vector<int>{0, 33, 66, 100}));
    EXPECT_EQ(host.compact.positions, (std::vector<int>{0, 33, 66, 100, 100}));
    EXPECT_EQ(host.progress.positions, (std::vector<int>{0, 1, 2, 1, 1}));
}

TEST_F(RunTest, QuitsOnlyAfterAnAutomaticRunWithTheOption) {
    struct Case {
        bool marker, quitOption, quits;
    };
    for (const Case c : {Case{false, true, false}, Case{false, false, false}, Case{true, false, false},
                         Case{true, true, true}}) {
        TempDir dir;
        MakeDirs(dir / "prog/");
        {
            SettingsFile s(SettingsPath(dir / "prog/"));
            WriteUnionDefinition(s, 1, UnionDefinition{"u", "u.m3u", {}});
        }
        FakeHost h(dir / "prog/");
        h.ticks = {true};
        h.marker = c.marker;
        h.quitOption = c.quitOption;
        const RunResult r = zorbex::Run(h, dir / "prog/");
        EXPECT_EQ(r.quitRequested, c.quits) << c.marker << c.quitOption;
        const Lines expected = c.quits ? Lines{"Quit", "ClearMarker"} : Lines{"ClearMarker"};
        EXPECT_EQ(Only(h.events, {"Quit", "ClearMarker"}), expected);
        EXPECT_FALSE(h.marker);
    }
}

TEST_F(RunTest, RefusedRunsChangeNothingButTheBars) {
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
        FakeHost h(prog());
        h.ticks = c.ticks;
        h.marker = true;
        const RunResult r = zorbex::Run(h, prog());
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(r.Refused());
        EXPECT_EQ(h.events, (Lines{"progress.Position 0", "total.Position 0", "compact.Position 0",
                                   "Refusal " + c.message}));
        EXPECT_TRUE(h.log.empty());
        EXPECT_TRUE(h.marker);
    }
    EXPECT_FALSE(Exists(prog() + "one.m3u"));
}

TEST_F(RunTest, DamagedCountsAreRefusedNotIndexedOutOfRange) {
    WriteFile(SettingsPath(prog()), "[Zor:bl]\r\nplaylists=-2\r\nunions=5\r\n");
    host.ticks = {true, true, true};
    EXPECT_EQ(zorbex::Run(host, prog()).status, RunStatus::kOutOfStep);
}

TEST_F(RunTest, TicksAreReadWhenTheRunReachesTheirRow) {
    WriteFile(music() + "a.mp3", "x");
    AddPlaylist(1, "one.m3u", music());
    AddPlaylist(2, "two.m3u", music());
    host.ticks = {true, true};
    host.onYield = [this] { host.ticks[1] = false; };
    zorbex::Run(host, prog());
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
    const RunResult r = zorbex::Run(host, prog());
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
    const RunResult r = zorbex::Run(host, prog());
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
    host.overwrite = true;
    WriteFile(prog() + "all.m3u", "old\r\n");
    zorbex::Run(host, prog());
    EXPECT_EQ(ReadFile(prog() + "all.m3u"), music() + "a/1.mp3\r\n" + music() + "b/2.mp3\r\n");
    EXPECT_EQ(Only(host.log, {"   файлов итого", "   объединено"}), (Lines{"   файлов итого: 2", "   объединено: 2"}));
}

TEST_F(RunTest, UnwritableOutputsCountAsFailuresAndTheRunGoesOn) {
    MakeDirs(music());
    AddPlaylist(1, "missing/one.m3u", music());
    AddUnion(1, "missing/u.m3u", {true});
    AddUnion(2, "u2.m3u", {true});
    host.ticks = {true, true, true};
    const RunResult r = zorbex::Run(host, prog());
    EXPECT_EQ(r.failed, 2);
    EXPECT_EQ(r.unions.back(), UnionOutcome::kWritten);
    EXPECT_EQ(Only(host.log, {"   ок"}), Lines{"   ок"});
    EXPECT_EQ(host.log.back(), "готово.");
}

}  // namespace
}  // namespace zorbex
