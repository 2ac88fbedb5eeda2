#pragma once
// Text as stored in the settings file and in exclusion-list files: one value
// (or one line) at a time, windows-1251 when it can hold the text, UTF-8
// otherwise. Conversion goes through ICU (ucnv, "windows-1251", without
// best-fit fallbacks, so é is never stored as e).
//
// The two functions are inverse for every valid UTF-8 text:
// DecodeStoreText(EncodeStoreText(s)) == s.
#include <cstddef>
#include <string>
#include <string_view>

namespace zorbex {

// UTF-8 text -> the bytes to store.
// - Pure ASCII: the same bytes.
// - The windows-1251 bytes (Cyrillic, «», №, € ... one byte each) only when
//   DecodeStoreText gives back exactly this text from them. Not so when a
//   character does not fit (é, ü, ß, CJK ...), when the converter would
//   drop one (the default-ignorable U+200B, U+200D, U+2060, U+FEFF, U+FE0F,
//   U+061C ...), or when the bytes happen to form valid UTF-8 themselves
//   ("РЁ" is D0 A8, which is UTF-8 for "Ш"). Then the UTF-8 bytes as they
//   are.
// - Input that is not valid UTF-8 never fails: every byte that does not
//   belong to a valid UTF-8 sequence is taken as a windows-1251 byte (the
//   way DecodeStoreText reads such bytes), and the rules above are applied to
//   the resulting text. So bytes of an old windows-1251 text that reach us
//   undecoded are stored as the very same bytes.
std::string EncodeStoreText(std::string_view utf8);

// Stored bytes -> UTF-8 text. Never fails.
// - Valid UTF-8 containing a byte >= 0x80: kept as UTF-8.
// - Anything else: decoded as windows-1251 (pure ASCII stays as it is; every
//   byte has a character: ICU's table maps the byte 0x98, which Windows
//   leaves unassigned, to U+0098, so even that byte survives a round trip).
// NUL bytes are kept as U+0000.
std::string DecodeStoreText(std::string_view bytes);

// 3 when bytes begin with the UTF-8 byte-order mark EF BB BF (which some
// editors put in front of a file), else 0.
size_t Utf8BomLength(std::string_view bytes);

}  // namespace zorbex
