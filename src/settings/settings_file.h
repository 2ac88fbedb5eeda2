#pragma once
// The settings store: an INI-style text file read and written key by key.
// Nothing is cached: every read sees the file as it is on disk now, every
// write reaches the file before it returns.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zorbex {

// Raised by a write that could not be made; the message is
// "Unable to write to <full path>".
class SettingsWriteError : public std::runtime_error {
public:
    explicit SettingsWriteError(const std::string& path);
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class SettingsFile {
public:
    // Never fails, even when the file or its folder is missing.
    explicit SettingsFile(std::string path);

    const std::string& Path() const { return path_; }

    // All texts are UTF-8. Reads never fail: a missing file, section or key
    // gives the default.
    std::string ReadText(std::string_view section, std::string_view key, std::string_view def) const;
    int32_t ReadNumber(std::string_view section, std::string_view key, int32_t def) const;

    // Throw SettingsWriteError when the file cannot be written.
    void WriteText(std::string_view section, std::string_view key, std::string_view value);
    void WriteNumber(std::string_view section, std::string_view key, int32_t value);

private:
    std::string path_;
};

// programDir ends with '/'; gives programDir + "Zorbl.Zrf".
std::string SettingsPath(const std::string& programDir);

std::string MainSection();              // "Zor:bl"
std::string PlaylistSection(int n);     // "Zor:bl:Playlist:" n
std::string UnionSection(int n);        // "Zor:bl:Union:" n

}  // namespace zorbex
