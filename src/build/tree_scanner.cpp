#include "build/tree_scanner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/collation.h"
#include "platform/wildcard.h"

namespace zorbex {
namespace {

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
    if (initialDirectory_.back() != '/') initialDirectory_ += '/';
    accessPrefix_.clear();
    if (initialDirectory_[0] != '/' && !baseDirectory_.empty()) {
        accessPrefix_ = baseDirectory_;
        if (accessPrefix_.back() != '/') accessPrefix_ += '/';
    }
    path_.clear();
    keepGoing_ = true;
    ScanDirectory(initialDirectory_);
    searchInProgress_ = false;
}

void TTreeScanner::ScanDirectory(const std::string& start) {
    // A folder being visited and the subfolders it has still to visit. The
    // walk keeps them on a stack of its own rather than recursing: a tree as
    // deep as paths allow (over 2,000 levels) must not depend on the size of
    // the thread's stack, on which the window's event loop also runs at
    // every visit.
    struct Visit {
        std::string dir;
        std::vector<std::string> subdirs;
        size_t next = 0;
        bool onPath = false;  // its identity is on path_
    };
    std::vector<Visit> stack;

    // Everything a visit does before its subfolders; false when the folder
    // is not entered at all.
    const auto enter = [this, &stack](const std::string& dir) {
        if (OnYield) OnYield();
        if (!keepGoing_) return false;

        const std::string access = accessPrefix_ + dir;
        DirectoryReader reader;
        DirListing listing = reader.Open(access);
        // A link back to a folder we are inside: going in would never end.
        if (listing.ok && OnCurrentPath(listing.device, listing.inode)) return false;

        Fire(OnDirectoryFound, dir, 0);
        if (listing.ok) reader.Read(listing);
        fileFound_ = dir;
        fileSize_ = 0;
        if (OnDirectoryRead) OnDirectoryRead(*this, listing);

        const Collation& collation = Collation::User();

        // Visible subfolders, sorted; the entry's identity lets a non-recursive
        // walk skip links to the folder itself or an ancestor.
        std::vector<std::string_view> subNames;
        std::vector<size_t> subIndex;
        for (size_t i = 0; i < listing.entries.size(); ++i) {
            const DirEntry& e = listing.entries[i];
            if (e.kind == EntryKind::kDirectory && !e.Hidden()) {
                subNames.push_back(e.name);
                subIndex.push_back(i);
            }
        }

        if (OnFileFound && !fileMask_.empty()) {
            const WildcardPattern pattern(fileMask_);
            std::vector<std::string_view> names;
            for (const DirEntry& e : listing.entries) {
                if (e.kind != EntryKind::kDirectory && pattern.Matches(e.name)) names.push_back(e.name);
            }
            for (size_t i : collation.Order(names)) {
                const std::string path = dir + std::string(names[i]);
                struct stat st {};
                const int64_t size =
                    ::stat((accessPrefix_ + path).c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
                Fire(OnFileFound, path, size);
            }
            fileSize_ = 0;
        }

        Visit visit;
        visit.dir = dir;
        visit.subdirs.reserve(subNames.size());
        std::vector<std::pair<uint64_t, uint64_t>> subIds;
        for (size_t i : collation.Order(subNames)) {
            const DirEntry& e = listing.entries[subIndex[i]];
            visit.subdirs.push_back(dir + e.name + '/');
            subIds.emplace_back(e.device, e.inode);
        }
        if (listing.ok) {
            path_.emplace_back(listing.device, listing.inode);
            visit.onPath = true;
        }
        if (!recursive_) {
            for (size_t i = 0; i < visit.subdirs.size(); ++i) {
                if (!OnCurrentPath(subIds[i].first, subIds[i].second)) Fire(OnDirectoryFound, visit.subdirs[i], 0);
            }
            visit.subdirs.clear();
        }
        stack.push_back(std::move(visit));
        return true;
    };

    if (!enter(start)) return;
    while (!stack.empty()) {
        Visit& top = stack.back();
        if (top.next < top.subdirs.size()) {
            const std::string sub = std::move(top.subdirs[top.next++]);
            enter(sub);  // may grow the stack: top is not used after this
            continue;
        }
        if (top.onPath) path_.pop_back();
        const std::string dir = std::move(top.dir);
        stack.pop_back();
        Fire(OnDirectoryDone, dir, 0);
    }
}

}  // namespace zorbex
