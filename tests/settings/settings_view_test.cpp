// The parsed view of the settings file that operations share: used only
// while the file on disk is still the one it was made from, so that every
// read sees the file as it is.
#include "settings/settings_view.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "settings/settings_file.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

using namespace zorbex;
using zx_test::TempDir;
using zx_test::WriteFile;

namespace {

// Another process writes bytes of the same size over the file (in place, or
// by renaming a new file over it) and puts the old modification time back,
// to the nanosecond: only the change time and the bytes tell.
void ChangeKeepingSizeAndTime(const std::string& path, const std::string& bytes, bool inPlace) {
    const auto done = zx_test::RunInChild([&]() -> std::string {
        struct stat before {};
        if (::stat(path.c_str(), &before) != 0 || before.st_size != static_cast<off_t>(bytes.size())) return "size";
        const std::string target = inPlace ? path : path + ".new";
        const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0 || ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) return "write";
        ::close(fd);
        if (!inPlace && ::rename(target.c_str(), path.c_str()) != 0) return "rename";
        const timespec times[2] = {before.st_atim, before.st_mtim};
        if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) return "utimensat";
        struct stat after {};
        ::stat(path.c_str(), &after);
        const bool same = after.st_size == before.st_size && after.st_mtim.tv_sec == before.st_mtim.tv_sec &&
                          after.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
        return same ? "ok" : "times";
    });
    ASSERT_EQ(done.value_or("no child"), "ok");
}

// Until the file's change time is safely past, a view is checked by its bytes.
void WaitUntilSettled(const std::string& path) {
    const auto stamp = StampOf(path);
    ASSERT_TRUE(stamp);
    ::usleep(static_cast<useconds_t>(SettingsViews::MarginNs(*stamp) / 1000 + 20000));
}

std::string Value(const std::shared_ptr<const SettingsText>& text) {
    const auto raw = text ? text->RawValue("a", "k") : std::nullopt;
    return raw ? std::string(*raw) : "<none>";
}

}  // namespace

TEST(SettingsView, AChangeByAnotherProcessBetweenTwoReadsIsSeen) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "[Zor:bl]\r\nname=Rock\r\n");
    const SettingsFile file(path);
    EXPECT_EQ(file.ReadText("Zor:bl", "name", "-"), "Rock");
    // Within the tick of the last change: the view is checked against the file.
    ChangeKeepingSizeAndTime(path, "[Zor:bl]\r\nname=Jazz\r\n", true);
    EXPECT_EQ(file.ReadText("Zor:bl", "name", "-"), "Jazz");
    ChangeKeepingSizeAndTime(path, "[Zor:bl]\r\nname=Folk\r\n", false);
    EXPECT_EQ(file.ReadText("Zor:bl", "name", "-"), "Folk");
    // A view trusted by its times: the change time still gives the change away.
    WaitUntilSettled(path);
    EXPECT_EQ(file.ReadText("Zor:bl", "name", "-"), "Folk");
    EXPECT_EQ(file.ReadText("Zor:bl", "name", "-"), "Folk");
    ChangeKeepingSizeAndTime(path, "[Zor:bl]\r\nname=Soul\r\n", true);
    EXPECT_EQ(SettingsSnapshot(file).ReadText("Zor:bl", "name", "-"), "Soul");
    // A write starts from the file as it is, not from an older view.
    WaitUntilSettled(path);
    EXPECT_EQ(file.ReadText("Zor:bl", "name", "-"), "Soul");
    ChangeKeepingSizeAndTime(path, "[Zor:bl]\r\nname=Punk\r\n", false);
    SettingsFile(path).WriteNumber("Zor:bl", "reset", 0);
    EXPECT_EQ(zx_test::ReadFile(path), "[Zor:bl]\r\nname=Punk\r\nreset=0\r\n");
    ::unlink(path.c_str());
    EXPECT_EQ(file.ReadText("Zor:bl", "name", "-"), "-");
}

// Where the times cannot tell (the stamp is the same), the bytes decide: a
// loader that reads other bytes from an untouched file stands for a change
// that kept size, times and inode.
TEST(SettingsView, BytesDecideUntilTheChangeTimeIsSafelyPast) {
    TempDir dir;
    const std::string path = dir / "Zorbl.Zrf";
    WriteFile(path, "any");
    SettingsViews views;
    int loads = 0;
    auto reading = [&](std::string bytes) {
        return [&loads, bytes] {
            ++loads;
            return std::optional<SettingsViews::Loaded>(SettingsViews::Loaded{bytes, {}});
        };
    };
    EXPECT_EQ(Value(views.Current(path, reading("[a]\r\nk=1\r\n"))), "1");
    const auto second = views.Current(path, reading("[a]\r\nk=2\r\n"));
    EXPECT_EQ(Value(second), "2");
    // Equal bytes keep the view, index and all.
    EXPECT_EQ(views.Current(path, reading("[a]\r\nk=2\r\n")), second);
    EXPECT_EQ(loads, 3);
    // Settled: one more reading, made after the margin, then none.
    WaitUntilSettled(path);
    EXPECT_EQ(views.Current(path, reading("[a]\r\nk=2\r\n")), second);
    EXPECT_EQ(views.Current(path, reading("[a]\r\nk=9\r\n")), second);
    EXPECT_EQ(loads, 4);
    // The program's own write is kept, but checked against the file at the
    // next use: another process may have come between.
    views.Wrote(path, "[a]\r\nk=3\r\n", {});
    EXPECT_EQ(Value(views.Current(path, reading("[a]\r\nk=4\r\n"))), "4");
    // A file that is gone is not answered from a view, settled as it was.
    ::unlink(path.c_str());
    EXPECT_EQ(views.Current(path, [] { return std::optional<SettingsViews::Loaded>(); }), nullptr);
}

// Where the attributes come from a cache (sshfs, NFS) or the change time
// follows the modification time (exFAT), "unchanged" proves nothing: a probe
// freezes the stamp as such a mount would, the file changes behind it, and
// the next read and write still start from the bytes on disk.
TEST(SettingsView, AFileSystemWhoseTimesCannotProveFreshnessIsCheckedByBytes) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    WriteFile(path, "[Zor:bl]\r\nname=Rock\r\n");
    const auto frozen = StampOf(path);
    SettingsViews::Shared().SetProbe({[&](const std::string&) { return frozen; }, [](auto&) { return false; }});
    const SettingsFile file(path);
    EXPECT_EQ(file.ReadText("Zor:bl", "name", "-"), "Rock");
    WaitUntilSettled(path);  // settled by the times, as on a local file system
    EXPECT_EQ(file.ReadText("Zor:bl", "name", "-"), "Rock");
    WriteFile(path, "[Zor:bl]\r\nname=Jazz\r\n");
    EXPECT_EQ(file.ReadText("Zor:bl", "name", "-"), "Jazz");
    WriteFile(path, "[Zor:bl]\r\nname=Folk\r\n");
    SettingsFile(path).WriteNumber("Zor:bl", "reset", 0);
    EXPECT_EQ(zx_test::ReadFile(path), "[Zor:bl]\r\nname=Folk\r\nreset=0\r\n");
    SettingsViews::Shared().SetProbe(SettingsViews::SystemProbe());
}

// Threads share the views: a reader never goes back to an older value once
// it has seen a newer one, and every value it sees was written.
TEST(SettingsView, ThreadsReadingWhileAnotherWritesSeeEveryWriteInOrder) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    SettingsFile(path).WriteNumber("Zor:bl", "counter", 0);
    constexpr int kWrites = 300;
    std::atomic<bool> done{false};
    std::atomic<int> backwards{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&] {
            const SettingsFile file(path);
            int last = 0;
            while (!done) {
                const int now = file.ReadNumber("Zor:bl", "counter", -1);
                if (now < last || now > kWrites) ++backwards;
                last = std::max(last, now);
            }
        });
    }
    SettingsFile writer(path, SettingsSync::kNever);
    for (int i = 1; i <= kWrites; ++i) {
        writer.WriteNumber("Zor:bl", "counter", i);
        // What a reader sees after the write has returned.
        if (SettingsFile(path).ReadNumber("Zor:bl", "counter", -1) != i) ++backwards;
    }
    done = true;
    for (auto& t : readers) t.join();
    EXPECT_EQ(backwards, 0);
}

// The same through a real attribute cache: bindfs keeping attributes for 20 s.
TEST(SettingsView, AChangeBehindAFuseMountWithAnAttributeCacheIsNotLost) {
    TempDir dir;
    const std::string source = dir / "source", mount = dir / "mount", path = SettingsPath(mount);
    zx_test::MakeDirs(source);
    zx_test::MakeDirs(mount);
    if (::access("/dev/fuse", W_OK) != 0 || std::system(("bindfs --no-allow-other -o attr_timeout=20,entry_timeout=20 " +
                                                         source + " " + mount + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no bindfs mount here";
    WriteFile(SettingsPath(source), "[Zor:bl]\r\nname=Rock\r\n");
    EXPECT_EQ(SettingsFile(path).ReadText("Zor:bl", "name", "-"), "Rock");
    WaitUntilSettled(path);
    EXPECT_EQ(SettingsFile(path).ReadText("Zor:bl", "name", "-"), "Rock");
    WriteFile(SettingsPath(source), "[Zor:bl]\r\nname=Jazz\r\n");
    SettingsFile(path, SettingsSync::kNever).WriteNumber("Zor:bl", "reset", 0);
    EXPECT_EQ(zx_test::ReadFile(SettingsPath(source)), "[Zor:bl]\r\nname=Jazz\r\nreset=0\r\n");
    [[maybe_unused]] const int unmounted = std::system(("fusermount -u " + mount + " || umount -l " + mount).c_str());
}
