// Exclusion list files of random bytes through the import: every line is
// valid UTF-8 without a line break, the lines are where the line ends are,
// and an export of what was read reads back the same.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/utf8.h"
#include "settings/exclusion_file.h"
#include "support/random_text.h"

namespace zorbex {
namespace {

std::string RandomList(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {"\r\n", "\n", "\r", std::string(1, '\0'), " ", "song.mp3", "C:\\M\\a.mp3",
                                                    "\xd0\x9f\xd0\xb5", "\xcf\xe5", "\xff", "\x98", "\xe2\x82", "\"q\"",
                                                    "\xef\xbb\xbf", "\xd8\x9c", "\xe2\x80\x8b"};
    return zx_test::RandomText(rng, pieces, 40, 6);
}

// Raw lines by the import's rule, each still undecoded.
std::vector<std::string> RawLines(std::string bytes) {
    if (bytes.starts_with("\xef\xbb\xbf")) bytes.erase(0, 3);
    bytes = bytes.substr(0, bytes.find('\0'));
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            lines.push_back(line);
            line.clear();
            open = false;
        } else {
            line += bytes[i];
            open = true;
        }
    }
    if (open) lines.push_back(line);
    return lines;
}

TEST(ExclusionFileRandom, ImportIsDefinedAndSurvivesAnExport) {
    std::mt19937 rng(99173);
    for (int round = 0; round < 3000; ++round) {
        const std::string bytes = RandomList(rng);
        const std::vector<std::string> lines = ReadExclusionFile(bytes);
        const std::vector<std::string> raw = RawLines(bytes);
        ASSERT_EQ(lines.size(), raw.size()) << "round " << round;
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(IsValidUtf8(lines[i])) << "round " << round;
            EXPECT_EQ(lines[i].find_first_of(std::string("\r\n\0", 3)), std::string::npos);
            EXPECT_EQ(lines[i], DecodeStoreText(raw[i])) << "round " << round;
        }
        EXPECT_EQ(ReadExclusionFile(WriteExclusionFile(lines)), lines) << "round " << round;
    }
}

}  // namespace
}  // namespace zorbex
