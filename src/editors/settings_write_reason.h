#pragma once
// Why a settings write failed, said where the window has room for it: a line
// on the process's standard error beside the box, whose text stays fixed.
#include <iostream>

#include "settings/settings_file.h"

namespace zorbex {

// "zorbex: файл настроек «<path>» не записан: <reason>."
void SaySettingsWriteReason(const SettingsWriteError& error, std::ostream& err = std::cerr);

}  // namespace zorbex
