// Settings files saved by other editors: UTF-16 with its mark and lone CR
// line ends read like the program's own files, and a write keeps the form.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "platform/codepage.h"
#include "platform/utf8.h"
#include "settings/settings_file.h"
#include "settings/settings_view.h"
#include "support/temp_dir.h"

namespace zorbex {
namespace {

using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;

std::string Utf16(const std::string& utf8, bool little) {
    std::u16string units;
    ToUtf16(utf8, units, IllFormedUtf8::kFail);
    std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t u : units) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += little ? lo : hi;
        out += little ? hi : lo;
    }
    return out;
}

TEST(SettingsFileForm, Utf16FilesReadAndStayUtf16ThroughWrites) {
    const std::string text =
        "[Zor:bl]\r\nplaylists=1\r\n[Zor:bl:Playlist:1]\r\nname=Ёлка é\r\nfile=\"/tmp/a b.m3u\"\r\n";
    for (const bool little : {true, false}) {
        TempDir dir;
        const std::string path = SettingsPath(dir.path());
        WriteFile(path, Utf16(text, little));
        SettingsFile settings(path, SettingsSync::kNever);
        EXPECT_EQ(settings.ReadNumber("Zor:bl", "playlists", 0), 1);
        EXPECT_EQ(settings.ReadText("Zor:bl:Playlist:1", "name", "-"), "Ёлка é");
        EXPECT_EQ(settings.ReadText("Zor:bl:Playlist:1", "file", "-"), "/tmp/a b.m3u");

        // A new key, a replaced value, a new section; a new name stored in
        // windows-1251 beside a value only UTF-8 can hold goes in as UTF-16 too.
        settings.WriteNumber("Zor:bl", "reset", 0);
        settings.WriteText("Zor:bl:Playlist:1", "name", "Ель");
        settings.WriteText("Zor:bl:Playlist:1", "ключ", "ü");
        settings.WriteText("Zor:bl:Union:1", "name", "Союз");
        EXPECT_EQ(ReadFile(path), Utf16("[Zor:bl]\r\nplaylists=1\r\nreset=0\r\n[Zor:bl:Playlist:1]\r\nname=Ель\r\n"
                                         "file=\"/tmp/a b.m3u\"\r\nключ=ü\r\n[Zor:bl:Union:1]\r\nname=Союз\r\n",
                                         little))
            << (little ? "LE" : "BE");
        EXPECT_EQ(settings.ReadText("Zor:bl:Playlist:1", "ключ", "-"), "ü");
    }
}

// Without its mark, or with an odd last byte, a UTF-16 file is still
// UTF-16 after a write, the mark still missing and the byte still last.
TEST(SettingsFileForm, Utf16WithoutAMarkOrWithAnOddLastByteKeepsItsShape) {
    for (const bool little : {true, false}) {
        TempDir dir;
        const std::string path = SettingsPath(dir.path());
        WriteFile(path, Utf16("[Zor:bl]\r\nlog=1\r\n", little).substr(2));
        SettingsFile settings(path, SettingsSync::kNever);
        EXPECT_EQ(settings.ReadNumber("Zor:bl", "log", 0), 1);
        settings.WriteNumber("Zor:bl", "reset", 0);
        EXPECT_EQ(ReadFile(path), Utf16("[Zor:bl]\r\nlog=1\r\nreset=0\r\n", little).substr(2)) << little;

        WriteFile(path, Utf16("[Zor:bl]\r\nlog=1\r\n", little) + "\x7F");
        settings.WriteNumber("Zor:bl", "reset", 1);
        EXPECT_EQ(ReadFile(path), Utf16("[Zor:bl]\r\nlog=1\r\nreset=1\r\n", little) + "\x7F") << little;
    }
}

// A write that finds the file unchanged since it was last read takes the
// shared view instead of reading it: the form must come with the view.
TEST(SettingsFileForm, AWriteFromTheSharedViewKeepsTheFilesForm) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, Utf16("[Zor:bl]\r\nlog=1\r\n", true));
    const auto stamp = StampOf(path);
    ASSERT_TRUE(stamp);
    ::usleep(static_cast<useconds_t>(SettingsViews::MarginNs(*stamp) / 1000 + 20000));
    SettingsFile settings(path, SettingsSync::kNever);
    EXPECT_EQ(settings.ReadNumber("Zor:bl", "log", 0), 1);  // the view settles here
    settings.WriteNumber("Zor:bl", "reset", 0);
    EXPECT_EQ(ReadFile(path), Utf16("[Zor:bl]\r\nlog=1\r\nreset=0\r\n", true));
}

TEST(SettingsFileForm, LoneCrLineEndsReadAsLinesAndAreKept) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    const std::string file = EncodeStoreText("[Zor:bl]\rplaylists=2\r\r[Zor:bl:Playlist:1]\rname=Ёлка\r");
    WriteFile(path, file);
    SettingsFile settings(path, SettingsSync::kNever);
    EXPECT_EQ(settings.ReadNumber("Zor:bl", "playlists", 0), 2);
    EXPECT_EQ(settings.ReadText("Zor:bl:Playlist:1", "name", "-"), "Ёлка");
    settings.WriteNumber("Zor:bl", "reset", 0);
    settings.WriteText("Zor:bl:Union:1", "name", "é");
    EXPECT_EQ(ReadFile(path), EncodeStoreText("[Zor:bl]\rplaylists=2\rreset=0\r\r[Zor:bl:Playlist:1]\rname=Ёлка\r"
                                              "[Zor:bl:Union:1]\r") +
                                  "name=\xC3\xA9\r");

    // One LF anywhere and a lone CR is an ordinary byte again, as it always was.
    WriteFile(path, "[Zor:bl]\rplaylists=2\n");
    EXPECT_EQ(settings.ReadNumber("Zor:bl", "playlists", 0), 0);
}

}  // namespace
}  // namespace zorbex
