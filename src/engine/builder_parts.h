#pragma once
// What the playlist builder shares with the union builder and with its own
// tests, beyond what playlist_builder.h gives every user: the rules for an
// output about to be written, and the listing of one folder.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/wildcard.h"

namespace zorbex {

// Whether an output file counts as existing: something other than a folder
// is there, a file or a link (even a dangling one, which a write would follow).
bool OutputExists(const std::string& path);

// The failure line of an output file whose stored text was cut on reading
// (PlaylistDefinition::fileCut).
std::string CutOutputLine(const std::string& output);

struct FolderFiles {
    bool found = false;              // false: the folder could not be listed
    std::string folder;              // absolute, as the system names it; no trailing "/" but for "/"
    std::vector<std::string> names;  // bare names, sorted, one per matching pattern
    int64_t lineBreaks = 0;          // names left out as no playlist line can hold them
};

// Lists the files of one folder (relative to programDir when relative) that
// match one of the mask's patterns, hidden ones only with hidden, system ones
// only with system, in the user's collation order. Every call reads the
// folder afresh.
FolderFiles ListFolderFiles(const std::string& folder, const FileMask& mask, bool hidden, bool system,
                            const std::string& programDir);

}  // namespace zorbex
