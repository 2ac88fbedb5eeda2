// With subfolders off the folder text is entered as changing into it would
// enter it: ".." after a symbolic link goes up from where the link leads.
#include <gtest/gtest.h>

#include <filesystem>

#include "build/playlist_builder.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using zx_test::TempDir;
using zx_test::WriteFile;

// real/sub/ and real/rock/a.mp3, music/rock/b.mp3, with music/link -> real/sub,
// music/straight -> real/rock, and music/gone pointing nowhere.
struct Tree {
    TempDir dir;
    Tree() {
        WriteFile(dir / "real/sub/x.txt", "");
        WriteFile(dir / "real/rock/a.mp3", "");
        WriteFile(dir / "music/rock/b.mp3", "");
        fs::create_directory_symlink(dir / "real/sub", dir / "music/link");
        fs::create_directory_symlink("../real/rock", dir / "music/straight");
        fs::create_directory_symlink(dir / "nowhere", dir / "music/gone");
    }
    zorbex::FolderFiles List(const std::string& folder) const {
        return zorbex::ListFolderFiles(folder, "*.mp3", false, false, dir.path());
    }
};

TEST(FolderBehindALink, DotDotAfterALinkGoesUpFromItsTarget) {
    Tree t;
    const std::string real = fs::canonical(t.dir / "real/rock").string();
    // music/straight/.. is real/, not music/.
    for (const std::string& text : {t.dir / "music/link/../rock", t.dir / "music/link/./../rock/",
                                    t.dir / "music/straight/../rock"}) {
        SCOPED_TRACE(text);
        const zorbex::FolderFiles files = t.List(text);
        ASSERT_TRUE(files.found);
        EXPECT_EQ(files.names, std::vector<std::string>{"a.mp3"});
        EXPECT_EQ(files.folder, real);
    }
}

TEST(FolderBehindALink, OtherTextsKeepTheirOwnSpelling) {
    Tree t;
    const std::string base = t.dir.path();
    const struct {
        std::string text, folder, name;
    } cases[] = {
        // A link that is not followed by ".." stays in the reported folder.
        {base + "music/straight", base + "music/straight", "a.mp3"},
        {base + "music//./straight/", base + "music/straight", "a.mp3"},
        {"music/straight", base + "music/straight", "a.mp3"},  // relative to the program's folder
        // ".." after a plain folder is cleaned as text.
        {base + "music/rock/../../real/rock", base + "real/rock", "a.mp3"},
        {base + "real/sub/../rock", base + "real/rock", "a.mp3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const zorbex::FolderFiles files = t.List(c.text);
        ASSERT_TRUE(files.found);
        EXPECT_EQ(files.folder, c.folder);
        EXPECT_EQ(files.names, std::vector<std::string>{c.name});
    }
    EXPECT_EQ(t.List("/..").folder, "/");
    // A dangling link cannot be entered, with ".." after it or not.
    EXPECT_FALSE(t.List(base + "music/gone/../rock").found);
    EXPECT_FALSE(t.List(base + "music/gone").found);
}

}  // namespace
