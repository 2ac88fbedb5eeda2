#pragma once
// What a reader of settings needs: a text or a number by section and key,
// the default when there is none. The file (SettingsFile, every read sees
// the file as it is now) and one version of it (SettingsSnapshot) both
// answer it, so a reader of a few keys is written once for both.
#include <cstdint>
#include <string>
#include <string_view>

namespace zorbex {

class SettingsReader {
public:
    // All texts are UTF-8. A missing file, section or key gives the default.
    virtual std::string ReadText(std::string_view section, std::string_view key, std::string_view def) const = 0;
    virtual int32_t ReadNumber(std::string_view section, std::string_view key, int32_t def) const = 0;

protected:
    SettingsReader() = default;
    SettingsReader(const SettingsReader&) = default;
    SettingsReader& operator=(const SettingsReader&) = default;
    ~SettingsReader() = default;
};

}  // namespace zorbex
