#pragma once
// The forms a settings file comes in, and the text the reader works on.
//
// The program writes 8-bit text (settings/ini_text.h, platform/codepage.h)
// with CR LF line ends. Files edited elsewhere may come as:
// - UTF-16 with its byte-order mark (FF FE little-endian, as Windows
//   Notepad's "Unicode" saves; FE FF big-endian), or without one when its
//   first units are plain ASCII characters (each a NUL beside a non-NUL
//   byte, which no 8-bit file of ours holds). Read as UTF-8; a lone
//   surrogate reads as U+FFFD and an odd last byte is no part of the text
//   but is written back after it.
// - Lone CR line ends (a file that holds a CR but no LF at all): each CR
//   ends a line. A file with any LF keeps the rule of ini_text.h, where a
//   lone CR is an ordinary byte.
// A write keeps the file's form: a UTF-16 file stays UTF-16 with its mark
// (or without, as it came), every value in it included, and a CR file keeps
// lone CRs.
// Anything else (the program's own files, a UTF-8 mark, a file without line
// ends) is its own reading text, byte for byte.
#include <string>

namespace zorbex {

struct FileForm {
    enum class Encoding { kBytes, kUtf16Le, kUtf16Be };
    Encoding encoding = Encoding::kBytes;
    bool crLines = false;   // every line ends in a lone CR
    bool unmarked = false;  // UTF-16 without a byte-order mark
    int oddByte = -1;       // a UTF-16 file's odd last byte (0-255), or none
    bool operator==(const FileForm&) const = default;
};

// The file's form, and its text as the reader takes it.
std::string ReadingText(std::string file, FileForm& form);

// The bytes to store for a reading text, in the given form:
// StoredBytes(ReadingText(f, form), form) == f for every file f of the
// program's own form and every well-formed file of the others.
std::string StoredBytes(std::string text, const FileForm& form);

}  // namespace zorbex
