#include "platform/closing_batch.h"

#include <unistd.h>

#include <algorithm>

namespace zorbex {

void ClosingBatch::Add(int fd) {
    if (fd < 0) return;
    if (count_ == kSize) Flush();
    fds_[count_++] = fd;
}

bool ClosingBatch::Flush() {
    if (count_ == 0) return false;
    std::sort(fds_.begin(), fds_.begin() + count_);
    // Every number of a run is one of ours and open, so no other descriptor
    // can lie in between: the range closes nothing but the batch's own.
    for (size_t at = 0; at < count_;) {
        size_t end = at + 1;
        while (end < count_ && fds_[end] == fds_[end - 1] + 1) ++end;
        const int first = fds_[at];
        const int last = fds_[end - 1];
        if (first == last || ::close_range(static_cast<unsigned>(first), static_cast<unsigned>(last), 0) != 0) {
            // One at a time where the kernel knows no ranges.
            for (size_t k = at; k < end; ++k) ::close(fds_[k]);
        }
        at = end;
    }
    count_ = 0;
    return true;
}

}  // namespace zorbex
