// Where the settings file and relative outputs go: the program folder when
// the user can write it, else the user's own folder, started as a copy.
#include "settings/program_places.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace fs = std::filesystem;
using namespace zorbex;
using zx_test::Exists;
using zx_test::GiveToUnprivileged;
using zx_test::MakeDirs;
using zx_test::ReadFile;
using zx_test::RunUnprivileged;
using zx_test::TempDir;
using zx_test::WriteFile;

namespace {

const char* const kAdminSettings = "[Zor:bl]\r\nplaylists=1\r\n[Zor:bl:Playlist:1]\r\nfile=list.m3u\r\n";

// The choice made by the unprivileged user: "base|unwritable".
std::string ChosenAsUser(const std::string& programDir, const std::string& configHome) {
    return RunUnprivileged([&] {
               const ProgramPlaces places = ChooseProgramPlaces(programDir, UserPlaces{configHome, ""});
               EXPECT_EQ(places.programDir, programDir);
               return places.baseDir + "|" + places.unwritable;
           })
        .value_or("<child failed>");
}

int Mode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// A program folder that belongs to someone else (root), readable by all;
// a home folder that belongs to the user.
struct Install {
    TempDir dir;
    std::string prog = dir / "prog/";
    std::string home = dir / "home";
    std::string config = home + "/.config";
    std::string user = config + "/zorbex/";
    Install() {
        fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
        MakeDirs(prog);
        fs::permissions(prog, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
        MakeDirs(home);
        GiveToUnprivileged(home);
    }
};

}  // namespace

TEST(ProgramPlaces, AFolderTheUserCanWriteHoldsEverything) {
    TempDir dir;
    const std::string config = dir / "config";
    const ProgramPlaces places = ChooseProgramPlaces(dir.path(), UserPlaces{config, ""});
    EXPECT_EQ(places.baseDir, dir.path());
    EXPECT_EQ(places.SettingsFilePath(), dir / "Zorbl.Zrf");
    EXPECT_EQ(places.unwritable, "");
    EXPECT_FALSE(Exists(config));
}

TEST(ProgramPlaces, AFolderTheUserCannotWriteGivesWayToACopyOfItsOwn) {
    ZX_REQUIRE_UNPRIVILEGED();
    Install install;
    WriteFile(install.prog + "Zorbl.Zrf", kAdminSettings);
    fs::permissions(install.prog + "Zorbl.Zrf",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);

    // First use: the folders are made private to the user, the settings
    // file is a byte-for-byte copy of the administrator's.
    EXPECT_EQ(ChosenAsUser(install.prog, install.config), install.user + "|");
    EXPECT_EQ(ReadFile(install.user + "Zorbl.Zrf"), kAdminSettings);
    EXPECT_EQ(Mode(install.config), 0700);
    EXPECT_EQ(Mode(install.user), 0700);

    // Later starts keep the user's own file, whatever the administrator's says.
    WriteFile(install.user + "Zorbl.Zrf", "mine");
    WriteFile(install.prog + "Zorbl.Zrf", "changed by the administrator");
    EXPECT_EQ(ChosenAsUser(install.prog, install.config), install.user + "|");
    EXPECT_EQ(ReadFile(install.user + "Zorbl.Zrf"), "mine");

    // Each start decides afresh: a folder made writable is used again...
    fs::permissions(install.prog, fs::perms::all);
    fs::permissions(install.prog + "Zorbl.Zrf",
                    fs::perms::owner_all | fs::perms::others_read | fs::perms::others_write);
    EXPECT_EQ(ChosenAsUser(install.prog, install.config), install.prog + "|");
    // ...but not while its settings file cannot be written.
    fs::permissions(install.prog + "Zorbl.Zrf", fs::perms::owner_read | fs::perms::others_read);
    EXPECT_EQ(ChosenAsUser(install.prog, install.config), install.user + "|");
}

TEST(ProgramPlaces, NoCopyOfASettingsFileTheUserCannotRead) {
    ZX_REQUIRE_UNPRIVILEGED();
    Install install;
    WriteFile(install.prog + "Zorbl.Zrf", kAdminSettings);
    fs::permissions(install.prog + "Zorbl.Zrf", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ChosenAsUser(install.prog, install.config), install.user + "|");
    EXPECT_TRUE(Exists(install.user));
    EXPECT_FALSE(Exists(install.user + "Zorbl.Zrf"));
}

TEST(ProgramPlaces, WhenNeitherPlaceCanBeWrittenTheMessageNamesBoth) {
    ZX_REQUIRE_UNPRIVILEGED();
    Install install;
    // A configuration folder in a place that belongs to someone else.
    const std::string foreign = install.dir / "foreign";
    MakeDirs(foreign);
    fs::permissions(foreign, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const std::string chosen = ChosenAsUser(install.prog, foreign + "/.config");
    EXPECT_EQ(chosen.substr(0, chosen.find('|')), install.prog);
    EXPECT_NE(chosen.find("«" + install.prog + "»"), std::string::npos) << chosen;
    EXPECT_NE(chosen.find("«" + foreign + "/.config/zorbex/»"), std::string::npos) << chosen;

    // No home known at all.
    const std::string nowhere = ChosenAsUser(install.prog, "");
    EXPECT_NE(nowhere.find("«" + install.prog + "»"), std::string::npos) << nowhere;
    EXPECT_NE(nowhere.find("HOME"), std::string::npos) << nowhere;

    // The user's own file is still read when there is one.
    MakeDirs(install.user);
    WriteFile(install.user + "Zorbl.Zrf", "mine");
    fs::permissions(install.user,
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);
    const std::string own = ChosenAsUser(install.prog, install.config);
    EXPECT_EQ(own.substr(0, own.find('|')), install.user) << own;
    EXPECT_NE(own.find("«" + install.user + "»"), std::string::npos) << own;
}

// A configuration folder named through a shared sticky folder (a home on a
// shared disk, say) where another user planted a link: no folder is made
// where the link leads.
TEST(ProgramPlaces, NoFolderIsMadeThroughAPlantedLink) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a link that belongs to someone else";
    Install install;
    const std::string shared = install.dir / "shared";
    MakeDirs(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    ASSERT_EQ(::symlink(install.home.c_str(), (shared + "/sub").c_str()), 0);
    ASSERT_EQ(::lchown((shared + "/sub").c_str(), zx_test::kSecondUser, zx_test::kSecondUser), 0);
    const std::string chosen = ChosenAsUser(install.prog, shared + "/sub/.config");
    EXPECT_EQ(chosen.substr(0, chosen.find('|')), install.prog);
    EXPECT_FALSE(Exists(install.config));
}

// A packaged program folder is never written, even by root who could: the
// settings go to the user's folder, first copied from the system's file,
// relative paths to the music folder. --help's look-up makes nothing.
TEST(ProgramPlaces, APackagedFolderIsNeverWrittenWhoeverRunsIt) {
    TempDir dir;
    const std::string prog = dir / "prog/";
    WriteFile(prog + kPackageMarkName, "");
    WriteFile(prog + "Zorbl.Zrf", "program's");
    const UserPlaces user{dir / "config", dir / "Music/", dir / "etc/Zorbl.Zrf"};

    const ProgramPlaces lookedUp = LookUpProgramPlaces(prog, user);
    EXPECT_EQ(lookedUp.SettingsFilePath(), dir / "config/zorbex/Zorbl.Zrf");
    EXPECT_FALSE(Exists(dir / "config"));

    WriteFile(user.systemSettings, "administrator's");
    const ProgramPlaces places = ChooseProgramPlaces(prog, user);
    EXPECT_EQ(places.settingsDir, dir / "config/zorbex/");
    EXPECT_EQ(places.baseDir, user.musicDir);
    EXPECT_EQ(places.unwritable, "");
    EXPECT_EQ(ReadFile(places.SettingsFilePath()), "administrator's");
    EXPECT_EQ(ReadFile(prog + "Zorbl.Zrf"), "program's");

    // Without a system file the program folder's is the first copy.
    const UserPlaces second{dir / "config2", "", dir / "etc/none"};
    EXPECT_EQ(ReadFile(ChooseProgramPlaces(prog, second).SettingsFilePath()), "program's");
    // Without a music folder (no home) relative paths stay beside the settings.
    EXPECT_EQ(ChooseProgramPlaces(prog, second).baseDir, dir / "config2/zorbex/");
    // Nor when the user's folder cannot be made (a file in its way).
    WriteFile(dir / "config3/zorbex", "");
    EXPECT_EQ(ChooseProgramPlaces(prog, UserPlaces{dir / "config3", ""}).settingsDir, dir / "config3/zorbex/");
}

// A file where the user's folder should be: the message says so, as no
// permission could help.
TEST(ProgramPlaces, AFileInPlaceOfTheUsersFolderIsNamed) {
    ZX_REQUIRE_UNPRIVILEGED();
    Install install;
    WriteFile(install.user.substr(0, install.user.size() - 1), "not a folder");
    zx_test::GiveToUnprivileged(install.config);
    const std::string chosen = ChosenAsUser(install.prog, install.config);
    EXPECT_NE(chosen.find("«" + install.config + "/zorbex» - не каталог (там файл)"), std::string::npos) << chosen;
}
