// Settings that other users can change are not used, and nothing is
// written for them; file systems without owners still run.
#include "settings/settings_trust.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "settings/program_places.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

using namespace zorbex;
using zx_test::MakeDirs;
using zx_test::WriteFile;

// Another user's 0666 file beside a program copy in a shared sticky folder,
// a folder others may write, a user folder another user made 0777: each
// would let that user name outputs in the victim's home.
TEST(SettingsTrust, SettingsAnotherUserCanChangeAreRefusedAndNothingIsWritten) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
    zx_test::TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const std::string shared = dir / "shared/", config = dir / "config", theirs = config + "/zorbex/";
    const auto chosen = [&](const std::string& program) {
        return zx_test::RunUnprivileged([&] { return ChooseProgramPlaces(program, UserPlaces{config, "", dir / "no-system-settings"}).refused; }).value_or("?");
    };
    const std::string refused = "Файл настроек «" + shared + "Zorbl.Zrf» не используется: ";
    MakeDirs(shared);
    ::chmod(shared.c_str(), 01777);
    WriteFile(shared + "Zorbl.Zrf", "[Zor:bl]\r\n");
    ::chmod((shared + "Zorbl.Zrf").c_str(), 0666);
    ASSERT_EQ(::chown((shared + "Zorbl.Zrf").c_str(), zx_test::kSecondUser, zx_test::kSecondUser), 0);
    EXPECT_EQ(chosen(shared), refused + "он принадлежит другому пользователю");
    zx_test::GiveToUnprivileged(shared + "Zorbl.Zrf");
    EXPECT_EQ(chosen(shared), refused + "его могут изменить другие пользователи");
    ::chmod((shared + "Zorbl.Zrf").c_str(), 0644);
    EXPECT_EQ(chosen(shared), "");  // sticky: others cannot replace it
    ::chmod(shared.c_str(), 0777);
    EXPECT_EQ(chosen(shared), refused + "его каталог «" + dir / "shared» могут изменить другие пользователи");

    const std::string program = dir / "program/";  // not writable: the user folder is chosen
    MakeDirs(program);
    WriteFile(program + "Zorbl.Zrf", "[Zor:bl]\r\n");
    MakeDirs(theirs);
    ::chmod(config.c_str(), 0777);
    ::chmod(theirs.c_str(), 0777);
    ASSERT_EQ(::chown(theirs.c_str(), zx_test::kSecondUser, zx_test::kSecondUser), 0);
    EXPECT_EQ(chosen(program), "Файл настроек «" + theirs + "Zorbl.Zrf» не используется: его каталог «" + config +
                                   "/zorbex» принадлежит другому пользователю");
    EXPECT_FALSE(zx_test::Exists(theirs + "Zorbl.Zrf"));

    // Group write counts, unless the group is the user's private one (root's here).
    const std::string own = dir / "own.zrf";
    WriteFile(own, "");
    ::chmod(own.c_str(), 0664);
    EXPECT_EQ(SettingsRefusal(own), std::nullopt);
    ASSERT_EQ(::chown(own.c_str(), 0, 12345), 0);
    EXPECT_NE(SettingsRefusal(own), std::nullopt);
}

// FAT and exFAT show every file as the mount's one owner and mode, here
// another user's and 0777: a program copy on such a stick still runs.
TEST(SettingsTrust, AFileSystemWithoutOwnersIsUsedAsItIs) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount";
    const std::string owner = "uid=" + std::to_string(zx_test::kSecondUser) + ",umask=0 ";
    int mounted = 0;
    for (const std::string form : {"vfat", "exfat"}) {
        zx_test::TempDir dir;
        const std::string image = dir / "stick.img", mount = dir / "stick";
        MakeDirs(mount);
        const std::string attach = form == "vfat" ? "mkfs.vfat " + image + " && mount -o loop," + owner + image
                                                  : "mkfs.exfat " + image + " && mount.exfat-fuse -o " + owner +
                                                        "$(losetup -f --show " + image + ")";
        if (std::system(("(truncate -s 8M " + image + " && " + attach + " " + mount + ") >/dev/null 2>&1").c_str()))
            continue;
        ++mounted;
        WriteFile(mount + "/Zorbl.Zrf", "[Zor:bl]\r\n");
        EXPECT_EQ(SettingsRefusal(mount + "/Zorbl.Zrf"), std::nullopt) << form;
        [[maybe_unused]] const int detached = std::system(("umount " + mount + "; losetup -j " + image + " | cut -d: -f1 | xargs -r losetup -d").c_str());
    }
    if (mounted == 0) GTEST_SKIP() << "no FAT or exFAT mount here";
}
