// Seeded random files through the parser: nothing crashes, reads return, and
// a write always reads back while leaving every other key as it was.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "settings/ini_text.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace ini = zorbex::ini;
using zorbex::SettingsFile;

namespace {

// Bytes that matter to the parser come often; any byte may come.
std::string RandomFile(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {
        "[", "]", "=", "\r\n", "\n", "\r", ";", "#", " ", "\t", "\"", "'", "\0", "a", "A", "x", "X", "b",
        "[a]", "[A]", "[b]", "x=", "X=", "y=", "0x", "$", "1", "\xD0", "\xFF", "\xE9", "Я", "\xC0\xAF"};
    std::string f;
    const int parts = static_cast<int>(rng() % 60);
    for (int i = 0; i < parts; ++i) {
        if (rng() % 8 == 0) {
            f += static_cast<char>(rng() % 256);
        } else {
            const std::string& p = pieces[rng() % pieces.size()];
            f += p == std::string("\0") ? std::string(1, '\0') : p;
        }
    }
    return f;
}

std::string Name(std::mt19937& rng) {
    static const char* names[] = {"a", "A", "b", "x", "X", "y", " a ", "Я", ""};
    return names[rng() % (sizeof names / sizeof *names)];
}

std::string Get(std::string_view file, std::string_view section, std::string_view key) {
    auto raw = ini::RawValue(file, section, key);
    return raw ? ini::ValueToText(*raw) : std::string("<absent>");
}

}  // namespace

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

TEST(SettingsRandom, RandomFilesOnDiskThroughSettingsFile) {
    std::mt19937 rng(424242);
    zx_test::TempDir dir;
    const std::string path = dir / "Zorbl.Zrf";
    for (int round = 0; round < 200; ++round) {
        zx_test::WriteFile(path, RandomFile(rng));
        SettingsFile s(path, zorbex::SettingsSync::kNever);
        const std::string sec = Name(rng), key = Name(rng);
        (void)s.ReadText(sec, key, "d");
        (void)s.ReadNumber(sec, key, 7);
        s.WriteNumber(sec, key, round);
        ASSERT_EQ(s.ReadNumber(sec, key, -1), round) << "round " << round;
    }
}
