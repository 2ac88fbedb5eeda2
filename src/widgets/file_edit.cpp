#include "widgets/file_edit.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <QUrl>

namespace zorbex {

namespace {

// The browse button's picture: a small open folder for folders, dots for files.
QIcon BrowseIcon(TFileNameEdit::Mode mode) {
    QPixmap pixmap(12, 10);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    if (mode == TFileNameEdit::Mode::Folder) {
        p.setPen(QColor(96, 80, 0));
        p.setBrush(QColor(240, 208, 96));
        p.drawRect(0, 2, 10, 7);
        p.drawRect(0, 1, 4, 1);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        for (int x : {1, 5, 9}) p.drawRect(x, 7, 2, 2);
    }
    return QIcon(pixmap);
}

}  // namespace

TFileNameEdit::TFileNameEdit(Mode mode, FileDialogOptions options, IDialogs& dialogs, QWidget* parent)
    : QWidget(parent),
      mode_(mode),
      options_(std::move(options)),
      dialogs_(dialogs),
      edit_(new QLineEdit(this)),
      button_(new QToolButton(this)) {
    button_->setIcon(BrowseIcon(mode));
    button_->setFocusPolicy(Qt::NoFocus);
    setFocusProxy(edit_);
    setAcceptDrops(mode == Mode::Folder);
    if (mode == Mode::Folder) edit_->setAcceptDrops(false);
    connect(edit_, &QLineEdit::textChanged, this, &TFileNameEdit::textChanged);
    connect(button_, &QToolButton::clicked, this, &TFileNameEdit::Browse);
    auto* browseKey = new QShortcut(edit_);
    browseKey->setKeys({QKeySequence(Qt::Key_F4), QKeySequence(Qt::ALT | Qt::Key_Down)});
    browseKey->setContext(Qt::WidgetShortcut);
    connect(browseKey, &QShortcut::activated, button_, &QToolButton::click);
}

void TFileNameEdit::resizeEvent(QResizeEvent*) {
    const int buttonWidth = 20;
    edit_->setGeometry(0, 0, width() - buttonWidth, height());
    button_->setGeometry(width() - buttonWidth, 0, buttonWidth, height());
}

QString TFileNameEdit::FieldTextForPick(const QString& path, Mode mode) {
    if (mode != Mode::Folder && path.contains(QLatin1Char(' ')) && !path.startsWith(QLatin1Char('"')))
        return QLatin1Char('"') + path + QLatin1Char('"');
    return path;
}

QString TFileNameEdit::FolderTextForDrop(const QString& localPath) {
    const QFileInfo info(localPath);
    if (info.isDir()) return localPath;
    QString folder = info.absolutePath();
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

void TFileNameEdit::Browse() {
    // The dialog starts where the field points, without the quotes it may carry.
    QString start = text();
    if (start.size() >= 2 && start.startsWith(QLatin1Char('"')) && start.endsWith(QLatin1Char('"')))
        start = start.mid(1, start.size() - 2);
    std::optional<QString> picked;
    switch (mode_) {
        case Mode::Open:
            picked = dialogs_.OpenFile(options_, start);
            break;
        case Mode::Save:
            picked = dialogs_.SaveFile(options_, start);
            break;
        case Mode::Folder:
            picked = dialogs_.PickFolder(options_.title, start);
            break;
    }
    if (picked) setText(FieldTextForPick(*picked, mode_));
}

void TFileNameEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && event->mimeData()->urls().first().isLocalFile()) event->acceptProposedAction();
}

void TFileNameEdit::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    setText(FolderTextForDrop(urls.first().toLocalFile()));
    event->acceptProposedAction();
}

}  // namespace zorbex
