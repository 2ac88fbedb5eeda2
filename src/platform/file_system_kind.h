#pragma once
// What the type of a file system (statfs) tells the program about the files
// on it. Every question answers false when the type cannot be read.
#include <sys/types.h>

#include <string>

namespace zorbex {

// A local file system whose change time the kernel keeps, whatever a
// program sets: a stat there cannot miss a change.
bool TimesProveFreshness(const std::string& path);

// The file system sees changes made on this machine only, or none at all:
// FUSE (sshfs, rclone, bindfs), NFS, CIFS/SMB, 9p, Ceph, AFS.
bool WithoutRemoteEvents(const std::string& path);

// FAT and exFAT (exfat-fuse too): every file shows the mount's one owner and
// mode. folder is an open descriptor on it, device its st_dev.
bool WithoutOwners(int folder, dev_t device);

}  // namespace zorbex
