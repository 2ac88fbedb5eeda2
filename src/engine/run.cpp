#include "engine/run.h"

#include "settings/settings_file.h"

namespace zorbex {
namespace {

// What a run hands its builds: the host's log, yields and stop requests,
// relative paths from places, outputs into occupied.
BuildContext RunBuildContext(RunHost& host, const ProgramPlaces& places, OccupiedList* occupied,
                             const FolderVisits& visits) {
    BuildContext build;
    build.places = places;
    build.occupied = occupied;
    build.log = [&host](const std::string& line) { host.LogLine(line); };
    build.yield = [&host] { host.Yield(); };
    build.stopRequested = [&host] { return host.StopRequested(); };
    build.folderVisited = visits;
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

struct Counts {
    int playlists = 0;
    int unions = 0;
};

Counts ReadCounts(const ProgramPlaces& places) {
    const SettingsFile settings(places.SettingsFilePath());
    return {ReadPlaylistCount(settings), ReadUnionCount(settings)};
}

bool HasMember(const UnionDefinition& definition, const std::vector<int>& playlists) {
    for (int n : playlists) {
        if (static_cast<size_t>(n - 1) < definition.members.size() && definition.members[n - 1]) return true;
    }
    return false;
}

// The loop of every run: the playlist phase, then the union phase. some
// names the playlist definitions to build, or none for all of them; with
// some, only the ticked unions with a member built are built.
void BuildDefinitions(RunHost& host, const ProgramPlaces& places, const Counts& counts, const std::vector<int>* some,
                      const FolderVisits& visits, RunResult& result) {
    const auto stopped = [&] {
        if (!host.StopRequested()) return false;
        result.status = RunStatus::kStopped;
        return true;
    };
    int started = 0;
    const auto percent = [&] { return some ? 0 : PercentOf(++started, counts.playlists + counts.unions); };

    // Some definitions are built among the outputs of all; each build's own
    // record of its output is not wanted then.
    OccupiedList occupied = some ? PlaylistOutputs(host, counts.playlists, places.baseDir) : OccupiedList();
    OccupiedList ownRecords;
    BuildContext build = RunBuildContext(host, places, some ? &ownRecords : &occupied, visits);
    std::vector<int> built;
    host.PhaseStarted(RunPhase::kPlaylists, some ? static_cast<int>(some->size()) : counts.playlists);
    const auto buildPlaylist = [&](int n) {
        if (stopped()) return false;
        host.DefinitionStarted(n, percent());
        host.LogLine("плейлист №" + std::to_string(n));
        const PlaylistDefinition definition = host.LoadPlaylist(n);
        const bool rowTicked = host.RowTicked(n - 1);
        const BuildOutcome outcome = BuildPlaylist(definition, rowTicked, host.Options().overwrite, build).outcome;
        if (outcome == BuildOutcome::kStopped) {
            result.status = RunStatus::kStopped;
            return false;
        }
        result.playlists.push_back(outcome);
        if (IsFailure(outcome)) ++result.failed;
        built.push_back(n);
        return true;
    };
    if (some) {
        for (int n : *some) {
            if (n >= 1 && n <= counts.playlists && !buildPlaylist(n)) return;
        }
    } else {
        for (int n = 1; n <= counts.playlists; ++n) {
            if (!buildPlaylist(n)) return;
        }
    }

    UnionContext join = RunUnionContext(host, places, &occupied);
    host.PhaseStarted(RunPhase::kUnions, counts.unions);
    for (int m = 1; m <= counts.unions; ++m) {
        const int row = counts.playlists + m - 1;
        if (some && (!host.RowTicked(row) || !HasMember(host.LoadUnion(m), built))) continue;
        if (stopped()) return;
        host.DefinitionStarted(m, percent());
        host.LogLine("объединение №" + std::to_string(m));
        const bool rowTicked = some || host.RowTicked(row);
        const UnionOutcome outcome = BuildUnion(m, rowTicked, host.Options().overwrite, join).outcome;
        result.unions.push_back(outcome);
        if (IsFailure(outcome)) ++result.failed;
    }

    if (stopped()) return;
    host.Finished();
    host.LogLine("готово.");
}

}  // namespace

bool IsFailure(BuildOutcome outcome) {
    return outcome == BuildOutcome::kFolderNotFound || outcome == BuildOutcome::kWriteFailed;
}

bool IsFailure(UnionOutcome outcome) {
    return outcome == UnionOutcome::kOccupied || outcome == UnionOutcome::kWriteFailed;
}

int PercentOf(int64_t done, int64_t total) {
    if (total == 0) return 100;
    return static_cast<int>(done * 100 / total);
}

OccupiedList PlaylistOutputs(RunInput& input, int count, const std::string& baseDir) {
    OccupiedList outputs;
    for (int n = 1; n <= count; ++n) outputs.Add(ResolveOutputPath(input.LoadPlaylist(n).file, baseDir));
    return outputs;
}

RunResult Run(RunHost& host, const ProgramPlaces& places, const FolderVisits& visits) {
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
    const Counts counts = ReadCounts(places);
    if (rows != counts.playlists + counts.unions) {
        host.Refused(kOutOfStepMessage);
        result.status = RunStatus::kOutOfStep;
        return result;
    }

    host.Started();
    host.LogLine(std::string("Zorbex v") + kVersionText);
    host.LogLine("(журнал процесса)");
    host.LogLine("");
    BuildDefinitions(host, places, counts, nullptr, visits, result);
    return result;
}

RunResult RunSome(RunHost& host, const ProgramPlaces& places, const std::vector<int>& playlists,
                  const FolderVisits& visits) {
    RunResult result;
    BuildDefinitions(host, places, ReadCounts(places), &playlists, visits, result);
    return result;
}

}  // namespace zorbex
