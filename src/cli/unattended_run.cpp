#include "cli/unattended_run.h"

#include <exception>

#include "build/definitions.h"
#include "platform/error_text.h"
#include "settings/settings_file.h"

namespace zorbex {

UnattendedHost::UnattendedHost(std::string programDir, std::ostream& log, std::ostream& errors)
    : programDir_(std::move(programDir)), log_(log), errors_(errors) {
    // Read once, as the window fills its list once at start-up: the row
    // count then matches the counts the run reads a moment later.
    const SettingsSnapshot settings{SettingsFile(SettingsPath(programDir_))};
    const int rows = ReadPlaylistCount(settings) + ReadUnionCount(settings);
    ticks_.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) ticks_.push_back(ReadRememberedTick(settings, row));
    overwrite_ = settings.ReadNumber(MainSection(), "overwrite", 0) != 0;
}

int UnattendedHost::RowCount() { return static_cast<int>(ticks_.size()); }

bool UnattendedHost::RowTicked(int row) {
    return row >= 0 && row < RowCount() && ticks_[static_cast<size_t>(row)];
}

PlaylistDefinition UnattendedHost::LoadPlaylist(int n) {
    return ReadPlaylistDefinition(SettingsFile(SettingsPath(programDir_)), n);
}

UnionDefinition UnattendedHost::LoadUnion(int m) {
    return ReadUnionDefinition(SettingsFile(SettingsPath(programDir_)), m);
}

void UnattendedHost::Refused(const std::string& message) { errors_ << message << std::endl; }

// Flushed per line so that a watcher (journal, tail, ssh) sees the run move.
void UnattendedHost::LogLine(const std::string& line) { log_ << line << std::endl; }

int ExitStatusOf(const RunResult& result) {
    if (result.Refused()) return kExitRefused;
    return result.failed > 0 ? kExitSomeFailed : kExitCompleted;
}

int RunUnattended(const std::string& programDir, std::ostream& log, std::ostream& errors) {
    try {
        {
            SettingsFile settings(SettingsPath(programDir));
            settings.ReadNumber(MainSection(), "reset", 1);
            settings.WriteNumber(MainSection(), "reset", 0);
        }
        UnattendedHost host(programDir, log, errors);
        return ExitStatusOf(Run(host, programDir));
    } catch (const SettingsWriteError& e) {
        errors << e.what() << '.' << std::endl;
        if (e.locked()) errors << kSettingsLockedMessage << std::endl;
        return kExitRefused;
    } catch (...) {
        // What the window's error display would show; the run did not happen
        // as asked, so a scheduler must not take it for success.
        errors << ErrorText(std::current_exception()) << '.' << std::endl;
        return kExitRefused;
    }
}

}  // namespace zorbex
