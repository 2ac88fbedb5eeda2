#pragma once
// Permission tests that mean something even when the tests run as root.
//
// Root ignores permission bits, so a test of "read-only file" or "read-only
// folder" would prove nothing. RunUnprivileged runs a piece of the test in a
// forked child; when the test process is root, the child first becomes the
// user and group 65534 ("nobody"), for whom the bits are enforced. Files the
// child must own are handed over with GiveToUnprivileged.
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>

namespace zx_test {

// Runs fn in a child process (unprivileged when the parent is root) and gives
// back the text fn returned; nullopt when the child could not be started,
// could not drop its rights, or died.
std::optional<std::string> RunUnprivileged(const std::function<std::string()>& fn);

// Makes path (not following links) owned by the user RunUnprivileged runs as;
// does nothing when the process is not root.
void GiveToUnprivileged(const std::string& path);

// Two users of a shared machine, for tests of one user's files against
// another's (which need root to set up): the one RunUnprivileged runs as,
// and a second one.
inline constexpr uid_t kUnprivilegedUser = 65534;
inline constexpr uid_t kSecondUser = 65533;

// Turns a forked child into user (with the group of the same number and no
// others); false when it may not.
bool BecomeUser(uid_t user);

// True when a child can be started that is subject to permission bits: it
// could drop root's rights, or the tests do not run as root anyway. Tests
// that need it skip (GTEST_SKIP) when it is false.
bool UnprivilegedAvailable();

}  // namespace zx_test

// Skips the test where no such child can be started.
#define ZX_REQUIRE_UNPRIVILEGED()            \
    if (!zx_test::UnprivilegedAvailable())   \
    GTEST_SKIP() << "cannot start a process that is subject to permission bits here"
