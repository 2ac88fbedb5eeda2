#include "build/output_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "platform/program_dir.h"

namespace zorbex {
namespace {

bool SameFileOnDisk(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

std::string NormalisedPath(std::string_view path) {
    return std::filesystem::path(path).lexically_normal().string();
}

bool NamesSameFile(const std::string& a, const std::string& b) {
    return NormalisedPath(a) == NormalisedPath(b) || SameFileOnDisk(a, b);
}

std::optional<std::string> ProgramFileRefusal(const std::string& output, const ProgramPlaces& places) {
    const auto names = [&](const std::string& file) { return NamesSameFile(output, file); };
    if (names(places.SettingsFile())) return "это файл настроек программы";
    if (names(places.programDir + kHelpFileName)) return "это файл справки программы";
    // The program beside them, and the running one wherever it lies and
    // under whatever name.
    if (names(places.programDir + kExecutableName) || SameFileOnDisk(output, "/proc/self/exe")) return "это файл самой программы";
    return std::nullopt;
}

std::string WriteFailedLine(const std::string& path, const WriteResult& result) {
    return "   не удалось записать файл «" + path + "»: " + WriteFailureReason(result);
}

OutputFile::OutputFile(const std::string& output, const ProgramPlaces& places) {
    if (auto reason = ProgramFileRefusal(output, places)) {
        refused_ = WriteResult{false, std::move(*reason), WriteFailure::kRefused, 0, false};
        return;
    }
    file_.emplace(output, WriteOptions{WriteDurability::kSync, true, true});
}

void OutputFile::AddLine(std::string_view line) {
    if (!file_) return;
    file_->Append(line);
    file_->Append("\r\n");
}

void OutputFile::Discard() {
    if (file_) file_->Discard();
}

WriteResult OutputFile::Finish() { return refused_ ? *refused_ : file_->Commit(); }

std::string WriteFailureReason(const WriteResult& result) {
    switch (result.failure) {
        case WriteFailure::kNotRegularFile:
            return "это не обычный файл";
        case WriteFailure::kForeignLink:
            return "это чужая символическая ссылка в общей папке";
        case WriteFailure::kSystem:
            break;
        case WriteFailure::kNone:
        case WriteFailure::kRefused:
            return result.error;
    }
    switch (result.errnum) {
        case ENOENT: return "каталог не найден";
        case ENOTDIR: return "часть пути не является каталогом";
        case EISDIR: return "на этом месте каталог";
        case EACCES: return "нет прав доступа";
        case EPERM: return "операция не разрешена";
        case EROFS: return "файловая система только для чтения";
        case ENOSPC: return "на диске нет места";
        case EDQUOT: return "превышена дисковая квота";
        case EFBIG: return "файл слишком велик";
        case ENAMETOOLONG: return "слишком длинное имя файла";
        case ELOOP: return "слишком много уровней символических ссылок";
        case EIO: return "ошибка ввода-вывода";
        case ETXTBSY: return "файл занят выполняемой программой";
        case EBUSY: return "файл занят";
        case EMFILE:
        case ENFILE: return "слишком много открытых файлов";
        case ENOMEM: return "недостаточно памяти";
        default: return result.error;
    }
}

}  // namespace zorbex
