#pragma once
// What the watch compares when it checks a folder or a file instead of being
// told by the kernel: its identity and change times, and for a folder a
// digest of its names. Also which file systems give no events for changes
// made elsewhere, and the folder listing the watch itself needs (new
// subfolders, links to files). Asks the file system; keeps nothing.
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "platform/dir_listing.h"

namespace zorbex {

struct PathState {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    timespec modified{};
    timespec changed{};
    off_t size = 0;

    // The same thing stands there: the same folder or file, same rights.
    bool SameIdentity(const PathState& o) const;
    // Nothing about it moved: identity, times and size.
    bool SameState(const PathState& o) const;
};

// What stands at path, links followed; exists false when nothing does.
PathState StateOf(const std::string& path);
// A folder as it was opened (its listing's identity and times).
PathState StateOf(const DirListing& opened);

// Times this close to now may hide a later change of the same tick on file
// systems that keep coarse times (FAT keeps two seconds).
bool RecentlyChanged(const PathState& state);
// The same against a moment the caller read already.
bool RecentlyChanged(const PathState& state, const timespec& now);

struct FolderNames {
    bool ok = false;
    // Of the names and kinds, independent of their order; 0 when !ok.
    uint64_t digest = 0;
    std::vector<std::string> subfolders;  // not hidden ones; links to folders too
    std::vector<std::string> fileLinks;   // links to files, and links leading nowhere
};

// Reads folder (ending with "/") once; names for which skip says true count
// for nothing (the program's own files).
FolderNames ReadFolderNames(const std::string& folder, const std::function<bool(const std::string&)>& skip = {});

}  // namespace zorbex
