#include "platform/wildcard.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>

namespace zorbex {
namespace {

constexpr int32_t kStar = -1;
constexpr int32_t kAny = -2;
// Bytes that do not begin a valid UTF-8 sequence become characters of their
// own above the Unicode range, so they only ever equal the same byte.
constexpr int32_t kRawByteBase = 0x110000;

// ICU's folding of the two-byte range (Latin, Greek, Cyrillic, Hebrew,
// Arabic ...), looked up rather than asked for every character of every name.
constexpr int32_t kTableEnd = 0x800;
const std::array<int32_t, kTableEnd>& FoldTable() {
    static const std::array<int32_t, kTableEnd> table = [] {
        std::array<int32_t, kTableEnd> t{};
        for (int32_t c = 0; c < kTableEnd; ++c) t[c] = static_cast<int32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT));
        return t;
    }();
    return table;
}

// One character of s at pos, folded; len receives its length in bytes.
inline int32_t NextFolded(std::string_view s, size_t pos, size_t& len) {
    auto b = static_cast<unsigned char>(s[pos]);
    if (b < 0x80) {
        len = 1;
        return (b >= 'A' && b <= 'Z') ? b + ('a' - 'A') : b;
    }
    int32_t i = static_cast<int32_t>(pos);
    const int32_t size = static_cast<int32_t>(s.size());
    UChar32 c;
    U8_NEXT(reinterpret_cast<const uint8_t*>(s.data()), i, size, c);
    if (c < 0) {
        len = 1;
        return kRawByteBase + b;
    }
    len = static_cast<size_t>(i) - pos;
    if (c < kTableEnd) return FoldTable()[c];
    return static_cast<int32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT));
}

// The walk both matchers share over a pattern of count elements and a name
// of size: star(p) tells a star, one(p, n) whether element p takes the
// name's element n.
template <class Star, class One>
bool MatchStars(size_t count, size_t size, Star star, One one) {
    size_t p = 0, n = 0;
    size_t starP = SIZE_MAX, starN = 0;
    while (n < size) {
        if (p < count && !star(p) && one(p, n)) {
            ++p;
            ++n;
            continue;
        }
        if (p < count && star(p)) {
            starP = p++;
            starN = n;
            continue;
        }
        if (starP == SIZE_MAX) return false;
        // Let the last star swallow one more element and try again.
        n = ++starN;
        p = starP + 1;
    }
    while (p < count && star(p)) ++p;
    return p == count;
}

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// The same on bytes: pattern lower-case ASCII, name's ASCII letters folded.
bool MatchBytes(const char* pat, size_t count, std::string_view name) {
    // "*.mp3", the usual mask: the name's end alone decides.
    const auto wild = [](char c) { return c == '*' || c == '?'; };
    if (count > 0 && pat[0] == '*' && std::none_of(pat + 1, pat + count, wild)) {
        const size_t tail = count - 1;
        if (name.size() < tail) return false;
        for (size_t i = 0; i < tail; ++i) {
            if (LowerAscii(name[name.size() - tail + i]) != pat[1 + i]) return false;
        }
        return true;
    }
    return MatchStars(
        count, name.size(), [&](size_t p) { return pat[p] == '*'; },
        [&](size_t p, size_t n) { return pat[p] == '?' || pat[p] == LowerAscii(name[n]); });
}

bool PlainAscii(std::string_view s) {
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// name: its characters, folded.
bool MatchTokens(const int32_t* tok, size_t count, const std::vector<int32_t>& name) {
    return MatchStars(
        count, name.size(), [&](size_t p) { return tok[p] == kStar; },
        [&](size_t p, size_t n) { return tok[p] == kAny || tok[p] == name[n]; });
}

}  // namespace

WildcardPattern::WildcardPattern(std::string_view pattern) {
    for (size_t pos = 0; pos < pattern.size();) {
        size_t len;
        const char ch = pattern[pos];
        if (ch == '*') {
            // Runs of stars mean the same as one.
            if (tokens_.empty() || tokens_.back() != kStar) tokens_.push_back(kStar);
            ++pos;
            continue;
        }
        if (ch == '?') {
            tokens_.push_back(kAny);
            ++pos;
            continue;
        }
        tokens_.push_back(NextFolded(pattern, pos, len));
        pos += len;
    }
    const size_t n = tokens_.size();
    optionalDotStar_ = n >= 2 && tokens_[n - 1] == kStar && tokens_[n - 2] == '.';
    ascii_ = true;
    for (const int32_t t : tokens_) {
        if (t == kStar || t == kAny) {
            bytes_ += t == kStar ? '*' : '?';
        } else if (t < 0x80) {
            bytes_ += static_cast<char>(t);
        } else {
            ascii_ = false;
        }
    }
    // Only the Kelvin sign and the long s fold to ASCII letters; a character
    // of two or more bytes is otherwise taken whole by a "*" or not at all.
    bytesForAll_ = ascii_ && bytes_.find_first_of("?ks") == std::string::npos;
}

bool WildcardPattern::Matches(std::string_view name) const {
    if (tokens_.empty()) return false;
    if (bytesForAll_ || (ascii_ && PlainAscii(name))) {
        if (MatchBytes(bytes_.data(), bytes_.size(), name)) return true;
        return optionalDotStar_ && MatchBytes(bytes_.data(), bytes_.size() - 2, name);
    }
    // Each character is folded once, not again at every retry of a star.
    thread_local std::vector<int32_t> folded;
    folded.clear();
    for (size_t pos = 0; pos < name.size();) {
        size_t len;
        folded.push_back(NextFolded(name, pos, len));
        pos += len;
    }
    if (MatchTokens(tokens_.data(), tokens_.size(), folded)) return true;
    // "name.*" also matches "name"; "*.*" thereby matches everything.
    return optionalDotStar_ && MatchTokens(tokens_.data(), tokens_.size() - 2, folded);
}

std::vector<std::string> SplitMask(std::string_view mask) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t semi = mask.find(';', start);
        if (semi == std::string_view::npos) {
            parts.emplace_back(mask.substr(start));
            return parts;
        }
        parts.emplace_back(mask.substr(start, semi - start));
        start = semi + 1;
    }
}

FileMask::FileMask(std::string_view mask) {
    for (const std::string& text : SplitMask(mask)) {
        WildcardPattern pattern(text);
        if (!pattern.Empty()) patterns_.push_back(std::move(pattern));
    }
    // A mask holds a few patterns, so a look through the distinct ones so
    // far is cheap enough.
    for (size_t i = 0; i < patterns_.size(); ++i) {
        const auto same = std::find_if(distinct_.begin(), distinct_.end(),
                                       [&](const Distinct& d) { return patterns_[d.index] == patterns_[i]; });
        if (same != distinct_.end())
            ++same->times;
        else
            distinct_.push_back({i, 1});
    }
}

bool FileMask::Matches(std::string_view name) const {
    for (const Distinct& d : distinct_) {
        if (patterns_[d.index].Matches(name)) return true;
    }
    return false;
}

size_t FileMask::MatchCount(std::string_view name) const {
    size_t n = 0;
    for (const Distinct& d : distinct_) {
        if (patterns_[d.index].Matches(name)) n += d.times;
    }
    return n;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) { return WildcardPattern(pattern).Matches(name); }

}  // namespace zorbex
