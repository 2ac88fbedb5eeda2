// Exclusion list files: line breaks of every kind on reading, CR LF after
// every line on writing, one code page decision per line.
#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

#include "platform/codepage.h"
#include "settings/exclusion_file.h"
#include "support/temp_dir.h"

namespace {

using zorbex::ReadExclusionFile;
using zorbex::WriteExclusionFile;
using Lines = std::vector<std::string>;

TEST(ExclusionFile, ReadSplitsAtEveryKindOfBreak) {
    const struct {
        std::string bytes;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a\nb", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},    // lone CR, then CR LF
        {"a\n\rb", {"a", "", "b"}},      // LF then CR: two breaks
        {"\r\n", {""}},
        {"\n\n", {"", ""}},
        {"  a b  \r\n\"q\"", {"  a b  ", "\"q\""}},  // blanks and quotes stay
        {std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},  // NUL ends the text
        {std::string("\0a", 2), {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadExclusionFile(c.bytes), c.lines) << testing::PrintToString(c.bytes);
}

TEST(ExclusionFile, WriteEndsEveryLineWithCrLf) {
    EXPECT_EQ(WriteExclusionFile({}), "");
    EXPECT_EQ(WriteExclusionFile({"a", "b"}), "a\r\nb\r\n");
    EXPECT_EQ(WriteExclusionFile({""}), "\r\n");
}

TEST(ExclusionFile, EachLineChoosesItsOwnEncoding) {
    // Cyrillic goes out as windows-1251, a line that code page cannot hold as UTF-8.
    const std::string bytes = WriteExclusionFile({"Музыка.mp3", "café.mp3"});
    EXPECT_EQ(bytes, "\xCC\xF3\xE7\xFB\xEA\xE0.mp3\r\ncaf\xC3\xA9.mp3\r\n");
    EXPECT_EQ(ReadExclusionFile(bytes), (Lines{"Музыка.mp3", "café.mp3"}));
    // A file written elsewhere may mix them too.
    EXPECT_EQ(ReadExclusionFile("\xEF\xE5\xF1\xED\xFF\n\xD0\xBF\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F"),
              (Lines{"песня", "песня"}));
}

TEST(ExclusionFile, RoundTripsWhatItWrites) {
    const Lines lists[] = {{}, {""}, {"", ""}, {"a", "", " b ", "\"c\""}, {"/music/Ш.mp3", "РЁ", "€ №"}};
    for (const Lines& lines : lists) EXPECT_EQ(ReadExclusionFile(WriteExclusionFile(lines)), lines);
}

TEST(ExclusionFile, EntryLengthIsCountedInCharacters) {
    const size_t max = zorbex::MaxExclusionEntryChars();
    EXPECT_EQ(max, 1023u);
    EXPECT_TRUE(zorbex::ExclusionEntryFitsStore(std::string(max, 'a')));
    EXPECT_FALSE(zorbex::ExclusionEntryFitsStore(std::string(max + 1, 'a')));
    std::string cyrillic;
    for (size_t i = 0; i < max; ++i) cyrillic += "ж";  // two bytes each, one character
    EXPECT_TRUE(zorbex::ExclusionEntryFitsStore(cyrillic));
    EXPECT_FALSE(zorbex::ExclusionEntryFitsStore(cyrillic + "ж"));
}

}  // namespace

TEST(ExclusionFile, ByteOrderMarkInFrontIsSkippedAndAnEntryStartingWithOneSurvives) {
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(ReadExclusionFile(bom + "a.mp3\r\n\xCF\xE5.mp3\r\n"), (Lines{"a.mp3", "Пе.mp3"}));
    EXPECT_EQ(ReadExclusionFile(bom), Lines{});
    EXPECT_EQ(ReadExclusionFile("a\r\n" + bom + "b"), (Lines{"a", bom + "b"}));
    // U+FEFF at the start of the first entry is the entry's own.
    for (const Lines& lines : {Lines{bom + "x"}, Lines{bom}, Lines{bom, "y"}}) {
        EXPECT_EQ(ReadExclusionFile(WriteExclusionFile(lines)), lines) << lines.size();
    }
    EXPECT_EQ(WriteExclusionFile({"x"}), "x\r\n");
}

// The size limit of an import is the largest file the rows can come from:
// such a file is taken, one byte more is refused unread.
TEST(ExclusionFile, ImportTakesTheLargestFileThatFitsAndRefusesALargerOne) {
    zx_test::TempDir dir;
    const std::string path = dir / "list.txt";
    std::string line;
    for (size_t i = 0; i < zorbex::MaxExclusionEntryChars(); ++i) line += "\xF0\x9F\x8E\xB5";  // four bytes each
    const std::string largest = "\xEF\xBB\xBF" + line + "\r\n";
    ASSERT_EQ(largest.size(), zorbex::MaxExclusionFileBytes(1));
    using Status = zorbex::ExclusionImport::Status;
    zx_test::WriteFile(path, largest);
    zorbex::ExclusionImport read = zorbex::ImportExclusionFile(path, 1);
    EXPECT_EQ(read.status, Status::kRead);
    EXPECT_EQ(read.lines, Lines{line});
    zx_test::WriteFile(path, largest + "x");
    read = zorbex::ImportExclusionFile(path, 1);
    EXPECT_EQ(read.status, Status::kTooLarge);
    EXPECT_TRUE(read.lines.empty());
    // Nothing to wait on and nothing to read in a FIFO or a folder.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(zorbex::ImportExclusionFile(dir / "fifo", 1).status, Status::kCannotOpen);
    EXPECT_EQ(zorbex::ImportExclusionFile(dir.path(), 1).status, Status::kCannotOpen);
    // Why, kept for the message.
    EXPECT_EQ(zorbex::ImportExclusionFile(dir / "fifo", 1).error, EINVAL);
    EXPECT_EQ(zorbex::ImportExclusionFile(dir / "gone", 1).error, ENOENT);
}
