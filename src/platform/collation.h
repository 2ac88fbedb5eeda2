#pragma once
// Locale-aware, case-insensitive ordering of file and folder names: the
// order of every sorted list the user sees in a playlist.
//
// Names are compared by an ICU collator at secondary strength (letter case is
// ignored, accents are not). Names the collator cannot tell apart (equal but
// for case, say) are ordered by their bytes, so a sort never depends on the
// order the file system happened to return. Names that are not valid UTF-8
// are compared with each bad byte read as U+FFFD and then by bytes.
//
// Plain ASCII names are mostly compared without asking ICU: each collator
// is asked once for the order of the ASCII characters it weighs simply (one
// weight, no contraction, no expansion), and names made of those compare
// by that table with the same result ICU's order gives.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct UCollator;

namespace zorbex {

class Collation {
public:
    // localeName in POSIX form ("ru_RU.UTF-8", "de_DE@euro", "C") or ICU form.
    explicit Collation(std::string_view localeName);
    ~Collation();
    // The same order for another thread (each thread asks its own
    // collator): a clone, with the ASCII table copied rather than learnt
    // again, which takes ICU some milliseconds.
    struct ForAnotherThread {};
    Collation(const Collation& like, ForAnotherThread);
    Collation(const Collation&) = delete;
    Collation& operator=(const Collation&) = delete;

    // The collator of the user's locale (LC_ALL, else LC_COLLATE, else LANG),
    // made once per process.
    static const Collation& User();

    // The ICU locale actually used ("" for the root order).
    const std::string& Locale() const { return locale_; }

    // <0, 0 or >0; 0 only for byte-identical names.
    int Compare(std::string_view a, std::string_view b) const;

    // The collator's key; comparing two keys bytewise orders like the
    // collator (without the byte tie-break).
    std::string SortKey(std::string_view name) const;
    // The same key appended to keys.
    void AppendSortKey(std::string_view name, std::string& keys) const;

    void Sort(std::vector<std::string>& names) const;
    // Indices of names in sorted order.
    std::vector<size_t> Order(const std::vector<std::string_view>& names) const;
    // names in sorted order, into sorted.
    void Order(const std::vector<std::string_view>& names, std::vector<std::string_view>& sorted) const;

private:
    void Open(std::string_view localeName);
    void LearnAsciiOrder();
    // <0 or >0 when the ASCII table decides a against b, 0 when ICU must.
    int QuickCompare(std::string_view a, std::string_view b) const;
    bool Plain(std::string_view name) const;
    void SortIndices(const std::vector<std::string_view>& names, std::vector<size_t>& order) const;

    UCollator* collator_ = nullptr;
    std::string locale_;
    // Per ASCII character: its place in the collator's order (characters
    // the collator does not tell apart share one), 0 when ICU must decide.
    std::array<uint8_t, 128> rank_{};
    // Ranked, and part of no contraction at all, even with other characters.
    std::array<bool, 128> alone_{};
};

// The user's collation locale taken from the environment, in ICU form
// ("ru_RU"); "" when unset or "C"/"POSIX".
std::string UserCollationLocale();

// "ru_RU.UTF-8@euro" -> "ru_RU"; "C", "POSIX" -> "".
std::string IcuLocaleFromPosix(std::string_view posixName);

}  // namespace zorbex
