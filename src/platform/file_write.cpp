#include "platform/file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <system_error>

namespace zorbex {
namespace {

std::string ErrorText(int err) { return std::error_code(err, std::generic_category()).message(); }

WriteResult Fail(int err) { return WriteResult{false, ErrorText(err)}; }

// Closes the descriptor it holds when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    // Closes now and reports the outcome (a delayed write error shows here).
    int Close() {
        int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

std::string DirName(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links (even dangling ones) so that the file they lead to is
// replaced and the link itself stays. Gives up after 40 steps; the open that
// follows then reports the loop.
std::string ResolveLinks(std::string path) {
    for (int i = 0; i < 40; ++i) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        char buf[PATH_MAX];
        ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
        if (n <= 0 || n >= static_cast<ssize_t>(sizeof buf)) return path;
        std::string link(buf, static_cast<size_t>(n));
        path = link.front() == '/' ? link : DirName(path) + "/" + link;
    }
    return path;
}

bool WriteAllAt(int fd, std::string_view bytes, int& err) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        if (n == 0) {
            err = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool FolderRefusesNewFiles(int err) { return err == EACCES || err == EPERM || err == EROFS; }

// Rewrites an open, writable file in place. Used only when the folder refuses
// the temporary file. Space is reserved first so that a full disk is found
// before the old bytes are touched.
WriteResult WriteInPlace(int fd, std::string_view bytes, WriteDurability durability) {
    if (!bytes.empty()) {
        int rc = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size()));
        if (rc != 0 && (errno == ENOSPC || errno == EDQUOT)) return Fail(errno);
    }
    int err = 0;
    if (!WriteAllAt(fd, bytes, err)) return Fail(err);
    if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) return Fail(errno);
    if (durability == WriteDurability::kSync && ::fsync(fd) != 0) return Fail(errno);
    return WriteResult{true, {}};
}

std::string TempName(const std::string& dir, const std::string& base) {
    static std::atomic<unsigned> counter{0};
    unsigned long mix = static_cast<unsigned long>(::getpid()) * 2654435761UL ^
                        (static_cast<unsigned long>(counter.fetch_add(1)) << 16) ^
                        reinterpret_cast<unsigned long>(&dir);
    return dir + "/." + base + ".zx-" + std::to_string(::getpid()) + "-" + std::to_string(mix % 1000000007UL);
}

}  // namespace

WriteResult WriteFileReplacing(const std::string& path, std::string_view bytes, WriteDurability durability) {
    if (path.empty()) return Fail(ENOENT);
    const std::string target = ResolveLinks(path);

    // An existing target must be a regular file we can write to; we keep its
    // descriptor for the in-place fallback.
    struct stat st {};
    bool exists = false;
    Fd targetFd;
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
        if (!S_ISREG(st.st_mode)) return WriteResult{false, "Not a regular file"};
        exists = true;
        targetFd.Reset(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
        if (targetFd.get() < 0) return Fail(errno);
    } else if (errno != ENOENT) {
        return Fail(errno);
    }

    const std::string dir = DirName(target);
    const std::string base = BaseName(target);
    std::string tmp;
    Fd tmpFd;
    int createErr = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = TempName(dir, base);
        tmpFd.Reset(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
        if (tmpFd.get() >= 0) break;
        createErr = errno;
        if (createErr != EEXIST) break;
    }
    if (tmpFd.get() < 0) {
        if (exists && FolderRefusesNewFiles(createErr)) return WriteInPlace(targetFd.get(), bytes, durability);
        return Fail(createErr);
    }

    auto abandon = [&](int err) {
        tmpFd.Reset();
        ::unlink(tmp.c_str());
        return Fail(err);
    };

    int err = 0;
    if (!WriteAllAt(tmpFd.get(), bytes, err)) return abandon(err);
    if (exists) {
        // Keep owner and group where we may (root, or a group we belong to),
        // then the permission bits (after chown, which may clear set-id bits).
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
            [[maybe_unused]] int ignored = ::fchown(tmpFd.get(), st.st_uid, st.st_gid);
        }
        if (::fchmod(tmpFd.get(), st.st_mode & 07777) != 0) return abandon(errno);
    }
    if (durability == WriteDurability::kSync && ::fsync(tmpFd.get()) != 0) return abandon(errno);
    if (tmpFd.Close() != 0) {
        err = errno;
        ::unlink(tmp.c_str());
        return Fail(err);
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        err = errno;
        ::unlink(tmp.c_str());
        // A sticky folder lets us create files but not replace another
        // user's file (EPERM); a file bind-mounted on its own cannot be
        // renamed over (EBUSY). The file itself is writable: write in place.
        if (exists && (FolderRefusesNewFiles(err) || err == EBUSY))
            return WriteInPlace(targetFd.get(), bytes, durability);
        return Fail(err);
    }
    return WriteResult{true, {}};
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::string out;
    if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    return out;
}

}  // namespace zorbex
