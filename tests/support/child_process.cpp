#include "child_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace zx_test {

std::optional<std::string> RunInChild(const std::function<std::string()>& fn) {
    int fds[2];
    if (::pipe(fds) != 0) return std::nullopt;
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        ::close(fds[0]);
        std::string out;
        try {
            out = fn();
        } catch (...) {
            ::_exit(4);
        }
        size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0) ::_exit(5);
            done += static_cast<size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return out;
}

HeldInChild::HeldInChild(const std::function<std::shared_ptr<void>()>& take) {
    // Close-on-exec: a program the test starts meanwhile must not keep the
    // child waiting by holding an end of the pipe.
    int ready[2], release[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) return;
    if (::pipe2(release, O_CLOEXEC) == 0) {
        std::fflush(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(release[1]);
            std::shared_ptr<void> held;
            try {
                held = take();
            } catch (...) {
            }
            char c = held ? '1' : '0';
            if (::write(ready[1], &c, 1) == 1)
                while (::read(release[0], &c, 1) > 0) {
                }
            ::_exit(0);
        }
        ::close(release[0]);
        release_ = release[1];
    }
    ::close(ready[1]);
    char answer = '0';
    taken_ = pid_ > 0 && ::read(ready[0], &answer, 1) == 1 && answer == '1';
    ::close(ready[0]);
}

void HeldInChild::Release() {
    if (release_ >= 0) ::close(release_);
    release_ = -1;
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace zx_test
