#include "platform/dir_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zorbex {
namespace {

EntryKind KindOf(mode_t mode) {
    if (S_ISREG(mode)) return EntryKind::kFile;
    if (S_ISDIR(mode)) return EntryKind::kDirectory;
    return EntryKind::kOther;
}

void FillFromStat(DirEntry& e, const struct stat& st) {
    e.kind = KindOf(st.st_mode);
    e.size = static_cast<uint64_t>(st.st_size);
    e.device = static_cast<uint64_t>(st.st_dev);
    e.inode = static_cast<uint64_t>(st.st_ino);
}

}  // namespace

DirectoryReader::~DirectoryReader() { Close(); }

void DirectoryReader::Close() {
    if (dir_) ::closedir(static_cast<DIR*>(dir_));
    dir_ = nullptr;
}

DirListing DirectoryReader::Open(const std::string& path) {
    Close();
    DirListing listing;
    const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
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
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        listing.error = errno;
        ::close(fd);
        return listing;
    }
    dir_ = dir;
    listing.ok = true;
    listing.device = static_cast<uint64_t>(st.st_dev);
    listing.inode = static_cast<uint64_t>(st.st_ino);
    return listing;
}

void DirectoryReader::Read(DirListing& listing, ListOptions options) {
    DIR* dir = static_cast<DIR*>(dir_);
    if (!dir) return;
    const int fd = ::dirfd(dir);
    errno = 0;
    while (const dirent* d = ::readdir(dir)) {
        const char* n = d->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
        DirEntry& e = listing.entries.emplace_back();
        e.name = n;
        e.inode = static_cast<uint64_t>(d->d_ino);
        e.device = listing.device;
        // The kind from the folder itself when it is known and final; links
        // and file systems without types need a stat.
        bool needStat = options.sizes;
        switch (d->d_type) {
            case DT_REG: e.kind = EntryKind::kFile; break;
            case DT_DIR: e.kind = EntryKind::kDirectory; break;
            case DT_LNK: e.symlink = true; needStat = true; break;
            case DT_UNKNOWN: needStat = true; break;
            default: e.kind = EntryKind::kOther; break;
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
        errno = 0;
    }
    Close();
}

DirListing ListDirectory(const std::string& path, ListOptions options) {
    DirectoryReader reader;
    DirListing listing = reader.Open(path);
    if (listing.ok) reader.Read(listing, options);
    return listing;
}

}  // namespace zorbex
