#include "engine/ordered_worker.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zorbex {
namespace {

// Many small batches through a queue of one: every item is done, in the
// order given, off the caller's thread, and Finish returns only after the last.
TEST(OrderedWorkerTest, DoesEveryItemInOrderAcrossBatches) {
    std::vector<int> done;
    std::thread::id worker;
    OrderedWorker<int> w(
        [&](int& i) {
            worker = std::this_thread::get_id();
            done.push_back(i);
        },
        3, 1);
    std::vector<int> expected;
    for (int i = 0; i < 1000; ++i) {
        w.Add(i, static_cast<size_t>(i % 4));
        expected.push_back(i);
    }
    w.Finish();
    EXPECT_EQ(done, expected);
    EXPECT_NE(worker, std::this_thread::get_id());
}

// A failure of the work reaches the caller at Finish; nothing after the
// failing item is done, and nothing is lost silently.
TEST(OrderedWorkerTest, FailureReachesTheCaller) {
    std::vector<std::string> done;
    OrderedWorker<std::string> w(
        [&](std::string& s) {
            if (s == "bad") throw std::runtime_error("no room");
            done.push_back(s);
        },
        1, 2);
    for (const char* s : {"a", "b", "bad", "c", "d"}) w.Add(s, 1);
    EXPECT_THROW(w.Finish(), std::runtime_error);
    EXPECT_EQ(done, (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace zorbex
