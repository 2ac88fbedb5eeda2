#include "build/union_builder.h"

#include "platform/file_write.h"

namespace zorbex {
namespace {

void Log(const UnionContext& context, const std::string& line) {
    if (context.log) context.log(line);
}

// Hands every line of a playlist file to take, without copying them: a
// member file of a million short lines must not cost a million strings.
template <typename Take>
void EachPlaylistLine(std::string_view bytes, Take&& take) {
    bytes = bytes.substr(0, bytes.find('\0'));
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') continue;
        take(bytes.substr(start, i - start));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) take(bytes.substr(start));
}

}  // namespace

std::vector<std::string> SplitPlaylistLines(std::string_view bytes) {
    std::vector<std::string> lines;
    EachPlaylistLine(bytes, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

UnionResult BuildUnion(int m, bool ticked, bool overwrite, UnionContext& context) {
    UnionResult result;
    if (!ticked) {
        Log(context, "   отключено");
        return result;
    }
    const UnionDefinition def = context.loadUnion ? context.loadUnion(m) : UnionDefinition{};
    result.output = ResolveOutputPath(def.file, context.programDir);

    // One line per playlist definition writing to the target. Exact matches
    // count as they always did; another spelling of the same file (relative
    // against absolute, "..", a link) is refused too, or the union would
    // overwrite that playlist and possibly read its own member truncated.
    size_t occupied = 0;
    if (context.occupied) {
        occupied = context.occupied->CountExact(result.output);
        if (occupied == 0) occupied = context.occupied->CountSameFile(result.output);
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

    std::string bytes;
    for (size_t r = 0; r < def.members.size(); ++r) {
        if (!def.members[r]) continue;
        ++result.joined;
        const std::string text = context.memberFile ? context.memberFile(static_cast<int>(r) + 1) : std::string();
        // A member that was never written, or cannot be read, adds nothing.
        const auto content = ReadWholeFile(ResolveOutputPath(text, context.programDir));
        if (!content) continue;
        EachPlaylistLine(*content, [&](std::string_view line) {
            ++result.lines;
            bytes += line;
            bytes += "\r\n";
        });
    }

    const WriteResult written = WriteOutputFile(result.output, bytes, context.programDir);
    if (!written.ok) {
        Log(context, WriteFailedLine(result.output, written.error));
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
