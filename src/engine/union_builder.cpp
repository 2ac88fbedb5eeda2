#include "engine/union_builder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/builder_parts.h"
#include "engine/output_file.h"
#include "platform/file_read.h"
#include "platform/file_write.h"

namespace zorbex {
namespace {

void Log(const UnionContext& context, const std::string& line) {
    if (context.log) context.log(line);
}

// Splits playlist bytes that arrive in pieces into lines: the bytes up to the
// first NUL, lines ended by CR LF, a lone CR or a lone LF, even where a
// piece ends between the CR and the LF. A line is handed over as a view into
// the piece where it lies whole in one, so a member file of a million short
// lines costs no million strings.
class LineSplitter {
public:
    template <typename Take>
    void Feed(std::string_view piece, Take&& take) {
        if (ended_) return;
        if (const size_t nul = piece.find('\0'); nul != std::string_view::npos) {
            piece = piece.substr(0, nul);
            ended_ = true;
        }
        size_t start = 0;
        if (afterCr_ && !piece.empty()) {
            if (piece[0] == '\n') start = 1;
            afterCr_ = false;
        }
        for (size_t i = start; i < piece.size(); ++i) {
            const char c = piece[i];
            if (c != '\r' && c != '\n') continue;
            const std::string_view rest = piece.substr(start, i - start);
            if (partial_.empty()) {
                take(rest);
            } else {
                take(partial_.append(rest));
                partial_.clear();
            }
            if (c == '\r') {
                if (i + 1 < piece.size() && piece[i + 1] == '\n')
                    ++i;
                else if (i + 1 == piece.size())
                    afterCr_ = true;
            }
            start = i + 1;
        }
        partial_.append(piece.substr(start));
    }

    // A last line without its line end.
    template <typename Take>
    void End(Take&& take) {
        if (!partial_.empty()) take(std::string_view(partial_));
        partial_.clear();
    }

private:
    std::string partial_;
    bool afterCr_ = false;
    bool ended_ = false;
};

// Hands every line of a member's playlist file to take, reading it in
// pieces. Why it could not be read (whole), or nothing: a missing file (a
// member never written) adds nothing and is not an error.
template <typename Take>
std::optional<WriteResult> EachLineOfFile(const std::string& path, Take&& take) {
    bool foreignLink = false;
    const int fd = OpenTrustedFile(path, &foreignLink);
    if (fd < 0) {
        if (foreignLink) return WriteResult{false, {}, WriteFailure::kForeignLink, 0, false};
        if (errno == ENOENT) return std::nullopt;
        const int err = errno == EINVAL ? 0 : errno;
        return WriteResult{false, err == 0 ? "" : std::strerror(err),
                           err == 0 ? WriteFailure::kNotRegularFile : WriteFailure::kSystem, err, false};
    }
    LineSplitter splitter;
    std::string buf(64 * 1024, '\0');
    int err = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        if (n <= 0) break;  // the end, or a read error: what was read so far stays
        splitter.Feed(std::string_view(buf.data(), static_cast<size_t>(n)), take);
    }
    splitter.End(take);
    ::close(fd);
    if (err != 0) return WriteResult{false, std::strerror(err), WriteFailure::kSystem, err, false};
    return std::nullopt;
}

}  // namespace

std::vector<std::string> SplitPlaylistLines(std::string_view bytes) {
    std::vector<std::string> lines;
    LineSplitter splitter;
    const auto take = [&](std::string_view line) { lines.emplace_back(line); };
    splitter.Feed(bytes, take);
    splitter.End(take);
    return lines;
}

std::optional<std::string> MemberFileText(const PlaylistDefinition& member) {
    if (member.fileCut) return std::nullopt;
    return member.file;
}

UnionResult BuildUnion(int m, bool ticked, bool overwrite, UnionContext& context) {
    UnionResult result;
    if (!ticked) {
        Log(context, "   отключено");
        return result;
    }
    const UnionDefinition def = context.loadUnion ? context.loadUnion(m) : UnionDefinition{};
    result.output = ResolveOutputPath(def.file, context.places.baseDir);
    if (def.fileCut) {
        Log(context, CutOutputLine(result.output));
        result.outcome = UnionOutcome::kWriteFailed;
        return result;
    }

    // Opened first (nothing changes before Finish), so that the checks are
    // made on the file the write would reach.
    OutputFile out(result.output, ProgramFilesOf(context.places));
    // One line per playlist definition writing to the target. Exact matches
    // count as they always did; another spelling of the same file (relative
    // against absolute, "..", a link) is refused too, or the union would
    // overwrite that playlist and possibly read its own member truncated.
    size_t occupied = 0;
    if (context.occupied) {
        occupied = context.occupied->CountExact(result.output);
        if (occupied == 0) occupied = context.occupied->CountSameFile(result.output, out.Existing());
    }
    if (occupied > 0) {
        for (size_t i = 0; i < occupied; ++i) Log(context, "   отменено - файл существует (занят плейлистом)");
        result.outcome = UnionOutcome::kOccupied;
        return result;
    }
    if (!overwrite && OutputExists(result.output)) {
        Log(context, "   отменено - файл существует");
        result.outcome = UnionOutcome::kKeptExisting;
        return result;
    }

    for (size_t r = 0; r < def.members.size(); ++r) {
        if (!def.members[r]) continue;
        ++result.joined;
        const std::optional<std::string> text =
            context.memberFile ? context.memberFile(static_cast<int>(r) + 1) : std::string();
        // A member that was never written, or cannot be read, adds nothing;
        // nor does one whose file text was cut, since its build refuses it
        // and the cut text names another file.
        if (!text) continue;
        const std::string member = ResolveOutputPath(*text, context.places.baseDir);
        const auto unread = EachLineOfFile(member, [&](std::string_view line) {
            ++result.lines;
            out.AddLine(line);
        });
        if (unread) Log(context, "   не удалось прочитать файл «" + member + "»: " + WriteFailureReason(*unread));
    }

    const WriteResult written = out.Finish();
    if (!written.ok) {
        Log(context, WriteFailedLine(result.output, written));
        result.outcome = UnionOutcome::kWriteFailed;
        return result;
    }
    Log(context, "   файлов итого: " + std::to_string(result.lines));
    Log(context, "   объединено: " + std::to_string(result.joined));
    Log(context, "   ок");
    result.outcome = UnionOutcome::kWritten;
    return result;
}

}  // namespace zorbex
