#pragma once
// A private folder under the system's temporary directory, removed with everything in it.
#include <string>

namespace zx_test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, with a trailing '/'.
    const std::string& path() const { return path_; }
    // path() + relative; parent folders of a file are created by WriteFile.
    std::string operator/(const std::string& relative) const { return path_ + relative; }

private:
    std::string path_;
};

// Writes bytes exactly as given, creating parent folders.
void WriteFile(const std::string& path, const std::string& bytes);
// The whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
void MakeDirs(const std::string& path);

}  // namespace zx_test
