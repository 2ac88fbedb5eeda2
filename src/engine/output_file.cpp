#include "engine/output_file.h"

#include "platform/program_dir.h"

namespace zorbex {

ProgramFiles ProgramFilesOf(const ProgramPlaces& places) {
    return ProgramFiles{places.SettingsFilePath(), places.programDir + kHelpFileName,
                        places.programDir + kExecutableName};
}

std::optional<std::string> ProgramFileRefusal(const std::string& output, const std::optional<FileIdentity>& opened,
                                              const ProgramFiles& own) {
    const std::string normalised = NormalisedPath(output);
    const auto is = [&](const std::string& file) {
        return normalised == NormalisedPath(file) || (opened && IdentityOf(file) == opened);
    };
    if (is(own.settings)) return "это файл настроек программы";
    if (is(own.help)) return "это файл справки программы";
    // The program beside them, and the running one wherever it lies and
    // under whatever name.
    if (is(own.executable) || (opened && IdentityOf("/proc/self/exe") == opened)) return "это файл самой программы";
    return std::nullopt;
}

std::string WriteFailedLine(const std::string& path, const WriteResult& result) {
    return "   не удалось записать файл «" + path + "»: " + WriteFailureReason(result);
}

OutputFile::OutputFile(const std::string& output, const ProgramFiles& own) {
    // Opened first, so that the refusal is made on what the write would reach.
    file_.emplace(output, WriteOptions{WriteDurability::kSync, true, true});
    existing_ = file_->Existing();
    if (auto reason = ProgramFileRefusal(output, existing_, own)) {
        refused_ = WriteResult{false, std::move(*reason), WriteFailure::kRefused, 0, false};
        file_.reset();
    }
}

WriteResult WriteOutputBytes(const std::string& output, std::string_view bytes, const ProgramFiles& own) {
    OutputFile file(output, own);
    if (file.file_) file.file_->Append(bytes);
    return file.Finish();
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

}  // namespace zorbex
