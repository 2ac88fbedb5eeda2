#include "platform/case_fold.h"

#include <gtest/gtest.h>

namespace zorbex {
namespace {

// Full folding, not simple: "ß" and "SS" name the same key, as do Cyrillic
// letters of either case; bytes that are not UTF-8 never match other bytes.
TEST(CaseFold, FullUnicodeFoldingAndAsciiAlone) {
    EXPECT_TRUE(EqualUnicodeFold("Straße", "STRASSE"));
    EXPECT_TRUE(EqualUnicodeFold("Плейлист", "пЛЕЙЛИСТ"));
    EXPECT_FALSE(EqualUnicodeFold("\xff" "a", "\xff" "A"));
    EXPECT_TRUE(EqualUnicodeFold("\xff" "a", "\xff" "a"));
    EXPECT_EQ(UnicodeFold("Straße"), std::optional<std::string>("strasse"));
    EXPECT_EQ(UnicodeFold("\xc3"), std::nullopt);
    EXPECT_TRUE(EqualAsciiFold("Zor:BL", "zor:bl"));
    EXPECT_FALSE(EqualAsciiFold("Я", "я")) << "ASCII folding leaves other letters alone";
}

}  // namespace
}  // namespace zorbex
