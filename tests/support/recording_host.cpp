#include "support/recording_host.h"

#include "settings/settings_file.h"

namespace zx_test {

using namespace zorbex;

void RecordingHost::TickEveryRow() {
    const SettingsFile settings(SettingsPath(programDir_));
    ticks.assign(static_cast<size_t>(ReadPlaylistCount(settings) + ReadUnionCount(settings)), true);
}

bool RecordingHost::RowTicked(int row) { return row >= 0 && row < RowCount() && ticks[static_cast<size_t>(row)]; }

PlaylistDefinition RecordingHost::LoadPlaylist(int n) {
    events.push_back("LoadPlaylist " + std::to_string(n));
    return ReadPlaylistDefinition(SettingsFile(SettingsPath(programDir_)), n, "/nonexistent-music");
}

UnionDefinition RecordingHost::LoadUnion(int m) {
    events.push_back("LoadUnion " + std::to_string(m));
    if (onLoadUnion) onLoadUnion(m);
    return ReadUnionDefinition(SettingsFile(SettingsPath(programDir_)), m);
}

void RecordingHost::LogLine(const std::string& line) {
    log.push_back(line);
    events.push_back("Log " + line);
}

void RecordingHost::PhaseStarted(RunPhase phase, int count) {
    events.push_back(std::string("Phase ") + (phase == RunPhase::kPlaylists ? "playlists " : "unions ") +
                     std::to_string(count));
}

void RecordingHost::DefinitionStarted(int k, int percent) {
    events.push_back("Definition " + std::to_string(k) + " " + std::to_string(percent));
}

void RecordingHost::Yield() {
    ++yields;
    if (onYield) onYield(yields);
}

RecordingHost::Lines Concat(std::initializer_list<RecordingHost::Lines> parts) {
    RecordingHost::Lines all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

RecordingHost::Lines Only(const RecordingHost::Lines& events, std::initializer_list<std::string> prefixes) {
    RecordingHost::Lines picked;
    for (const std::string& e : events) {
        for (const std::string& p : prefixes) {
            if (e.starts_with(p)) {
                picked.push_back(e);
                break;
            }
        }
    }
    return picked;
}

}  // namespace zx_test
