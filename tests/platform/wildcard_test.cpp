#include "platform/wildcard.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <vector>

namespace zorbex {
namespace {

struct MatchCase {
    const char* pattern;
    const char* name;
    bool match;
};

class WildcardTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(WildcardTest, Matches) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << "pattern '" << c.pattern << "' name '" << c.name << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WildcardTest,
    ::testing::Values(
        MatchCase{"*.mp3", "song.mp3", true}, MatchCase{"*.mp3", "SONG.MP3", true},
        MatchCase{"*.MP3", "song.mp3", true}, MatchCase{"*.mp3", "song.mp3x", false},
        MatchCase{"*.mp3", "song.mp", false}, MatchCase{"*.mp3", ".mp3", true},
        // Cyrillic letters fold too, including Ё.
        MatchCase{"ПЕСНЯ*", "песня 1.mp3", true}, MatchCase{"*ёж*", "ЁЖИК.flac", true},
        MatchCase{"*.МП3", "х.мп3", true}, MatchCase{"песня*", "пecня.mp3", false},  // Latin "e" and "c"
        // "?" is one character, not one byte.
        MatchCase{"?.mp3", "я.mp3", true}, MatchCase{"??.mp3", "я.mp3", false}, MatchCase{"?", "", false},
        MatchCase{"a?c", "abc", true}, MatchCase{"a?c", "ac", false},
        // Star backtracking.
        MatchCase{"a*b*c", "aXbYbZc", true}, MatchCase{"a*b*c", "aXbYbZ", false}, MatchCase{"**a", "bba", true},
        MatchCase{"*", "anything", true},
        // Windows habits: "*.*" matches every name; "name.*" matches "name".
        MatchCase{"*.*", "README", true}, MatchCase{"*.*", "a.b.c", true}, MatchCase{"song.*", "song", true},
        MatchCase{"song.*", "songs", false}, MatchCase{"*.mp*", "a.mp", true},
        MatchCase{"*.mp?", "a.MP4", true}, MatchCase{"*.mp?", "a.mp", false},
        // Patterns are used as they stand.
        MatchCase{" *.flac", "a.flac", false}, MatchCase{"*.flac ", "a.flac", false}, MatchCase{"", "a", false},
        MatchCase{"", "", false},
        // Bytes that are not UTF-8 are characters of their own.
        MatchCase{"*.mp3", "\xff\xfe.mp3", true}, MatchCase{"??.mp3", "\xff\xfe.mp3", true},
        MatchCase{"\xff*", "\xff.mp3", true}, MatchCase{"\xff*", "\xfe.mp3", false},
        MatchCase{"ÿ*", "\xff.mp3", false}, MatchCase{"?", "\xc3", true}, MatchCase{"*\xd0", "a\xd0", true},
        // Plain masks against names that are not: the Kelvin sign and the
        // long s fold to "k" and "s"; "?" still takes a whole character.
        MatchCase{"*k.mp3", "\xe2\x84\xaa.mp3", true}, MatchCase{"*.S", "a.\xc5\xbf", true},
        MatchCase{"*ks*", "\xe2\x84\xaa\xc5\xbf", true}, MatchCase{"a?b.mp3", "aжb.MP3", true},
        MatchCase{"*.mp3", "ЖЖ.Mp3", true}, MatchCase{"*.mp3", "ЖЖ.mp3\xd0", false},
        MatchCase{"*a*.flac", "жaж.FLAC", true}, MatchCase{"*.*", "ж", true}));

// Plain masks match on bytes, which is exact while no character beyond
// ASCII folds to an ASCII letter but the two the matcher knows of.
TEST(WildcardPatternTest, OnlyKelvinAndLongSFoldIntoAscii) {
    std::vector<UChar32> folding;
    for (UChar32 c = 0x80; c <= 0x10FFFF; ++c) {
        if (u_foldCase(c, U_FOLD_CASE_DEFAULT) < 0x80) folding.push_back(c);
    }
    EXPECT_EQ(folding, (std::vector<UChar32>{0x17F, 0x212A}));
}

TEST(SplitMaskTest, KeepsEveryPartAsWritten) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitMask("*.mp3;*.flac"), (V{"*.mp3", "*.flac"}));
    EXPECT_EQ(SplitMask("*.mp3; *.flac"), (V{"*.mp3", " *.flac"}));
    EXPECT_EQ(SplitMask("a;;b;"), (V{"a", "", "b", ""}));
    EXPECT_EQ(SplitMask(""), (V{""}));
}

// An empty part of a mask ("a;;b", a trailing ";") must not turn into a
// pattern that matches everything, nor hide the parts after it.
TEST(FileMaskTest, EmptyPartsMatchNothingAndAnyOtherPartMatches) {
    const FileMask mask("*.mp3;;*.FLAC;");
    EXPECT_EQ(mask.Patterns().size(), 2u);
    EXPECT_TRUE(mask.Matches("a.flac"));
    EXPECT_TRUE(mask.Matches("b.MP3"));
    EXPECT_FALSE(mask.Matches("c.wav"));
    EXPECT_FALSE(FileMask("").Matches("x"));
    EXPECT_FALSE(FileMask(";").Matches(""));
}

// A file is listed once per pattern that matches it: patterns that fold to
// one are tried once but each still counts, and different ones count apart.
TEST(FileMaskTest, MatchCountCountsEveryMatchingPattern) {
    const FileMask mask("*.mp3;*.MP3;a*;;*.Mp3;b?.*");
    EXPECT_EQ(mask.MatchCount("a.mp3"), 4u);
    EXPECT_EQ(mask.MatchCount("B.mP3"), 3u);
    EXPECT_EQ(mask.MatchCount("b1"), 1u);
    EXPECT_EQ(mask.MatchCount("c.wav"), 0u);
    EXPECT_EQ(FileMask("").MatchCount("x"), 0u);
}

TEST(WildcardPatternTest, LongNamesDoNotBlowUp) {
    const std::string name(100000, 'a');
    EXPECT_FALSE(WildcardMatch("*a*a*a*b", name));
    EXPECT_TRUE(WildcardMatch("*a*a*a*", name));
}

}  // namespace
}  // namespace zorbex
