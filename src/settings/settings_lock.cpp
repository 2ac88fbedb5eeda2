#include "settings/settings_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "platform/path_walk.h"

namespace zorbex {
namespace {

// Folders (device, inode) whose lock timed out and has not been had since.
class StuckFolders {
public:
    using Key = std::pair<dev_t, ino_t>;
    // Lets the common case (nothing ever stuck) skip the rest.
    bool Empty() const { return empty_.load(std::memory_order_relaxed); }
    bool Contains(const Key& key) {
        const std::lock_guard guard(mutex_);
        return keys_.count(key) != 0;
    }
    void Set(const Key& key, bool stuck) {
        const std::lock_guard guard(mutex_);
        if (stuck)
            keys_.insert(key);
        else
            keys_.erase(key);
        empty_.store(keys_.empty(), std::memory_order_relaxed);
    }

private:
    std::mutex mutex_;
    std::set<Key> keys_;
    std::atomic<bool> empty_{true};
};

StuckFolders& Stuck() {
    static StuckFolders folders;
    return folders;
}

// 0 on success, else the errno of the last try.
int TryLock(int fd, int operation) {
    int rc;
    do {
        rc = ::flock(fd, operation | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

}  // namespace

SettingsLock::SettingsLock(const std::string& filePath, Mode mode, std::chrono::milliseconds wait) {
    // The folder of the file itself: a settings file that is a link to one
    // elsewhere (shared between installs, kept with dotfiles) is replaced
    // there, so that is where every process must meet.
    fd_ = OpenTargetFolder(filePath);
    if (fd_ < 0) return;
    const int operation = mode == Mode::kExclusive ? LOCK_EX : LOCK_SH;
    int err = TryLock(fd_, operation);
    if (err != 0 && err != EWOULDBLOCK) return;  // no flock here: go on unprotected
    if (err == 0 && Stuck().Empty()) {
        held_ = true;
        return;
    }
    struct stat st {};
    const bool known = ::fstat(fd_, &st) == 0;
    const StuckFolders::Key key{st.st_dev, st.st_ino};
    if (err == EWOULDBLOCK && !(known && Stuck().Contains(key))) {
        // Polled, since flock itself cannot wait for a limited time; the
        // pause grows to a few milliseconds, about what one write of ours takes.
        const auto deadline = std::chrono::steady_clock::now() + wait;
        auto pause = std::chrono::microseconds(500);
        while (err == EWOULDBLOCK && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(4000));
            err = TryLock(fd_, operation);
        }
    }
    held_ = err == 0;
    timedOut_ = err == EWOULDBLOCK;
    if (known && (held_ || timedOut_)) Stuck().Set(key, timedOut_);
}

SettingsLock::~SettingsLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace zorbex
