// A real settings file damaged at random (bytes flipped, cut, doubled,
// structural bytes and long lines thrown in), read and written through
// SettingsFile: every read returns a defined value, and a write reads back
// while every other key keeps the value it had.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/utf8.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace zorbex {
namespace {

using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;

// The file as the program leaves it: windows-1251 text, CR LF.
const std::string kClean = EncodeStoreText(
    "[Zor:bl]\r\nreset=0\r\nprocess=1\r\nlog=1\r\nplaylists=2\r\nunions=1\r\nitem_0=1\r\nitem_1=0\r\n"
    "[Zor:bl:Playlist:1]\r\nname=НАЗВАНИЕ ПЛЕЙЛИСТА номер 1\r\nfile=playlist_1.m3u\r\nmask=*.mp3\r\n"
    "path=/home/user/Музыка\r\nsubfolders=1\r\nignore_use=1\r\nignore_no=2\r\nignore_0=a.mp3\r\n"
    "ignore_1=\"b.mp3\"\r\n[Zor:bl:Union:1]\r\nname=НАЗВАНИЕ ОБЪЕДИНЕНИЯ номер 1\r\nfile=union_1.m3u\r\n"
    "unite_0=1\r\n");

const std::vector<std::string> kSections = {"Zor:bl", "ZOR:BL", "Zor:bl:Playlist:1", "zor:bl:union:1", "Плейлист", "x"};
const std::vector<std::string> kKeys = {"reset", "playlists", "name", "FILE", "ignore_0", "item_1", "ключ", "x"};

std::string Damaged(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {
        "[", "]", "=", "\r\n", "\n", "\r", ";", "#", " ", "\t", "\"", "'", std::string(1, '\0'), "[Zor:bl]",
        "[ZOR:BL:PLAYLIST:1]", "name=", "\xcd\xc0", "\xd0\x9f", "\xff\xfe", "0x", "$", "-", "9999999999"};
    std::string f = kClean;
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits && !f.empty(); ++e) {
        const size_t at = rng() % (f.size() + 1);
        switch (rng() % 6) {
            case 0: f.insert(at, pieces[rng() % pieces.size()]); break;
            case 1: if (at < f.size()) f[at] = static_cast<char>(rng() % 256); break;
            case 2: f.erase(at, rng() % 40); break;
            case 3: f.resize(at); break;
            case 4: f.insert(at, f.substr(at, rng() % 200)); break;
            default: f.insert(at, std::string(1000 + rng() % 4000, static_cast<char>("az \xe0="[rng() % 5]))); break;
        }
    }
    return f;
}

size_t CodePoints(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

TEST(SettingsDamagedFile, ReadsAreDefinedAndWritesKeepTheOtherKeys) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    const std::vector<std::string> values = {"", "1", "-7", "НАЗВАНИЕ", "é ü", "C:\\MUSIC", "a=b", std::string(1100, 'v')};
    std::mt19937 rng(7031);
    for (int round = 0; round < 300; ++round) {
        const std::string bytes = Damaged(rng);
        WriteFile(path, bytes);
        SettingsFile settings(path, SettingsSync::kNever);

        std::vector<std::string> before;
        for (const std::string& s : kSections) {
            for (const std::string& k : kKeys) {
                const std::string text = settings.ReadText(s, k, "<default>");
                ASSERT_TRUE(IsValidUtf8(text)) << "round " << round;
                ASSERT_LE(CodePoints(text), 1023u) << "round " << round;
                (void)settings.ReadNumber(s, k, -1);
                before.push_back(text);
            }
        }

        const size_t si = rng() % kSections.size(), ki = rng() % kKeys.size();
        const std::string& value = values[rng() % values.size()];
        ASSERT_NO_THROW(settings.WriteText(kSections[si], kKeys[ki], value)) << "round " << round;
        EXPECT_EQ(settings.ReadText(kSections[si], kKeys[ki], "<default>"), value.substr(0, 1023))
            << "round " << round;
        size_t i = 0;
        for (size_t s = 0; s < kSections.size(); ++s) {
            for (size_t k = 0; k < kKeys.size(); ++k, ++i) {
                // "ZOR:BL" is "Zor:bl", and the keys differ only in case or not at all.
                const bool same = (s == si || (s <= 1 && si <= 1)) && k == ki;
                if (same) continue;
                EXPECT_EQ(settings.ReadText(kSections[s], kKeys[k], "<default>"), before[i])
                    << "round " << round << ": [" << kSections[s] << "] " << kKeys[k] << " after writing ["
                    << kSections[si] << "] " << kKeys[ki];
            }
        }
        // A second write of the same value changes no byte.
        const std::string written = ReadFile(path);
        settings.WriteText(kSections[si], kKeys[ki], value);
        EXPECT_EQ(ReadFile(path), written) << "round " << round;
    }
}

// A FIFO in the file's place must neither block a read nor be replaced.
TEST(SettingsDamagedFile, FifoInPlaceOfTheFile) {
    TempDir dir;
    const std::string path = SettingsPath(dir.path());
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    SettingsFile settings(path);
    EXPECT_EQ(settings.ReadText("Zor:bl", "reset", "default"), "default");
    EXPECT_EQ(settings.ReadNumber("Zor:bl", "playlists", 7), 7);
    EXPECT_THROW(settings.WriteText("Zor:bl", "reset", "0"), SettingsWriteError);
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
}  // namespace zorbex
