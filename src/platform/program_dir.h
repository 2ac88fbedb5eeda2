#pragma once
#include <string>

namespace zorbex {

// Folder of the running executable, with a trailing '/'. The settings file and
// every relative output path of a run are taken from here.
std::string ProgramDirectory();

// Files of the program's own that live in that folder beside the settings file.
inline constexpr const char* kHelpFileName = "zorbhelp.hlp";
inline constexpr const char* kExecutableName = "zorbex";

}  // namespace zorbex
