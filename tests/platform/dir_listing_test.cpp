#include "platform/dir_listing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <map>
#include <tuple>

#include "support/kernel_mounts.h"
#include "support/temp_dir.h"

namespace zorbex {
namespace {

using zx_test::TempDir;
using zx_test::WriteFile;

std::map<std::string, DirEntry> ByName(const DirListing& l) {
    std::map<std::string, DirEntry> m;
    for (const DirEntry& e : l.entries) m[std::string(e.name)] = e;
    return m;
}

// A file, a hidden one, a folder, links to each and to nothing, a FIFO and
// a name that is not UTF-8.
void MakeOneOfEachKind(const TempDir& t) {
    WriteFile(t / "file.mp3", "12345");
    WriteFile(t / ".hidden.mp3", "");
    WriteFile(t / "sub/x", "");
    ASSERT_EQ(symlink("file.mp3", (t / "tofile").c_str()), 0);
    ASSERT_EQ(symlink("sub", (t / "todir").c_str()), 0);
    ASSERT_EQ(symlink("missing", (t / "dangling").c_str()), 0);
    ASSERT_EQ(mkfifo((t / "fifo").c_str(), 0644), 0);
    WriteFile(t / "\xff\xfe.mp3", "");
}

TEST(DirListingTest, KindsAndAttributes) {
    TempDir t;
    MakeOneOfEachKind(t);

    const DirListing l = ListDirectory(t.path(), {.sizes = true});
    ASSERT_TRUE(l.ok);
    auto m = ByName(l);
    ASSERT_EQ(m.size(), 8u);  // no "." or ".."
    EXPECT_EQ(m["file.mp3"].kind, EntryKind::kFile);
    EXPECT_EQ(m["file.mp3"].size, 5u);
    EXPECT_FALSE(m["file.mp3"].Hidden());
    EXPECT_TRUE(m[".hidden.mp3"].Hidden());
    EXPECT_EQ(m["sub"].kind, EntryKind::kDirectory);
    EXPECT_FALSE(m["sub"].symlink);
    EXPECT_EQ(m["tofile"].kind, EntryKind::kFile);
    EXPECT_TRUE(m["tofile"].symlink);
    EXPECT_EQ(m["tofile"].size, 5u);
    EXPECT_EQ(m["todir"].kind, EntryKind::kDirectory);
    EXPECT_TRUE(m["todir"].symlink);
    EXPECT_EQ(m["todir"].inode, m["sub"].inode);
    EXPECT_TRUE(m["dangling"].System());
    EXPECT_TRUE(m["fifo"].System());
    EXPECT_FALSE(m["file.mp3"].System());
    EXPECT_EQ(m.count("\xff\xfe.mp3"), 1u);
}

// Files left for later come back as a full read gives them, after a move
// and from several of the kernel's buffers; folders and links come at once.
TEST(DirListingTest, FilesLeftForLaterAreTheFullReadsEntries) {
    TempDir t;
    MakeOneOfEachKind(t);
    for (int i = 0; i < 300; ++i) WriteFile(t / (std::to_string(i) + std::string(200, 'n') + ".mp3"), "");
    const auto fields = [](const DirListing& l) {
        std::map<std::string, std::tuple<EntryKind, bool, uint64_t, uint64_t>> m;
        for (const DirEntry& e : l.entries) m[std::string(e.name)] = {e.kind, e.symlink, e.device, e.inode};
        return m;
    };
    const DirListing full = ListDirectory(t.path());
    DirListing later = ListDirectory(t.path(), {.filesLater = true});
    EXPECT_EQ(later.EntryCount(), full.entries.size());
    EXPECT_EQ(fields(later).size(), 4u);  // sub and the three links
    DirListing moved = std::move(later);
    moved.AddLaterEntries();
    moved.AddLaterEntries();  // nothing twice
    EXPECT_EQ(moved.entries.size(), full.entries.size());
    EXPECT_EQ(fields(moved), fields(full));
}

TEST(DirListingTest, FolderIdentityForLoopChecks) {
    TempDir t;
    struct stat st {};
    ASSERT_EQ(stat(t.path().c_str(), &st), 0);
    const DirListing l = ListDirectory(t.path());
    EXPECT_EQ(l.device, static_cast<uint64_t>(st.st_dev));
    EXPECT_EQ(l.inode, static_cast<uint64_t>(st.st_ino));
}

TEST(DirListingTest, FailuresCarryTheReason) {
    TempDir t;
    WriteFile(t / "plain", "");
    ASSERT_EQ(mkfifo((t / "fifo").c_str(), 0644), 0);
    struct Case {
        std::string path;
        int error;
    } cases[] = {{t / "missing/", ENOENT}, {t / "plain", ENOTDIR}, {t / "fifo", ENOTDIR},
                 {t.path() + std::string(5000, 'x'), ENAMETOOLONG}};
    for (const Case& c : cases) {
        const DirListing l = ListDirectory(c.path);
        EXPECT_FALSE(l.ok) << c.path;
        EXPECT_EQ(l.error, c.error) << c.path;
        EXPECT_TRUE(l.entries.empty());
    }
}

// By the file system's type: devtmpfs is a tmpfs to statfs, and a tmpfs of
// the user's (/dev/shm, often /tmp) is no kernel tree.
TEST(DirListingTest, KernelFileSystemsAreToldByType) {
    if (const std::string missing = zx_test::KernelTreesMissing(); !missing.empty()) GTEST_SKIP() << missing;
    std::vector<std::string> kernel{"/proc", "/proc/self", "/sys", "/dev/pts"};
    // /dev is devtmpfs on most machines, a plain tmpfs in some containers.
    std::ifstream mounts("/proc/self/mounts");
    for (std::string line; std::getline(mounts, line);) {
        if (line.find(" /dev devtmpfs ") != std::string::npos) kernel.push_back("/dev");
    }
    for (const std::string& path : kernel) {
        DirectoryReader reader;
        ASSERT_TRUE(reader.Open(path).ok) << path;
        EXPECT_TRUE(reader.OnKernelFileSystem()) << path;
    }
    TempDir t;
    DirectoryReader reader;
    ASSERT_TRUE(reader.Open(t.path()).ok);
    EXPECT_FALSE(reader.OnKernelFileSystem());
    // /dev/shm is a tmpfs of its own on a normal system, but only a folder of
    // /dev in a chroot that binds the host's /dev.
    char shm[] = "/dev/shm/zorbex-test-XXXXXX";
    struct stat dev {}, devShm {};
    const bool ownMount = ::stat("/dev", &dev) == 0 && ::stat("/dev/shm", &devShm) == 0 && dev.st_dev != devShm.st_dev;
    if (ownMount && mkdtemp(shm)) {
        DirectoryReader inShm;
        ASSERT_TRUE(inShm.Open(shm).ok);
        EXPECT_FALSE(inShm.OnKernelFileSystem());
        rmdir(shm);
    }
}

}  // namespace
}  // namespace zorbex
