// Settings files saved by other editors: UTF-16 with its mark and lone CR
// line ends read like the program's own files, and a write keeps the form.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/utf8.h"
#include "settings/ini_text.h"
#include "settings/settings_file.h"
#include "support/random_text.h"
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

// Any text saved as UTF-16, then written to: every key reads as the same
// write into the 8-bit file would read, whatever names and values the
// lines mix (windows-1251 names beside UTF-8 values, '=' in names, comments).
TEST(SettingsFileForm, WritesIntoUtf16FilesReadAsIn8BitFiles) {
    static const std::vector<std::string> pieces = {"[", "]", "=", "\r\n", "\n", ";", "#", " ", "\"", "a", "x",
                                                    "Я", "é", "[a]", "[Я]", "x=", "Я=", "a=Ё", "\u20ac"};
    static const char* names[] = {"a", "x", "Я", "я", "a=b", "Я=é", ";c", "[d", "é"};
    static const char* values[] = {"", "1", "Ёж", "é", "Ёж é", " q ", "a=Я"};
    std::mt19937 rng(2207);
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    for (int round = 0; round < 300; ++round) {
        std::string text;
        do text = zx_test::RandomText(rng, pieces, 40, 1000000);
        while (!IsValidUtf8(text));
        WriteFile(path, Utf16(text, round % 2 == 0));
        const std::string sec = names[rng() % 9], key = names[rng() % 9], value = values[rng() % 7];
        SettingsFile(path, SettingsSync::kNever).WriteText(sec, key, value);
        const std::string model = ini::SetValue(text, sec, key, value);
        const SettingsFile settings(path);
        for (const char* s : names) {
            for (const char* k : names) {
                const auto raw = ini::RawValue(model, s, k);
                ASSERT_EQ(settings.ReadText(s, k, "<none>"), raw ? ini::ValueToText(*raw) : "<none>")
                    << "round " << round << " [" << s << "] " << k;
            }
        }
    }
}

}  // namespace
}  // namespace zorbex
