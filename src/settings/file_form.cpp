#include "settings/file_form.h"

#include <unicode/ustring.h>

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

std::string Utf16ToUtf8(std::string_view file, Encoding encoding) {
    const bool little = encoding == Encoding::kUtf16Le;
    std::u16string units((file.size() - 2) / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        const auto lo = static_cast<unsigned char>(file[2 + 2 * i + (little ? 0 : 1)]);
        const auto hi = static_cast<unsigned char>(file[2 + 2 * i + (little ? 1 : 0)]);
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

std::string Utf8ToUtf16(std::string_view text, Encoding encoding) {
    std::u16string units;
    ToUtf16(text, units, IllFormedUtf8::kSubstitute);
    const bool little = encoding == Encoding::kUtf16Le;
    std::string out;
    out.reserve(2 + units.size() * 2);
    out += little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t unit : units) {
        const char lo = static_cast<char>(unit & 0xFF), hi = static_cast<char>(unit >> 8);
        out += little ? lo : hi;
        out += little ? hi : lo;
    }
    return out;
}

}  // namespace

std::string ReadingText(std::string file, FileForm& form) {
    form = FileForm{};
    form.encoding = MarkOf(file);
    if (form.encoding != Encoding::kBytes) file = Utf16ToUtf8(file, form.encoding);
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
    if (form.encoding != Encoding::kBytes) text = Utf8ToUtf16(text, form.encoding);
    return text;
}

}  // namespace zorbex
