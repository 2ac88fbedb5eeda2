#include "cli/folder_watch.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

#include "platform/file_system_kind.h"
#include "platform/named_temporaries.h"
#include "platform/path_parts.h"

namespace zorbex {
namespace {

constexpr int kSettings = 0;
constexpr int kOutputs = -1;

// Names coming and going, and rights or attributes changing (a folder made
// unreadable, say). Writes into a file matter only to the settings file,
// which an editor may rewrite in place, and to the outputs, which another
// program may empty: their folders add IN_CLOSE_WRITE. Masks only grow.
constexpr uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF |
                             IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK | IN_MASK_ADD;

// A file written without a name yet (O_TMPFILE) has its rights set under
// the kernel's stand-in name "#" and its inode number; the name it gets
// later is an event of its own.
bool UnnamedFile(const std::string& name) {
    return name.size() > 1 && name[0] == '#' &&
           std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Where the link at path leads, as an absolute path; empty when it is no link.
std::string LinkTarget(const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t got = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (got <= 0 || got == static_cast<ssize_t>(sizeof buffer)) return {};
    std::string target(buffer, static_cast<size_t>(got));
    if (!IsAbsolutePath(target)) target = WithTrailingSeparator(FolderPart(path)) + target;
    return NormalisedPath(target);
}

}  // namespace

std::pair<std::set<FolderWatch::Interest>::const_iterator, std::set<FolderWatch::Interest>::const_iterator>
FolderWatch::Folder::In(const std::string& name) const {
    return {interests.lower_bound(Interest{INT_MIN, name}), interests.upper_bound(Interest{INT_MAX, name})};
}

FolderWatch::FolderWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), self_(::getpid()) {
    if (fd_ < 0) {
        instanceError_ = errno;
    } else {
        armer_ = std::make_unique<WatchArmer>(fd_, kEvents);
    }
}

FolderWatch::~FolderWatch() {
    armer_.reset();  // its thread uses the instance
    if (fd_ >= 0) ::close(fd_);
}

bool FolderWatch::Remote(dev_t device, const std::string& folder) {
    const auto [it, added] = remote_.try_emplace(device, false);
    if (added) it->second = WithoutRemoteEvents(folder);
    return it->second;
}

bool FolderWatch::OwnName(dev_t device, ino_t inode, const std::string& name) const {
    return (ownFolders_.count({device, inode}) && ownFiles_.count(OwnFileId{device, inode, name})) ||
           TemporaryOwner(name) == self_;
}

FolderNames FolderWatch::NamesOf(const std::string& folder, const PathState& state) const {
    return ReadFolderNames(folder, [&](const std::string& name) { return OwnName(state.device, state.inode, name); });
}

const FolderWatch::OwnFileState* FolderWatch::OwnFileIn(dev_t device, ino_t inode, const std::string& name) const {
    const auto it = ownFiles_.find(OwnFileId{device, inode, name});
    return it == ownFiles_.end() ? nullptr : &it->second;
}

bool FolderWatch::Arm(const std::string& path, const Interest& interest, uint32_t extraEvents, FolderNames* names,
                      const PathState* known) {
    // The walk's folders end with a separator already: no copy for them.
    std::string copy;
    const std::string& key = !path.empty() && path.back() == kPathSeparator ? path : copy = WithTrailingSeparator(path);
    Step step;
    step.interest = interest;
    step.state = known ? *known : StateOf(key);
    if (!step.state.exists || !S_ISDIR(step.state.mode)) return false;
    // Asked every time, even for a folder already watched: the same path may
    // now be another folder (removed and made again), whose watch is new.
    if (fd_ >= 0) {
        step.wd = ::inotify_add_watch(fd_, key.c_str(), kEvents | extraEvents);
        if (step.wd < 0 && errno == ENOSPC) {
            if (limitCount_ == 0) {
                Settle();
                limitCount_ = std::max<size_t>(watches_.size(), 1);
            }
            if (feeding_ == interest.n) fedComplete_ = false;
        }
    }
    step.polled = step.wd < 0 || Remote(step.state.device, key);
    const bool walked = interest.name.empty();
    if (!walked) {
        step.named = std::make_unique<PathState>(StateOf(key + interest.name));
    } else {
        ::clock_gettime(CLOCK_REALTIME, &step.armed);
        step.unsettled = RecentlyChanged(step.state, step.armed);
    }
    // A checked folder's names are read now, as the walk found them: only
    // what the kernel watches can wait to be noted.
    const bool read = walked && (names || step.polled);
    step.pending = walked && !read;
    if (feeding_ != 0 && !read) {
        Queue(std::move(step), key);
        return true;
    }
    Settle();
    if (!read) {
        Note(std::move(step), key);
        return true;
    }
    const PathState state = step.state;
    FolderNames found = NamesOf(key, state);
    Note(std::move(step), key).digest = found.digest;
    if (names) {
        *names = std::move(found);
    } else {
        ArmLinkTargets(key, found.fileLinks, interest.n);
    }
    return true;
}

FolderWatch::Folder& FolderWatch::Note(Step&& step, const std::string& key) {
    auto [it, added] = folders_.try_emplace(key);
    Folder& folder = it->second;
    if (step.wd != folder.wd) {
        if (folder.wd >= 0) DropPath(it->first, folder.wd);
        folder.wd = step.wd;
        if (step.wd >= 0) {
            Watch& watch = watches_[step.wd];
            if (watch.paths.empty()) {
                watch.device = step.state.device;
                watch.inode = step.state.inode;
            }
            watch.paths.push_back(&it->first);
        }
    }
    folder.polled = step.polled;
    const Interest& interest = step.interest;
    if (interest.name.empty()) {
        folder.state = step.state;
        folder.unsettled = step.unsettled;
        folder.digest = 0;
        // Read once the run is over, not beside the walk's own read: its
        // watch, set before, reports whatever changes in between.
        if (step.pending) pending_.emplace_back(it->first, step.armed);
    } else {
        folder.names[interest.name] = *step.named;
    }
    const auto [held, inserted] = folder.interests.insert(interest);
    if (inserted) ++interestsOf_[interest.n];
    if (noting_ != 0 && noting_ == interest.n && held->round != round_) {
        held->round = round_;
        ++armedThisRound_;
    }
    return folder;
}

void FolderWatch::Mark(Step::Kind kind, int n) {
    Step mark;
    mark.kind = kind;
    mark.interest.n = n;
    Queue(std::move(mark));
}

void FolderWatch::Queue(Step&& step, std::string_view key) {
    constexpr size_t kStepsInBlock = 256;
    if (steps_.empty() || steps_.back().steps.size() == kStepsInBlock) {
        steps_.emplace_back().steps.reserve(kStepsInBlock);
        steps_.back().keys.reserve(kStepsInBlock * 64);
    }
    StepBlock& block = steps_.back();
    step.keyAt = block.keys.size();
    step.keySize = key.size();
    block.keys += key;
    block.steps.push_back(std::move(step));
}

void FolderWatch::TakeArmed() {
    if (!armer_) return;
    const size_t from = armed_.size();
    armer_->Take(armed_);
    // Short of the kernel's limit, the set being fed is incomplete, as when armed at the visit.
    for (size_t k = from; k < armed_.size(); ++k) {
        if (armed_[k].wd < 0 && armed_[k].error == ENOSPC && feeding_ != 0) fedComplete_ = false;
    }
}

bool FolderWatch::ArmLater(const std::string& folder, const PathState& opened) {
    if (!armer_ || folder.empty() || folder.back() != kPathSeparator || !opened.exists || !S_ISDIR(opened.mode))
        return false;
    Step step;
    ::clock_gettime(CLOCK_REALTIME, &step.armed);
    // A folder changed lately may change again within the same tick of its
    // clock and keep its times; a checked one is read as the walk found it;
    // one that holds the program's outputs (by either name: another folder
    // may have been moved in since) changes with their writes, which are no
    // change.
    if (RecentlyChanged(opened, step.armed) || Remote(opened.device, folder) ||
        ownFolders_.count({opened.device, opened.inode}) || ownFolderPaths_.count(folder))
        return false;
    step.interest = {feeding_, ""};
    step.state = opened;
    step.pending = true;
    step.later = true;
    armer_->Add(folder, opened);
    Queue(std::move(step), folder);
    return true;
}

void FolderWatch::Settle() {
    TakeArmed();
    if (steps_.empty()) return;
    std::vector<StepBlock> blocks = std::move(steps_);
    steps_.clear();
    settling_ = true;
    std::string key;
    std::vector<std::pair<std::string, int>> unread;  // armed later, refused by the kernel
    for (StepBlock& block : blocks) {
        for (Step& step : block.steps) {
            const int n = step.interest.n;
            switch (step.kind) {
                case Step::Kind::kBegin:
                    noting_ = n;
                    ++round_;
                    armedThisRound_ = 0;
                    break;
                case Step::Kind::kArm:
                    key.assign(block.keys, step.keyAt, step.keySize);
                    if (step.later) {
                        const WatchArmer::Result& armed = armed_[armedNoted_++];
                        step.wd = armed.wd;
                        step.polled = armed.wd < 0;
                        if (!armed.same) unseen_.insert(n);
                        if (armed.wd < 0) {
                            if (armed.error == ENOSPC && limitCount_ == 0)
                                limitCount_ = std::max<size_t>(watches_.size(), 1);
                            step.pending = false;
                            unread.emplace_back(key, n);
                        }
                    }
                    Note(std::move(step), key);
                    break;
                case Step::Kind::kEnd:
                    Forget(n);
                    noting_ = 0;
                    break;
            }
        }
        block = {};  // its memory serves the maps growing
    }
    settling_ = false;
    for (const int wd : std::exchange(unwatched_, {})) {
        if (!watches_.count(wd)) ::inotify_rm_watch(fd_, wd);
    }
    if (armedNoted_ == armed_.size()) {
        armed_.clear();
        armedNoted_ = 0;
    }
    // Checked from now on: their names as the walk found them, unless they
    // changed since it opened them.
    for (const auto& [folder, n] : unread) {
        const auto it = folders_.find(folder);
        if (it == folders_.end()) continue;
        const PathState state = it->second.state;
        const FolderNames found = NamesOf(folder, state);
        if (!StateOf(folder).SameState(state)) unseen_.insert(n);
        it->second.digest = found.digest;
        ArmLinkTargets(folder, found.fileLinks, n);
    }
}

void FolderWatch::ArmWay(const std::string& path, int n, uint32_t lastEvents) {
    const std::string way = NormalisedPath(WithoutTrailingSeparators(path));
    if (!IsAbsolutePath(way) || way == kRootPath) return;
    std::vector<std::string> ways{way};
    // The folder holding the last name as the kernel reaches it: a link on
    // the way re-pointed is seen above, the target's folders moved below.
    char real[PATH_MAX];
    if (::realpath(FolderPart(way).c_str(), real)) {
        const std::string resolved = WithTrailingSeparator(real) + std::string(FileNamePart(way));
        if (resolved != way) ways.push_back(resolved);
    }
    for (const std::string& w : ways) {
        std::string above = kRootPath;
        for (const std::string_view part : PathNames(w)) {
            const std::string name(part);
            const bool last = part.data() + part.size() == w.data() + w.size();
            // Where the way is cut, the last folder reached waits for the next name.
            if (!Arm(above, {n, name}, last ? lastEvents : 0)) break;
            above += name + kPathSeparator;
        }
    }
}

bool FolderWatch::ArmLinkTargets(const std::string& folder, const std::vector<std::string>& links, int n,
                                 const timespec* since) {
    bool moved = false;
    for (const std::string& link : links) {
        const std::string target = LinkTarget(WithTrailingSeparator(folder) + link);
        if (target.empty()) continue;
        // The target's folder, or the nearest one that exists, for the next name.
        std::string above = FolderPart(target);
        std::string name(FileNamePart(target));
        while (!Arm(above, {n, name}) && above != kRootPath) {
            name = std::string(FileNamePart(above));
            above = FolderPart(above);
        }
        if (since && !moved) {
            const PathState there = StateOf(above);
            moved = std::max(there.modified.tv_sec, there.changed.tv_sec) >= since->tv_sec;
        }
    }
    return moved;
}

void FolderWatch::WatchNewTree(const std::string& folder, int n) {
    std::set<std::pair<dev_t, ino_t>> seen;  // links may lead back up
    std::vector<std::string> todo{folder};
    while (!todo.empty()) {
        const std::string here = std::move(todo.back());
        todo.pop_back();
        FolderNames names;
        const PathState state = StateOf(here);
        if (!Arm(here, {n, ""}, 0, &names, &state) || !seen.emplace(state.device, state.inode).second) continue;
        ArmLinkTargets(here, names.fileLinks, n);
        for (const std::string& sub : names.subfolders) todo.push_back(here + sub + kPathSeparator);
    }
}

// Takes path off watch wd, and ends the watch when no path is left on it.
void FolderWatch::DropPath(const std::string& path, int wd) {
    const auto it = watches_.find(wd);
    if (it == watches_.end()) return;
    auto& paths = it->second.paths;
    paths.erase(std::remove(paths.begin(), paths.end(), &path), paths.end());
    if (paths.empty()) {
        watches_.erase(it);
        Unwatch(wd);
    }
}

void FolderWatch::Unwatch(int wd) {
    if (settling_) {
        unwatched_.push_back(wd);
    } else {
        ::inotify_rm_watch(fd_, wd);
    }
}

void FolderWatch::Unlink(const std::string& key, const Interest& interest) {
    const auto it = folders_.find(key);
    if (it == folders_.end()) return;
    Folder& folder = it->second;
    auto& interests = folder.interests;
    if (const auto held = interests.find(interest); held != interests.end()) {
        if (held->n == noting_ && held->round == round_) --armedThisRound_;
        --interestsOf_[held->n];
        interests.erase(held);
    }
    const auto [from, to] = folder.In(interest.name);
    if (!interest.name.empty() && from == to) folder.names.erase(interest.name);
    if (!interests.empty()) return;
    if (folder.wd >= 0) DropPath(it->first, folder.wd);
    folders_.erase(it);
}

void FolderWatch::DropAll(int n) {
    Settle();
    std::vector<std::pair<std::string, Interest>> gone;
    for (const auto& [key, folder] : folders_) {
        for (const Interest& i : folder.interests) {
            if (i.n == n) gone.emplace_back(key, i);
        }
    }
    for (const auto& [key, interest] : gone) Unlink(key, interest);
}

// The folder is gone (or its file system unmounted): checked from now on,
// until whoever depends on it arms what stands there now.
void FolderWatch::Lost(int wd) {
    const auto it = watches_.find(wd);
    if (it == watches_.end()) return;
    for (const std::string* path : it->second.paths) {
        Folder& folder = folders_.at(*path);
        folder.wd = -1;
        folder.polled = true;
    }
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
    fedAny_ = false;
    fedComplete_ = true;
    Mark(Step::Kind::kBegin, n);
}

void FolderWatch::Visited(const std::string& folder, const DirListing* opened) {
    if (feeding_ == 0) return;
    // The way down to the folder the definition names: a rename or a
    // re-pointed link above it, or its return when it is missing.
    if (!fedAny_) ArmWay(folder, feeding_);
    fedAny_ = true;
    if (opened && opened->ok) {
        const PathState state = StateOf(*opened);
        if (!ArmLater(folder, state)) Arm(folder, {feeding_, ""}, 0, nullptr, &state);
        return;
    }
    if (opened) {
        // The walk could not open it. Once the folders before it are
        // watched, its parent among them, one that opens now changed unseen
        // (its rights given back, say), which its parent's times do not show.
        TakeArmed();
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            unseen_.insert(feeding_);
        }
    }
    // A folder below that cannot be armed is gone: its parent, armed
    // already, sees it come back.
    Arm(folder, {feeding_, ""});
}

bool FolderWatch::ReadPending(Changes& changes, const std::function<bool()>& stop) {
    Settle();
    changes.definitions.insert(unseen_.begin(), unseen_.end());
    unseen_.clear();
    for (size_t done = 1; !pending_.empty(); ++done) {
        if (done % 256 == 0 && stop && stop()) return false;
        const auto [key, visited] = std::move(pending_.back());
        pending_.pop_back();
        const auto it = folders_.find(key);
        if (it == folders_.end() || !it->second.Walked() || it->second.digest != 0) continue;
        const PathState state = it->second.state;
        const FolderNames read = NamesOf(key, state);
        it->second.digest = read.digest;
        std::vector<int> walkers;
        for (auto [at, end] = it->second.In(""); at != end; ++at) walkers.push_back(at->n);
        // A link target's folder that changed since the walk (to the second)
        // may have changed what the walk found there, unseen.
        for (const int n : walkers) {
            if (ArmLinkTargets(key, read.fileLinks, n, &visited)) changes.definitions.insert(n);
        }
    }
    return true;
}

bool FolderWatch::End() {
    const int n = feeding_;
    if (n == 0) return true;
    TakeArmed();
    feeding_ = 0;
    Mark(Step::Kind::kEnd, n);
    return fedComplete_;
}

void FolderWatch::Forget(int n) {
    // Every interest of n armed again this round: nothing to look for among
    // all the folders of all the definitions.
    const auto held = interestsOf_.find(n);
    if (held == interestsOf_.end() || held->second == armedThisRound_) return;
    std::vector<std::pair<std::string, Interest>> gone;
    for (const auto& [key, folder] : folders_) {
        for (const Interest& i : folder.interests) {
            if (i.n == n && i.round != round_) gone.emplace_back(key, i);
        }
    }
    for (const auto& [key, interest] : gone) Unlink(key, interest);
}

void FolderWatch::WatchSettings(const std::string& settingsPath) {
    DropAll(kSettings);
    std::string path = NormalisedPath(settingsPath);
    if (!IsAbsolutePath(path)) {
        Arm(FolderPart(path), {kSettings, std::string(FileNamePart(path))}, IN_CLOSE_WRITE);
        return;
    }
    // Through every link to the file: each link's folder and the target's.
    for (int hop = 0; hop < 8 && !path.empty(); ++hop) {
        ArmWay(path, kSettings, IN_CLOSE_WRITE);
        path = LinkTarget(path);
    }
}

void FolderWatch::SetOwnFiles(const std::vector<OwnFile>& files, const std::vector<int>* rebuilt) {
    DropAll(kOutputs);
    std::map<OwnFileId, OwnFileState> before = std::move(ownFiles_);
    ownFiles_.clear();
    ownFolders_.clear();
    ownFolderPaths_.clear();
    for (const OwnFile& file : files) {
        const std::string folder = FolderPart(file.path);
        const std::string name(FileNamePart(file.path));
        const PathState here = StateOf(folder);
        if (!name.empty()) ownFolderPaths_.insert(WithTrailingSeparator(folder));
        if (name.empty() || !here.exists) continue;
        const OwnFileId id{here.device, here.inode, name};
        const auto known = before.find(id);
        const bool untouched = rebuilt && file.playlist != 0 &&
                               std::find(rebuilt->begin(), rebuilt->end(), file.playlist) == rebuilt->end();
        ownFolders_.emplace(here.device, here.inode);
        ownFiles_[id] = {file.path, file.definitions,
                         untouched && known != before.end() ? known->second.state : StateOf(file.path)};
    }
    // Armed once all are known: a walked output folder's digest leaves them out.
    for (const auto& [id, own] : ownFiles_) Arm(FolderPart(own.path), {kOutputs, std::get<2>(id)}, IN_CLOSE_WRITE);
}

void FolderWatch::Tell(const Interest& interest, Changes& changes) const {
    if (interest.n == kSettings) {
        changes.settings = true;
    } else if (interest.n > 0) {
        changes.definitions.insert(interest.n);
    }
}

namespace {

// An output as someone other than this program left it: what rewrites it.
void TellOwn(const PathState& now, const PathState& written, const std::vector<int>& definitions,
             FolderWatch::Changes& changes) {
    if (now.SameState(written)) return;
    if (definitions.empty()) changes.settings = true;
    changes.definitions.insert(definitions.begin(), definitions.end());
}

}  // namespace

FolderWatch::Changes FolderWatch::Read() {
    Settle();
    Changes changes;
    if (fd_ < 0) return changes;
    alignas(inotify_event) char buffer[64 * 1024];
    std::vector<std::pair<std::string, int>> newTrees;
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
            if (e->mask & IN_IGNORED) {
                Lost(e->wd);
                continue;
            }
            const Watch& watch = it->second;
            const std::string name = e->len ? std::string(e->name) : std::string();
            if (!name.empty()) {
                if (const OwnFileState* own = OwnFileIn(watch.device, watch.inode, name)) {
                    TellOwn(StateOf(own->path), own->state, own->definitions, changes);
                    continue;
                }
                if (TemporaryOwner(name) == self_) continue;
                if ((e->mask & IN_ATTRIB) && UnnamedFile(name)) continue;
            }
            const bool written = e->mask == IN_CLOSE_WRITE;
            const bool newFolder =
                (e->mask & IN_ISDIR) && (e->mask & (IN_CREATE | IN_MOVED_TO)) && !name.empty() && name[0] != '.';
            for (const std::string* path : watch.paths) {
                const Folder& folder = folders_.at(*path);
                const auto heard = [&](const Interest& i) {
                    if (i.name.empty()) {
                        if (written) return;
                        if (newFolder && !flat_[i.n]) newTrees.emplace_back(*path + name + kPathSeparator, i.n);
                    } else if (written && i.n != kSettings) {
                        return;  // nothing but the settings file is read for its content
                    } else if (i.n == kOutputs) {
                        if (const OwnFileState* own = OwnFileIn(watch.device, watch.inode, i.name))
                            TellOwn(StateOf(own->path), own->state, own->definitions, changes);
                    }
                    Tell(i, changes);
                };
                // The folder itself changed: everyone in it; else the walked
                // interests and those in this name.
                if (name.empty()) {
                    for (const Interest& i : folder.interests) heard(i);
                    continue;
                }
                for (auto [at, end] = folder.In(""); at != end; ++at) heard(*at);
                for (auto [at, end] = folder.In(name); at != end; ++at) heard(*at);
            }
        }
    }
    // Watched and read before the quiet time runs, so that what is copied
    // into them keeps their definition waiting.
    for (const auto& [folder, n] : newTrees) WatchNewTree(folder, n);
    return changes;
}

FolderWatch::Changes FolderWatch::Check(bool everything) {
    Settle();
    Changes changes;
    for (auto& [key, folder] : folders_) {
        if (!everything && !folder.polled) continue;
        const PathState here = StateOf(key);
        if (folder.Walked() && (!here.SameState(folder.state) || folder.unsettled)) {
            const uint64_t digest = here.exists ? NamesOf(key, here).digest : 0;
            // An unknown digest (a folder not read yet) takes this one.
            if ((folder.digest != 0 && digest != folder.digest) || !here.SameIdentity(folder.state)) {
                for (auto [at, end] = folder.In(""); at != end; ++at) Tell(*at, changes);
            }
            folder.state = here;
            folder.digest = digest;
            folder.unsettled = RecentlyChanged(here);
        }
        for (auto& [name, before] : folder.names) {
            const PathState now = StateOf(key + name);
            // A folder on the way changes its times with everything in it.
            const bool folders = S_ISDIR(now.mode) && S_ISDIR(before.mode);
            if (folders ? now.SameIdentity(before) : now.SameState(before)) continue;
            before = now;
            for (auto [at, end] = folder.In(name); at != end; ++at) {
                const Interest& i = *at;
                if (i.n == kOutputs) {
                    if (const OwnFileState* own = OwnFileIn(here.device, here.inode, name))
                        TellOwn(now, own->state, own->definitions, changes);
                }
                Tell(i, changes);
            }
        }
    }
    return changes;
}

bool FolderWatch::Polling() {
    Settle();
    return std::any_of(folders_.begin(), folders_.end(), [](const auto& f) { return f.second.polled; });
}

}  // namespace zorbex
