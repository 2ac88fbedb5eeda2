#include "cli/watch_armer.h"

#include <sys/inotify.h>

#include <cerrno>
#include <iterator>
#include <system_error>
#include <utility>

namespace zorbex {

WatchArmer::~WatchArmer() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mu_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void WatchArmer::Arm(Batch& batch) const {
    const char* path = batch.paths.c_str();
    for (const PathState& expected : batch.expected) {
        Result r;
        r.wd = ::inotify_add_watch(fd_, path, events_);
        // Asked after the watch is set: whatever changes later is an event.
        if (r.wd < 0) {
            r.error = errno;
        } else {
            r.same = StateOf(path).SameState(expected);
        }
        batch.results.push_back(r);
        path += std::char_traits<char>::length(path) + 1;
    }
}

void WatchArmer::Add(std::string_view folder, const PathState& expected) {
    if (!filling_) {
        if (spare_.empty()) {
            filling_ = std::make_unique<Batch>();
            filling_->expected.reserve(kBatch);
            filling_->results.reserve(kBatch);
        } else {
            filling_ = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    filling_->paths.append(folder).push_back('\0');
    filling_->expected.push_back(expected);
    if (filling_->expected.size() == kBatch) HandOver();
}

void WatchArmer::Collect(std::unique_ptr<Batch> batch) {
    results_.insert(results_.end(), batch->results.begin(), batch->results.end());
    batch->paths.clear();
    batch->expected.clear();
    batch->results.clear();
    if (spare_.size() < kSpares) spare_.push_back(std::move(batch));
}

void WatchArmer::HandOver() {
    std::unique_lock lock(mu_);
    if (!thread_.joinable() && !cannotStart_) {
        try {
            thread_ = std::thread([this] { Work(); });
        } catch (const std::system_error&) {
            cannotStart_ = true;
        }
    }
    if (!thread_.joinable()) {
        lock.unlock();
        Arm(*filling_);
        Collect(std::move(filling_));
        return;
    }
    // The batch the thread works on stays where it is: only the vector moves.
    std::move(handed_.begin(), handed_.begin() + static_cast<std::ptrdiff_t>(armed_), std::back_inserter(collected_));
    handed_.erase(handed_.begin(), handed_.begin() + static_cast<std::ptrdiff_t>(armed_));
    armed_ = 0;
    handed_.push_back(std::move(filling_));
    const bool idle = waiting_;
    lock.unlock();
    if (idle) wake_.notify_one();
    for (std::unique_ptr<Batch>& batch : collected_) Collect(std::move(batch));
    collected_.clear();
}

void WatchArmer::Take(std::vector<Result>& results) {
    // The last few are armed here rather than woken for.
    const bool last = filling_ && !filling_->expected.empty();
    if (last) Arm(*filling_);
    {
        std::unique_lock lock(mu_);
        done_.wait(lock, [this] { return armed_ == handed_.size(); });
        std::move(handed_.begin(), handed_.end(), std::back_inserter(collected_));
        handed_.clear();
        armed_ = 0;
    }
    for (std::unique_ptr<Batch>& batch : collected_) Collect(std::move(batch));
    collected_.clear();
    if (last) Collect(std::move(filling_));
    results.insert(results.end(), results_.begin(), results_.end());
    results_.clear();
}

void WatchArmer::Work() {
    std::unique_lock lock(mu_);
    for (;;) {
        waiting_ = true;
        wake_.wait(lock, [this] { return stop_ || armed_ < handed_.size(); });
        waiting_ = false;
        if (stop_) return;
        Batch* batch = handed_[armed_].get();
        lock.unlock();
        Arm(*batch);
        lock.lock();
        if (++armed_ == handed_.size()) done_.notify_all();
    }
}

}  // namespace zorbex
