#pragma once
// Running a piece of a test in a forked child: for limits, mounts and rights
// that must not touch the test process itself.
#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zx_test {

// Runs fn in a forked child and gives back the text it returned; nullopt when
// the child could not be started, threw, or died.
std::optional<std::string> RunInChild(const std::function<std::string()>& fn);

// Runs take() in a forked child, which keeps what it gave (a lock, say)
// until Release() or the end of this object; taken() is false when it gave
// nothing, threw, or the child could not be started.
class HeldInChild {
public:
    explicit HeldInChild(const std::function<std::shared_ptr<void>()>& take);
    ~HeldInChild() { Release(); }
    HeldInChild(const HeldInChild&) = delete;
    HeldInChild& operator=(const HeldInChild&) = delete;

    bool taken() const { return taken_; }
    void Release();  // ends the child and waits for it

private:
    pid_t pid_ = -1;
    int release_ = -1;  // the child holds on until this end is closed
    bool taken_ = false;
};

}  // namespace zx_test
