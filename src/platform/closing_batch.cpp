#include "platform/closing_batch.h"

#include <unistd.h>

#include <algorithm>
#include <system_error>

namespace zorbex {

ClosingBatch::~ClosingBatch() {
    Flush();
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mu_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void ClosingBatch::CloseAll(int* fds, size_t count) {
    std::sort(fds, fds + count);
    // Every number of a run is one of ours and open, so no other descriptor
    // can lie in between: the range closes nothing but the batch's own.
    for (size_t at = 0; at < count;) {
        size_t end = at + 1;
        while (end < count && fds[end] == fds[end - 1] + 1) ++end;
        const int first = fds[at];
        const int last = fds[end - 1];
        if (first == last || ::close_range(static_cast<unsigned>(first), static_cast<unsigned>(last), 0) != 0) {
            // One at a time where the kernel knows no ranges.
            for (size_t k = at; k < end; ++k) ::close(fds[k]);
        }
        at = end;
    }
}

void ClosingBatch::Add(int fd) {
    if (fd < 0) return;
    if (count_ == kSize) HandOver();
    fds_[count_++] = fd;
}

void ClosingBatch::HandOver() {
    std::unique_lock lock(mu_);
    if (!thread_.joinable() && !cannotStart_) {
        try {
            thread_ = std::thread([this] { Close(); });
        } catch (const std::system_error&) {
            cannotStart_ = true;
        }
    }
    if (thread_.joinable()) {
        handed_.insert(handed_.end(), fds_.begin(), fds_.begin() + count_);
        count_ = 0;
        const bool idle = !closing_;
        lock.unlock();
        if (idle) wake_.notify_one();
        return;
    }
    lock.unlock();
    CloseAll(fds_.data(), count_);
    count_ = 0;
}

bool ClosingBatch::Flush() {
    bool any = count_ > 0;
    CloseAll(fds_.data(), count_);
    count_ = 0;
    if (!thread_.joinable()) return any;
    std::unique_lock lock(mu_);
    any = any || closing_ || !handed_.empty();
    done_.wait(lock, [this] { return !closing_ && handed_.empty(); });
    return any;
}

void ClosingBatch::Close() {
    std::vector<int> taken;
    std::unique_lock lock(mu_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !handed_.empty(); });
        if (handed_.empty()) return;
        taken.swap(handed_);
        closing_ = true;
        lock.unlock();
        CloseAll(taken.data(), taken.size());
        taken.clear();
        lock.lock();
        closing_ = false;
        if (handed_.empty()) done_.notify_all();
    }
}

}  // namespace zorbex
