#pragma once
// The one place where files are written: the settings store, the playlist
// and union outputs and the exported lists all go through here. Whole-file
// reads are platform/file_read.h.
//
// A replacement never leaves a half-written file behind when it can help it:
// the bytes go to a temporary file in the target's own folder, which is
// flushed to the disk (fsync) and then renamed over the target, so a reader
// (or a crash) sees either the old content or the new one, never a mix.
//
// Rules:
// - Where the bytes go is found by walking the path through descriptors
//   (platform/path_walk.h): a symbolic link anywhere on the way is followed
//   (the file it leads to is replaced, the link stays a link) only where the
//   kernel's "protected symlinks" rule would follow it, whatever the system's
//   setting; the temporary is made, linked and renamed relative to the
//   folder so found, and an existing target is held open from the start, so
//   that a name swapped for a link or another file after the checks changes
//   nothing: the rename replaces the name itself, and an in-place write goes
//   only into the file that was checked.
// - The temporary file has no name while it is written (O_TMPFILE); it is
//   linked into the folder only when complete, just before the rename, so a
//   crash leaves nothing behind. Where the file system has no unnamed files
//   the temporary is named; its name fits wherever the target's does, and
//   what a killed run leaves is removed (platform/named_temporaries.h).
// - An existing target must itself be writable (probed with the caller's
//   effective rights; it is opened for writing only once bytes are to be
//   written, so a file left alone sees no write at all): a read-only file is
//   an error and is left exactly as it was; it is never replaced through the
//   rename.
// - The replacement keeps the permission bits of the old file (and its owner
//   and group where the process may set them); a new file gets 0666 less the
//   umask, as any newly created file.
// - When the folder refuses new files (EACCES, EPERM, EROFS on creating the
//   temporary file, or on the rename; EBUSY on the rename of a file that is
//   a mount point of its own) but the file itself is writable, the
//   file is rewritten in place instead: the new bytes wait in an unnamed file
//   elsewhere until they are complete, space is reserved, then they are
//   copied from the start, the file is cut to the new length and flushed. A
//   writable file in a read-only folder is thus still written; a crash in
//   the middle of that copy leaves it torn, the one case where it can be.
//   The old file is opened for writing on this path only, and never when
//   it belongs to another user in a sticky world-writable folder (the
//   kernel's "protected regular" rule, whatever the system's setting).
// - A missing folder, a target that is a directory or not a regular file, a
//   full disk: an error, and the target is unchanged.
// - With keepUnchanged, a target that already holds exactly the new bytes is
//   left alone (same inode, same times): the bytes are compared with the old
//   file as they come, and nothing is written until they first differ. The
//   matching head is then copied from the old file only if it still holds
//   the bytes compared; changed meanwhile by another program, the write
//   fails (ESTALE) rather than mix the two.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/path_walk.h"

namespace zorbex {

enum class WriteFailure {
    kNone,
    kSystem,          // the system refused: errnum holds its error number
    kNotRegularFile,  // something other than a regular file is at the path
    kForeignLink,     // a link in a shared sticky folder that someone else planted
    kForeignFile,     // an in-place write into another user's file in a shared sticky folder
    kVanished,        // the file (not its folder) went away before it could be written in place
    kRefused,         // the caller's own rule refused the path; error says why
};

struct WriteResult {
    bool ok = false;
    // When !ok: the refusal's reason (kRefused), else the system's own text,
    // for tests and traces: the user reads WriteFailureReason.
    std::string error;
    WriteFailure failure = WriteFailure::kNone;
    int errnum = 0;          // with kSystem
    bool unchanged = false;  // ok, and the file already held these bytes
    explicit operator bool() const { return ok; }
};

enum class WriteDurability {
    // fsync the data before the rename (the default): after a power loss the
    // file holds the old or the new bytes, never an empty or partial file, on
    // any file system. Costs a flush of the file to the device: measured 5-9 ms
    // for a 280 KB file on the development machine (ext4 on a virtual disk),
    // against 0.3-0.8 ms without. Right for files written once per step (a
    // playlist, an exported list).
    kSync,
    // No fsync: atomic against other processes and program crashes. Against a
    // power loss it relies on the file system: ext4 (default auto_da_alloc)
    // and btrfs push the new data out when it is renamed over an old file, so
    // the result is still old-or-new there. Used by the settings store for
    // its one-write-per-key saves, which flushes once at the end instead.
    kNoSync,
};

struct WriteOptions {
    WriteDurability durability = WriteDurability::kSync;
    bool keepUnchanged = false;  // leave a target alone that holds the same bytes
    // Off: always a named temporary file, as on a file system without
    // unnamed ones (lets that path be exercised anywhere).
    bool unnamedTemporary = true;
};

// A replacement of one file, fed in pieces: memory stays small however large
// the file grows. Nothing at the path changes before Commit; Discard (or
// destruction without Commit) leaves the old file as it was.
class FileReplacement {
public:
    explicit FileReplacement(const std::string& path, WriteOptions options = {});
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // False once something failed; later pieces are dropped and Commit
    // reports the first failure.
    bool Append(std::string_view bytes);
    WriteResult Commit();
    void Discard();

    // The file that stands at the target (after links) and would be
    // replaced, as it was opened, whether or not it may be written; nothing
    // when there is none, a link on the way was refused, or the replacement
    // has ended.
    std::optional<FileIdentity> Existing() const;

    // What the checks made on opening (the walk, the link rule, a regular
    // file we may write) say: the first failure, or ok when a Commit could
    // go ahead. Nothing is opened for writing to find out.
    WriteResult Allowed() const;

private:
    struct State;
    std::unique_ptr<State> s_;
};

WriteResult WriteFileReplacing(const std::string& path, std::string_view bytes,
                               WriteDurability durability = WriteDurability::kSync);

// Why a write failed, as the user reads it (the write log, the settings
// write's reason): in Russian whatever the system's language.
std::string WriteFailureReason(const WriteResult& result);

}  // namespace zorbex
