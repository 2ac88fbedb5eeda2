#include "engine/read_ahead.h"

#include <time.h>

#include <algorithm>
#include <system_error>

#include "platform/path_parts.h"

namespace zorbex::scan {
namespace {

// How far the workers may read ahead of the visit: the entries they hold
// cost about 100 bytes each.
constexpr size_t kMaxFoldersAhead = 1024;
constexpr size_t kMaxEntriesAhead = size_t{1} << 16;

// The coarsest step of the file systems' clocks (FAT's two seconds): a
// change made after a read may carry the same time as one made before it
// within one step.
constexpr int64_t kClockStepNs = 2'000'000'000;

int64_t CoarseNow() {
    struct timespec t {};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &t);
    return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

int Cores() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

// The visible subfolders of listing in the user's order, as folders below parent.
void SortSubfolders(const DirListing& listing, Folder& parent, const Collation& collation, std::vector<uint32_t>& order,
                    std::vector<std::unique_ptr<Folder>>& subs) {
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
        sub->dir.reserve(parent.dir.size() + e.name.size() + 1);
        sub->dir.append(parent.dir).append(e.name) += kPathSeparator;
        sub->parent = &parent;
        sub->rank = static_cast<uint32_t>(subs.size());
        sub->depth = parent.depth + 1;
        sub->throughLink = parent.throughLink || e.symlink;
        sub->link = e.symlink;
        subs.push_back(std::move(sub));
    }
}

}  // namespace

int DefaultReadAheadThreads() {
    // With a cold cache the wait is the disk's, not the processor's: more
    // readers than cores keep more requests in flight. On 2 cores, 16
    // readers walked a cold million-file tree 5 to 10 % faster than 8 (12
    // and 24 were in between), for 2.5 MB more.
    return std::clamp(8 * Cores(), 8, 16);
}

bool PreOrderLess::operator()(const Folder* a, const Folder* b) const {
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

ReadAhead::ReadAhead(std::string accessPrefix, int threads, bool whenSlow, const Collation& collation,
                     bool unchangedOnly, bool filesLater)
    : access_(std::move(accessPrefix)),
      threads_(threads),
      collation_(collation),
      unchangedOnly_(unchangedOnly),
      filesLater_(filesLater),
      wanted_(!whenSlow) {}

bool ReadAhead::UnchangedSinceRead(const Folder* f, const DirectoryReader& reader) const {
    if (!unchangedOnly_) return true;
    DirListing again;
    if (!reader.Restat(again)) return false;
    const DirListing& read = f->listing;
    return again.modified == read.modified && again.changed == read.changed &&
           std::max(read.modified, read.changed) + kClockStepNs < f->readStart;
}

ReadAhead::~ReadAhead() {
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

Folder* ReadAhead::Root(const std::string& dir) {
    root_ = std::make_unique<Folder>();
    root_->dir = dir;
    return root_.get();
}

bool ReadAhead::OnKernelFileSystem(const DirectoryReader& reader, uint64_t device) {
    std::lock_guard lock(mu_);
    return KernelDeviceLocked(reader, device);
}

DirListing ReadAhead::TakeForVisit(Folder* f, DirectoryReader& reader, DirListing now, const Collation& collation,
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
        if (now.ok && !f->skipped && f->listing.ok && f->device == now.device && f->inode == now.inode &&
            UnchangedSinceRead(f, reader)) {
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
    reader.Read(now, {.keepOpen = true, .filesLater = filesLater_});
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
    if (!wanted_ && SlowVisitReadLocked(opening + reading, now.EntryCount())) {
        // From here on: what is left to visit of the folders above too.
        wanted_ = true;
        for (Folder* above = f->parent; above; above = above->parent) QueueSubsLocked(above);
    }
    QueueSubsLocked(f);
    return now;
}

void ReadAhead::Drop(std::unique_ptr<Folder>& slot) {
    std::lock_guard lock(mu_);
    DropLocked(slot);
}

void ReadAhead::DropSubs(Folder* f) {
    std::lock_guard lock(mu_);
    DropSubsLocked(f);
}

void ReadAhead::Release(Folder* f) {
    std::lock_guard lock(mu_);
    if (f == root_.get())
        root_.reset();
    else
        f->parent->subs[f->rank].reset();
}

void ReadAhead::AddCounts(TTreeScanner::Counts& counts) {
    std::lock_guard lock(mu_);
    counts.reads += workerReads_;
    workerReads_ = 0;
}

void ReadAhead::Work() {
    DirectoryReader reader;
    const Collation collation(collation_, Collation::ForAnotherThread{});
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
        f->readStart = CoarseNow();
        lock.unlock();

        DirListing listing = reader.Open(path);

        lock.lock();
        bool skip = false;
        if (listing.ok && !f->abandoned) {
            // The visit's own checks, guessed now: a guess that proves
            // wrong only costs the visit a read of its own.
            const Identity id{listing.device, listing.inode};
            skip = OnAncestorLocked(f, id) || (f->throughLink && (KernelDeviceLocked(reader, listing.device) ||
                                                                  !throughLinkClaimed_.insert(id).second));
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

bool ReadAhead::OnAncestorLocked(const Folder* f, const Identity& id) const {
    for (const Folder* a = f->parent; a; a = a->parent) {
        if (a->device == id.first && a->inode == id.second) return true;
    }
    return false;
}

bool ReadAhead::KernelDeviceLocked(const DirectoryReader& reader, uint64_t device) {
    const auto known = kernelDevices_.find(device);
    if (known != kernelDevices_.end()) return known->second;
    const bool kernel = reader.OnKernelFileSystem();
    kernelDevices_.emplace(device, kernel);
    return kernel;
}

bool ReadAhead::SlowVisitReadLocked(Clock::duration spent, size_t entries) {
    ++visitReads_;
    if (spent > std::chrono::microseconds(30) + entries * std::chrono::nanoseconds(500)) ++slowReads_;
    return slowReads_ >= 16 && slowReads_ * 4 >= visitReads_;
}

void ReadAhead::QueueSubsLocked(Folder* f) {
    if (threads_ <= 0 || !wanted_ || f->subs.empty()) return;
    if (workers_.empty()) {
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

void ReadAhead::SpawnLocked() {
    if (cannotSpawn_) return;
    try {
        workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
        cannotSpawn_ = true;
    }
}

bool ReadAhead::MayReadLocked() const {
    return !pending_.empty() && foldersAhead_ < kMaxFoldersAhead && entriesAhead_ < kMaxEntriesAhead;
}

void ReadAhead::WakeLocked() {
    if (idle_ > 0 && MayReadLocked()) workCv_.notify_one();
}

void ReadAhead::GrowLocked() {
    if (!workers_.empty() && static_cast<int>(workers_.size()) < threads_) SpawnLocked();
}

void ReadAhead::Uncount(Folder* f) {
    if (!f->counted) return;
    f->counted = false;
    --foldersAhead_;
    entriesAhead_ -= f->listing.entries.size();
    // Sleeping readers wake when half the way ahead is used up, to read
    // in runs rather than one folder per wake-up.
    if (foldersAhead_ <= kMaxFoldersAhead / 2 && entriesAhead_ <= kMaxEntriesAhead / 2) WakeLocked();
}

void ReadAhead::DropSubsLocked(Folder* f) {
    for (auto& sub : f->subs) {
        if (sub) DropLocked(sub);
    }
    f->subs.clear();
    f->subOrder.clear();
}

void ReadAhead::DropLocked(std::unique_ptr<Folder>& slot) {
    // Everything leaves the queue before anything is freed: the queue's
    // order reads the parents of what it holds.
    std::vector<Folder*> below{slot.get()};
    for (size_t i = 0; i < below.size(); ++i) {
        Folder* f = below[i];
        if (f->pending) pending_.erase(f);
        f->pending = false;
        // The worker reading it gives its place in the bound back.
        if (f->state == Folder::State::kReading)
            f->abandoned = true;
        else
            Uncount(f);
        for (const auto& sub : f->subs) {
            if (sub) below.push_back(sub.get());
        }
    }
    Free(std::move(slot));
}

void ReadAhead::Free(std::unique_ptr<Folder> top) {
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

}  // namespace zorbex::scan
