#pragma once
// The help file "zorbhelp.hlp": topics keyed by context number, in the text
// format described in resources/zorbhelp.format.md. Reading never fails:
// what cannot be understood is skipped and counted.
#include <map>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "platform/program_dir.h"

namespace zorbex {

inline constexpr int kHelpContents = 9999;

struct HelpTopic {
    QString title;
    QStringList lines;  // the body as written, comments left out
};

struct HelpBook {
    std::map<int, HelpTopic> topics;
    std::vector<int> badLines;  // 1-based numbers of lines that were skipped
};

// Larger files are read up to this many bytes.
inline constexpr qsizetype kHelpFileLimit = 4 * 1024 * 1024;

HelpBook ParseHelpBook(const QByteArray& bytes);

// The topic as rich text for the help window; [[N|text]] becomes a link
// "topic:N".
QString TopicHtml(const HelpTopic& topic);

// The context number of a link made by TopicHtml, or -1.
int LinkedContext(const QString& href);

}  // namespace zorbex
