#pragma once
#include <string>

namespace zorbex {

// Folder of the running executable, with a trailing '/'. The help file is
// taken from here, and the settings file and relative paths too while the
// user can write it (settings/program_places.h).
std::string ProgramDirectory();

// Files of the program's own that live in that folder beside the settings file.
inline constexpr const char* kHelpFileName = "zorbhelp.hlp";
inline constexpr const char* kExecutableName = "zorbex";

}  // namespace zorbex
