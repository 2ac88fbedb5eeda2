#include "engine/definitions.h"

#include <algorithm>
#include <cstdlib>

#include "platform/file_read.h"
#include "platform/path_parts.h"
#include "platform/user_folders.h"

namespace zorbex {
namespace {

std::string Numbered(std::string_view key, int i) { return std::string(key) + std::to_string(i); }

bool Flag(const SettingsSnapshot& s, const std::string& section, std::string_view key, bool def) {
    return s.ReadNumber(section, key, def ? 1 : 0) != 0;
}

void WriteFlag(SettingsFile& s, const std::string& section, std::string_view key, bool value) {
    s.WriteNumber(section, key, value ? 1 : 0);
}

int Count(const SettingsReader& s, std::string_view key) {
    return std::clamp<int32_t>(s.ReadNumber(MainSection(), key, 0), 0, kMaxListRows);
}

// Never lowers the count: it is the highest number ever saved.
void RaiseCount(SettingsFile& s, std::string_view key, int n) {
    if (s.ReadNumber(MainSection(), key, 0) < n) s.WriteNumber(MainSection(), key, n);
}

}  // namespace

int ReadPlaylistCount(const SettingsReader& settings) { return Count(settings, "playlists"); }
int ReadUnionCount(const SettingsReader& settings) { return Count(settings, "unions"); }

std::string MusicFolderFrom(std::string_view home, std::string_view userDirs) {
    const std::string homeDir = WithoutTrailingSeparators(std::string(home));
    const std::string fallback = (homeDir == kRootPath ? "" : homeDir) + kPathSeparator + "Music";
    std::string found;
    size_t start = 0;
    while (start < userDirs.size()) {
        size_t end = userDirs.find('\n', start);
        if (end == std::string_view::npos) end = userDirs.size();
        std::string_view line = userDirs.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        constexpr std::string_view kKey = "XDG_MUSIC_DIR=";
        if (!line.starts_with(kKey)) continue;
        line.remove_prefix(kKey.size());
        if (line.size() < 2 || line.front() != '"') continue;
        const size_t close = line.find('"', 1);
        if (close == std::string_view::npos) continue;
        std::string_view value = line.substr(1, close - 1);
        // The file allows only "$HOME/..." or an absolute path.
        if (value.starts_with("$HOME")) {
            const std::string_view rest = value.substr(5);
            if (!rest.empty() && !IsAbsolutePath(rest)) continue;
            found = homeDir + std::string(rest);
        } else if (IsAbsolutePath(value)) {
            found = std::string(value);
        } else {
            continue;
        }
    }
    found = WithoutTrailingSeparators(found);
    // "$HOME" alone means the folder is switched off; a walk of the whole
    // home folder is not what a default should start.
    if (found.empty() || found == homeDir) return fallback;
    return found;
}

std::string DefaultMusicFolder() {
    std::string home = HomeFolder();
    if (home.empty()) home = kRootPath;
    const auto userDirs = ReadWholeFile(ConfigHomeFrom(std::getenv("XDG_CONFIG_HOME"), home) + "/user-dirs.dirs");
    return MusicFolderFrom(home, userDirs ? *userDirs : std::string());
}

std::string DefaultPlaylistName(int n) { return "НАЗВАНИЕ ПЛЕЙЛИСТА номер " + std::to_string(n); }
std::string DefaultPlaylistFile(int n) { return "playlist_" + std::to_string(n) + ".m3u"; }
std::string DefaultUnionName(int m) { return "НАЗВАНИЕ ОБЪЕДИНЕНИЯ номер " + std::to_string(m); }
std::string DefaultUnionFile(int m) { return "union_" + std::to_string(m) + ".m3u"; }

PlaylistDefinition ReadPlaylistDefinition(const SettingsFile& file, int n, const std::string& defaultFolder) {
    // One version of the file for the whole definition, and one check that
    // it is still the file on disk rather than one per key.
    const SettingsSnapshot settings(file);
    const std::string section = PlaylistSection(n);
    PlaylistDefinition d;
    d.name = settings.ReadText(section, "name", DefaultPlaylistName(n));
    d.file = settings.ReadText(section, "file", DefaultPlaylistFile(n), d.fileCut);
    d.mask = settings.ReadText(section, "mask", kDefaultMask);
    d.path = settings.ReadText(section, "path", defaultFolder, d.pathCut);
    d.subfolders = Flag(settings, section, "subfolders", true);
    d.fullpath = Flag(settings, section, "fullpath", true);
    d.hidden = Flag(settings, section, "hidden", false);
    d.system = Flag(settings, section, "system", false);
    d.ignore_use = Flag(settings, section, "ignore_use", false);
    // The count is read anew before every entry, as the editor's loader does.
    for (int i = 0; i < kMaxListRows && i < settings.ReadNumber(section, "ignore_no", 0); ++i) {
        d.ignore.push_back(settings.ReadText(section, Numbered("ignore_", i), "---"));
    }
    return d;
}

PlaylistDefinition ReadPlaylistDefinition(const SettingsFile& settings, int n) {
    return ReadPlaylistDefinition(settings, n, DefaultMusicFolder());
}

void WritePlaylistDefinition(SettingsFile& settings, int n, const PlaylistDefinition& d) {
    const std::string section = PlaylistSection(n);
    settings.WriteText(section, "name", d.name);
    settings.WriteText(section, "file", d.file);
    settings.WriteText(section, "mask", d.mask);
    settings.WriteText(section, "path", d.path);
    WriteFlag(settings, section, "subfolders", d.subfolders);
    WriteFlag(settings, section, "fullpath", d.fullpath);
    WriteFlag(settings, section, "hidden", d.hidden);
    WriteFlag(settings, section, "system", d.system);
    WriteFlag(settings, section, "ignore_use", d.ignore_use);
    settings.WriteNumber(section, "ignore_no", static_cast<int32_t>(d.ignore.size()));
    RaiseCount(settings, "playlists", n);
    // The list in one replacement of the file rather than one per entry.
    std::vector<std::pair<std::string, std::string>> entries;
    entries.reserve(d.ignore.size());
    for (size_t i = 0; i < d.ignore.size(); ++i)
        entries.emplace_back(Numbered("ignore_", static_cast<int>(i)), d.ignore[i]);
    settings.WriteMany(section, entries);
}

UnionDefinition ReadUnionDefinition(const SettingsFile& file, int m) {
    const SettingsSnapshot settings(file);
    const std::string section = UnionSection(m);
    UnionDefinition d;
    d.name = settings.ReadText(section, "name", DefaultUnionName(m));
    d.file = settings.ReadText(section, "file", DefaultUnionFile(m), d.fileCut);
    for (int p = 1; p <= Count(settings, "playlists"); ++p) {
        d.members.push_back(settings.ReadNumber(section, Numbered("unite_", p - 1), 0) != 0);
    }
    return d;
}

void WriteUnionDefinition(SettingsFile& settings, int m, const UnionDefinition& d) {
    const std::string section = UnionSection(m);
    settings.WriteText(section, "name", d.name);
    settings.WriteText(section, "file", d.file);
    RaiseCount(settings, "unions", m);
    std::vector<std::pair<std::string, std::string>> rows;
    rows.reserve(d.members.size());
    for (size_t j = 0; j < d.members.size(); ++j)
        rows.emplace_back(Numbered("unite_", static_cast<int>(j)), d.members[j] ? "1" : "0");
    settings.WriteMany(section, rows);
}

std::string ReadPlaylistListName(const SettingsReader& settings, int n) {
    return settings.ReadText(PlaylistSection(n), "name", "ПЛЕЙЛИСТ НОМЕР " + std::to_string(n));
}

std::string ReadUnionListName(const SettingsReader& settings, int m) {
    return settings.ReadText(UnionSection(m), "name", "ОБЪЕДИНЕНИЕ НОМЕР " + std::to_string(m));
}

bool ReadRememberedTick(const SettingsReader& settings, int row) {
    return settings.ReadNumber(MainSection(), Numbered("item_", row), 0) != 0;
}

void WriteRememberedTick(SettingsFile& settings, int row, bool ticked) {
    WriteFlag(settings, MainSection(), Numbered("item_", row), ticked);
}

void WriteRememberedTicks(SettingsFile& settings, const std::vector<bool>& ticked) {
    std::vector<std::pair<std::string, std::string>> entries;
    entries.reserve(ticked.size());
    for (size_t row = 0; row < ticked.size(); ++row)
        entries.emplace_back(Numbered("item_", static_cast<int>(row)), ticked[row] ? "1" : "0");
    settings.WriteMany(MainSection(), entries);
}

std::string PlaylistRowText(int n, std::string_view name) {
    return "п." + std::to_string(n) + "     " + std::string(name);
}

std::string UnionRowText(int m, std::string_view name) {
    return "о." + std::to_string(m) + "     " + std::string(name);
}

}  // namespace zorbex
