#include "app/help.h"

#include <QFile>
#include <QFileInfo>

#include "app/endpoints.h"

namespace zorbex {

THelp::THelp(const AppContext& context, QWidget* owner) : context_(context), owner_(owner) {}

QString THelp::PathInProgramDir() const {
    return QString::fromStdString(context_.programDir) + QLatin1String(kHelpFileName);
}

bool THelp::DecideAvailable() {
    const QString path = PathInProgramDir();
    helpFile_ = QFileInfo(path).isFile() ? path : QString();
    return !helpFile_.isEmpty();
}

void THelp::OpenHelpTopic(int context) {
    if (!QFileInfo(PathInProgramDir()).isFile()) {
        if (context_.dialogs.Message(QString::fromUtf8(kHelpMissingQuestion), MsgButtons::YesNo) == MsgResult::Yes)
            context_.dialogs.OpenUrl(QString::fromLatin1(kHelpDownloadWeb));
        return;
    }
    // The program has no help file until the next start.
    if (helpFile_.isEmpty()) return;

    // Read afresh each time, as a help engine would; an unreadable file
    // shows an empty book, whose window says the topic is missing.
    QFile file(helpFile_);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.read(kHelpFileLimit);
    if (!window_) window_ = new THelpWindow(owner_);
    window_->ShowTopic(ParseHelpBook(bytes), context);
}

}  // namespace zorbex
