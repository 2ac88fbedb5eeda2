#pragma once
// What the window and its pages receive from outside: where the program's
// files live and how to talk to the user.
#include <string>
#include <utility>

#include "settings/program_places.h"
#include "widgets/dialogs.h"

namespace zorbex {

struct AppContext {
    // A program folder that holds everything, the settings file included.
    AppContext(const std::string& programDir, IDialogs& dialogs) : AppContext(programDir, programDir, dialogs) {}
    AppContext(std::string programDir, std::string baseDir, IDialogs& dialogs)
        : programDir(std::move(programDir)), baseDir(baseDir), settingsDir(std::move(baseDir)), dialogs(dialogs) {}
    AppContext(const ProgramPlaces& places, IDialogs& dialogs)
        : programDir(places.programDir), baseDir(places.baseDir), settingsDir(places.settingsDir), dialogs(dialogs) {}

    ProgramPlaces Places() const {
        ProgramPlaces places(programDir, settingsDir);
        places.baseDir = baseDir;
        return places;
    }

    std::string programDir;  // the executable and the help file; with a trailing '/'
    // The base of relative paths and the settings file's folder: the program
    // folder, or the user's music and own folder (settings/program_places.h).
    std::string baseDir;
    std::string settingsDir;
    IDialogs& dialogs;
};

}  // namespace zorbex
