#include "platform/file_read.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace {

using zorbex::ReadWholeFile;
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

}  // namespace
