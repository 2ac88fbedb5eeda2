#include "app/help_book.h"

#include <QRegularExpression>

namespace zorbex {

namespace {

const QRegularExpression& HeaderPattern() {
    static const QRegularExpression pattern(QStringLiteral("^@topic[ \\t]+([0-9]{1,9})[ \\t]+(\\S.*)$"));
    return pattern;
}

QStringList SplitLines(const QByteArray& bytes) {
    QByteArray text = bytes.left(kHelpFileLimit);
    if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
    // A NUL ends the text, as in the program's other text files.
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0) text.truncate(nul);
    QString decoded = QString::fromUtf8(text);
    decoded.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    decoded.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return decoded.split(QLatin1Char('\n'));
}

void DropTrailingBlanks(QStringList& lines) {
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) lines.removeLast();
}

// Escapes the text and turns **bold** and [[N|text]] into markup; anything
// that does not close stays as written.
QString InlineHtml(const QString& text) {
    static const QRegularExpression markup(QStringLiteral("\\*\\*(.+?)\\*\\*|\\[\\[([0-9]{1,9})\\|([^\\]]+)\\]\\]"));
    QString html;
    qsizetype at = 0;
    for (auto it = markup.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        html += text.mid(at, m.capturedStart() - at).toHtmlEscaped();
        if (m.capturedLength(1) > 0)
            html += QStringLiteral("<b>") + m.captured(1).toHtmlEscaped() + QStringLiteral("</b>");
        else
            html += QStringLiteral("<a href=\"topic:") + m.captured(2) + QStringLiteral("\">") +
                    m.captured(3).toHtmlEscaped() + QStringLiteral("</a>");
        at = m.capturedEnd();
    }
    return html + text.mid(at).toHtmlEscaped();
}

}  // namespace

HelpBook ParseHelpBook(const QByteArray& bytes) {
    HelpBook book;
    HelpTopic* current = nullptr;
    bool skipping = false;  // the body of a refused header
    const QStringList lines = SplitLines(bytes);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        const int number = static_cast<int>(i + 1);
        if (line.startsWith(QLatin1Char(';'))) continue;
        if (line.startsWith(QLatin1Char('@'))) {
            if (current) DropTrailingBlanks(current->lines);
            current = nullptr;
            skipping = true;
            const QRegularExpressionMatch m = HeaderPattern().match(line);
            if (!m.hasMatch()) {
                book.badLines.push_back(number);
                continue;
            }
            const int context = m.captured(1).toInt();
            if (book.topics.count(context)) {  // the first topic of a number counts
                book.badLines.push_back(number);
                continue;
            }
            current = &book.topics[context];
            current->title = m.captured(2).trimmed();
            skipping = false;
            continue;
        }
        if (current) {
            if (!current->lines.isEmpty() || !line.trimmed().isEmpty()) current->lines.append(line);
        } else if (!skipping && !line.trimmed().isEmpty()) {
            book.badLines.push_back(number);  // text before the first topic
        }
    }
    if (current) DropTrailingBlanks(current->lines);
    return book;
}

QString TopicHtml(const HelpTopic& topic) {
    // pre-wrap keeps the doubled blanks of the captions the help quotes.
    QString html = QStringLiteral("<html><body style=\"white-space: pre-wrap;\"><h2>") + topic.title.toHtmlEscaped() +
                   QStringLiteral("</h2>");
    QString paragraph;
    bool inList = false;
    const auto closeParagraph = [&] {
        if (!paragraph.isEmpty()) html += QStringLiteral("<p>") + InlineHtml(paragraph) + QStringLiteral("</p>");
        paragraph.clear();
    };
    const auto closeList = [&] {
        if (inList) html += QStringLiteral("</ul>");
        inList = false;
    };
    for (const QString& raw : topic.lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) {
            closeParagraph();
            closeList();
        } else if (line.startsWith(QLatin1String("# "))) {
            closeParagraph();
            closeList();
            html += QStringLiteral("<h3>") + InlineHtml(line.mid(2).trimmed()) + QStringLiteral("</h3>");
        } else if (line.startsWith(QLatin1String("- "))) {
            closeParagraph();
            if (!inList) html += QStringLiteral("<ul>");
            inList = true;
            html += QStringLiteral("<li>") + InlineHtml(line.mid(2).trimmed()) + QStringLiteral("</li>");
        } else {
            closeList();
            const QString text = line.startsWith(QLatin1Char('\\')) ? line.mid(1) : line;
            paragraph += paragraph.isEmpty() ? text : QLatin1Char(' ') + text;
        }
    }
    closeParagraph();
    closeList();
    return html + QStringLiteral("</body></html>");
}

int LinkedContext(const QString& href) {
    static const QRegularExpression link(QStringLiteral("^topic:([0-9]{1,9})$"));
    const QRegularExpressionMatch m = link.match(href);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

}  // namespace zorbex
