// Settings files in other forms (UTF-16 with its mark, lone CR line ends) on
// arbitrary bytes. The first three bytes pick the section, key and value of
// one write; the rest is the file. A file of the program's own form is its
// own reading text; a well-formed file of another form is stored back byte
// for byte; and after a write, the stored file reads exactly as the
// reading text it was stored from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/utf8.h"
#include "settings/file_form.h"
#include "settings/ini_text.h"

namespace ini = zorbex::ini;
using zorbex::FileForm;

namespace {

constexpr std::string_view kSections[] = {"Zor:bl", "Zor:bl:Playlist:1", "a", "Плейлист", "Я=é", "[x", "é"};
constexpr std::string_view kKeys[] = {"name", "a", "ключ", "Я", "a=Я", ";c", ""};
const std::string kValues[] = {"", "1", "НАЗВАНИЕ", "é ü ß", "Ёж é", "a=Я", " \"q\" ", std::string(1100, 'z')};

template <typename T, size_t N>
const T& Pick(const T (&list)[N], uint8_t byte) {
    return list[byte % N];
}

std::string Read(std::string_view text, std::string_view section, std::string_view key) {
    auto raw = ini::RawValue(text, section, key);
    return raw ? ini::ValueToText(*raw) : std::string("\x01<absent>");
}

bool WellFormedUtf16(std::string_view file, FileForm::Encoding encoding) {
    if (file.size() % 2 != 0) return false;
    std::u16string units;
    for (size_t i = 2; i < file.size(); i += 2) {
        const auto a = static_cast<unsigned char>(file[i]), b = static_cast<unsigned char>(file[i + 1]);
        units += static_cast<char16_t>(encoding == FileForm::Encoding::kUtf16Le ? (b << 8 | a) : (a << 8 | b));
    }
    return zorbex::ToUtf8(units).has_value();
}

[[noreturn]] void Fail() { std::abort(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const std::string_view section = Pick(kSections, data[0]);
    const std::string_view key = Pick(kKeys, data[1]);
    const std::string& value = Pick(kValues, data[2]);
    const std::string file(reinterpret_cast<const char*>(data) + 3, size - 3);

    FileForm form;
    const std::string text = zorbex::ReadingText(file, form);
    const bool own = form.encoding == FileForm::Encoding::kBytes && !form.crLines;
    if (own && text != file) Fail();
    if (form.encoding != FileForm::Encoding::kBytes && !zorbex::IsValidUtf8(text)) Fail();
    const bool wellFormed = form.encoding == FileForm::Encoding::kBytes || WellFormedUtf16(file, form.encoding);
    if (wellFormed && zorbex::StoredBytes(text, form) != file) Fail();

    const std::string after = ini::SetValue(text, section, key, value);
    FileForm again;
    const std::string reread = zorbex::ReadingText(zorbex::StoredBytes(after, form), again);
    if (again.encoding != form.encoding || (form.crLines && !again.crLines)) Fail();
    for (std::string_view s : kSections)
        for (std::string_view k : kKeys)
            if (Read(reread, s, k) != Read(after, s, k)) Fail();
    return 0;
}
