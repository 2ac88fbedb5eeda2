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

QString TFileNameEdit::DialogStart(const QString& fieldText, Mode mode, const std::string& baseFolder) {
    QString text = fieldText;
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2);
    if (baseFolder.empty()) return text;
    // Read as the run reads an output path: absolute from '/', else from the base.
    const QString path = text.startsWith(QLatin1Char('/')) ? text : QString::fromStdString(baseFolder) + text;
    const auto parent = [](const QString& p) {
        QString folder = p;
        while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
        return folder.left(qMax(1, static_cast<int>(folder.lastIndexOf(QLatin1Char('/')))));
    };
    // An empty file field: the base folder itself, with no file to select.
    QString folder = mode == Mode::Folder || text.isEmpty() ? path : parent(path);
    if (QFileInfo(folder).isDir() && (mode == Mode::Folder || !text.isEmpty())) return path;
    while (!QFileInfo(folder).isDir() && folder != QLatin1String("/")) folder = parent(folder);
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

void TFileNameEdit::Browse() {
    const QString start = DialogStart(text(), mode_, baseFolder_);
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
