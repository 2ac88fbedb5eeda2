#pragma once
// The user's own folders, by the rules desktop programs share (XDG base
// directories): where a program of the user's keeps its settings.
#include <string>

namespace zorbex {

// $HOME when it is an absolute path, else the home folder of the account
// (the password database); empty when neither is known.
std::string HomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path (a relative or empty one is
// ignored, as the rules say), else home + "/.config"; empty when home is
// empty too. No trailing '/'.
std::string ConfigHomeFrom(const char* xdgConfigHome, const std::string& home);
std::string ConfigHome();  // of this process's environment

}  // namespace zorbex
