// A member playlist file as the union builder reads it, on arbitrary bytes:
// no line holds a line break or a NUL, and the lines joined with CR LF give
// the text up to its first NUL with every line end made CR LF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/union_builder.h"

namespace {

std::string Normalised(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            out += "\r\n";
        } else {
            out += bytes[i];
        }
    }
    if (!out.empty() && !out.ends_with("\r\n")) out += "\r\n";
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string joined;
    for (const std::string& line : zorbex::SplitPlaylistLines(bytes)) {
        if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) std::abort();
        joined += line;
        joined += "\r\n";
    }
    if (joined != Normalised(bytes)) std::abort();
    return 0;
}
