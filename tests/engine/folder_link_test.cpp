// With subfolders off the folder text is entered as changing into it would
// enter it: ".." after a symbolic link goes up from where the link leads.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/builder_parts.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(FolderBehindALink, DotDotAfterALinkGoesUpFromItsTargetOtherTextsKeepTheirSpelling) {
    zx_test::TempDir dir;
    const std::string base = dir.path();
    zx_test::WriteFile(base + "real/sub/x.txt", "");
    zx_test::WriteFile(base + "real/rock/a.mp3", "");
    zx_test::WriteFile(base + "music/rock/b.mp3", "");
    fs::create_directory_symlink(base + "real/sub", base + "music/link");
    fs::create_directory_symlink("../real/rock", base + "music/straight");
    fs::create_directory_symlink(base + "nowhere", base + "music/gone");
    const std::string real = fs::canonical(base + "real/rock").string();
    const struct {
        std::string text, folder;  // folder "": cannot be listed
    } cases[] = {
        {base + "music/link/../rock", real},
        {base + "music/link/./../rock/", real},
        {base + "music/straight/../rock", real},  // real/, not music/
        // A link without ".." after it stays in the reported folder.
        {base + "music//./straight/", base + "music/straight"},
        {"music/straight", base + "music/straight"},  // relative to the program's folder
        {base + "music/rock/../../real/rock", base + "real/rock"},
        {"/..", "/"},
        {base + "music/gone/../rock", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const zorbex::FolderFiles files =
            zorbex::ListFolderFiles(c.text, zorbex::FileMask("a.mp3;b.mp3"), false, false, base);
        EXPECT_EQ(files.found, !c.folder.empty());
        if (c.folder.empty()) continue;
        EXPECT_EQ(files.folder, c.folder);
        if (c.folder != "/") {
            EXPECT_EQ(files.names, std::vector<std::string>{"a.mp3"});
        }
    }
}

}  // namespace
