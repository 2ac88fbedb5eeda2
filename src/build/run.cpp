#include "build/run.h"

#include <algorithm>

#include "settings/settings_file.h"

namespace zorbex {
namespace {

bool IsFailure(BuildOutcome outcome) {
    return outcome == BuildOutcome::kFolderNotFound || outcome == BuildOutcome::kWriteFailed;
}

bool IsFailure(UnionOutcome outcome) {
    return outcome == UnionOutcome::kOccupied || outcome == UnionOutcome::kWriteFailed;
}

// Moves both bars of the whole run and the progress bar to definition
// `position` of its phase, as definition `started` of the run begins.
void Advance(RunHost& host, int position, int started, int rows) {
    host.bar_progress().SetPosition(position);
    const int percent = PercentOf(started, rows);
    host.bar_total().SetPosition(percent);
    host.bar_compact().SetPosition(percent);
}

void LabelPhase(RunBar& bar, const std::string& prefix, int count) {
    bar.SetPosTextPrefix(prefix);
    bar.SetPosTextSuffix(" из " + std::to_string(count));
    bar.SetMax(std::max(count, 1));
}

}  // namespace

int PercentOf(int64_t done, int64_t total) {
    if (total == 0) return 100;
    return static_cast<int>(done * 100 / total);
}

RunResult Run(RunHost& host, const std::string& programDir) {
    RunResult result;

    // Pre-run checks; the bars go to 0 even when a check refuses.
    host.bar_progress().SetPosition(0);
    host.bar_total().SetPosition(0);
    host.bar_compact().SetPosition(0);
    const int rows = host.RowCount();
    int ticked = 0;
    for (int row = 0; row < rows; ++row) ticked += host.RowTicked(row) ? 1 : 0;
    if (ticked == 0) {
        host.ShowRefusal(kNothingTickedMessage);
        result.status = RunStatus::kNothingTicked;
        return result;
    }
    int playlists = 0;
    int unions = 0;
    {
        const SettingsFile settings(SettingsPath(programDir));
        playlists = ReadPlaylistCount(settings);
        unions = ReadUnionCount(settings);
    }
    if (rows != playlists + unions) {
        host.ShowRefusal(kOutOfStepMessage);
        result.status = RunStatus::kOutOfStep;
        return result;
    }

    // Start.
    host.SetQuitButtonEnabled(false);
    host.SetStartButton(false, "");
    host.Redraw();
    OccupiedList occupied;
    if (host.LogOption()) host.ShowLog();
    host.ClearLog();
    host.AppendLog(std::string("Zorbex v") + kVersionText);
    host.AppendLog("(журнал процесса)");
    host.AppendLog("");
    host.Redraw();
    host.bar_total().SetMax(100);
    host.bar_total().SetShowPosText(true);
    host.bar_compact().SetMax(100);
    host.bar_progress().SetShowPosText(true);
    LabelPhase(host.bar_progress(), "ПЛЕЙЛИСТ ", playlists);

    const auto log = [&host](const std::string& line) { host.AppendLog(line); };
    int started = 0;

    BuildContext build;
    build.programDir = programDir;
    build.occupied = &occupied;
    build.log = log;
    build.yield = [&host] { host.Yield(); };
    for (int n = 1; n <= playlists; ++n) {
        Advance(host, n, ++started, rows);
        host.AppendLog("плейлист №" + std::to_string(n));
        const PlaylistDefinition definition = host.LoadPlaylist(n);
        const bool rowTicked = host.RowTicked(n - 1);
        const BuildOutcome outcome = BuildPlaylist(definition, rowTicked, host.OverwriteOption(), build).outcome;
        result.playlists.push_back(outcome);
        if (IsFailure(outcome)) ++result.failed;
    }

    LabelPhase(host.bar_progress(), "ОБЪЕДИНЕНИЕ ", unions);
    UnionContext join;
    join.programDir = programDir;
    join.occupied = &occupied;
    join.log = log;
    join.loadUnion = [&host](int m) { return host.LoadUnion(m); };
    join.memberFile = [&host](int n) { return host.LoadPlaylist(n).file; };
    for (int m = 1; m <= unions; ++m) {
        Advance(host, m, ++started, rows);
        host.AppendLog("объединение №" + std::to_string(m));
        const bool rowTicked = host.RowTicked(playlists + m - 1);
        const UnionOutcome outcome = BuildUnion(m, rowTicked, host.OverwriteOption(), join).outcome;
        result.unions.push_back(outcome);
        if (IsFailure(outcome)) ++result.failed;
    }

    // End: the editors show definition 1 again, the window goes back to idle.
    host.LoadPlaylist(1);
    host.LoadUnion(1);
    host.bar_progress().SetPosTextPrefix("-");
    host.bar_progress().SetPosTextSuffix("-");
    host.bar_progress().SetPosition(std::max(unions, 1));
    host.bar_progress().SetShowPosText(false);
    host.bar_compact().SetPosition(100);
    host.SetQuitButtonEnabled(true);
    host.SetStartButton(true, kStartCaption);
    host.AppendLog("готово.");
    if (host.AutoRunMarker() && host.QuitOption()) {
        host.RequestQuit();
        result.quitRequested = true;
    }
    host.ClearAutoRunMarker();
    return result;
}

}  // namespace zorbex
