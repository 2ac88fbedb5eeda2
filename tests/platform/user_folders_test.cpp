// The user's configuration folder by the XDG rules.
#include "platform/user_folders.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "support/child_process.h"
#include "support/temp_dir.h"

using zorbex::ConfigHomeFrom;

TEST(UserFolders, ConfigHomeIgnoresARelativeOrEmptyVariable) {
    EXPECT_EQ(ConfigHomeFrom("/srv/cfg/", "/home/u"), "/srv/cfg");
    EXPECT_EQ(ConfigHomeFrom("cfg", "/home/u"), "/home/u/.config");
    EXPECT_EQ(ConfigHomeFrom("", "/home/u/"), "/home/u/.config");
    EXPECT_EQ(ConfigHomeFrom(nullptr, "/home/u"), "/home/u/.config");
    EXPECT_EQ(ConfigHomeFrom(nullptr, ""), "");
}

// Without HOME (or with a relative one) the account's home folder is used.
TEST(UserFolders, HomeComesFromTheAccountWhenHomeIsUnsetOrRelative) {
    const passwd* pw = ::getpwuid(::geteuid());
    ASSERT_NE(pw, nullptr);
    const std::string account = pw->pw_dir;
    const auto homes = zx_test::RunInChild([] {
        ::unsetenv("HOME");
        std::string seen = zorbex::HomeFolder() + "|";
        ::setenv("HOME", "relative/home", 1);
        return seen + zorbex::HomeFolder();
    });
    EXPECT_EQ(homes, account + "|" + account);
}

TEST(UserFolders, MusicDirIsReadInTheFormsTheFileUses) {
    using zorbex::MusicDirFromUserDirs;
    EXPECT_EQ(MusicDirFromUserDirs("# comment\nXDG_MUSIC_DIR=\"$HOME/Музыка\"\n", "/home/u/"), "/home/u/Музыка");
    EXPECT_EQ(MusicDirFromUserDirs("XDG_MUSIC_DIR=\"/srv/my \\\"tunes\\\"\"\r\n", "/home/u"), "/srv/my \"tunes\"");
    // The last line wins; other names, relative paths and unquoted values are no music folder.
    EXPECT_EQ(MusicDirFromUserDirs("XDG_MUSIC_DIR=\"/a\"\nXDG_MUSIC_DIR=\"$HOME/b\"", "/h"), "/h/b");
    EXPECT_EQ(MusicDirFromUserDirs("XDG_DOCUMENTS_DIR=\"/d\"\nXDG_MUSIC_DIR=\"Music\"\nXDG_MUSIC_DIR=/m\n", "/h"), "");
    EXPECT_EQ(MusicDirFromUserDirs("XDG_MUSIC_DIR=\"$HOMEX/m\"", "/h"), "");
}

TEST(UserFolders, MusicFolderFallsBackToMusicThenHome) {
    zx_test::TempDir dir;
    const std::string home = dir / "home";
    const std::string config = home + "/.config";
    zx_test::MakeDirs(home);
    EXPECT_EQ(zorbex::MusicFolderFrom(config, home), home + "/");
    zx_test::MakeDirs(home + "/Music");
    EXPECT_EQ(zorbex::MusicFolderFrom(config, home), home + "/Music/");
    // A configured folder that is not there does not count.
    zx_test::WriteFile(config + "/user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Аудио\"\n");
    EXPECT_EQ(zorbex::MusicFolderFrom(config, home), home + "/Music/");
    zx_test::MakeDirs(home + "/Аудио");
    EXPECT_EQ(zorbex::MusicFolderFrom(config, home), home + "/Аудио/");
    EXPECT_EQ(zorbex::MusicFolderFrom(config, ""), "");
}
