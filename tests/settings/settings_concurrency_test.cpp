// Two writers at once never lose each other's keys: every read-modify-write
// of the settings file is one step under the settings lock.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "settings/settings_file.h"
#include "settings/settings_lock.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

using namespace zorbex;
using zx_test::TempDir;

namespace {

constexpr int kKeysEach = 150;

void WriteMany(const std::string& path, int writer) {
    SettingsFile s(path);
    for (int i = 0; i < kKeysEach; ++i) {
        // Both writers touch the same sections, so that each write has to
        // see the other's latest keys to keep them.
        const std::string sec = "Zor:bl:Playlist:" + std::to_string(i % 3 + 1);
        s.WriteNumber(sec, "w" + std::to_string(writer) + "_" + std::to_string(i), i);
    }
}

int CountMissing(const std::string& path, int writers) {
    SettingsFile s(path);
    int missing = 0;
    for (int w = 0; w < writers; ++w)
        for (int i = 0; i < kKeysEach; ++i) {
            const std::string sec = "Zor:bl:Playlist:" + std::to_string(i % 3 + 1);
            if (s.ReadNumber(sec, "w" + std::to_string(w) + "_" + std::to_string(i), -1) != i) ++missing;
        }
    return missing;
}

}  // namespace

TEST(SettingsConcurrency, TwoProcessesWritingDifferentKeysLoseNothing) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    std::vector<pid_t> children;
    for (int w = 0; w < 2; ++w) {
        std::fflush(nullptr);
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(go[1]);
            char c;
            if (::read(go[0], &c, 1) != 0) ::_exit(2);  // wait until the parent lets both go
            try {
                WriteMany(path, w);
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    ::close(go[0]);
    ::close(go[1]);  // both start now
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(CountMissing(path, 2), 0);
}

TEST(SettingsConcurrency, TwoThreadsWritingDifferentKeysLoseNothing) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    std::thread a([&] { WriteMany(path, 0); });
    std::thread b([&] { WriteMany(path, 1); });
    a.join();
    b.join();
    EXPECT_EQ(CountMissing(path, 2), 0);
}

TEST(SettingsConcurrency, LockIsHeldAndExclusive) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    // The writer is forked before the lock is taken: a child that inherited
    // the locked descriptor would hold the lock itself.
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    std::fflush(nullptr);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(go[1]);
        char c;
        if (::read(go[0], &c, 1) != 1) ::_exit(2);
        SettingsFile(path).WriteNumber("a", "x", 1);
        ::_exit(0);
    }
    ::close(go[0]);
    std::optional<SettingsLock> first;
    first.emplace(path, SettingsLock::Mode::kExclusive);
    ASSERT_TRUE(first->held());
    ASSERT_EQ(::write(go[1], "g", 1), 1);
    ::close(go[1]);
    ::usleep(300 * 1000);
    EXPECT_FALSE(zx_test::Exists(path)) << "the write went ahead while the lock was held";
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "the writer did not wait";
    first.reset();  // lets the writer go
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_EQ(zx_test::ReadFile(path), "[a]\r\nx=1\r\n");
}

TEST(SettingsConcurrency, MissingFolderMeansNoLockButNoFailure) {
    TempDir dir;
    SettingsLock lock(dir / "no/such/Zorbl.Zrf", SettingsLock::Mode::kExclusive);
    EXPECT_FALSE(lock.held());
}

// Another process keeps the lock: the wait ends, a write fails (telling
// why) and changes nothing, a read still gives what the file holds. After
// one time-out the folder is tried once, not waited for again (else every
// read of a start-up would wait anew); once had again, the lock is waited
// for as usual.
TEST(SettingsLockWait, AStuckHolderFailsWritesOnceAndIsNotWaitedForAgain) {
    using std::chrono::hours;
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    const std::string before = "[Zor:bl]\r\nplaylists=3\r\n";
    zx_test::WriteFile(path, before);
    auto hold = [&] {
        return std::make_unique<zx_test::HeldInChild>([&]() -> std::shared_ptr<void> {
            auto lock = std::make_shared<SettingsLock>(path, SettingsLock::Mode::kExclusive);
            return lock->held() ? lock : nullptr;
        });
    };
    auto holder = hold();
    ASSERT_TRUE(holder->taken());
    // Lets go after 20 s at the latest: a lock waited for an hour would then
    // be had, not timed out.
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 2000 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        holder->Release();
    });
    SettingsFile s(path);
    EXPECT_EQ(s.ReadNumber(MainSection(), "playlists", 0), 3);
    try {
        s.WriteNumber(MainSection(), "reset", 0);
        ADD_FAILURE() << "the write went ahead under another's lock";
    } catch (const SettingsWriteError& e) {
        EXPECT_TRUE(e.locked());
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    EXPECT_EQ(zx_test::ReadFile(path), before);
    EXPECT_TRUE(SettingsLock(path, SettingsLock::Mode::kShared, hours(1)).timedOut());
    done = true;
    watchdog.join();
    EXPECT_TRUE(SettingsLock(path, SettingsLock::Mode::kExclusive, hours(1)).held());
    holder = hold();
    ASSERT_TRUE(holder->taken());
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        holder->Release();
    });
    EXPECT_TRUE(SettingsLock(path, SettingsLock::Mode::kExclusive, hours(1)).held());
    release.join();
}

// A settings file that is a link to one elsewhere is replaced there, so that
// is where the lock is taken: a run through the link waits for a holder of
// the real file's lock.
TEST(SettingsLockWait, ALinkedSettingsFileIsLockedWhereItLies) {
    TempDir dir;
    const std::string real = dir / "dotfiles/Zorbl.Zrf", link = SettingsPath(dir / "prog/");
    zx_test::WriteFile(real, "[Zor:bl]\r\n");
    zx_test::MakeDirs(dir / "prog");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    zx_test::HeldInChild holder([&]() -> std::shared_ptr<void> {
        auto lock = std::make_shared<SettingsLock>(real, SettingsLock::Mode::kExclusive);
        return lock->held() ? lock : nullptr;
    });
    ASSERT_TRUE(holder.taken());
    const SettingsLock throughLink(link, SettingsLock::Mode::kExclusive, std::chrono::milliseconds(50));
    EXPECT_FALSE(throughLink.held());
    EXPECT_TRUE(throughLink.timedOut());
}
