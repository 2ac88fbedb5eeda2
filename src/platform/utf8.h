#pragma once
// UTF-8 text: the checks the engine makes on it and its conversions to and
// from UTF-16, the form ICU works in.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zorbex {

// True when no byte is 0x80 or above: such text reads the same in every
// encoding the program meets.
bool IsAscii(std::string_view bytes);

// True when bytes is well-formed UTF-8 (no overlongs, no surrogates, nothing
// beyond U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The length in bytes of the first `chars` characters of text: code points,
// each counted at the byte that starts it (any byte but 10xxxxxx). The whole
// length when text has no more characters than that.
size_t Utf8PrefixLength(std::string_view text, size_t chars);

// What a conversion from UTF-8 does with a byte run that is not UTF-8.
enum class IllFormedUtf8 {
    kFail,        // the conversion fails
    kSubstitute,  // each such run becomes one U+FFFD
};

// UTF-8 -> UTF-16 into out, whose storage is reused (so a caller on a hot
// path keeps one buffer). False, with out empty, when it fails: with kFail on
// ill-formed input; with kSubstitute only when ICU itself gives up.
bool ToUtf16(std::string_view utf8, std::u16string& out, IllFormedUtf8 illFormed);

// UTF-16 -> UTF-8, or nothing when it holds an unpaired surrogate.
std::optional<std::string> ToUtf8(std::u16string_view utf16);

}  // namespace zorbex
