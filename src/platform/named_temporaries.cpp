#include "platform/named_temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>

namespace zorbex {
namespace {

// A mount's number that is never given again (kernels since 6.8; older
// ones give the number that can be, or nothing).
constexpr unsigned kUniqueMountId = 0x4000;

// Long enough for ".zx-" + any process number + "-" + some ten digits.
constexpr size_t kShortName = 24;

// A process that goes on writing (the window, a watching run) reads a folder
// again for what others left after this long.
constexpr std::chrono::minutes kSweepAgainAfter{10};

// The temporaries being written, for the signal handler: a slot is filled
// (1) before it is live (2), so the handler never reads a half-written name.
struct Slot {
    std::atomic<int> state{0};
    pid_t owner = 0;  // a forked child inherits the slots, not the temporaries
    int folder = -1;
    char name[NAME_MAX + 1] = {};
};
constexpr int kSlots = 64;
Slot g_slots[kSlots];

void RemoveAndEndBy(int sig) {
    const int saved = errno;
    const pid_t self = ::getpid();
    for (Slot& slot : g_slots)
        if (slot.state.load(std::memory_order_acquire) == 2 && slot.owner == self)
            ::unlinkat(slot.folder, slot.name, 0);
    // The signal is blocked while its handler runs: raised with the default
    // action, it ends the process as soon as the handler returns, and the
    // exit status is the signal's.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(sig, &fallback, nullptr);
    ::raise(sig);
    errno = saved;
}

}  // namespace

pid_t TemporaryOwner(std::string_view name) {
    if (!name.starts_with(".zx-")) return 0;
    name.remove_prefix(4);
    const size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == name.size() || dash > 9) return 0;
    for (size_t i = 0; i < name.size(); ++i)
        if (i != dash && (name[i] < '0' || name[i] > '9')) return 0;
    return static_cast<pid_t>(std::strtol(std::string(name.substr(0, dash)).c_str(), nullptr, 10));
}

std::string TemporaryName(int folder, size_t targetLength) {
    static std::atomic<uint64_t> counter{0};
    size_t limit = std::max(targetLength, kShortName);
    const long most = ::fpathconf(folder, _PC_NAME_MAX);
    if (most > 0) limit = std::min(limit, static_cast<size_t>(most));
    const std::string prefix = ".zx-" + std::to_string(::getpid()) + "-";
    if (prefix.size() >= limit) return {};
    // Unlikely to be taken by another of our processes; O_EXCL decides.
    const uint64_t mix = (static_cast<uint64_t>(::getpid()) * 2654435761ULL) ^
                         (counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL) ^
                         static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&counter));
    std::string token = std::to_string(mix % 1000000007ULL);
    if (prefix.size() + token.size() > limit) token.erase(0, prefix.size() + token.size() - limit);
    return prefix + token;
}

namespace {

// A whole-file lock of the open file description (not of the process): it
// holds across PID namespaces and on NFS, and goes when the last descriptor
// of that description is closed, as when the process is killed.
int LockWhole(int fd, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock);
}

bool SameFile(int folder, const char* name, const struct stat& opened) {
    struct stat now {};
    return ::fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == opened.st_dev &&
           now.st_ino == opened.st_ino;
}

// Removes name when it is a left-over temporary (see the header). The sweep
// keeps its lock until the name is gone, so a writer that gets its lock
// later finds its name gone too and takes another.
void RemoveIfLeftOver(int folder, const char* name) {
    const pid_t pid = TemporaryOwner(name);
    if (pid <= 0 || pid == ::getpid()) return;
    if (::kill(pid, 0) == 0 || errno != ESRCH) return;
    const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && LockWhole(fd, F_RDLCK) == 0 &&
        SameFile(folder, name, st))
        ::unlinkat(folder, name, 0);
    ::close(fd);
}

}  // namespace

bool LockTemporary(int fd) {
    if (LockWhole(fd, F_WRLCK) == 0) return true;
    // No locks here (some FUSE and network mounts): nothing to prove with,
    // and the sweep, which cannot lock either, leaves the name alone.
    return errno == EINVAL || errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS;
}

bool HoldTemporary(int folder, const std::string& name, int fd) {
    if (!LockTemporary(fd)) return false;
    struct stat st {};
    return ::fstat(fd, &st) == 0 && SameFile(folder, name.c_str(), st);
}

void RemoveStaleTemporaries(int folder) {
    static std::mutex mutex;
    // Device, inode, birth time and mount: a folder removed and made anew
    // may get the same inode, and is another folder; so is the folder of a
    // FUSE mount made anew, which gets the same device and inode and tells
    // no birth time, but a mount number of its own.
    static std::map<std::tuple<dev_t, ino_t, int64_t, uint32_t, uint64_t>, std::chrono::steady_clock::time_point> swept;
    struct statx st {};
    if (::statx(folder, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME | STATX_MNT_ID | kUniqueMountId, &st) != 0) return;
    const bool born = (st.stx_mask & STATX_BTIME) != 0;
    const uint64_t mount = (st.stx_mask & (STATX_MNT_ID | kUniqueMountId)) != 0 ? st.stx_mnt_id : 0;
    {
        const std::lock_guard lock(mutex);
        const auto now = std::chrono::steady_clock::now();
        auto [it, fresh] = swept.try_emplace({makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino,
                                              born ? st.stx_btime.tv_sec : 0, born ? st.stx_btime.tv_nsec : 0, mount},
                                             now);
        if (!fresh && now - it->second < kSweepAgainAfter) return;
        it->second = now;
    }
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    DIR* d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        return;
    }
    while (const dirent* e = ::readdir(d))
        if (e->d_type == DT_REG || e->d_type == DT_UNKNOWN) RemoveIfLeftOver(fd, e->d_name);
    ::closedir(d);
}

LiveTemporary::LiveTemporary(int folder, const std::string& name) : slot_(-1) {
    if (name.size() > NAME_MAX) return;
    for (int i = 0; i < kSlots; ++i) {
        int free = 0;
        if (!g_slots[i].state.compare_exchange_strong(free, 1, std::memory_order_acq_rel)) continue;
        g_slots[i].owner = ::getpid();
        g_slots[i].folder = folder;
        std::memcpy(g_slots[i].name, name.c_str(), name.size() + 1);
        g_slots[i].state.store(2, std::memory_order_release);
        slot_ = i;
        return;
    }
}

LiveTemporary::~LiveTemporary() {
    if (slot_ >= 0) g_slots[slot_].state.store(0, std::memory_order_release);
}

void RemoveTemporariesOnTermination() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
            struct sigaction old {};
            if (::sigaction(sig, nullptr, &old) != 0) continue;
            if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) continue;
            struct sigaction action {};
            action.sa_handler = RemoveAndEndBy;
            sigemptyset(&action.sa_mask);
            for (const int other : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&action.sa_mask, other);
            ::sigaction(sig, &action, nullptr);
        }
    });
}

}  // namespace zorbex
