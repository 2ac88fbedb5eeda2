#include "engine/ordered_worker.h"

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
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

// Items are freed by the caller's thread, which made them: the two threads
// do not take turns at the allocator's lock for every folder.
TEST(OrderedWorkerTest, ItemsAreFreedOnTheCallersThread) {
    std::mutex mu;
    std::vector<std::thread::id> freedOn;
    struct Item {
        std::vector<std::thread::id>* freedOn;
        std::mutex* mu;
        Item(std::vector<std::thread::id>* f, std::mutex* m) : freedOn(f), mu(m) {}
        Item(Item&& o) noexcept : freedOn(std::exchange(o.freedOn, nullptr)), mu(o.mu) {}
        Item& operator=(Item&&) = delete;
        ~Item() {
            if (!freedOn) return;
            std::lock_guard lock(*mu);
            freedOn->push_back(std::this_thread::get_id());
        }
    };
    {
        OrderedWorker<Item> w([](Item&) { std::this_thread::yield(); }, 2, 2);
        for (int i = 0; i < 500; ++i) w.Add(Item(&freedOn, &mu), 1);
        w.Finish();
    }
    ASSERT_EQ(freedOn.size(), 500u);
    for (const std::thread::id id : freedOn) ASSERT_EQ(id, std::this_thread::get_id());
}

}  // namespace
}  // namespace zorbex
