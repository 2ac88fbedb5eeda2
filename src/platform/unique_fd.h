#pragma once
#include <unistd.h>

#include <string>

namespace zorbex {

// The name by which /proc reaches the open descriptor fd: opening it opens
// the very file held, whatever its own name holds by now.
inline std::string ProcFdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Closes the descriptor it holds when it goes out of scope.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now and reports the outcome (a delayed write error shows here).
    int Close() { return ::close(Release()); }

private:
    int fd_ = -1;
};

}  // namespace zorbex
