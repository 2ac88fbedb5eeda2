#pragma once
// A run of some playlist definitions only: each of them built as the run
// builds it, then every ticked union that has one of them as a member. The
// occupied list still holds the outputs of every playlist definition, so a
// union is refused exactly where the full run would refuse it.
#include <string>
#include <vector>

#include "engine/run.h"

namespace zorbex {

// playlists: definition numbers, ascending. Logs "плейлист №" n and the
// build's lines for each, "объединение №" m and its lines for each union,
// then "готово."; the host's ticks and options apply as in a run. No
// header and no pre-run checks: the definitions were chosen by the caller.
// A stop asked for by the host ends it as it ends a run (kStopped).
RunResult RunSome(RunHost& host, const ProgramPlaces& places, const std::vector<int>& playlists);

}  // namespace zorbex
