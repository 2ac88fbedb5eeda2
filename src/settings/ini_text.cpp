#include "settings/ini_text.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/case_fold.h"
#include "platform/codepage.h"
#include "platform/utf8.h"

namespace zorbex::ini {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// One line of the file.
struct Line {
    size_t begin = 0;       // first byte
    size_t contentEnd = 0;  // end of the content, before CR LF or LF
    size_t end = 0;         // after the line break (or the end of the file)
    bool hasBreak = false;
};

class LineReader {
public:
    // A byte-order mark in front is no part of the first line.
    explicit LineReader(std::string_view file) : file_(file), pos_(Utf8BomLength(file)) {}
    bool Next(Line& line) {
        if (pos_ >= file_.size()) return false;
        line.begin = pos_;
        const void* nl = std::memchr(file_.data() + pos_, '\n', file_.size() - pos_);
        if (nl) {
            size_t at = static_cast<size_t>(static_cast<const char*>(nl) - file_.data());
            line.end = at + 1;
            line.contentEnd = (at > pos_ && file_[at - 1] == '\r') ? at - 1 : at;
            line.hasBreak = true;
        } else {
            line.end = line.contentEnd = file_.size();
            line.hasBreak = false;
        }
        pos_ = line.end;
        return true;
    }

    // Moves to the next line (this one included) whose first non-blank byte
    // is '['; false when there is none. Lines between are skipped without
    // being looked at, which is what makes finding a section cheap: '[' is
    // rare outside headers. Linear: a '[' that does not start its line sends
    // the search to the end of that line.
    bool SkipToBracketLine() {
        size_t from = pos_;
        while (from < file_.size()) {
            const void* hit = std::memchr(file_.data() + from, '[', file_.size() - from);
            if (!hit) break;
            const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - file_.data());
            size_t start = at;
            while (start > pos_ && IsBlank(file_[start - 1])) --start;
            if (start == pos_ || file_[start - 1] == '\n') {
                pos_ = start;
                return true;
            }
            const void* nl = std::memchr(file_.data() + at, '\n', file_.size() - at);
            if (!nl) break;
            from = static_cast<size_t>(static_cast<const char*>(nl) - file_.data()) + 1;
            pos_ = from;
        }
        pos_ = file_.size();
        return false;
    }

private:
    std::string_view file_;
    size_t pos_;
};

std::string Sanitize(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    return out;
}

// Names must be valid UTF-8 to be compared; a caller's invalid bytes are
// taken as they would be stored and read back.
std::string NormalizeName(std::string_view name) {
    const std::string clean = Sanitize(name);
    std::string_view t = Trim(clean);
    if (IsValidUtf8(t)) return std::string(t);
    return DecodeStoreText(EncodeStoreText(t));
}

// Walks the first section named wantedSection (normalized) and hands each of
// its key lines to onKey(name, rawValue, line) until onKey returns true.
// loc gets sectionFound and where a new key would go.
template <class OnKey>
void ScanSection(std::string_view file, const std::string& wantedSection, KeyLocation& loc, OnKey&& onKey) {
    bool inTarget = false;
    LineReader reader(file);
    Line line;
    while (true) {
        // Outside the section only headers matter.
        if (!inTarget && !reader.SkipToBracketLine()) break;
        if (!reader.Next(line)) break;
        std::string_view content = file.substr(line.begin, line.contentEnd - line.begin);
        size_t first = 0;
        while (first < content.size() && IsBlank(content[first])) ++first;
        if (first == content.size()) continue;  // blank
        const char c = content[first];
        if (c == '[') {
            size_t close = content.find(']', first + 1);
            if (close == std::string_view::npos) continue;  // no header: an unknown line
            if (inTarget) break;                            // the section ends here
            if (!loc.sectionFound && NameMatches(Trim(content.substr(first + 1, close - first - 1)), wantedSection)) {
                loc.sectionFound = true;
                inTarget = true;
                loc.insertAt = line.end;
                loc.insertNeedsBreak = !line.hasBreak;
            }
            continue;
        }
        if (!inTarget || c == ';' || c == '#') continue;
        size_t eq = content.find('=', first);
        if (eq == std::string_view::npos) continue;
        loc.insertAt = line.end;
        loc.insertNeedsBreak = !line.hasBreak;
        if (onKey(Trim(content.substr(first, eq - first)), content.substr(eq + 1), line)) return;
    }
    if (!loc.sectionFound) {
        loc.insertAt = file.size();
        loc.insertNeedsBreak = file.size() > Utf8BomLength(file) && file.back() != '\n';
    }
}

// A form of a name that is equal for two names exactly when NameMatches
// says they match, so that names can be looked up in a hash table. stored
// is the file's bytes, wanted a normalized UTF-8 name.
std::optional<std::string> FoldStored(std::string_view stored) {
    if (!IsAscii(stored)) return UnicodeFold(DecodeStoreText(stored));
    std::string out(stored);
    for (char& c : out) c = FoldAscii(c);
    return out;
}

std::optional<std::string> FoldWanted(std::string_view wanted) {
    if (!IsAscii(wanted)) return UnicodeFold(wanted);
    std::string out(wanted);
    for (char& c : out) c = FoldAscii(c);
    return out;
}

// FoldWanted(NormalizeName(name)), the common case of a plain ASCII name
// without the copies.
std::optional<std::string> LookupForm(std::string_view name) {
    if (!IsAscii(name) || name.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return FoldWanted(NormalizeName(name));
    std::string out(Trim(name));
    for (char& c : out) c = FoldAscii(c);
    return out;
}

}  // namespace

bool NameMatches(std::string_view stored, std::string_view wanted) {
    if (IsAscii(stored) && IsAscii(wanted)) return EqualAsciiFold(stored, wanted);
    return EqualUnicodeFold(DecodeStoreText(stored), wanted);
}

KeyLocation Find(std::string_view file, std::string_view section, std::string_view key) {
    const std::string wantedKey = NormalizeName(key);
    KeyLocation loc;
    ScanSection(file, NormalizeName(section), loc, [&](std::string_view name, std::string_view raw, const Line& line) {
        if (!NameMatches(name, wantedKey)) return false;
        loc.keyFound = true;
        loc.storedName = name;
        loc.rawValue = raw;
        loc.lineBegin = line.begin;
        loc.lineEnd = line.end;
        return true;
    });
    return loc;
}

std::optional<std::string_view> RawValue(std::string_view file, std::string_view section, std::string_view key) {
    KeyLocation loc = Find(file, section, key);
    if (!loc.keyFound) return std::nullopt;
    return loc.rawValue;
}

std::string SetValue(std::string_view file, std::string_view section, std::string_view key, std::string_view value) {
    const std::string s = Sanitize(section);
    const std::string k = Sanitize(key);
    const std::string storedValue = EncodeStoreText(Sanitize(value));
    const KeyLocation loc = Find(file, s, k);
    // A key replaced in place keeps the spelling the file gave it.
    const std::string line =
        (loc.keyFound ? std::string(loc.storedName) : EncodeStoreText(k)) + "=" + storedValue + "\r\n";
    std::string out;
    if (loc.keyFound) {
        out.reserve(file.size() + line.size());
        out.append(file.substr(0, loc.lineBegin));
        out.append(line);
        out.append(file.substr(loc.lineEnd));
    } else if (loc.sectionFound) {
        out.reserve(file.size() + line.size() + 2);
        out.append(file.substr(0, loc.insertAt));
        if (loc.insertNeedsBreak) out.append("\r\n");
        out.append(line);
        out.append(file.substr(loc.insertAt));
    } else {
        const std::string header = "[" + EncodeStoreText(s) + "]\r\n";
        out.reserve(file.size() + header.size() + line.size() + 2);
        out.append(file);
        if (loc.insertNeedsBreak) out.append("\r\n");
        out.append(header);
        out.append(line);
    }
    return out;
}

namespace {

// Whether a line starting with `stored` and '=' is read back as the key
// `wanted`; a name with '=', or starting with ';', '#' or '[', is not.
bool ReadsBackAsKey(std::string_view stored, std::string_view wanted) {
    const std::string content = std::string(stored) + "=";
    size_t first = 0;
    while (IsBlank(content[first])) ++first;
    if (content[first] == '[' || content[first] == ';' || content[first] == '#') return false;
    return NameMatches(Trim(std::string_view(content).substr(first, content.find('=', first) - first)), wanted);
}

bool ReadsBackAsHeader(std::string_view stored, std::string_view wanted) {
    if (stored.find(']') != std::string_view::npos) return false;
    return NameMatches(Trim(stored), wanted);
}

}  // namespace

std::string SetValues(std::string_view file, std::string_view section,
                      const std::vector<std::pair<std::string, std::string>>& entries) {
    // Names that would not read back as themselves move the section or the
    // place of new keys with every write; those take the one-by-one road.
    auto oneByOne = [&] {
        std::string out(file);
        for (const auto& [key, value] : entries) out = SetValue(out, section, key, value);
        return out;
    };
    if (entries.empty()) return std::string(file);
    const std::string s = Sanitize(section);
    const std::string wantedSection = NormalizeName(s);
    const std::string header = "[" + EncodeStoreText(s) + "]\r\n";

    // Each name the section answers to: its first key line, then the new
    // lines in the order of their first entry.
    struct Slot {
        size_t begin = 0, end = 0;  // the line in the file (existing slots)
        std::string_view stored;    // the name as the file spells it (existing slots)
        std::string given;          // the name as the first entry spells it (new slots)
        bool set = false;
        std::string text;
    };
    std::vector<Slot> slots;
    std::unordered_map<std::string, size_t> byName;
    bool foldable = true;
    KeyLocation loc;
    ScanSection(file, wantedSection, loc, [&](std::string_view name, std::string_view, const Line& line) {
        auto folded = FoldStored(name);
        if (!folded) {
            foldable = false;
            return true;
        }
        if (byName.try_emplace(std::move(*folded), slots.size()).second)
            slots.push_back(Slot{line.begin, line.end, name, {}, false, {}});
        return false;
    });
    if (!foldable) return oneByOne();
    const std::string_view storedSection = std::string_view(header).substr(1, header.size() - 4);
    if (!loc.sectionFound && !ReadsBackAsHeader(storedSection, wantedSection)) return oneByOne();
    const size_t existing = slots.size();
    size_t added = 0;
    for (const auto& [key, value] : entries) {
        const std::string k = Sanitize(key);
        const std::string storedKey = EncodeStoreText(k);
        const std::string wantedKey = NormalizeName(k);
        auto folded = FoldWanted(wantedKey);
        if (!folded || !ReadsBackAsKey(storedKey, wantedKey)) return oneByOne();
        auto [at, isNew] = byName.try_emplace(std::move(*folded), slots.size());
        // A new key is written as given; written again, it is found under
        // its name without the blanks around it.
        if (isNew) slots.push_back(Slot{0, 0, {}, std::string(Trim(storedKey)), false, {}});
        Slot& slot = slots[at->second];
        std::string_view name = slot.stored;
        if (at->second >= existing) name = isNew ? std::string_view(storedKey) : std::string_view(slot.given);
        slot.text = std::string(name) + "=" + EncodeStoreText(Sanitize(value)) + "\r\n";
        if (isNew) added += slot.text.size();
        slot.set = true;
    }

    std::string out;
    out.reserve(file.size() + added + header.size() + 2);
    if (!loc.sectionFound) {
        out.append(file);
        if (loc.insertNeedsBreak) out.append("\r\n");
        out.append(header);
        for (const Slot& slot : slots) out.append(slot.text);
        return out;
    }
    size_t pos = 0;
    for (size_t i = 0; i < existing; ++i) {
        if (!slots[i].set) continue;
        out.append(file.substr(pos, slots[i].begin - pos));
        out.append(slots[i].text);
        pos = slots[i].end;
    }
    out.append(file.substr(pos, loc.insertAt - pos));
    if (existing < slots.size()) {
        // A key line replaced above now ends in a line break; one left as
        // it was may still lack it.
        if (out.empty() || out.back() != '\n') out.append("\r\n");
        for (size_t i = existing; i < slots.size(); ++i) out.append(slots[i].text);
    }
    out.append(file.substr(loc.insertAt));
    return out;
}

namespace {

uint32_t KeyHash(uint32_t section, std::string_view name) {
    // The same few key names come in every section: the section must mix
    // into every bit, or they fall into the same slots.
    uint64_t h = std::hash<std::string_view>()(name);
    h ^= (static_cast<uint64_t>(section) + 0x9E3779B97F4A7C15ull) + (h << 6) + (h >> 2);
    h *= 0xFF51AFD7ED558CCDull;
    return static_cast<uint32_t>(h >> 32);
}

}  // namespace

// One pass over every line, by the rules of ScanSection: a header is a '['
// line with a ']', it ends the section before it; only the first section of
// a name, and in it the first line of a key, can be read.
FileIndex::FileIndex(std::string_view file) : file_(file) {
    if (file.size() >= kFoldedCopy) {
        exact_ = false;  // spans would not fit; searched instead
        return;
    }
    // Nearly every line is a key: room for all of them at once.
    const size_t lines = static_cast<size_t>(std::count(file.begin(), file.end(), '\n')) + 1;
    entries_.reserve(lines);
    size_t slots = 16;
    while (slots < lines * 2) slots *= 2;
    slots_.assign(slots, 0);

    LineReader reader(file);
    Line line;
    // The section the key lines belong to; none before the first header and
    // in a later section of a name already seen.
    std::optional<uint32_t> current;
    while (reader.Next(line)) {
        std::string_view content = file.substr(line.begin, line.contentEnd - line.begin);
        size_t first = 0;
        while (first < content.size() && IsBlank(content[first])) ++first;
        if (first == content.size()) continue;
        const char c = content[first];
        if (c == '[') {
            const size_t close = content.find(']', first + 1);
            if (close == std::string_view::npos) continue;  // no header: an unknown line
            auto folded = FoldStored(Trim(content.substr(first + 1, close - first - 1)));
            if (!folded) {
                exact_ = false;
                break;
            }
            auto [at, isNew] = sections_.try_emplace(std::move(*folded), static_cast<uint32_t>(sections_.size()));
            current = isNew ? std::optional<uint32_t>(at->second) : std::nullopt;
            continue;
        }
        if (!current || c == ';' || c == '#') continue;
        const size_t eq = content.find('=', first);
        if (eq == std::string_view::npos) continue;
        const std::string_view stored = Trim(content.substr(first, eq - first));
        auto folded = FoldStored(stored);
        if (!folded) {
            exact_ = false;
            break;
        }
        const uint32_t hash = KeyHash(*current, *folded);
        const size_t slot = Probe(*current, hash, *folded);
        if (slots_[slot] != 0) continue;  // the first line of a key is the key
        Entry entry{*current,
                    hash,
                    0,
                    0,
                    static_cast<uint32_t>(line.begin + eq + 1),
                    static_cast<uint32_t>(content.size() - eq - 1)};
        if (*folded == stored) {
            entry.nameAt = static_cast<uint32_t>(stored.data() - file.data());
            entry.nameLength = static_cast<uint32_t>(stored.size());
        } else if (names_.size() + folded->size() < kFoldedCopy) {
            entry.nameAt = static_cast<uint32_t>(names_.size());
            entry.nameLength = static_cast<uint32_t>(folded->size()) | kFoldedCopy;
            names_.append(*folded);
        } else {
            exact_ = false;
            break;
        }
        slots_[slot] = static_cast<uint32_t>(entries_.size()) + 1;
        entries_.push_back(entry);
    }
    if (!exact_) {
        sections_.clear();
        names_.clear();
        entries_.clear();
        slots_.clear();
    }
}

std::string_view FileIndex::NameOf(const Entry& entry) const {
    if (entry.nameLength & kFoldedCopy)
        return std::string_view(names_).substr(entry.nameAt, entry.nameLength & ~kFoldedCopy);
    return file_.substr(entry.nameAt, entry.nameLength);
}

size_t FileIndex::Probe(uint32_t section, uint32_t hash, std::string_view name) const {
    const size_t mask = slots_.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const uint32_t at = slots_[slot];
        if (at == 0) return slot;
        const Entry& entry = entries_[at - 1];
        if (entry.hash == hash && entry.section == section && NameOf(entry) == name) return slot;
    }
}

std::optional<std::string_view> FileIndex::RawValue(std::string_view section, std::string_view key) const {
    if (!exact_) return ini::RawValue(file_, section, key);
    auto sectionName = LookupForm(section);
    auto keyName = LookupForm(key);
    if (!sectionName || !keyName) return ini::RawValue(file_, section, key);
    const auto sec = sections_.find(*sectionName);
    if (sec == sections_.end()) return std::nullopt;
    const uint32_t at = slots_[Probe(sec->second, KeyHash(sec->second, *keyName), *keyName)];
    if (at == 0) return std::nullopt;
    const Entry& entry = entries_[at - 1];
    return file_.substr(entry.valueAt, entry.valueLength);
}

std::string ValueToText(std::string_view raw, bool* cut) {
    size_t nul = raw.find('\0');
    if (nul != std::string_view::npos) raw = raw.substr(0, nul);
    raw = Trim(raw);
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front())
        raw = raw.substr(1, raw.size() - 2);
    std::string text = DecodeStoreText(raw);
    const size_t kept = Utf8PrefixLength(text, kMaxTextChars);
    if (cut) *cut = kept < text.size();
    text.resize(kept);
    return text;
}

bool ReadsBackUncut(std::string_view text) {
    bool cut = false;
    ValueToText(EncodeStoreText(Sanitize(text)), &cut);
    return !cut;
}

std::optional<int32_t> ParseNumber(std::string_view text) {
    auto hex = [](std::string_view digits) -> std::optional<int32_t> {
        if (digits.empty()) return std::nullopt;
        uint64_t v = 0;
        for (char c : digits) {
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return std::nullopt;
            v = v * 16 + static_cast<uint64_t>(d);
            if (v > 0xFFFFFFFFull) return std::nullopt;
        }
        return static_cast<int32_t>(static_cast<uint32_t>(v));
    };
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return hex(text.substr(2));
    if (!text.empty() && text[0] == '$') return hex(text.substr(1));
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
        if (v > 2147483648LL) return std::nullopt;
    }
    if (negative) v = -v;
    if (v > 2147483647LL || v < -2147483648LL) return std::nullopt;
    return static_cast<int32_t>(v);
}

}  // namespace zorbex::ini
