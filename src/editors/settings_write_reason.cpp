#include "editors/settings_write_reason.h"

namespace zorbex {

void SaySettingsWriteReason(const SettingsWriteError& error, std::ostream& err) {
    err << "zorbex: файл настроек «" << error.path()
        << "» не записан: " << (error.locked() ? "он заблокирован другим процессом" : error.reason()) << '.'
        << std::endl;
}

}  // namespace zorbex
