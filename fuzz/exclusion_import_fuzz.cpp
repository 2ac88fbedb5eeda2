// An exclusion list file as the import reads it, on arbitrary bytes: it has
// as many lines as a playlist file of the same bytes (less a leading
// byte-order mark), each line is valid UTF-8 without line breaks, and
// exporting what was read reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/union_builder.h"
#include "platform/codepage.h"
#include "platform/utf8.h"
#include "settings/exclusion_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = zorbex::ReadExclusionFile(bytes);
    // A byte-order mark in front is no part of the first line.
    const std::vector<std::string> raw = zorbex::SplitPlaylistLines(bytes.substr(zorbex::Utf8BomLength(bytes)));
    if (lines.size() != raw.size()) std::abort();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!zorbex::IsValidUtf8(lines[i])) std::abort();
        if (lines[i].find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) std::abort();
        if (lines[i] != zorbex::DecodeStoreText(raw[i])) std::abort();
    }
    if (zorbex::ReadExclusionFile(zorbex::WriteExclusionFile(lines)) != lines) std::abort();
    return 0;
}
