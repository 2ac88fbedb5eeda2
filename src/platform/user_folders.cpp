#include "platform/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/path_parts.h"

namespace zorbex {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && IsAbsolutePath(home)) return home;
    std::vector<char> buf(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir &&
        IsAbsolutePath(found->pw_dir))
        return found->pw_dir;
    return "";
}

std::string ConfigHomeFrom(const char* xdgConfigHome, const std::string& home) {
    std::string dir;
    if (xdgConfigHome && IsAbsolutePath(xdgConfigHome)) {
        dir = xdgConfigHome;
    } else if (!home.empty()) {
        dir = home;
        while (!dir.empty() && dir.back() == kPathSeparator) dir.pop_back();
        dir += kPathSeparator;
        dir += ".config";
    }
    return WithoutTrailingSeparators(std::move(dir));
}

std::string ConfigHome() { return ConfigHomeFrom(std::getenv("XDG_CONFIG_HOME"), HomeFolder()); }

}  // namespace zorbex
