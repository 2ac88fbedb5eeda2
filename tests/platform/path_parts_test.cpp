#include "platform/path_parts.h"

#include <gtest/gtest.h>

namespace zorbex {
namespace {

TEST(PathParts, FolderAndNameOfEveryKindOfPath) {
    const struct {
        const char* path;
        const char* folder;
        const char* name;
    } cases[] = {
        {"list.m3u", ".", "list.m3u"}, {"", ".", ""},          {"/list.m3u", "/", "list.m3u"},
        {"/", "/", ""},                {"//x", "/", "x"},      {"/a/b/c.m3u", "/a/b", "c.m3u"},
        {"a/b/", "a/b", ""},           {"../x", "..", "x"},    {"папка/песня.mp3", "папка", "песня.mp3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
        EXPECT_EQ(FileNamePart(c.path), c.name) << c.path;
    }
}

// Folders are joined to names by plain concatenation: a missing or doubled
// separator would name another file.
TEST(PathParts, TrailingSeparatorsAndAbsolutePaths) {
    EXPECT_EQ(WithTrailingSeparator("/music"), "/music/");
    EXPECT_EQ(WithTrailingSeparator("/music/"), "/music/");
    EXPECT_EQ(WithTrailingSeparator(""), "/");
    EXPECT_EQ(WithoutTrailingSeparators("/music//"), "/music");
    EXPECT_EQ(WithoutTrailingSeparators("///"), "/");
    EXPECT_TRUE(IsAbsolutePath("/x"));
    EXPECT_FALSE(IsAbsolutePath(""));
    EXPECT_FALSE(IsAbsolutePath("x/"));
    EXPECT_FALSE(IsAbsolutePath("C:/x"));
}

// The walk, the watch and the folders made for the settings step through
// these names: an empty one would be a step to nowhere, a lost "." or ".."
// another folder.
TEST(PathParts, NamesBetweenSeparators) {
    using Names = std::vector<std::string_view>;
    EXPECT_EQ(PathNames("/a//b/"), (Names{"a", "b"}));
    EXPECT_EQ(PathNames("./../папка"), (Names{".", "..", "папка"}));
    EXPECT_EQ(PathNames("/"), Names{});
    EXPECT_EQ(PathNames(""), Names{});
    // Each name is a view into the path: the path up to it ends where it ends.
    const std::string path = "//x/yz";
    const Names names = PathNames(path);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(path.substr(0, names[0].data() + names[0].size() - path.data()), "//x");
}

}  // namespace
}  // namespace zorbex
