#pragma once
// A host for tests of the run: rows and ticks from a list, definitions from
// the settings file as the editors would load them, options as set, and
// every call the run makes, but the reads of ticks and options, in one list.
#include <functional>
#include <string>
#include <vector>

#include "engine/run.h"

namespace zx_test {

class RecordingHost : public zorbex::RunHost {
public:
    using Lines = std::vector<std::string>;

    explicit RecordingHost(std::string programDir) : programDir_(std::move(programDir)) {}

    // Ticks every row the settings file has definitions for.
    void TickEveryRow();

    int RowCount() override { return static_cast<int>(ticks.size()); }
    bool RowTicked(int row) override;
    zorbex::PlaylistDefinition LoadPlaylist(int n) override;
    zorbex::UnionDefinition LoadUnion(int m) override;
    zorbex::RunOptions Options() override { return options; }
    bool StopRequested() override { return stopRequested && stopRequested(); }

    void Starting() override { events.push_back("Starting"); }
    void Refused(const std::string& message) override { events.push_back("Refused " + message); }
    void Started() override { events.push_back("Started"); }
    void LogLine(const std::string& line) override;
    void PhaseStarted(zorbex::RunPhase phase, int count) override;
    void DefinitionStarted(int k, int percent) override;
    void Finished() override { events.push_back("Finished"); }
    void Yield() override;

    std::vector<bool> ticks;
    zorbex::RunOptions options{false};
    // "Starting", "Log <line>", "Phase playlists <count>", "Definition <k> <percent>",
    // "LoadPlaylist <n>", ...
    Lines events;
    Lines log;
    int yields = 0;
    std::function<void(int visit)> onYield;  // after the visit-th yield
    std::function<void(int m)> onLoadUnion;  // before union m is read
    std::function<bool()> stopRequested;

private:
    std::string programDir_;
};

// The three lines every run's log begins with.
inline const RecordingHost::Lines kLogHeader{"Zorbex v4.0i", "(журнал процесса)", ""};

RecordingHost::Lines Concat(std::initializer_list<RecordingHost::Lines> parts);

// The events that start with one of the prefixes, in order.
RecordingHost::Lines Only(const RecordingHost::Lines& events, std::initializer_list<std::string> prefixes);

}  // namespace zx_test
