#include "platform/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/utf8.h>

#include <vector>

#include "platform/utf8.h"

namespace zorbex {
namespace {

// One windows-1251 converter per thread (ICU converters are not thread-safe),
// opened on first use, with best-fit fallbacks off and conversion from
// Unicode stopping at the first character it cannot hold.
class Converter {
public:
    Converter() {
        UErrorCode err = U_ZERO_ERROR;
        cnv_ = ucnv_open("windows-1251", &err);
        if (U_FAILURE(err)) {
            cnv_ = nullptr;
            return;
        }
        ucnv_setFallback(cnv_, false);
        err = U_ZERO_ERROR;
        ucnv_setFromUCallBack(cnv_, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    }
    ~Converter() {
        if (cnv_) ucnv_close(cnv_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    UConverter* get() {
        if (cnv_) ucnv_reset(cnv_);
        return cnv_;
    }

private:
    UConverter* cnv_ = nullptr;
};

UConverter* Cp1251() {
    thread_local Converter converter;
    return converter.get();
}

// windows-1251 bytes -> UTF-8. Every byte has a character in ICU's table;
// should the converter be missing, bytes >= 0x80 become U+FFFD.
std::string FromCp1251(std::string_view bytes) {
    UConverter* cnv = Cp1251();
    if (!cnv) {
        std::string out;
        for (unsigned char c : bytes) out += c < 0x80 ? std::string(1, static_cast<char>(c)) : "\xEF\xBF\xBD";
        return out;
    }
    std::vector<UChar> u(bytes.size() * 2 + 1);
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(cnv, u.data(), static_cast<int32_t>(u.size()), bytes.data(),
                              static_cast<int32_t>(bytes.size()), &err);
    if (U_FAILURE(err)) return std::string(bytes);
    return ToUtf8(std::u16string_view(u.data(), static_cast<size_t>(n))).value_or(std::string());
}

// Valid UTF-8 -> windows-1251, or nothing when some character does not fit.
bool ToCp1251(std::string_view utf8, std::string& out) {
    UConverter* cnv = Cp1251();
    std::u16string u;
    if (!cnv || !ToUtf16(utf8, u, IllFormedUtf8::kFail)) return false;
    out.assign(u.size() + 1, '\0');
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()), u.data(),
                                static_cast<int32_t>(u.size()), &err);
    if (U_FAILURE(err)) return false;
    out.resize(static_cast<size_t>(n));
    return true;
}

// Text that is not valid UTF-8 -> valid UTF-8: valid sequences stay, every
// other byte is read as a windows-1251 byte.
std::string Lenient(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
    const int32_t length = static_cast<int32_t>(bytes.size());
    int32_t i = 0;
    while (i < length) {
        int32_t start = i;
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c >= 0) {
            out.append(bytes.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
        } else {
            out += FromCp1251(bytes.substr(static_cast<size_t>(start), 1));
            i = start + 1;
        }
    }
    return out;
}

}  // namespace

size_t Utf8BomLength(std::string_view bytes) { return bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0; }

namespace {
// Beyond this, ICU's 32-bit lengths are at risk: bytes pass through as they are.
constexpr size_t kMaxConverted = size_t{1} << 28;
}  // namespace

std::string EncodeStoreText(std::string_view utf8) {
    if (IsAscii(utf8) || utf8.size() > kMaxConverted) return std::string(utf8);
    if (!IsValidUtf8(utf8)) {
        std::string text = Lenient(utf8);
        if (!IsValidUtf8(text)) return std::string(utf8);  // no converter: nothing better to do
        return EncodeStoreText(text);
    }
    std::string cp;
    if (!ToCp1251(utf8, cp)) return std::string(utf8);
    // The converter drops default-ignorable characters (U+200B, U+FEFF ...)
    // without a word, and single bytes may happen to form UTF-8 ("РЁ" is the
    // UTF-8 of "Ш"): only bytes that read back as the very text will do.
    if (DecodeStoreText(cp) != utf8) return std::string(utf8);
    return cp;
}

std::string DecodeStoreText(std::string_view bytes) {
    if (IsAscii(bytes) || bytes.size() > kMaxConverted || IsValidUtf8(bytes)) return std::string(bytes);
    return FromCp1251(bytes);
}

}  // namespace zorbex
