#include "engine/definitions.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "support/temp_dir.h"

namespace zorbex {
namespace {

using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;
using Lines = std::vector<std::string>;

const std::string kFolder = "/srv/music";

class DefinitionsTest : public ::testing::Test {
protected:
    std::string path() const { return t / "Zorbl.Zrf"; }
    SettingsFile File() const { return SettingsFile(path()); }
    void Seed(const std::string& text) { WriteFile(path(), text); }

    // The keys of one section in file order.
    Lines KeysOf(const std::string& section) const {
        Lines keys;
        bool inside = false;
        std::string text = ReadFile(path());
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            start = end + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line[0] == '[') {
                inside = line == "[" + section + "]";
            } else if (inside && line.find('=') != std::string::npos) {
                keys.push_back(line.substr(0, line.find('=')));
            }
        }
        return keys;
    }

    TempDir t;
};

PlaylistDefinition Sample() {
    PlaylistDefinition d;
    d.name = "Рок";
    d.file = "/out/рок.m3u";
    d.mask = "*.ogg;*.flac";
    d.path = "/media/рок";
    d.subfolders = false;
    d.fullpath = false;
    d.hidden = true;
    d.system = true;
    d.ignore_use = true;
    d.ignore = {"a.mp3", "/x/Песня.mp3", "c.mp3"};
    return d;
}

// Every field, a new one included.
void ExpectSame(const PlaylistDefinition& a, const PlaylistDefinition& b) {
    EXPECT_TRUE(a == b) << "name " << a.name << " / " << b.name << ", path " << a.path << " / " << b.path;
}

TEST_F(DefinitionsTest, MissingFileGivesTheEditorDefaults) {
    const PlaylistDefinition d = ReadPlaylistDefinition(File(), 7, kFolder);
    EXPECT_EQ(d.name, "НАЗВАНИЕ ПЛЕЙЛИСТА номер 7");
    EXPECT_EQ(d.file, "playlist_7.m3u");
    EXPECT_EQ(d.mask, "*.mp3");
    EXPECT_EQ(d.path, kFolder);
    EXPECT_TRUE(d.subfolders);
    EXPECT_TRUE(d.fullpath);
    EXPECT_FALSE(d.hidden);
    EXPECT_FALSE(d.system);
    EXPECT_FALSE(d.ignore_use);
    EXPECT_TRUE(d.ignore.empty());

    const UnionDefinition u = ReadUnionDefinition(File(), 12);
    EXPECT_EQ(u.name, "НАЗВАНИЕ ОБЪЕДИНЕНИЯ номер 12");
    EXPECT_EQ(u.file, "union_12.m3u");
    EXPECT_TRUE(u.members.empty());
}

TEST_F(DefinitionsTest, PlaylistRoundTrip) {
    SettingsFile f = File();
    WritePlaylistDefinition(f, 1, Sample());
    ExpectSame(ReadPlaylistDefinition(File(), 1, kFolder), Sample());
}

TEST_F(DefinitionsTest, SaveOnEmptyFileWritesKeysInEditorOrder) {
    SettingsFile f = File();
    PlaylistDefinition d = Sample();
    d.ignore = {"x", "y"};
    WritePlaylistDefinition(f, 1, d);
    EXPECT_EQ(KeysOf("Zor:bl:Playlist:1"),
              (Lines{"name", "file", "mask", "path", "subfolders", "fullpath", "hidden", "system", "ignore_use",
                     "ignore_no", "ignore_0", "ignore_1"}));
    EXPECT_EQ(KeysOf("Zor:bl"), Lines{"playlists"});
    EXPECT_EQ(File().ReadNumber("Zor:bl", "playlists", -1), 1);
    EXPECT_EQ(File().ReadNumber("Zor:bl:Playlist:1", "hidden", -1), 1);
    EXPECT_EQ(File().ReadNumber("Zor:bl:Playlist:1", "fullpath", -1), 0);
    EXPECT_EQ(File().ReadNumber("Zor:bl:Playlist:1", "ignore_no", -1), 2);

    UnionDefinition u{"Всё", "all.m3u", {true, false, true}};
    WriteUnionDefinition(f, 1, u);
    EXPECT_EQ(KeysOf("Zor:bl:Union:1"), (Lines{"name", "file", "unite_0", "unite_1", "unite_2"}));
    EXPECT_EQ(KeysOf("Zor:bl"), (Lines{"playlists", "unions"}));
    EXPECT_EQ(File().ReadNumber("Zor:bl:Union:1", "unite_1", -1), 0);
}

TEST_F(DefinitionsTest, HundredThousandEntriesRoundTripAmongOtherDefinitions) {
    SettingsFile f = File();
    WritePlaylistDefinition(f, 1, Sample());
    WriteUnionDefinition(f, 1, UnionDefinition{"u", "u.m3u", {true}});
    PlaylistDefinition big = Sample();
    big.ignore.clear();
    for (int i = 0; i < 100000; ++i) big.ignore.push_back("Трек " + std::to_string(i) + ".mp3");
    WritePlaylistDefinition(f, 2, big);
    ExpectSame(ReadPlaylistDefinition(File(), 2, kFolder), big);
    ExpectSame(ReadPlaylistDefinition(File(), 1, kFolder), Sample());
    // Saved again shorter and changed: replaced in place, the rest stays stale.
    big.ignore.resize(50000);
    big.ignore[49999] = "last";
    WritePlaylistDefinition(f, 2, big);
    ExpectSame(ReadPlaylistDefinition(File(), 2, kFolder), big);
    EXPECT_EQ(File().ReadText("Zor:bl:Playlist:2", "ignore_99999", ""), "Трек 99999.mp3");
    EXPECT_EQ(ReadUnionDefinition(File(), 1).members, (std::vector<bool>{true, false}));
}

TEST_F(DefinitionsTest, CountsAreRaisedNeverLowered) {
    struct Case {
        int stored;  // -1: no count stored
        int saved;
        int expected;
    };
    for (const Case c : {Case{-1, 1, 1}, Case{5, 2, 5}, Case{1, 3, 3}, Case{4, 4, 4}}) {
        TempDir dir;
        const std::string p = dir / "Zorbl.Zrf";
        if (c.stored >= 0) {
            WriteFile(p, "[Zor:bl]\r\nplaylists=" + std::to_string(c.stored) + "\r\nunions=" +
                             std::to_string(c.stored) + "\r\n");
        }
        SettingsFile f(p);
        WritePlaylistDefinition(f, c.saved, Sample());
        WriteUnionDefinition(f, c.saved, UnionDefinition{"u", "u.m3u", {}});
        EXPECT_EQ(SettingsFile(p).ReadNumber("Zor:bl", "playlists", -1), c.expected) << c.stored << "/" << c.saved;
        EXPECT_EQ(SettingsFile(p).ReadNumber("Zor:bl", "unions", -1), c.expected) << c.stored << "/" << c.saved;
    }
}

TEST_F(DefinitionsTest, ShorterListLeavesStaleEntriesThatAreNotRead) {
    SettingsFile f = File();
    PlaylistDefinition d = Sample();
    d.ignore = {"0", "1", "2", "3", "4"};
    WritePlaylistDefinition(f, 1, d);
    d.ignore = {"a", "b"};
    WritePlaylistDefinition(f, 1, d);
    EXPECT_EQ(File().ReadText("Zor:bl:Playlist:1", "ignore_4", ""), "4");
    EXPECT_EQ(ReadPlaylistDefinition(File(), 1, kFolder).ignore, (Lines{"a", "b"}));
}

TEST_F(DefinitionsTest, MissingEntryBelowTheCountReadsDashes) {
    Seed("[Zor:bl:Playlist:2]\r\nignore_no=3\r\nignore_0=a.mp3\r\nignore_2=c.mp3\r\nignore_3=stale\r\n");
    EXPECT_EQ(ReadPlaylistDefinition(File(), 2, kFolder).ignore, (Lines{"a.mp3", "---", "c.mp3"}));
}

TEST_F(DefinitionsTest, DamagedCountsStayBounded) {
    Seed("[Zor:bl]\r\nplaylists=-4\r\nunions=2000000000\r\n[Zor:bl:Playlist:1]\r\nignore_no=2000000000\r\n");
    EXPECT_EQ(ReadPlaylistCount(File()), 0);
    EXPECT_EQ(ReadUnionCount(File()), kMaxListRows);
    EXPECT_EQ(ReadPlaylistDefinition(File(), 1, kFolder).ignore.size(), static_cast<size_t>(kMaxListRows));
}

TEST_F(DefinitionsTest, AnyNonZeroNumberSetsAFlag) {
    Seed("[Zor:bl:Playlist:1]\r\nsubfolders=0\r\nfullpath=0\r\nhidden=7\r\nsystem=-1\r\nignore_use=0x10\r\n");
    const PlaylistDefinition d = ReadPlaylistDefinition(File(), 1, kFolder);
    EXPECT_FALSE(d.subfolders);
    EXPECT_FALSE(d.fullpath);
    EXPECT_TRUE(d.hidden);
    EXPECT_TRUE(d.system);
    EXPECT_TRUE(d.ignore_use);
}

TEST_F(DefinitionsTest, UnionHasOneMemberPerPlaylistDefinition) {
    // Three playlists; a stale flag beyond them and a non-zero value other than 1.
    Seed("[Zor:bl]\r\nplaylists=3\r\n[Zor:bl:Union:1]\r\nname=Всё\r\nfile=all.m3u\r\n"
         "unite_0=1\r\nunite_2=5\r\nunite_3=1\r\n");
    const UnionDefinition u = ReadUnionDefinition(File(), 1);
    EXPECT_EQ(u.name, "Всё");
    EXPECT_EQ(u.file, "all.m3u");
    EXPECT_EQ(u.members, (std::vector<bool>{true, false, true}));
}

TEST_F(DefinitionsTest, UnionRoundTripKeepsStaleFlagsOutOfTheRead) {
    Seed("[Zor:bl]\r\nplaylists=2\r\n");
    SettingsFile f = File();
    WriteUnionDefinition(f, 2, UnionDefinition{"u2", "/o/u.m3u", {false, true, true, true}});
    const UnionDefinition u = ReadUnionDefinition(File(), 2);
    EXPECT_EQ(u.name, "u2");
    EXPECT_EQ(u.file, "/o/u.m3u");
    EXPECT_EQ(u.members, (std::vector<bool>{false, true}));
}

TEST_F(DefinitionsTest, ListNamesHaveTheirOwnDefaults) {
    Seed("[Zor:bl:Playlist:1]\r\nname=Рок\r\n");
    EXPECT_EQ(PlaylistRowText(1, ReadPlaylistListName(File(), 1)), "п.1     Рок");
    EXPECT_EQ(PlaylistRowText(2, ReadPlaylistListName(File(), 2)), "п.2     ПЛЕЙЛИСТ НОМЕР 2");
    EXPECT_EQ(UnionRowText(1, ReadUnionListName(File(), 1)), "о.1     ОБЪЕДИНЕНИЕ НОМЕР 1");
    // The one-reading path used by the lists gives the same names and ticks.
    Seed("[Zor:bl]\r\nunions=1\r\nitem_1=7\r\n[Zor:bl:Playlist:1]\r\nname=Рок\r\n[zor:bl:union:1]\r\nname=\"Всё\"\r\n");
    const SettingsSnapshot snapshot{File()};
    EXPECT_EQ(ReadPlaylistListName(snapshot, 1), ReadPlaylistListName(File(), 1));
    EXPECT_EQ(ReadPlaylistListName(snapshot, 2), "ПЛЕЙЛИСТ НОМЕР 2");
    EXPECT_EQ(ReadUnionListName(snapshot, 1), "Всё");
    EXPECT_EQ(ReadUnionCount(snapshot), 1);
    EXPECT_FALSE(ReadRememberedTick(snapshot, 0));
    EXPECT_TRUE(ReadRememberedTick(snapshot, 1));
}

TEST_F(DefinitionsTest, FailedWriteIsRaised) {
    SettingsFile f(t / "missing/Zorbl.Zrf");
    EXPECT_THROW(WritePlaylistDefinition(f, 1, Sample()), SettingsWriteError);
    EXPECT_THROW(WriteUnionDefinition(f, 1, UnionDefinition{}), SettingsWriteError);
}

TEST(MusicFolder, FromUserDirs) {
    struct Case {
        const char* home;
        const char* userDirs;
        const char* expected;
    };
    const Case cases[] = {
        {"/home/ann", "", "/home/ann/Music"},
        {"/home/ann/", "", "/home/ann/Music"},
        {"/home/ann", "# c\nXDG_MUSIC_DIR=\"$HOME/Музыка\"\n", "/home/ann/Музыка"},
        {"/home/ann", "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_MUSIC_DIR=\"/data/audio/\"\n", "/data/audio"},
        {"/home/ann", "XDG_MUSIC_DIR=\"$HOME/\"\n", "/home/ann/Music"},          // switched off
        {"/home/ann", "XDG_MUSIC_DIR=\"relative\"\n", "/home/ann/Music"},        // not allowed
        {"/home/ann", "XDG_MUSIC_DIR=\"$HOMEWORK/x\"\n", "/home/ann/Music"},
        {"/home/ann", "XDG_MUSIC_DIR=\"$HOME/unclosed\n", "/home/ann/Music"},
        {"/", "", "/Music"},
    };
    for (const Case& c : cases) EXPECT_EQ(MusicFolderFrom(c.home, c.userDirs), c.expected) << c.userDirs;
}

}  // namespace
}  // namespace zorbex
