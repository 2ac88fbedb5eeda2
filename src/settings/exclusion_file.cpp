#include "settings/exclusion_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/codepage.h"
#include "platform/file_read.h"
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

uint64_t MaxExclusionFileBytes(size_t maxRows) {
    // A mark in front; per row the longest entry, four bytes a character in
    // UTF-8, and CR LF.
    return 3 + uint64_t{maxRows} * (uint64_t{MaxExclusionEntryChars()} * 4 + 2);
}

ExclusionImport ImportExclusionFile(const std::string& path, size_t maxRows) {
    ExclusionImport result;
    const int fd = OpenRegularFile(path);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    const uint64_t limit = MaxExclusionFileBytes(maxRows);
    struct stat st {};
    std::string bytes;
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok) result.error = errno;
    if (ok && static_cast<uint64_t>(st.st_size) > limit) {
        result.status = ExclusionImport::Status::kTooLarge;
        ok = false;
    }
    // A file that grows while it is read is held to the same limit.
    char buf[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            if (!ok) result.error = errno;
            break;
        }
        bytes.append(buf, static_cast<size_t>(n));
        if (bytes.size() > limit) {
            result.status = ExclusionImport::Status::kTooLarge;
            ok = false;
        }
    }
    ::close(fd);
    if (!ok) return result;
    result.status = ExclusionImport::Status::kRead;
    result.lines = ReadExclusionFile(bytes);
    return result;
}

bool ExclusionEntryFitsStore(std::string_view entry) {
    return Utf8PrefixLength(entry, ini::kMaxTextChars) == entry.size();
}

}  // namespace zorbex
