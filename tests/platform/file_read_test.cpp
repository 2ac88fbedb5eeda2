#include "platform/file_read.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace {

using zorbex::FileRead;
using zorbex::ReadWholeFile;
using zorbex::ReadWholeFileWithin;
using zx_test::TempDir;
using zx_test::WriteFile;

TEST(FileRead, ReadWholeFileOutcomes) {
    TempDir dir;
    EXPECT_FALSE(ReadWholeFile(dir / "missing").has_value());
    EXPECT_FALSE(ReadWholeFile(dir.path()).has_value()) << "a directory reads as nothing";
    WriteFile(dir / "f", std::string("x\0y", 3));
    EXPECT_EQ(ReadWholeFile(dir / "f"), std::optional<std::string>(std::string("x\0y", 3)));
    // A FIFO (or a device) in a file's place is not even opened: opening
    // some devices does something.
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(watch, fifo.c_str(), IN_OPEN), 0);
    EXPECT_FALSE(ReadWholeFile(fifo).has_value());
    char events[4096];
    EXPECT_EQ(::read(watch, events, sizeof events), -1) << "the FIFO was opened";
    ::close(watch);
}

// What kept a read from the bytes, so that a settings write can refuse to
// replace what is there; the bound is kept before anything is held, and
// also for a file that gives more than its size said (as /proc's do).
TEST(FileRead, OutcomesAndTheBound) {
    TempDir dir;
    WriteFile(dir / "ten", "0123456789");
    EXPECT_EQ(ReadWholeFileWithin(dir / "ten", 10).bytes, "0123456789");
    EXPECT_EQ(ReadWholeFileWithin(dir / "ten", 9).outcome, FileRead::Outcome::kTooLarge);
    EXPECT_EQ(ReadWholeFileWithin(dir / "ten", 9).bytes, "");

    const FileRead missing = ReadWholeFileWithin(dir / "gone/f");
    EXPECT_EQ(missing.outcome, FileRead::Outcome::kMissing);
    EXPECT_EQ(missing.errnum, ENOENT);
    EXPECT_EQ(ReadWholeFileWithin(dir / "ten/f").outcome, FileRead::Outcome::kMissing) << "a file on the way";
    const FileRead folder = ReadWholeFileWithin(dir.path());
    EXPECT_EQ(folder.outcome, FileRead::Outcome::kUnreadable);
    EXPECT_EQ(folder.errnum, EISDIR);

    struct stat st {};
    ASSERT_EQ(::stat("/proc/self/status", &st), 0);
    ASSERT_EQ(st.st_size, 0);
    EXPECT_EQ(ReadWholeFileWithin("/proc/self/status", 16).outcome, FileRead::Outcome::kTooLarge);
    EXPECT_EQ(ReadWholeFileWithin("/proc/self/status").outcome, FileRead::Outcome::kRead);
}

}  // namespace
