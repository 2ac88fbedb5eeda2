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
        : programDir(std::move(programDir)), baseDir(std::move(baseDir)), dialogs(dialogs) {}

    std::string programDir;  // the executable and the help file; with a trailing '/'
    // The settings file and the base of relative paths: the program folder,
    // or the user's own folder when the program folder cannot be written.
    std::string baseDir;
    IDialogs& dialogs;
};

}  // namespace zorbex
