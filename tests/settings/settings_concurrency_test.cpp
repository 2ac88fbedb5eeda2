// Two writers at once never lose each other's keys: every read-modify-write
// of the settings file is one step under the settings lock.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

namespace {

// Another process that takes the settings lock and keeps it.
std::unique_ptr<zx_test::HeldInChild> HoldLock(const std::string& path, SettingsLock::Mode mode) {
    return std::make_unique<zx_test::HeldInChild>([&]() -> std::shared_ptr<void> {
        auto lock = std::make_shared<SettingsLock>(path, mode, std::chrono::milliseconds(0));
        return lock->held() ? lock : nullptr;
    });
}

}  // namespace

// A lock kept by another process ends the wait instead of hanging; once it
// timed out, the folder is tried once rather than waited for again (else a
// start-up's many reads would each wait the whole time); when it is free
// again, all is as before. A wait that did not end would hang the test.
TEST(SettingsLockWait, AStuckHolderEndsTheWaitAndIsNotWaitedForAgain) {
    using std::chrono::hours;
    using std::chrono::milliseconds;
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    auto holder = HoldLock(path, SettingsLock::Mode::kExclusive);
    ASSERT_TRUE(holder->taken());
    {
        SettingsLock first(path, SettingsLock::Mode::kShared, milliseconds(50));
        EXPECT_FALSE(first.held());
        EXPECT_TRUE(first.timedOut());
    }
    for (auto mode : {SettingsLock::Mode::kShared, SettingsLock::Mode::kExclusive}) {
        SettingsLock again(path, mode, hours(1));
        EXPECT_FALSE(again.held());
        EXPECT_TRUE(again.timedOut());
    }
    holder->Release();
    {
        SettingsLock free(path, SettingsLock::Mode::kExclusive, hours(1));
        EXPECT_TRUE(free.held());
        EXPECT_FALSE(free.timedOut());
    }
    // Had once, the lock is waited for again as usual.
    holder = HoldLock(path, SettingsLock::Mode::kExclusive);
    ASSERT_TRUE(holder->taken());
    std::thread release([&] {
        std::this_thread::sleep_for(milliseconds(200));
        holder->Release();
    });
    SettingsLock waited(path, SettingsLock::Mode::kExclusive, hours(1));
    release.join();
    EXPECT_TRUE(waited.held());
}

// What the store does past a stuck lock: a write fails as any failed write
// does, telling why, and changes nothing; a read still gives what the file
// holds (not the defaults). A stuck reader elsewhere keeps writers out but
// not other readers.
TEST(SettingsLockWait, PastAStuckLockWritesFailAndReadsGoOn) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    const std::string before = "[Zor:bl]\r\nplaylists=3\r\n";
    zx_test::WriteFile(path, before);
    for (auto mode : {SettingsLock::Mode::kExclusive, SettingsLock::Mode::kShared}) {
        auto holder = HoldLock(path, mode);
        ASSERT_TRUE(holder->taken());
        SettingsFile s(path);
        EXPECT_EQ(s.ReadNumber(MainSection(), "playlists", 0), 3);
        EXPECT_EQ(SettingsSnapshot(s).ReadNumber(MainSection(), "playlists", 0), 3);
        try {
            s.WriteNumber(MainSection(), "reset", 0);
            ADD_FAILURE() << "the write went ahead under another's lock";
        } catch (const SettingsWriteError& e) {
            EXPECT_TRUE(e.locked());
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
        }
        EXPECT_EQ(zx_test::ReadFile(path), before);
        holder->Release();
    }
    // Free again: the next write goes through (and the folder is no longer
    // taken for stuck by the tests that follow).
    SettingsFile(path).WriteNumber(MainSection(), "reset", 0);
    EXPECT_EQ(zx_test::ReadFile(path), before + "reset=0\r\n");
}
