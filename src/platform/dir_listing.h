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
    std::vector<DirEntry> entries;  // without "." and ".."; file-system order

    // Keeps name among the listing's names: a few blocks per listing rather
    // than an allocation per name. A listing moves; it is never copied.
    std::string_view KeepName(std::string_view name);
    // The names to keep next take at most bytes: a block of that size will do.
    void ExpectNames(size_t bytes) { expected_ = bytes; }

private:
    std::vector<std::unique_ptr<char[]>> nameBlocks_;
    size_t blockUsed_ = 0;
    size_t blockSize_ = 0;
    size_t expected_ = 0;
};

struct ListOptions {
    // Stat every entry to learn its size (costs one call per entry).
    bool sizes = false;
    // Leave the folder open after reading, for Release().
    bool keepOpen = false;
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
