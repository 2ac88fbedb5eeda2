#include "platform/program_dir.h"

#include <filesystem>
#include <system_error>

#include "platform/path_parts.h"

namespace zorbex {

std::string ProgramDirectory() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) exe = std::filesystem::current_path(ec) / kExecutableName;
    return WithTrailingSeparator(exe.parent_path().string());
}

}  // namespace zorbex
