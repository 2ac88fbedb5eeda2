// Settings that other users can change are not used, and nothing is
// written for them; file systems without owners still run.
#include "settings/settings_trust.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "settings/program_places.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

using namespace zorbex;
using zx_test::MakeDirs;
using zx_test::TempDir;
using zx_test::WriteFile;

namespace {

// The choice the unprivileged user makes: "base|refused".
std::string ChosenAsUser(const std::string& programDir, const std::string& configHome) {
    return zx_test::RunUnprivileged([&] {
               const ProgramPlaces places = ChooseProgramPlaces(programDir, configHome);
               return places.baseDir + "|" + places.refused;
           })
        .value_or("<child failed>");
}

}  // namespace

// Another user's 0666 settings file beside a program copy in a shared
// sticky folder, and a user folder another user made 0777: either would let
// that user name outputs in the victim's home.
TEST(SettingsTrust, SettingsAnotherUserCanChangeAreRefusedAndNothingIsWritten) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
    ZX_REQUIRE_UNPRIVILEGED();
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const std::string shared = dir / "shared/", config = dir / "config", theirs = config + "/zorbex/";
    MakeDirs(shared);
    ::chmod(shared.c_str(), 01777);
    WriteFile(shared + "Zorbl.Zrf", "[Zor:bl]\r\n");
    ::chmod((shared + "Zorbl.Zrf").c_str(), 0666);
    ASSERT_EQ(::chown((shared + "Zorbl.Zrf").c_str(), zx_test::kSecondUser, zx_test::kSecondUser), 0);
    EXPECT_EQ(ChosenAsUser(shared, config),
              shared + "|Файл настроек «" + shared + "Zorbl.Zrf» не используется: он принадлежит другому пользователю");

    // Their own file, but others may write it; then the folder.
    zx_test::GiveToUnprivileged(shared + "Zorbl.Zrf");
    EXPECT_EQ(ChosenAsUser(shared, config), shared + "|Файл настроек «" + shared +
                                                "Zorbl.Zrf» не используется: его могут изменить другие пользователи");
    ::chmod((shared + "Zorbl.Zrf").c_str(), 0644);
    EXPECT_EQ(ChosenAsUser(shared, config), shared + "|");  // a sticky folder: others cannot replace it
    ::chmod(shared.c_str(), 0777);
    EXPECT_EQ(ChosenAsUser(shared, config), shared + "|Файл настроек «" + shared +
                                                "Zorbl.Zrf» не используется: его каталог «" + dir / "shared" +
                                                "» могут изменить другие пользователи");

    // A program folder the user cannot write, and a user folder of another's.
    const std::string program = dir / "program/";
    MakeDirs(program);
    WriteFile(program + "Zorbl.Zrf", "[Zor:bl]\r\n");
    MakeDirs(theirs);
    ::chmod(config.c_str(), 0777);
    ::chmod(theirs.c_str(), 0777);
    ASSERT_EQ(::chown(theirs.c_str(), zx_test::kSecondUser, zx_test::kSecondUser), 0);
    EXPECT_EQ(ChosenAsUser(program, config), theirs + "|Файл настроек «" + theirs +
                                                 "Zorbl.Zrf» не используется: его каталог «" + config +
                                                 "/zorbex» принадлежит другому пользователю");
    EXPECT_FALSE(zx_test::Exists(theirs + "Zorbl.Zrf"));
}

// A group-writable file is the user's own when the group is: a user
// private group, as Debian gives every user, changes nothing.
TEST(SettingsTrust, GroupWritableCountsOnlyForAGroupOfOthers) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a file another group";
    TempDir dir;
    const std::string path = dir / "Zorbl.Zrf";
    WriteFile(path, "[Zor:bl]\r\n");
    ::chmod(path.c_str(), 0664);
    ASSERT_EQ(::chown(path.c_str(), 0, 0), 0);  // root's own group
    EXPECT_EQ(SettingsRefusal(path), std::nullopt);
    ASSERT_EQ(::chown(path.c_str(), 0, 12345), 0);
    EXPECT_EQ(SettingsRefusal(path),
              "Файл настроек «" + path + "» не используется: его могут изменить другие пользователи");
}

// FAT and exFAT keep no owners: every file shows the mount's one owner and
// mode, here another user's and 0777. A program copy on such a stick still
// runs, through the kernel's driver or through FUSE (exfat-fuse).
TEST(SettingsTrust, AFileSystemWithoutOwnersIsUsedAsItIs) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount";
    const std::string owner = "uid=" + std::to_string(zx_test::kSecondUser) + ",umask=0 ";
    int tried = 0;
    for (const std::string form : {"vfat", "exfat"}) {
        TempDir dir;
        const std::string image = dir / "stick.img", mount = dir / "stick";
        MakeDirs(mount);
        const std::string attach = form == "vfat"
                                       ? "mkfs.vfat " + image + " && mount -o loop," + owner + image + " " + mount
                                       : "mkfs.exfat " + image + " && mount.exfat-fuse -o " + owner +
                                             "$(losetup -f --show " + image + ") " + mount;
        if (std::system(("(truncate -s 8M " + image + " && " + attach + ") >/dev/null 2>&1").c_str()) != 0) continue;
        ++tried;
        WriteFile(mount + "/Zorbl.Zrf", "[Zor:bl]\r\n");
        const auto refused = SettingsRefusal(mount + "/Zorbl.Zrf");
        std::system(("umount " + mount + " || umount -l " + mount).c_str());
        std::system(("losetup -j " + image + " | cut -d: -f1 | xargs -r losetup -d").c_str());
        EXPECT_EQ(refused, std::nullopt) << form;
    }
    if (tried == 0) GTEST_SKIP() << "no FAT or exFAT mount here (dosfstools, exfat-fuse or loop devices missing)";
}
