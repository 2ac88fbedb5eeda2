#include "settings/file_form.h"

#include <unicode/ustring.h>

#include <algorithm>
#include <string_view>

#include "platform/codepage.h"
#include "platform/utf8.h"

namespace zorbex {
namespace {

using Encoding = FileForm::Encoding;

Encoding MarkOf(std::string_view file) {
    if (file.size() >= 2 && file[0] == '\xFF' && file[1] == '\xFE') return Encoding::kUtf16Le;
    if (file.size() >= 2 && file[0] == '\xFE' && file[1] == '\xFF') return Encoding::kUtf16Be;
    return Encoding::kBytes;
}

// UTF-16 without a mark: its first units (up to 16) are ASCII characters,
// the NUL of each on the same side.
Encoding UnmarkedUtf16(std::string_view file) {
    const size_t units = std::min<size_t>(file.size() / 2, 16);
    if (units == 0) return Encoding::kBytes;
    bool little = true, big = true;
    for (size_t i = 0; i < units; ++i) {
        const char a = file[2 * i], b = file[2 * i + 1];
        little = little && a != '\0' && static_cast<unsigned char>(a) < 0x80 && b == '\0';
        big = big && b != '\0' && static_cast<unsigned char>(b) < 0x80 && a == '\0';
    }
    return little ? Encoding::kUtf16Le : big ? Encoding::kUtf16Be : Encoding::kBytes;
}

std::string Utf16ToUtf8(std::string_view file, Encoding encoding, size_t mark) {
    const bool little = encoding == Encoding::kUtf16Le;
    std::u16string units((file.size() - mark) / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        const auto lo = static_cast<unsigned char>(file[mark + 2 * i + (little ? 0 : 1)]);
        const auto hi = static_cast<unsigned char>(file[mark + 2 * i + (little ? 1 : 0)]);
        units[i] = static_cast<char16_t>(hi << 8 | lo);
    }
    std::string out(units.size() * 3, '\0');  // a unit never takes more than three bytes
    int32_t length = 0;
    UErrorCode err = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, units.data(),
                       static_cast<int32_t>(units.size()), 0xFFFD, nullptr, &err);
    if (U_FAILURE(err)) return {};
    out.resize(static_cast<size_t>(length));
    return out;
}

// A line as the reader decodes it: a header or comment whole, any other line
// as its name before the first '=' and its value after it, each on its own.
// The lines the file came with are UTF-8 whole; a line written now may hold a
// windows-1251 name beside a UTF-8 value.
void AppendDecodedLine(std::string_view line, std::string& out) {
    const size_t first = line.find_first_not_of(" \t\r\v\f");
    const bool whole =
        first == std::string_view::npos || line[first] == '[' || line[first] == ';' || line[first] == '#';
    const size_t eq = whole ? std::string_view::npos : line.find('=');
    if (eq == std::string_view::npos) {
        out += DecodeStoreText(line);
        return;
    }
    out += DecodeStoreText(line.substr(0, eq));
    out += '=';
    out += DecodeStoreText(line.substr(eq + 1));
}

// Every line decoded as the reader decodes it: valid UTF-8 throughout. A
// UTF-8 mark in front, which the reader skips, is no part of the first line.
std::string DecodedLines(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    decoded.append(text.substr(0, Utf8BomLength(text)));
    for (size_t begin = decoded.size(); begin < text.size();) {
        const size_t nl = text.find('\n', begin);
        const size_t end = nl == std::string_view::npos ? text.size() : nl;
        AppendDecodedLine(text.substr(begin, end - begin), decoded);
        if (nl != std::string_view::npos) decoded += '\n';
        begin = end + 1;
    }
    return decoded;
}

std::string Utf8ToUtf16(std::string_view text, const FileForm& form) {
    std::u16string units;
    ToUtf16(text, units, IllFormedUtf8::kSubstitute);
    const bool little = form.encoding == Encoding::kUtf16Le;
    std::string out;
    out.reserve(3 + units.size() * 2);
    if (!form.unmarked) out += little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t unit : units) {
        const char lo = static_cast<char>(unit & 0xFF), hi = static_cast<char>(unit >> 8);
        out += little ? lo : hi;
        out += little ? hi : lo;
    }
    if (form.oddByte >= 0) out += static_cast<char>(form.oddByte);
    return out;
}

}  // namespace

std::string ReadingText(std::string file, FileForm& form) {
    form = FileForm{};
    form.encoding = MarkOf(file);
    if (form.encoding == Encoding::kBytes) {
        form.encoding = UnmarkedUtf16(file);
        form.unmarked = form.encoding != Encoding::kBytes;
    }
    if (form.encoding != Encoding::kBytes) {
        const size_t mark = form.unmarked ? 0 : 2;
        if ((file.size() - mark) % 2 != 0) form.oddByte = static_cast<unsigned char>(file.back());
        file = Utf16ToUtf8(file, form.encoding, mark);
    }
    form.crLines = file.find('\n') == std::string::npos && file.find('\r') != std::string::npos;
    if (form.crLines)
        for (char& c : file)
            if (c == '\r') c = '\n';
    return file;
}

std::string StoredBytes(std::string text, const FileForm& form) {
    if (form.encoding != Encoding::kBytes) text = DecodedLines(text);
    if (form.crLines) {
        // The file had no LF: every LF now is a line end, CR LF the end of a line written now.
        std::string cr;
        cr.reserve(text.size());
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
            cr += text[i] == '\n' ? '\r' : text[i];
        }
        text = std::move(cr);
    }
    if (form.encoding != Encoding::kBytes) text = Utf8ToUtf16(text, form);
    return text;
}

}  // namespace zorbex
