#include "settings/settings_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace zorbex {
namespace {

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

SettingsLock::SettingsLock(const std::string& filePath, Mode mode) {
    fd_ = ::open(FolderOf(filePath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;
    int rc;
    do {
        rc = ::flock(fd_, mode == Mode::kExclusive ? LOCK_EX : LOCK_SH);
    } while (rc != 0 && errno == EINTR);
    held_ = rc == 0;
}

SettingsLock::~SettingsLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace zorbex
