#pragma once
// Where a write to a path lands, found one component at a time through
// descriptors, so that what is checked is what is then written to.
//
// Every folder on the way is opened relative to the one before it without
// following links (O_PATH, O_NOFOLLOW); a symbolic link met anywhere, in the
// middle of the path or at its end, is read through its own descriptor and
// followed by hand, at most 40 of them as the kernel allows. Each link is
// first put to the kernel's "protected symlinks" rule, whatever the system's
// setting: a link in a sticky, world-writable folder (/tmp, a shared music
// folder) is followed only when it belongs to us or to the folder's owner,
// since anyone may plant one there. ".." is taken where the walk stands, as
// the kernel takes it (after a link: in the folder the link led to).
//
// A final name that a network or FUSE mount still has in its cache but
// that is gone behind it (stat says ENOENT or ESTALE) is taken as missing.
//
// The result holds the final folder open, so the temporary file, its link
// and its rename are all made relative to that very folder; and what stood
// at the final name (never a link: links there were followed) is held open
// too, so that its identity can be checked and an in-place write reach
// exactly that file.
#include <sys/stat.h>
#include <sys/types.h>

#include <optional>
#include <string>

#include "platform/unique_fd.h"

namespace zorbex {

// A file as the system knows it, whatever its names.
struct FileIdentity {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const FileIdentity&) const = default;
};

inline FileIdentity IdentityOf(const struct stat& st) { return FileIdentity{st.st_dev, st.st_ino}; }

// The identity of what path leads to (links followed as the kernel follows
// them), or nothing when there is nothing there.
std::optional<FileIdentity> IdentityOf(const std::string& path);

struct WriteLocation {
    int error = 0;             // errno when the walk failed; 0 otherwise
    bool foreignLink = false;  // a link on the way that the rule above refuses
    UniqueFd folder;           // O_PATH descriptor of the folder that holds the name
    std::string name;          // the final name in that folder
    UniqueFd file;             // O_PATH descriptor of what stands at the name; none when nothing does
    struct stat st {};         // of file

    bool ok() const { return error == 0 && !foreignLink; }
    bool exists() const { return file.valid(); }
};

// The walk described above. A path that ends in "/", "." or ".." names a
// folder: EISDIR once the walk got there. Relative paths start at the
// current directory.
WriteLocation LocateForWriting(const std::string& path);

// The folder a write to path would land in, opened for reading (so that it
// can be locked or flushed), or -1 when the walk fails.
int OpenTargetFolder(const std::string& path);

// Opens the file that location.file holds with the given flags (O_RDONLY,
// O_WRONLY): the same file, never whatever the name holds by now. -1 with
// errno when that cannot be had (ESTALE: the name was given to another file).
int ReopenTarget(const WriteLocation& location, int flags);

}  // namespace zorbex
