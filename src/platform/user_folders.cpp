#include "platform/user_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/file_read.h"
#include "platform/path_parts.h"

namespace zorbex {
namespace {

bool IsFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// The text between double quotes, its \ escapes undone; nullopt unless
// the whole value is one such string.
std::optional<std::string> Unquoted(std::string_view value) {
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::nullopt;
    std::string text;
    for (size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '"') return std::nullopt;
        if (value[i] == '\\' && i + 2 < value.size()) ++i;
        text += value[i];
    }
    return text;
}

}  // namespace

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
        dir = WithTrailingSeparator(WithoutTrailingSeparators(home)) + ".config";
    }
    return WithoutTrailingSeparators(std::move(dir));
}

std::string MusicDirFromUserDirs(std::string_view text, const std::string& home) {
    std::string found;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        constexpr std::string_view kKey = "XDG_MUSIC_DIR=";
        if (line.substr(0, kKey.size()) != kKey) continue;
        const std::optional<std::string> value = Unquoted(line.substr(kKey.size()));
        if (!value) continue;
        // The last line wins, as when the shell reads the file.
        if (value->rfind("$HOME", 0) == 0 && (value->size() == 5 || (*value)[5] == kPathSeparator)) {
            if (!home.empty()) found = WithoutTrailingSeparators(home) + value->substr(5);
        } else if (IsAbsolutePath(*value)) {
            found = *value;
        }
    }
    return found;
}

std::string MusicFolderFrom(const std::string& configHome, const std::string& home) {
    if (home.empty()) return "";
    if (!configHome.empty()) {
        const std::optional<std::string> dirs = ReadWholeFile(configHome + "/user-dirs.dirs");
        const std::string music = dirs ? MusicDirFromUserDirs(*dirs, home) : std::string();
        if (IsFolder(music)) return WithTrailingSeparator(music);
    }
    const std::string music = WithTrailingSeparator(home) + "Music";
    return WithTrailingSeparator(IsFolder(music) ? music : home);
}

std::string ConfigHome() { return ConfigHomeFrom(std::getenv("XDG_CONFIG_HOME"), HomeFolder()); }

}  // namespace zorbex
