#pragma once
// The kernel side of the watch: inotify watches on the folders each
// playlist definition's walk visited and on the settings file's folder,
// and the events read back as "definition n changed" or "the settings
// changed". Only changes of names count (a file added, removed, renamed, a
// folder's rights or attributes changed): a file's content is nothing to a
// playlist. Events on the program's own output files and their temporaries
// are not changes, or every write would call for another rebuild.
#include <sys/types.h>

#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace zorbex {

class FolderWatch {
public:
    // Throws std::system_error when the kernel gives no inotify instance.
    FolderWatch();
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Readable when events wait; non-blocking.
    int Descriptor() const { return fd_; }

    // Playlist definition n is watched in exactly these folders (absolute,
    // as its walk visited them) from now on; folders it no longer visits are
    // forgotten. When the first folder (the one the definition names) cannot
    // be watched, missing say, its nearest existing ancestor is watched
    // instead, so that its return is seen. False when the kernel's limit on
    // watches left some folder unwatched.
    bool SetFolders(int n, const std::vector<std::string>& folders);
    // The same, fed by the walk as it goes: each folder is watched the
    // moment it is visited, before it is read, so that nothing done to it
    // after the read goes unseen. Begin starts definition n's new set, End
    // forgets the folders it did not visit and gives what SetFolders gives.
    void Begin(int n);
    void Visited(const std::string& folder);
    bool End();
    // The file whose changes are reported as settings changes.
    // False with errno when its folder cannot be watched.
    bool WatchSettings(const std::string& settingsPath);
    // Files the program writes itself (resolved output paths); events on
    // them and on their temporaries in a watched folder are no change.
    void SetOwnFiles(const std::vector<std::string>& paths);

    struct Changes {
        std::set<int> definitions;
        bool settings = false;  // also set when the kernel dropped events
    };
    // Every event waiting, read without blocking.
    Changes Read();

    size_t WatchCount() const { return watches_.size(); }
    // Watched folder paths (several may share one watch: links).
    size_t FolderCount() const { return folders_.size(); }

private:
    struct Folder {
        int wd = -1;
        std::vector<int> definitions;  // ascending
    };
    struct Watch {
        dev_t device = 0;
        ino_t inode = 0;
        std::vector<const std::string*> paths;  // keys of folders_
    };

    // Watches path for definition n (0: the settings); false with errno.
    bool Link(const std::string& path, int n);
    void Unlink(const std::string& path, int n);
    void DropPath(const std::string& path, int wd);
    void ForgetWatch(int wd);
    bool OwnFile(const Watch& w, const std::string& name) const;

    int fd_ = -1;
    std::unordered_map<std::string, Folder> folders_;
    std::unordered_map<int, Watch> watches_;
    std::string settingsName_;
    // The set being fed: its definition (0: none), folders, whether complete.
    int feeding_ = 0;
    std::unordered_set<std::string> fed_;
    bool fedAny_ = false;  // a folder was offered, watched or not
    bool fedComplete_ = true;
    struct OwnFileId {
        dev_t device;
        ino_t inode;  // of the folder
        std::string name;
        bool operator<(const OwnFileId& o) const;
    };
    std::set<OwnFileId> ownFiles_;
};

}  // namespace zorbex
