#pragma once
// Settings that others can change are not used: whoever can write the
// settings file can name outputs anywhere its user can write (a .bashrc).
//
// Refused: a settings file, or the folder it lies in, owned by another user
// (root excepted); a file writable by others; a folder writable by others
// without the sticky bit (which would let them replace the file). Writable
// by the group counts as by others, unless the group is the user's own
// private group (named as the user, no other member listed).
//
// File systems without owners (FAT, exFAT, and block-device FUSE mounts such
// as exfat-fuse) show one owner and mode for every file, so they cannot
// tell: there the settings are used as they are, as the user's own.
#include <optional>
#include <string>

namespace zorbex {

// Why the settings file at path may not be used, in Russian and naming it;
// nothing when it may (a missing file is judged by its folder).
std::optional<std::string> SettingsRefusal(const std::string& path);

}  // namespace zorbex
