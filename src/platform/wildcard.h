#pragma once
// File-name wildcards as users of the playlist masks know them: "*" is any run
// of characters, "?" exactly one character (a code point, not a byte), letters
// compare without regard to case (Latin, Cyrillic and every other script with
// simple case folding). A trailing ".*" also matches a name without an
// extension, so "*.*" matches every name.
//
// Names need not be valid UTF-8: a byte that does not start a valid sequence
// is one character of its own and only matches itself (or "?" / "*").
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorbex {

class WildcardPattern {
public:
    WildcardPattern() = default;
    explicit WildcardPattern(std::string_view pattern);

    bool Matches(std::string_view name) const;
    // The pattern matches nothing (it was empty).
    bool Empty() const { return tokens_.empty(); }
    // Matches the same names: "*.mp3" and "*.MP3" fold to one pattern.
    bool operator==(const WildcardPattern& other) const { return tokens_ == other.tokens_; }

private:
    std::vector<int32_t> tokens_;   // folded characters, kStar, kAny
    bool optionalDotStar_ = false;  // pattern ended in ".*"
    // The pattern as lower-case ASCII bytes ('*', '?' kept), when it is
    // ASCII. It then matches on bytes: every name when it has no "?" and
    // no letter some other character folds to ("k", "s"), else plain ASCII names.
    std::string bytes_;
    bool ascii_ = false;
    bool bytesForAll_ = false;
};

// Splits a mask at every ";" into patterns used exactly as written: blanks are
// kept, empty patterns are kept too (they match nothing).
std::vector<std::string> SplitMask(std::string_view mask);

// A definition's mask compiled once: its patterns (SplitMask) in the mask's
// order, without the empty ones, which match nothing.
class FileMask {
public:
    FileMask() = default;
    explicit FileMask(std::string_view mask);

    const std::vector<WildcardPattern>& Patterns() const { return patterns_; }
    // Some pattern matches the name.
    bool Matches(std::string_view name) const;
    // How many of the patterns match the name (a playlist lists a file once
    // per matching pattern); patterns that are the same are tried once.
    size_t MatchCount(std::string_view name) const;

private:
    std::vector<WildcardPattern> patterns_;
    // Each pattern once: its place in patterns_ and how often the mask holds it.
    struct Distinct {
        size_t index;
        size_t times;
    };
    std::vector<Distinct> distinct_;
};

bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace zorbex
