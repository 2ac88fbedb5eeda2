#pragma once
// Paths as text: the separator, the two halves of a path, the names it is
// made of, whether it is absolute, and how a relative one is read against a folder. Nothing is
// asked of the file system, and nothing is normalised unless a function
// says so: "a/b/" is the folder "a/b" holding the empty name.
#include <string>
#include <string_view>
#include <vector>

namespace zorbex {

// The one separator of this system's paths.
inline constexpr char kPathSeparator = '/';
// The root folder's path: the separator alone.
inline constexpr char kRootPath[] = "/";

// The path begins at the root.
bool IsAbsolutePath(std::string_view path);

// The text with one separator at its end, added when it has none.
std::string WithTrailingSeparator(std::string path);
// The text without separators at its end, but for the root's own.
std::string WithoutTrailingSeparators(std::string path);

// How an output path is read: text when absolute, else base (ending with
// the separator) + text. Nothing else, not even a drive-like "C:", makes a
// text absolute.
std::string ResolveOutputPath(const std::string& text, const std::string& base);

// The path with ".", ".." and doubled separators worked out as text alone
// (a link's ".." is taken lexically too).
std::string NormalisedPath(std::string_view path);

// The folder the last part of path lives in: "." for a bare name, "/" for a
// name at the root, else everything before the last separator.
std::string FolderPart(std::string_view path);

// The file-name part of a path: the text after the last separator.
std::string_view FileNamePart(std::string_view path);

// The names between the separators of path, in order, each a view into path
// (so its end is where the path up to it ends). Empty names, from doubled,
// leading or trailing separators, are left out; "." and ".." are kept.
std::vector<std::string_view> PathNames(std::string_view path);

}  // namespace zorbex
