#pragma once
// What the watch follows, and how it learns of changes: inotify watches on
// the folders each playlist definition's walk visited, on every folder from
// the root down to each definition's folder and to the settings file (and
// through links to their targets), on the folders of the file links the
// walks met and on the program's own outputs' folders; read back as
// "definition n changed" or "the settings changed". Folders the kernel
// cannot watch for us (file systems without events for changes made
// elsewhere, folders over the watch limit, everything when no inotify
// instance is to be had) are checked instead: their identity and change
// times, and their names where those moved. Only changes of names count (a
// file added, removed, renamed, rights changed): a file's content is
// nothing to a playlist. The program's own writes are no change; another
// program's change of an output is.
#include <sys/types.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "cli/folder_state.h"
#include "cli/watch_armer.h"
#include "platform/dir_listing.h"

namespace zorbex {

class FolderWatch {
public:
    // What changed: playlist definitions, the settings.
    struct Changes {
        std::set<int> definitions;
        bool settings = false;  // also set when the kernel dropped events
    };

    // Never fails: without an inotify instance everything is checked.
    FolderWatch();
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Readable when events wait; non-blocking; -1 without an instance.
    int Descriptor() const { return fd_; }
    // Why there is no instance (errno), or 0.
    int InstanceError() const { return instanceError_; }

    // Playlist definition n depends on exactly these folders (absolute, as
    // its walk visited them, the first the one it names) from now on, and
    // on the path down to that first one; what it no longer visits is
    // forgotten. False when the kernel's limit on watches left some folder
    // to be checked instead.
    bool SetFolders(int n, const std::vector<std::string>& folders);
    // The same, fed by the walk as it goes: each folder is watched the
    // moment it is visited, before it is read, so that nothing done to it
    // after the read goes unseen; or, when the walk opened it and its times
    // prove it, on a thread of its own after the read, and asked again once
    // watched (a change in between is told by ReadPending). Begin starts
    // definition n's new set, End forgets what it did not visit and gives
    // what SetFolders gives. Only the kernel is asked during the walk; what
    // the watch notes of it is noted by the next call of any other kind
    // (events meanwhile wait in the kernel), so that the playlists are not
    // held up by it.
    void Begin(int n);
    // opened: the folder as the walk opened it (ok false: as it failed to).
    void Visited(const std::string& folder, const DirListing* opened = nullptr);
    bool End();
    // Reads the folders armed since the last call, to learn their names and
    // the links in them (a walk's visit only sets the watch); changes adds
    // the definitions whose link targets changed since their walk, and
    // those with a folder that changed between its read and its watch. Asks stop
    // every few hundred folders; false when it said yes.
    bool ReadPending(Changes& changes, const std::function<bool()>& stop = {});
    // Whether definition n walks subfolders: then a folder made in one of
    // its folders is watched at once, with everything in it, so that files
    // copied into it keep its rebuild waiting (default: yes).
    void SetSubfolders(int n, bool subfolders) { flat_[n] = !subfolders; }

    // The file whose changes are settings changes, followed through links
    // and through its folders coming back; armed again after every change.
    void WatchSettings(const std::string& settingsPath);

    // The program's own outputs (resolved paths), each with the playlist
    // definitions whose rebuild writes it again (none: a full run does).
    // Its own replacements of them are no change; anyone else's are.
    struct OwnFile {
        std::string path;
        std::vector<int> definitions;
        int playlist = 0;     // the playlist definition it is the output of; 0: a union's
        int unionNumber = 0;  // the union it is the output of; 0: a playlist's
    };
    // Each file is taken as it stands now, but for the outputs of playlist
    // definitions left out of rebuilt (when given): another program may
    // have changed them during the run, and must still be answered.
    void SetOwnFiles(const std::vector<OwnFile>& files, const std::vector<int>* rebuilt = nullptr);

    // Every event waiting, read without blocking.
    Changes Read();
    // Looks at what the kernel does not report (everything: at all).
    Changes Check(bool everything);

    // Some folder or file is followed by checks only.
    bool Polling();
    size_t WatchCount() {
        Settle();
        return watches_.size();
    }
    // The watches held when the kernel first refused one for its limit; 0: never.
    size_t LimitCount() const { return limitCount_; }

private:
    // Who depends on a folder: definition n (kSettings, kOutputs, or a
    // playlist), for every name in it (name empty: a walked folder) or one.
    struct Interest {
        int n;
        std::string name;
        // The feeding it was last armed in (Begin counts them); not part of its order.
        mutable uint64_t round = 0;
        // By name first: a folder's walked interests come first, then each name's.
        bool operator<(const Interest& o) const { return std::tie(name, n) < std::tie(o.name, o.n); }
    };
    struct Folder {
        int wd = -1;
        bool polled = false;  // checked, watched or not
        PathState state;      // walked folders: at the visit or the last check
        uint64_t digest = 0;  // of its names then; 0: not read yet
        bool unsettled = false;
        std::set<Interest> interests;
        std::map<std::string, PathState> names;  // the names single interests follow
        bool Walked() const { return !interests.empty() && interests.begin()->name.empty(); }
        // The interests in one name (empty: the walked ones).
        std::pair<std::set<Interest>::const_iterator, std::set<Interest>::const_iterator> In(
            const std::string& name) const;
    };
    struct Watch {
        dev_t device = 0;
        ino_t inode = 0;
        std::vector<const std::string*> paths;  // keys of folders_
    };
    struct OwnFileState {
        std::string path;
        std::vector<int> definitions;
        PathState state;  // as last written or kept
    };
    using OwnFileId = std::tuple<dev_t, ino_t, std::string>;  // folder's device, inode; name

    // What arming a folder learned from the kernel and the file system;
    // Begin and End of a set are steps too. Noting it in the maps is left
    // for later while a walk feeds the watch.
    struct Step {
        enum class Kind : uint8_t { kBegin, kArm, kEnd };
        Kind kind = Kind::kArm;
        bool polled = false;
        bool unsettled = false;
        bool pending = false;  // to be read once the run is over
        bool later = false;    // armed by armer_: wd and polled come from its results
        int wd = -1;
        Interest interest;                 // kBegin, kEnd: its n alone
        size_t keyAt = 0, keySize = 0;     // the folder's path, in its block's keys
        PathState state;                   // the folder's
        std::unique_ptr<PathState> named;  // the name's, for a single name
        timespec armed{};
    };

    // Follows path (an existing folder) for interest; false when it is not
    // one. Walked folders that are checked are read at once, to learn their
    // links and digest (into names when given).
    bool Arm(const std::string& path, const Interest& interest, uint32_t extraEvents = 0, FolderNames* names = nullptr,
             const PathState* known = nullptr);
    Folder& Note(Step&& step, const std::string& key);
    // Folds the armer's results in: waits until it has armed all it was given.
    void TakeArmed();
    // A folder of the walk for the armer, when its times allow; false: arm it now.
    bool ArmLater(const std::string& folder, const PathState& opened);
    // Leaves a step for later, with its path; Mark: the Begin or End of n's set.
    void Queue(Step&& step, std::string_view key = {});
    void Mark(Step::Kind kind, int n);
    // Notes every step left for later, in order.
    void Settle();
    // Forgets what n did not arm in the round just noted.
    void Forget(int n);
    // Every folder from the root down to path, each for the next name on
    // the way, as written and as the links resolve; stops where the way is cut.
    void ArmWay(const std::string& path, int n, uint32_t lastEvents = 0);
    // True when since is given and a target's folder changed at or after it.
    bool ArmLinkTargets(const std::string& folder, const std::vector<std::string>& links, int n,
                        const timespec* since = nullptr);
    void WatchNewTree(const std::string& folder, int n);
    void Unlink(const std::string& key, const Interest& interest);
    void DropAll(int n);
    void DropPath(const std::string& path, int wd);
    void Unwatch(int wd);
    void Lost(int wd);
    const OwnFileState* OwnFileIn(dev_t device, ino_t inode, const std::string& name) const;
    bool OwnName(dev_t device, ino_t inode, const std::string& name) const;
    // The folder's names (state: its identity), the program's own left out.
    FolderNames NamesOf(const std::string& folder, const PathState& state) const;
    void Tell(const Interest& interest, Changes& changes) const;
    bool Remote(dev_t device, const std::string& folder);

    int fd_ = -1;
    int instanceError_ = 0;
    std::unique_ptr<WatchArmer> armer_;
    std::vector<WatchArmer::Result> armed_;  // in the order of the steps armed later
    size_t armedNoted_ = 0;
    std::set<int> unseen_;  // definitions with a folder changed between its read and its watch
    size_t limitCount_ = 0;
    std::unordered_map<std::string, Folder> folders_;
    std::unordered_map<int, Watch> watches_;
    std::unordered_map<dev_t, bool> remote_;
    std::unordered_map<int, bool> flat_;
    // The set being fed: its definition (0: none), whether complete.
    int feeding_ = 0;
    bool fedAny_ = false;
    bool fedComplete_ = true;
    // The steps not noted yet, in blocks that are never moved as a walk's
    // tens of thousands come, each with its steps' paths one after another.
    struct StepBlock {
        std::vector<Step> steps;
        std::string keys;
    };
    std::vector<StepBlock> steps_;
    // The set being noted: its definition (0: none) and round.
    int noting_ = 0;
    uint64_t round_ = 0;
    size_t armedThisRound_ = 0;          // distinct interests of noting_ armed in its round
    std::map<int, size_t> interestsOf_;  // interests held, by definition
    // While settling, watches whose last path went: a later step may have
    // been given the same watch (the same folder by another path).
    bool settling_ = false;
    std::vector<int> unwatched_;
    std::map<OwnFileId, OwnFileState> ownFiles_;
    // The folders ownFiles_ lie in: most names read are in none of them.
    std::set<std::pair<dev_t, ino_t>> ownFolders_;
    std::set<std::string> ownFolderPaths_;  // the same, as the outputs' paths name them
    // Asked once: every name read is compared with it.
    const pid_t self_;
    std::vector<std::pair<std::string, timespec>> pending_;  // folders armed, not read yet; when
};

}  // namespace zorbex
