#pragma once
// Work handed to a second thread and done there in the order given, so that
// the caller goes on meanwhile. Items travel in batches: one wake-up per
// batch, not per item. The caller waits only when the worker is a bounded
// way behind. Without a thread (the system refuses one) the work is done
// at once on the caller's thread, in the same order.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace zorbex {

template <class Item>
class OrderedWorker {
public:
    // work is called for every item, one at a time, in the order added.
    // A batch is handed over once its items weigh batchWeight.
    explicit OrderedWorker(std::function<void(Item&)> work, size_t batchWeight = 2048, size_t maxBatches = 8)
        : work_(std::move(work)), batchWeight_(batchWeight), maxBatches_(maxBatches) {
        try {
            thread_ = std::thread([this] { Run(); });
        } catch (const std::system_error&) {}
    }
    ~OrderedWorker() {
        try {
            Finish();
        } catch (...) {}
    }
    OrderedWorker(const OrderedWorker&) = delete;
    OrderedWorker& operator=(const OrderedWorker&) = delete;

    void Add(Item item, size_t weight) {
        if (!thread_.joinable()) {
            work_(item);
            return;
        }
        batch_.push_back(std::move(item));
        weight_ += weight + 1;
        if (weight_ >= batchWeight_) Hand();
    }

    // Waits until every item added is done; rethrows what the work threw.
    void Finish() {
        if (thread_.joinable()) {
            Hand();
            {
                std::lock_guard lock(mu_);
                done_ = true;
            }
            workCv_.notify_one();
            thread_.join();
            spent_.clear();
        }
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    }

private:
    void Hand() {
        if (batch_.empty()) return;
        std::unique_lock lock(mu_);
        roomCv_.wait(lock, [this] { return queue_.size() < maxBatches_; });
        queue_.push_back(std::move(batch_));
        const bool wake = queue_.size() == 1;
        // Freed here, outside the lock.
        std::vector<std::vector<Item>> spent = std::move(spent_);
        spent_.clear();
        lock.unlock();
        batch_.clear();  // moved from
        weight_ = 0;
        if (wake) workCv_.notify_one();
    }

    void Run() {
        std::unique_lock lock(mu_);
        for (;;) {
            workCv_.wait(lock, [this] { return done_ || !queue_.empty(); });
            if (queue_.empty()) return;
            std::vector<Item> batch = std::move(queue_.front());
            lock.unlock();
            // After a failure the rest is only drained: the caller learns of it at Finish.
            if (!failure_) {
                try {
                    for (Item& item : batch) work_(item);
                } catch (...) {
                    failure_ = std::current_exception();
                }
            }
            lock.lock();
            spent_.push_back(std::move(batch));
            queue_.pop_front();
            roomCv_.notify_one();
        }
    }

    std::function<void(Item&)> work_;
    const size_t batchWeight_;
    const size_t maxBatches_;
    std::vector<Item> batch_;  // the caller's, not yet handed over
    size_t weight_ = 0;

    std::mutex mu_;
    std::condition_variable workCv_;  // a batch queued, or done
    std::condition_variable roomCv_;  // a batch finished
    std::deque<std::vector<Item>> queue_;
    std::vector<std::vector<Item>> spent_;  // done, for the caller to free
    bool done_ = false;
    std::exception_ptr failure_;  // written by the worker, read after join
    std::thread thread_;
};

}  // namespace zorbex
