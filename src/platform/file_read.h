#pragma once
// Reading a whole file safely: what stands at the name is looked at before
// it is opened, so a FIFO or a device in a file's place is never opened.
#include <cstdint>
#include <optional>
#include <string>

namespace zorbex {

// A descriptor for reading the regular file at path (links followed), or -1
// with errno (EINVAL: something other than a regular file is there). What
// stands there is looked at before it is opened for reading, so a FIFO or a
// device put in a file's place is never opened (opening some devices does
// something) and never waited on.
int OpenRegularFile(const std::string& path);

// OpenRegularFile for a file the program reads on its own (a union's member,
// the settings file), not one the user picked: the path is walked as a
// write walks it (platform/path_walk.h), so a link that the protected-symlinks
// rule refuses is not followed; foreignLink then says so, errno is EACCES.
// A name that vanished between the walk and the open (ENOENT, ESTALE, as
// behind a network or FUSE mount) is walked once more.
int OpenTrustedFile(const std::string& path, bool* foreignLink = nullptr);

// What a whole-file read came to.
struct FileRead {
    enum class Outcome {
        kRead,
        kMissing,     // nothing at the name, or a folder on the way is missing (ENOENT, ENOTDIR)
        kUnreadable,  // there, but not a regular file (EISDIR, EINVAL) or not readable
        kTooLarge,    // more bytes than the bound, told before they are held
    };
    Outcome outcome = Outcome::kMissing;
    std::string bytes;  // kRead: the whole file
    int errnum = 0;     // kMissing, kUnreadable: the system's error number
    bool ok() const { return outcome == Outcome::kRead; }
};

// Whole-file reads hold the bytes and what is made of them (a converted
// copy, an index, a changed copy to write) at once, several times the
// file's size: past 1 GiB that is more than a desktop program may take,
// while the files read whole (the settings, a line or two of the user's
// folders) stay far below it.
inline constexpr uint64_t kMaxWholeFileBytes = uint64_t{1} << 30;

// The whole file, opened by OpenTrustedFile. A file beyond maxBytes (by its
// size, or by what it gives when it grows while read) is kTooLarge, and no
// more than the bound is ever held.
FileRead ReadWholeFileWithin(const std::string& path, uint64_t maxBytes = kMaxWholeFileBytes);

// The bytes of ReadWholeFileWithin, or nothing whatever kept it from them.
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace zorbex
