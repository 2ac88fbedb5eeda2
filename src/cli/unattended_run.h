#pragma once
// The run without a window: the process list is the remembered selection,
// the options come from the settings file, the log goes to a stream line by
// line and refusals to another, and the outcome becomes an exit status.
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/run.h"

namespace zorbex {

// Exit statuses a scheduler can act on.
inline constexpr int kExitCompleted = 0;   // every ticked definition built or kept
inline constexpr int kExitSomeFailed = 1;  // completed, but a ticked definition failed
inline constexpr int kExitRefused = 2;     // refused or stopped, or the settings file not writable

// A RunHost standing in for the window as a fresh start fills it: rows
// P + U from the settings file, row k ticked by `item_`k. Of the reports it
// keeps the log and the refusals.
class UnattendedHost : public RunHost {
public:
    UnattendedHost(const ProgramPlaces& places, std::ostream& log, std::ostream& errors);

    int RowCount() override;
    bool RowTicked(int row) override;
    PlaylistDefinition LoadPlaylist(int n) override;
    UnionDefinition LoadUnion(int m) override;
    RunOptions Options() override { return {overwrite_}; }
    void Refused(const std::string& message) override;
    void LogLine(const std::string& line) override;

private:
    std::string settingsFile_;
    std::ostream& log_;
    std::ostream& errors_;
    std::vector<bool> ticks_;
    bool overwrite_ = false;
};

int ExitStatusOf(const RunResult& result);

// The line on standard error after "Unable to write to …" when another
// process kept the settings file locked.
inline constexpr char kSettingsLockedMessage[] = "Файл настроек заблокирован другим процессом.";

// Start-up as a normal start does it to the settings file (`reset` read,
// then written as 0), then the run. Any error stops it with kExitRefused
// and its text (ErrorText) on errors; a settings write's reason follows
// its error ("Причина: …."), and when no place could be written, why. With tellFailures, the log
// lines of each failed definition are told on errors too, after the run,
// each after "zorbex: " and the definition's heading; a scheduler that
// throws the log away still hears of them.
int RunUnattended(const ProgramPlaces& places, std::ostream& log, std::ostream& errors, bool tellFailures = true);
// The same start with the run left to run(), which makes its own host.
int RunUnattended(const ProgramPlaces& places, std::ostream& errors, const std::function<RunResult()>& run);

}  // namespace zorbex
