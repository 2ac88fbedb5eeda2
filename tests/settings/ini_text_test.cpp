// The text form of the settings file, on bytes in memory.
#include "settings/ini_text.h"

#include <gtest/gtest.h>

#include <string>

namespace ini = zorbex::ini;

namespace {

std::string Get(std::string_view file, std::string_view section, std::string_view key) {
    auto raw = ini::RawValue(file, section, key);
    return raw ? ini::ValueToText(*raw) : std::string("<absent>");
}

}  // namespace

// ---- numbers -------------------------------------------------------------

TEST(IniNumber, Decimal) {
    EXPECT_EQ(ini::ParseNumber("0"), 0);
    EXPECT_EQ(ini::ParseNumber("10"), 10);
    EXPECT_EQ(ini::ParseNumber("-7"), -7);
    EXPECT_EQ(ini::ParseNumber("+7"), 7);
    EXPECT_EQ(ini::ParseNumber("007"), 7);
    EXPECT_EQ(ini::ParseNumber("2147483647"), 2147483647);
    EXPECT_EQ(ini::ParseNumber("-2147483648"), INT32_MIN);
}

TEST(IniNumber, HexForms) {
    EXPECT_EQ(ini::ParseNumber("0x0A"), 10);
    EXPECT_EQ(ini::ParseNumber("0X0a"), 10);
    EXPECT_EQ(ini::ParseNumber("0xA"), 10);
    EXPECT_EQ(ini::ParseNumber("$A"), 10);
    EXPECT_EQ(ini::ParseNumber("$a"), 10);
    EXPECT_EQ(ini::ParseNumber("$0000000A"), 10);
    EXPECT_EQ(ini::ParseNumber("0x7FFFFFFF"), 2147483647);
    // The full 32-bit pattern reads as the Windows program reads it.
    EXPECT_EQ(ini::ParseNumber("0xFFFFFFFF"), -1);
    EXPECT_EQ(ini::ParseNumber("$80000000"), INT32_MIN);
    // Leading zeros do not count against the 32 bits.
    EXPECT_EQ(ini::ParseNumber("0x0000000000FF"), 255);
}

TEST(IniNumber, MalformedGivesNothing) {
    for (const char* bad : {"", "ten", "0x", "0X", "$", "x10", "1 0", "10a", "0x1G", "$-1", "-0x10", "-$A", "-", "+",
                            "--1", "1e3", "1.5", "0x 1", " 1"}) {
        EXPECT_FALSE(ini::ParseNumber(bad).has_value()) << '"' << bad << '"';
    }
}

TEST(IniNumber, BeyondThirtyTwoBitsGivesNothingNeverAWrappedValue) {
    for (const char* big : {"2147483648", "-2147483649", "4294967296", "4294967306", "99999999999999999999",
                            "0x100000000", "0x10000000A", "$1FFFFFFFF", "0xFFFFFFFFFFFFFFFF",
                            "184467440737095516170"}) {
        EXPECT_FALSE(ini::ParseNumber(big).has_value()) << big;
    }
}

TEST(IniNumber, ZeroXIsDecimalWhenTwoCharactersLong) {
    // "0x" alone is two characters: read as decimal, which it is not.
    EXPECT_FALSE(ini::ParseNumber("0x").has_value());
    EXPECT_EQ(ini::ParseNumber("0x0"), 0);
}

// ---- values ----------------------------------------------------------------

TEST(IniValue, BlanksAndQuotesDropped) {
    EXPECT_EQ(ini::ValueToText("  abc \t"), "abc");
    EXPECT_EQ(ini::ValueToText("\"abc\""), "abc");
    EXPECT_EQ(ini::ValueToText("'abc'"), "abc");
    EXPECT_EQ(ini::ValueToText("  \" a b \"  "), " a b ");
    EXPECT_EQ(ini::ValueToText("\"\""), "");
    EXPECT_EQ(ini::ValueToText("''"), "");
    // Only one pair, only matching, only around the whole value.
    EXPECT_EQ(ini::ValueToText("\"\"abc\"\""), "\"abc\"");
    EXPECT_EQ(ini::ValueToText("\"abc'"), "\"abc'");
    EXPECT_EQ(ini::ValueToText("\"abc"), "\"abc");
    EXPECT_EQ(ini::ValueToText("a\"b\"c"), "a\"b\"c");
    EXPECT_EQ(ini::ValueToText("\""), "\"");
    EXPECT_EQ(ini::ValueToText("'"), "'");
}

TEST(IniValue, CutTo1023Characters) {
    EXPECT_EQ(ini::ValueToText(std::string(2000, 'a')), std::string(1023, 'a'));
    EXPECT_EQ(ini::ValueToText(std::string(1023, 'b')), std::string(1023, 'b'));
    EXPECT_EQ(ini::ValueToText(std::string(1022, 'c')), std::string(1022, 'c'));
    EXPECT_EQ(ini::ValueToText(std::string(1024, 'd')), std::string(1023, 'd'));
}

TEST(IniValue, CutCountsCharactersNotBytes) {
    // 2000 Cyrillic letters stored in windows-1251 (one byte each) and in
    // UTF-8 (two bytes each) both give 1023 letters.
    std::string cp1251(2000, '\xDF');  // Я
    std::string utf8;
    for (int i = 0; i < 1023; ++i) utf8 += "Я";
    EXPECT_EQ(ini::ValueToText(cp1251), utf8);
    std::string stored8;
    for (int i = 0; i < 2000; ++i) stored8 += "Я";
    EXPECT_EQ(ini::ValueToText(stored8), utf8);
    // Four-byte characters are never split.
    std::string notes;
    for (int i = 0; i < 1500; ++i) notes += "🎵";
    std::string got = ini::ValueToText(notes);
    EXPECT_EQ(got.size(), 1023u * 4);
}

TEST(IniValue, CutAfterQuotesAndBlanks) {
    std::string quoted = "\"" + std::string(1500, 'q') + "\"";
    EXPECT_EQ(ini::ValueToText(quoted), std::string(1023, 'q'));
    EXPECT_EQ(ini::ValueToText("   " + std::string(1030, 'z')), std::string(1023, 'z'));
}

TEST(IniValue, NulEndsTheValue) {
    EXPECT_EQ(ini::ValueToText(std::string("abc\0def", 7)), "abc");
    EXPECT_EQ(ini::ValueToText(std::string("\"abc\0\"", 6)), "\"abc");
    EXPECT_EQ(ini::ValueToText(std::string("\0abc", 4)), "");
}

TEST(IniValue, DecodedPerValue) {
    EXPECT_EQ(ini::ValueToText("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
    EXPECT_EQ(ini::ValueToText("Привет"), "Привет");
    EXPECT_EQ(ini::ValueToText("café"), "café");
    // Invalid UTF-8 in a value: read as windows-1251, never a failure.
    EXPECT_EQ(ini::ValueToText("caf\xE9"), "cafй");
    EXPECT_EQ(ini::ValueToText("\xFF\xFE\x80"), "яю\xD0\x82");
}

// ---- finding keys ----------------------------------------------------------

TEST(IniFind, SectionsAndKeysIgnoreCase) {
    std::string f = "[ZOR:BL:PLAYLIST:1]\r\nNAME=abc\r\n";
    EXPECT_EQ(Get(f, "Zor:bl:Playlist:1", "name"), "abc");
    EXPECT_EQ(Get(f, "zor:bl:playlist:1", "Name"), "abc");
    EXPECT_EQ(Get(f, "Zor:bl:Playlist:10", "name"), "<absent>");
    EXPECT_EQ(Get(f, "Zor:bl:Playlist:", "name"), "<absent>");
}

TEST(IniFind, BlanksAroundNames) {
    std::string f = "  [  Zor:bl  ]  ; note\r\n  reset  =  0  \r\n";
    EXPECT_EQ(Get(f, "Zor:bl", "reset"), "0");
    EXPECT_EQ(Get(f, " Zor:bl ", " reset "), "0");
}

TEST(IniFind, CyrillicNamesMatchWithoutCase) {
    std::string f = "[\xD1\xE5\xEA\xF6\xE8\xFF]\r\n\xEA\xEB\xFE\xF7=1\r\n[Другая]\r\nключ=2\r\n";
    EXPECT_EQ(Get(f, "Секция", "ключ"), "1");
    EXPECT_EQ(Get(f, "СЕКЦИЯ", "КЛЮЧ"), "1");
    EXPECT_EQ(Get(f, "другая", "Ключ"), "2");
    EXPECT_EQ(Get(f, "Секци", "ключ"), "<absent>");
}

TEST(IniFind, LineEndsCrLfOrLf) {
    std::string f = "[a]\nx=1\r\ny=2\nz=3";
    EXPECT_EQ(Get(f, "a", "x"), "1");
    EXPECT_EQ(Get(f, "a", "y"), "2");
    EXPECT_EQ(Get(f, "a", "z"), "3");
}

TEST(IniFind, LoneCrIsPartOfTheLine) {
    std::string f = "[a]\r\nx=1\ry=2\r\n";
    EXPECT_EQ(Get(f, "a", "x"), "1\ry=2");
    EXPECT_EQ(Get(f, "a", "y"), "<absent>");
}

TEST(IniFind, FileWithNoSections) {
    std::string f = "reset=0\r\nprocess=1\r\n";
    EXPECT_EQ(Get(f, "Zor:bl", "reset"), "<absent>");
    EXPECT_EQ(Get(f, "", "reset"), "<absent>");
}

TEST(IniFind, KeysBeforeTheFirstSectionBelongToNone) {
    std::string f = "reset=5\r\n[Zor:bl]\r\nprocess=1\r\n";
    EXPECT_EQ(Get(f, "Zor:bl", "reset"), "<absent>");
    EXPECT_EQ(Get(f, "Zor:bl", "process"), "1");
}

TEST(IniFind, HeaderWithoutBracketIsNoHeader) {
    // "[Zor:bl:Playlist:2" is an unknown line inside Zor:bl, which goes on.
    std::string f = "[Zor:bl]\r\na=1\r\n[Zor:bl:Playlist:2\r\nb=2\r\n";
    EXPECT_EQ(Get(f, "Zor:bl", "b"), "2");
    EXPECT_EQ(Get(f, "Zor:bl:Playlist:2", "b"), "<absent>");
    EXPECT_EQ(Get(f, "Zor:bl:Playlist:2\r", "b"), "<absent>");
}

TEST(IniFind, TextAfterClosingBracketIsIgnored) {
    std::string f = "[Zor:bl] trailing words ]\r\na=1\r\n";
    EXPECT_EQ(Get(f, "Zor:bl", "a"), "1");
}

TEST(IniFind, LinesWithoutEqualsAndCommentsAreNotKeys) {
    std::string f = "[a]\r\njust words\r\n;x=1\r\n#x=2\r\n  ; x=3\r\n=4\r\n  =5\r\nx=6\r\n";
    EXPECT_EQ(Get(f, "a", "x"), "6");
    EXPECT_EQ(Get(f, "a", "just words"), "<absent>");
    // "=4" is a key line with an empty name (the first one wins).
    EXPECT_EQ(Get(f, "a", ""), "4");
}

TEST(IniFind, FirstEqualsSplitsKeyFromValue) {
    std::string f = "[a]\r\nx = a=b=c\r\n";
    EXPECT_EQ(Get(f, "a", "x"), "a=b=c");
}

TEST(IniFind, DuplicatesFirstWins) {
    std::string f = "[a]\r\nx=1\r\nx=2\r\n[b]\r\ny=0\r\n[A]\r\nx=3\r\nz=4\r\n";
    EXPECT_EQ(Get(f, "a", "x"), "1");
    // A key only in the second [a] is not seen: the first section is the section.
    EXPECT_EQ(Get(f, "a", "z"), "<absent>");
}

TEST(IniFind, EmptyValueAndEmptyFile) {
    EXPECT_EQ(Get("[a]\r\nx=\r\n", "a", "x"), "");
    EXPECT_EQ(Get("", "a", "x"), "<absent>");
    EXPECT_EQ(Get("[a]", "a", "x"), "<absent>");
}

TEST(IniFind, NulBytesAreOrdinaryBytesOfTheLine) {
    // A NUL neither ends nor splits a line: the key after it is still found,
    // and a NUL in a name makes that name differ.
    static const char kBytes[] = "[a]\r\nx=1\0junk\r\ny\0=2\r\nz=3\r\n\0[b]\r\nw=4\r\n";
    std::string f(kBytes, sizeof kBytes - 1);
    EXPECT_EQ(Get(f, "a", "x"), "1");
    EXPECT_EQ(Get(f, "a", "y"), "<absent>");
    EXPECT_EQ(Get(f, "a", "z"), "3");
    EXPECT_EQ(Get(f, "a", std::string("y\0", 2)), "<absent>");  // caller's NUL becomes a blank
    // "\0[b]" is no header (its first byte is NUL, no '['): w stays in [a].
    EXPECT_EQ(Get(f, "b", "w"), "<absent>");
    EXPECT_EQ(Get(f, "a", "w"), "4");
}

TEST(IniFind, HugeLines) {
    std::string longLine(100000, 'k');
    std::string f = "[a]\r\n" + longLine + "\r\n" + longLine + "=v\r\nx=" + longLine + "\r\ny=1\r\n";
    EXPECT_EQ(Get(f, "a", longLine), "v");
    EXPECT_EQ(Get(f, "a", "x"), std::string(1023, 'k'));
    EXPECT_EQ(Get(f, "a", "y"), "1");
}

// ---- writing ---------------------------------------------------------------

TEST(IniSet, IntoEmptyFile) {
    EXPECT_EQ(ini::SetValue("", "Zor:bl", "reset", "0"), "[Zor:bl]\r\nreset=0\r\n");
}

TEST(IniSet, ReplacesInPlaceKeepingEverythingElseByteForByte) {
    std::string f = "; top comment\n[a]\r\n  x = old \r\n\r\nodd line\n[b]\ny=1";
    EXPECT_EQ(ini::SetValue(f, "A", "X", "new"), "; top comment\n[a]\r\nx=new\r\n\r\nodd line\n[b]\ny=1");
}

TEST(IniSet, ReplacesTheFirstOfDuplicates) {
    std::string f = "[a]\r\nx=1\r\nx=2\r\n[a]\r\nx=3\r\n";
    EXPECT_EQ(ini::SetValue(f, "a", "x", "9"), "[a]\r\nx=9\r\nx=2\r\n[a]\r\nx=3\r\n");
    // A new key goes to the first [a], not the second.
    EXPECT_EQ(ini::SetValue(f, "a", "y", "8"), "[a]\r\nx=1\r\nx=2\r\ny=8\r\n[a]\r\nx=3\r\n");
}

TEST(IniSet, NewKeyGoesAfterTheLastKeyLineOfItsSection) {
    std::string f = "[a]\r\nx=1\r\n; about b\r\n\r\n[b]\r\ny=2\r\n\r\n";
    EXPECT_EQ(ini::SetValue(f, "a", "z", "3"), "[a]\r\nx=1\r\nz=3\r\n; about b\r\n\r\n[b]\r\ny=2\r\n\r\n");
    EXPECT_EQ(ini::SetValue(f, "b", "w", "4"), "[a]\r\nx=1\r\n; about b\r\n\r\n[b]\r\ny=2\r\nw=4\r\n\r\n");
}

TEST(IniSet, NewKeyInSectionWithoutKeysGoesRightAfterTheHeader) {
    std::string f = "[a]\r\n; nothing yet\r\n[b]\r\n";
    EXPECT_EQ(ini::SetValue(f, "a", "x", "1"), "[a]\r\nx=1\r\n; nothing yet\r\n[b]\r\n");
    EXPECT_EQ(ini::SetValue(f, "b", "y", "2"), "[a]\r\n; nothing yet\r\n[b]\r\ny=2\r\n");
}

TEST(IniSet, LastLineWithoutLineBreakGetsOne) {
    EXPECT_EQ(ini::SetValue("[a]\r\nx=1", "a", "y", "2"), "[a]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(ini::SetValue("[a]", "a", "y", "2"), "[a]\r\ny=2\r\n");
    EXPECT_EQ(ini::SetValue("[a]\r\nx=1", "b", "y", "2"), "[a]\r\nx=1\r\n[b]\r\ny=2\r\n");
    EXPECT_EQ(ini::SetValue("[a]\r\nx=1", "a", "x", "2"), "[a]\r\nx=2\r\n");
}

TEST(IniSet, NewSectionAtTheEndOfTheFile) {
    std::string f = "[a]\r\nx=1\r\n\r\n; end\r\n";
    EXPECT_EQ(ini::SetValue(f, "b", "y", "2"), "[a]\r\nx=1\r\n\r\n; end\r\n[b]\r\ny=2\r\n");
}

TEST(IniSet, KeysBeforeTheFirstSectionAreKeptAndNeverReplaced) {
    std::string f = "x=0\r\n[a]\r\n";
    EXPECT_EQ(ini::SetValue(f, "a", "x", "1"), "x=0\r\n[a]\r\nx=1\r\n");
}

TEST(IniSet, HeaderWithoutBracketStaysAndIsNotASection) {
    std::string f = "[a]\r\nx=1\r\n[broken\r\n";
    EXPECT_EQ(ini::SetValue(f, "broken", "y", "2"), "[a]\r\nx=1\r\n[broken\r\n[broken]\r\ny=2\r\n");
}

TEST(IniSet, LineBreaksAndNulInValuesBecomeBlanks) {
    EXPECT_EQ(ini::SetValue("", "a", "x", "one\r\ntwo\nthree\rfour"), "[a]\r\nx=one  two three four\r\n");
    EXPECT_EQ(ini::SetValue("", "a", "x", std::string("a\0b", 3)), "[a]\r\nx=a b\r\n");
    EXPECT_EQ(ini::SetValue("", "a\nb", "x\r", "1"), "[a b]\r\nx =1\r\n");
    // And such a key is found again under the same (cleaned) name.
    std::string f = ini::SetValue("", "a", "x\ny", "1");
    EXPECT_EQ(Get(f, "a", "x\ny"), "1");
    EXPECT_EQ(ini::SetValue(f, "a", "x\ny", "2"), "[a]\r\nx y=2\r\n");
}

TEST(IniSet, ValueStoredExactlyAsGiven) {
    // No quoting or escaping on write; the reading rules apply on read.
    std::string f = ini::SetValue("", "a", "x", "  \"quoted\"  ");
    EXPECT_EQ(f, "[a]\r\nx=  \"quoted\"  \r\n");
    EXPECT_EQ(Get(f, "a", "x"), "quoted");
}

TEST(IniSet, EncodesNamesAndValuesOneByOne) {
    std::string f = ini::SetValue("", "Секция", "ключ", "café");
    EXPECT_EQ(f, "[\xD1\xE5\xEA\xF6\xE8\xFF]\r\n\xEA\xEB\xFE\xF7=café\r\n");
    EXPECT_EQ(Get(f, "секция", "КЛЮЧ"), "café");
    // Replacing through a name in other letter case finds the same line,
    // which keeps its spelling.
    EXPECT_EQ(ini::SetValue(f, "СЕКЦИЯ", "Ключ", "Я"), "[\xD1\xE5\xEA\xF6\xE8\xFF]\r\n\xEA\xEB\xFE\xF7=\xDF\r\n");
}

TEST(IniSet, InvalidUtf8ValueIsStoredWithoutFailing) {
    std::string f = ini::SetValue("", "a", "x", "caf\xE9 \xFF");
    EXPECT_EQ(f, "[a]\r\nx=caf\xE9 \xFF\r\n");
    EXPECT_EQ(Get(f, "a", "x"), "cafй я");
}

TEST(IniSet, HugeValue) {
    std::string big(1 << 20, 'v');
    std::string f = ini::SetValue("[a]\r\nx=1\r\n", "a", "big", big);
    EXPECT_EQ(f, "[a]\r\nx=1\r\nbig=" + big + "\r\n");
    EXPECT_EQ(Get(f, "a", "big"), std::string(1023, 'v'));
    EXPECT_EQ(ini::SetValue(f, "a", "big", "small"), "[a]\r\nx=1\r\nbig=small\r\n");
}

// A UTF-8 byte-order mark in front, as some editors save it: the first
// section is found, and writes keep the mark and every other byte.
TEST(IniBom, MarkInFrontHidesNothingAndStays) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string f = bom + "[Zor:bl]\r\nRESET=1\r\nplaylists=1\r\n[b]\r\ny=2\r\n";
    EXPECT_EQ(Get(f, "Zor:bl", "playlists"), "1");
    EXPECT_EQ(ini::FileIndex(f).RawValue("zor:bl", "reset").value_or("<absent>"), "1");
    EXPECT_EQ(ini::SetValue(f, "Zor:bl", "reset", "0"), bom + "[Zor:bl]\r\nRESET=0\r\nplaylists=1\r\n[b]\r\ny=2\r\n");
    EXPECT_EQ(ini::SetValue(f, "Zor:bl", "log", "1"),
              bom + "[Zor:bl]\r\nRESET=1\r\nplaylists=1\r\nlog=1\r\n[b]\r\ny=2\r\n");
    EXPECT_EQ(ini::SetValues(f, "Zor:bl", {{"reset", "0"}, {"log", "1"}}),
              bom + "[Zor:bl]\r\nRESET=0\r\nplaylists=1\r\nlog=1\r\n[b]\r\ny=2\r\n");
    // Blanks after the mark, and a file that is nothing but the mark.
    EXPECT_EQ(Get(bom + "  [a]\r\nx=1\r\n", "a", "x"), "1");
    EXPECT_EQ(ini::SetValue(bom, "a", "x", "1"), bom + "[a]\r\nx=1\r\n");
    EXPECT_EQ(ini::SetValues(bom, "a", {{"x", "1"}}), bom + "[a]\r\nx=1\r\n");
    // Only a mark at the very start is one; elsewhere the bytes are a name's.
    EXPECT_EQ(Get("\r\n" + bom + "[a]\r\nx=1\r\n", "a", "x"), "<absent>");
}
