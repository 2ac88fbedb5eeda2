#pragma once
// The two halves of a path as text, split at its last '/'. Nothing is asked
// of the file system and nothing is normalised: "a/b/" is the folder "a/b"
// holding the empty name.
#include <string>
#include <string_view>

namespace zorbex {

// The folder the last part of path lives in: "." for a bare name, "/" for a
// name at the root, else everything before the last '/'.
std::string FolderPart(std::string_view path);

// The file-name part of a path: the text after the last "/".
std::string_view FileNamePart(std::string_view path);

}  // namespace zorbex
