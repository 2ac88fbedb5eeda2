#pragma once
// Where the program keeps what it writes. A program folder the user can
// write (a folder of one's own, the portable install) holds everything, as
// it always did. One the user cannot write (a folder of root's, a read-only
// mount), and one a package installed (marked by kPackageMarkName, whoever
// runs the program, root too), keeps only the executable and the help
// file: the settings file goes to the user's own folder,
// $XDG_CONFIG_HOME/zorbex/ (~/.config/zorbex/), and paths given relative
// are read from the user's music folder. Decided once at start-up, for the
// whole process; every start decides afresh.
#include <string>

namespace zorbex {

struct ProgramPlaces {
    ProgramPlaces() = default;
    // A program folder that holds everything.
    explicit ProgramPlaces(const std::string& programDir)
        : programDir(programDir), baseDir(programDir), settingsDir(programDir) {}
    // The settings file and the relative paths in one folder.
    ProgramPlaces(std::string programDir, const std::string& baseDir, std::string unwritable = {})
        : programDir(std::move(programDir)),
          baseDir(baseDir),
          settingsDir(baseDir),
          unwritable(std::move(unwritable)) {}

    std::string programDir;   // the executable and the help file; ends with '/'
    std::string baseDir;      // the base of every relative path; ends with '/'
    std::string settingsDir;  // the folder of the settings file; ends with '/'
    // Said when neither place can be written (in Russian, naming both);
    // empty otherwise. The program goes on, reading what it can.
    std::string unwritable;
    // Why the settings file may not be used at all (settings/settings_trust.h);
    // empty when it may. The program then ends with a message, writing nothing.
    std::string refused;

    std::string SettingsFilePath() const;  // settingsDir + "Zorbl.Zrf"
};

// A file a package installs beside the executable: its program folder is
// never written, even by root.
inline constexpr char kPackageMarkName[] = "zorbex.package";
// The administrator's settings, each user's first copy when present.
inline constexpr char kSystemSettingsFile[] = "/etc/zorbex/Zorbl.Zrf";

// The user's folder that stands in for the program's: configHome + "/zorbex/".
std::string UserProgramFolder(const std::string& configHome);

// What a start needs to know of the user: configHome as ConfigHome() gives
// it (empty when no home is known), musicDir as MusicFolderFrom() does.
struct UserPlaces {
    std::string configHome;
    std::string musicDir;
    std::string systemSettings = kSystemSettingsFile;
};
UserPlaces UserPlacesOfProcess();

// programDir ends with '/'. When the user's folder is to be used it is
// created (0700) and, while it has no settings file, one is made there as a
// copy of the system's settings file, else of the program folder's (whole or
// not at all, and never over a file another start made meanwhile).
ProgramPlaces ChooseProgramPlaces(const std::string& programDir, const UserPlaces& user);
ProgramPlaces ChooseProgramPlaces(const std::string& programDir);  // this process's environment
// The same choice with nothing made or copied: for a start that only
// answers a question (--help) and must leave no trace.
ProgramPlaces LookUpProgramPlaces(const std::string& programDir, const UserPlaces& user);

}  // namespace zorbex
