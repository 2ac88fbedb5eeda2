#pragma once
// `zorbex --watch`: the unattended run, then playlists that follow their
// folders. After the first run (exactly as `zorbex /start`) the program
// follows the folders each ticked playlist definition's walk visited, the
// way down to them, the settings file and the outputs, and rebuilds a
// definition, then the ticked unions that include it, a moment after its
// folders change; a change of the settings file brings a full run. What the
// kernel cannot watch is checked every minute or so (ZORBEX_POLL_SECONDS),
// everything once an hour. It sleeps in the kernel between, and ends on
// SIGTERM, SIGINT or SIGHUP, abandoning a rebuild in progress.
#include <ostream>
#include <string>

#include "cli/watch_schedule.h"
#include "settings/program_places.h"

namespace zorbex {

// The status of the first run when it was refused (kExitRefused), else 0
// once a signal ends the watch; kExitRefused also when waiting for events
// fails (said on errors).
int RunWatch(const ProgramPlaces& places, std::ostream& log, std::ostream& errors,
             const WatchSchedule::Timing& timing = {});

// The line that begins the log of every rebuild: local time, seconds.
std::string RebuildTimeLine();

}  // namespace zorbex
