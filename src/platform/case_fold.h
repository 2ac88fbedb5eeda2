#pragma once
// Names compared without regard to case: ASCII letters alone, or full
// Unicode case folding (ICU) for UTF-8 text, as the settings file's section
// and key names are. Wildcards fold by characters of their own
// (platform/wildcard.h).
#include <optional>
#include <string>
#include <string_view>

namespace zorbex {

// 'A'..'Z' as 'a'..'z'; every other byte as it is.
char FoldAscii(char c);

// Equal but for the case of ASCII letters.
bool EqualAsciiFold(std::string_view a, std::string_view b);

// Equal under full Unicode case folding; two texts of which one is not
// UTF-8 are equal only byte for byte.
bool EqualUnicodeFold(std::string_view a, std::string_view b);

// The text under full Unicode case folding, in UTF-8; nothing when it is
// not UTF-8.
std::optional<std::string> UnicodeFold(std::string_view utf8);

}  // namespace zorbex
