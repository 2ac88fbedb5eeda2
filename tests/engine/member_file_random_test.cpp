// Member playlist files of random bytes read by a real union build: the union
// holds every line up to the first NUL, each ended by CR LF, and counts them.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engine/union_builder.h"
#include "support/temp_dir.h"
#include "support/random_text.h"

namespace zorbex {
namespace {

using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;

std::string RandomMember(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {"\r\n", "\n", "\r", "\n\r", "\r\r\n", std::string(1, '\0'), " ",
                                                    "/m/a.mp3", "\xd0\x9f", "\xff", "\xcf\xe5"};
    return zx_test::RandomText(rng, pieces, 40, 6);
}

// What the union must hold for one member: the text before its first NUL,
// CR LF, a lone CR and a lone LF each one line end, every line ended by CR LF.
std::pair<std::string, int64_t> Expected(std::string bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string out;
    int64_t lines = 0;
    bool open = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            out += "\r\n";
            ++lines;
            open = false;
        } else {
            out += bytes[i];
            open = true;
        }
    }
    if (open) {
        out += "\r\n";
        ++lines;
    }
    return {out, lines};
}

TEST(MemberFileRandom, UnionOfRandomMembersHoldsTheirLines) {
    TempDir dir;
    std::mt19937 rng(424242);
    std::vector<std::string> log;
    UnionContext join;
    join.places = ProgramPlaces(dir.path());
    join.log = [&](const std::string& line) { log.push_back(line); };
    join.loadUnion = [](int) { return UnionDefinition{"u", "u.m3u", {true, false, true, true, false, true}}; };
    join.memberFile = [](int n) { return "m" + std::to_string(n) + ".m3u"; };
    // Every round writes the union with fsync: few rounds, many members each.
    for (int round = 0; round < 80; ++round) {
        std::string expected;
        int64_t lines = 0;
        for (int n : {1, 2, 3, 4, 5, 6}) {
            const std::string bytes = RandomMember(rng);
            WriteFile(dir / ("m" + std::to_string(n) + ".m3u"), bytes);
            if (n == 2 || n == 5) continue;  // not members
            auto [text, count] = Expected(bytes);
            expected += text;
            lines += count;
        }
        log.clear();
        const UnionResult r = BuildUnion(1, true, true, join);
        ASSERT_EQ(r.outcome, UnionOutcome::kWritten);
        EXPECT_EQ(r.lines, lines) << "round " << round;
        EXPECT_EQ(r.joined, 4);
        EXPECT_EQ(ReadFile(dir / "u.m3u"), expected) << "round " << round;
        EXPECT_EQ(log.front(), "   файлов итого: " + std::to_string(lines));
    }
}

}  // namespace
}  // namespace zorbex
