#include "cli/unattended_run.h"

#include <exception>

#include "engine/definitions.h"
#include "platform/error_text.h"
#include "settings/program_options.h"
#include "settings/settings_file.h"

namespace zorbex {

UnattendedHost::UnattendedHost(const ProgramPlaces& places, std::ostream& log, std::ostream& errors)
    : settingsFile_(places.SettingsFilePath()), log_(log), errors_(errors) {
    // Read once, as the window fills its list once at start-up: the row
    // count then matches the counts the run reads a moment later.
    const SettingsSnapshot settings{SettingsFile(settingsFile_)};
    const int rows = ReadPlaylistCount(settings) + ReadUnionCount(settings);
    ticks_.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) ticks_.push_back(ReadRememberedTick(settings, row));
    overwrite_ = ReadProgramOptions(settings).overwrite;
}

int UnattendedHost::RowCount() { return static_cast<int>(ticks_.size()); }

bool UnattendedHost::RowTicked(int row) { return row >= 0 && row < RowCount() && ticks_[static_cast<size_t>(row)]; }

PlaylistDefinition UnattendedHost::LoadPlaylist(int n) {
    return ReadPlaylistDefinition(SettingsFile(settingsFile_), n);
}

UnionDefinition UnattendedHost::LoadUnion(int m) { return ReadUnionDefinition(SettingsFile(settingsFile_), m); }

void UnattendedHost::Refused(const std::string& message) { errors_ << message << std::endl; }

// Flushed per line so that a watcher (journal, tail, ssh) sees the run move.
void UnattendedHost::LogLine(const std::string& line) { log_ << line << std::endl; }

namespace {

// Keeps the log lines of each definition, the heading first, so that those
// of the failed ones can be told again once the run knows which they are.
class FailureTellingHost : public UnattendedHost {
public:
    using UnattendedHost::UnattendedHost;

    void DefinitionStarted(int /*k*/, int /*percent*/) override { blocks_.emplace_back(); }
    void Finished() override { finished_ = true; }
    void LogLine(const std::string& line) override {
        UnattendedHost::LogLine(line);
        if (!blocks_.empty() && !finished_) blocks_.back().push_back(line);
    }

    // Blocks come in the run's order: the playlists, then the unions.
    void TellFailures(const RunResult& result, std::ostream& errors) const {
        std::vector<bool> failed;
        for (BuildOutcome outcome : result.playlists) failed.push_back(IsFailure(outcome));
        for (UnionOutcome outcome : result.unions) failed.push_back(IsFailure(outcome));
        for (size_t i = 0; i < failed.size() && i < blocks_.size(); ++i) {
            if (!failed[i] || blocks_[i].empty()) continue;
            const std::string& heading = blocks_[i].front();
            for (size_t j = 1; j < blocks_[i].size(); ++j) {
                const std::string& line = blocks_[i][j];
                const size_t text = line.find_first_not_of(' ');
                errors << "zorbex: " << heading << ": " << (text == std::string::npos ? line : line.substr(text))
                       << '\n';
            }
        }
        errors.flush();
    }

private:
    std::vector<std::vector<std::string>> blocks_;
    bool finished_ = false;
};

}  // namespace

int ExitStatusOf(const RunResult& result) {
    // A stopped run (the window closed during it) did not complete either.
    if (result.Refused() || result.status == RunStatus::kStopped) return kExitRefused;
    return result.failed > 0 ? kExitSomeFailed : kExitCompleted;
}

int RunUnattended(const ProgramPlaces& places, std::ostream& log, std::ostream& errors, bool tellFailures) {
    return RunUnattended(places, errors, [&] {
        FailureTellingHost host(places, log, errors);
        const RunResult result = Run(host, places);
        if (tellFailures) host.TellFailures(result, errors);
        return result;
    });
}

int RunUnattended(const ProgramPlaces& places, std::ostream& errors, const std::function<RunResult()>& run) {
    try {
        {
            SettingsFile settings(places.SettingsFilePath());
            TakeFirstStartMark(settings);
        }
        return ExitStatusOf(run());
    } catch (const SettingsWriteError& e) {
        errors << e.what() << '.' << std::endl;
        if (!e.reason().empty()) errors << "Причина: " << e.reason() << '.' << std::endl;
        if (e.locked()) errors << kSettingsLockedMessage << std::endl;
        if (!places.unwritable.empty()) errors << places.unwritable << '.' << std::endl;
        return kExitRefused;
    } catch (...) {
        // What the window's error display would show; the run did not happen
        // as asked, so a scheduler must not take it for success.
        errors << ErrorText(std::current_exception()) << '.' << std::endl;
        return kExitRefused;
    }
}

}  // namespace zorbex
