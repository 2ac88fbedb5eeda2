#include "settings/settings_trust.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/file_system_kind.h"
#include "platform/path_parts.h"
#include "platform/path_walk.h"

namespace zorbex {
namespace {

// The group is the user's alone: named as the user, no other member listed.
bool PrivateGroup(gid_t gid) {
    const struct passwd* user = ::getpwuid(::geteuid());
    if (!user || user->pw_gid != gid) return false;
    const std::string name = user->pw_name;
    const struct group* group = ::getgrgid(gid);
    if (!group || name != group->gr_name) return false;
    for (char** member = group->gr_mem; member && *member; ++member)
        if (name != *member) return false;
    return true;
}

bool Foreign(const struct stat& st) { return st.st_uid != 0 && st.st_uid != ::geteuid(); }

bool OthersMayWrite(const struct stat& st) {
    return (st.st_mode & S_IWOTH) != 0 || ((st.st_mode & S_IWGRP) != 0 && !PrivateGroup(st.st_gid));
}

}  // namespace

std::optional<std::string> SettingsRefusal(const std::string& path) {
    // Where a write would land: the file a link leads to, and its folder.
    const WriteLocation at = LocateForWriting(path);
    struct stat folder {};
    if (!at.folder.valid() || ::fstat(at.folder.get(), &folder) != 0) return std::nullopt;
    if (WithoutOwners(at.folder.get(), folder.st_dev)) return std::nullopt;
    const std::string start = "Файл настроек «" + path + "» не используется: ";
    if (at.exists() && Foreign(at.st)) return start + "он принадлежит другому пользователю";
    if (at.exists() && OthersMayWrite(at.st)) return start + "его могут изменить другие пользователи";
    const std::string part = FolderPart(path);
    const std::string folderPath = part.empty() ? std::string(".") : part;
    if (Foreign(folder)) return start + "его каталог «" + folderPath + "» принадлежит другому пользователю";
    if ((folder.st_mode & S_ISVTX) == 0 && OthersMayWrite(folder))
        return start + "его каталог «" + folderPath + "» могут изменить другие пользователи";
    return std::nullopt;
}

}  // namespace zorbex
