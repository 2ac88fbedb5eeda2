#include "platform/path_parts.h"

#include <algorithm>
#include <filesystem>

namespace zorbex {

bool IsAbsolutePath(std::string_view path) { return !path.empty() && path.front() == kPathSeparator; }

std::string WithTrailingSeparator(std::string path) {
    if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
    return path;
}

std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
    return path;
}

std::string ResolveOutputPath(const std::string& text, const std::string& base) {
    return IsAbsolutePath(text) ? text : base + text;
}

std::string NormalisedPath(std::string_view path) { return std::filesystem::path(path).lexically_normal().string(); }

std::string FolderPart(std::string_view path) {
    const size_t slash = path.rfind(kPathSeparator);
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return kRootPath;
    return std::string(path.substr(0, slash));
}

std::string_view FileNamePart(std::string_view path) {
    const size_t slash = path.rfind(kPathSeparator);
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::vector<std::string_view> PathNames(std::string_view path) {
    std::vector<std::string_view> names;
    for (size_t begin = 0; begin <= path.size();) {
        const size_t end = std::min(path.find(kPathSeparator, begin), path.size());
        if (end > begin) names.push_back(path.substr(begin, end - begin));
        begin = end + 1;
    }
    return names;
}

}  // namespace zorbex
