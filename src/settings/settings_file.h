#pragma once
// The settings store: an INI-style text file read and written key by key,
// or a whole list of keys at once (WriteMany, SettingsSnapshot).
// Every read sees the file as it is on disk now (a snapshot: as it was when
// the snapshot was made), every write reaches the file before it returns.
//
// - The file is parsed once and the parsed view shared by every operation
//   for as long as the file on disk is the same (settings/settings_view.h):
//   each read checks that with a stat, and a key costs a look-up in an
//   index, not a reading of the file. The program's own writes update the
//   view.
// - The text form (lines, sections, keys, duplicates, value reading, the
//   1023-character cut, numbers): settings/ini_text.h.
// - Text encoding per value (windows-1251, else UTF-8): platform/codepage.h.
// - Files in other forms (UTF-16 with its mark, lone CR line ends), read
//   and written in their own form: settings/file_form.h.
// - Each write takes the file (the view, when it is still the file),
//   changes the one line and replaces the whole
//   file through WriteFileReplacing (platform/file_write.h), all under an
//   exclusive lock on the file's folder (settings/settings_lock.h), so that
//   writers in other processes or threads never lose each other's keys.
//   Reads take the same lock shared. A lock that another process keeps
//   beyond a bounded wait (settings_lock.h) makes a write fail
//   (SettingsWriteError, locked()), while a read goes ahead without it:
//   writes replace the file by a rename, so what it reads is a whole file,
//   and a reader that gave defaults instead would show the user an empty
//   program.
// - A file too large to be held in memory (beyond the bound of whole-file
//   reads, platform/file_read.h, or running out while it is worked on):
//   reads raise SettingsReadError, writes SettingsWriteError; the file stays
//   as it is.
// - A file that is there but cannot be read (a directory, no read right) is
//   never replaced: reads give defaults, writes raise SettingsWriteError.
// - A write that leaves the bytes as they are does not replace the file, but
//   still raises SettingsWriteError when the file is not writable.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/ini_text.h"
#include "settings/settings_reader.h"

namespace zorbex {

class SettingsText;  // settings/settings_view.h

// Raised by a write that could not be made; the message is
// "Unable to write to <full path>", as the window shows it. The file is then
// unchanged.
class SettingsWriteError : public std::runtime_error {
public:
    enum class Cause { kNotWritable, kLocked };
    SettingsWriteError(const std::string& path, std::string reason);
    SettingsWriteError(const std::string& path, Cause cause);
    const std::string& path() const { return path_; }
    // Another process kept the settings lock for the whole wait.
    bool locked() const { return cause_ == Cause::kLocked; }
    // Why, in Russian ("нет прав доступа"), for where there is room to say
    // it beside the message; empty when locked().
    const std::string& reason() const { return reason_; }

private:
    std::string path_;
    Cause cause_;
    std::string reason_;
};

// Raised by a read when the file is too large to be read into memory; the
// message says so in the user's language.
class SettingsReadError : public std::runtime_error {
public:
    explicit SettingsReadError(const std::string& path);
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
    // Costs a flush of the whole file per key (5-9 ms here for 280 KB).
    kEachWrite,
    // No fsync at all: for benchmarks and scratch files.
    kNever,
};

class SettingsFile : public SettingsReader {
public:
    // Never fails, even when the file or its folder is missing.
    explicit SettingsFile(std::string path);
    SettingsFile(std::string path, SettingsSync sync);
    // Flushes what this object wrote to the disk (kWhenDone).
    ~SettingsFile();
    // One object per operation, so that its writes are flushed once.
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    const std::string& Path() const { return path_; }

    // All texts are UTF-8. Reads never fail, short of SettingsReadError: a
    // missing file, section or key gives the default.
    std::string ReadText(std::string_view section, std::string_view key, std::string_view def) const override;
    int32_t ReadNumber(std::string_view section, std::string_view key, int32_t def) const override;

    // Throw SettingsWriteError when the file cannot be written.
    void WriteText(std::string_view section, std::string_view key, std::string_view value);
    void WriteNumber(std::string_view section, std::string_view key, int32_t value);
    // Many keys of one section in one replacement of the file: the same bytes
    // as WriteText of each entry in turn. On failure none of them is written.
    void WriteMany(std::string_view section, const std::vector<std::pair<std::string, std::string>>& entries);

private:
    // One read-change-replace of the file under the lock.
    void Change(const std::function<std::string(std::string_view)>& change);

    std::string path_;
    SettingsSync sync_ = SettingsSync::kWhenDone;
    bool wrote_ = false;
};

// The file read once (under the shared lock), then answering ReadText and
// ReadNumber by the same rules as SettingsFile: for one operation that reads
// many keys (a definition, a list of every definition) from one version of
// the file, never kept beyond it.
class SettingsSnapshot : public SettingsReader {
public:
    explicit SettingsSnapshot(const SettingsFile& file);
    SettingsSnapshot(const SettingsSnapshot&) = delete;
    SettingsSnapshot& operator=(const SettingsSnapshot&) = delete;

    std::string ReadText(std::string_view section, std::string_view key, std::string_view def) const override;
    int32_t ReadNumber(std::string_view section, std::string_view key, int32_t def) const override;
    // ReadText that also tells whether the stored value was longer than a
    // read gives back (so that the text names something else).
    std::string ReadText(std::string_view section, std::string_view key, std::string_view def, bool& cut) const;

private:
    std::string path_;
    std::shared_ptr<const SettingsText> text_;  // nullptr when the file could not be read
};

// programDir ends with '/'; gives programDir + "Zorbl.Zrf".
std::string SettingsPath(const std::string& programDir);

std::string MainSection();           // "Zor:bl"
std::string PlaylistSection(int n);  // "Zor:bl:Playlist:" n
std::string UnionSection(int n);     // "Zor:bl:Union:" n

}  // namespace zorbex
