#pragma once
// The text form of the settings file, as pure functions on
// the file's bytes. SettingsFile adds the file system, the lock and the
// encoding of what callers give and get.
//
// Lines
// - A UTF-8 byte-order mark (EF BB BF) at the start of the file is skipped
//   by every reader and kept by every write.
// - A line ends at LF; a CR right before the LF belongs to the line break.
//   Any other byte, a lone CR or a NUL included, is an ordinary byte of the
//   line (a NUL therefore never splits or joins lines). The last line may
//   lack a line break.
// - "Blanks" are space, tab, CR, VT and FF; they are dropped around names
//   and values.
// - Kinds, judged by the first non-blank byte:
//     nothing             blank line
//     ';' or '#'          comment
//     '['                 section header when the line has a ']': the name
//                         is what stands between '[' and the first ']',
//                         blanks dropped; anything after ']' is ignored.
//                         A '[' line without ']' is no header: an
//                         unknown line that neither starts nor ends a
//                         section.
//     else, with a '='    key line: the name is what stands before the
//                         first '=' (blanks dropped; it may be empty, so
//                         that even a write of an empty key reads back),
//                         the value everything after it
//     else                unknown line
// - Lines before the first header belong to no section: they are kept but
//   can never be read or replaced.
// Names
// - Compared without regard to case: ASCII letters fold; a name with other
//   characters is decoded (windows-1251 or UTF-8, as values are) and
//   compared with Unicode case folding, so "ПЛЕЙЛИСТ" and "плейлист" match.
// - Duplicates: the first section of a name is the section; later sections
//   of the same name are ignored (for reading and writing). Inside it, the
//   first line of a key is the key.
// Writing (SetValue)
// - An existing key line is replaced in place by "key=value" CR LF, the key
//   spelt as the file had it (RESET=1 becomes RESET=0); every other line
//   stays byte for byte, its own line break included.
// - A new key goes right after the last key line of its section (after
//   the header when the section has none), before any blank, comment or
//   unknown lines that follow it; those belong to what comes next.
// - A new section goes at the end of the file: "[section]" CR LF
//   "key=value" CR LF. A last line without line break gets CR LF first.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zorbex::ini {

// Where a key stands in the file's bytes.
struct KeyLocation {
    bool sectionFound = false;
    bool keyFound = false;
    std::string_view storedName;    // the key's name as the file spells it, blanks dropped
    std::string_view rawValue;      // bytes after '=' up to the line break, untouched
    size_t lineBegin = 0;           // key line: first byte
    size_t lineEnd = 0;             // key line: after its line break
    size_t insertAt = 0;            // where a new key of the section goes
    bool insertNeedsBreak = false;  // the line before insertAt has no line break
};

// section and key are UTF-8 names.
KeyLocation Find(std::string_view file, std::string_view section, std::string_view key);

// The raw value of a key (bytes as stored), or nothing.
std::optional<std::string_view> RawValue(std::string_view file, std::string_view section, std::string_view key);

// The file with key set to value. section, key and value are UTF-8; each is
// stored with EncodeStoreText on its own (a name in windows-1251, a value in
// UTF-8 is fine). CR, LF and NUL in them are first replaced by blanks, so
// that no write can break a line or hide part of a value.
std::string SetValue(std::string_view file, std::string_view section, std::string_view key, std::string_view value);

// The file after SetValue of each entry in turn, in one pass: the same
// bytes, in time linear in the file and the entries.
std::string SetValues(std::string_view file, std::string_view section,
                      const std::vector<std::pair<std::string, std::string>>& entries);

// Every section and key of a file, indexed in one pass: RawValue gives what
// the free RawValue gives for the same file, section and key, without a
// search of the file per key. Holds views into file, which must outlive it.
class FileIndex {
public:
    explicit FileIndex(std::string_view file);
    std::optional<std::string_view> RawValue(std::string_view section, std::string_view key) const;

private:
    // A key line, in 24 bytes: a file of 10,000 definitions has 150,000.
    // Names and values are spans of the file's bytes; a name whose folded
    // form differs from its bytes is a span of names_ instead.
    struct Entry {
        uint32_t section;
        uint32_t hash;
        uint32_t nameAt;
        uint32_t nameLength;  // kFoldedCopy set: the span is in names_
        uint32_t valueAt;
        uint32_t valueLength;
    };
    static constexpr uint32_t kFoldedCopy = 0x80000000u;

    std::string_view NameOf(const Entry& entry) const;
    // The slot that holds (section, name) or the empty one where it would go.
    size_t Probe(uint32_t section, uint32_t hash, std::string_view name) const;

    std::string_view file_;
    bool exact_ = true;                                   // false: a name did not fold; every read searches the file
    std::unordered_map<std::string, uint32_t> sections_;  // folded name -> first section of that name
    std::string names_;
    std::vector<Entry> entries_;
    std::vector<uint32_t> slots_;  // open addressing: entry index + 1, 0 for none; a power of two long
};

// Stored value -> text for ReadText: cut at the first NUL, blanks dropped
// around it, one pair of matching quotes (' or ") around the whole of it
// dropped, decoded (DecodeStoreText), then cut to its first kMaxTextChars
// characters (Unicode code points, after decoding). cut, when given, tells
// whether that last step took anything off.
constexpr size_t kMaxTextChars = 1023;
std::string ValueToText(std::string_view raw, bool* cut = nullptr);

// Whether a text written with SetValue reads back uncut (ValueToText): a
// longer one would come back as its first kMaxTextChars characters.
bool ReadsBackUncut(std::string_view text);

// Text -> number: a value of more than two
// characters beginning with 0x or 0X is hexadecimal from its third
// character; one beginning with $ is hexadecimal; anything else is decimal
// with an optional sign. Hexadecimal takes up to 32 bits (0xFFFFFFFF is -1,
// as in the Windows program); a value beyond 32 bits, an empty or malformed
// one gives nothing (the caller's default), never a wrapped number.
std::optional<int32_t> ParseNumber(std::string_view text);

// Case-insensitive name comparison as described above; stored is the
// file's bytes of a name, wanted is UTF-8.
bool NameMatches(std::string_view stored, std::string_view wanted);

}  // namespace zorbex::ini
