#pragma once
// What the window and its pages receive from outside: where the program's
// files live and how to talk to the user.
#include <string>
#include <utility>

#include "widgets/dialogs.h"

namespace zorbex {

struct AppContext {
    // A program folder that holds everything, the settings file included.
    AppContext(const std::string& programDir, IDialogs& dialogs) : AppContext(programDir, programDir, dialogs) {}
    AppContext(std::string programDir, std::string baseDir, IDialogs& dialogs)
        : programDir(std::move(programDir)), baseDir(baseDir), settingsDir(std::move(baseDir)), dialogs(dialogs) {}
    AppContext(std::string programDir, std::string baseDir, std::string settingsDir, IDialogs& dialogs)
        : programDir(std::move(programDir)),
          baseDir(std::move(baseDir)),
          settingsDir(std::move(settingsDir)),
          dialogs(dialogs) {}

    std::string programDir;  // the executable and the help file; with a trailing '/'
    // The base of relative paths and the settings file's folder: the program
    // folder, or the user's music and own folder (settings/program_places.h).
    std::string baseDir;
    std::string settingsDir;
    IDialogs& dialogs;
};

}  // namespace zorbex
