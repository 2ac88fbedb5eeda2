#include "platform/file_write.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/error_text.h"
#include "platform/named_temporaries.h"
#include "platform/path_walk.h"

namespace zorbex {
namespace {

// Bytes gathered before they are compared or written: large enough that a
// playlist of a million lines costs a few hundred system calls, small enough
// not to matter for memory.
constexpr size_t kChunk = 256 * 1024;

std::string SystemText(int err) { return std::error_code(err, std::generic_category()).message(); }

WriteResult Fail(int err) { return WriteResult{false, SystemText(err), WriteFailure::kSystem, err, false}; }

WriteResult Ok(bool unchanged = false) { return WriteResult{true, {}, WriteFailure::kNone, 0, unchanged}; }

WriteResult Refuse(WriteFailure failure, std::string text) {
    return WriteResult{false, std::move(text), failure, 0, false};
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

// A fingerprint of a stream of bytes, the same however it is cut into
// pieces: what was compared with the old file is checked against what is
// copied from it, eight bytes a step.
class Fingerprint {
public:
    void Add(std::string_view bytes) {
        length_ += bytes.size();
        while (!bytes.empty() && carried_ > 0 && carried_ < 8) {
            carry_[carried_++] = bytes.front();
            bytes.remove_prefix(1);
        }
        if (carried_ == 8) {
            Mix(carry_);
            carried_ = 0;
        }
        while (bytes.size() >= 8) {
            Mix(bytes.data());
            bytes.remove_prefix(8);
        }
        if (carried_ == 0 && !bytes.empty()) {
            std::memcpy(carry_, bytes.data(), bytes.size());
            carried_ = bytes.size();
        }
    }
    bool operator==(const Fingerprint& other) const {
        return hash_ == other.hash_ && length_ == other.length_ && std::memcmp(carry_, other.carry_, carried_) == 0 &&
               carried_ == other.carried_;
    }

private:
    void Mix(const char* word) {
        uint64_t w;
        std::memcpy(&w, word, 8);
        hash_ = (hash_ ^ w) * 0x9E3779B97F4A7C15ULL;
        hash_ ^= hash_ >> 29;
    }
    uint64_t hash_ = 0xCBF29CE484222325ULL;
    uint64_t length_ = 0;
    char carry_[8] = {};
    size_t carried_ = 0;
};

// The first length bytes of src to the start of dst, through a buffer, and
// only when they are still those whose fingerprint is expected (ESTALE
// otherwise: another program changed the file since it was compared).
bool CopyVerifiedPrefix(int src, int dst, off_t length, const Fingerprint& expected, int& err) {
    Fingerprint copied;
    std::string buf(kChunk, '\0');
    for (off_t at = 0; at < length;) {
        const ssize_t got = ReadAt(src, buf.data(), std::min<size_t>(buf.size(), static_cast<size_t>(length - at)), at);
        if (got <= 0) {
            err = got < 0 ? errno : ESTALE;
            return false;
        }
        const std::string_view piece(buf.data(), static_cast<size_t>(got));
        copied.Add(piece);
        if (!WriteAllAt(dst, piece, at, err)) return false;
        at += got;
    }
    if (copied == expected) return true;
    err = ESTALE;
    return false;
}

// The kernel's "protected regular" rule, whatever the system's setting: in
// a sticky world-writable folder, a file of another user (not the folder's
// owner) is never opened for writing; anyone could have put it there.
bool ForeignFileInSharedFolder(const WriteLocation& at) {
    struct stat folder {};
    if (::fstat(at.folder.get(), &folder) != 0) return true;
    constexpr mode_t kShared = S_ISVTX | S_IWOTH;
    return (folder.st_mode & kShared) == kShared && at.st.st_uid != ::geteuid() && at.st.st_uid != folder.st_uid;
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

// An unnamed file can be linked later through /proc (root can also link it
// directly, but the /proc way works for everyone who has /proc).
bool CanLinkLater(int fd) {
    struct stat viaProc {
    }, direct{};
    return ::stat(ProcFdPath(fd).c_str(), &viaProc) == 0 && ::fstat(fd, &direct) == 0 &&
           viaProc.st_dev == direct.st_dev && viaProc.st_ino == direct.st_ino;
}

// The caller's effective rights allow writing the file held at the target;
// probed, not opened for writing (closing such a descriptor tells watchers
// that the file was written, even when it is then left alone).
bool WritableByUs(const WriteLocation& at) {
    if (::faccessat(at.file.get(), "", W_OK, AT_EACCESS | AT_EMPTY_PATH) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A kernel without the empty path there: through the descriptor's entry in /proc.
    return ::faccessat(AT_FDCWD, ProcFdPath(at.file.get()).c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

struct FileReplacement::State {
    enum class Mode { kNotYet, kUnnamed, kNamed, kSpool };

    WriteOptions options;
    WriteLocation at;     // the target's folder, its name there and what stands there
    bool exists = false;  // a regular file we may write stands there
    UniqueFd targetFd;    // the existing target, for writing in place
    UniqueFd oldFd;       // the existing target, read to compare
    bool comparing = false;
    off_t matched = 0;         // bytes known equal to the old file's (while comparing)
    Fingerprint matchedBytes;  // of those bytes, to check them when they are copied
    Mode mode = Mode::kNotYet;
    UniqueFd out;
    std::string tmpName;                // the temporary's name once it has one
    std::optional<LiveTemporary> live;  // that name, for a signal that ends the program
    off_t written = 0;                  // bytes in out
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

    // The old file, for the in-place write and only for it (a watcher sees
    // a file opened for writing as written).
    bool OpenTargetForWriting() {
        if (ForeignFileInSharedFolder(at))
            return Failed(Refuse(WriteFailure::kForeignFile, "A file of another user in a shared folder"));
        targetFd.Reset(ReopenTarget(at, O_WRONLY));
        if (targetFd.valid()) return true;
        if (errno == ENOENT || errno == ESTALE)
            return Failed(Refuse(WriteFailure::kVanished, "The file was removed while it was written"));
        return Failed(Fail(errno));
    }

    // A fresh temporary name in the target's folder; false when none fits there.
    bool NextTemporaryName() {
        tmpName = TemporaryName(at.folder.get(), at.name.size());
        return !tmpName.empty();
    }

    bool CreateTemporary() {
        int err = 0;
        if (options.unnamedTemporary) {
            out.Reset(::openat(at.folder.get(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666));
            if (!out.valid()) {
                err = errno;
                if (!NoUnnamedFiles(err)) return RefusedTemporary(err);
            } else if (CanLinkLater(out.get())) {
                mode = Mode::kUnnamed;
                return true;
            }
            out.Reset();
        }
        err = ENAMETOOLONG;
        for (int attempt = 0; attempt < 100 && NextTemporaryName(); ++attempt) {
            out.Reset(::openat(at.folder.get(), tmpName.c_str(),
                               O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666));
            if (out.valid()) {
                live.emplace(at.folder.get(), tmpName);
                if (HoldTemporary(at.folder.get(), tmpName, out.get())) {
                    mode = Mode::kNamed;
                    return true;
                }
                // A sweep got it first: the name is not ours to use any more.
                live.reset();
                out.Reset();
                continue;
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
        if (!OpenTargetForWriting()) return false;
        out.Reset(SpoolFile());
        if (!out.valid()) return Failed(Fail(err));
        mode = Mode::kSpool;
        return true;
    }

    // From here on bytes are written: the old file's bytes that matched so
    // far are copied first.
    bool StartWriting() {
        if (!CreateTemporary()) return false;
        int err = 0;
        if (matched > 0 && !CopyVerifiedPrefix(oldFd.get(), out.get(), matched, matchedBytes, err))
            return Failed(Fail(err));
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
            matchedBytes.Add(piece);
            data.remove_prefix(piece.size());
        }
        if (data.empty()) return true;
        if (mode == Mode::kNotYet && !StartWriting()) return false;
        int err = 0;
        if (!WriteAllAt(out.get(), data, written, err)) return Failed(Fail(err));
        written += static_cast<off_t>(data.size());
        return true;
    }

    // The old file holds exactly the bytes matched and is still the file at the name.
    bool OldIsTheSame() {
        char extra;
        struct stat was {
        }, now{};
        return ReadAt(oldFd.get(), &extra, 1, matched) == 0 && ::fstat(oldFd.get(), &was) == 0 &&
               ::fstatat(at.folder.get(), at.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
               IdentityOf(was) == IdentityOf(now);
    }

    // Links the complete unnamed temporary into the folder under a temporary name.
    bool NameUnnamed() {
        // Held before the name appears, so that no sweep can take it for a left-over.
        if (!LockTemporary(out.get())) return Failed(Fail(EAGAIN));
        int err = ENAMETOOLONG;
        for (int attempt = 0; attempt < 100 && NextTemporaryName(); ++attempt) {
            const int folder = at.folder.get();
            if (::linkat(AT_FDCWD, ProcFdPath(out.get()).c_str(), folder, tmpName.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
                ::linkat(out.get(), "", folder, tmpName.c_str(), AT_EMPTY_PATH) == 0) {
                live.emplace(folder, tmpName);
                return true;
            }
            err = errno;
            if (err != EEXIST) break;
        }
        tmpName.clear();
        return Failed(Fail(err));
    }

    WriteResult Replace() {
        if (mode == Mode::kSpool) return WriteInPlace(targetFd.get(), out.get(), written, options.durability);
        if (exists) {
            // Keep owner and group where we may (root, or a group we belong to),
            // then the permission bits (after chown, which may clear set-id bits).
            if (at.st.st_uid != ::geteuid() || at.st.st_gid != ::getegid()) {
                [[maybe_unused]] int ignored = ::fchown(out.get(), at.st.st_uid, at.st.st_gid);
            }
            if (::fchmod(out.get(), at.st.st_mode & 07777) != 0) return Fail(errno);
        }
        if (options.durability == WriteDurability::kSync && ::fsync(out.get()) != 0) return Fail(errno);
        if (mode == Mode::kUnnamed && !NameUnnamed()) return *failure;
        // Kept to write in place from, should the rename be refused; and
        // keeps the temporary's lock until the rename.
        UniqueFd readBack(::fcntl(out.get(), F_DUPFD_CLOEXEC, 0));
        if (out.Close() != 0) return Fail(errno);
        if (::renameat(at.folder.get(), tmpName.c_str(), at.folder.get(), at.name.c_str()) != 0) {
            const int err = errno;
            // A sticky folder lets us create files but not replace another
            // user's file (EPERM); a file bind-mounted on its own cannot be
            // renamed over (EBUSY). The file itself is writable: write in
            // place, into the file that was checked.
            if (exists && readBack.valid() && (FolderRefusesNewFiles(err) || err == EBUSY)) {
                DropTemporary();
                if (!OpenTargetForWriting()) return *failure;
                return WriteInPlace(targetFd.get(), readBack.get(), written, options.durability);
            }
            return Fail(err);
        }
        live.reset();
        tmpName.clear();
        return Ok();
    }

    void DropTemporary() {
        if (!tmpName.empty()) ::unlinkat(at.folder.get(), tmpName.c_str(), 0);
        live.reset();
        tmpName.clear();
    }

    // Lets go of everything; a named temporary that was not renamed goes.
    WriteResult Finish() {
        out.Reset();
        targetFd.Reset();
        oldFd.Reset();
        DropTemporary();
        at = WriteLocation{};
        std::string().swap(buffer);
        std::string().swap(oldChunk);
        finished = true;
        return failure ? *failure : Ok();
    }

    // Commit's work, all but letting go.
    WriteResult Complete() {
        if (!Put(buffer)) return *failure;
        buffer.clear();
        if (comparing && OldIsTheSame()) return Ok(true);
        comparing = false;
        if (mode == Mode::kNotYet && !StartWriting()) return *failure;
        return Replace();
    }
};

FileReplacement::FileReplacement(const std::string& path, WriteOptions options) : s_(std::make_unique<State>()) {
    State& s = *s_;
    s.options = options;
    s.at = LocateForWriting(path);
    if (s.at.foreignLink) {
        s.Failed(Refuse(WriteFailure::kForeignLink, "Symbolic link in a shared folder belongs to another user"));
        return;
    }
    if (s.at.error != 0) {
        s.Failed(Fail(s.at.error));
        return;
    }
    if (!s.at.exists()) return;
    // An existing target must be a regular file we may write to.
    if (S_ISDIR(s.at.st.st_mode)) {
        s.Failed(Fail(EISDIR));
        return;
    }
    if (!S_ISREG(s.at.st.st_mode)) {
        s.Failed(Refuse(WriteFailure::kNotRegularFile, "Not a regular file"));
        return;
    }
    if (!WritableByUs(s.at)) {
        s.Failed(Fail(errno));
        return;
    }
    s.exists = true;
    if (options.keepUnchanged) {
        s.oldFd.Reset(ReopenTarget(s.at, O_RDONLY | O_NONBLOCK));
        s.comparing = s.oldFd.valid();
    }
}

FileReplacement::~FileReplacement() {
    if (!s_->finished) s_->Finish();
}

std::optional<FileIdentity> FileReplacement::Existing() const {
    if (s_->finished || !s_->at.exists()) return std::nullopt;
    return IdentityOf(s_->at.st);
}

WriteResult FileReplacement::Allowed() const {
    if (s_->failure) return *s_->failure;
    return s_->finished ? Fail(EBADF) : Ok();
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
    WriteResult r = s.Complete();
    if (r.ok)
        RemoveStaleTemporaries(s.at.folder.get());
    else
        s.Failed(r);
    s.Finish();
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

std::string WriteFailureReason(const WriteResult& result) {
    switch (result.failure) {
        case WriteFailure::kNotRegularFile:
            return "это не обычный файл";
        case WriteFailure::kForeignLink:
            return "это чужая символическая ссылка в общей папке";
        case WriteFailure::kForeignFile:
            return "это чужой файл в общей папке";
        case WriteFailure::kVanished:
            return "файл удалён во время записи";
        case WriteFailure::kSystem:
            // The writer's own use of the code: the old file changed under it.
            if (result.errnum == ESTALE) return "файл изменён другой программой во время записи";
            return SystemErrorText(result.errnum);
        case WriteFailure::kNone:
        case WriteFailure::kRefused:
            break;
    }
    return result.error;
}

}  // namespace zorbex
