#include "platform/closing_batch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

namespace zorbex {
namespace {

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

// What a batch is handed its thread closes by the time Flush returns, and
// the numbers in between that it was not handed stay open, though runs of
// consecutive numbers close in one call.
TEST(ClosingBatchTest, ClosesAllItIsHandedAndNothingElse) {
    std::vector<int> handed, kept;
    {
        ClosingBatch batch;
        EXPECT_FALSE(batch.Flush());
        // Several full batches, every seventh number kept out of them; all
        // open before any closes, so that no number comes twice.
        for (int i = 0; i < 300; ++i) {
            const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            (i % 7 == 3 ? kept : handed).push_back(fd);
        }
        for (const int fd : handed) batch.Add(fd);
        EXPECT_TRUE(batch.Flush());
        for (const int fd : handed) EXPECT_FALSE(IsOpen(fd)) << fd;
        for (const int fd : kept) EXPECT_TRUE(IsOpen(fd)) << fd;
        EXPECT_FALSE(batch.Flush());

        handed.clear();
        for (int i = 0; i < 100; ++i) handed.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        for (const int fd : handed) batch.Add(fd);
    }
    for (const int fd : handed) EXPECT_FALSE(IsOpen(fd)) << "left open at the end: " << fd;
    for (const int fd : kept) EXPECT_TRUE(IsOpen(fd));
    for (const int fd : kept) ::close(fd);
}

}  // namespace
}  // namespace zorbex
