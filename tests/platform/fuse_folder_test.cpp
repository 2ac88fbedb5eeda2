// Writes into a FUSE folder (bindfs over a folder of the test's own), where
// there are no unnamed files: every write finds that out by itself and names
// its temporary. Skipped where the machine has no bindfs or no FUSE, or may
// not mount.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_write.h"
#include "platform/named_temporaries.h"
#include "support/temp_dir.h"

extern char** environ;

namespace {

using zorbex::FileReplacement;
using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;

constexpr long kFuseMagic = 0x65735546;

// The exit status of a program found on PATH; -1 when it did not run.
int Run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// A folder of the test's own, seen through bindfs at path().
class BindfsFolder {
public:
    BindfsFolder() {
        zx_test::MakeDirs(dir_ / "source");
        zx_test::MakeDirs(mount_);
        if (::access("/dev/fuse", R_OK | W_OK) == 0) Mount();
    }
    ~BindfsFolder() {
        if (mounted_) Unmount();
    }
    // The same folder mounted anew: the same device and inode, as a rule.
    void Remount() {
        if (mounted_) Unmount();
        Mount();
    }
    bool mounted() const { return mounted_; }
    const std::string& path() const { return mount_; }
    std::string operator/(const std::string& name) const { return mount_ + "/" + name; }

    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(mount_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    void Mount() {
        if (Run({"bindfs", "--no-allow-other", dir_ / "source", mount_}) != 0) return;
        struct statfs fs {};
        mounted_ = ::statfs(mount_.c_str(), &fs) == 0 && fs.f_type == kFuseMagic;
        if (!mounted_) Unmount();
    }
    void Unmount() {
        if (Run({"fusermount", "-u", "-q", mount_}) != 0 && Run({"fusermount3", "-u", "-q", mount_}) != 0)
            ::umount2(mount_.c_str(), MNT_DETACH);
        mounted_ = false;
    }

    TempDir dir_;
    std::string mount_ = dir_ / "mount";
    bool mounted_ = false;
};

#define REQUIRE_FUSE(folder) \
    if (!(folder).mounted()) GTEST_SKIP() << "no bindfs mount here (bindfs, /dev/fuse or the right to mount missing)"

// A write, a replacement and the longest name the folder takes: each lands,
// and no temporary stays.
TEST(FuseFolder, WritesLandAndLeaveNoTemporary) {
    BindfsFolder folder;
    REQUIRE_FUSE(folder);
    const std::string p = folder / "f.m3u", longest = folder / std::string(NAME_MAX, 'n');
    ASSERT_TRUE(zorbex::WriteFileReplacing(p, "old\r\n").ok);
    ::chmod(p.c_str(), 0640);
    auto r = zorbex::WriteFileReplacing(p, "new\r\n");
    EXPECT_TRUE(r.ok) << r.error;
    r = zorbex::WriteFileReplacing(longest, "long\r\n");
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(ReadFile(p), "new\r\n");
    EXPECT_EQ(ReadFile(longest), "long\r\n");
    struct stat st {};
    ::stat(p.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"f.m3u", std::string(NAME_MAX, 'n')}));
}

// A write ended halfway: by SIGTERM, its temporary goes with it (the status
// stays the signal's); by SIGKILL, the next write into the folder removes it.
TEST(FuseFolder, AWriteEndedHalfwayLeavesNoTemporary) {
    BindfsFolder folder;
    REQUIRE_FUSE(folder);
    const std::string p = folder / "f.m3u";
    WriteFile(p, "old\r\n");
    // A write before the folder was mounted anew: the one after it is the
    // first write into another folder all the same.
    ASSERT_TRUE(zorbex::WriteFileReplacing(folder / "g.m3u", "").ok);
    folder.Remount();
    REQUIRE_FUSE(folder);
    const auto endedMidWrite = [&](int sig) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (int s : {SIGTERM, SIGINT, SIGHUP}) ::signal(s, SIG_DFL);
            zorbex::RemoveTemporariesOnTermination();
            FileReplacement r(p);  // the ordinary options: unnamed first
            r.Append(std::string(3 << 20, 'x'));  // past the first piece: the temporary exists
            if (::write(ready[1], "r", 1) != 1) ::_exit(1);
            for (;;) ::pause();
        }
        char c;
        EXPECT_EQ(::read(ready[0], &c, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
        const size_t midWrite = folder.Listing().size();
        ::kill(pid, sig);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        return midWrite;
    };
    if (endedMidWrite(SIGKILL) != 3u) GTEST_SKIP() << "this FUSE folder has unnamed files";
    EXPECT_EQ(folder.Listing().size(), 3u);
    ASSERT_TRUE(zorbex::WriteFileReplacing(folder / "g.m3u", "g\r\n").ok);
    EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"f.m3u", "g.m3u"}));
    EXPECT_EQ(endedMidWrite(SIGTERM), 3u);
    EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"f.m3u", "g.m3u"}));
    EXPECT_EQ(ReadFile(p), "old\r\n");
}

}  // namespace
