#pragma once
// Locale-aware, case-insensitive ordering of file and folder names: the
// order of every sorted list the user sees in a playlist.
//
// Names are compared by an ICU collator at secondary strength (letter case is
// ignored, accents are not). Names the collator cannot tell apart (equal but
// for case, say) are ordered by their bytes, so a sort never depends on the
// order the file system happened to return. Names that are not valid UTF-8
// are compared with each bad byte read as U+FFFD and then by bytes.
#include <cstddef>
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

private:
    UCollator* collator_ = nullptr;
    std::string locale_;
};

// The user's collation locale taken from the environment, in ICU form
// ("ru_RU"); "" when unset or "C"/"POSIX".
std::string UserCollationLocale();

// "ru_RU.UTF-8@euro" -> "ru_RU"; "C", "POSIX" -> "".
std::string IcuLocaleFromPosix(std::string_view posixName);

}  // namespace zorbex
