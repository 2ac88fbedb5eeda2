#include "platform/dir_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zorbex {
namespace {

EntryKind KindOf(mode_t mode) {
    if (S_ISREG(mode)) return EntryKind::kFile;
    if (S_ISDIR(mode)) return EntryKind::kDirectory;
    return EntryKind::kOther;
}

// "." and "..".
bool Dots(const char* n) { return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0')); }

// An entry whose kind the folder's own type gives in full, with no stat:
// what ListOptions::filesLater leaves for later.
bool KindFromTypeAlone(unsigned char type) { return type != DT_DIR && type != DT_LNK && type != DT_UNKNOWN; }

EntryKind KindOfType(unsigned char type) { return type == DT_REG ? EntryKind::kFile : EntryKind::kOther; }

int64_t Nanoseconds(const struct timespec& t) { return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; }

void FillFolder(DirListing& listing, const struct stat& st) {
    listing.device = static_cast<uint64_t>(st.st_dev);
    listing.inode = static_cast<uint64_t>(st.st_ino);
    listing.modified = Nanoseconds(st.st_mtim);
    listing.changed = Nanoseconds(st.st_ctim);
    listing.mode = st.st_mode;
    listing.size = st.st_size;
}

void FillFromStat(DirEntry& e, const struct stat& st) {
    e.kind = KindOf(st.st_mode);
    e.size = static_cast<uint64_t>(st.st_size);
    e.device = static_cast<uint64_t>(st.st_dev);
    e.inode = static_cast<uint64_t>(st.st_ino);
}

// The type the mount table gives the file system of device dev ("" when it
// cannot be read).
std::string MountedType(dev_t dev) {
    FILE* table = std::fopen("/proc/self/mountinfo", "re");
    if (!table) return "";
    std::string type;
    char line[4096];
    // "36 35 0:21 / /dev rw,nosuid shared:2 - devtmpfs udev rw,..."
    while (std::fgets(line, sizeof line, table)) {
        unsigned major = 0, minor = 0;
        if (std::sscanf(line, "%*s %*s %u:%u", &major, &minor) != 2) continue;
        if (makedev(major, minor) != dev) continue;
        const char* dash = std::strstr(line, " - ");
        if (!dash) continue;
        char name[64] = {};
        if (std::sscanf(dash + 3, "%63s", name) == 1) type = name;
        break;
    }
    std::fclose(table);
    return type;
}

}  // namespace

bool DirectoryReader::OnKernelFileSystem() const {
    if (fd_ < 0) return false;
    const int fd = fd_;
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case PROC_SUPER_MAGIC:
        case SYSFS_MAGIC:
        case DEVPTS_SUPER_MAGIC:
        case CGROUP_SUPER_MAGIC:
        case CGROUP2_SUPER_MAGIC:
        case SECURITYFS_MAGIC:
        case DEBUGFS_MAGIC:
        case TRACEFS_MAGIC:
        case PSTOREFS_MAGIC:
        case BPF_FS_MAGIC:
        case SELINUX_MAGIC:
        case SMACK_MAGIC:
        case BINFMTFS_MAGIC:
        case EFIVARFS_MAGIC:
        case NSFS_MAGIC:
        case USBDEVICE_SUPER_MAGIC:
        case 0x62656570:  // configfs
        case 0x65735543:  // fusectl
        case 0x19800202:  // mqueue
            return true;
        case TMPFS_MAGIC:
        case RAMFS_MAGIC: {
            // devtmpfs is a tmpfs to statfs; only the mount table tells it
            // from the /tmp kind.
            struct stat st {};
            return ::fstat(fd, &st) == 0 && MountedType(st.st_dev) == "devtmpfs";
        }
        default:
            return false;
    }
}

DirectoryReader::~DirectoryReader() { Close(); }

void DirectoryReader::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

DirListing DirectoryReader::Open(const std::string& path) { return OpenAt(AT_FDCWD, path.empty() ? "." : path, true); }

DirListing DirectoryReader::OpenAt(int dirFd, const std::string& name, bool followLink) {
    Close();
    DirListing listing;
    const int fd =
        ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        listing.error = errno;
        return listing;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        listing.error = errno;
        ::close(fd);
        return listing;
    }
    fd_ = fd;
    listing.ok = true;
    FillFolder(listing, st);
    return listing;
}

bool DirectoryReader::Restat(DirListing& listing) const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return false;
    FillFolder(listing, st);
    return true;
}

int DirectoryReader::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void DirectoryReader::Read(DirListing& listing, ListOptions options) {
    if (fd_ < 0) return;
    const int fd = fd_;
    // The kernel's records straight into a buffer of the thread's: no
    // directory stream to allocate and check per folder.
    alignas(struct dirent64) thread_local char buffer[32768];
    const bool later = options.filesLater && !options.sizes;
    ssize_t got;
    // At the end, or at an error, what was read stands.
    while ((got = ::getdents64(fd, buffer, sizeof buffer)) > 0) {
        const char* records = listing.KeepRecords(buffer, static_cast<size_t>(got), later);
        // Records are 24 bytes at least: room for all of them at once.
        if (!later) listing.entries.reserve(listing.entries.size() + static_cast<size_t>(got) / 24);
        for (ssize_t at = 0; at < got;) {
            const auto* d = reinterpret_cast<const struct dirent64*>(records + at);
            at += d->d_reclen;
            const char* n = d->d_name;
            if (Dots(n)) continue;
            if (later && KindFromTypeAlone(d->d_type)) {
                ++listing.later_;
                continue;
            }
            DirEntry& e = listing.entries.emplace_back();
            e.name = n;
            e.inode = static_cast<uint64_t>(d->d_ino);
            e.device = listing.device;
            // The kind from the folder itself when it is known and final;
            // links and file systems without types need a stat.
            bool needStat = options.sizes;
            switch (d->d_type) {
                case DT_DIR:
                    e.kind = EntryKind::kDirectory;
                    break;
                case DT_LNK:
                    e.symlink = true;
                    needStat = true;
                    break;
                case DT_UNKNOWN:
                    needStat = true;
                    break;
                default:
                    e.kind = KindOfType(d->d_type);
                    break;
            }
            if (needStat) {
                struct stat st {};
                if (::fstatat(fd, n, &st, 0) == 0) {
                    FillFromStat(e, st);
                } else if (d->d_type == DT_UNKNOWN && ::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                    // A dangling link on a file system without types.
                    e.symlink = S_ISLNK(st.st_mode);
                    e.kind = e.symlink ? EntryKind::kOther : KindOf(st.st_mode);
                } else if (d->d_type == DT_LNK) {
                    e.kind = EntryKind::kOther;  // dangling or looping link
                }
                if (d->d_type == DT_UNKNOWN && e.kind != EntryKind::kOther) {
                    struct stat lst {};
                    if (::fstatat(fd, n, &lst, AT_SYMLINK_NOFOLLOW) == 0) e.symlink = S_ISLNK(lst.st_mode);
                }
            }
        }
    }
    if (!options.keepOpen) Close();
}

const char* DirListing::KeepRecords(const char* records, size_t bytes, bool withLater) {
    Records& kept = !first_.bytes ? first_ : more_.emplace_back();
    // new[] aligns the block for the records' own fields.
    kept.bytes = std::make_unique_for_overwrite<char[]>(bytes);
    kept.size = bytes;
    kept.later = withLater;
    std::copy(records, records + bytes, kept.bytes.get());
    return kept.bytes.get();
}

void DirListing::AddLaterEntries() {
    entries.reserve(entries.size() + later_);
    const auto add = [this](Records& block) {
        if (!block.later) return;
        block.later = false;
        for (size_t at = 0; at < block.size;) {
            const auto* d = reinterpret_cast<const struct dirent64*>(block.bytes.get() + at);
            at += d->d_reclen;
            // What the read made at once is there already.
            if (Dots(d->d_name) || !KindFromTypeAlone(d->d_type)) continue;
            DirEntry& e = entries.emplace_back();
            e.name = d->d_name;
            e.kind = KindOfType(d->d_type);
            e.inode = static_cast<uint64_t>(d->d_ino);
            e.device = device;
        }
    };
    add(first_);
    for (Records& block : more_) add(block);
    later_ = 0;
}

DirListing ListDirectory(const std::string& path, ListOptions options) {
    DirectoryReader reader;
    DirListing listing = reader.Open(path);
    if (listing.ok) reader.Read(listing, options);
    return listing;
}

}  // namespace zorbex
