#include "engine/playlist_builder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "engine/builder_parts.h"
#include "engine/ordered_worker.h"
#include "engine/output_file.h"
#include "engine/tree_scanner.h"
#include "platform/collation.h"
#include "platform/dir_listing.h"
#include "platform/file_write.h"
#include "settings/ini_text.h"

namespace zorbex {
namespace {

// A line break inside a name would split its playlist line in two. Asked of
// every name: find_first_of would make a call per byte.
bool HasLineBreak(std::string_view s) {
    return std::memchr(s.data(), '\n', s.size()) != nullptr || std::memchr(s.data(), '\r', s.size()) != nullptr;
}

void Log(const BuildContext& context, const std::string& line) {
    if (context.log) context.log(line);
}

std::string NotFoundLine(const std::string& folder) { return "   каталог «" + folder + "» не найден"; }

std::string CutReason() { return "имя в файле настроек длиннее " + std::to_string(ini::kMaxTextChars) + " символов"; }

bool IsLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// The folder that changing into the text reaches, named with the text's own
// components: "." and doubled "/" go, and ".." takes the last component
// off, as cleaning the text would, except after a symbolic link, whose ".."
// the kernel takes in the folder the link leads to.
std::string AbsoluteFolder(const std::string& folder, const std::string& programDir) {
    const std::string text = IsAbsolutePath(folder) ? folder : programDir + folder;
    std::string path;  // without a trailing separator; "" stands for the root
    for (const std::string_view part : PathNames(text)) {
        if (part == ".") continue;
        if (part != "..") {
            path += kPathSeparator;
            path += part;
            continue;
        }
        if (IsLink(path)) {
            char* real = ::realpath(path.c_str(), nullptr);
            // A dangling link or a loop: the text as it stands fails to list too.
            if (!real) return text;
            path = std::strcmp(real, kRootPath) == 0 ? "" : real;
            std::free(real);
        }
        path.erase(std::min(path.rfind(kPathSeparator), path.size()));
    }
    return path.empty() ? kRootPath : path;
}

// The failure line of a folder whose stored text was cut on reading.
std::string CutFolderLine(const std::string& folder) {
    return "   не удалось прочитать каталог «" + folder + "»: " + CutReason();
}

// The part of a listing that a mask selects: files (never folders) matching
// one of the patterns, hidden ones only with hidden, system ones only with
// system; one name per matching pattern; as views into entries, in
// collation's order, into names. Names holding CR or LF are left out: no
// playlist line can hold them. lineBreaks, when given, grows by the names
// so left out, one per matching pattern as the names are.
void SelectNames(const std::vector<DirEntry>& entries, const FileMask& mask, bool hidden, bool system,
                 int64_t* lineBreaks, const Collation& collation, std::vector<std::string_view>& names) {
    // Each name is sorted once, however many patterns match it, then put
    // down as often as they do: the order tells only byte-identical names
    // alike, so this is the order of sorting every copy.
    thread_local std::vector<std::string_view> picked;
    thread_local std::vector<size_t> times;
    picked.clear();
    times.clear();
    names.clear();
    size_t total = 0;
    for (const DirEntry& e : entries) {
        if (e.kind == EntryKind::kDirectory) continue;
        if (e.Hidden() && !hidden) continue;
        if (e.System() && !system) continue;
        const size_t matches = mask.MatchCount(e.name);
        if (matches == 0) continue;
        if (HasLineBreak(e.name)) {
            if (lineBreaks) *lineBreaks += static_cast<int64_t>(matches);
            continue;
        }
        picked.push_back(e.name);
        times.push_back(matches);
        total += matches;
    }
    if (total == picked.size()) {
        collation.Order(picked, names);
        return;
    }
    names.reserve(total);
    for (const size_t i : collation.Order(picked)) names.insert(names.end(), times[i], picked[i]);
}

// The same as strings, in the user's collation order.
std::vector<std::string> SelectFiles(const std::vector<DirEntry>& entries, const FileMask& mask, bool hidden,
                                     bool system, int64_t* lineBreaks) {
    std::vector<std::string_view> names;
    SelectNames(entries, mask, hidden, system, lineBreaks, Collation::User(), names);
    return {names.begin(), names.end()};
}

// Hands every line of the definition's folder (and subfolders) to take, in
// playlist order; false when a folder could not be listed.
// stopped: the run asked to stop during the walk. lineBreaks: lines left out
// because they would hold a line break.
bool Gather(const PlaylistDefinition& def, BuildContext& context, const std::function<void(std::string_view)>& take,
            bool& stopped, int64_t& lineBreaks) {
    if (def.pathCut) {
        Log(context, CutFolderLine(def.path));
        return false;
    }
    // An empty folder text would mean "wherever the process happens to be".
    if (def.path.empty()) {
        Log(context, NotFoundLine(def.path));
        return false;
    }
    // Compiled once for every folder of the walk.
    const FileMask mask(def.mask);
    std::string line;

    if (!def.subfolders) {
        if (context.folderVisited) {
            const std::string folder = AbsoluteFolder(def.path, context.places.baseDir);
            context.folderVisited(WithTrailingSeparator(folder), nullptr);
        }
        FolderFiles files = ListFolderFiles(def.path, mask, def.hidden, def.system, context.places.baseDir);
        if (!files.found) {
            Log(context, NotFoundLine(def.path));
            return false;
        }
        lineBreaks += files.lineBreaks;
        const std::string prefix = WithTrailingSeparator(files.folder);
        // The folder as the system names it may hold a line break where the text did not.
        if (def.fullpath && HasLineBreak(prefix)) {
            lineBreaks += static_cast<int64_t>(files.names.size());
            return true;
        }
        for (const std::string& name : files.names) take(def.fullpath ? line.assign(prefix).append(name) : name);
        return true;
    }

    bool ok = true;
    TTreeScanner scanner;
    scanner.SetBaseDirectory(context.places.baseDir);
    scanner.SetInitialDirectory(def.path);
    scanner.OnYield = [&] {
        if (context.yield) context.yield();
        if (context.stopRequested && context.stopRequested()) scanner.Stop();
    };
    if (context.folderVisited) {
        scanner.SetCurrentAfterFound(true);
        scanner.OnDirectoryFound = [&](TTreeScanner& sender) {
            const std::string& folder = sender.FileFound();
            context.folderVisited(IsAbsolutePath(folder) ? folder : context.places.baseDir + folder,
                                  sender.FolderOpened());
        };
    }
    // The walk reads each folder once; its listing is filtered, sorted and
    // written by a second thread, in the walk's order, while the walk goes
    // on. The walk makes the entries of the folders it needs; that thread,
    // those of the files.
    scanner.SetFilesLater(true);
    struct Listed {
        std::string folder;
        DirListing listing;
    };
    const Collation collation(Collation::User(), Collation::ForAnotherThread{});  // the worker's own
    std::vector<std::string_view> names;
    OrderedWorker<Listed> lines([&](Listed& listed) {
        listed.listing.AddLaterEntries();
        SelectNames(listed.listing.entries, mask, def.hidden, def.system, &lineBreaks, collation, names);
        if (def.fullpath && HasLineBreak(listed.folder)) {
            lineBreaks += static_cast<int64_t>(names.size());
            return;
        }
        for (std::string_view name : names) take(def.fullpath ? line.assign(listed.folder).append(name) : name);
    });
    scanner.OnDirectoryRead = [&](TTreeScanner& sender, DirListing& listing) {
        const std::string& folder = sender.FileFound();
        if (!listing.ok) {
            Log(context, NotFoundLine(folder));
            ok = false;
            return;
        }
        const size_t weight = listing.EntryCount();
        lines.Add(Listed{folder, std::move(listing)}, weight);
    };
    scanner.Scan();
    lines.Finish();
    if (scanner.Stopped()) stopped = true;
    return ok;
}

}  // namespace

std::string CutOutputLine(const std::string& output) {
    WriteResult refused;
    refused.failure = WriteFailure::kRefused;
    refused.error = CutReason();
    return WriteFailedLine(output, refused);
}

size_t OccupiedList::CountExact(std::string_view path) const {
    return static_cast<size_t>(std::count(entries_.begin(), entries_.end(), path));
}

size_t OccupiedList::CountSameFile(std::string_view path, std::optional<FileIdentity> opened) const {
    const std::string target = NormalisedPath(path);
    if (!opened) opened = IdentityOf(target);
    size_t n = 0;
    for (const std::string& e : entries_) {
        if (NormalisedPath(e) == target || (opened && IdentityOf(e) == opened)) ++n;
    }
    return n;
}

bool OutputExists(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return !S_ISDIR(st.st_mode);
    return ::lstat(path.c_str(), &st) == 0;
}

FolderFiles ListFolderFiles(const std::string& folder, const FileMask& mask, bool hidden, bool system,
                            const std::string& programDir) {
    FolderFiles result;
    if (folder.empty()) return result;
    result.folder = AbsoluteFolder(folder, programDir);
    const DirListing listing = ListDirectory(result.folder);
    if (!listing.ok) return result;
    result.found = true;
    result.names = SelectFiles(listing.entries, mask, hidden, system, &result.lineBreaks);
    return result;
}

BuildResult BuildPlaylist(const PlaylistDefinition& def, bool ticked, bool overwrite, BuildContext& context) {
    BuildResult result;
    result.output = ResolveOutputPath(def.file, context.places.baseDir);
    if (context.occupied) context.occupied->Add(result.output);

    if (!ticked) {
        Log(context, "   отключён");
        result.outcome = BuildOutcome::kDisabled;
        return result;
    }
    // Whatever is at the cut path belongs to no definition: not even its
    // existence is asked.
    if (def.fileCut) {
        Log(context, CutOutputLine(result.output));
        result.outcome = BuildOutcome::kWriteFailed;
        return result;
    }
    if (!overwrite && OutputExists(result.output)) {
        Log(context, "   отменён - файл существует");
        result.outcome = BuildOutcome::kKeptExisting;
        return result;
    }

    OutputFile out(result.output, ProgramFilesOf(context.places));
    // The exclusion list as lines pass: a line goes when its file-name part is
    // that of any entry, which is what removing the matches of each entry in
    // turn leaves.
    std::unordered_set<std::string_view> excluded;
    if (def.ignore_use)
        for (const std::string& e : def.ignore) excluded.insert(FileNamePart(e));
    bool stopped = false;
    const bool gathered = Gather(
        def, context,
        [&](std::string_view line) {
            ++result.found;
            if (!excluded.empty() && excluded.count(FileNamePart(line)) > 0) {
                ++result.excluded;
                return;
            }
            out.AddLine(line);
        },
        stopped, result.lineBreaks);
    if (stopped) {
        out.Discard();
        result.found = result.excluded = result.lineBreaks = 0;
        result.outcome = BuildOutcome::kStopped;
        return result;
    }
    if (!gathered) {
        out.Discard();
        result.found = result.excluded = result.lineBreaks = 0;
        result.outcome = BuildOutcome::kFolderNotFound;
        return result;
    }

    const WriteResult written = out.Finish();
    if (!written.ok) {
        Log(context, WriteFailedLine(result.output, written));
        result.outcome = BuildOutcome::kWriteFailed;
        return result;
    }
    // Said only when it happens, so ordinary logs stay as they were.
    if (result.lineBreaks > 0)
        Log(context, "   пропущено файлов с переводом строки в имени: " + std::to_string(result.lineBreaks));
    Log(context, "   файлов найдено: " + std::to_string(result.found));
    Log(context, "   исключено: " + std::to_string(result.excluded));
    Log(context, "   ок");
    result.outcome = BuildOutcome::kWritten;
    return result;
}

}  // namespace zorbex
