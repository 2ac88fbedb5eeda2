// The user's configuration folder by the XDG rules.
#include "platform/user_folders.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "support/child_process.h"

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
