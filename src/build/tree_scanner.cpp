#include "build/tree_scanner.h"

#include <sys/stat.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/collation.h"
#include "platform/path_parts.h"

namespace zorbex {
namespace {

using Identity = std::pair<uint64_t, uint64_t>;  // device, inode
using Clock = std::chrono::steady_clock;

std::string CurrentDirectory() {
    std::string buf(PATH_MAX, '\0');
    while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return ".";
        buf.resize(buf.size() * 2);
    }
    buf.resize(std::char_traits<char>::length(buf.c_str()));
    return buf;
}

// How far the workers may read ahead of the visit: the entries they hold
// cost about 100 bytes each.
constexpr size_t kMaxFoldersAhead = 1024;
constexpr size_t kMaxEntriesAhead = size_t{1} << 16;

// Each thread that allocates would otherwise get a malloc arena of its own,
// 64 MB of address space apiece that stays reserved after the thread ends:
// a process under an address-space limit, and the peak memory, pay for
// every one. The readers share one arena besides the main one.
void LimitArenas() {
    static std::once_flag once;
    std::call_once(once, [] { ::mallopt(M_ARENA_MAX, 2); });
}

int Cores() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

int DefaultReadAheadThreads() {
    // With a cold cache the wait is the disk's, not the processor's: more
    // readers than cores keep more requests in flight.
    return std::clamp(4 * Cores(), 4, 16);
}

// A folder the walk will or may visit. Its read fills listing, subOrder and
// subs, made by a worker ahead of the visit or by the visit itself. Every
// field but dir, parent, rank, depth and throughLink (fixed at creation) is
// changed only under the read-ahead's lock.
struct Folder {
    enum class State : uint8_t { kQueued, kReading, kRead, kTaken };

    std::string dir;  // as reported, ending with "/"
    Folder* parent = nullptr;
    uint32_t rank = 0;  // place among the parent's sorted subfolders
    uint32_t depth = 0;
    bool throughLink = false;  // its path below the start passes through a link

    State state = State::kQueued;
    bool pending = false;    // waits in the workers' queue
    bool abandoned = false;  // dropped while a worker read it: that worker frees it
    bool counted = false;    // held against the read-ahead bound
    bool skipped = false;    // the reader guessed the visit will not enter it; entries not read
    uint64_t device = 0;
    uint64_t inode = 0;
    DirListing listing;
    std::vector<uint32_t> subOrder;  // visible subfolders' indices in listing.entries, sorted
    std::vector<std::unique_ptr<Folder>> subs;  // one per subOrder entry, same order
};

// The walk's pre-order: an ancestor first, then siblings by rank.
struct PreOrderLess {
    bool operator()(const Folder* a, const Folder* b) const {
        if (a == b) return false;
        const Folder* x = a;
        const Folder* y = b;
        while (x->depth > y->depth) x = x->parent;
        while (y->depth > x->depth) y = y->parent;
        if (x == y) return a->depth < b->depth;
        while (x->parent != y->parent) {
            x = x->parent;
            y = y->parent;
        }
        return x->rank < y->rank;
    }
};

// The visible subfolders of listing in the user's order, as folders below parent.
void SortSubfolders(const DirListing& listing, Folder& parent, const Collation& collation,
                    std::vector<uint32_t>& order, std::vector<std::unique_ptr<Folder>>& subs) {
    std::vector<std::string_view> names;
    std::vector<uint32_t> index;
    for (size_t i = 0; i < listing.entries.size(); ++i) {
        const DirEntry& e = listing.entries[i];
        if (e.kind == EntryKind::kDirectory && !e.Hidden()) {
            names.push_back(e.name);
            index.push_back(static_cast<uint32_t>(i));
        }
    }
    order.reserve(names.size());
    subs.reserve(names.size());
    for (size_t k : collation.Order(names)) {
        const DirEntry& e = listing.entries[index[k]];
        order.push_back(index[k]);
        auto sub = std::make_unique<Folder>();
        sub->dir = parent.dir + e.name + kPathSeparator;
        sub->parent = &parent;
        sub->rank = static_cast<uint32_t>(subs.size());
        sub->depth = parent.depth + 1;
        sub->throughLink = parent.throughLink || e.symlink;
        subs.push_back(std::move(sub));
    }
}

// The folders of one walk and the workers that read them ahead of the visit,
// earliest in the visit's order first.
class ReadAhead {
public:
    // threads readers at most; with whenSlow, none until the visit's own
    // reads prove slow.
    ReadAhead(std::string accessPrefix, int threads, bool whenSlow, std::string locale)
        : access_(std::move(accessPrefix)), threads_(threads), locale_(std::move(locale)), wanted_(!whenSlow) {}

    ~ReadAhead() {
        {
            std::lock_guard lock(mu_);
            stop_ = true;
        }
        workCv_.notify_all();
        for (std::thread& t : workers_) t.join();
        // Workers free what they read after it was dropped, so all that is
        // left hangs from the root.
        pending_.clear();
        if (root_) Free(std::move(root_));
    }

    Folder* Root(const std::string& dir) {
        root_ = std::make_unique<Folder>();
        root_->dir = dir;
        return root_.get();
    }

    // True when the folder open in reader lies on a kernel file system.
    bool OnKernelFileSystem(const DirectoryReader& reader, uint64_t device) {
        std::lock_guard lock(mu_);
        return KernelDeviceLocked(reader, device);
    }

    // The listing f is visited with; now is f as opened at the visit. The
    // visit's moment decides whether the folder can be opened and which
    // folder it is; a read made ahead is used when it is of that folder.
    // opening is what opening the folder took.
    DirListing TakeForVisit(Folder* f, DirectoryReader& reader, DirListing now, const Collation& collation,
                            TTreeScanner::Counts& counts, Clock::duration opening) {
        std::unique_lock lock(mu_);
        if (f->state == Folder::State::kQueued) {
            if (f->pending) {
                pending_.erase(f);
                if (foldersAhead_ < kMaxFoldersAhead) GrowLocked();
            }
            f->pending = false;
        } else {
            if (f->state == Folder::State::kReading) {
                // The readers are not ahead: with a warm cache they are
                // busy with the processor, with a cold one they wait on
                // the disk, where one more of them helps.
                GrowLocked();
                visitorWaits_ = true;
                visitCv_.wait(lock, [f] { return f->state != Folder::State::kReading; });
                visitorWaits_ = false;
            }
            Uncount(f);
            if (now.ok && !f->skipped && f->listing.ok && f->device == now.device && f->inode == now.inode) {
                f->state = Folder::State::kTaken;
                ++counts.readsAhead;
                return std::move(f->listing);
            }
            DropSubsLocked(f);
        }
        f->state = Folder::State::kTaken;
        f->listing = DirListing{};
        if (!now.ok) return now;
        lock.unlock();

        const Clock::time_point start = Clock::now();
        reader.Read(now);
        const Clock::duration reading = Clock::now() - start;
        std::vector<uint32_t> order;
        std::vector<std::unique_ptr<Folder>> subs;
        SortSubfolders(now, *f, collation, order, subs);

        lock.lock();
        ++counts.reads;
        f->device = now.device;
        f->inode = now.inode;
        f->subOrder = std::move(order);
        f->subs = std::move(subs);
        if (!wanted_ && SlowVisitReadLocked(opening + reading, now.entries.size())) {
            // From here on: what is left to visit of the folders above too.
            wanted_ = true;
            for (Folder* above = f->parent; above; above = above->parent) QueueSubsLocked(above);
        }
        QueueSubsLocked(f);
        return now;
    }

    // Drops a folder that will not be visited, with everything below it.
    void Drop(std::unique_ptr<Folder>& slot) {
        std::lock_guard lock(mu_);
        DropLocked(slot);
    }

    void DropSubs(Folder* f) {
        std::lock_guard lock(mu_);
        DropSubsLocked(f);
    }

    // Frees a folder whose visit is done (its subfolders are gone by then).
    void Release(Folder* f) {
        std::lock_guard lock(mu_);
        if (f == root_.get()) root_.reset();
        else f->parent->subs[f->rank].reset();
    }

    void AddCounts(TTreeScanner::Counts& counts) {
        std::lock_guard lock(mu_);
        counts.reads += workerReads_;
        workerReads_ = 0;
    }

private:
    void Work() {
        DirectoryReader reader;
        const Collation collation(locale_);
        std::unique_lock lock(mu_);
        for (;;) {
            ++idle_;
            workCv_.wait(lock, [this] { return stop_ || MayReadLocked(); });
            --idle_;
            if (stop_) return;
            Folder* f = *pending_.begin();
            pending_.erase(pending_.begin());
            WakeLocked();  // one wakes the next: no herd at every change
            f->pending = false;
            f->state = Folder::State::kReading;
            f->counted = true;
            ++foldersAhead_;
            const std::string path = access_ + f->dir;
            lock.unlock();

            DirListing listing = reader.Open(path);

            lock.lock();
            bool skip = false;
            if (listing.ok && !f->abandoned) {
                // The visit's own checks, guessed now: a guess that proves
                // wrong only costs the visit a read of its own.
                const Identity id{listing.device, listing.inode};
                skip = OnAncestorLocked(f, id) ||
                       (f->throughLink &&
                        (KernelDeviceLocked(reader, listing.device) || !throughLinkClaimed_.insert(id).second));
            }
            const bool read = listing.ok && !skip && !f->abandoned;
            lock.unlock();

            std::vector<uint32_t> order;
            std::vector<std::unique_ptr<Folder>> subs;
            if (read) {
                reader.Read(listing);
                SortSubfolders(listing, *f, collation, order, subs);
            } else {
                reader.Close();
                listing.entries.clear();
            }

            lock.lock();
            if (read) ++workerReads_;
            if (f->abandoned) {
                --foldersAhead_;
                delete f;
                continue;
            }
            f->skipped = skip;
            f->device = listing.device;
            f->inode = listing.inode;
            entriesAhead_ += listing.entries.size();
            f->listing = std::move(listing);
            f->subOrder = std::move(order);
            f->subs = std::move(subs);
            f->state = Folder::State::kRead;
            QueueSubsLocked(f);
            if (visitorWaits_) visitCv_.notify_one();
        }
    }

    bool OnAncestorLocked(const Folder* f, const Identity& id) const {
        for (const Folder* a = f->parent; a; a = a->parent) {
            if (a->device == id.first && a->inode == id.second) return true;
        }
        return false;
    }

    bool KernelDeviceLocked(const DirectoryReader& reader, uint64_t device) {
        const auto known = kernelDevices_.find(device);
        if (known != kernelDevices_.end()) return known->second;
        const bool kernel = reader.OnKernelFileSystem();
        kernelDevices_.emplace(device, kernel);
        return kernel;
    }

    // True when the visit's reads have proved slow enough for readers. From
    // a warm cache a folder of twenty names reads in about 12 us and readers
    // only add work; from the disk it takes a wait for every folder, 50 us and
    // more even on a fast one, which readers spend in parallel. Preemption
    // makes a read slow now and then, not one in eight.
    bool SlowVisitReadLocked(Clock::duration spent, size_t entries) {
        ++visitReads_;
        if (spent > std::chrono::microseconds(30) + entries * std::chrono::nanoseconds(500)) ++slowReads_;
        return slowReads_ >= 8 && slowReads_ * 8 >= visitReads_;
    }

    // Queues the subfolders of f that nobody has read or queued yet.
    void QueueSubsLocked(Folder* f) {
        if (threads_ <= 0 || !wanted_ || f->subs.empty()) return;
        if (workers_.empty()) {
            LimitArenas();
            for (int i = std::min(threads_, Cores()); i > 0; --i) SpawnLocked();
            if (workers_.empty()) return;
        }
        for (const auto& sub : f->subs) {
            if (!sub || sub->pending || sub->state != Folder::State::kQueued) continue;
            pending_.insert(sub.get());
            sub->pending = true;
        }
        WakeLocked();
    }

    // A reader more; none when the system will not start a thread: then
    // every folder is read at its visit.
    void SpawnLocked() {
        if (cannotSpawn_) return;
        try {
            workers_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            cannotSpawn_ = true;
        }
    }

    bool MayReadLocked() const {
        return !pending_.empty() && foldersAhead_ < kMaxFoldersAhead && entriesAhead_ < kMaxEntriesAhead;
    }

    void WakeLocked() {
        if (idle_ > 0 && MayReadLocked()) workCv_.notify_one();
    }

    void GrowLocked() {
        if (!workers_.empty() && static_cast<int>(workers_.size()) < threads_) SpawnLocked();
    }

    void Uncount(Folder* f) {
        if (!f->counted) return;
        f->counted = false;
        --foldersAhead_;
        entriesAhead_ -= f->listing.entries.size();
        // Sleeping readers wake when half the way ahead is used up, to read
        // in runs rather than one folder per wake-up.
        if (foldersAhead_ <= kMaxFoldersAhead / 2 && entriesAhead_ <= kMaxEntriesAhead / 2) WakeLocked();
    }

    void DropSubsLocked(Folder* f) {
        for (auto& sub : f->subs) {
            if (sub) DropLocked(sub);
        }
        f->subs.clear();
        f->subOrder.clear();
    }

    void DropLocked(std::unique_ptr<Folder>& slot) {
        // Everything leaves the queue before anything is freed: the queue's
        // order reads the parents of what it holds.
        std::vector<Folder*> below{slot.get()};
        for (size_t i = 0; i < below.size(); ++i) {
            Folder* f = below[i];
            if (f->pending) pending_.erase(f);
            f->pending = false;
            // The worker reading it gives its place in the bound back.
            if (f->state == Folder::State::kReading) f->abandoned = true;
            else Uncount(f);
            for (const auto& sub : f->subs) {
                if (sub) below.push_back(sub.get());
            }
        }
        Free(std::move(slot));
    }

    // Frees a tree without recursing (trees may be thousands of levels
    // deep); a folder a worker is reading is left to that worker.
    void Free(std::unique_ptr<Folder> top) {
        std::vector<std::unique_ptr<Folder>> work;
        work.push_back(std::move(top));
        while (!work.empty()) {
            std::unique_ptr<Folder> f = std::move(work.back());
            work.pop_back();
            if (!f) continue;
            if (f->abandoned) {
                f.release();  // the worker reading it frees it
                continue;
            }
            for (auto& sub : f->subs) work.push_back(std::move(sub));
            f->subs.clear();
        }
    }

    const std::string access_;
    const int threads_;
    const std::string locale_;

    std::mutex mu_;
    std::condition_variable workCv_;   // queue or bound changed, or stop
    std::condition_variable visitCv_;  // a read finished
    bool stop_ = false;
    bool wanted_;  // readers are worth their cost
    uint64_t visitReads_ = 0;
    uint64_t slowReads_ = 0;
    bool visitorWaits_ = false;
    bool cannotSpawn_ = false;
    int idle_ = 0;  // workers waiting for something to read
    std::vector<std::thread> workers_;
    std::unique_ptr<Folder> root_;
    std::set<Folder*, PreOrderLess> pending_;
    size_t foldersAhead_ = 0;
    size_t entriesAhead_ = 0;
    std::set<Identity> throughLinkClaimed_;
    std::map<uint64_t, bool> kernelDevices_;
    uint64_t workerReads_ = 0;
};

}  // namespace

void TTreeScanner::Fire(const TNotifyEvent& event, const std::string& path, int64_t size) {
    fileFound_ = path;
    fileSize_ = size;
    if (event) event(*this);
}

bool TTreeScanner::OnCurrentPath(uint64_t device, uint64_t inode) const {
    return std::find(path_.begin(), path_.end(), std::make_pair(device, inode)) != path_.end();
}

void TTreeScanner::Scan() {
    searchInProgress_ = true;
    fileFound_.clear();
    fileSize_ = 0;
    if (initialDirectory_.empty()) initialDirectory_ = CurrentDirectory();
    initialDirectory_ = WithTrailingSeparator(std::move(initialDirectory_));
    accessPrefix_.clear();
    if (!IsAbsolutePath(initialDirectory_) && !baseDirectory_.empty())
        accessPrefix_ = WithTrailingSeparator(baseDirectory_);
    path_.clear();
    enteredThroughLink_.clear();
    counts_ = Counts{};
    keepGoing_ = true;
    ScanDirectory(initialDirectory_);
    searchInProgress_ = false;
}

void TTreeScanner::ScanDirectory(const std::string& start) {
    // A folder being visited and the next of its subfolders to visit. The
    // walk keeps them on a stack of its own rather than recursing: a tree as
    // deep as paths allow (over 2,000 levels) must not depend on the size of
    // the thread's stack, on which the window's event loop also runs at
    // every visit.
    struct Visit {
        Folder* folder;
        size_t next = 0;
        bool onPath = false;  // its identity is on path_
    };
    std::vector<Visit> stack;

    const Collation& collation = Collation::User();
    const int threads = !recursive_ ? 0 : readAheadThreads_ < 0 ? DefaultReadAheadThreads() : readAheadThreads_;
    ReadAhead ahead(accessPrefix_, threads, readAheadThreads_ < 0, collation.Locale());

    // Everything a visit does before its subfolders; false when the folder
    // is not entered at all.
    const auto enter = [&](Folder* f) {
        // A stopped walk enters nothing more and yields no more either.
        if (!keepGoing_) return false;
        if (OnYield) OnYield();
        if (!keepGoing_) return false;

        DirectoryReader reader;
        const Clock::time_point opened = Clock::now();
        DirListing now = reader.Open(accessPrefix_ + f->dir);
        const Clock::duration opening = Clock::now() - opened;
        if (now.ok) {
            const Identity id{now.device, now.inode};
            // A link back to a folder we are inside: going in would never end.
            if (OnCurrentPath(id.first, id.second)) return false;
            if (f->throughLink) {
                if (enteredThroughLink_.count(id) || ahead.OnKernelFileSystem(reader, now.device)) return false;
                enteredThroughLink_.insert(id);
            }
        }

        ++counts_.visits;
        Fire(OnDirectoryFound, f->dir, 0);
        const DirListing listing = ahead.TakeForVisit(f, reader, std::move(now), collation, counts_, opening);
        fileFound_ = f->dir;
        fileSize_ = 0;
        if (OnDirectoryRead) OnDirectoryRead(*this, listing);

        if (OnFileFound && !fileMask_.Patterns().empty()) {
            std::vector<std::string_view> names;
            for (const DirEntry& e : listing.entries) {
                if (e.kind != EntryKind::kDirectory && fileMask_.Matches(e.name)) names.push_back(e.name);
            }
            for (size_t i : collation.Order(names)) {
                const std::string path = f->dir + std::string(names[i]);
                struct stat st {};
                const int64_t size =
                    ::stat((accessPrefix_ + path).c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
                Fire(OnFileFound, path, size);
            }
            fileSize_ = 0;
        }

        Visit visit{f};
        if (listing.ok) {
            path_.emplace_back(listing.device, listing.inode);
            visit.onPath = true;
        }
        if (!recursive_) {
            // The entry's identity lets a non-recursive walk skip links to
            // the folder itself or an ancestor.
            for (size_t i = 0; i < f->subs.size(); ++i) {
                const DirEntry& e = listing.entries[f->subOrder[i]];
                if (!OnCurrentPath(e.device, e.inode)) Fire(OnDirectoryFound, f->subs[i]->dir, 0);
            }
            ahead.DropSubs(f);
        }
        stack.push_back(visit);
        return true;
    };

    Folder* const root = ahead.Root(start);
    if (enter(root)) {
        while (!stack.empty()) {
            Visit& top = stack.back();
            Folder* const f = top.folder;
            if (top.next < f->subs.size()) {
                std::unique_ptr<Folder>& slot = f->subs[top.next++];
                // enter may grow the stack: top is not used after this
                if (!enter(slot.get())) ahead.Drop(slot);
                continue;
            }
            if (top.onPath) path_.pop_back();
            const std::string dir = f->dir;
            stack.pop_back();
            ahead.Release(f);
            Fire(OnDirectoryDone, dir, 0);
        }
    }
    ahead.AddCounts(counts_);
}

}  // namespace zorbex
