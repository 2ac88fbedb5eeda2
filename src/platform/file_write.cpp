#include "platform/file_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <vector>
#include <system_error>

#include "platform/path_parts.h"

namespace zorbex {
namespace {

// Bytes gathered before they are compared or written: large enough that a
// playlist of a million lines costs a few hundred system calls, small enough
// not to matter for memory.
constexpr size_t kChunk = 256 * 1024;

std::string ErrorText(int err) { return std::error_code(err, std::generic_category()).message(); }

WriteResult Fail(int err) { return WriteResult{false, ErrorText(err), WriteFailure::kSystem, err, false}; }

WriteResult Ok(bool unchanged = false) { return WriteResult{true, {}, WriteFailure::kNone, 0, unchanged}; }

WriteResult Refuse(WriteFailure failure, std::string text) {
    return WriteResult{false, std::move(text), failure, 0, false};
}

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

// The kernel's "protected symlinks" rule: in a sticky, world-writable folder
// a link is followed only when it is ours or the folder owner's.
bool ForeignLinkInSharedFolder(const std::string& link, const struct stat& linkStat) {
    struct stat dir {};
    if (::stat(FolderPart(link).c_str(), &dir) != 0) return false;
    constexpr mode_t kShared = S_ISVTX | S_IWOTH;
    if ((dir.st_mode & kShared) != kShared) return false;
    return linkStat.st_uid != ::geteuid() && linkStat.st_uid != dir.st_uid;
}

// Follows symbolic links (even dangling ones) so that the file they lead to is
// replaced and the link itself stays. Gives up after 40 steps; the open that
// follows then reports the loop. False when a step is a link the kernel's
// rule would not follow.
bool ResolveLinks(std::string& path) {
    for (int i = 0; i < 40; ++i) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        if (ForeignLinkInSharedFolder(path, st)) return false;
        char buf[PATH_MAX];
        ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
        if (n <= 0 || n >= static_cast<ssize_t>(sizeof buf)) return true;
        std::string link(buf, static_cast<size_t>(n));
        path = link.front() == '/' ? link : FolderPart(path) + "/" + link;
    }
    return true;
}

bool WriteAllAt(int fd, std::string_view bytes, off_t offset, int& err) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, offset + static_cast<off_t>(done));
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

// Reads up to size bytes at offset; fewer only at the end of the file.
ssize_t ReadAt(int fd, char* into, size_t size, off_t offset) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, into + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// The first length bytes of src to the start of dst: in the kernel where it
// can, through a buffer where the two file systems do not allow that.
bool CopyPrefix(int src, int dst, off_t length, int& err) {
    loff_t in = 0, out = 0;
    while (in < length) {
        ssize_t n = ::copy_file_range(src, &in, dst, &out, static_cast<size_t>(length - in), 0);
        if (n > 0) continue;
        if (n == 0) {
            err = EIO;  // the source ended early
            return false;
        }
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
            err = errno;
            return false;
        }
        std::string buf(kChunk, '\0');
        while (in < length) {
            ssize_t got = ReadAt(src, buf.data(), std::min<size_t>(buf.size(), static_cast<size_t>(length - in)), in);
            if (got <= 0) {
                err = got < 0 ? errno : EIO;
                return false;
            }
            if (!WriteAllAt(dst, std::string_view(buf.data(), static_cast<size_t>(got)), in, err)) return false;
            in += got;
        }
        return true;
    }
    return true;
}

bool FolderRefusesNewFiles(int err) { return err == EACCES || err == EPERM || err == EROFS; }

// The file system (or kernel) has no unnamed files.
bool NoUnnamedFiles(int err) { return err == EOPNOTSUPP || err == EISDIR || err == EINVAL; }

// Rewrites an open, writable file in place from the complete new content in
// src. Used only when the folder refuses the temporary file. Space is
// reserved first so that a full disk is found before the old bytes are touched.
WriteResult WriteInPlace(int fd, int src, off_t size, WriteDurability durability) {
    if (size > 0) {
        int rc = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size);
        if (rc != 0 && (errno == ENOSPC || errno == EDQUOT)) return Fail(errno);
    }
    int err = 0;
    if (!CopyPrefix(src, fd, size, err)) return Fail(err);
    if (::ftruncate(fd, size) != 0) return Fail(errno);
    if (durability == WriteDurability::kSync && ::fsync(fd) != 0) return Fail(errno);
    return Ok();
}

std::string TempName(const std::string& dir, const std::string& base) {
    static std::atomic<unsigned> counter{0};
    unsigned long mix = static_cast<unsigned long>(::getpid()) * 2654435761UL ^
                        (static_cast<unsigned long>(counter.fetch_add(1)) << 16) ^
                        reinterpret_cast<unsigned long>(&dir);
    return dir + "/." + base + ".zx-" + std::to_string(::getpid()) + "-" + std::to_string(mix % 1000000007UL);
}

// The process number in a temporary name of ours for base, or 0.
pid_t TempNameOwner(std::string_view name, const std::string& base) {
    const std::string prefix = "." + base + ".zx-";
    if (!name.starts_with(prefix)) return 0;
    name.remove_prefix(prefix.size());
    const size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == name.size() || dash > 9) return 0;
    for (size_t i = 0; i < name.size(); ++i)
        if (i != dash && (name[i] < '0' || name[i] > '9')) return 0;
    return static_cast<pid_t>(std::strtol(std::string(name.substr(0, dash)).c_str(), nullptr, 10));
}

// The name a temporary of ours stands for, or nothing.
std::optional<std::string> TempNameBase(std::string_view name) {
    const size_t mark = name.rfind(".zx-");
    if (!name.starts_with('.') || mark == std::string_view::npos || mark < 2) return std::nullopt;
    std::string base(name.substr(1, mark - 1));
    if (TempNameOwner(name, base) <= 0) return std::nullopt;
    return base;
}

// Removes the named temporaries of base that a killed run of ours left in
// dir: ours by name and owner, and their process is gone. Once per folder
// and name in a process's life, so that frequent saves do not read the
// folder every time; and the folder is read once for all its names, so
// that a run writing thousands of playlists into one folder does not read
// the whole folder after each of them.
void RemoveStaleTemporaries(const std::string& dir, const std::string& base) {
    static std::mutex mutex;
    // Folder -> name -> temporaries not yet looked at.
    static std::map<std::string, std::map<std::string, std::vector<std::string>>> found;
    std::vector<std::string> names;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto [folder, isNew] = found.try_emplace(dir);
        if (isNew) {
            DIR* d = ::opendir(dir.c_str());
            if (!d) return;
            while (const dirent* e = ::readdir(d))
                if (auto of = TempNameBase(e->d_name)) folder->second[*of].emplace_back(e->d_name);
            ::closedir(d);
        }
        auto it = folder->second.find(base);
        if (it == folder->second.end()) return;
        names = std::move(it->second);
        folder->second.erase(it);
    }
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    for (const std::string& name : names) {
        const pid_t pid = TempNameOwner(name, base);
        if (pid <= 0 || pid == ::getpid()) continue;
        struct stat st {};
        if (::fstatat(dfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (::kill(pid, 0) != 0 && errno == ESRCH) ::unlinkat(dfd, name.c_str(), 0);
    }
    ::close(dfd);
}

// An unnamed file for the new bytes of a file that is rewritten in place:
// in the temporary folder when it takes one, else in memory.
int SpoolFile() {
    for (const char* dir : {static_cast<const char*>(std::getenv("TMPDIR")), "/tmp"}) {
        if (!dir || !*dir) continue;
        int fd = ::open(dir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0) return fd;
    }
    return ::memfd_create("zorbex-spool", MFD_CLOEXEC);
}

std::string ProcFdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// An unnamed file can be linked later through /proc (root can also link it
// directly, but the /proc way works for everyone who has /proc).
bool CanLinkLater(int fd) {
    struct stat viaProc {}, direct {};
    return ::stat(ProcFdPath(fd).c_str(), &viaProc) == 0 && ::fstat(fd, &direct) == 0 &&
           viaProc.st_dev == direct.st_dev && viaProc.st_ino == direct.st_ino;
}

}  // namespace

struct FileReplacement::State {
    enum class Mode { kNotYet, kUnnamed, kNamed, kSpool };

    WriteOptions options;
    std::string target;  // the path after links
    std::string dir, base;
    bool exists = false;
    struct stat st {};  // of the existing target
    Fd targetFd;        // the existing target, for writing in place
    Fd oldFd;           // the existing target, read to compare
    bool comparing = false;
    off_t matched = 0;  // bytes known equal to the old file's (while comparing)
    Mode mode = Mode::kNotYet;
    Fd out;
    std::string tmpName;  // the temporary's name once it has one
    off_t written = 0;    // bytes in out
    std::string buffer;
    std::string oldChunk;
    std::optional<WriteResult> failure;
    bool finished = false;

    bool Failed(WriteResult r) {
        if (!failure) failure = std::move(r);
        return false;
    }

    // True when the next bytes of the old file are exactly data.
    bool OldContinuesWith(std::string_view data) {
        oldChunk.resize(data.size());
        const ssize_t n = ReadAt(oldFd.get(), oldChunk.data(), data.size(), matched);
        return n == static_cast<ssize_t>(data.size()) && std::memcmp(oldChunk.data(), data.data(), data.size()) == 0;
    }

    bool CreateTemporary() {
        int err = 0;
        if (options.unnamedTemporary) {
            out.Reset(::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666));
            if (out.get() < 0) {
                err = errno;
                if (!NoUnnamedFiles(err)) return RefusedTemporary(err);
            } else if (CanLinkLater(out.get())) {
                mode = Mode::kUnnamed;
                return true;
            }
            out.Reset();
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            tmpName = TempName(dir, base);
            out.Reset(::open(tmpName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
            if (out.get() >= 0) {
                mode = Mode::kNamed;
                return true;
            }
            err = errno;
            if (err != EEXIST) break;
        }
        tmpName.clear();
        return RefusedTemporary(err);
    }

    // The folder took no temporary file: an existing writable file is then
    // rewritten in place, from a spool that holds the bytes until they are complete.
    bool RefusedTemporary(int err) {
        if (!exists || !FolderRefusesNewFiles(err)) return Failed(Fail(err));
        out.Reset(SpoolFile());
        if (out.get() < 0) return Failed(Fail(err));
        mode = Mode::kSpool;
        return true;
    }

    // From here on bytes are written: the old file's bytes that matched so
    // far are copied first.
    bool StartWriting() {
        if (exists) {
            targetFd.Reset(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
            if (targetFd.get() < 0) return Failed(Fail(errno));
        }
        if (!CreateTemporary()) return false;
        int err = 0;
        if (matched > 0 && !CopyPrefix(oldFd.get(), out.get(), matched, err)) return Failed(Fail(err));
        written = matched;
        return true;
    }

    bool Put(std::string_view data) {
        if (failure) return false;
        while (comparing && !data.empty()) {
            const std::string_view piece = data.substr(0, kChunk);
            if (!OldContinuesWith(piece)) {
                comparing = false;
                break;
            }
            matched += static_cast<off_t>(piece.size());
            data.remove_prefix(piece.size());
        }
        if (data.empty()) return true;
        if (mode == Mode::kNotYet && !StartWriting()) return false;
        int err = 0;
        if (!WriteAllAt(out.get(), data, written, err)) return Failed(Fail(err));
        written += static_cast<off_t>(data.size());
        return true;
    }

    // The old file holds exactly the bytes matched and is still the file at the path.
    bool OldIsTheSame() {
        char extra;
        struct stat was {}, now {};
        return ReadAt(oldFd.get(), &extra, 1, matched) == 0 && ::fstat(oldFd.get(), &was) == 0 &&
               ::stat(target.c_str(), &now) == 0 && was.st_dev == now.st_dev && was.st_ino == now.st_ino;
    }

    // Links the complete unnamed temporary into the folder under a temporary name.
    bool NameUnnamed() {
        for (int attempt = 0; attempt < 100; ++attempt) {
            tmpName = TempName(dir, base);
            if (::linkat(AT_FDCWD, ProcFdPath(out.get()).c_str(), AT_FDCWD, tmpName.c_str(), AT_SYMLINK_FOLLOW) == 0)
                return true;
            int err = errno;
            if (::linkat(out.get(), "", AT_FDCWD, tmpName.c_str(), AT_EMPTY_PATH) == 0) return true;
            if (err == ENOENT) err = errno;
            tmpName.clear();
            if (err != EEXIST) return Failed(Fail(err));
        }
        return Failed(Fail(EEXIST));
    }

    WriteResult Abandon(int err) {
        Failed(Fail(err));
        return Finish();
    }

    WriteResult Replace() {
        if (mode == Mode::kSpool) return WriteInPlace(targetFd.get(), out.get(), written, options.durability);
        if (exists) {
            // Keep owner and group where we may (root, or a group we belong to),
            // then the permission bits (after chown, which may clear set-id bits).
            if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
                [[maybe_unused]] int ignored = ::fchown(out.get(), st.st_uid, st.st_gid);
            }
            if (::fchmod(out.get(), st.st_mode & 07777) != 0) return Abandon(errno);
        }
        if (options.durability == WriteDurability::kSync && ::fsync(out.get()) != 0) return Abandon(errno);
        if (mode == Mode::kUnnamed && !NameUnnamed()) return Finish();
        if (out.Close() != 0) return Abandon(errno);
        if (::rename(tmpName.c_str(), target.c_str()) != 0) {
            const int err = errno;
            // A sticky folder lets us create files but not replace another
            // user's file (EPERM); a file bind-mounted on its own cannot be
            // renamed over (EBUSY). The file itself is writable: write in place.
            if (exists && (FolderRefusesNewFiles(err) || err == EBUSY)) {
                Fd src(::open(tmpName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
                ::unlink(tmpName.c_str());
                tmpName.clear();
                if (src.get() >= 0) return WriteInPlace(targetFd.get(), src.get(), written, options.durability);
            }
            return Abandon(err);
        }
        tmpName.clear();
        return Ok();
    }

    // Lets go of everything; a named temporary that was not renamed goes.
    WriteResult Finish() {
        out.Reset();
        targetFd.Reset();
        oldFd.Reset();
        if (!tmpName.empty()) ::unlink(tmpName.c_str());
        tmpName.clear();
        std::string().swap(buffer);
        std::string().swap(oldChunk);
        finished = true;
        return failure ? *failure : Ok();
    }
};

FileReplacement::FileReplacement(const std::string& path, WriteOptions options) : s_(std::make_unique<State>()) {
    State& s = *s_;
    s.options = options;
    if (path.empty()) {
        s.Failed(Fail(ENOENT));
        return;
    }
    s.target = path;
    if (!ResolveLinks(s.target)) {
        s.Failed(Refuse(WriteFailure::kForeignLink, "Symbolic link in a shared folder belongs to another user"));
        return;
    }
    // An existing target must be a regular file we may write to. The probe
    // does not open it for writing: closing such a descriptor tells watchers
    // (inotify) that the file was written, even when it is then left alone.
    if (::stat(s.target.c_str(), &s.st) == 0) {
        if (S_ISDIR(s.st.st_mode)) {
            s.Failed(Fail(EISDIR));
            return;
        }
        if (!S_ISREG(s.st.st_mode)) {
            s.Failed(Refuse(WriteFailure::kNotRegularFile, "Not a regular file"));
            return;
        }
        if (::faccessat(AT_FDCWD, s.target.c_str(), W_OK, AT_EACCESS) != 0) {
            s.Failed(Fail(errno));
            return;
        }
        s.exists = true;
        if (options.keepUnchanged) {
            s.oldFd.Reset(::open(s.target.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
            s.comparing = s.oldFd.get() >= 0;
        }
    } else if (errno != ENOENT) {
        s.Failed(Fail(errno));
        return;
    }
    s.dir = FolderPart(s.target);
    s.base = FileNamePart(s.target);
}

FileReplacement::~FileReplacement() {
    if (!s_->finished) s_->Finish();
}

bool FileReplacement::Append(std::string_view bytes) {
    State& s = *s_;
    if (s.failure || s.finished) return false;
    if (s.buffer.size() + bytes.size() < kChunk) {
        s.buffer.append(bytes);
        return true;
    }
    if (!s.Put(s.buffer)) return false;
    s.buffer.clear();
    if (bytes.size() >= kChunk) return s.Put(bytes);
    s.buffer.append(bytes);
    return true;
}

WriteResult FileReplacement::Commit() {
    State& s = *s_;
    if (s.finished) return s.failure ? *s.failure : Fail(EBADF);
    if (!s.Put(s.buffer)) return s.Finish();
    s.buffer.clear();
    if (s.comparing && s.OldIsTheSame()) {
        s.Finish();
        RemoveStaleTemporaries(s.dir, s.base);
        return Ok(true);
    }
    s.comparing = false;
    if (s.mode == State::Mode::kNotYet && !s.StartWriting()) return s.Finish();
    WriteResult r = s.Replace();
    if (!r.ok) s.Failed(r);
    s.Finish();
    if (r.ok) RemoveStaleTemporaries(s.dir, s.base);
    return r;
}

void FileReplacement::Discard() {
    if (!s_->finished) s_->Finish();
}

WriteResult WriteFileReplacing(const std::string& path, std::string_view bytes, WriteDurability durability) {
    FileReplacement file(path, WriteOptions{durability, false, true});
    file.Append(bytes);
    return file.Commit();
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
