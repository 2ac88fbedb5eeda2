#include "build/playlist_builder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "build/output_file.h"
#include "build/tree_scanner.h"
#include "platform/collation.h"
#include "platform/file_write.h"
#include "platform/wildcard.h"

namespace zorbex {
namespace {

// A line break inside a name would split its playlist line in two.
bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

void Log(const BuildContext& context, const std::string& line) {
    if (context.log) context.log(line);
}

std::string NotFoundLine(const std::string& folder) { return "   каталог «" + folder + "» не найден"; }

bool IsLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// The folder that changing into the text reaches, named with the text's own
// components: "." and doubled "/" go, and ".." takes the last component
// off, as cleaning the text would, except after a symbolic link, whose ".."
// the kernel takes in the folder the link leads to.
std::string AbsoluteFolder(const std::string& folder, const std::string& programDir) {
    const std::string text = folder[0] == '/' ? folder : programDir + folder;
    std::string path;  // without a trailing "/"; "" stands for the root
    for (size_t begin = 0; begin <= text.size();) {
        const size_t end = std::min(text.find('/', begin), text.size());
        const std::string_view part(text.data() + begin, end - begin);
        begin = end + 1;
        if (part.empty() || part == ".") continue;
        if (part != "..") {
            path += '/';
            path += part;
            continue;
        }
        if (IsLink(path)) {
            char* real = ::realpath(path.c_str(), nullptr);
            // A dangling link or a loop: the text as it stands fails to list too.
            if (!real) return text;
            path = std::strcmp(real, "/") == 0 ? "" : real;
            std::free(real);
        }
        path.erase(std::min(path.rfind('/'), path.size()));
    }
    return path.empty() ? "/" : path;
}

// Hands every line of the definition's folder (and subfolders) to take, in
// playlist order; false when a folder could not be listed.
// stopped: the run asked to stop during the walk.
bool Gather(const PlaylistDefinition& def, BuildContext& context, const std::function<void(std::string_view)>& take,
            bool& stopped) {
    // An empty folder text would mean "wherever the process happens to be".
    if (def.path.empty()) {
        Log(context, NotFoundLine(def.path));
        return false;
    }
    const std::vector<std::string> patterns = SplitMask(def.mask);
    std::string line;

    if (!def.subfolders) {
        FolderFiles files = ListFolderFiles(def.path, def.mask, def.hidden, def.system, context.programDir);
        if (!files.found) {
            Log(context, NotFoundLine(def.path));
            return false;
        }
        const std::string prefix = files.folder.back() == '/' ? files.folder : files.folder + '/';
        for (const std::string& name : files.names) take(def.fullpath ? line.assign(prefix).append(name) : name);
        return true;
    }

    bool ok = true;
    TTreeScanner scanner;
    scanner.SetBaseDirectory(context.programDir);
    scanner.SetInitialDirectory(def.path);
    scanner.OnYield = [&] {
        if (context.yield) context.yield();
        if (context.stopRequested && context.stopRequested()) scanner.Stop();
    };
    // The walk reads each folder once; its listing is filtered right here
    // rather than read a second time per folder.
    scanner.OnDirectoryRead = [&](TTreeScanner& sender, const DirListing& listing) {
        const std::string& folder = sender.FileFound();
        if (!listing.ok) {
            Log(context, NotFoundLine(folder));
            ok = false;
            return;
        }
        if (def.fullpath && HasLineBreak(folder)) return;
        for (const std::string& name : SelectFiles(listing.entries, patterns, def.hidden, def.system))
            take(def.fullpath ? line.assign(folder).append(name) : name);
    };
    scanner.Scan();
    if (scanner.Stopped()) stopped = true;
    return ok;
}

}  // namespace

size_t OccupiedList::CountExact(std::string_view path) const {
    return static_cast<size_t>(std::count(entries_.begin(), entries_.end(), path));
}

size_t OccupiedList::CountSameFile(std::string_view path) const {
    const std::string target = NormalisedPath(path);
    // What NamesSameFile(e, target) tells for each entry, with the target
    // looked up on disk once rather than once per entry: every union asks
    // this of every playlist's file.
    struct stat t {};
    const bool targetExists = ::stat(target.c_str(), &t) == 0;
    size_t n = 0;
    for (const std::string& e : entries_) {
        struct stat st {};
        if (NormalisedPath(e) == target ||
            (targetExists && ::stat(e.c_str(), &st) == 0 && st.st_dev == t.st_dev && st.st_ino == t.st_ino))
            ++n;
    }
    return n;
}

bool OutputExists(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return !S_ISDIR(st.st_mode);
    return ::lstat(path.c_str(), &st) == 0;
}

std::string ResolveOutputPath(const std::string& text, const std::string& programDir) {
    if (!text.empty() && text[0] == '/') return text;
    return programDir + text;
}

std::vector<std::string> SelectFiles(const std::vector<DirEntry>& entries, const std::vector<std::string>& patterns,
                                     bool hidden, bool system) {
    std::vector<const DirEntry*> eligible;
    eligible.reserve(entries.size());
    for (const DirEntry& e : entries) {
        if (e.kind == EntryKind::kDirectory) continue;
        if (e.Hidden() && !hidden) continue;
        if (e.System() && !system) continue;
        if (HasLineBreak(e.name)) continue;
        eligible.push_back(&e);
    }
    std::vector<std::string_view> picked;
    for (const std::string& text : patterns) {
        const WildcardPattern pattern(text);
        if (pattern.Empty()) continue;
        for (const DirEntry* e : eligible) {
            if (pattern.Matches(e->name)) picked.push_back(e->name);
        }
    }
    std::vector<std::string> names;
    names.reserve(picked.size());
    for (size_t i : Collation::User().Order(picked)) names.emplace_back(picked[i]);
    return names;
}

FolderFiles ListFolderFiles(const std::string& folder, const std::string& mask, bool hidden, bool system,
                            const std::string& programDir) {
    FolderFiles result;
    if (folder.empty()) return result;
    result.folder = AbsoluteFolder(folder, programDir);
    const DirListing listing = ListDirectory(result.folder);
    if (!listing.ok) return result;
    result.found = true;
    result.names = SelectFiles(listing.entries, SplitMask(mask), hidden, system);
    return result;
}

BuildResult BuildPlaylist(const PlaylistDefinition& def, bool ticked, bool overwrite, BuildContext& context) {
    BuildResult result;
    result.output = ResolveOutputPath(def.file, context.programDir);
    if (context.occupied) context.occupied->Add(result.output);

    if (!ticked) {
        Log(context, "   отключён");
        result.outcome = BuildOutcome::kDisabled;
        return result;
    }
    if (!overwrite && OutputExists(result.output)) {
        Log(context, "   отменён - файл существует");
        result.outcome = BuildOutcome::kKeptExisting;
        return result;
    }

    OutputFile out(result.output, context.programDir);
    // The exclusion list as lines pass: a line goes when its file-name part is
    // that of any entry, which is what removing the matches of each entry in
    // turn leaves.
    std::unordered_set<std::string_view> excluded;
    if (def.ignore_use)
        for (const std::string& e : def.ignore) excluded.insert(FileNamePart(e));
    bool stopped = false;
    const bool gathered = Gather(def, context, [&](std::string_view line) {
        ++result.found;
        if (!excluded.empty() && excluded.count(FileNamePart(line)) > 0) {
            ++result.excluded;
            return;
        }
        out.AddLine(line);
    }, stopped);
    if (stopped) {
        out.Discard();
        result.found = result.excluded = 0;
        result.outcome = BuildOutcome::kStopped;
        return result;
    }
    if (!gathered) {
        out.Discard();
        result.found = result.excluded = 0;
        result.outcome = BuildOutcome::kFolderNotFound;
        return result;
    }

    const WriteResult written = out.Finish();
    if (!written.ok) {
        Log(context, WriteFailedLine(result.output, written));
        result.outcome = BuildOutcome::kWriteFailed;
        return result;
    }
    Log(context, "   файлов найдено: " + std::to_string(result.found));
    Log(context, "   исключено: " + std::to_string(result.excluded));
    Log(context, "   ок");
    result.outcome = BuildOutcome::kWritten;
    return result;
}

}  // namespace zorbex
