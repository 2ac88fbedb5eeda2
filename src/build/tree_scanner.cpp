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

void TTreeScanner::ScanDirectory(const std::string& dir) {
    if (OnYield) OnYield();
    if (!keepGoing_) return;

    const std::string access = accessPrefix_ + dir;
    DirectoryReader reader;
    DirListing listing = reader.Open(access);
    // A link back to a folder we are inside: going in would never end.
    if (listing.ok && OnCurrentPath(listing.device, listing.inode)) return;

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

    std::vector<std::string> subdirs;
    std::vector<std::pair<uint64_t, uint64_t>> subIds;
    subdirs.reserve(subNames.size());
    for (size_t i : collation.Order(subNames)) {
        const DirEntry& e = listing.entries[subIndex[i]];
        subdirs.push_back(dir + e.name + '/');
        subIds.emplace_back(e.device, e.inode);
    }
    listing.entries.clear();
    listing.entries.shrink_to_fit();

    if (listing.ok) path_.emplace_back(listing.device, listing.inode);
    for (size_t i = 0; i < subdirs.size(); ++i) {
        if (recursive_) {
            ScanDirectory(subdirs[i]);
        } else if (!OnCurrentPath(subIds[i].first, subIds[i].second)) {
            Fire(OnDirectoryFound, subdirs[i], 0);
        }
    }
    if (listing.ok) path_.pop_back();

    Fire(OnDirectoryDone, dir, 0);
}

}  // namespace zorbex
