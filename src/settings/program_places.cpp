#include "settings/program_places.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/path_parts.h"
#include "platform/path_walk.h"
#include "platform/user_folders.h"
#include "settings/settings_file.h"
#include "settings/settings_lock.h"
#include "settings/settings_trust.h"

namespace zorbex {
namespace {

// With the effective ids, which are the ones the writes use; a read-only
// mount refuses even root.
bool CanWriteFolder(const std::string& dir) { return ::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) == 0; }

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 || errno != ENOENT;
}

bool CanWriteFile(const std::string& path) {
    return !Exists(path) || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// Every missing folder of dir, each 0700 as the user's configuration folders
// are; each made where the writer would put a file of that name, so that a
// link planted on the way leads nowhere.
bool MakeFolders(const std::string& dir) {
    for (size_t at = 1; at <= dir.size(); ++at) {
        if ((at < dir.size() && dir[at] != kPathSeparator) || dir[at - 1] == kPathSeparator) continue;
        const WriteLocation place = LocateForWriting(dir.substr(0, at));
        if (place.error == EISDIR) continue;  // ends in "." or "..": a folder that is there
        if (!place.ok()) return false;
        if (!place.exists() && ::mkdirat(place.folder.get(), place.name.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The administrator's settings as the user's first ones. Two starts of the
// same user at once: the lock makes one of them copy, the other finds the
// copy; a copy is never made over a file that is there.
bool CopyAtFirstUse(const std::string& from, const std::string& to) {
    const SettingsLock lock(to, SettingsLock::Mode::kExclusive);
    if (Exists(to)) return true;
    if (SettingsRefusal(from)) return true;  // never another user's settings: the defaults
    const std::optional<std::string> bytes = ReadWholeFile(from);
    if (!bytes) return true;  // nothing readable to start from: the defaults
    return WriteFileReplacing(to, *bytes).ok;
}

std::string NoPlaceMessage(const std::string& programDir, const std::string& userDir) {
    const std::string start = "Файл настроек некуда записать: нет права записи ни в каталог программы «" + programDir;
    if (userDir.empty()) return start + "», ни в каталог пользователя: не задан ни XDG_CONFIG_HOME, ни HOME";
    return start + "», ни в каталог «" + userDir + "»";
}

}  // namespace

std::string ProgramPlaces::SettingsFile() const { return SettingsPath(baseDir); }

std::string UserProgramFolder(const std::string& configHome) {
    return configHome.empty() ? std::string() : configHome + "/zorbex/";
}

ProgramPlaces ChooseProgramPlaces(const std::string& programDir, const std::string& configHome) {
    const std::string programSettings = SettingsPath(programDir);
    if (CanWriteFolder(programDir) && CanWriteFile(programSettings))
        return ProgramPlaces(programDir, programDir, {}, SettingsRefusal(programSettings).value_or(""));

    const std::string userDir = UserProgramFolder(configHome);
    const std::string userSettings = SettingsPath(userDir);
    if (!userDir.empty() && MakeFolders(userDir) && CanWriteFolder(userDir) && CanWriteFile(userSettings)) {
        // Checked before the copy: nothing is written into a folder others can change.
        if (auto refused = SettingsRefusal(userSettings)) return ProgramPlaces(programDir, userDir, {}, *refused);
        if (CopyAtFirstUse(programSettings, userSettings)) return ProgramPlaces(programDir, userDir);
    }

    // Neither can be written: read the user's own file when there is one,
    // else the administrator's, and say why nothing can be saved.
    const bool userFile = !userDir.empty() && Exists(userSettings);
    const std::string baseDir = userFile ? userDir : programDir;
    return ProgramPlaces(programDir, baseDir, NoPlaceMessage(programDir, userDir),
                         SettingsRefusal(SettingsPath(baseDir)).value_or(""));
}

ProgramPlaces ChooseProgramPlaces(const std::string& programDir) {
    return ChooseProgramPlaces(programDir, ConfigHome());
}

}  // namespace zorbex
