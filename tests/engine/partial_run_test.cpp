#include "engine/run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/definitions.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace zorbex {
namespace {

using zx_test::Exists;
using zx_test::MakeDirs;
using zx_test::ReadFile;
using zx_test::RecordingHost;
using zx_test::TempDir;
using zx_test::WriteFile;
using Lines = std::vector<std::string>;

class PartialRunTest : public testing::Test {
protected:
    PartialRunTest() : host(prog()) {
        MakeDirs(prog());
        for (const char* f : {"a/1.mp3", "b/2.mp3", "c/3.mp3"}) WriteFile(t / f, "");
        AddPlaylist(1, "one.m3u", "a");
        AddPlaylist(2, "two.m3u", "b");
        AddPlaylist(3, "three.m3u", "c");
        host.options.overwrite = true;
    }
    std::string prog() const { return t / "prog/"; }
    void AddPlaylist(int n, const std::string& file, const std::string& folder) {
        SettingsFile s(SettingsPath(prog()));
        PlaylistDefinition d = ReadPlaylistDefinition(s, n, t / folder);
        d.file = file;
        d.path = t / folder;
        d.fullpath = false;
        WritePlaylistDefinition(s, n, d);
    }
    void AddUnion(int m, const std::string& file, std::vector<bool> members) {
        SettingsFile s(SettingsPath(prog()));
        WriteUnionDefinition(s, m, UnionDefinition{"u", file, std::move(members)});
    }

    TempDir t;
    RecordingHost host;
};

TEST_F(PartialRunTest, BuildsTheGivenDefinitionsThenTheTickedUnionsThatIncludeThem) {
    AddUnion(1, "u1.m3u", {true, false, true});   // includes 1 and 3
    AddUnion(2, "u2.m3u", {false, true, false});  // includes neither
    AddUnion(3, "u3.m3u", {true, false, false});  // includes 1, not ticked
    host.ticks = {true, true, true, true, true, false};
    WriteFile(prog() + "two.m3u", "kept\r\n");

    const RunResult r = RunSome(host, ProgramPlaces(prog()), {1, 3});
    EXPECT_EQ(r.status, RunStatus::kCompleted);
    EXPECT_EQ(host.log, (Lines{"плейлист №1", "   файлов найдено: 1", "   исключено: 0", "   ок", "плейлист №3",
                               "   файлов найдено: 1", "   исключено: 0", "   ок", "объединение №1",
                               "   файлов итого: 2", "   объединено: 2", "   ок", "готово."}));
    EXPECT_EQ(ReadFile(prog() + "one.m3u"), "1.mp3\r\n");
    EXPECT_EQ(ReadFile(prog() + "two.m3u"), "kept\r\n");
    EXPECT_EQ(ReadFile(prog() + "u1.m3u"), "1.mp3\r\n3.mp3\r\n");
    EXPECT_FALSE(Exists(prog() + "u2.m3u"));
    EXPECT_FALSE(Exists(prog() + "u3.m3u"));
}

// The occupied list holds every playlist's output, not only those rebuilt:
// a union on playlist 2's file is refused and the file is left alone.
TEST_F(PartialRunTest, AUnionOnTheFileOfAPlaylistNotRebuiltIsStillRefused) {
    AddUnion(1, "two.m3u", {true, false, false});
    host.ticks = {true, true, true, true};
    WriteFile(prog() + "two.m3u", "2.mp3\r\n");
    const RunResult r = RunSome(host, ProgramPlaces(prog()), {1});
    EXPECT_EQ(r.unions, std::vector<UnionOutcome>{UnionOutcome::kOccupied});
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(ReadFile(prog() + "two.m3u"), "2.mp3\r\n");
}

}  // namespace
}  // namespace zorbex
