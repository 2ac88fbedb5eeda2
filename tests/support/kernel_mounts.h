#pragma once
// Whether the kernel's own trees are mounted where a machine has them: a
// chroot or a container may leave /sys an ordinary folder.
#include <string>

namespace zx_test {

// Empty when /proc is procfs, /sys sysfs and /dev/pts devpts; else a reason
// naming the first that is not, for GTEST_SKIP.
std::string KernelTreesMissing();

}  // namespace zx_test
