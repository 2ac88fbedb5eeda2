#pragma once
// The settings file parsed once and shared by every operation of the
// process (and every thread), as long as the file on disk is still the one
// it was made from. Reading a thousand definitions then costs a thousand
// look-ups, not a thousand readings of the whole file.
//
// What the view holds is the file's bytes as loaded (whatever the loader
// makes of the file), the form the file came in (so that a write keeps it),
// and an index of their sections and keys, built at the first look-up. The
// loader is the caller's; this file knows nothing of encodings or of the
// text form.
//
// When a view may be used instead of reading the file:
// - The file's identity (device, inode), size, modification and change
//   times to the nanosecond are those it had when the view was made.
// - And the change time is safely older than the moment the view's bytes
//   were read: a change that lands in the same tick of the file system's
//   clock as the view's own version leaves every time as it was (the
//   timestamps are coarser than the clock, whole seconds on some file
//   systems). Until then every use reads the file again and compares the
//   bytes; a view is kept for as long as they are equal. The change time is
//   the one to judge by: mtime can be set to anything (utimensat, touch -d,
//   an archive), while every change of the bytes or of the times sets the
//   change time to the present.
// - And the file system's times can prove it: a local file system whose
//   change time is kept by the kernel (ext2/3/4, xfs, btrfs, tmpfs, f2fs,
//   zfs, bcachefs, overlay). On others (FUSE, NFS, SMB, 9p, FAT, exFAT, or
//   any not known) the attributes may come from a cache or the change time
//   follow the modification time: every use reads the file and compares
//   the bytes, so a change made behind the mount is never lost.
// - A file that changes while it is read is used for that one read only.
// So every read still sees the file as it is on disk at that moment, a
// change made by another process included.
//
// Not seen: a change through a shared writable mapping of the file after
// its first write fault (the kernel updates the times only then), on which
// any timestamp-based check is blind; and on a network file system whose
// server's clock runs behind ours by more than the margin, a change within
// one tick of the server's clock of the version we read.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/file_form.h"
#include "settings/ini_text.h"

namespace zorbex {

// The bytes of one version of the file, its form, and their index.
class SettingsText {
public:
    explicit SettingsText(std::string bytes, FileForm form = {}) : bytes_(std::move(bytes)), form_(form) {}
    SettingsText(const SettingsText&) = delete;
    SettingsText& operator=(const SettingsText&) = delete;

    const std::string& Bytes() const { return bytes_; }
    const FileForm& Form() const { return form_; }
    // Built at the first call (may throw std::bad_alloc).
    std::optional<std::string_view> RawValue(std::string_view section, std::string_view key) const;

private:
    const std::string bytes_;
    const FileForm form_;
    mutable std::once_flag indexed_;
    mutable std::optional<ini::FileIndex> index_;
};

// What stat tells of a version of the file.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> StampOf(const std::string& path);

class SettingsViews {
public:
    struct Loaded {
        std::string bytes;
        FileForm form;
    };
    // Reads the file: its bytes as loaded and its form, or nothing when it
    // is not there or cannot be read (the caller knows why).
    using Loader = std::function<std::optional<Loaded>()>;

    // The views of this process.
    static SettingsViews& Shared();

    // The file at path as it is now: a kept view when the file is still the
    // one it was made from, else what load() reads. nullptr when load()
    // gives nothing. Call it under the settings lock, as any read.
    std::shared_ptr<const SettingsText> Current(const std::string& path, const Loader& load);

    // This process has just replaced the file with bytes, stored in form
    // (under the lock). The view is kept, to be compared with the file at
    // the next use.
    void Wrote(const std::string& path, std::string bytes, FileForm form);

    // How long after its last change a file is read again at every use:
    // a whole tick of the kernel's clock (at most 10 ms) plus the file
    // system's granularity; whole-second times (FAT keeps two seconds)
    // when both nanosecond parts are 0.
    static int64_t MarginNs(const FileStamp& stamp);

    // What the views ask of the file system, replaceable by a test that
    // plays an attribute cache (a stat that does not see a change).
    struct Probe {
        std::function<std::optional<FileStamp>(const std::string& path)> stamp;
        std::function<bool(const std::string& path)> timesProveFreshness;
    };
    // The real ones; for tests.
    static Probe SystemProbe();
    void SetProbe(Probe probe);

private:
    struct Entry {
        std::string path;
        FileStamp stamp;
        bool settled = false;  // the change time was safely past when the bytes were read
        bool trusted = false;  // the file system's times prove freshness
        std::shared_ptr<const SettingsText> text;
    };
    // The settings file is one path; a few more are kept for programs (and
    // tests) that use several, the oldest going first.
    static constexpr size_t kMaxEntries = 4;

    Probe CurrentProbe();
    std::optional<Entry> Find(const std::string& path);
    void Keep(Entry entry);
    void Forget(const std::string& path);

    std::mutex mutex_;
    std::vector<Entry> entries_;  // the most recently kept last
    Probe probe_ = SystemProbe();
};

}  // namespace zorbex
