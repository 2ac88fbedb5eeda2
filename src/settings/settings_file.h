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
// "Unable to write to <full path>". The file is then unchanged.
class SettingsWriteError : public std::runtime_error {
public:
    explicit SettingsWriteError(const std::string& path);
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// How far each write is pushed towards the disk. Whatever the choice, a
// write has replaced the file (atomically: temporary file and rename) before
// it returns, so every reader, in this process or another, sees it at once.
enum class SettingsSync {
    // The default. No fsync per write: the file is flushed to the disk
    // (fsync of the file and its folder) once, when the SettingsFile that
    // wrote is destroyed, i.e. at the end of each operation. On ext4 the
    // rename over the old file already pushes the new bytes out, so even a
    // power loss in between leaves the old or the new file, never a torn one.
    kWhenDone,
    // fsync before every rename: each write is on the disk when it returns.
    // Costs a flush of the whole file per key (about 5-8 ms here).
    kEachWrite,
    // No fsync at all: for benchmarks and scratch files.
    kNever,
};

class SettingsFile {
public:
    // Never fails, even when the file or its folder is missing.
    explicit SettingsFile(std::string path);
    SettingsFile(std::string path, SettingsSync sync);
    // Flushes what this object wrote to the disk (kWhenDone).
    ~SettingsFile();
    SettingsFile(const SettingsFile&) = default;
    SettingsFile& operator=(const SettingsFile&) = default;

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
    SettingsSync sync_ = SettingsSync::kWhenDone;
    bool wrote_ = false;
};

// programDir ends with '/'; gives programDir + "Zorbl.Zrf".
std::string SettingsPath(const std::string& programDir);

std::string MainSection();              // "Zor:bl"
std::string PlaylistSection(int n);     // "Zor:bl:Playlist:" n
std::string UnionSection(int n);        // "Zor:bl:Union:" n

}  // namespace zorbex
