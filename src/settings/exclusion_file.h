#pragma once
// The exclusion list file: the text file an exclusion list is imported from
// and exported to, one entry per line.
//
// Writing: every line, in order, stored with EncodeStoreText and followed by
// CR LF, the last one included; no lines give an empty file. No header, and
// no byte-order mark unless the first entry itself begins with U+FEFF (then
// one goes in front, for reading to skip).
// Reading: a UTF-8 byte-order mark in front is skipped; a line ends at CR LF,
// at a lone CR or at a lone LF (CR LF is one break); a NUL byte ends the
// text; the text after the last break, when there is any, is the last line. Each line is decoded on its own
// (DecodeStoreText), so windows-1251 and UTF-8 lines may be mixed. Lines are kept as they are: empty lines, blanks and
// quotes stay.
//
// ReadExclusionFile(WriteExclusionFile(lines)) == lines for every list of
// valid UTF-8 lines that hold no CR, LF or NUL.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorbex {

std::vector<std::string> ReadExclusionFile(std::string_view bytes);
std::string WriteExclusionFile(const std::vector<std::string>& lines);

// An exclusion list file read from disk for an import of at most maxRows
// rows. The file (a regular file, opened without waiting on a FIFO or a
// device) is measured on its open descriptor before a byte is read: one
// larger than maxRows lines of the longest entry the settings file keeps
// (MaxExclusionFileBytes) cannot be imported whole and is not read.
struct ExclusionImport {
    enum class Status { kRead, kCannotOpen, kTooLarge };
    Status status = Status::kCannotOpen;
    int error = 0;  // with kCannotOpen: errno of the open or the read
    std::vector<std::string> lines;
};
ExclusionImport ImportExclusionFile(const std::string& path, size_t maxRows);
uint64_t MaxExclusionFileBytes(size_t maxRows);

// Whether an entry (UTF-8) survives a save to the settings file and a
// reload whole: the store gives back at most ini::kMaxTextChars characters.
bool ExclusionEntryFitsStore(std::string_view entry);
size_t MaxExclusionEntryChars();

}  // namespace zorbex
