#pragma once
// One read of a folder: every entry's name (raw bytes, as the file system
// gives them) with the attributes the builders filter on.
//
// Attributes on Linux: an entry is hidden when its name begins with ".";
// its kind is that of what it leads to (a symbolic link to a directory is a
// directory, a link to a file is a file); anything that is neither a regular
// file nor a directory (FIFO, socket, device, dangling link) is kOther and
// counts as a system entry.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zorbex {

enum class EntryKind : uint8_t { kFile, kDirectory, kOther };

struct DirEntry {
    std::string_view name;  // held by the listing it came from
    EntryKind kind = EntryKind::kOther;
    bool symlink = false;
    // Of a link's target; of the entry itself otherwise (device and inode as
    // the folder lists them). size only for links or when sizes are asked for.
    uint64_t size = 0;
    uint64_t device = 0;
    uint64_t inode = 0;

    bool Hidden() const { return !name.empty() && name[0] == '.'; }
    bool System() const { return kind == EntryKind::kOther; }
};

class DirListing {
public:
    bool ok = false;
    int error = 0;        // errno when !ok
    uint64_t device = 0;  // of the folder itself, for loop detection
    uint64_t inode = 0;
    int64_t modified = 0;  // the folder's modification and change times when opened, in ns
    int64_t changed = 0;
    uint32_t mode = 0;  // the folder's type and rights, and its size, when opened
    int64_t size = 0;
    // Without "." and ".."; file-system order, but for entries left for later.
    std::vector<DirEntry> entries;

    // Adds the entries a read left for later (ListOptions::filesLater) to
    // entries, on any thread.
    void AddLaterEntries();
    // The entries, counting those left for later.
    size_t EntryCount() const { return entries.size() + later_; }

private:
    // Keeps a copy of a read's records, which the entries' names point
    // into: one block per read rather than a copy per name. A listing
    // moves; it is never copied.
    const char* KeepRecords(const char* records, size_t bytes, bool withLater);

    struct Records {
        std::unique_ptr<char[]> bytes;
        size_t size = 0;
        bool later = false;  // holds entries left for later
    };
    // Most folders take one read: its block needs no list of its own.
    Records first_;
    std::vector<Records> more_;
    size_t later_ = 0;

    friend class DirectoryReader;
};

struct ListOptions {
    // Stat every entry to learn its size (costs one call per entry).
    bool sizes = false;
    // Leave the folder open after reading, for Release().
    bool keepOpen = false;
    // Entries whose kind the folder gives and which are neither folders nor
    // links (files, FIFOs ...) wait in the records for AddLaterEntries: a
    // walk needs a folder's subfolders at once, its files only on the way
    // into a playlist, which another thread makes.
    bool filesLater = false;
};

// Reads the folder at path (relative paths against the current directory).
DirListing ListDirectory(const std::string& path, ListOptions options = {});

// The same in two steps, for a walk that must know which folder it has
// reached before it reports it: Open() fills ok/error/device/inode only,
// Read() then fills entries. The folder stays open in between. Open costs
// no more than opening the folder, so it also serves to check a folder
// whose entries are known already.
class DirectoryReader {
public:
    DirectoryReader() = default;
    ~DirectoryReader();
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    DirListing Open(const std::string& path);
    // The folder name inside the open folder dirFd: no path to resolve
    // again from the root. A link is followed only with followLink.
    DirListing OpenAt(int dirFd, const std::string& name, bool followLink);
    // Reads the entries of the folder opened last; closes it unless asked
    // to keep it open.
    void Read(DirListing& listing, ListOptions options = {});
    void Close();
    // The open folder's descriptor, now the caller's to close (-1: none).
    int Release();
    // The open folder's identity and times as they are now, into listing;
    // false when nothing is open or it cannot be asked.
    bool Restat(DirListing& listing) const;

    // True when the folder opened last lies on one of the kernel's own file
    // systems (proc, sysfs, devtmpfs, cgroup, debugfs ...), told by the file
    // system's type, not by the path: their trees describe the running
    // system, hold no media, and some of them never end.
    bool OnKernelFileSystem() const;

private:
    int fd_ = -1;
};

}  // namespace zorbex
