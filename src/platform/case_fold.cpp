#include "platform/case_fold.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include "platform/utf8.h"

namespace zorbex {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualAsciiFold(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

bool EqualUnicodeFold(std::string_view a, std::string_view b) {
    std::u16string ua, ub;
    if (!ToUtf16(a, ua, IllFormedUtf8::kFail) || !ToUtf16(b, ub, IllFormedUtf8::kFail)) return a == b;
    UErrorCode err = U_ZERO_ERROR;
    int r = u_strCaseCompare(ua.data(), static_cast<int32_t>(ua.size()), ub.data(), static_cast<int32_t>(ub.size()),
                             U_FOLD_CASE_DEFAULT, &err);
    return U_SUCCESS(err) && r == 0;
}

std::optional<std::string> UnicodeFold(std::string_view utf8) {
    std::u16string in;
    if (!ToUtf16(utf8, in, IllFormedUtf8::kFail)) return std::nullopt;
    std::u16string folded(in.size() * 3 + 1, u'\0');  // full folding at most triples a unit
    UErrorCode err = U_ZERO_ERROR;
    const int32_t len = u_strFoldCase(folded.data(), static_cast<int32_t>(folded.size()), in.data(),
                                      static_cast<int32_t>(in.size()), U_FOLD_CASE_DEFAULT, &err);
    if (U_FAILURE(err) || len >= static_cast<int32_t>(folded.size())) return std::nullopt;
    return ToUtf8(std::u16string_view(folded).substr(0, static_cast<size_t>(len)));
}

}  // namespace zorbex
