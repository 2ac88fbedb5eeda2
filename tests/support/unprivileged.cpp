#include "unprivileged.h"

#include "child_process.h"

#include <grp.h>
#include <unistd.h>


namespace zx_test {
bool BecomeUser(uid_t user) {
    return ::setgroups(0, nullptr) == 0 && ::setgid(static_cast<gid_t>(user)) == 0 && ::setuid(user) == 0;
}

std::optional<std::string> RunUnprivileged(const std::function<std::string()>& fn) {
    return RunInChild([&fn] {
        if (::geteuid() == 0 && !BecomeUser(kUnprivilegedUser)) ::_exit(3);
        return fn();
    });
}

void GiveToUnprivileged(const std::string& path) {
    if (::geteuid() == 0) {
        [[maybe_unused]] int rc = ::lchown(path.c_str(), kUnprivilegedUser, kUnprivilegedUser);
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
