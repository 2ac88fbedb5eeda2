// The settings file's text form on arbitrary bytes. The first three bytes pick
// the section, key and value of one write; the rest is the file. Any input
// must read back without crash or hang, the same with a byte-order mark put
// in front, and the write must read back as written while every other key
// keeps its value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/utf8.h"
#include "settings/ini_text.h"

namespace ini = zorbex::ini;

namespace {

constexpr std::string_view kSections[] = {"Zor:bl", "ZOR:BL", "Zor:bl:Playlist:1", "a", "A", "Плейлист", "ПЛЕЙЛИСТ", "b c"};
constexpr std::string_view kKeys[] = {"name", "NAME", "ignore_0", "a", "x", "ключ", "КЛЮЧ", ""};
const std::string kValues[] = {"", "1", "0x0A", "$A", "-2147483648", "НАЗВАНИЕ ПЛЕЙЛИСТА", "é ü ß", "C:\\MUSIC",
                               "Кино\u200bГруппа", "\ufeffЯ", std::string(1500, 'z'), "a=b=c", "[x]",
                               ";not a comment"};

template <typename T, size_t N>
const T& Pick(const T (&list)[N], uint8_t byte) {
    return list[byte % N];
}

std::string Read(std::string_view file, std::string_view section, std::string_view key) {
    auto raw = ini::RawValue(file, section, key);
    return raw ? ini::ValueToText(*raw) : std::string("\x01<absent>");
}

[[noreturn]] void Fail() { std::abort(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const std::string_view section = Pick(kSections, data[0]);
    const std::string_view key = Pick(kKeys, data[1]);
    const std::string& value = Pick(kValues, data[2]);
    const std::string_view file(reinterpret_cast<const char*>(data) + 3, size - 3);

    // A byte-order mark put in front changes no read.
    const std::string marked = "\xEF\xBB\xBF" + std::string(file);
    const bool unmarked = zorbex::Utf8BomLength(file) == 0;
    // Every read is defined: valid UTF-8, at most 1023 characters.
    for (std::string_view s : kSections) {
        for (std::string_view k : kKeys) {
            if (unmarked && Read(marked, s, k) != Read(file, s, k)) Fail();
            auto raw = ini::RawValue(file, s, k);
            if (!raw) continue;
            const std::string text = ini::ValueToText(*raw);
            if (!zorbex::IsValidUtf8(text) || text.size() > ini::kMaxTextChars * 4) Fail();
            // A number read back in decimal reads as the same number.
            if (auto n = ini::ParseNumber(text); n && ini::ParseNumber(std::to_string(*n)) != n) Fail();
        }
    }

    const std::string after = ini::SetValue(file, section, key, value);
    const std::string expected = value.size() > ini::kMaxTextChars ? value.substr(0, ini::kMaxTextChars) : value;
    if (Read(after, section, key) != expected) Fail();
    for (std::string_view s : kSections) {
        for (std::string_view k : kKeys) {
            if (ini::NameMatches(s, section) && ini::NameMatches(k, key)) continue;
            if (Read(file, s, k) != Read(after, s, k)) Fail();
        }
    }
    // Writing the same value again changes nothing.
    if (ini::SetValue(after, section, key, value) != after) Fail();
    return 0;
}
