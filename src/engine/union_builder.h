#pragma once
// Building one union definition: the playlist files of its members, read
// back from disk in definition order, joined into one file of the playlist
// format (every line ended by CR LF).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/definitions.h"
#include "engine/playlist_builder.h"

namespace zorbex {

// The lines of a playlist file: the bytes up to the first NUL, split at
// CR LF, a lone CR or a lone LF. Empty lines between two line ends are kept;
// a line end at the very end makes no extra line.
std::vector<std::string> SplitPlaylistLines(std::string_view bytes);

enum class UnionOutcome {
    kDisabled,      // row not ticked
    kOccupied,      // the output is a playlist definition's file
    kKeptExisting,  // output exists and overwriting is off
    kWriteFailed,   // the union file could not be written
    kWritten,
};

struct UnionResult {
    UnionOutcome outcome = UnionOutcome::kDisabled;
    std::string output;  // the resolved output path (empty when not ticked)
    int64_t joined = 0;  // ticked members, readable or not
    int64_t lines = 0;   // lines written
};

// What a union build needs from the run around it.
struct UnionContext {
    ProgramPlaces places;                    // baseDir: the base of every relative path
    const OccupiedList* occupied = nullptr;  // the playlist outputs of this run
    std::function<void(const std::string&)> log;
    // Union m as loaded into its editor.
    std::function<UnionDefinition(int m)> loadUnion;
    // The output file text of playlist definition n, as loaded into its
    // editor; nothing when that text was cut on reading (it names another file).
    std::function<std::optional<std::string>(int n)> memberFile;
};

// What memberFile gives for a playlist definition.
std::optional<std::string> MemberFileText(const PlaylistDefinition& member);

// Builds union m. Nothing is loaded when the row is not ticked. An output
// that names a playlist definition's file, in any spelling, is refused
// before the existing-file rule is asked.
UnionResult BuildUnion(int m, bool ticked, bool overwrite, UnionContext& context);

}  // namespace zorbex
