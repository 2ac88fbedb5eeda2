#pragma once
// Opening the window system. Qt ends the process (abort, status 134) when its
// platform plugin cannot reach the display; a dropped `ssh -X` session, a cron
// line that inherited DISPLAY or a Wayland socket that is gone must not end
// the program like that.
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "settings/program_places.h"

namespace zorbex {

// The start when the display could not be opened. With an automatic-run
// switch as the first argument: one line on err saying so, then the
// unattended run exactly as without a display, and its status. Otherwise one
// line on err and status 2.
int StartWithUnreachableDisplay(const std::vector<std::string>& args, const ProgramPlaces& places, std::ostream& out,
                                std::ostream& err);

// Runs create(), which constructs the application object. The messages Qt
// gives meanwhile are held back: passed on when create() returns, dropped
// when the window system cannot be opened, in which case unreachable() runs
// and the process ends with its status (create() does not return then).
void OpenWindowSystem(const std::function<void()>& create, const std::function<int()>& unreachable);

}  // namespace zorbex
