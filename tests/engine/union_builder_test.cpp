#include "engine/union_builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <random>

#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace zorbex {
namespace {

using zx_test::Exists;
using zx_test::MakeDirs;
using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;
using Lines = std::vector<std::string>;

const std::string kOccupiedLine = "   отменено - файл существует (занят плейлистом)";

Lines Written(int64_t lines, int64_t joined) {
    return {"   файлов итого: " + std::to_string(lines), "   объединено: " + std::to_string(joined), "   ок"};
}

class UnionTest : public ::testing::Test {
protected:
    UnionTest() {
        MakeDirs(prog());
        context.places = ProgramPlaces(prog());
        context.occupied = &occupied;
        context.log = [this](const std::string& line) { log.push_back(line); };
        context.loadUnion = [this](int m) {
            loadedUnions.push_back(m);
            return def;
        };
        context.memberFile = [this](int n) {
            loadedMembers.push_back(n);
            auto it = memberFiles.find(n);
            return it == memberFiles.end() ? "playlist_" + std::to_string(n) + ".m3u" : it->second;
        };
        def.file = "union.m3u";
    }

    std::string prog() const { return t / "prog/"; }

    UnionResult Build(bool overwrite = false, bool ticked = true) {
        log.clear();
        return BuildUnion(1, ticked, overwrite, context);
    }

    TempDir t;
    OccupiedList occupied;
    UnionContext context;
    UnionDefinition def;
    std::map<int, std::string> memberFiles;
    Lines log;
    std::vector<int> loadedUnions;
    std::vector<int> loadedMembers;
};

TEST(SplitPlaylistLines, LineEnds) {
    struct Case {
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"\r\n", {""}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"\n\n", {"", ""}},
        {"a\r\r\n", {"a", ""}},
        {"a\n\r", {"a", ""}},
        {std::string("a\r\nb\0c\r\n", 8), {"a", "b"}},
        {std::string("\0a", 2), {}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitPlaylistLines(c.bytes), c.lines) << testing::PrintToString(c.bytes);
}

// Joining the lines with CR LF gives the input up to its first NUL with every
// line end written as CR LF and the last line ended.
TEST(SplitPlaylistLines, RandomInputsRebuildTheirText) {
    std::mt19937 rng(20261207);
    const std::string alphabet("ab\r\n\0\xd0\xff ", 8);
    for (int round = 0; round < 2000; ++round) {
        std::string input(rng() % 40, ' ');
        for (char& c : input) c = rng() % 4 == 0 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];

        std::string expected;
        const std::string text = input.substr(0, input.find('\0'));
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
            expected += (text[i] == '\r' || text[i] == '\n') ? std::string("\r\n") : std::string(1, text[i]);
        }
        if (!expected.empty() && !expected.ends_with("\r\n")) expected += "\r\n";

        std::string joined;
        for (const std::string& line : SplitPlaylistLines(input)) {
            ASSERT_EQ(line.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
            joined += line + "\r\n";
        }
        ASSERT_EQ(joined, expected) << testing::PrintToString(input);
    }
}

TEST_F(UnionTest, LargeMembersAreReadInPiecesWithoutLosingALineEnd) {
    // Line ends, a lone CR and long lines placed across the boundaries of
    // 64 KiB reads; an unchanged union is then left alone.
    std::string bytes = std::string(65535, 'x') + "\r\n" + std::string(131071 - 65537, 'z') + "\ry" +
                        std::string(100000, 'w') + "\n" + "tail" + std::string(1, '\0') + "after\r\n";
    WriteFile(prog() + "playlist_1.m3u", bytes);
    WriteFile(prog() + "playlist_2.m3u", "last");
    def.members = {true, true};
    std::string expected;
    for (const std::string& line : SplitPlaylistLines(bytes)) expected += line + "\r\n";
    expected += "last\r\n";
    Build(true);
    EXPECT_EQ(log, Written(5, 2));
    EXPECT_EQ(ReadFile(prog() + "union.m3u"), expected);
    const std::string p = prog() + "union.m3u";
    struct stat before {}, after {};
    ::stat(p.c_str(), &before);
    Build(true);
    ::stat(p.c_str(), &after);
    EXPECT_EQ(log, Written(5, 2));
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(UnionTest, UntickedUnionIsNotLoaded) {
    def.members = {true};
    WriteFile(prog() + "playlist_1.m3u", "a\r\n");
    EXPECT_EQ(Build(true, false).outcome, UnionOutcome::kDisabled);
    EXPECT_EQ(log, Lines{"   отключено"});
    EXPECT_TRUE(loadedUnions.empty());
    EXPECT_FALSE(Exists(prog() + "union.m3u"));
}

TEST_F(UnionTest, NoTickedMemberWritesAnEmptyFile) {
    def.members = {false, false};
    WriteFile(prog() + "playlist_1.m3u", "a\r\n");
    const UnionResult r = Build();
    EXPECT_EQ(r.outcome, UnionOutcome::kWritten);
    EXPECT_EQ(r.output, prog() + "union.m3u");
    EXPECT_EQ(log, Written(0, 0));
    EXPECT_TRUE(Exists(prog() + "union.m3u"));
    EXPECT_EQ(ReadFile(prog() + "union.m3u"), "");
    EXPECT_TRUE(loadedMembers.empty());
}

TEST_F(UnionTest, MembersJoinInDefinitionOrder) {
    // Ticked in the order 3, then 1: the file still follows 1, 3.
    def.members = {true, false, true};
    WriteFile(prog() + "playlist_1.m3u", "/m/one.mp3\r\n/m/two.mp3\r\n");
    WriteFile(prog() + "playlist_2.m3u", "/m/never.mp3\r\n");
    memberFiles[3] = t / "elsewhere/three.m3u";
    WriteFile(t / "elsewhere/three.m3u", "/m/three.mp3\r\n/m/one.mp3\r\n");
    Build();
    EXPECT_EQ(ReadFile(prog() + "union.m3u"), "/m/one.mp3\r\n/m/two.mp3\r\n/m/three.mp3\r\n/m/one.mp3\r\n");
    EXPECT_EQ(log, Written(4, 2));
    EXPECT_EQ(loadedMembers, (std::vector<int>{1, 3}));
}

TEST_F(UnionTest, MemberLinesAreRewrittenWithCrLf) {
    def.members = {true, true, true};
    WriteFile(prog() + "playlist_1.m3u", "a\nb\n");                      // lone LF
    WriteFile(prog() + "playlist_2.m3u", "c\rd");                        // lone CR, no final end
    WriteFile(prog() + "playlist_3.m3u", std::string("e\r\n\r\nf\r\n\0g\r\n", 12));  // empty line, NUL
    Build();
    EXPECT_EQ(ReadFile(prog() + "union.m3u"), "a\r\nb\r\nc\r\nd\r\ne\r\n\r\nf\r\n");
    EXPECT_EQ(log, Written(7, 3));
}

TEST_F(UnionTest, MissingMemberCountsButAddsNothing) {
    def.members = {true, true};
    WriteFile(prog() + "playlist_2.m3u", "x\r\n");
    Build();
    EXPECT_EQ(ReadFile(prog() + "union.m3u"), "x\r\n");
    EXPECT_EQ(log, Written(1, 2));
}

// A link another user planted in a shared sticky folder as a member would
// copy whatever file of ours it points at: it is not followed, and the line
// says which member was left out.
TEST_F(UnionTest, AMemberBehindAForeignLinkIsNotReadAndIsNamed) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's link";
    def.members = {true};
    const std::string shared = t / "shared/";
    MakeDirs(shared);
    ::chmod(shared.c_str(), 01777);
    WriteFile(t / "secret", "key\r\n");
    ASSERT_EQ(::symlink((t / "secret").c_str(), (shared + "p.m3u").c_str()), 0);
    ASSERT_EQ(::lchown((shared + "p.m3u").c_str(), zx_test::kSecondUser, zx_test::kSecondUser), 0);
    memberFiles[1] = shared + "p.m3u";
    Build(true);
    EXPECT_EQ(ReadFile(prog() + "union.m3u"), "");
    Lines expected = Written(0, 1);
    expected.insert(expected.begin(),
                    "   не удалось прочитать файл «" + shared + "p.m3u»: это чужая символическая ссылка в общей папке");
    EXPECT_EQ(log, expected);
}

TEST_F(UnionTest, OccupiedTargetIsRefusedBeforeTheExistingFileRule) {
    occupied.Add(prog() + "union.m3u");
    occupied.Add(prog() + "other.m3u");
    occupied.Add(prog() + "union.m3u");
    WriteFile(prog() + "union.m3u", "kept\r\n");
    for (bool overwrite : {false, true}) {
        EXPECT_EQ(Build(overwrite).outcome, UnionOutcome::kOccupied);
        EXPECT_EQ(log, (Lines{kOccupiedLine, kOccupiedLine}));
        EXPECT_EQ(ReadFile(prog() + "union.m3u"), "kept\r\n");
    }
}

TEST_F(UnionTest, OccupiedThroughAnotherSpelling) {
    MakeDirs(prog() + "sub");
    WriteFile(prog() + "list.m3u", "kept\r\n");
    ASSERT_EQ(::symlink((prog() + "list.m3u").c_str(), (t / "link.m3u").c_str()), 0);
    occupied.Add(prog() + "list.m3u");
    occupied.Add(prog() + "./sub/../list.m3u");
    for (const std::string& file : {std::string("./list.m3u"), std::string("sub/../list.m3u"),
                                    prog() + "/list.m3u", t / "link.m3u"}) {
        def.file = file;
        EXPECT_EQ(Build(true).outcome, UnionOutcome::kOccupied) << file;
        // Each playlist definition naming the file gives one line.
        EXPECT_EQ(log, (Lines{kOccupiedLine, kOccupiedLine})) << file;
    }
    // An exact match keeps the exact count.
    def.file = "list.m3u";
    Build(true);
    EXPECT_EQ(log, Lines{kOccupiedLine});
    EXPECT_EQ(ReadFile(prog() + "list.m3u"), "kept\r\n");
}

TEST_F(UnionTest, ExistingOutputIsKeptUnlessOverwriting) {
    def.members = {true};
    WriteFile(prog() + "playlist_1.m3u", "new\r\n");
    WriteFile(prog() + "union.m3u", "old\r\n");
    EXPECT_EQ(Build(false).outcome, UnionOutcome::kKeptExisting);
    EXPECT_EQ(log, Lines{"   отменено - файл существует"});
    EXPECT_EQ(ReadFile(prog() + "union.m3u"), "old\r\n");
    EXPECT_EQ(Build(true).outcome, UnionOutcome::kWritten);
    EXPECT_EQ(ReadFile(prog() + "union.m3u"), "new\r\n");
}

TEST_F(UnionTest, TheSettingsFileIsNeverAnOutput) {
    def.members = {true};
    WriteFile(prog() + "playlist_1.m3u", "a\r\n");
    WriteFile(prog() + "Zorbl.Zrf", "[Zor:bl]\r\n");
    def.file = "zorbl/../Zorbl.Zrf";
    EXPECT_EQ(Build(true).outcome, UnionOutcome::kWriteFailed);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("это файл настроек программы"), std::string::npos) << log[0];
    EXPECT_EQ(ReadFile(prog() + "Zorbl.Zrf"), "[Zor:bl]\r\n");
}

TEST_F(UnionTest, UnwritableOutputIsReportedWithoutOk) {
    def.members = {true};
    WriteFile(prog() + "playlist_1.m3u", "a\r\n");
    for (const std::string& file : {t / "missing/u.m3u", t.path()}) {
        def.file = file;
        const UnionResult r = Build(true);
        EXPECT_EQ(r.outcome, UnionOutcome::kWriteFailed) << file;
        ASSERT_EQ(log.size(), 1u) << file;
        EXPECT_TRUE(log[0].starts_with("   не удалось записать файл «" + file + "»: ")) << log[0];
        EXPECT_GT(log[0].size(), ("   не удалось записать файл «" + file + "»: ").size());
    }
}

}  // namespace
}  // namespace zorbex
