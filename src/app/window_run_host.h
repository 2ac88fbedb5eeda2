#pragma once
// The main window as the host of a run: ticks from the process list,
// definitions through the editors, options from their page; the run's
// progress shown in the log, the bars and the buttons.
#include <chrono>

#include "engine/run.h"

namespace zorbex {

class Tfrm_zorbl;

class TWindowRunHost : public RunHost {
public:
    explicit TWindowRunHost(Tfrm_zorbl& window);

    int RowCount() override;
    bool RowTicked(int row) override;
    PlaylistDefinition LoadPlaylist(int n) override;
    UnionDefinition LoadUnion(int m) override;
    RunOptions Options() override;
    bool StopRequested() override;

    void Starting() override;
    void Refused(const std::string& message) override;
    void Started() override;
    void LogLine(const std::string& line) override;
    void PhaseStarted(RunPhase phase, int count) override;
    void DefinitionStarted(int k, int percent) override;
    void Finished() override;
    void Yield() override;

    // Called right after Run returns: whether the program ends now, which
    // only an automatic run that completed with the quit option asks for. A
    // completed run also leaves the automatic start behind (its marker off);
    // a refused or stopped one keeps it for the window to act on.
    bool EndsProgram(const RunResult& result);

private:
    Tfrm_zorbl& window_;
    int phaseCount_ = 0;
    static constexpr std::chrono::microseconds kPollInterval{1000};
    bool polled_ = false;
    std::chrono::steady_clock::time_point lastPoll_;
};

}  // namespace zorbex
