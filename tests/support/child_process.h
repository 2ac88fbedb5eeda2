#pragma once
// Running a piece of a test in a forked child: for limits, mounts and rights
// that must not touch the test process itself.
#include <functional>
#include <optional>
#include <string>

namespace zx_test {

// Runs fn in a forked child and gives back the text it returned; nullopt when
// the child could not be started, threw, or died.
std::optional<std::string> RunInChild(const std::function<std::string()>& fn);

}  // namespace zx_test
