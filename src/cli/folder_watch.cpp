#include "cli/folder_watch.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <tuple>
#include <unordered_set>

#include "platform/named_temporaries.h"
#include "platform/path_parts.h"

namespace zorbex {
namespace {

// Names coming and going, and rights or attributes changing (a folder made
// unreadable, say). Writes into a file matter only to the settings file,
// which an editor may rewrite in place.
constexpr uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF |
                             IN_MOVE_SELF | IN_CLOSE_WRITE | IN_ONLYDIR | IN_EXCL_UNLINK;

// The folder above path ("/a/b/" or "/a/b" gives "/a/"); "/" stays "/".
std::string Parent(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && path[end - 1] == kPathSeparator) --end;
    const size_t slash = path.rfind(kPathSeparator, end - 1);
    return slash == std::string::npos || slash == 0 ? kRootPath : path.substr(0, slash + 1);
}

// A file written without a name yet (O_TMPFILE) has its rights set under
// the kernel's stand-in name "#" and its inode number; the name it gets
// later is an event of its own.
bool UnnamedFile(const std::string& name) {
    return name.size() > 1 && name[0] == '#' &&
           std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool NamedByLink(const std::string& folder) {
    const std::string path = WithoutTrailingSeparators(folder);
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

bool FolderWatch::OwnFileId::operator<(const OwnFileId& o) const {
    return std::tie(device, inode, name) < std::tie(o.device, o.inode, o.name);
}

FolderWatch::FolderWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "inotify");
}

FolderWatch::~FolderWatch() { ::close(fd_); }

bool FolderWatch::Link(const std::string& path, int n) {
    // Asked every time, even for a folder already watched: the same path may
    // now be another folder (removed and made again), whose watch is new.
    const int wd = ::inotify_add_watch(fd_, path.c_str(), kEvents);
    if (wd < 0) return false;
    auto [it, added] = folders_.try_emplace(path);
    Folder& folder = it->second;
    if (!added && folder.wd != wd) DropPath(it->first, folder.wd);
    if (added || folder.wd != wd) {
        folder.wd = wd;
        Watch& watch = watches_[wd];
        if (watch.paths.empty()) {
            struct stat st {};
            if (::stat(path.c_str(), &st) == 0) {
                watch.device = st.st_dev;
                watch.inode = st.st_ino;
            }
        }
        watch.paths.push_back(&it->first);
    }
    auto& defs = folder.definitions;
    const auto at = std::lower_bound(defs.begin(), defs.end(), n);
    if (at == defs.end() || *at != n) defs.insert(at, n);
    return true;
}

// Takes path off watch wd, and ends the watch when no path is left on it.
void FolderWatch::DropPath(const std::string& path, int wd) {
    const auto it = watches_.find(wd);
    if (it == watches_.end()) return;
    auto& paths = it->second.paths;
    paths.erase(std::remove(paths.begin(), paths.end(), &path), paths.end());
    if (paths.empty()) {
        ::inotify_rm_watch(fd_, wd);
        watches_.erase(it);
    }
}

void FolderWatch::Unlink(const std::string& path, int n) {
    const auto it = folders_.find(path);
    if (it == folders_.end()) return;
    auto& defs = it->second.definitions;
    defs.erase(std::remove(defs.begin(), defs.end(), n), defs.end());
    if (!defs.empty()) return;
    DropPath(it->first, it->second.wd);
    folders_.erase(it);
}

void FolderWatch::ForgetWatch(int wd) {
    const auto it = watches_.find(wd);
    if (it == watches_.end()) return;
    for (const std::string* path : it->second.paths) folders_.erase(*path);
    watches_.erase(it);
}

bool FolderWatch::SetFolders(int n, const std::vector<std::string>& folders) {
    Begin(n);
    for (const std::string& folder : folders) Visited(folder);
    return End();
}

void FolderWatch::Begin(int n) {
    if (feeding_ != 0) End();
    feeding_ = n;
    fed_.clear();
    fedAny_ = false;
    fedComplete_ = true;
}

void FolderWatch::Visited(const std::string& folder) {
    if (feeding_ == 0) return;
    const bool first = !fedAny_;
    fedAny_ = true;
    if (Link(folder, feeding_)) {
        fed_.insert(folder);
        // The folder a definition names may be a link: the watch is on its
        // target, so the link pointed elsewhere or removed is seen only in
        // the folder that holds it.
        if (first && NamedByLink(folder)) {
            if (Link(Parent(folder), feeding_)) {
                fed_.insert(Parent(folder));
            } else if (errno == ENOSPC) {
                fedComplete_ = false;
            }
        }
        return;
    }
    if (errno == ENOSPC) {
        fedComplete_ = false;
        return;
    }
    // A folder below that could not be watched is gone or closed to us:
    // its parent, watched already, sees it come back. The folder the
    // definition names has no such parent in the set.
    if (!first) return;
    for (std::string up = Parent(folder);; up = Parent(up)) {
        if (Link(up, feeding_)) {
            fed_.insert(up);
            return;
        }
        if (errno == ENOSPC) fedComplete_ = false;
        if (errno == ENOSPC || up == kRootPath) return;
    }
}

bool FolderWatch::End() {
    const int n = feeding_;
    if (n == 0) return true;
    feeding_ = 0;
    std::vector<std::string> gone;
    for (const auto& [path, folder] : folders_) {
        if (std::binary_search(folder.definitions.begin(), folder.definitions.end(), n) && !fed_.count(path))
            gone.push_back(path);
    }
    for (const std::string& path : gone) Unlink(path, n);
    fed_.clear();
    return fedComplete_;
}

bool FolderWatch::WatchSettings(const std::string& settingsPath) {
    std::vector<std::string> gone;
    for (const auto& [path, folder] : folders_) {
        if (std::binary_search(folder.definitions.begin(), folder.definitions.end(), 0)) gone.push_back(path);
    }
    for (const std::string& path : gone) Unlink(path, 0);
    settingsName_ = std::string(FileNamePart(settingsPath));
    return Link(FolderPart(settingsPath), 0);
}

void FolderWatch::SetOwnFiles(const std::vector<std::string>& paths) {
    ownFiles_.clear();
    for (const std::string& path : paths) {
        const std::string name(FileNamePart(path));
        struct stat st {};
        if (name.empty() || ::stat(FolderPart(path).c_str(), &st) != 0) continue;
        ownFiles_.insert(OwnFileId{st.st_dev, st.st_ino, name});
    }
}

bool FolderWatch::OwnFile(const Watch& w, const std::string& name) const {
    if (ownFiles_.empty()) return false;
    if (ownFiles_.count(OwnFileId{w.device, w.inode, name})) return true;
    // A temporary of this process's replacement of one of its files here.
    if (TemporaryOwner(name) != ::getpid()) return false;
    const auto here = ownFiles_.lower_bound(OwnFileId{w.device, w.inode, std::string()});
    return here != ownFiles_.end() && here->device == w.device && here->inode == w.inode;
}

FolderWatch::Changes FolderWatch::Read() {
    Changes changes;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) continue;
            break;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            if (e->mask & IN_Q_OVERFLOW) {
                // Events were lost: only a full run knows what changed.
                changes.settings = true;
                continue;
            }
            const auto it = watches_.find(e->wd);
            if (it == watches_.end()) continue;
            const std::string name = e->len ? std::string(e->name) : std::string();
            if (!name.empty() && OwnFile(it->second, name)) continue;
            if ((e->mask & IN_ATTRIB) && UnnamedFile(name)) continue;
            for (const std::string* path : it->second.paths) {
                for (int n : folders_.at(*path).definitions) {
                    if (n == 0) {
                        if (!name.empty() && name == settingsName_) changes.settings = true;
                    } else if (e->mask != IN_CLOSE_WRITE) {
                        changes.definitions.insert(n);
                    }
                }
            }
            // The folder is gone (or its file system unmounted): the next
            // walk watches whatever stands there now.
            if (e->mask & IN_IGNORED) ForgetWatch(e->wd);
        }
    }
    return changes;
}

}  // namespace zorbex
