#include "platform/file_write.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>
#include <string>

#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace fs = std::filesystem;
using zorbex::ReadWholeFile;
using zorbex::WriteDurability;
using zorbex::WriteFileReplacing;
using zx_test::GiveToUnprivileged;
using zx_test::ReadFile;
using zx_test::RunUnprivileged;
using zx_test::TempDir;
using zx_test::WriteFile;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_ino;
}

// Names in a folder, to prove that no temporary file was left behind.
std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

#define REQUIRE_UNPRIVILEGED()                                                            \
    if (!zx_test::UnprivilegedAvailable())                                                \
    GTEST_SKIP() << "cannot start a process that is subject to permission bits here"

}  // namespace

TEST(FileWrite, CreatesNewFileWithUmaskMode) {
    TempDir dir;
    std::string p = dir / "new.txt";
    mode_t mask = ::umask(022);
    auto r = WriteFileReplacing(p, "hello\r\n");
    ::umask(mask);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.error.empty());
    EXPECT_EQ(ReadFile(p), "hello\r\n");
    EXPECT_EQ(ModeOf(p), 0644u);
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"new.txt"});
}

TEST(FileWrite, ReplacesThroughRenameKeepingPermissionBits) {
    TempDir dir;
    std::string p = dir / "f.txt";
    WriteFile(p, "old content that is longer than the new one");
    ::chmod(p.c_str(), 0640);
    ino_t before = InodeOf(p);
    auto r = WriteFileReplacing(p, "new");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(ReadFile(p), "new");
    EXPECT_EQ(ModeOf(p), 0640u);
    EXPECT_NE(InodeOf(p), before) << "expected a new file renamed over the old one";
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"f.txt"});
}

TEST(FileWrite, NoSyncVariantWritesTheSameBytes) {
    TempDir dir;
    std::string p = dir / "f.txt";
    ASSERT_TRUE(WriteFileReplacing(p, "abc", WriteDurability::kNoSync).ok);
    ASSERT_TRUE(WriteFileReplacing(p, "defg", WriteDurability::kNoSync).ok);
    EXPECT_EQ(ReadFile(p), "defg");
}

TEST(FileWrite, EmptyAndBinaryContent) {
    TempDir dir;
    std::string p = dir / "f.bin";
    ASSERT_TRUE(WriteFileReplacing(p, "").ok);
    EXPECT_TRUE(zx_test::Exists(p));
    EXPECT_EQ(ReadWholeFile(p), std::optional<std::string>(""));
    std::string bin("a\0b\xff\r\n\0", 7);
    ASSERT_TRUE(WriteFileReplacing(p, bin).ok);
    EXPECT_EQ(ReadWholeFile(p), std::optional<std::string>(bin));
}

TEST(FileWrite, LargeContent) {
    TempDir dir;
    std::string p = dir / "big";
    std::string big(5 * 1024 * 1024 + 17, 'x');
    for (size_t i = 0; i < big.size(); i += 4099) big[i] = static_cast<char>(i % 251);
    ASSERT_TRUE(WriteFileReplacing(p, big).ok);
    EXPECT_EQ(ReadWholeFile(p), std::optional<std::string>(big));
}

TEST(FileWrite, MissingFolderIsAnErrorAndCreatesNothing) {
    TempDir dir;
    std::string p = dir / "no/such/folder/f.txt";
    auto r = WriteFileReplacing(p, "x");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "No such file or directory");
    EXPECT_FALSE(zx_test::Exists(dir / "no"));
}

TEST(FileWrite, EmptyPathIsAnError) {
    auto r = WriteFileReplacing("", "x");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
}

TEST(FileWrite, DirectoryInPlaceOfTheFileIsAnError) {
    TempDir dir;
    std::string p = dir / "d";
    zx_test::MakeDirs(p + "/inner");
    auto r = WriteFileReplacing(p, "x");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Is a directory");
    EXPECT_TRUE(fs::is_directory(p + "/inner"));
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"d"});
}

TEST(FileWrite, FollowsSymbolicLinkAndKeepsIt) {
    TempDir dir;
    std::string real = dir / "real.txt";
    std::string link = dir / "link.txt";
    WriteFile(real, "old");
    fs::create_symlink("real.txt", link);
    ASSERT_TRUE(WriteFileReplacing(link, "new").ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "new");
}

TEST(FileWrite, DanglingSymbolicLinkCreatesItsTarget) {
    TempDir dir;
    std::string link = dir / "link.txt";
    fs::create_symlink("target.txt", link);
    ASSERT_TRUE(WriteFileReplacing(link, "made").ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(dir / "target.txt"), "made");
}

TEST(FileWrite, ReadOnlyFileIsAnErrorAndUnchanged) {
    REQUIRE_UNPRIVILEGED();
    TempDir dir;
    std::string p = dir / "ro.txt";
    WriteFile(p, "keep me");
    ::chmod(p.c_str(), 0444);
    GiveToUnprivileged(dir.path());
    GiveToUnprivileged(p);
    ino_t before = InodeOf(p);
    auto out = RunUnprivileged([&] {
        auto r = WriteFileReplacing(p, "changed");
        return (r.ok ? std::string("ok") : "error:" + r.error);
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "error:Permission denied");
    EXPECT_EQ(ReadFile(p), "keep me");
    EXPECT_EQ(InodeOf(p), before);
    EXPECT_EQ(ModeOf(p), 0444u);
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"ro.txt"});
}

TEST(FileWrite, WritableFileInReadOnlyFolderIsWrittenInPlace) {
    REQUIRE_UNPRIVILEGED();
    TempDir dir;
    std::string sub = dir / "ro";
    std::string p = sub + "/f.txt";
    WriteFile(p, "a long old content that must be cut away entirely");
    GiveToUnprivileged(dir.path());
    GiveToUnprivileged(sub);
    GiveToUnprivileged(p);
    ::chmod(p.c_str(), 0644);
    ::chmod(sub.c_str(), 0555);
    ino_t before = InodeOf(p);
    auto out = RunUnprivileged([&] {
        auto r = WriteFileReplacing(p, "short");
        return (r.ok ? std::string("ok") : "error:" + r.error);
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "ok");
    EXPECT_EQ(ReadFile(p), "short");
    EXPECT_EQ(InodeOf(p), before) << "in a read-only folder the file is written in place";
    EXPECT_EQ(Listing(sub), std::vector<std::string>{"f.txt"});
    // And growing works the same way.
    out = RunUnprivileged([&] {
        auto r = WriteFileReplacing(p, std::string(100000, 'g'));
        return (r.ok ? std::string("ok") : "error:" + r.error);
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "ok");
    EXPECT_EQ(ReadFile(p), std::string(100000, 'g'));
}

TEST(FileWrite, MissingFileInReadOnlyFolderIsAnError) {
    REQUIRE_UNPRIVILEGED();
    TempDir dir;
    std::string sub = dir / "ro";
    zx_test::MakeDirs(sub);
    GiveToUnprivileged(dir.path());
    GiveToUnprivileged(sub);
    ::chmod(sub.c_str(), 0555);
    auto out = RunUnprivileged([&] {
        auto r = WriteFileReplacing(sub + "/f.txt", "x");
        return (r.ok ? std::string("ok") : "error:" + r.error);
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "error:Permission denied");
    EXPECT_TRUE(Listing(sub).empty());
}

TEST(FileWrite, ReplacesFileOfAnotherOwnerInStickyFolderInPlace) {
    // In a sticky folder (like /tmp) a user may create files but may not
    // rename over another user's file, even a writable one.
    REQUIRE_UNPRIVILEGED();
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to set up files of two owners";
    TempDir dir;
    std::string sub = dir / "sticky";
    std::string p = sub + "/f.txt";
    WriteFile(p, "root's file");
    ::chmod(p.c_str(), 0666);
    ::chmod(sub.c_str(), 01777);
    GiveToUnprivileged(dir.path());
    auto out = RunUnprivileged([&] {
        auto r = WriteFileReplacing(p, "written by nobody");
        return (r.ok ? std::string("ok") : "error:" + r.error);
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "ok");
    EXPECT_EQ(ReadFile(p), "written by nobody");
    EXPECT_EQ(Listing(sub), std::vector<std::string>{"f.txt"});
}

TEST(FileWrite, ReadWholeFileOutcomes) {
    TempDir dir;
    EXPECT_FALSE(ReadWholeFile(dir / "missing").has_value());
    EXPECT_FALSE(ReadWholeFile(dir.path()).has_value()) << "a directory reads as nothing";
    WriteFile(dir / "f", std::string("x\0y", 3));
    EXPECT_EQ(ReadWholeFile(dir / "f"), std::optional<std::string>(std::string("x\0y", 3)));
}

TEST(FileWrite, ConcurrentReaderSeesOldOrNewNeverAMix) {
    TempDir dir;
    std::string p = dir / "f";
    const std::string a(300000, 'a');
    const std::string b(200000, 'b');
    ASSERT_TRUE(WriteFileReplacing(p, a, WriteDurability::kNoSync).ok);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        for (int i = 0; i < 300; ++i) {
            if (!WriteFileReplacing(p, (i % 2) ? a : b, WriteDurability::kNoSync).ok) ::_exit(1);
        }
        ::_exit(0);
    }
    int mixed = 0;
    for (int i = 0; i < 300; ++i) {
        auto got = ReadWholeFile(p);
        if (!got || (*got != a && *got != b)) ++mixed;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(mixed, 0);
}
