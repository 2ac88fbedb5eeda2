#include "platform/file_system_kind.h"

#include <linux/magic.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <sstream>

namespace zorbex {
namespace {

// The mount's type as /proc tells it ("fuseblk" for exfat-fuse, ntfs-3g).
std::string MountType(dev_t device) {
    std::ifstream mounts("/proc/self/mountinfo");
    const std::string id = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    for (std::string line; std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string mountId, parent, devices, word;
        fields >> mountId >> parent >> devices;
        if (devices != id) continue;
        while (fields >> word && word != "-") {}
        fields >> word;
        return word;
    }
    return {};
}

}  // namespace

bool TimesProveFreshness(const std::string& path) {
    struct statfs fs {};
    if (::statfs(path.c_str(), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case EXT4_SUPER_MAGIC:  // ext2 and ext3 too
        case XFS_SUPER_MAGIC:
        case BTRFS_SUPER_MAGIC:
        case TMPFS_MAGIC:
        case RAMFS_MAGIC:
        case F2FS_SUPER_MAGIC:
        case 0x2FC12FC1:  // zfs
        case 0xCA451A4E:  // bcachefs
        case OVERLAYFS_SUPER_MAGIC:
            return true;
        default:
            return false;
    }
}

bool WithoutRemoteEvents(const std::string& path) {
    struct statfs fs {};
    if (::statfs(path.c_str(), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case FUSE_SUPER_MAGIC:
        case NFS_SUPER_MAGIC:
        case SMB_SUPER_MAGIC:
        case CIFS_SUPER_MAGIC:
        case SMB2_SUPER_MAGIC:
        case V9FS_MAGIC:
        case CEPH_SUPER_MAGIC:
        case AFS_SUPER_MAGIC:
        case AFS_FS_MAGIC:
            return true;
        default:
            return false;
    }
}

bool WithoutOwners(int folder, dev_t device) {
    struct statfs fs {};
    if (::fstatfs(folder, &fs) != 0) return false;
    const auto type = static_cast<unsigned long>(fs.f_type);
    return type == MSDOS_SUPER_MAGIC || type == EXFAT_SUPER_MAGIC ||
           (type == FUSE_SUPER_MAGIC && MountType(device).starts_with("fuseblk"));
}

}  // namespace zorbex
