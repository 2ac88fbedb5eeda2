#include "platform/path_parts.h"

#include <gtest/gtest.h>

namespace zorbex {
namespace {

TEST(PathParts, FolderOfEveryKindOfPath) {
    const struct {
        const char* path;
        const char* folder;
    } cases[] = {
        {"list.m3u", "."},   {"", "."},           {"/list.m3u", "/"},      {"/", "/"},
        {"//x", "/"},        {"a/b", "a"},        {"/a/b/c.m3u", "/a/b"}, {"a/b/", "a/b"},
        {"./x", "."},        {"../x", ".."},      {"/a//b", "/a/"},
    };
    for (const auto& c : cases) EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
}

TEST(PathParts, NameIsWhatFollowsTheLastSlash) {
    EXPECT_EQ(FileNamePart("song.mp3"), "song.mp3");
    EXPECT_EQ(FileNamePart("/music/rock/song.mp3"), "song.mp3");
    EXPECT_EQ(FileNamePart("/song.mp3"), "song.mp3");
    EXPECT_EQ(FileNamePart("music/"), "");
    EXPECT_EQ(FileNamePart(""), "");
    EXPECT_EQ(FileNamePart("папка/песня.mp3"), "песня.mp3");
}

// A temporary file named from the two halves lands beside the target.
TEST(PathParts, HalvesRebuildThePathBelowTheRoot) {
    for (const char* path : {"a/b", "/a/b/c", "x/y/", "/a//b", "./x"})
        EXPECT_EQ(FolderPart(path) + "/" + std::string(FileNamePart(path)), path) << path;
}

}  // namespace
}  // namespace zorbex
