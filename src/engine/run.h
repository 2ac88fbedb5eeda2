#pragma once
// The run: every ticked playlist definition into its playlist file, then
// every ticked union into its union file. The run reads its rows, ticks,
// definitions and options from a host and reports its progress back; the
// main window is one host, an unattended run without a window another.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/definitions.h"
#include "engine/playlist_builder.h"
#include "engine/union_builder.h"
#include "engine/version.h"

namespace zorbex {

inline constexpr const char* kNothingTickedMessage = "Не выбран ни один плейлист для создания.";
inline constexpr const char* kOutOfStepMessage =
    "Количество плейлистов и объединений в списке прогресса и файле конфигурации не совпадает.\n"
    "Выберите пункт «обновить список» в выпадающем меню списка прогресса и попробуйте снова.";

// 100 when total is 0, else done * 100 / total truncated toward zero.
int PercentOf(int64_t done, int64_t total);

// The options that change what the run does.
struct RunOptions {
    bool overwrite = false;  // existing outputs are written anew
};

// What the run reads, each at the moment it needs it.
class RunInput {
public:
    virtual ~RunInput() = default;

    // The process list: rows 0 .. P-1 are playlist definitions 1 .. P, then
    // the unions. A tick is read when the run reaches its row; the list may
    // be refilled while the run yields, so a row beyond the list must read
    // as not ticked.
    virtual int RowCount() = 0;
    virtual bool RowTicked(int row) = 0;

    // A definition as its editor holds it once loaded there.
    virtual PlaylistDefinition LoadPlaylist(int n) = 0;
    virtual UnionDefinition LoadUnion(int m) = 0;

    virtual RunOptions Options() = 0;

    // Asked after every folder visit and between definitions: true ends the
    // run there. The definition in progress keeps its old file, nothing more
    // is logged or reported, and Run returns kStopped.
    virtual bool StopRequested() { return false; }
};

enum class RunPhase { kPlaylists, kUnions };

// What the run tells as it goes, in this order: Starting, then either
// Refused or Started; log lines; each phase with the definitions in it;
// Finished, followed by the last log line.
class RunReport {
public:
    virtual ~RunReport() = default;

    virtual void Starting() {}  // the checks come next
    virtual void Refused(const std::string& /*message*/) {}
    virtual void Started() {}  // the checks passed; the log begins
    virtual void LogLine(const std::string& /*line*/) {}
    virtual void PhaseStarted(RunPhase /*phase*/, int /*count*/) {}
    // Definition k (from 1) of the phase begins; percent is the share of the
    // run's definitions begun so far, this one included.
    virtual void DefinitionStarted(int /*k*/, int /*percent*/) {}
    virtual void Finished() {}
    virtual void Yield() {}  // once per folder visited: let pending events run
};

class RunHost : public RunInput, public RunReport {};

enum class RunStatus {
    kNothingTicked,  // refused: no row ticked
    kOutOfStep,      // refused: the list does not match the settings file
    kCompleted,
    kStopped,  // the host asked to stop: the run ended where it was
};

struct RunResult {
    RunStatus status = RunStatus::kCompleted;
    // Outcomes of every definition, in order (P playlists, U unions).
    std::vector<BuildOutcome> playlists;
    std::vector<UnionOutcome> unions;
    // Ticked definitions that could not be built: a folder not found, an
    // output that could not be written, a union on a playlist's file.
    // Outputs kept because they exist are no failure.
    int failed = 0;

    bool Refused() const { return status == RunStatus::kNothingTicked || status == RunStatus::kOutOfStep; }
};

// Whether an outcome counts as a failed ticked definition (RunResult::failed).
bool IsFailure(BuildOutcome outcome);
bool IsFailure(UnionOutcome outcome);

// A receiver of every folder the playlist walks visit (BuildContext::
// folderVisited); a host that watches the folders passes one to the run.
using FolderVisits = std::function<void(const std::string& folder, const DirListing* opened)>;

// The run from the start button (or the automatic start) to "готово.".
// The settings file in use gives the counts; relative paths are taken from places.baseDir.
RunResult Run(RunHost& host, const ProgramPlaces& places, const FolderVisits& visits = {});

// A run of some playlist definitions only (numbers ascending): each of them
// built as the run builds it, then every ticked union that has one of them
// as a member. No header and no pre-run checks: the definitions were chosen
// by the caller. The occupied list still holds the outputs of every
// playlist definition, so a union is refused exactly where the full run
// would refuse it. Progress shows no share of the run (percent 0); a stop
// ends it as it ends a run.
RunResult RunSome(RunHost& host, const ProgramPlaces& places, const std::vector<int>& playlists,
                  const FolderVisits& visits = {});

// The outputs of playlist definitions 1 .. count as the host loads them, in
// definition order: what the union phase refuses.
OccupiedList PlaylistOutputs(RunInput& input, int count, const std::string& baseDir);

}  // namespace zorbex
