#include "cli/folder_state.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

namespace zorbex {
namespace {

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// FNV-1a of one name and its kind; the folder's digest is their sum, so the
// order the file system lists them in does not count.
uint64_t EntryHash(std::string_view name, unsigned char kind) {
    uint64_t h = 1469598103934665603ull;
    for (const char c : name) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return (h ^ kind) * 1099511628211ull;
}

}  // namespace

bool PathState::SameIdentity(const PathState& o) const {
    return exists == o.exists && device == o.device && inode == o.inode && mode == o.mode;
}

bool PathState::SameState(const PathState& o) const {
    return SameIdentity(o) && SameTime(modified, o.modified) && SameTime(changed, o.changed) && size == o.size;
}

PathState StateOf(const std::string& path) {
    PathState s;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.mode = st.st_mode;
    s.modified = st.st_mtim;
    s.changed = st.st_ctim;
    s.size = st.st_size;
    return s;
}

PathState StateOf(const DirListing& opened) {
    PathState s;
    s.exists = opened.ok;
    s.device = static_cast<dev_t>(opened.device);
    s.inode = static_cast<ino_t>(opened.inode);
    s.mode = static_cast<mode_t>(opened.mode);
    s.modified = {static_cast<time_t>(opened.modified / 1'000'000'000),
                  static_cast<long>(opened.modified % 1'000'000'000)};
    s.changed = {static_cast<time_t>(opened.changed / 1'000'000'000),
                 static_cast<long>(opened.changed % 1'000'000'000)};
    s.size = static_cast<off_t>(opened.size);
    return s;
}

bool RecentlyChanged(const PathState& state) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return RecentlyChanged(state, now);
}

bool RecentlyChanged(const PathState& state, const timespec& now) {
    const time_t newest = std::max(state.modified.tv_sec, state.changed.tv_sec);
    return newest + 2 >= now.tv_sec;
}

FolderNames ReadFolderNames(const std::string& folder, const std::function<bool(const std::string&)>& skip) {
    FolderNames names;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return names;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return names;
    }
    names.ok = true;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name(e->d_name);
        if (name == "." || name == "..") continue;
        unsigned char kind = e->d_type;
        if (kind == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) kind = IFTODT(st.st_mode);
        }
        if (skip && skip(std::string(name))) continue;
        names.digest += EntryHash(name, kind);
        bool folder = kind == DT_DIR;
        if (kind == DT_LNK) {
            struct stat st {};
            folder = ::fstatat(fd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
            if (!folder) names.fileLinks.emplace_back(name);
        }
        if (folder && name[0] != '.') names.subfolders.emplace_back(name);
    }
    ::closedir(dir);
    if (names.digest == 0) names.digest = 1;  // an empty folder is not an unreadable one
    return names;
}

}  // namespace zorbex
