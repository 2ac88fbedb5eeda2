#pragma once
// Playlist and union definitions as the settings file holds them: the one
// place that knows their keys, their defaults and the order of a save.
// The editors, the process list and the unattended run all read through here.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/playlist_builder.h"
#include "settings/settings_file.h"

namespace zorbex {

// A list longer than this is taken to be a damaged count: reading stops here
// instead of reading millions of missing entries.
inline constexpr int kMaxListRows = 131072;

// Counts from the main section; a missing, malformed or negative count is 0.
int ReadPlaylistCount(const SettingsReader& settings);
int ReadUnionCount(const SettingsReader& settings);

// The folder a definition searches when it names none: the user's music
// folder (XDG_MUSIC_DIR of user-dirs.dirs, else $HOME/Music).
std::string DefaultMusicFolder();
// The same rule on given inputs: home is $HOME, userDirs the text of
// user-dirs.dirs (empty when there is none).
std::string MusicFolderFrom(std::string_view home, std::string_view userDirs);

std::string DefaultPlaylistName(int n);  // "НАЗВАНИЕ ПЛЕЙЛИСТА номер " n
std::string DefaultPlaylistFile(int n);  // "playlist_" n ".m3u"
std::string DefaultUnionName(int m);     // "НАЗВАНИЕ ОБЪЕДИНЕНИЯ номер " m
std::string DefaultUnionFile(int m);     // "union_" m ".m3u"

// Definition n as the playlist editor loads it. Flags are set by any
// non-zero number; the exclusion entries follow `ignore_no`, read anew
// before each entry, and a missing entry reads "---". All from one reading
// of the file (SettingsSnapshot).
PlaylistDefinition ReadPlaylistDefinition(const SettingsFile& settings, int n, const std::string& defaultFolder);
PlaylistDefinition ReadPlaylistDefinition(const SettingsFile& settings, int n);  // DefaultMusicFolder()

// Writes definition n key by key: name, file, mask, path, subfolders,
// fullpath, hidden, system, ignore_use, ignore_no; raises `playlists` to n
// when it is lower; then ignore_0 ... in one write (WriteMany). Entries
// beyond the new count stay in the file. A SettingsWriteError stops the
// sequence; earlier keys stay written, and of the list either all entries
// are written or none.
void WritePlaylistDefinition(SettingsFile& settings, int n, const PlaylistDefinition& definition);

struct UnionDefinition {
    std::string name;
    std::string file;
    // members[j]: playlist definition j + 1 belongs to the union.
    std::vector<bool> members;
    bool fileCut = false;  // as PlaylistDefinition::fileCut

    bool operator==(const UnionDefinition&) const = default;
};

// Union m as the union editor loads it: one member flag per playlist
// definition 1 .. `playlists` (the count read anew before each), any
// non-zero `unite_`j counting as a member. Like ReadPlaylistDefinition it
// reads the file once (SettingsSnapshot).
UnionDefinition ReadUnionDefinition(const SettingsFile& settings, int m);

// Writes name, file; raises `unions` to m when lower; then unite_0 .. one
// per member row, as 1 or 0, in one write (all or none of them).
void WriteUnionDefinition(SettingsFile& settings, int m, const UnionDefinition& definition);

// Names as the process list and the union member list show them, with their
// own defaults ("ПЛЕЙЛИСТ НОМЕР " n, "ОБЪЕДИНЕНИЕ НОМЕР " m).
// Lists that show every definition read them from one SettingsSnapshot, so
// that the list comes from one version of the file.
std::string ReadPlaylistListName(const SettingsReader& settings, int n);
std::string ReadUnionListName(const SettingsReader& settings, int m);
// The remembered tick of process-list row k (`item_`k of the main section):
// it belongs to the row position, not to a definition. Any non-zero value
// reads as ticked; ticks are written as 1 or 0.
bool ReadRememberedTick(const SettingsReader& settings, int row);
void WriteRememberedTick(SettingsFile& settings, int row, bool ticked);
// The ticks of rows 0, 1, ... in one write of the file (the same bytes as
// WriteRememberedTick of each row in turn).
void WriteRememberedTicks(SettingsFile& settings, const std::vector<bool>& ticked);

// Row texts: "п." n, five blanks, name; "о." m, five blanks, name.
std::string PlaylistRowText(int n, std::string_view name);
std::string UnionRowText(int m, std::string_view name);

}  // namespace zorbex
