#include "platform/collation.h"

#include <unicode/ucol.h>

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

Collation::Collation(std::string_view localeName) : locale_(IcuLocaleFromPosix(localeName)) {
    UErrorCode err = U_ZERO_ERROR;
    collator_ = ucol_open(locale_.c_str(), &err);
    if (U_FAILURE(err)) {
        if (collator_) ucol_close(collator_);
        err = U_ZERO_ERROR;
        locale_.clear();
        collator_ = ucol_open("", &err);
        if (U_FAILURE(err)) collator_ = nullptr;
    }
    if (collator_) ucol_setStrength(collator_, UCOL_SECONDARY);
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

std::vector<size_t> Collation::Order(const std::vector<std::string_view>& names) const {
    std::vector<size_t> order(names.size());
    std::iota(order.begin(), order.end(), size_t{0});
    if (names.size() < 2) return order;
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
    return order;
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
