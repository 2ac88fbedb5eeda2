#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <random>

namespace zorbex {
namespace {

TEST(Utf8, AsciiIsEveryByteBelow0x80) {
    EXPECT_TRUE(IsAscii(std::string("a\0\x7F", 3)));
    EXPECT_FALSE(IsAscii("песня"));
    // Bytes are looked at in groups: a high byte is seen wherever it stands.
    for (size_t length = 1; length <= 24; ++length) {
        for (size_t at = 0; at < length; ++at) {
            std::string text(length, 'a');
            text[at] = '\x80';
            EXPECT_FALSE(IsAscii(text)) << length << " " << at;
            EXPECT_TRUE(IsAscii(std::string_view(text).substr(0, at))) << length << " " << at;
        }
    }
}

TEST(Utf8, IsValidUtf8) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("abc"));
    EXPECT_TRUE(IsValidUtf8("Привет 🎵"));
    EXPECT_FALSE(IsValidUtf8("\xCF\xF0"));
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));  // overlong NUL
}

TEST(Utf8, PrefixCountsCodePointsNotBytes) {
    EXPECT_EQ(Utf8PrefixLength("a🎵b", 2), 5u);
    EXPECT_EQ(Utf8PrefixLength("абв", 0), 0u);
    EXPECT_EQ(Utf8PrefixLength("абв", 3), 6u);
    EXPECT_EQ(Utf8PrefixLength("абв", 100), 6u);
    // Stray continuation bytes start no character: they stay with the one before.
    EXPECT_EQ(Utf8PrefixLength("a\x80\x80" "b", 1), 3u);
}

TEST(Utf8, StrictConversionRefusesIllFormedInput) {
    std::u16string out = u"left over";
    ASSERT_TRUE(ToUtf16("Привет 🎵", out, IllFormedUtf8::kFail));
    EXPECT_EQ(out, u"Привет 🎵");
    for (const char* bad : {"\xFF", "a\xCF\xF0", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}) {
        out = u"left over";
        EXPECT_FALSE(ToUtf16(bad, out, IllFormedUtf8::kFail)) << bad;
        EXPECT_TRUE(out.empty()) << bad;
    }
}

TEST(Utf8, SubstitutionReadsEachBadRunAsOneReplacementCharacter) {
    std::u16string out;
    ASSERT_TRUE(ToUtf16("a\xFF" "b", out, IllFormedUtf8::kSubstitute));
    EXPECT_EQ(out, u"a\uFFFDb");
    ASSERT_TRUE(ToUtf16("\xE2\x82" "x", out, IllFormedUtf8::kSubstitute));  // a cut-off sequence
    EXPECT_EQ(out, u"\uFFFDx");
}

// The buffer is sized once from the byte count: no input may outgrow it.
TEST(Utf8, SubstitutionNeverFailsOnAnyBytes) {
    std::mt19937 rng(7);
    std::u16string out;
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(rng() % 40, '\0');
        for (char& c : bytes) c = static_cast<char>(rng() % 2 ? 0x80 + rng() % 0x80 : rng() % 0x100);
        ASSERT_TRUE(ToUtf16(bytes, out, IllFormedUtf8::kSubstitute)) << round;
        EXPECT_LE(out.size(), bytes.size());
        EXPECT_EQ(out.empty(), bytes.empty());
        EXPECT_TRUE(ToUtf8(out).has_value());
    }
}

TEST(Utf8, BackToUtf8UnlessASurrogateIsAlone) {
    EXPECT_EQ(ToUtf8(u"Привет 🎵"), "Привет 🎵");
    EXPECT_EQ(ToUtf8(std::u16string(1, u'\xD800')), std::nullopt);
    EXPECT_EQ(ToUtf8(std::u16string(u"a") + u'\xDC00'), std::nullopt);
}

}  // namespace
}  // namespace zorbex
