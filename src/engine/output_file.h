#pragma once
// A playlist or union file being written. Lines go to a replacement of the
// file as they are produced, so memory does not grow with the file; nothing
// at the path changes until Finish, and a Discard leaves the old file as it
// was. A file that already holds exactly these bytes is left alone (same
// inode, same modification time), so watchers see no change. Outputs that
// name the program's own files, or lead to them, are refused.
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_write.h"
#include "platform/path_parts.h"  // NormalisedPath: how outputs are compared as text
#include "settings/program_places.h"

namespace zorbex {

// The program's own files, which no playlist or union may replace. Named
// one by one: they need not share a folder.
struct ProgramFiles {
    std::string settings;
    std::string help;
    std::string executable;
};

// The settings file in use, and the help file and executable of the program's folder.
ProgramFiles ProgramFilesOf(const ProgramPlaces& places);

class OutputFile {
public:
    OutputFile(const std::string& output, const ProgramFiles& own);

    // The line and its CR LF.
    void AddLine(std::string_view line);
    void Discard();
    WriteResult Finish();

    // The file a write would replace, as it was opened and checked; nothing
    // when there is none.
    const std::optional<FileIdentity>& Existing() const { return existing_; }

private:
    friend WriteResult WriteOutputBytes(const std::string&, std::string_view, const ProgramFiles&);
    std::optional<WriteResult> refused_;
    std::optional<FileReplacement> file_;
    std::optional<FileIdentity> existing_;
};

// Any other file the program writes where the user says (an exported
// exclusion list): bytes replace the file by the same rules, the program's
// own files refused alike.
WriteResult WriteOutputBytes(const std::string& output, std::string_view bytes, const ProgramFiles& own);

// The log line of an output file that could not be written, for playlists and unions alike.
std::string WriteFailedLine(const std::string& path, const WriteResult& result);

// Why output may not be a playlist or union file, or nothing when it may: it
// names one of the program's own files (the settings file in use, which holds every
// definition, the help file, the running executable) once normalised, or
// opened, the file a write to it would replace, is one of them (through a
// link, a hard link or a folder link).
std::optional<std::string> ProgramFileRefusal(const std::string& output, const std::optional<FileIdentity>& opened,
                                              const ProgramFiles& own);

}  // namespace zorbex
