#pragma once
#include <string>

namespace zorbex {

// Folder of the running executable, with a trailing '/'. The settings file and
// every relative output path of a run are taken from here.
std::string ProgramDirectory();

}  // namespace zorbex
