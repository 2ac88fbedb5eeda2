#include "platform/utf8.h"

#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <cstring>

namespace zorbex {

bool IsAscii(std::string_view bytes) {
    // Eight bytes at a time: the walk asks this of every name it sorts.
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if (word & 0x8080808080808080ull) return false;
    }
    for (; i < bytes.size(); ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) return false;
    return true;
}

bool IsValidUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
    const int32_t length = static_cast<int32_t>(bytes.size());
    int32_t i = 0;
    while (i < length) {
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0) return false;
    }
    return true;
}

size_t Utf8PrefixLength(std::string_view text, size_t chars) {
    size_t seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (seen == chars) return i;
        ++seen;
    }
    return text.size();
}

bool ToUtf16(std::string_view utf8, std::u16string& out, IllFormedUtf8 illFormed) {
    // Plain ASCII, the most common name, widens byte by byte.
    if (IsAscii(utf8)) {
        out.assign(utf8.begin(), utf8.end());
        return true;
    }
    // No byte becomes more than one UTF-16 unit (a U+FFFD included), so this
    // always has room, the terminating zero too.
    out.resize(utf8.size() + 1);
    UErrorCode err = U_ZERO_ERROR;
    int32_t len = 0;
    if (illFormed == IllFormedUtf8::kSubstitute) {
        u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &len, utf8.data(),
                             static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &err);
    } else {
        u_strFromUTF8(out.data(), static_cast<int32_t>(out.size()), &len, utf8.data(),
                      static_cast<int32_t>(utf8.size()), &err);
    }
    if (U_FAILURE(err)) {
        out.clear();
        return false;
    }
    out.resize(static_cast<size_t>(len));
    return true;
}

std::optional<std::string> ToUtf8(std::u16string_view utf16) {
    // A unit becomes at most three bytes (a pair of them four).
    std::string out(utf16.size() * 3 + 1, '\0');
    UErrorCode err = U_ZERO_ERROR;
    int32_t len = 0;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &len, utf16.data(), static_cast<int32_t>(utf16.size()),
                &err);
    if (U_FAILURE(err)) return std::nullopt;
    out.resize(static_cast<size_t>(len));
    return out;
}

}  // namespace zorbex
