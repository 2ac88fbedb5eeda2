#pragma once
// Descriptors closed a batch at a time. A walk closes a folder for every
// folder it opens, and every call into the kernel has a cost of its own (on
// a virtual machine a microsecond, as much as the close itself): a run of
// consecutive numbers closes in one call.
#include <array>
#include <cstddef>

namespace zorbex {

class ClosingBatch {
public:
    ClosingBatch() = default;
    ~ClosingBatch() { Flush(); }
    ClosingBatch(const ClosingBatch&) = delete;
    ClosingBatch& operator=(const ClosingBatch&) = delete;

    // fd (ignored when negative) is the caller's own open descriptor, which
    // nothing else closes: closed with the batch, at the latest when it is full.
    void Add(int fd);
    // Closes what the batch holds; false when it held nothing.
    bool Flush();

private:
    static constexpr size_t kSize = 64;
    std::array<int, kSize> fds_{};
    size_t count_ = 0;
};

}  // namespace zorbex
