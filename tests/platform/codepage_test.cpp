#include "platform/codepage.h"
#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

using zorbex::DecodeStoreText;
using zorbex::EncodeStoreText;
using zorbex::IsValidUtf8;

namespace {

std::string Utf8Of(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

}  // namespace

TEST(Codepage, AsciiPassesUnchanged) {
    EXPECT_EQ(EncodeStoreText("playlist_1.m3u"), "playlist_1.m3u");
    EXPECT_EQ(DecodeStoreText("C:\\MUSIC"), "C:\\MUSIC");
    EXPECT_EQ(EncodeStoreText(""), "");
    EXPECT_EQ(DecodeStoreText(""), "");
}

TEST(Codepage, CyrillicIsStoredAsSingleBytes) {
    EXPECT_EQ(EncodeStoreText("Привет"), "\xCF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(DecodeStoreText("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
    std::string name = "НАЗВАНИЕ ПЛЕЙЛИСТА номер 1";
    std::string stored = EncodeStoreText(name);
    EXPECT_EQ(stored.size(), 26u);  // one byte per character
    EXPECT_EQ(DecodeStoreText(stored), name);
    EXPECT_EQ(EncodeStoreText("ёЁ"), "\xB8\xA8");
}

TEST(Codepage, OtherWindows1251CharactersAreSingleBytes) {
    EXPECT_EQ(EncodeStoreText("€«»№"), "\x88\xAB\xBB\xB9");
    EXPECT_EQ(DecodeStoreText("\x88\xAB\xBB\xB9"), "€«»№");
}

TEST(Codepage, TextWindows1251CannotHoldIsStoredAsUtf8) {
    EXPECT_EQ(EncodeStoreText("café"), "café");
    EXPECT_EQ(DecodeStoreText("café"), "café");
    // One such character makes the whole value UTF-8, Cyrillic included.
    EXPECT_EQ(EncodeStoreText("Привет é"), "Привет é");
    EXPECT_EQ(EncodeStoreText("日本語"), "日本語");
    EXPECT_EQ(EncodeStoreText("Straße 🎵"), "Straße 🎵");
    EXPECT_EQ(DecodeStoreText(EncodeStoreText("Straße 🎵")), "Straße 🎵");
}

TEST(Codepage, HandWrittenUtf8ReadsRight) {
    EXPECT_EQ(DecodeStoreText("Мои песни"), "Мои песни");
}

TEST(Codepage, Windows1251BytesThatLookLikeUtf8AreStoredAsUtf8) {
    // "РЁ" in windows-1251 is D0 A8, which is also UTF-8 for "Ш": storing the
    // single bytes would read back as the wrong letter.
    EXPECT_EQ(EncodeStoreText("РЁ"), "РЁ");
    EXPECT_EQ(DecodeStoreText(EncodeStoreText("РЁ")), "РЁ");
    EXPECT_EQ(DecodeStoreText("\xD0\xA8"), "Ш");
}

TEST(Codepage, NulBytesAreKept) {
    std::string in("a\0Я", 4);
    std::string stored = EncodeStoreText(in);
    EXPECT_EQ(stored, std::string("a\0\xDF", 3));
    EXPECT_EQ(DecodeStoreText(stored), in);
}

TEST(Codepage, EverySingleByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        std::string byte(1, static_cast<char>(b));
        std::string text = DecodeStoreText(byte);
        EXPECT_TRUE(IsValidUtf8(text)) << b;
        EXPECT_EQ(EncodeStoreText(text), byte) << "byte " << b;
    }
    EXPECT_EQ(DecodeStoreText("\x98"), "\xC2\x98");  // ICU maps it to U+0098
}

TEST(Codepage, InvalidUtf8NeverFailsAndKeepsItsBytes) {
    // Bytes outside valid UTF-8 count as windows-1251 bytes: a stray
    // windows-1251 text is stored as its very bytes.
    EXPECT_EQ(EncodeStoreText("caf\xE9"), "caf\xE9");
    EXPECT_EQ(DecodeStoreText("caf\xE9"), "cafй");
    EXPECT_EQ(EncodeStoreText("\xCF\xF0\xE8\xE2\xE5\xF2"), "\xCF\xF0\xE8\xE2\xE5\xF2");
    // Valid Cyrillic next to a stray byte: all of it fits windows-1251.
    EXPECT_EQ(EncodeStoreText("Я\xFF"), "\xDF\xFF");
    // A character windows-1251 cannot hold next to a stray byte: UTF-8, with
    // the stray byte read as windows-1251.
    EXPECT_EQ(EncodeStoreText("é\xFF"), "éя");
    // Truncated, lone continuation, overlong, surrogate, beyond U+10FFFF.
    for (std::string bad : {std::string("\xD0"), std::string("x\x80y"), std::string("\xC0\xAF"),
                            std::string("\xED\xA0\x80"), std::string("\xF4\x90\x80\x80"),
                            std::string("\xE2\x82"), std::string("\xFE\xFF")}) {
        EXPECT_FALSE(IsValidUtf8(bad));
        std::string stored = EncodeStoreText(bad);
        EXPECT_TRUE(IsValidUtf8(DecodeStoreText(stored)));
    }
}

TEST(Codepage, RandomValidTextRoundTrips) {
    std::mt19937 rng(20240521);
    const std::vector<std::pair<char32_t, char32_t>> ranges = {
        {0x20, 0x7E}, {0x410, 0x44F}, {0x401, 0x45F}, {0xA0, 0xFF}, {0x2010, 0x2122}, {0x4E00, 0x4E80}, {0x1F3B5, 0x1F3B9}};
    for (int round = 0; round < 3000; ++round) {
        std::string s;
        int len = static_cast<int>(rng() % 12);
        // Often stay within one range so that pure windows-1251 texts occur.
        size_t only = rng() % (ranges.size() + 2);
        for (int i = 0; i < len; ++i) {
            auto [lo, hi] = ranges[only < ranges.size() ? only : rng() % ranges.size()];
            s += Utf8Of(lo + static_cast<char32_t>(rng() % (hi - lo + 1)));
        }
        ASSERT_EQ(DecodeStoreText(EncodeStoreText(s)), s) << s;
    }
}

TEST(Codepage, RandomBytesNeverFail) {
    std::mt19937 rng(77);
    for (int round = 0; round < 3000; ++round) {
        std::string s(rng() % 20, '\0');
        for (char& c : s) c = static_cast<char>(rng() % 256);
        std::string decoded = DecodeStoreText(s);
        ASSERT_TRUE(IsValidUtf8(decoded));
        // Whatever comes from the file goes back to the same bytes... unless
        // those bytes were windows-1251 that happens to look like UTF-8.
        if (!IsValidUtf8(s)) {
            ASSERT_EQ(EncodeStoreText(decoded), s);
        }
        std::string stored = EncodeStoreText(s);
        ASSERT_TRUE(IsValidUtf8(DecodeStoreText(stored)));
    }
}

TEST(Codepage, WorksFromSeveralThreads) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 2000; ++i) {
                std::string s = "Поток " + std::to_string(t) + " строка " + std::to_string(i);
                if (DecodeStoreText(EncodeStoreText(s)) != s) ++failures[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int f : failures) EXPECT_EQ(f, 0);
}

// Every kind of character a windows-1251 conversion could drop, replace or
// take for another, set between Cyrillic words: it must come back, and the
// text stays single bytes only when windows-1251 holds the character.
TEST(Codepage, NoCharacterIsDroppedOrChangedOnTheWayThroughWindows1251) {
    const std::vector<char32_t> lost = {
        // Default-ignorable: the converter skips these instead of failing.
        0x200B, 0x200C, 0x200D, 0x200E, 0x202E, 0x2060, 0x2064, 0xFEFF, 0xFE0F, 0x061C, 0x034F, 0x115F, 0x180E,
        0x3164, 0xFFA0, 0x1D173, 0xE0001, 0xE0100,
        // Best-fit candidates (é ü ñ ß Ł Ａ ﬁ ² Ⅳ μ, combining breve, minus sign).
        0x00E9, 0x00FC, 0x00F1, 0x00DF, 0x0141, 0xFF21, 0xFB01, 0x00B2, 0x2163, 0x03BC, 0x0306, 0x2212,
        // C1 control, private use, noncharacters, replacement character, emoji.
        0x0081, 0xE000, 0xFFFE, 0x10FFFF, 0xFFFD, 0x1F3B5};
    // Windows-1251's own, though some look like trouble (soft hyphen, U+0098).
    const std::vector<char32_t> held = {0x00AD, 0x00A0, 0x00B5, 0x0098, 0x2116, 0x20AC};
    for (const auto* list : {&lost, &held}) {
        for (const char32_t c : *list) {
            const std::string text = "/music/Кино" + Utf8Of(c) + "Группа";
            const std::string stored = EncodeStoreText(text);
            EXPECT_EQ(DecodeStoreText(stored), text) << std::hex << static_cast<uint32_t>(c);
            EXPECT_EQ(stored.size(), list == &held ? 18u : text.size()) << std::hex << static_cast<uint32_t>(c);
            EXPECT_EQ(DecodeStoreText(EncodeStoreText(Utf8Of(c))), Utf8Of(c)) << std::hex << static_cast<uint32_t>(c);
        }
    }
}
