#include "settings/program_places.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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
    for (const std::string_view name : PathNames(dir)) {
        // The path up to and with this name.
        const WriteLocation place = LocateForWriting(dir.substr(0, name.data() + name.size() - dir.data()));
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

bool IsFolderOrMissing(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode);
}

std::string NoPlaceMessage(const std::string& programDir, const std::string& userDir) {
    const std::string start = "Файл настроек некуда записать: нет права записи ни в каталог программы «" + programDir;
    if (userDir.empty()) return start + "», ни в каталог пользователя: не задан ни XDG_CONFIG_HOME, ни HOME";
    // A file where the folder should be: the user can fix that, and no
    // permission would help.
    const std::string folder = WithoutTrailingSeparators(userDir);
    if (!IsFolderOrMissing(folder))
        return start + "», а «" + folder + "» - не каталог (там файл), и каталог пользователя не создать";
    return start + "», ни в каталог «" + userDir + "»";
}

bool Packaged(const std::string& programDir) { return Exists(programDir + kPackageMarkName); }

bool ProgramFolderHoldsAll(const std::string& programDir) {
    return !Packaged(programDir) && CanWriteFolder(programDir) && CanWriteFile(SettingsPath(programDir));
}

// The per-user places; relative paths from the music folder, or from the
// settings folder when no home is known.
ProgramPlaces UsersOwn(const std::string& programDir, const std::string& settingsDir, const UserPlaces& user,
                       std::string unwritable = {}) {
    ProgramPlaces places(programDir, settingsDir, std::move(unwritable));
    if (!user.musicDir.empty()) places.baseDir = user.musicDir;
    return places;
}

// The places with the verdict on the settings file in use.
ProgramPlaces Judged(ProgramPlaces places) {
    places.refused = SettingsRefusal(places.SettingsFilePath()).value_or("");
    return places;
}

}  // namespace

std::string ProgramPlaces::SettingsFilePath() const { return SettingsPath(settingsDir); }

std::string UserProgramFolder(const std::string& configHome) {
    return configHome.empty() ? std::string() : configHome + "/zorbex/";
}

UserPlaces UserPlacesOfProcess() {
    const std::string home = HomeFolder();
    const std::string configHome = ConfigHomeFrom(std::getenv("XDG_CONFIG_HOME"), home);
    return UserPlaces{configHome, MusicFolderFrom(configHome, home)};
}

ProgramPlaces ChooseProgramPlaces(const std::string& programDir, const UserPlaces& user) {
    if (ProgramFolderHoldsAll(programDir)) return Judged(ProgramPlaces(programDir));

    const std::string programSettings = SettingsPath(programDir);
    const std::string userDir = UserProgramFolder(user.configHome);
    const std::string userSettings = SettingsPath(userDir);
    const std::string firstCopy = Exists(user.systemSettings) ? user.systemSettings : programSettings;
    if (!userDir.empty() && MakeFolders(userDir) && CanWriteFolder(userDir) && CanWriteFile(userSettings)) {
        // Judged before the copy: nothing is written into a folder others can change.
        ProgramPlaces own = Judged(UsersOwn(programDir, userDir, user));
        if (!own.refused.empty() || CopyAtFirstUse(firstCopy, userSettings)) return own;
    }

    // Neither can be written: read the user's own file when there is one,
    // else the administrator's, and say why nothing can be saved.
    // A package's folder is not written even then, though root could: the
    // user's place stays the one the writes fail on.
    const std::string message = NoPlaceMessage(programDir, userDir);
    if (!userDir.empty() && (Exists(userSettings) || Packaged(programDir)))
        return Judged(UsersOwn(programDir, userDir, user, message));
    return Judged(ProgramPlaces(programDir, programDir, message));
}

ProgramPlaces ChooseProgramPlaces(const std::string& programDir) {
    return ChooseProgramPlaces(programDir, UserPlacesOfProcess());
}

ProgramPlaces LookUpProgramPlaces(const std::string& programDir, const UserPlaces& user) {
    if (ProgramFolderHoldsAll(programDir)) return ProgramPlaces(programDir);
    const std::string userDir = UserProgramFolder(user.configHome);
    if (userDir.empty()) return ProgramPlaces(programDir);
    return UsersOwn(programDir, userDir, user);
}

}  // namespace zorbex
