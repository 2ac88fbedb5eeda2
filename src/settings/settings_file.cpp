#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <new>
#include <utility>

#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/path_parts.h"
#include "platform/path_walk.h"
#include "settings/file_form.h"
#include "settings/ini_text.h"
#include "settings/settings_lock.h"
#include "settings/settings_view.h"

namespace zorbex {
namespace {

// The path as the user should see it in a message: absolute.
std::string FullPath(const std::string& path) {
    if (IsAbsolutePath(path)) return path;
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf)) return path;
    return WithTrailingSeparator(buf) + path;
}

// What the read of the file came to: the states a write tells apart.
using FileState = FileRead::Outcome;

// A write's reasons for the two states a file is never replaced in.
constexpr const char* kUnreadableReason = "файл есть, но прочитать его нельзя";
constexpr const char* kTooLargeReason = "файл слишком велик: для его изменения не хватает памяти";

struct Loaded {
    FileState state = FileState::kMissing;
    std::string bytes;  // the text as the reader takes it (settings/file_form.h)
    FileForm form;
};

// Tells a file that is not there (or whose folder is not there) from one that
// is there but cannot be read or is beyond the bound: a write must never
// replace those.
Loaded Load(const std::string& path) {
    Loaded out;
    FileRead file = ReadWholeFileWithin(path);
    out.state = file.outcome;
    if (file.ok()) out.bytes = ReadingText(std::move(file.bytes), out.form);
    return out;
}

// The file as it is now, through the views shared by the process; nullptr
// when it is missing, cannot be read or is too large. Call it under the lock.
std::shared_ptr<const SettingsText> Current(const std::string& path, FileState& state) {
    state = FileState::kRead;
    return SettingsViews::Shared().Current(path, [&]() -> std::optional<SettingsViews::Loaded> {
        Loaded file = Load(path);
        state = file.state;
        if (file.state != FileState::kRead) return std::nullopt;
        return SettingsViews::Loaded{std::move(file.bytes), file.form};
    });
}

// A read's work on a file within the bound (converting it, indexing it) can
// still run out of memory: that is told as a file too large, as the bound
// tells it.
template <typename Work>
auto Reading(const std::string& path, Work&& work) -> decltype(work()) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        throw SettingsReadError(FullPath(path));
    }
}

// Past a timed-out lock too (see the header).
std::shared_ptr<const SettingsText> LoadForReading(const std::string& path) {
    SettingsLock lock(path, SettingsLock::Mode::kShared);
    FileState state;
    std::shared_ptr<const SettingsText> text = Reading(path, [&] { return Current(path, state); });
    if (state == FileState::kTooLarge) throw SettingsReadError(FullPath(path));
    return text;
}

// A value from a view as stored; the index is built at the first look-up.
std::optional<std::string_view> RawOf(const std::string& path, const SettingsText* text, std::string_view section,
                                      std::string_view key) {
    if (!text) return std::nullopt;
    return Reading(path, [&] { return text->RawValue(section, key); });
}

std::optional<std::string> TextOf(const std::string& path, const SettingsText* text, std::string_view section,
                                  std::string_view key) {
    const std::optional<std::string_view> raw = RawOf(path, text, section, key);
    if (!raw) return std::nullopt;
    return ini::ValueToText(*raw);
}

}  // namespace

SettingsWriteError::SettingsWriteError(const std::string& path, std::string reason)
    : std::runtime_error("Unable to write to " + path),
      path_(path),
      cause_(Cause::kNotWritable),
      reason_(std::move(reason)) {}

SettingsWriteError::SettingsWriteError(const std::string& path, Cause cause)
    : std::runtime_error("Unable to write to " + path), path_(path), cause_(cause) {}

SettingsReadError::SettingsReadError(const std::string& path)
    : std::runtime_error("Файл настроек «" + path + "» слишком велик: для его чтения не хватает памяти") {}

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) {}

SettingsFile::SettingsFile(std::string path, SettingsSync sync) : path_(std::move(path)), sync_(sync) {}

SettingsFile::~SettingsFile() {
    if (!wrote_ || sync_ != SettingsSync::kWhenDone) return;
    // Errors are ignored: every write has already reached the file. Found
    // as the writes found it, so that nothing a link planted since leads to
    // is opened.
    const WriteLocation at = LocateForWriting(path_);
    if (!at.ok()) return;
    if (at.exists() && S_ISREG(at.st.st_mode)) {
        const UniqueFd file(ReopenTarget(at, O_RDONLY | O_NONBLOCK));
        if (file.valid()) ::fsync(file.get());
    }
    // Where the renames were made, also behind a link: makes the last rename itself durable.
    const UniqueFd folder(::openat(at.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) ::fsync(folder.get());
}

std::string SettingsFile::ReadText(std::string_view section, std::string_view key, std::string_view def) const {
    const auto text = LoadForReading(path_);
    return TextOf(path_, text.get(), section, key).value_or(std::string(def));
}

int32_t SettingsFile::ReadNumber(std::string_view section, std::string_view key, int32_t def) const {
    const auto text = LoadForReading(path_);
    const auto value = TextOf(path_, text.get(), section, key);
    if (!value) return def;
    return ini::ParseNumber(*value).value_or(def);
}

void SettingsFile::WriteText(std::string_view section, std::string_view key, std::string_view value) {
    Change([&](std::string_view file) { return ini::SetValue(file, section, key, value); });
}

void SettingsFile::WriteMany(std::string_view section,
                             const std::vector<std::pair<std::string, std::string>>& entries) {
    if (entries.empty()) return;
    Change([&](std::string_view file) { return ini::SetValues(file, section, entries); });
}

void SettingsFile::Change(const std::function<std::string(std::string_view)>& change) {
    SettingsLock lock(path_, SettingsLock::Mode::kExclusive);
    if (lock.timedOut()) throw SettingsWriteError(FullPath(path_), SettingsWriteError::Cause::kLocked);
    FileState state;
    std::shared_ptr<const SettingsText> file;
    std::string bytes;
    std::string stored;
    FileForm form;
    bool same = false;
    // The work in memory on a file within the bound (converting, indexing,
    // changing, converting back) can still run out: the file is then too
    // large to change.
    try {
        file = Current(path_, state);
        if (state == FileState::kUnreadable) {
            // What keeps it from being written, when something does (a folder in its place).
            const WriteResult allowed = FileReplacement(path_).Allowed();
            throw SettingsWriteError(FullPath(path_), allowed ? kUnreadableReason : WriteFailureReason(allowed));
        }
        if (state == FileState::kTooLarge) throw SettingsWriteError(FullPath(path_), kTooLargeReason);
        bytes = change(file ? std::string_view(file->Bytes()) : std::string_view());
        same = file && bytes == file->Bytes();
        // A new file takes the program's own form; an existing one keeps its own.
        form = file ? file->Form() : FileForm{};
        if (!same) stored = StoredBytes(bytes, form);
    } catch (const std::bad_alloc&) {
        throw SettingsWriteError(FullPath(path_), kTooLargeReason);
    }
    if (same) {
        // The file already says exactly this (a definition saved again
        // unchanged): nothing to replace, as long as the file could be
        // written by the writer's own rules; a read-only file, or one behind
        // a planted link, still reports the write error. Probed: a watcher
        // sees no write.
        if (const WriteResult allowed = FileReplacement(path_).Allowed(); !allowed)
            throw SettingsWriteError(FullPath(path_), WriteFailureReason(allowed));
        return;
    }
    const WriteDurability durability =
        sync_ == SettingsSync::kEachWrite ? WriteDurability::kSync : WriteDurability::kNoSync;
    if (const WriteResult written = WriteFileReplacing(path_, stored, durability); !written)
        throw SettingsWriteError(FullPath(path_), WriteFailureReason(written));
    wrote_ = true;
    SettingsViews::Shared().Wrote(path_, std::move(bytes), form);
}

void SettingsFile::WriteNumber(std::string_view section, std::string_view key, int32_t value) {
    WriteText(section, key, std::to_string(value));
}

SettingsSnapshot::SettingsSnapshot(const SettingsFile& file) : path_(file.Path()), text_(LoadForReading(path_)) {}

std::string SettingsSnapshot::ReadText(std::string_view section, std::string_view key, std::string_view def) const {
    return TextOf(path_, text_.get(), section, key).value_or(std::string(def));
}

int32_t SettingsSnapshot::ReadNumber(std::string_view section, std::string_view key, int32_t def) const {
    const auto value = TextOf(path_, text_.get(), section, key);
    if (!value) return def;
    return ini::ParseNumber(*value).value_or(def);
}

std::string SettingsSnapshot::ReadText(std::string_view section, std::string_view key, std::string_view def,
                                       bool& cut) const {
    cut = false;
    const std::optional<std::string_view> raw = RawOf(path_, text_.get(), section, key);
    if (!raw) return std::string(def);
    return ini::ValueToText(*raw, &cut);
}

std::string SettingsPath(const std::string& programDir) {
    // An empty folder stays empty: the name alone, in the current directory.
    if (programDir.empty()) return "Zorbl.Zrf";
    return WithTrailingSeparator(programDir) + "Zorbl.Zrf";
}

std::string MainSection() { return "Zor:bl"; }
std::string PlaylistSection(int n) { return "Zor:bl:Playlist:" + std::to_string(n); }
std::string UnionSection(int n) { return "Zor:bl:Union:" + std::to_string(n); }

}  // namespace zorbex
