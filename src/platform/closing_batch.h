#pragma once
// Descriptors closed a batch at a time. A walk closes a folder for every
// folder it opens, and every call into the kernel has a cost of its own (on
// a virtual machine a microsecond, as much as the close itself): a run of
// consecutive numbers closes in one call. Closing a folder is also where
// the kernel frees what reading it built, a tenth of a warm walk's time:
// full batches close on a thread of their own, started at the first of
// them (inline when no thread can be started), while the walk goes on.
#include <array>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

namespace zorbex {

class ClosingBatch {
public:
    ClosingBatch() = default;
    // Everything handed over is closed when this returns.
    ~ClosingBatch();
    ClosingBatch(const ClosingBatch&) = delete;
    ClosingBatch& operator=(const ClosingBatch&) = delete;

    // fd (ignored when negative) is the caller's own open descriptor, which
    // nothing else closes: closed with the batch, at the latest when it is full.
    void Add(int fd);
    // Closes what the batch holds, and waits for what the thread has yet
    // to close; false when nothing was waiting to be closed.
    bool Flush();

private:
    static constexpr size_t kSize = 64;

    // Closes fds, sorted in place.
    static void CloseAll(int* fds, size_t count);
    void HandOver();
    void Close();

    std::array<int, kSize> fds_{};
    size_t count_ = 0;

    std::mutex mu_;
    std::condition_variable wake_;  // work for the thread, or stop
    std::condition_variable done_;  // the thread has closed all it took
    std::vector<int> handed_;       // for the thread to close
    bool closing_ = false;          // the thread closes what it took
    bool stop_ = false;
    bool cannotStart_ = false;
    std::thread thread_;
};

}  // namespace zorbex
