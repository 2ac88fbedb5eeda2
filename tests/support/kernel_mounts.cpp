#include "support/kernel_mounts.h"

#include <linux/magic.h>
#include <sys/vfs.h>

namespace zx_test {

std::string KernelTreesMissing() {
    const struct {
        const char* path;
        long type;
        const char* name;
    } trees[] = {{"/proc", PROC_SUPER_MAGIC, "procfs"},
                 {"/sys", SYSFS_MAGIC, "sysfs"},
                 {"/dev/pts", DEVPTS_SUPER_MAGIC, "devpts"}};
    for (const auto& tree : trees) {
        struct statfs fs {};
        if (::statfs(tree.path, &fs) != 0 || static_cast<long>(fs.f_type) != tree.type)
            return std::string(tree.path) + " is no " + tree.name + " here (a chroot or container)";
    }
    return "";
}

}  // namespace zx_test
