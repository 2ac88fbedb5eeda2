#pragma once
// Reading a whole file safely: what stands at the name is looked at before
// it is opened, so a FIFO or a device in a file's place is never opened.
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

// The whole file, or nothing when it is missing, is not a regular file
// (a directory, say) or cannot be read. Opened by OpenTrustedFile.
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace zorbex
