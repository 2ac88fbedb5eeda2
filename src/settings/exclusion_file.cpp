#include "settings/exclusion_file.h"

#include "platform/codepage.h"
#include "platform/utf8.h"
#include "settings/ini_text.h"

namespace zorbex {

std::vector<std::string> ReadExclusionFile(std::string_view bytes) {
    bytes.remove_prefix(Utf8BomLength(bytes));
    if (const size_t nul = bytes.find('\0'); nul != std::string_view::npos) bytes = bytes.substr(0, nul);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(DecodeStoreText(bytes.substr(start)));
            break;
        }
        lines.push_back(DecodeStoreText(bytes.substr(start, end - start)));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
    }
    return lines;
}

std::string WriteExclusionFile(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += EncodeStoreText(line);
        out += "\r\n";
    }
    // A first entry that begins with U+FEFF would be taken for a mark and
    // lost: a mark in front of it is the one that reading skips.
    if (Utf8BomLength(out) != 0) out.insert(0, "\xEF\xBB\xBF");
    return out;
}

size_t MaxExclusionEntryChars() { return ini::kMaxTextChars; }

bool ExclusionEntryFitsStore(std::string_view entry) {
    return Utf8PrefixLength(entry, ini::kMaxTextChars) == entry.size();
}

}  // namespace zorbex
