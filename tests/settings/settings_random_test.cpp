// Seeded random files through the parser: nothing crashes, reads return, and
// a write always reads back while leaving every other key as it was.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/utf8.h"
#include "settings/ini_text.h"
#include "settings/settings_file.h"
#include "support/random_text.h"
#include "support/temp_dir.h"

namespace ini = zorbex::ini;
using zorbex::SettingsFile;

namespace {

// Bytes that matter to the parser come often; any byte may come.
std::string RandomFile(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {
        "[", "]", "=", "\r\n", "\n", "\r", ";", "#", " ", "\t", "\"", "'", std::string(1, '\0'), "a", "A", "x", "X", "b",
        "[a]", "[A]", "[b]", "x=", "X=", "y=", "0x", "$", "1", "\xD0", "\xFF", "\xE9", "Я", "\xC0\xAF"};
    return zx_test::RandomText(rng, pieces, 60, 8);
}

std::string Name(std::mt19937& rng) {
    static const char* names[] = {"a", "A", "b", "x", "X", "y", " a ", "Я", ""};
    return names[rng() % (sizeof names / sizeof *names)];
}

std::string Get(std::string_view file, std::string_view section, std::string_view key) {
    auto raw = ini::RawValue(file, section, key);
    return raw ? ini::ValueToText(*raw) : std::string("<absent>");
}

// The rules of ini_text.h written the plain way, line by line, to check
// the fast search of the real Find against.
bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view TrimRef(std::string_view s) {
    while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
    return s;
}

ini::KeyLocation ReferenceFind(std::string_view file, std::string_view section, std::string_view key) {
    ini::KeyLocation loc;
    bool in = false;
    size_t pos = 0;
    while (pos < file.size()) {
        size_t nl = file.find('\n', pos);
        size_t end = nl == std::string_view::npos ? file.size() : nl + 1;
        size_t contentEnd = nl == std::string_view::npos ? file.size() : (nl > pos && file[nl - 1] == '\r' ? nl - 1 : nl);
        bool hasBreak = nl != std::string_view::npos;
        std::string_view content = file.substr(pos, contentEnd - pos);
        size_t lineBegin = pos;
        pos = end;
        std::string_view t = TrimRef(content);
        if (t.empty()) continue;
        if (t[0] == '[') {
            size_t close = t.find(']');
            if (close == std::string_view::npos) continue;
            if (in) break;
            if (!loc.sectionFound && ini::NameMatches(TrimRef(t.substr(1, close - 1)), TrimRef(section))) {
                loc.sectionFound = in = true;
                loc.insertAt = end;
                loc.insertNeedsBreak = !hasBreak;
            }
            continue;
        }
        if (!in || t[0] == ';' || t[0] == '#') continue;
        size_t eq = content.find('=');
        if (eq == std::string_view::npos) continue;
        loc.insertAt = end;
        loc.insertNeedsBreak = !hasBreak;
        if (ini::NameMatches(TrimRef(content.substr(0, eq)), TrimRef(key))) {
            loc.keyFound = true;
            loc.rawValue = content.substr(eq + 1);
            loc.lineBegin = lineBegin;
            loc.lineEnd = end;
            return loc;
        }
    }
    if (!loc.sectionFound) {
        loc.insertAt = file.size();
        loc.insertNeedsBreak = !file.empty() && file.back() != '\n';
    }
    return loc;
}

}  // namespace

TEST(SettingsRandom, FindAgreesWithALineByLineReference) {
    std::mt19937 rng(99);
    for (int round = 0; round < 20000; ++round) {
        const std::string file = RandomFile(rng);
        // Names without blanks, NUL or invalid bytes: the reference does not
        // clean names the way the real Find does.
        static const char* names[] = {"a", "A", "b", "x", "X", "y", "Я"};
        const std::string sec = names[rng() % 7], key = names[rng() % 7];
        const ini::KeyLocation got = ini::Find(file, sec, key);
        const ini::KeyLocation want = ReferenceFind(file, sec, key);
        ASSERT_EQ(got.sectionFound, want.sectionFound) << "round " << round;
        ASSERT_EQ(got.keyFound, want.keyFound) << "round " << round;
        ASSERT_EQ(got.rawValue, want.rawValue) << "round " << round;
        ASSERT_EQ(got.lineBegin, want.lineBegin) << "round " << round;
        ASSERT_EQ(got.lineEnd, want.lineEnd) << "round " << round;
        ASSERT_EQ(got.insertAt, want.insertAt) << "round " << round;
        ASSERT_EQ(got.insertNeedsBreak, want.insertNeedsBreak) << "round " << round;
    }
}

TEST(SettingsRandom, RandomFilesNeverBreakReadsOrWrites) {
    std::mt19937 rng(1234567);
    for (int round = 0; round < 4000; ++round) {
        const std::string file = RandomFile(rng);
        const std::string sec = Name(rng), key = Name(rng);
        const std::string text = Get(file, sec, key);
        ASSERT_TRUE(zorbex::IsValidUtf8(text));
        ASSERT_LE(text.size(), ini::kMaxTextChars * 4);
        (void)ini::ParseNumber(text);

        // Write a clean value; it must read back, and any other key must read
        // as it did before.
        const std::string value = "v" + std::to_string(round);
        const std::string after = ini::SetValue(file, sec, key, value);
        ASSERT_EQ(Get(after, sec, key), value) << "round " << round;
        const std::string sec2 = Name(rng), key2 = Name(rng);
        auto trim = [](std::string n) {
            while (!n.empty() && n.front() == ' ') n.erase(0, 1);
            while (!n.empty() && n.back() == ' ') n.pop_back();
            return n;
        };
        const bool same = ini::NameMatches(zorbex::EncodeStoreText(trim(sec2)), trim(sec)) &&
                          ini::NameMatches(zorbex::EncodeStoreText(trim(key2)), trim(key));
        if (!same) {
            ASSERT_EQ(Get(after, sec2, key2), Get(file, sec2, key2))
                << "round " << round << ": [" << sec2 << "] " << key2 << " changed by writing [" << sec << "] " << key;
        }
        // The file grew by the new line at most (plus a header and a line break).
        ASSERT_LE(after.size(), file.size() + sec.size() + key.size() + value.size() + 10);
    }
}

namespace {

// Names that read back as themselves and names that do not (a ']' in a
// section, '=' or a leading ';' '[' in a key, invalid bytes, case variants,
// the Kelvin sign that folds to k).
std::string BatchName(std::mt19937& rng) {
    static const char* names[] = {"a",  "A",   "b",  "x",  "X",   "y",      " a ", "Я",          "я", "",
                                  "k",  "K",   "ſ",  "s",  "a]b", "[x",     ";c",  "a=b",        "=", "\xD0",
                                  "x\r\ny", "ignore_1", "IGNORE_1", "\xE2\x84\xAA"};
    return names[rng() % (sizeof names / sizeof *names)];
}

std::vector<std::pair<std::string, std::string>> RandomEntries(std::mt19937& rng) {
    static const char* values[] = {"", "1", " v ", "\"q\"", "Ёж", "é", "line\nbreak", "0x10"};
    std::vector<std::pair<std::string, std::string>> entries;
    const int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) entries.emplace_back(BatchName(rng), values[rng() % 8]);
    return entries;
}

std::string OneByOne(std::string file, const std::string& section,
                     const std::vector<std::pair<std::string, std::string>>& entries) {
    for (const auto& [k, v] : entries) file = ini::SetValue(file, section, k, v);
    return file;
}

}  // namespace

TEST(SettingsRandom, BatchWriteGivesTheBytesOfOneWriteAfterAnother) {
    // Stale keys, duplicate sections and keys, a last line without a break,
    // comments after the keys, an empty section at the end.
    const std::vector<std::string> files = {
        "",
        "[p]\r\nignore_no=2\r\nignore_0=a\r\nignore_1=b\r\nignore_2=stale\r\nignore_7=stale\r\n"
        "\r\n; note\r\n[q]\r\nz=1\r\n",
        "[P]\nIGNORE_1=x\nignore_1=dup\n[p]\nignore_0=second section\n",
        "[p]\r\nname=a\r\nignore_0=no break",
        "[p]",
        "junk before\r\n[q]\r\ny=1\r\n[p]\r\n# c\r\n[p]\r\nignore_0=x\r\n",
        "[p]\r\nignore_0=1\r\n[ unclosed\r\nignore_1=2\r\n\r\n[q]\r\n",
    };
    std::mt19937 rng(2024);
    for (size_t i = 0; i < files.size(); ++i) {
        std::vector<std::pair<std::string, std::string>> list;
        for (int e = 0; e < 10; ++e) list.emplace_back("ignore_" + std::to_string(e % 7), "v" + std::to_string(e));
        list.emplace_back("Ignore_0", "again");
        for (const std::string sec : {"p", "P", "new"}) {
            ASSERT_EQ(ini::SetValues(files[i], sec, list), OneByOne(files[i], sec, list)) << "file " << i << " " << sec;
            auto entries = RandomEntries(rng);
            ASSERT_EQ(ini::SetValues(files[i], sec, entries), OneByOne(files[i], sec, entries)) << "file " << i;
        }
    }
    for (int round = 0; round < 20000; ++round) {
        const std::string file = RandomFile(rng);
        const std::string sec = BatchName(rng);
        const auto entries = RandomEntries(rng);
        ASSERT_EQ(ini::SetValues(file, sec, entries), OneByOne(file, sec, entries)) << "round " << round;
    }
}

TEST(SettingsRandom, OneReadingAnswersAsReadsOfTheFile) {
    std::mt19937 rng(77);
    for (int round = 0; round < 20000; ++round) {
        const std::string file = RandomFile(rng);
        const std::string sec = BatchName(rng);
        const ini::FileIndex index(file);
        for (int k = 0; k < 6; ++k) {
            const std::string key = BatchName(rng);
            ASSERT_EQ(index.RawValue(sec, key), ini::RawValue(file, sec, key))
                << "round " << round << " [" << sec << "] " << key;
        }
    }
    // On disk, through SettingsSnapshot and SettingsFile.
    zx_test::TempDir dir;
    const std::string path = dir / "Zorbl.Zrf";
    for (int round = 0; round < 200; ++round) {
        zx_test::WriteFile(path, RandomFile(rng));
        const SettingsFile file(path);
        const zorbex::SettingsSnapshot snapshot(file);
        for (int k = 0; k < 8; ++k) {
            const std::string sec = BatchName(rng), key = BatchName(rng);
            ASSERT_EQ(snapshot.ReadText(sec, key, "d"), file.ReadText(sec, key, "d")) << "round " << round;
            ASSERT_EQ(snapshot.ReadNumber(sec, key, 7), file.ReadNumber(sec, key, 7)) << "round " << round;
        }
    }
    EXPECT_EQ(zorbex::SettingsSnapshot(SettingsFile(dir / "missing")).ReadText("a", "x", "def"), "def");
}
