#include "platform/collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <random>

#include "support/random_text.h"

namespace zorbex {
namespace {

using Names = std::vector<std::string>;

Names Sorted(const Collation& c, Names names) {
    c.Sort(names);
    return names;
}

TEST(CollationTest, IgnoresCaseAndBreaksTiesByBytes) {
    Collation c("C");
    EXPECT_EQ(Sorted(c, {"b", "A", "c", "a", "B"}), (Names{"A", "a", "B", "b", "c"}));
    EXPECT_EQ(Sorted(c, {"a", "A"}), Sorted(c, {"A", "a"}));
    EXPECT_LT(c.Compare("A", "a"), 0);
    EXPECT_EQ(c.Compare("same", "same"), 0);
    EXPECT_LT(c.Compare("apple", "Banana"), 0);
}

TEST(CollationTest, RussianOrder) {
    Collation c("ru_RU.UTF-8");
    EXPECT_EQ(c.Locale(), "ru_RU");
    EXPECT_EQ(Sorted(c, {"Яблоко", "ель", "арбуз", "Ёж", "Банан"}), (Names{"арбуз", "Банан", "Ёж", "ель", "Яблоко"}));
}

TEST(CollationTest, InvalidUtf8SortsWithoutCrashAndDeterministically) {
    Collation c("ru_RU");
    Names names{"\xff", "b", "\xfe\xff", "a", "\xd0", "\xd0\xb0", "\xff"};
    Names reversed(names.rbegin(), names.rend());
    const Names first = Sorted(c, names);
    EXPECT_EQ(first, Sorted(c, reversed));
    EXPECT_EQ(first.size(), names.size());
    EXPECT_TRUE(std::is_permutation(first.begin(), first.end(), names.begin()));
}

TEST(CollationTest, OrderGivesIndices) {
    Collation c("");
    std::vector<std::string_view> names{"c", "B", "a"};
    EXPECT_EQ(c.Order(names), (std::vector<size_t>{2, 1, 0}));
    EXPECT_TRUE(c.Order({}).empty());
}

TEST(CollationTest, UnknownLocaleFallsBackWithoutFailing) {
    Collation c("xx_YY_bogus");
    EXPECT_EQ(Sorted(c, {"b", "A"}), (Names{"A", "b"}));
}

TEST(CollationLocaleTest, PosixNamesBecomeIcuNames) {
    EXPECT_EQ(IcuLocaleFromPosix("ru_RU.UTF-8"), "ru_RU");
    EXPECT_EQ(IcuLocaleFromPosix("de_DE@euro"), "de_DE");
    EXPECT_EQ(IcuLocaleFromPosix("C.UTF-8"), "");
    EXPECT_EQ(IcuLocaleFromPosix("POSIX"), "");
    EXPECT_EQ(IcuLocaleFromPosix("uk_UA"), "uk_UA");
}

class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) old_ = v;
    }
    ~EnvGuard() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(CollationLocaleTest, EnvironmentPrecedence) {
    EnvGuard all("LC_ALL"), coll("LC_COLLATE"), lang("LANG");
    unsetenv("LC_ALL");
    unsetenv("LC_COLLATE");
    unsetenv("LANG");
    EXPECT_EQ(UserCollationLocale(), "");
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(UserCollationLocale(), "de_DE");
    setenv("LC_COLLATE", "ru_RU.UTF-8", 1);
    EXPECT_EQ(UserCollationLocale(), "ru_RU");
    setenv("LC_ALL", "uk_UA.UTF-8", 1);
    EXPECT_EQ(UserCollationLocale(), "uk_UA");
    setenv("LC_ALL", "", 1);  // empty means unset
    EXPECT_EQ(UserCollationLocale(), "ru_RU");
}


// Names of several scripts and letter cases, with the pieces that trip
// collators (contractions, expansions, accents, combining marks, digits,
// punctuation) and now and then a byte that is not UTF-8.
std::string RandomName(std::mt19937& rng) {
    static const std::vector<std::string> pieces{
        "a", "A", "b", "B", "c", "C", "h", "H", "z", "Z", "ch", "CH", "aa", "AA", "ll", "w", "v", "ss",
        "0", "1", "9", "10", " ", "-", "_", ".", ",", "(", "'", "~", "!", "@", "\t",
        "é", "É", "ü", "ß", "æ", "å", "ø", "ñ", "ç", "\xcc\x81",  // combining acute
        "а", "А", "б", "Б", "ё", "Ё", "е", "Е", "я", "Я", "й", "ї", "ґ",
        "α", "Ω", "ά", "日", "本", "한", "ﬁ", "Ⅳ", "😀", "\xef\xbb\xbf", "\xe2\x80\x8b"};
    return zx_test::RandomText(rng, pieces, 8, 12);
}

// Mostly plain ASCII, often with one character after it that may join
// the last ASCII one (a combining mark, a middle dot) or outweigh it.
std::string MostlyAsciiName(std::mt19937& rng) {
    static const std::vector<std::string> plain{"a", "A", "c", "C", "h", "l", "L", "aa", "y", "z", "s", "d",
                                                "0", "9", " ", "-", "_", ".", "'", "~", "\t", "\x7f"};
    static const std::vector<std::string> after{"\xcc\x81", "\xc2\xb7", "\xcc\x8c", "я", "é", "å", "\xff", "ß"};
    std::string name = zx_test::RandomText(rng, plain, 7, 1 << 30);
    if (rng() % 2) name += after[rng() % after.size()];
    if (rng() % 3 == 0) name += zx_test::RandomText(rng, plain, 3, 1 << 30);
    return name;
}

// Whatever shortcut the order takes (keys, or a table of the ASCII
// characters' weights for plain names), it is exactly the order of
// comparing the names pairwise with ICU, ties broken by bytes included; a
// copy made for another thread orders the same.
TEST(CollationTest, OrderIsTheOrderOfCompare) {
    for (const char* locale : {"C", "en_US", "ru_RU", "de_DE", "fr_CA", "cs_CZ", "sk_SK", "da_DK", "sv_SE", "hu_HU",
                               "cy_GB", "tr_TR", "lt_LT", "es_ES@traditional", "ja_JP", "th_TH"}) {
        const Collation c(locale);
        const Collation copy(c, Collation::ForAnotherThread{});
        std::mt19937 rng(20261208);
        for (int round = 0; round < 60; ++round) {
            // Up to 60 names: both sides of the switch from pairwise comparing to keys.
            Names names(1 + rng() % 60);
            for (std::string& n : names) n = round % 3 == 1 ? MostlyAsciiName(rng) : RandomName(rng);
            if (round % 3 == 0) {
                for (std::string& n : names) {
                    n.erase(std::remove_if(n.begin(), n.end(), [](char ch) { return (ch & 0x80) != 0; }), n.end());
                }
            }
            Names expected = names;
            std::stable_sort(expected.begin(), expected.end(),
                             [&](const std::string& a, const std::string& b) { return c.Compare(a, b) < 0; });
            EXPECT_EQ(Sorted(c, names), expected) << locale << " round " << round;
            EXPECT_EQ(Sorted(copy, names), expected) << locale << " round " << round;
        }
    }
}

}  // namespace
}  // namespace zorbex
