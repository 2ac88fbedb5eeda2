#pragma once
// The seven options of the main section and the `reset` mark: their keys,
// their defaults and the order a save writes them in. The window's options
// page and the unattended run both read them through here.
#include "settings/settings_file.h"

namespace zorbex {

// The seven options as the options page shows them, each with its default:
// what a settings file without its key gives.
struct ProgramOptions {
    bool processPage = true;  // `process`: a normal start shows the process page
    bool compact = false;     // `compact`: an automatic run shows the strip alone
    bool quit = true;         // `terminate`: an automatic run ends the program
    bool topmost = false;     // `topmost`: an automatic run stays on top
    bool remember = true;     // `remember`: the exit button saves the ticks
    bool overwrite = false;   // `overwrite`: existing outputs are written anew
    bool log = true;          // `log`: the log shows during a run
};

// Any non-zero number sets an option; a missing or malformed one takes its
// default.
ProgramOptions ReadProgramOptions(const SettingsReader& settings);

// Key by key, as 1 or 0: process, terminate, remember, overwrite, compact,
// topmost, log. A SettingsWriteError stops the sequence; earlier keys stay.
void WriteProgramOptions(SettingsFile& settings, const ProgramOptions& options);

// What every start does first: reads `reset` (missing: 1) and writes it as
// 0. True when it was not 0, i.e. on the first start with this file.
// Raises SettingsWriteError when the file cannot be written.
bool TakeFirstStartMark(SettingsFile& settings);

}  // namespace zorbex
