#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/path_walk.h"
#include "platform/unique_fd.h"

namespace zorbex {

int OpenRegularFile(const std::string& path) {
    const UniqueFd at(::open(path.c_str(), O_PATH | O_CLOEXEC));
    struct stat st {};
    if (!at.valid() || ::fstat(at.get(), &st) != 0) return -1;
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    // The very file looked at, whatever the name holds by now.
    int fd = ::open(ProcFdPath(at.get()).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 && errno == ENOENT) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);  // no /proc
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

int OpenTrustedFile(const std::string& path, bool* foreignLink) {
    if (foreignLink) *foreignLink = false;
    // Nothing there (a settings file not made yet, a member never written):
    // told by one call, without a walk.
    if (::faccessat(AT_FDCWD, path.c_str(), F_OK, AT_EACCESS) != 0 && errno == ENOENT) return -1;
    for (int attempt = 0;; ++attempt) {
        const WriteLocation at = LocateForWriting(path);
        if (at.foreignLink) {
            if (foreignLink) *foreignLink = true;
            errno = EACCES;
            return -1;
        }
        int err = at.error != 0 ? at.error : at.exists() ? 0 : ENOENT;
        if (err != 0) {
            errno = err;
            return -1;
        }
        if (!S_ISREG(at.st.st_mode)) {
            errno = S_ISDIR(at.st.st_mode) ? EISDIR : EINVAL;
            return -1;
        }
        const int fd = ReopenTarget(at, O_RDONLY | O_NONBLOCK);
        if (fd >= 0) return fd;
        // Gone between the walk and the open: walked once more.
        if (attempt > 0 || (errno != ENOENT && errno != ESTALE)) return -1;
    }
}

FileRead ReadWholeFileWithin(const std::string& path, uint64_t maxBytes) {
    FileRead out;
    const auto failed = [&out](int err) {
        out.errnum = err;
        out.outcome = err == ENOENT || err == ENOTDIR ? FileRead::Outcome::kMissing : FileRead::Outcome::kUnreadable;
        return std::move(out);
    };
    UniqueFd fd(OpenTrustedFile(path));
    if (fd.get() < 0) return failed(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return failed(errno);
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        out.outcome = FileRead::Outcome::kTooLarge;
        return out;
    }
    std::string bytes;
    if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return failed(errno);
        }
        if (n == 0) break;
        // Grown since the fstat: held to the same bound.
        if (static_cast<uint64_t>(n) > maxBytes - bytes.size()) {
            out.outcome = FileRead::Outcome::kTooLarge;
            return out;
        }
        bytes.append(buf, static_cast<size_t>(n));
    }
    out.outcome = FileRead::Outcome::kRead;
    out.bytes = std::move(bytes);
    return out;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    FileRead read = ReadWholeFileWithin(path);
    if (!read.ok()) return std::nullopt;
    return std::move(read.bytes);
}

}  // namespace zorbex
