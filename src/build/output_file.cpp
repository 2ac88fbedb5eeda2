#include "build/output_file.h"

#include <cerrno>

#include "build/playlist_builder.h"

namespace zorbex {

OutputFile::OutputFile(const std::string& output, const std::string& programDir) {
    if (auto reason = ProgramFileRefusal(output, programDir)) {
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
