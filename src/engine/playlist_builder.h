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

#include "platform/collation.h"
#include "platform/dir_listing.h"
#include "platform/file_write.h"
#include "platform/path_parts.h"  // ResolveOutputPath; FileNamePart: what an exclusion entry is compared by
#include "platform/path_walk.h"
#include "platform/wildcard.h"
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
    std::function<void(const std::string& folder)> folderVisited;
};

// Whether an output file counts as existing: something other than a folder
// is there, a file or a link (even a dangling one, which a write would follow).
bool OutputExists(const std::string& path);

struct FolderFiles {
    bool found = false;              // false: the folder could not be listed
    std::string folder;              // absolute, as the system names it; no trailing "/" but for "/"
    std::vector<std::string> names;  // bare names, sorted, one per matching pattern
    int64_t lineBreaks = 0;          // names left out by SelectFiles
};

// Lists the files of one folder (relative to programDir when relative) that
// match one of the mask's patterns. Every call reads the folder afresh.
FolderFiles ListFolderFiles(const std::string& folder, const FileMask& mask, bool hidden, bool system,
                            const std::string& programDir);

// The part of a listing that a mask selects: files (never folders) matching
// one of the patterns, hidden ones only with hidden, system ones only with
// system; one name per matching pattern; in the user's collation order.
// Names holding CR or LF are left out: no playlist line can hold them.
// lineBreaks, when given, grows by the names so left out, one per matching
// pattern as the names are.
std::vector<std::string> SelectFiles(const std::vector<DirEntry>& entries, const FileMask& mask, bool hidden,
                                     bool system, int64_t* lineBreaks = nullptr);
// The same as views into entries, sorted by collation, into names.
void SelectNames(const std::vector<DirEntry>& entries, const FileMask& mask, bool hidden, bool system,
                 int64_t* lineBreaks, const Collation& collation, std::vector<std::string_view>& names);

// The failure lines of an output file and of a folder whose stored text was
// cut on reading (PlaylistDefinition::fileCut, pathCut).
std::string CutOutputLine(const std::string& output);
std::string CutFolderLine(const std::string& folder);

// Builds one definition: records its output in the occupied list, skips it
// when not ticked, refuses an output or folder text that was cut on reading,
// skips it when its output exists and overwrite is off, gathers and
// filters the files straight into the playlist file (the old file stays as it
// was when a folder cannot be listed, and when nothing changed) and logs the
// outcome.
BuildResult BuildPlaylist(const PlaylistDefinition& definition, bool ticked, bool overwrite, BuildContext& context);

}  // namespace zorbex
