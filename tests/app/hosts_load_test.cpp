// The window and the unattended run are two hosts of one run: from the same
// settings file they must hand it the same definitions, or a night's run
// would build other playlists than the start button.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/window_run_host.h"
#include "cli/unattended_run.h"
#include "support/window/started_window.h"

namespace {

struct HostsLoad : zx_test::StartedWindow {};

TEST_F(HostsLoad, BothHostsLoadTheSameDefinitionsFromTheSameFile) {
    const std::string longFile = "/" + std::string(1100, 'f') + ".m3u";
    Seed("[Zor:bl]\r\nreset=0\r\nplaylists=3\r\nunions=1\r\n"
         "[Zor:bl:Playlist:1]\r\nname=Ночь\r\nfile=/srv/ночь.m3u\r\nmask=*.flac; *.MP3\r\npath=music/Альбом\r\n"
         "subfolders=0\r\nfullpath=0\r\nhidden=5\r\nsystem=1\r\nignore_use=1\r\nignore_no=3\r\n"
         "ignore_0=a.mp3\r\nignore_2=\"/x/c.mp3\"\r\n"
         "[Zor:bl:Playlist:2]\r\nfile=" + longFile + "\r\n"
         "[Zor:bl:Union:1]\r\nname=Всё\r\nfile=all.m3u\r\nunite_0=1\r\nunite_1=0\r\nunite_2=9\r\n");
    auto& w = Start();
    zorbex::TWindowRunHost window(w);
    std::ostringstream log, errors;
    zorbex::UnattendedHost unattended(zorbex::ProgramPlaces(dir.path()), log, errors);

    for (int n = 1; n <= 3; ++n) {
        const zorbex::PlaylistDefinition shown = window.LoadPlaylist(n);
        EXPECT_TRUE(shown == unattended.LoadPlaylist(n)) << "playlist " << n << ": " << shown.name;
    }
    EXPECT_TRUE(window.LoadPlaylist(2).fileCut);
    const zorbex::UnionDefinition shown = window.LoadUnion(1);
    EXPECT_TRUE(shown == unattended.LoadUnion(1)) << shown.name;
    EXPECT_EQ(shown.members, (std::vector<bool>{true, false, true}));
}

}  // namespace
