#pragma once
// The tree walk's folders and the worker threads that read them ahead of
// the visit (reading only: they fire no event), in the visit's own order and
// a bounded way ahead. The walk itself, its events and its checks stay in
// tree_scanner.cpp; this is the pool and the bookkeeping it needs.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/tree_scanner.h"
#include "platform/collation.h"
#include "platform/dir_listing.h"

namespace zorbex::scan {

// Readers a walk uses when the caller sets none: 8 per core, 16 at most.
int DefaultReadAheadThreads();

// A folder the walk will or may visit. Its read fills listing, subOrder and
// subs, made by a worker ahead of the visit or by the visit itself. Every
// field but dir, parent, rank, depth, throughLink and link (fixed at creation) is
// changed only under the read-ahead's lock.
struct Folder {
    enum class State : uint8_t { kQueued, kReading, kRead, kTaken };

    std::string dir;  // as reported, ending with "/"
    Folder* parent = nullptr;
    uint32_t rank = 0;  // place among the parent's sorted subfolders
    uint32_t depth = 0;
    bool throughLink = false;  // its path below the start passes through a link
    bool link = false;         // its own entry is a link

    State state = State::kQueued;
    bool pending = false;    // waits in the workers' queue
    bool abandoned = false;  // dropped while a worker read it: that worker frees it
    bool counted = false;    // held against the read-ahead bound
    bool skipped = false;    // the reader guessed the visit will not enter it; entries not read
    int64_t readStart = 0;   // the system's coarse clock, ns, when a worker began to read it
    uint64_t device = 0;
    uint64_t inode = 0;
    DirListing listing;
    std::vector<uint32_t> subOrder;             // visible subfolders' indices in listing.entries, sorted
    std::vector<std::unique_ptr<Folder>> subs;  // one per subOrder entry, same order
};

// The walk's pre-order: an ancestor first, then siblings by rank.
struct PreOrderLess {
    bool operator()(const Folder* a, const Folder* b) const;
};

// The folders of one walk and the workers that read them ahead of the visit,
// earliest in the visit's order first.
class ReadAhead {
public:
    using Clock = std::chrono::steady_clock;
    using Identity = std::pair<uint64_t, uint64_t>;  // device, inode

    // threads readers at most; with whenSlow, none until the visit's own
    // reads prove slow. With unchangedOnly, a read made ahead is used only
    // when the folder provably did not change since (see TakeForVisit).
    // The readers sort subfolders in collation's order (each with its own copy).
    // With filesLater, the visit's own reads leave files for later
    // (ListOptions::filesLater).
    ReadAhead(std::string accessPrefix, int threads, bool whenSlow, const Collation& collation,
              bool unchangedOnly = false, bool filesLater = false);
    // Stops the readers and frees every folder left.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    Folder* Root(const std::string& dir);

    // True when the folder open in reader lies on a kernel file system.
    bool OnKernelFileSystem(const DirectoryReader& reader, uint64_t device);

    // The listing f is visited with; now is f as opened at the visit. The
    // visit's moment decides whether the folder can be opened and which
    // folder it is; a read made ahead is used when it is of that folder.
    // opening is what opening the folder took. The folder stays open in
    // reader either way. With unchangedOnly, the folder is asked again now
    // (after whatever the visit did since opening it), and a read made
    // ahead serves only when the folder's times are the same and older than
    // that read by more than any file system's clock step.
    DirListing TakeForVisit(Folder* f, DirectoryReader& reader, DirListing now, const Collation& collation,
                            TTreeScanner::Counts& counts, Clock::duration opening);

    // Drops a folder that will not be visited, with everything below it.
    void Drop(std::unique_ptr<Folder>& slot);

    void DropSubs(Folder* f);

    // Frees a folder whose visit is done (its subfolders are gone by then).
    void Release(Folder* f);

    void AddCounts(TTreeScanner::Counts& counts);

private:
    void Work();

    bool OnAncestorLocked(const Folder* f, const Identity& id) const;

    bool KernelDeviceLocked(const DirectoryReader& reader, uint64_t device);

    // True when the visit's reads have proved slow enough for readers. From
    // a warm cache a folder of twenty names reads in about 12 us and readers
    // only add work; from the disk it takes a wait for every folder, 50 us and
    // more even on a fast one, which readers spend in parallel. Preemption
    // (the walk's own sorting thread shares the cores) makes a read slow now
    // and then: one in eight was met warm, in a run of ten walks in most
    // runs, and readers started warm cost the walk half as much again.
    // From the disk nearly every read is slow, so one in four is asked.
    bool SlowVisitReadLocked(Clock::duration spent, size_t entries);

    // Queues the subfolders of f that nobody has read or queued yet.
    void QueueSubsLocked(Folder* f);

    // A reader more; none when the system will not start a thread: then
    // every folder is read at its visit.
    void SpawnLocked();

    bool MayReadLocked() const;

    void WakeLocked();

    void GrowLocked();

    void Uncount(Folder* f);

    void DropSubsLocked(Folder* f);

    void DropLocked(std::unique_ptr<Folder>& slot);

    // Frees a tree without recursing (trees may be thousands of levels
    // deep); a folder a worker is reading is left to that worker.
    void Free(std::unique_ptr<Folder> top);

    // Unchanged since the read made ahead: the folder is read again otherwise.
    bool UnchangedSinceRead(const Folder* f, const DirectoryReader& reader) const;

    const std::string access_;
    const int threads_;
    const Collation& collation_;
    const bool unchangedOnly_;
    const bool filesLater_;

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

}  // namespace zorbex::scan
