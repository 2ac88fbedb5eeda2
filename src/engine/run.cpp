#include "engine/run.h"

#include "settings/settings_file.h"

namespace zorbex {

bool IsFailure(BuildOutcome outcome) {
    return outcome == BuildOutcome::kFolderNotFound || outcome == BuildOutcome::kWriteFailed;
}

bool IsFailure(UnionOutcome outcome) {
    return outcome == UnionOutcome::kOccupied || outcome == UnionOutcome::kWriteFailed;
}

BuildContext RunBuildContext(RunHost& host, const ProgramPlaces& places, OccupiedList* occupied) {
    BuildContext build;
    build.places = places;
    build.occupied = occupied;
    build.log = [&host](const std::string& line) { host.LogLine(line); };
    build.yield = [&host] { host.Yield(); };
    build.stopRequested = [&host] { return host.StopRequested(); };
    build.folderVisited = host.FolderVisits();
    return build;
}

UnionContext RunUnionContext(RunHost& host, const ProgramPlaces& places, OccupiedList* occupied) {
    UnionContext join;
    join.places = places;
    join.occupied = occupied;
    join.log = [&host](const std::string& line) { host.LogLine(line); };
    join.loadUnion = [&host](int m) { return host.LoadUnion(m); };
    join.memberFile = [&host](int n) { return MemberFileText(host.LoadPlaylist(n)); };
    return join;
}

int PercentOf(int64_t done, int64_t total) {
    if (total == 0) return 100;
    return static_cast<int>(done * 100 / total);
}

RunResult Run(RunHost& host, const ProgramPlaces& places) {
    RunResult result;

    host.Starting();
    const int rows = host.RowCount();
    int ticked = 0;
    for (int row = 0; row < rows; ++row) ticked += host.RowTicked(row) ? 1 : 0;
    if (ticked == 0) {
        host.Refused(kNothingTickedMessage);
        result.status = RunStatus::kNothingTicked;
        return result;
    }
    int playlists = 0;
    int unions = 0;
    {
        const SettingsFile settings(places.SettingsFile());
        playlists = ReadPlaylistCount(settings);
        unions = ReadUnionCount(settings);
    }
    if (rows != playlists + unions) {
        host.Refused(kOutOfStepMessage);
        result.status = RunStatus::kOutOfStep;
        return result;
    }

    host.Started();
    OccupiedList occupied;
    host.LogLine(std::string("Zorbex v") + kVersionText);
    host.LogLine("(журнал процесса)");
    host.LogLine("");

    int started = 0;

    host.PhaseStarted(RunPhase::kPlaylists, playlists);
    BuildContext build = RunBuildContext(host, places, &occupied);
    const auto stopped = [&] {
        if (!host.StopRequested()) return false;
        result.status = RunStatus::kStopped;
        return true;
    };
    for (int n = 1; n <= playlists; ++n) {
        if (stopped()) return result;
        host.DefinitionStarted(n, PercentOf(++started, rows));
        host.LogLine("плейлист №" + std::to_string(n));
        const PlaylistDefinition definition = host.LoadPlaylist(n);
        const bool rowTicked = host.RowTicked(n - 1);
        const BuildOutcome outcome = BuildPlaylist(definition, rowTicked, host.Options().overwrite, build).outcome;
        if (outcome == BuildOutcome::kStopped) {
            result.status = RunStatus::kStopped;
            return result;
        }
        result.playlists.push_back(outcome);
        if (IsFailure(outcome)) ++result.failed;
    }

    host.PhaseStarted(RunPhase::kUnions, unions);
    UnionContext join = RunUnionContext(host, places, &occupied);
    for (int m = 1; m <= unions; ++m) {
        if (stopped()) return result;
        host.DefinitionStarted(m, PercentOf(++started, rows));
        host.LogLine("объединение №" + std::to_string(m));
        const bool rowTicked = host.RowTicked(playlists + m - 1);
        const UnionOutcome outcome = BuildUnion(m, rowTicked, host.Options().overwrite, join).outcome;
        result.unions.push_back(outcome);
        if (IsFailure(outcome)) ++result.failed;
    }

    if (stopped()) return result;
    host.Finished();
    host.LogLine("готово.");
    return result;
}

}  // namespace zorbex
