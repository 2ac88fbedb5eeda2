#include "platform/path_walk.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string_view>
#include <vector>

#include "platform/path_parts.h"

namespace zorbex {
namespace {

constexpr int kMaxLinks = 40;  // as many as the kernel follows in one path

bool Dots(std::string_view part) { return part == "." || part == ".."; }

// The kernel's "protected symlinks" rule: in a sticky, world-writable folder
// a link is followed only when it is ours or the folder owner's.
bool ForeignLink(const struct stat& folder, const struct stat& link) {
    constexpr mode_t kShared = S_ISVTX | S_IWOTH;
    if ((folder.st_mode & kShared) != kShared) return false;
    return link.st_uid != ::geteuid() && link.st_uid != folder.st_uid;
}

class Walk {
public:
    // Walks path to its final name; the result says where, or why not.
    WriteLocation Run(const std::string& path) {
        if (path.empty()) return Failed(ENOENT);
        if (path.size() >= PATH_MAX) return Failed(ENAMETOOLONG);
        dir_.Reset(::open(IsAbsolutePath(path) ? kRootPath : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!dir_.valid()) return Failed(errno);
        Push(path);
        while (!pending_.empty()) {
            std::string name = std::move(pending_.back());
            pending_.pop_back();
            if (name == ".") continue;
            const int err = pending_.empty() && !endsInFolder_ ? Last(name) : Folder(name);
            if (err != 0) return Failed(err);
            if (at_.foreignLink || at_.folder.valid()) return std::move(at_);
        }
        return Failed(EISDIR);  // the path's end names a folder
    }

private:
    WriteLocation Failed(int err) {
        at_.error = err;
        return std::move(at_);
    }

    // Puts the components of text in front of those still to walk.
    void Push(std::string_view text) {
        const std::vector<std::string_view> parts = PathNames(text);
        // A link that stands last takes the place of the end: its text may name a folder too.
        if (pending_.empty())
            endsInFolder_ = endsInFolder_ || text.back() == kPathSeparator || parts.empty() || Dots(parts.back());
        for (auto it = parts.rbegin(); it != parts.rend(); ++it) pending_.emplace_back(*it);
    }

    // Steps into the folder name (following it when it is a link).
    int Folder(const std::string& name) {
        // O_DIRECTORY also mounts an automounted folder on the way.
        const int fd = ::openat(dir_.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            dir_.Reset(fd);
            return 0;
        }
        if (errno != ENOTDIR && errno != ELOOP) return errno;
        UniqueFd entry(::openat(dir_.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (!entry.valid() || ::fstat(entry.get(), &st) != 0) return errno;
        if (S_ISLNK(st.st_mode)) return Follow(entry.get(), st);
        if (!S_ISDIR(st.st_mode)) return ENOTDIR;
        dir_ = std::move(entry);  // a folder again by now
        return 0;
    }

    // The final name: a link is followed, anything else (or nothing) is the target.
    int Last(const std::string& name) {
        UniqueFd entry(::openat(dir_.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (!entry.valid()) {
            if (errno != ENOENT) return errno;
        } else if (::fstat(entry.get(), &st) != 0) {
            // A name a network or FUSE mount still had in its cache, gone
            // behind it: nothing stands there.
            if (errno != ENOENT && errno != ESTALE) return errno;
            entry.Reset();
            st = {};
        } else if (S_ISLNK(st.st_mode)) {
            return Follow(entry.get(), st);
        }
        at_.folder = std::move(dir_);
        at_.name = name;
        at_.file = std::move(entry);
        at_.st = st;
        return 0;
    }

    // Reads the link through its own descriptor (so the text is that of the
    // link that was checked) and goes on with its components.
    int Follow(int link, const struct stat& linkStat) {
        struct stat folder {};
        if (::fstat(dir_.get(), &folder) != 0) return errno;
        if (ForeignLink(folder, linkStat)) {
            at_.foreignLink = true;
            return 0;
        }
        if (++links_ > kMaxLinks) return ELOOP;
        char text[PATH_MAX];
        const ssize_t n = ::readlinkat(link, "", text, sizeof text);
        if (n < 0) return errno;
        if (n == 0) return ENOENT;
        if (n >= static_cast<ssize_t>(sizeof text)) return ENAMETOOLONG;
        if (text[0] == kPathSeparator) {
            dir_.Reset(::open(kRootPath, O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (!dir_.valid()) return errno;
        }
        Push(std::string_view(text, static_cast<size_t>(n)));
        return 0;
    }

    WriteLocation at_;
    UniqueFd dir_;                      // where the walk stands
    std::vector<std::string> pending_;  // the components still to walk, the next one last
    bool endsInFolder_ = false;         // the last of them names a folder
    int links_ = 0;
};

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return IdentityOf(st);
}

WriteLocation LocateForWriting(const std::string& path) { return Walk().Run(path); }

int OpenTargetFolder(const std::string& path) {
    const WriteLocation at = LocateForWriting(path);
    if (!at.folder.valid()) return -1;
    return ::openat(at.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int ReopenTarget(const WriteLocation& location, int flags) {
    // The descriptor's own entry in /proc opens the very file it holds.
    const std::string own = ProcFdPath(location.file.get());
    int fd = ::open(own.c_str(), flags | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0 || errno != ENOENT) return fd;
    // No /proc: by name, and only while the name still holds that file.
    fd = ::openat(location.folder.get(), location.name.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat now {};
    if (::fstat(fd, &now) != 0 || IdentityOf(now) != IdentityOf(location.st)) {
        ::close(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

}  // namespace zorbex
