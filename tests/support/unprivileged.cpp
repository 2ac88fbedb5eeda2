#include "unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace zx_test {
namespace {
constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;
}  // namespace

std::optional<std::string> RunUnprivileged(const std::function<std::string()>& fn) {
    int fds[2];
    if (::pipe(fds) != 0) return std::nullopt;
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        ::close(fds[0]);
        if (::geteuid() == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNogroup) != 0 || ::setuid(kNobody) != 0) ::_exit(3);
        }
        std::string out;
        try {
            out = fn();
        } catch (...) {
            ::_exit(4);
        }
        size_t done = 0;
        while (done < out.size()) {
            ssize_t n = ::write(fds[1], out.data() + done, out.size() - done);
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

void GiveToUnprivileged(const std::string& path) {
    if (::geteuid() == 0) {
        [[maybe_unused]] int rc = ::lchown(path.c_str(), kNobody, kNogroup);
    }
}

bool UnprivilegedAvailable() {
    static const bool available = [] {
        // A child that can drop its rights and then finds a write-protected
        // file really write-protected.
        auto out = RunUnprivileged([] { return std::string(::access("/", W_OK) == 0 ? "root-like" : "ok"); });
        return out && *out == "ok";
    }();
    return available;
}

}  // namespace zx_test
