// The settings store on real files: its rules, its edge cases and the
// bad inputs a hand-edited or damaged file can hold.
#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace fs = std::filesystem;
using namespace zorbex;
using zx_test::GiveToUnprivileged;
using zx_test::ReadFile;
using zx_test::RunUnprivileged;
using zx_test::TempDir;
using zx_test::WriteFile;

namespace {

#define REQUIRE_UNPRIVILEGED()                 \
    if (!zx_test::UnprivilegedAvailable())     \
    GTEST_SKIP() << "cannot start a process that is subject to permission bits here"

// Runs a write in the unprivileged child; "ok" or "error:<message>".
std::string WriteAsUnprivileged(const std::string& path, const std::string& section, const std::string& key,
                                const std::string& value) {
    auto out = RunUnprivileged([&] {
        try {
            SettingsFile(path).WriteText(section, key, value);
            return std::string("ok");
        } catch (const SettingsWriteError& e) {
            return "error:" + std::string(e.what());
        }
    });
    return out.value_or("<child failed>");
}

std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The exclusion list loader: reads ignore_no anew before each entry.
std::vector<std::string> LoadEntries(const SettingsFile& s, const std::string& sec) {
    std::vector<std::string> entries;
    for (int i = 0; i < s.ReadNumber(sec, "ignore_no", 0); ++i)
        entries.push_back(s.ReadText(sec, "ignore_" + std::to_string(i), "---"));
    return entries;
}

}  // namespace

// ---- names and paths -------------------------------------------------------

TEST(Settings, SectionNamesAndPath) {
    EXPECT_EQ(MainSection(), "Zor:bl");
    EXPECT_EQ(PlaylistSection(1), "Zor:bl:Playlist:1");
    EXPECT_EQ(PlaylistSection(12), "Zor:bl:Playlist:12");
    EXPECT_EQ(UnionSection(3), "Zor:bl:Union:3");
    EXPECT_EQ(SettingsPath("/opt/zorbex/"), "/opt/zorbex/Zorbl.Zrf");
    EXPECT_EQ(SettingsPath("/opt/zorbex"), "/opt/zorbex/Zorbl.Zrf");
    EXPECT_EQ(SettingsFile("/x/Zorbl.Zrf").Path(), "/x/Zorbl.Zrf");
}

// ---- reading never fails ---------------------------------------------------

TEST(Settings, MissingFileReadsDefaultsAndIsNotCreatedByReading) {
    TempDir dir;
    SettingsFile s(SettingsPath(dir.path()));
    EXPECT_EQ(s.ReadNumber(MainSection(), "reset", 1), 1);
    EXPECT_EQ(s.ReadText(PlaylistSection(1), "mask", "*.mp3"), "*.mp3");
    EXPECT_FALSE(zx_test::Exists(SettingsPath(dir.path())));
}

TEST(Settings, MissingFolderReadsDefaults) {
    TempDir dir;
    SettingsFile s(dir / "no/such/folder/Zorbl.Zrf");
    EXPECT_EQ(s.ReadNumber(MainSection(), "log", 1), 1);
    EXPECT_EQ(s.ReadText(MainSection(), "x", "def"), "def");
}

TEST(Settings, FileThatIsADirectory) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    zx_test::MakeDirs(path + "/inside");
    SettingsFile s(path);
    EXPECT_EQ(s.ReadNumber(MainSection(), "reset", 1), 1);
    EXPECT_EQ(s.ReadText(MainSection(), "x", "d"), "d");
    try {
        s.WriteNumber(MainSection(), "reset", 0);
        FAIL() << "expected SettingsWriteError";
    } catch (const SettingsWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
        EXPECT_EQ(e.path(), path);
        EXPECT_EQ(e.reason(), "на этом месте каталог");  // the reason is kept, not the message changed
    }
    EXPECT_TRUE(fs::is_directory(path + "/inside"));
}

TEST(Settings, DefaultIsReturnedAsGiven) {
    TempDir dir;
    SettingsFile s(SettingsPath(dir.path()));
    // Defaults are not trimmed, unquoted or cut.
    EXPECT_EQ(s.ReadText("a", "b", "  \"x\"  "), "  \"x\"  ");
    EXPECT_EQ(s.ReadText("a", "b", std::string(2000, 'd')), std::string(2000, 'd'));
}

// ---- the first start and a file after one playlist and one union were saved ----

TEST(Settings, FirstStartCreatesTheFileWithResetZero) {
    TempDir dir;
    SettingsFile s(SettingsPath(dir.path()));
    EXPECT_EQ(s.ReadNumber(MainSection(), "reset", 1), 1);
    s.WriteNumber(MainSection(), "reset", 0);
    EXPECT_EQ(ReadFile(SettingsPath(dir.path())), "[Zor:bl]\r\nreset=0\r\n");
}

TEST(Settings, ExampleFileOfPart21ByteExact) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    const std::string main = MainSection();
    {  // start-up
        SettingsFile s(path);
        s.ReadNumber(main, "reset", 1);
        s.WriteNumber(main, "reset", 0);
    }
    {  // SaveOptions
        SettingsFile s(path);
        s.WriteNumber(main, "process", 1);
        s.WriteNumber(main, "terminate", 1);
        s.WriteNumber(main, "remember", 1);
        s.WriteNumber(main, "overwrite", 0);
        s.WriteNumber(main, "compact", 0);
        s.WriteNumber(main, "topmost", 0);
        s.WriteNumber(main, "log", 1);
    }
    {  // playlist definition 1 saved
        SettingsFile s(path);
        const std::string sec = PlaylistSection(1);
        s.WriteText(sec, "name", "НАЗВАНИЕ ПЛЕЙЛИСТА номер 1");
        s.WriteText(sec, "file", "playlist_1.m3u");
        s.WriteText(sec, "mask", "*.mp3");
        s.WriteText(sec, "path", "C:\\MUSIC");
        s.WriteNumber(sec, "subfolders", 1);
        s.WriteNumber(sec, "fullpath", 1);
        s.WriteNumber(sec, "hidden", 0);
        s.WriteNumber(sec, "system", 0);
        s.WriteNumber(sec, "ignore_use", 0);
        s.WriteNumber(sec, "ignore_no", 0);
        if (s.ReadNumber(main, "playlists", 0) < 1) s.WriteNumber(main, "playlists", 1);
    }
    {  // union definition 1 saved
        SettingsFile s(path);
        const std::string sec = UnionSection(1);
        s.WriteText(sec, "name", "НАЗВАНИЕ ОБЪЕДИНЕНИЯ номер 1");
        s.WriteText(sec, "file", "union_1.m3u");
        if (s.ReadNumber(main, "unions", 0) < 1) s.WriteNumber(main, "unions", 1);
        s.WriteNumber(sec, "unite_0", 1);
    }
    {  // left through the exit button
        SettingsFile s(path);
        s.WriteNumber(main, "item_0", 1);
        s.WriteNumber(main, "item_1", 0);
    }
    const std::string expected =
        "[Zor:bl]\r\n"
        "reset=0\r\n"
        "process=1\r\n"
        "terminate=1\r\n"
        "remember=1\r\n"
        "overwrite=0\r\n"
        "compact=0\r\n"
        "topmost=0\r\n"
        "log=1\r\n"
        "playlists=1\r\n"
        "unions=1\r\n"
        "item_0=1\r\n"
        "item_1=0\r\n"
        "[Zor:bl:Playlist:1]\r\n"
        "name=\xCD\xC0\xC7\xC2\xC0\xCD\xC8\xC5 \xCF\xCB\xC5\xC9\xCB\xC8\xD1\xD2\xC0 \xED\xEE\xEC\xE5\xF0 1\r\n"
        "file=playlist_1.m3u\r\n"
        "mask=*.mp3\r\n"
        "path=C:\\MUSIC\r\n"
        "subfolders=1\r\n"
        "fullpath=1\r\n"
        "hidden=0\r\n"
        "system=0\r\n"
        "ignore_use=0\r\n"
        "ignore_no=0\r\n"
        "[Zor:bl:Union:1]\r\n"
        "name=\xCD\xC0\xC7\xC2\xC0\xCD\xC8\xC5 \xCE\xC1\xDA\xC5\xC4\xC8\xCD\xC5\xCD\xC8\xDF \xED\xEE\xEC\xE5\xF0 1\r\n"
        "file=union_1.m3u\r\n"
        "unite_0=1\r\n";
    EXPECT_EQ(ReadFile(path), expected);
    SettingsFile s(path);
    EXPECT_EQ(s.ReadText(PlaylistSection(1), "name", ""), "НАЗВАНИЕ ПЛЕЙЛИСТА номер 1");
    EXPECT_EQ(s.ReadText(UnionSection(1), "name", ""), "НАЗВАНИЕ ОБЪЕДИНЕНИЯ номер 1");
}

// ---- value kinds -----------------------------------------------------------

TEST(Settings, HexAndMalformedNumbers) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path,
              "[Zor:bl]\r\n"
              "hex=0x0A\r\n"
              "dollar=$A\r\n"
              "ten=ten\r\n"
              "empty=\r\n"
              "blank=   \r\n"
              "zerox=0x\r\n"
              "big=4294967306\r\n"
              "bighex=0x10000000A\r\n"
              "neg=-12\r\n"
              "quoted=\"42\"\r\n"
              "spaced=  17  \r\n"
              "seven=7\r\n"
              "zero=0\r\n");
    SettingsFile s(path);
    const std::string m = MainSection();
    EXPECT_EQ(s.ReadNumber(m, "hex", 0), 10);
    EXPECT_EQ(s.ReadNumber(m, "dollar", 0), 10);
    EXPECT_EQ(s.ReadNumber(m, "ten", 0), 0);
    EXPECT_EQ(s.ReadNumber(m, "ten", 5), 5);
    EXPECT_EQ(s.ReadNumber(m, "empty", 3), 3);
    EXPECT_EQ(s.ReadNumber(m, "blank", 3), 3);
    EXPECT_EQ(s.ReadNumber(m, "zerox", 4), 4);
    EXPECT_EQ(s.ReadNumber(m, "big", 6), 6) << "not the wrapped 10";
    EXPECT_EQ(s.ReadNumber(m, "bighex", 6), 6) << "not the wrapped 10";
    EXPECT_EQ(s.ReadNumber(m, "neg", 0), -12);
    EXPECT_EQ(s.ReadNumber(m, "quoted", 0), 42);
    EXPECT_EQ(s.ReadNumber(m, "spaced", 0), 17);
    EXPECT_NE(s.ReadNumber(m, "seven", 0), 0) << "a flag of 7 counts as set";
    EXPECT_EQ(s.ReadNumber(m, "zero", 1), 0);
    EXPECT_EQ(s.ReadNumber(m, "missing", 9), 9);
}

TEST(Settings, WriteNumberIsPlainDecimal) {
    TempDir dir;
    SettingsFile s(SettingsPath(dir.path()));
    s.WriteNumber("a", "min", INT32_MIN);
    s.WriteNumber("a", "max", INT32_MAX);
    s.WriteNumber("a", "zero", 0);
    EXPECT_EQ(ReadFile(s.Path()), "[a]\r\nmin=-2147483648\r\nmax=2147483647\r\nzero=0\r\n");
    EXPECT_EQ(s.ReadNumber("a", "min", 0), INT32_MIN);
    EXPECT_EQ(s.ReadNumber("a", "max", 0), INT32_MAX);
}

TEST(Settings, TextCutTo1023Characters) {
    TempDir dir;
    SettingsFile s(SettingsPath(dir.path()));
    s.WriteText(PlaylistSection(1), "name", std::string(2000, 'n'));
    EXPECT_EQ(s.ReadText(PlaylistSection(1), "name", ""), std::string(1023, 'n'));
    // Stored whole: nothing is cut on writing.
    EXPECT_NE(ReadFile(s.Path()).find(std::string(2000, 'n')), std::string::npos);
    std::string cyr;
    for (int i = 0; i < 2000; ++i) cyr += "ж";
    s.WriteText(PlaylistSection(1), "name", cyr);
    std::string got = s.ReadText(PlaylistSection(1), "name", "");
    EXPECT_EQ(got, cyr.substr(0, 1023 * 2));
}

TEST(Settings, BlanksAndQuotesDroppedOnReading) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "[a]\r\nx=  \"C:\\My Music\"  \r\ny='single'\r\nz=\"mismatched'\r\nw=  padded  \r\n");
    SettingsFile s(path);
    EXPECT_EQ(s.ReadText("a", "x", ""), "C:\\My Music");
    EXPECT_EQ(s.ReadText("a", "y", ""), "single");
    EXPECT_EQ(s.ReadText("a", "z", ""), "\"mismatched'");
    EXPECT_EQ(s.ReadText("a", "w", ""), "padded");
}

// ---- writing rules ---------------------------------------------------------

TEST(Settings, CaseInsensitiveSectionsWrittenByHand) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "[ZOR:BL:PLAYLIST:1]\r\nNAME=Hand made\r\n");
    SettingsFile s(path);
    EXPECT_EQ(s.ReadText(PlaylistSection(1), "name", "def"), "Hand made");
    s.WriteText(PlaylistSection(1), "name", "Saved");
    s.WriteText(PlaylistSection(1), "mask", "*.ogg");
    EXPECT_EQ(ReadFile(path), "[ZOR:BL:PLAYLIST:1]\r\nNAME=Saved\r\nmask=*.ogg\r\n");
}

TEST(Settings, ReplaceInPlaceKeepsUnknownLinesByteForByte) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    const std::string before =
        "; written by hand\n"
        "stray=before any section\n"
        "[Zor:bl]\n"
        "reset=1\n"
        "\n"
        "this line means nothing\r\n"
        "  [header without bracket\n"
        "log=0\n"
        "\t\n"
        "[Other]\n"
        "keep=me\n";
    WriteFile(path, before);
    SettingsFile s(path);
    s.WriteNumber(MainSection(), "log", 1);
    s.WriteNumber(MainSection(), "reset", 0);
    EXPECT_EQ(ReadFile(path),
              "; written by hand\n"
              "stray=before any section\n"
              "[Zor:bl]\n"
              "reset=0\r\n"
              "\n"
              "this line means nothing\r\n"
              "  [header without bracket\n"
              "log=1\r\n"
              "\t\n"
              "[Other]\n"
              "keep=me\n");
}

TEST(Settings, AppendOrderOfKeysAndSectionsByteExact) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "[b]\r\nb1=1\r\n\r\n[a]\r\na1=1\r\n\r\n; the end\r\n");
    SettingsFile s(path);
    s.WriteText("a", "a2", "2");
    s.WriteText("b", "b2", "2");
    s.WriteText("c", "c1", "1");
    s.WriteText("a", "a3", "3");
    s.WriteText("c", "c2", "2");
    s.WriteText("b", "b1", "one");
    EXPECT_EQ(ReadFile(path),
              "[b]\r\nb1=one\r\nb2=2\r\n\r\n"
              "[a]\r\na1=1\r\na2=2\r\na3=3\r\n\r\n; the end\r\n"
              "[c]\r\nc1=1\r\nc2=2\r\n");
}

TEST(Settings, StaleKeysStayAndAreIgnored) {
    TempDir dir;
    SettingsFile s(SettingsPath(dir.path()));
    const std::string sec = PlaylistSection(1);
    auto save = [&](const std::vector<std::string>& entries) {
        s.WriteNumber(sec, "ignore_no", static_cast<int32_t>(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i) s.WriteText(sec, "ignore_" + std::to_string(i), entries[i]);
    };
    save({"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"});
    save({"x.mp3", "y.mp3"});
    EXPECT_EQ(LoadEntries(s, sec), (std::vector<std::string>{"x.mp3", "y.mp3"}));
    const std::string file = ReadFile(s.Path());
    EXPECT_EQ(file,
              "[Zor:bl:Playlist:1]\r\nignore_no=2\r\nignore_0=x.mp3\r\nignore_1=y.mp3\r\n"
              "ignore_2=c.mp3\r\nignore_3=d.mp3\r\nignore_4=e.mp3\r\n");
}

TEST(Settings, DuplicatesFirstWinsForReadingAndWriting) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "[a]\r\nx=1\r\nx=2\r\n[A]\r\nx=3\r\ny=4\r\n");
    SettingsFile s(path);
    EXPECT_EQ(s.ReadNumber("a", "x", 0), 1);
    EXPECT_EQ(s.ReadNumber("a", "y", 0), 0);
    s.WriteNumber("a", "x", 5);
    s.WriteNumber("a", "y", 6);
    EXPECT_EQ(ReadFile(path), "[a]\r\nx=5\r\nx=2\r\ny=6\r\n[A]\r\nx=3\r\ny=4\r\n");
    EXPECT_EQ(s.ReadNumber("a", "y", 0), 6);
}

TEST(Settings, NoSectionsAndKeysBeforeTheFirstSection) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "reset=0\r\nlog=0\r\n");
    SettingsFile s(path);
    EXPECT_EQ(s.ReadNumber(MainSection(), "reset", 1), 1);
    s.WriteNumber(MainSection(), "reset", 0);
    EXPECT_EQ(ReadFile(path), "reset=0\r\nlog=0\r\n[Zor:bl]\r\nreset=0\r\n");
    EXPECT_EQ(s.ReadNumber(MainSection(), "log", 1), 1);
}

TEST(Settings, HeaderWithoutBracketAndLinesWithoutEquals) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "[Zor:bl\r\nreset=0\r\nno equals here\r\n[Zor:bl]\r\nlog=0\r\nplain words\r\n");
    SettingsFile s(path);
    EXPECT_EQ(s.ReadNumber(MainSection(), "reset", 1), 1) << "before the first real header";
    EXPECT_EQ(s.ReadNumber(MainSection(), "log", 1), 0);
    EXPECT_EQ(s.ReadText(MainSection(), "plain words", "d"), "d");
    s.WriteNumber(MainSection(), "reset", 0);
    EXPECT_EQ(ReadFile(path),
              "[Zor:bl\r\nreset=0\r\nno equals here\r\n[Zor:bl]\r\nlog=0\r\nreset=0\r\nplain words\r\n");
}

TEST(Settings, ValuesWithLineBreaksDoNotCorruptTheFile) {
    TempDir dir;
    SettingsFile s(SettingsPath(dir.path()));
    s.WriteText("a", "x", "line1\r\n[b]\r\ny=injected");
    s.WriteText("a", "z", "after");
    EXPECT_EQ(ReadFile(s.Path()), "[a]\r\nx=line1  [b]  y=injected\r\nz=after\r\n");
    EXPECT_EQ(s.ReadText("b", "y", "none"), "none");
    EXPECT_EQ(s.ReadText("a", "x", ""), "line1  [b]  y=injected");
}

// ---- bad input -------------------------------------------------------------

TEST(Settings, NulBytesInTheFile) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    static const char kBytes[] = "[Zor:bl]\r\nname=abc\0def\r\nre\0set=0\r\nlog=0\r\n\0\0\0\r\n";
    const std::string before(kBytes, sizeof kBytes - 1);
    WriteFile(path, before);
    SettingsFile s(path);
    EXPECT_EQ(s.ReadText(MainSection(), "name", ""), "abc") << "a value ends at its first NUL";
    EXPECT_EQ(s.ReadNumber(MainSection(), "reset", 7), 7) << "a NUL inside a name makes another name";
    EXPECT_EQ(s.ReadNumber(MainSection(), "log", 1), 0) << "a NUL never ends a line";
    s.WriteNumber(MainSection(), "log", 1);
    std::string after = before;
    after.replace(after.find("log=0"), 5, "log=1");
    EXPECT_EQ(ReadFile(path), after) << "the NUL bytes are kept";
}

TEST(Settings, OneMegabyteValue) {
    TempDir dir;
    SettingsFile s(SettingsPath(dir.path()));
    std::string big(1 << 20, 'm');
    s.WriteNumber("a", "before", 1);
    s.WriteText("a", "big", big);
    s.WriteNumber("a", "after", 2);
    EXPECT_EQ(ReadFile(s.Path()), "[a]\r\nbefore=1\r\nbig=" + big + "\r\nafter=2\r\n");
    EXPECT_EQ(s.ReadText("a", "big", ""), std::string(1023, 'm'));
    EXPECT_EQ(s.ReadNumber("a", "after", 0), 2);
    s.WriteText("a", "big", "small");
    EXPECT_EQ(ReadFile(s.Path()), "[a]\r\nbefore=1\r\nbig=small\r\nafter=2\r\n");
}

TEST(Settings, LineOfOneHundredThousandCharacters) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    const std::string longLine(100000, 'L');
    const std::string before = "[a]\r\n" + longLine + "\r\nx=" + longLine + "\r\n";
    WriteFile(path, before);
    SettingsFile s(path);
    EXPECT_EQ(s.ReadText("a", "x", ""), std::string(1023, 'L'));
    s.WriteNumber("a", "y", 1);
    EXPECT_EQ(ReadFile(path), before + "y=1\r\n");
    s.WriteText("a", longLine, "k");
    EXPECT_EQ(s.ReadText("a", longLine, ""), "k");
}

TEST(Settings, InvalidUtf8InAValue) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "[a]\r\nx=caf\xE9\xFF\r\ny=\xC0\xAF\r\n");
    SettingsFile s(path);
    EXPECT_EQ(s.ReadText("a", "x", ""), "cafйя");
    EXPECT_EQ(s.ReadText("a", "y", ""), "АЇ");  // C0 AF read as windows-1251
    // Written from the program side, invalid UTF-8 neither fails nor
    // breaks the file.
    s.WriteText("a", "z", "bad\xE9\xFF");
    EXPECT_EQ(s.ReadText("a", "z", ""), "badйя");
    EXPECT_EQ(s.ReadText("a", "x", ""), "cafйя");
}

// ---- text encoding ---------------------------------------------------------

TEST(Settings, Windows1251RoundTrip) {
    TempDir dir;
    SettingsFile s(SettingsPath(dir.path()));
    s.WriteText("a", "ru", "Моя музыка");
    s.WriteText("a", "fr", "Café Noir");
    s.WriteText("a", "mixed", "Песни é");
    EXPECT_EQ(ReadFile(s.Path()),
              "[a]\r\nru=\xCC\xEE\xFF \xEC\xF3\xE7\xFB\xEA\xE0\r\nfr=Café Noir\r\nmixed=Песни é\r\n");
    EXPECT_EQ(s.ReadText("a", "ru", ""), "Моя музыка");
    EXPECT_EQ(s.ReadText("a", "fr", ""), "Café Noir");
    EXPECT_EQ(s.ReadText("a", "mixed", ""), "Песни é");
}

TEST(Settings, HandWrittenUtf8FileReadsRight) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "[Zor:bl:Playlist:1]\nname=Мой плейлист\npath=/home/user/Музыка\n");
    SettingsFile s(path);
    EXPECT_EQ(s.ReadText(PlaylistSection(1), "name", ""), "Мой плейлист");
    EXPECT_EQ(s.ReadText(PlaylistSection(1), "path", ""), "/home/user/Музыка");
    // Saving one key re-encodes only that value.
    s.WriteText(PlaylistSection(1), "name", "Новый");
    EXPECT_EQ(ReadFile(path), "[Zor:bl:Playlist:1]\n" "name=\xCD\xEE\xE2\xFB\xE9\r\n" "path=/home/user/Музыка\n");
}

// ---- every write reaches the file; nothing cached --------------------------

TEST(Settings, EachWriteIsInTheFileWhenItReturnsAndReadsSeeHandEdits) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    SettingsFile s(path);
    s.WriteNumber("a", "x", 1);
    EXPECT_EQ(ReadFile(path), "[a]\r\nx=1\r\n");
    s.WriteNumber("a", "y", 2);
    EXPECT_EQ(ReadFile(path), "[a]\r\nx=1\r\ny=2\r\n");
    WriteFile(path, "[a]\r\nx=5\r\n");  // edited by hand meanwhile
    EXPECT_EQ(s.ReadNumber("a", "x", 0), 5);
    EXPECT_EQ(s.ReadNumber("a", "y", 0), 0);
    s.WriteNumber("a", "z", 3);
    EXPECT_EQ(ReadFile(path), "[a]\r\nx=5\r\nz=3\r\n");
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"Zorbl.Zrf"}) << "no temporary or lock files left";
}

TEST(Settings, EverySyncChoiceWritesTheSameBytes) {
    for (SettingsSync sync : {SettingsSync::kWhenDone, SettingsSync::kEachWrite, SettingsSync::kNever}) {
        TempDir dir;
        {
            SettingsFile s(SettingsPath(dir.path()), sync);
            s.WriteNumber("a", "x", 1);
            EXPECT_EQ(ReadFile(s.Path()), "[a]\r\nx=1\r\n");
            s.WriteText("a", "y", "Я");
        }
        EXPECT_EQ(ReadFile(SettingsPath(dir.path())), "[a]\r\nx=1\r\ny=\xDF\r\n");
    }
}

TEST(Settings, KeepsPermissionBitsOfTheFile) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "[a]\r\n");
    ::chmod(path.c_str(), 0640);
    SettingsFile(path).WriteNumber("a", "x", 1);
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// ---- write errors ----------------------------------------------------------

TEST(Settings, MissingFolderIsAWriteError) {
    TempDir dir;
    const std::string path = dir / "gone/Zorbl.Zrf";
    SettingsFile s(path);
    try {
        s.WriteNumber(MainSection(), "reset", 0);
        FAIL() << "expected SettingsWriteError";
    } catch (const SettingsWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
        EXPECT_EQ(e.reason(), "каталог не найден");
    }
    EXPECT_FALSE(zx_test::Exists(dir / "gone"));
}

TEST(Settings, ErrorMessageCarriesTheFullPathOfARelativeFile) {
    TempDir dir;
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    try {
        SettingsFile("missing/Zorbl.Zrf").WriteNumber("a", "x", 1);
        ADD_FAILURE() << "expected SettingsWriteError";
    } catch (const SettingsWriteError& e) {
        std::string real = fs::canonical(dir.path()).string();
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + real + "/missing/Zorbl.Zrf");
    }
    ASSERT_EQ(::chdir(cwd), 0);
}

TEST(Settings, ReadOnlyFileRaisesTheWriteErrorAndStaysUnchanged) {
    REQUIRE_UNPRIVILEGED();
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    const std::string before = "[Zor:bl:Playlist:1]\r\nname=old\r\n";
    WriteFile(path, before);
    ::chmod(path.c_str(), 0444);
    GiveToUnprivileged(dir.path());
    GiveToUnprivileged(path);
    EXPECT_EQ(WriteAsUnprivileged(path, PlaylistSection(1), "name", "new"), "error:Unable to write to " + path);
    // Also a key that would be new: still nothing written.
    EXPECT_EQ(WriteAsUnprivileged(path, PlaylistSection(1), "file", "x.m3u"), "error:Unable to write to " + path);
    // A batch: none of its keys, replaced or new.
    auto batch = RunUnprivileged([&] {
        try {
            SettingsFile(path).WriteMany(PlaylistSection(1), {{"name", "new"}, {"ignore_0", "added"}});
            return std::string("ok");
        } catch (const SettingsWriteError& e) {
            return "error:" + std::string(e.what());
        }
    });
    EXPECT_EQ(batch.value_or("?"), "error:Unable to write to " + path);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"Zorbl.Zrf"});
}

TEST(Settings, UnchangedValueLeavesTheFileAsItIs) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "[a]\nx=1\n");
    struct stat before {};
    ::stat(path.c_str(), &before);
    SettingsFile(path).WriteNumber("a", "x", 1);  // "x=1\n" becomes "x=1\r\n": a change
    EXPECT_EQ(ReadFile(path), "[a]\nx=1\r\n");
    struct stat middle {};
    ::stat(path.c_str(), &middle);
    EXPECT_NE(middle.st_ino, before.st_ino);
    // Now the very same bytes: not replaced, and not even opened for
    // writing (a watcher would take that for a write).
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, path.c_str(), IN_CLOSE_WRITE | IN_MODIFY), 0);
    SettingsFile(path).WriteNumber("a", "x", 1);
    char events[4096];
    EXPECT_EQ(::read(watch, events, sizeof events), -1) << "a write was seen";
    ::close(watch);
    struct stat after {};
    ::stat(path.c_str(), &after);
    EXPECT_EQ(after.st_ino, middle.st_ino);
    EXPECT_EQ(ReadFile(path), "[a]\nx=1\r\n");
}

// A settings file reached through a link that another user planted in a
// shared sticky folder is not ours to write: saving the value it already
// holds is refused as saving any other value is.
TEST(Settings, AnUnchangedValueBehindAPlantedLinkIsAWriteError) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a link that belongs to someone else";
    TempDir dir;
    const std::string shared = dir / "shared/", real = dir / "real.Zrf";
    zx_test::MakeDirs(shared);
    ::chmod(shared.c_str(), 01777);
    WriteFile(real, "[a]\r\nx=1\r\n");
    const std::string path = SettingsPath(shared);
    ASSERT_EQ(::symlink(real.c_str(), path.c_str()), 0);
    ASSERT_EQ(::lchown(path.c_str(), zx_test::kUnprivilegedUser, zx_test::kUnprivilegedUser), 0);
    for (int value : {1, 2}) EXPECT_THROW(SettingsFile(path).WriteNumber("a", "x", value), SettingsWriteError) << value;
    EXPECT_EQ(ReadFile(real), "[a]\r\nx=1\r\n");
}

TEST(Settings, UnchangedValueInReadOnlyFileIsStillAWriteError) {
    REQUIRE_UNPRIVILEGED();
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "[a]\r\nx=1\r\n");
    ::chmod(path.c_str(), 0444);
    GiveToUnprivileged(dir.path());
    GiveToUnprivileged(path);
    EXPECT_EQ(WriteAsUnprivileged(path, "a", "x", "1"), "error:Unable to write to " + path);
    EXPECT_EQ(ReadFile(path), "[a]\r\nx=1\r\n");
}

TEST(Settings, SaveSequenceStopsAtTheFirstFailedWrite) {
    // Keys written before the failure stay, the rest are not written.
    REQUIRE_UNPRIVILEGED();
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    GiveToUnprivileged(dir.path());
    auto out = RunUnprivileged([&] {
        SettingsFile s(path);
        try {
            s.WriteText("a", "first", "1");
            ::chmod(path.c_str(), 0444);  // made read-only in the middle of the save
            s.WriteText("a", "second", "2");
            s.WriteText("a", "third", "3");
            return std::string("no error");
        } catch (const SettingsWriteError& e) {
            return std::string(e.what());
        }
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "Unable to write to " + path);
    EXPECT_EQ(ReadFile(path), "[a]\r\nfirst=1\r\n");
}

TEST(Settings, WritableFileInReadOnlyFolderIsWritten) {
    REQUIRE_UNPRIVILEGED();
    TempDir dir;
    const std::string folder = dir / "program";
    const std::string path = SettingsPath(folder + "/");
    WriteFile(path, "[Zor:bl]\r\nreset=1\r\nlog=1\r\n");
    GiveToUnprivileged(dir.path());
    GiveToUnprivileged(folder);
    GiveToUnprivileged(path);
    ::chmod(folder.c_str(), 0555);
    EXPECT_EQ(WriteAsUnprivileged(path, MainSection(), "reset", "0"), "ok");
    EXPECT_EQ(WriteAsUnprivileged(path, MainSection(), "compact", "1"), "ok");
    EXPECT_EQ(ReadFile(path), "[Zor:bl]\r\nreset=0\r\nlog=1\r\ncompact=1\r\n");
    EXPECT_EQ(Listing(folder), std::vector<std::string>{"Zorbl.Zrf"});
}

TEST(Settings, MissingFileInReadOnlyFolderIsAWriteError) {
    REQUIRE_UNPRIVILEGED();
    TempDir dir;
    const std::string folder = dir / "program";
    zx_test::MakeDirs(folder);
    GiveToUnprivileged(dir.path());
    GiveToUnprivileged(folder);
    ::chmod(folder.c_str(), 0555);
    const std::string path = SettingsPath(folder + "/");
    EXPECT_EQ(WriteAsUnprivileged(path, MainSection(), "reset", "0"), "error:Unable to write to " + path);
    EXPECT_TRUE(Listing(folder).empty());
}

// A file beyond what a read may hold is told by its size, before anything
// is allocated: reads say so in words, a write is refused with its reason
// and the file is left as it is (sparse: no disk space taken).
TEST(Settings, AFileBeyondTheBoundIsTooLargeAndNeverReplaced) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "[Zor:bl]\r\nreset=1\r\n");
    const off_t size = (off_t{1} << 30) + 1;  // one byte past the bound
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    const std::string tooLarge = "Файл настроек «" + path + "» слишком велик: для его чтения не хватает памяти";
    try {
        SettingsFile(path).ReadNumber(MainSection(), "reset", 9);
        ADD_FAILURE() << "expected SettingsReadError";
    } catch (const SettingsReadError& e) {
        EXPECT_EQ(std::string(e.what()), tooLarge);
    }
    SettingsFile file(path);
    EXPECT_THROW(SettingsSnapshot{file}, SettingsReadError);
    try {
        file.WriteNumber(MainSection(), "reset", 0);
        ADD_FAILURE() << "expected SettingsWriteError";
    } catch (const SettingsWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
        EXPECT_FALSE(e.locked());
        EXPECT_EQ(e.reason(), "файл слишком велик: для его изменения не хватает памяти");
    }
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "replaced";
    EXPECT_EQ(after.st_size, size);
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"Zorbl.Zrf"}) << "a temporary was left";
}

TEST(Settings, UnreadableFileIsNeverOverwritten) {
    // A file we may write but not read: replacing it would lose its keys.
    REQUIRE_UNPRIVILEGED();
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    const std::string before = "[a]\r\nkeep=1\r\n";
    WriteFile(path, before);
    ::chmod(path.c_str(), 0200);
    GiveToUnprivileged(dir.path());
    GiveToUnprivileged(path);
    auto read = RunUnprivileged([&] { return std::to_string(SettingsFile(path).ReadNumber("a", "keep", 9)); });
    EXPECT_EQ(read.value_or("?"), "9") << "an unreadable file reads as defaults";
    EXPECT_EQ(WriteAsUnprivileged(path, "a", "x", "1"), "error:Unable to write to " + path);
    EXPECT_EQ(ReadFile(path), before);
}
