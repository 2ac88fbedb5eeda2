#pragma once
// The user's own folders, by the rules desktop programs share (XDG base
// directories): where a program of the user's keeps its settings, and
// where the user keeps music.
#include <string>
#include <string_view>

namespace zorbex {

// $HOME when it is an absolute path, else the home folder of the account
// (the password database); empty when neither is known.
std::string HomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path (a relative or empty one is
// ignored, as the rules say), else home + "/.config"; empty when home is
// empty too. No trailing '/'.
std::string ConfigHomeFrom(const char* xdgConfigHome, const std::string& home);
std::string ConfigHome();  // of this process's environment

// The value of XDG_MUSIC_DIR in the text of a user-dirs.dirs file, which
// holds lines XDG_MUSIC_DIR="$HOME/Music" or "/an/absolute/path" (shell
// quoting, \ escapes); empty when the text names none in these forms.
std::string MusicDirFromUserDirs(std::string_view text, const std::string& home);
// The user's music folder, with a trailing '/': the XDG_MUSIC_DIR of
// configHome/user-dirs.dirs when it is a folder, else home/Music when it
// is one, else home itself; empty when home is empty.
std::string MusicFolderFrom(const std::string& configHome, const std::string& home);

}  // namespace zorbex
