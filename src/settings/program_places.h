#pragma once
// Where the program keeps what it writes. A program folder the user can
// write (a folder of one's own, the portable install) holds everything, as
// it always did. One the user cannot write (installed by root under /usr,
// a read-only mount) keeps only the executable and the help file; the
// settings file and every path given relative to the program go to the
// user's own folder, $XDG_CONFIG_HOME/zorbex/ (~/.config/zorbex/), the way
// Windows sends such writes to a per-user store. Decided once at start-up,
// for the whole process; every start decides afresh.
#include <string>

namespace zorbex {

struct ProgramPlaces {
    ProgramPlaces() = default;
    // A program folder that holds everything.
    explicit ProgramPlaces(const std::string& programDir) : programDir(programDir), baseDir(programDir) {}
    ProgramPlaces(std::string programDir, std::string baseDir, std::string unwritable = {}, std::string refused = {})
        : programDir(std::move(programDir)),
          baseDir(std::move(baseDir)),
          unwritable(std::move(unwritable)),
          refused(std::move(refused)) {}

    std::string programDir;  // the executable and the help file; ends with '/'
    std::string baseDir;     // the settings file, and the base of every relative path; ends with '/'
    // Said when neither place can be written (in Russian, naming both);
    // empty otherwise. The program goes on, reading what it can.
    std::string unwritable;
    // Why the settings file may not be used at all (settings/settings_trust.h);
    // empty when it may. The program then ends with a message, writing nothing.
    std::string refused;

    std::string SettingsFile() const;  // baseDir + "Zorbl.Zrf"
};

// The user's folder that stands in for the program's: configHome + "/zorbex/".
std::string UserProgramFolder(const std::string& configHome);

// programDir ends with '/'; configHome as ConfigHome() gives it (empty when
// no home is known). When the program folder or its settings file cannot be
// written, the user's folder is created (0700) and, while it has no settings
// file, one is made there as a copy of the program folder's (whole or not at
// all, and never over a file another start made meanwhile).
ProgramPlaces ChooseProgramPlaces(const std::string& programDir, const std::string& configHome);
ProgramPlaces ChooseProgramPlaces(const std::string& programDir);  // this process's environment

}  // namespace zorbex
