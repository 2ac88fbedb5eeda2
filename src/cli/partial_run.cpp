#include "cli/partial_run.h"

#include "engine/definitions.h"
#include "settings/settings_file.h"

namespace zorbex {

RunResult RunSome(RunHost& host, const ProgramPlaces& places, const std::vector<int>& playlists) {
    RunResult result;
    int total = 0;
    int unions = 0;
    {
        const SettingsFile settings(places.SettingsFile());
        total = ReadPlaylistCount(settings);
        unions = ReadUnionCount(settings);
    }
    const auto stopped = [&] {
        if (!host.StopRequested()) return false;
        result.status = RunStatus::kStopped;
        return true;
    };
    OccupiedList occupied;
    for (int n = 1; n <= total; ++n) occupied.Add(ResolveOutputPath(host.LoadPlaylist(n).file, places.baseDir));

    // Each build adds its own output again; that copy is not wanted here.
    OccupiedList scratch;
    BuildContext build = RunBuildContext(host, places, &scratch);
    std::vector<int> rebuilt;
    host.PhaseStarted(RunPhase::kPlaylists, static_cast<int>(playlists.size()));
    for (int n : playlists) {
        if (n < 1 || n > total) continue;
        if (stopped()) return result;
        host.DefinitionStarted(n, 0);
        host.LogLine("плейлист №" + std::to_string(n));
        const PlaylistDefinition definition = host.LoadPlaylist(n);
        const BuildOutcome outcome =
            BuildPlaylist(definition, host.RowTicked(n - 1), host.Options().overwrite, build).outcome;
        if (outcome == BuildOutcome::kStopped) {
            result.status = RunStatus::kStopped;
            return result;
        }
        result.playlists.push_back(outcome);
        if (IsFailure(outcome)) ++result.failed;
        rebuilt.push_back(n);
    }

    UnionContext join = RunUnionContext(host, places, &occupied);
    host.PhaseStarted(RunPhase::kUnions, unions);
    for (int m = 1; m <= unions; ++m) {
        if (!host.RowTicked(total + m - 1)) continue;
        const UnionDefinition definition = host.LoadUnion(m);
        bool member = false;
        for (int n : rebuilt) {
            member = member || (static_cast<size_t>(n - 1) < definition.members.size() && definition.members[n - 1]);
        }
        if (!member) continue;
        if (stopped()) return result;
        host.DefinitionStarted(m, 0);
        host.LogLine("объединение №" + std::to_string(m));
        const UnionOutcome outcome = BuildUnion(m, true, host.Options().overwrite, join).outcome;
        result.unions.push_back(outcome);
        if (IsFailure(outcome)) ++result.failed;
    }
    if (stopped()) return result;
    host.Finished();
    host.LogLine("готово.");
    return result;
}

}  // namespace zorbex
