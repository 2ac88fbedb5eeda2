#pragma once
// A playlist or union file being written. Lines go to a replacement of the
// file as they are produced, so memory does not grow with the file; nothing
// at the path changes until Finish, and a Discard leaves the old file as it
// was. A file that already holds exactly these bytes is left alone (same
// inode, same modification time), so watchers see no change. Outputs that
// name the program's own files are refused.
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_write.h"
#include "settings/program_places.h"

namespace zorbex {

class OutputFile {
public:
    OutputFile(const std::string& output, const ProgramPlaces& places);

    // The line and its CR LF.
    void AddLine(std::string_view line);
    void Discard();
    WriteResult Finish();

private:
    std::optional<WriteResult> refused_;
    std::optional<FileReplacement> file_;
};

// Why a write failed, as the log says it: in Russian for the errors a write
// meets, whatever the system's language; the system's own text for others.
std::string WriteFailureReason(const WriteResult& result);

// The log line of an output file that could not be written, for playlists and unions alike.
std::string WriteFailedLine(const std::string& path, const WriteResult& result);

// Why output may not be a playlist or union file, or nothing when it may: it
// names one of the program's own files (the settings file in use, which holds
// every definition, the help file beside the executable, the running
// executable), in whatever spelling.
std::optional<std::string> ProgramFileRefusal(const std::string& output, const ProgramPlaces& places);

// The path with ".", ".." and doubled "/" removed as text.
std::string NormalisedPath(std::string_view path);
// Whether a and b name the same file: equal once normalised, or, when both
// exist, the same file on disk (which also catches links and hard links).
bool NamesSameFile(const std::string& a, const std::string& b);

}  // namespace zorbex
