#include "platform/collation.h"

#include <unicode/ucol.h>
#include <unicode/uset.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "platform/utf8.h"

namespace zorbex {

std::string IcuLocaleFromPosix(std::string_view name) {
    const size_t cut = name.find_first_of(".@");
    std::string base(name.substr(0, cut));
    if (base == "C" || base == "POSIX") return "";
    return base;
}

std::string UserCollationLocale() {
    for (const char* var : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) return IcuLocaleFromPosix(v);
    }
    return "";
}

Collation::Collation(std::string_view localeName) { Open(localeName); }

Collation::Collation(const Collation& like, ForAnotherThread) {
    UErrorCode err = U_ZERO_ERROR;
    if (like.collator_) collator_ = ucol_clone(like.collator_, &err);
    if (collator_ && U_SUCCESS(err)) {
        locale_ = like.locale_;
        rank_ = like.rank_;
        alone_ = like.alone_;
        return;
    }
    if (collator_) ucol_close(collator_);
    collator_ = nullptr;
    Open(like.locale_);
}

void Collation::Open(std::string_view localeName) {
    locale_ = IcuLocaleFromPosix(localeName);
    UErrorCode err = U_ZERO_ERROR;
    collator_ = ucol_open(locale_.c_str(), &err);
    if (U_FAILURE(err)) {
        if (collator_) ucol_close(collator_);
        err = U_ZERO_ERROR;
        locale_.clear();
        collator_ = ucol_open("", &err);
        if (U_FAILURE(err)) collator_ = nullptr;
    }
    if (collator_) {
        ucol_setStrength(collator_, UCOL_SECONDARY);
        LearnAsciiOrder();
    }
}

void Collation::LearnAsciiOrder() {
    UErrorCode err = U_ZERO_ERROR;
    USet* contractions = uset_openEmpty();
    USet* expansions = uset_openEmpty();
    ucol_getContractionsAndExpansions(collator_, contractions, expansions, true, &err);
    UCollator* primary = ucol_clone(collator_, &err);
    if (U_SUCCESS(err)) ucol_setStrength(primary, UCOL_PRIMARY);
    const bool numeric = ucol_getAttribute(collator_, UCOL_NUMERIC_COLLATION, &err) == UCOL_ON;
    if (U_FAILURE(err)) {
        if (primary) ucol_close(primary);
        uset_close(contractions);
        uset_close(expansions);
        return;  // every name goes to ICU
    }

    // Characters of contractions: of ASCII ones only (the only kind a plain
    // name can hold), and of any contraction (what may follow in other names).
    std::array<bool, 128> inAsciiContraction{};
    std::array<bool, 128> inContraction{};
    const int32_t items = uset_getItemCount(contractions);
    for (int32_t i = 0; i < items; ++i) {
        UChar32 from, to;
        UChar text[64];
        const int32_t len = uset_getItem(contractions, i, &from, &to, text, 64, &err);
        if (U_FAILURE(err) || len <= 0 || len > 64) {
            err = U_ZERO_ERROR;
            continue;
        }
        bool ascii = true;
        for (int32_t k = 0; k < len; ++k) ascii = ascii && text[k] < 128;
        for (int32_t k = 0; k < len; ++k) {
            if (text[k] >= 128) continue;
            inContraction[text[k]] = true;
            if (ascii) inAsciiContraction[text[k]] = true;
        }
    }

    const auto compare = [](UCollator* c, UChar a, UChar b) {
        const UChar x[1] = {a};
        const UChar y[1] = {b};
        return ucol_strcoll(c, x, 1, y, 1);
    };
    std::vector<UChar> chars;
    for (UChar c = 0; c < 128; ++c) {
        if (inAsciiContraction[c] || uset_contains(expansions, c)) continue;
        if (numeric && c >= '0' && c <= '9') continue;
        // Ignorable characters (controls; punctuation where it is shifted) weigh nothing.
        const UChar one[1] = {c};
        if (ucol_strcoll(primary, one, 1, one, 0) == UCOL_EQUAL) continue;
        chars.push_back(c);
    }
    std::stable_sort(chars.begin(), chars.end(), [&](UChar a, UChar b) { return compare(primary, a, b) == UCOL_LESS; });
    // Characters of one primary weight must also weigh alike at the
    // collator's own strength, or their names are left to ICU.
    uint8_t rank = 0;
    for (size_t i = 0; i < chars.size();) {
        size_t end = i + 1;
        while (end < chars.size() && compare(primary, chars[i], chars[end]) == UCOL_EQUAL) ++end;
        bool alike = true;
        for (size_t k = i + 1; k < end; ++k) alike = alike && compare(collator_, chars[i], chars[k]) == UCOL_EQUAL;
        ++rank;
        for (size_t k = i; k < end; ++k) {
            rank_[chars[k]] = alike ? rank : 0;
            alone_[chars[k]] = alike && !inContraction[chars[k]];
        }
        i = end;
    }
    ucol_close(primary);
    uset_close(contractions);
    uset_close(expansions);
}

Collation::~Collation() {
    if (collator_) ucol_close(collator_);
}

const Collation& Collation::User() {
    static const Collation user(UserCollationLocale());
    return user;
}

int Collation::Compare(std::string_view a, std::string_view b) const {
    if (collator_) {
        UErrorCode err = U_ZERO_ERROR;
        const UCollationResult r = ucol_strcollUTF8(collator_, a.data(), static_cast<int32_t>(a.size()), b.data(),
                                                    static_cast<int32_t>(b.size()), &err);
        if (U_SUCCESS(err) && r != UCOL_EQUAL) return r == UCOL_LESS ? -1 : 1;
    }
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::string Collation::SortKey(std::string_view name) const {
    std::string key;
    AppendSortKey(name, key);
    return key;
}

void Collation::AppendSortKey(std::string_view name, std::string& keys) const {
    if (!collator_) {
        keys += name;
        return;
    }
    // Names that are not UTF-8 still sort (see the header); the buffer is
    // kept between calls, as this runs for every name of a walk.
    thread_local std::u16string wide;
    ToUtf16(name, wide, IllFormedUtf8::kSubstitute);
    const size_t at = keys.size();
    size_t room = wide.size() * 3 + 16;
    for (;;) {
        keys.resize(at + room);
        const int32_t need = ucol_getSortKey(collator_, wide.data(), static_cast<int32_t>(wide.size()),
                                             reinterpret_cast<uint8_t*>(keys.data() + at), static_cast<int32_t>(room));
        if (need <= 0) {
            keys.resize(at);
            keys += name;
            return;
        }
        if (static_cast<size_t>(need) <= room) {
            keys.resize(at + static_cast<size_t>(need) - 1);  // drop the terminating zero
            return;
        }
        room = static_cast<size_t>(need);
    }
}

bool Collation::Plain(std::string_view name) const {
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 128 || rank_[c] == 0) return false;
    }
    return true;
}

int Collation::QuickCompare(std::string_view a, std::string_view b) const {
    const size_t n = std::min(a.size(), b.size());
    const auto alone = [this](std::string_view s, size_t i) {
        const auto c = static_cast<unsigned char>(s[i]);
        return c < 128 && alone_[c];
    };
    size_t i = 0;
    while (i < n && alone(a, i) && alone(b, i) &&
           rank_[static_cast<unsigned char>(a[i])] == rank_[static_cast<unsigned char>(b[i])])
        ++i;
    if (i == n) {
        if (a.size() == b.size()) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
        // One is the other's start, but for a character that weighs.
        return a.size() < b.size() ? (alone(b, i) ? -1 : 0) : (alone(a, i) ? 1 : 0);
    }
    if (!alone(a, i) || !alone(b, i)) return 0;
    // What follows must not be able to join the differing characters.
    if ((i + 1 < a.size() && !alone(a, i + 1)) || (i + 1 < b.size() && !alone(b, i + 1))) return 0;
    return rank_[static_cast<unsigned char>(a[i])] < rank_[static_cast<unsigned char>(b[i])] ? -1 : 1;
}

void Collation::SortIndices(const std::vector<std::string_view>& names, std::vector<size_t>& order) const {
    order.resize(names.size());
    std::iota(order.begin(), order.end(), size_t{0});
    if (names.size() < 2) return;
    if (collator_ && std::all_of(names.begin(), names.end(), [this](std::string_view n) { return Plain(n); })) {
        std::sort(order.begin(), order.end(), [&](size_t x, size_t y) {
            const std::string_view a = names[x], b = names[y];
            const size_t n = std::min(a.size(), b.size());
            for (size_t i = 0; i < n; ++i) {
                const uint8_t ra = rank_[static_cast<unsigned char>(a[i])];
                const uint8_t rb = rank_[static_cast<unsigned char>(b[i])];
                if (ra != rb) return ra < rb;
            }
            if (a.size() != b.size()) return a.size() < b.size();
            return a < b;
        });
        return;
    }
    // A few names: most pairs are told apart by the table, the rest by ICU.
    if (collator_ && names.size() <= 32) {
        std::sort(order.begin(), order.end(), [&](size_t x, size_t y) {
            const int quick = QuickCompare(names[x], names[y]);
            return (quick != 0 ? quick : Compare(names[x], names[y])) < 0;
        });
        return;
    }
    // One key per name is far cheaper than collating inside every
    // comparison; all keys share one buffer.
    std::string keys;
    std::vector<size_t> ends;
    ends.reserve(names.size() + 1);
    ends.push_back(0);
    for (auto n : names) {
        AppendSortKey(n, keys);
        ends.push_back(keys.size());
    }
    const auto key = [&](size_t i) { return std::string_view(keys).substr(ends[i], ends[i + 1] - ends[i]); };
    std::sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        const int c = key(x).compare(key(y));
        if (c != 0) return c < 0;
        return names[x] < names[y];
    });
}

std::vector<size_t> Collation::Order(const std::vector<std::string_view>& names) const {
    std::vector<size_t> order;
    SortIndices(names, order);
    return order;
}

void Collation::Order(const std::vector<std::string_view>& names, std::vector<std::string_view>& sorted) const {
    thread_local std::vector<size_t> order;
    SortIndices(names, order);
    sorted.clear();
    for (size_t i : order) sorted.push_back(names[i]);
}

void Collation::Sort(std::vector<std::string>& names) const {
    if (names.size() < 2) return;
    std::vector<std::string_view> views(names.begin(), names.end());
    const std::vector<size_t> order = Order(views);
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (size_t i : order) sorted.push_back(std::move(names[i]));
    names = std::move(sorted);
}

}  // namespace zorbex
