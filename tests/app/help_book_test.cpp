// The help file: topics by context number, what is skipped, the rich text of
// a topic, and the file the build puts beside the program.
#include <random>

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "app/help_book.h"

namespace {

using zorbex::HelpBook;
using zorbex::ParseHelpBook;
using zorbex::TopicHtml;

QByteArray Utf8(const char* text) { return QByteArray(text); }

TEST(HelpBook, TopicsByNumberWithTitlesAndBodies) {
    const HelpBook book = ParseHelpBook(Utf8("\xEF\xBB\xBF; comment before the topics\r\n"
                                             "\r\n"
                                             "@topic 3 Вкладка «ПРОГРАММА»\r\n"
                                             "\r\n"
                                             "Первая строка.\r\n"
                                             "; a comment inside a body\r\n"
                                             "\\@ не заголовок\r\n"
                                             "\r\n"
                                             "@topic\t9999   Содержание  \r"
                                             "Строка после CR.\r\r"));
    EXPECT_TRUE(book.badLines.empty());
    ASSERT_EQ(book.topics.size(), 2u);
    EXPECT_EQ(book.topics.at(3).title, "Вкладка «ПРОГРАММА»");
    // Blank lines around a body are dropped, comments left out, the escape kept for the renderer.
    EXPECT_EQ(book.topics.at(3).lines, (QStringList{"Первая строка.", "\\@ не заголовок"}));
    EXPECT_EQ(book.topics.at(9999).title, "Содержание");
    EXPECT_EQ(book.topics.at(9999).lines, QStringList{"Строка после CR."});
}

TEST(HelpBook, MalformedLinesAreSkippedWithTheirBodiesAndCounted) {
    const HelpBook book = ParseHelpBook(Utf8("stray text\n"            // 1: before any topic
                                             "@topic 4 Плейлисты\n"    // 2
                                             "тело 4\n"                // 3
                                             "@topic x Буквы\n"        // 4: no number
                                             "тело x\n"                // 5
                                             "@topic 5\n"              // 6: no title
                                             "тело 5\n"                // 7
                                             "@topic 4 Второй раз\n"   // 8: number used
                                             "тело 4b\n"               // 9
                                             "@topic 1234567890 Big\n" // 10: too many digits
                                             "@topik 6 Опечатка\n"     // 11
                                             "@topic -7 Минус\n"       // 12
                                             "@topic 7 Инфо\n"         // 13
                                             "тело 7\n"));
    EXPECT_EQ(book.badLines, (std::vector<int>{1, 4, 6, 8, 10, 11, 12}));
    ASSERT_EQ(book.topics.size(), 2u);
    EXPECT_EQ(book.topics.at(4).title, "Плейлисты");
    EXPECT_EQ(book.topics.at(4).lines, QStringList{"тело 4"});
    EXPECT_EQ(book.topics.at(7).lines, QStringList{"тело 7"});
}

TEST(HelpBook, DamagedBytesGiveWhatCanBeReadAndNeverCrash) {
    EXPECT_TRUE(ParseHelpBook(QByteArray()).topics.empty());
    // A NUL ends the text.
    const HelpBook cut = ParseHelpBook(QByteArray("@topic 3 A\nvisible\n\0@topic 4 B\nhidden\n", 36));
    ASSERT_EQ(cut.topics.size(), 1u);
    EXPECT_EQ(cut.topics.at(3).lines, QStringList{"visible"});
    // Bytes that are not UTF-8 come out as replacement characters.
    const HelpBook latin = ParseHelpBook(QByteArray("@topic 3 \xE9t\xE9\n\xFF\xFE text\n"));
    ASSERT_EQ(latin.topics.size(), 1u);
    EXPECT_TRUE(latin.topics.at(3).title.contains(QChar::ReplacementCharacter));

    // Random bytes with the format's marks sprinkled in: parsing and drawing every topic end.
    std::mt19937 random(20261207);
    const char marks[] = {'@', '\n', '\r', ';', '#', '-', '[', ']', '|', '*', '\\', '0', '9', ' '};
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes("@topic 3 T\n");
        const int length = static_cast<int>(random() % 2000);
        for (int i = 0; i < length; ++i)
            bytes += random() % 3 ? marks[random() % sizeof(marks)] : static_cast<char>(random() % 256);
        for (const auto& [context, topic] : ParseHelpBook(bytes).topics)
            EXPECT_FALSE(TopicHtml(topic).isEmpty()) << round << " " << context;
    }
}

TEST(HelpBook, FileLargerThanTheLimitIsReadUpToIt) {
    QByteArray bytes("@topic 3 Big\n");
    bytes += QByteArray(zorbex::kHelpFileLimit, 'a');
    bytes += "\n@topic 4 Beyond\n";
    const HelpBook book = ParseHelpBook(bytes);
    EXPECT_EQ(book.topics.count(3), 1u);
    EXPECT_EQ(book.topics.count(4), 0u);
}

TEST(HelpBook, TopicHtmlMarksUpHeadingsListsBoldAndLinksAndEscapesTheRest) {
    const zorbex::HelpTopic topic{"<Заголовок>",
                                  {"Абзац из", "двух строк & <b>не тег</b>.", "", "# Подраздел", "- **ВЬIХОД** — выход",
                                   "- пункт [[4|плейлисты]]", "\\- не пункт", "**незакрыто и [[x|не ссылка]]"}};
    const QString html = TopicHtml(topic);
    EXPECT_TRUE(html.contains("<h2>&lt;Заголовок&gt;</h2>"));
    EXPECT_TRUE(html.contains("<p>Абзац из двух строк &amp; &lt;b&gt;не тег&lt;/b&gt;.</p>"));
    EXPECT_TRUE(html.contains("<h3>Подраздел</h3>"));
    EXPECT_TRUE(html.contains("<ul><li><b>ВЬIХОД</b> — выход</li><li>пункт <a href=\"topic:4\">плейлисты</a></li></ul>"));
    EXPECT_TRUE(html.contains("<p>- не пункт **незакрыто и [[x|не ссылка]]</p>"));
    // Doubled blanks of quoted captions stay.
    EXPECT_TRUE(html.contains("white-space: pre-wrap"));

    EXPECT_EQ(zorbex::LinkedContext("topic:4"), 4);
    EXPECT_EQ(zorbex::LinkedContext("topic:9999"), 9999);
    EXPECT_EQ(zorbex::LinkedContext("https://zorbex.example.org/"), -1);
    EXPECT_EQ(zorbex::LinkedContext("topic:"), -1);
}

// The build copies the help file beside the programs, this test's included.
TEST(HelpBook, ShippedFileHasEveryTopicTheProgramAsksForAndNothingSkipped) {
    QFile file(QCoreApplication::applicationDirPath() + "/" + zorbex::kHelpFileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const HelpBook book = ParseHelpBook(file.readAll());
    EXPECT_TRUE(book.badLines.empty()) << book.badLines.front();
    for (int context : {3, 4, 5, 6, 7, 9999}) {
        ASSERT_EQ(book.topics.count(context), 1u) << context;
        EXPECT_FALSE(book.topics.at(context).title.isEmpty()) << context;
        EXPECT_GT(book.topics.at(context).lines.size(), 5) << context;
    }
    // Every link leads to a topic of the file.
    const QRegularExpression link("\\[\\[([0-9]+)\\|");
    for (const auto& [context, topic] : book.topics)
        for (const QString& line : topic.lines)
            for (auto it = link.globalMatch(line); it.hasNext();)
                EXPECT_EQ(book.topics.count(it.next().captured(1).toInt()), 1u) << context;
}

}  // namespace
