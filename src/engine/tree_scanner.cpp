#include "engine/tree_scanner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>

#include "engine/read_ahead.h"
#include "platform/closing_batch.h"
#include "platform/collation.h"
#include "platform/path_parts.h"
#include "platform/unique_fd.h"

namespace zorbex {
namespace {

using scan::DefaultReadAheadThreads;
using scan::Folder;
using scan::ReadAhead;
using Identity = ReadAhead::Identity;
using Clock = ReadAhead::Clock;

// Folders on the current path are kept open, so that each subfolder opens
// by its name in its parent rather than by a path the kernel resolves from
// the root again; this deep and no deeper, as descriptors are limited.
constexpr uint32_t kMaxOpenDepth = 256;

std::string CurrentDirectory() {
    std::string buf(PATH_MAX, '\0');
    while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return ".";
        buf.resize(buf.size() * 2);
    }
    buf.resize(std::char_traits<char>::length(buf.c_str()));
    return buf;
}

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
        UniqueFd fd{};        // the folder, while its subfolders open in it
    };
    std::vector<Visit> stack;

    // Folders done with, closed a few dozen at a time on a thread of their own.
    ClosingBatch closing;
    std::string name;  // the folder's own name, to open it in its parent
    const Collation& collation = Collation::User();
    const int threads = !recursive_ ? 0 : readAheadThreads_ < 0 ? DefaultReadAheadThreads() : readAheadThreads_;
    ReadAhead ahead(accessPrefix_, threads, readAheadThreads_ < 0, collation, currentAfterFound_, filesLater_);

    // Everything a visit does before its subfolders; false when the folder
    // is not entered at all.
    const auto enter = [&](Folder* f) {
        // A stopped walk enters nothing more and yields no more either.
        if (!keepGoing_) return false;
        if (OnYield) OnYield();
        if (!keepGoing_) return false;

        DirectoryReader reader;
        const Clock::time_point opened = Clock::now();
        const Visit* parent = stack.empty() ? nullptr : &stack.back();
        const auto open = [&] {
            if (parent && parent->folder == f->parent && parent->fd.valid()) {
                const size_t at = f->parent->dir.size();
                name.assign(f->dir, at, f->dir.size() - at - 1);
                DirListing byName = reader.OpenAt(parent->fd.get(), name, f->link);
                if (byName.ok) return byName;
            }
            // No open parent, or a name that no longer opens as listed (a
            // folder turned into a link since, say): by the path, as the
            // visit sees it.
            return reader.Open(accessPrefix_ + f->dir);
        };
        DirListing now = open();
        // Out of descriptors while some wait to be closed: not a folder's fault.
        if (!now.ok && (now.error == EMFILE || now.error == ENFILE) && closing.Flush()) now = open();
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
        opened_ = &now;
        Fire(OnDirectoryFound, f->dir, 0);
        opened_ = nullptr;
        DirListing listing = ahead.TakeForVisit(f, reader, std::move(now), collation, counts_, opening);

        // What the visit needs of the listing after OnDirectoryRead, which
        // may take its entries.
        std::vector<std::string> files;
        if (OnFileFound && !fileMask_.Patterns().empty()) {
            listing.AddLaterEntries();
            std::vector<std::string_view> names;
            for (const DirEntry& e : listing.entries) {
                if (e.kind != EntryKind::kDirectory && fileMask_.Matches(e.name)) names.push_back(e.name);
            }
            for (size_t i : collation.Order(names)) files.push_back(f->dir + std::string(names[i]));
        }
        const bool ok = listing.ok;
        const Identity id{listing.device, listing.inode};
        std::vector<bool> subLeadsBack;
        if (!recursive_) {
            // The entry's identity lets a non-recursive walk skip links to
            // the folder itself or an ancestor.
            for (size_t i = 0; i < f->subs.size(); ++i) {
                const DirEntry& e = listing.entries[f->subOrder[i]];
                subLeadsBack.push_back(OnCurrentPath(e.device, e.inode) || (ok && Identity{e.device, e.inode} == id));
            }
        }

        fileFound_ = f->dir;
        fileSize_ = 0;
        if (OnDirectoryRead) OnDirectoryRead(*this, listing);

        for (const std::string& path : files) {
            struct stat st {};
            const int64_t size =
                ::stat((accessPrefix_ + path).c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
            Fire(OnFileFound, path, size);
        }
        fileSize_ = 0;

        Visit visit{f};
        if (ok) {
            path_.push_back(id);
            visit.onPath = true;
        }
        if (!recursive_) {
            for (size_t i = 0; i < f->subs.size(); ++i) {
                if (!subLeadsBack[i]) Fire(OnDirectoryFound, f->subs[i]->dir, 0);
            }
            ahead.DropSubs(f);
        }
        if (ok && !f->subs.empty() && f->depth < kMaxOpenDepth)
            visit.fd.Reset(reader.Release());
        else
            closing.Add(reader.Release());
        stack.push_back(std::move(visit));
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
            closing.Add(top.fd.Release());
            stack.pop_back();
            Fire(OnDirectoryDone, f->dir, 0);
            ahead.Release(f);
        }
    }
    ahead.AddCounts(counts_);
}

}  // namespace zorbex
