#pragma once
// Building one playlist definition into its playlist file.
//
// Playlist file: one path (or bare name) per line, every line ended by CR LF,
// no header; an empty playlist is a 0-byte file. Each line holds the bytes
// of the path exactly as the file system gave them.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dir_listing.h"
#include "platform/path_parts.h"  // ResolveOutputPath; FileNamePart: what an exclusion entry is compared by
#include "platform/path_walk.h"
#include "settings/program_places.h"

namespace zorbex {

// The mask of a definition that names none, in the editor and in the file.
inline constexpr char kDefaultMask[] = "*.mp3";

// A playlist definition as loaded from the settings file (keys of the same names).
struct PlaylistDefinition {
    std::string name;
    std::string file;
    std::string mask = kDefaultMask;
    std::string path;
    bool subfolders = true;
    bool fullpath = true;
    bool hidden = false;
    bool system = false;
    bool ignore_use = false;
    std::vector<std::string> ignore;
    // The stored output file or folder was longer than a read gives back:
    // the text names another file or folder, and the build refuses it.
    bool fileCut = false;
    bool pathCut = false;

    bool operator==(const PlaylistDefinition&) const = default;
};

// The resolved output paths of every playlist definition of the current run,
// ticked or not, in definition order. The union phase refuses these targets.
class OccupiedList {
public:
    void Add(std::string resolvedPath) { entries_.push_back(std::move(resolvedPath)); }
    const std::vector<std::string>& Entries() const { return entries_; }

    // Entries equal to path byte for byte.
    size_t CountExact(std::string_view path) const;
    // Entries that name the same file as path: equal after removing ".",
    // ".." and doubled "/", or leading to the file opened for writing to
    // path (by default what path leads to now), which also catches links and
    // hard links to it.
    size_t CountSameFile(std::string_view path, std::optional<FileIdentity> opened = std::nullopt) const;

private:
    std::vector<std::string> entries_;
};

enum class BuildOutcome {
    kDisabled,        // row not ticked
    kKeptExisting,    // output exists and overwriting is off
    kFolderNotFound,  // a folder could not be listed; nothing written
    kWriteFailed,     // the playlist file could not be written
    kWritten,
    kStopped,  // the run was asked to stop during the walk; nothing written
};

struct BuildResult {
    BuildOutcome outcome = BuildOutcome::kDisabled;
    std::string output;    // the resolved output path
    int64_t found = 0;     // lines gathered before exclusion
    int64_t excluded = 0;  // lines removed by the exclusion list
    // Lines left out because they would hold a line break (a name, or with
    // full paths a folder, holding CR or LF); not part of found.
    int64_t lineBreaks = 0;
};

// What a build needs from the run around it.
struct BuildContext {
    ProgramPlaces places;  // baseDir: the base of every relative path
    OccupiedList* occupied = nullptr;
    std::function<void(const std::string&)> log;  // receives whole lines
    std::function<void()> yield;                  // at every folder visit of a walk
    // Asked after every yield: true abandons the walk, and the build writes
    // and logs nothing more.
    std::function<bool()> stopRequested;
    // Every folder the build's walk visits, absolute and ending with "/", as
    // the walk reaches it (without subfolders: the one folder). Set, it also
    // makes every folder's listing hold what was done to it after this
    // returned (read then, or read ahead and provably unchanged since), so
    // that a watch set here misses no later change.
    // opened: the folder as the walk opened it, or failed to (ok false);
    // nullptr when the walk does not open folders (without subfolders).
    std::function<void(const std::string& folder, const DirListing* opened)> folderVisited;
};

// Builds one definition: records its output in the occupied list, skips it
// when not ticked, refuses an output or folder text that was cut on reading,
// skips it when its output exists and overwrite is off, gathers and
// filters the files straight into the playlist file (the old file stays as it
// was when a folder cannot be listed, and when nothing changed) and logs the
// outcome.
BuildResult BuildPlaylist(const PlaylistDefinition& definition, bool ticked, bool overwrite, BuildContext& context);

}  // namespace zorbex
