#include "editors/exclusion_editor.h"

#include <iostream>
#include <optional>

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>

#include "engine/definitions.h"
#include "engine/output_file.h"
#include "engine/playlist_builder.h"
#include "platform/error_text.h"
#include "platform/file_write.h"
#include "settings/exclusion_file.h"
#include "widgets/picture_strips.h"

namespace zorbex {

namespace {

const char* const kListFilter = "Текстовые документы|*.txt|Списки и плейлисты|*.lst;*.pls;*.m3u|Все файлы|*.*";

QString TooLongMessage() {
    return QStringLiteral(
               "Нельзя внести в список исключений пункт длиннее %1 символов:\n"
               "файл настроек не сможет его сохранить.")
        .arg(MaxExclusionEntryChars());
}

QString TooLongImportMessage(int line) {
    return QStringLiteral(
               "Строка %1 файла длиннее %2 символов:\n"
               "файл настроек не сможет её сохранить. Список не импортирован.")
        .arg(line)
        .arg(MaxExclusionEntryChars());
}

QString TooManyImportMessage() {
    return QStringLiteral(
               "Файл содержит больше %1 строк: столько пунктов список исключений не вмещает.\n"
               "Список не импортирован.")
        .arg(kMaxListRows);
}

}  // namespace

const QString TExclusionEditor::kTooShortMessage =
    QStringLiteral("Нельзя добавить в список исключений пункт, состоящий менее, чем из трёх символов.");

TExclusionEditor::TExclusionEditor(const AppContext& context, QGroupBox* frame, std::function<void()> markChanged)
    : QObject(frame), context_(context), markChanged_(std::move(markChanged)) {
    BuildControls(frame);
    BuildMenu(frame->parentWidget());
    ConnectHandlers();
}

void TExclusionEditor::BuildControls(QGroupBox* frame) {
    const int w = frame->width();
    box_ignore_ = Named(new QCheckBox(QStringLiteral(" "), frame), "box_ignore");
    box_ignore_->setGeometry(8, 20, 18, 16);
    txt_ignore_ =
        Named(new TClickLabel(QStringLiteral("ИСКЛЮЧИТЬ  ИЗ  ПЛЕЙЛИСТА\nСЛЕДУЮЩИЕ  ФАЙЛЬI:"), frame), "txt_ignore");
    txt_ignore_->setGeometry(30, 15, w - 36, 26);
    txt_ignore_->setCursor(Qt::PointingHandCursor);

    lst_ignore_ = Named(new QListWidget(frame), "lst_ignore");
    lst_ignore_->setGeometry(6, 44, w - 12, 120);
    lst_ignore_->setItemDelegate(new TRowHeightDelegate(kRowHeight, lst_ignore_));
    lst_ignore_->setUniformItemSizes(true);
    lst_ignore_->setSelectionMode(QAbstractItemView::SingleSelection);
    lst_ignore_->setContextMenuPolicy(Qt::CustomContextMenu);
    lst_ignore_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    lst_ignore_->setEnabled(false);

    FileDialogOptions mediaDialog;
    mediaDialog.title = QStringLiteral("Укажите файл для внесения в список исключений...");
    mediaDialog.filter = QStringLiteral("Музыка|*.mp?;*.mid;*.wav;*.mod|Видео|*.avi;*.mp*g;|Все файлы|*.*");
    mediaDialog.fileMustExist = true;
    mediaDialog.pathMustExist = true;
    edt_ignore_ =
        Named(new TFileNameEdit(TFileNameEdit::Mode::Open, mediaDialog, context_.dialogs, frame), "edt_ignore");
    edt_ignore_->setGeometry(6, 170, w - 12, 21);
    edt_ignore_->SetBaseFolder(context_.baseDir);
    edt_ignore_->setEnabled(false);

    btn_add_ = Named(new QPushButton(QStringLiteral("ДОБАВИТЬ"), frame), "btn_add");
    btn_add_->setGeometry(6, 196, 90, 23);
    btn_add_->setEnabled(false);
    btn_edit_ = Named(new QPushButton(QStringLiteral("ИЗМЕНИТЬ"), frame), "btn_edit");
    btn_edit_->setGeometry(104, 196, 90, 23);
    btn_edit_->setEnabled(false);

    dlg_open_.title = QStringLiteral("Загрузка списка исключений...");
    dlg_open_.filter = QString::fromUtf8(kListFilter);
    dlg_open_.defaultExt = QStringLiteral("txt");
    dlg_open_.fileMustExist = true;
    dlg_open_.pathMustExist = true;
    dlg_save_ = {.title = QStringLiteral("Сохранение списка исключений..."),
                 .filter = QString::fromUtf8(kListFilter),
                 .defaultExt = QStringLiteral("txt"),
                 .overwritePrompt = true,
                 .pathMustExist = true,
                 .hideReadOnly = true};
}

void TExclusionEditor::BuildMenu(QWidget* page) {
    mnu_ignore_ = Named(new QMenu(page), "mnu_ignore");
    auto item = [this](const char* name, const QString& caption, int tag) {
        QAction* action = Named(mnu_ignore_->addAction(caption), name);
        action->setData(tag);
        return action;
    };
    auto separator = [this](const char* name) { return Named(mnu_ignore_->addSeparator(), name); };
    sub_item_ = item("sub_item", QStringLiteral("{item}"), 0);
    sub_item_->setEnabled(false);
    sub_separator_1_ = separator("sub_separator_1");
    sub_delete_ = item("sub_delete", QStringLiteral("удалить пункт"), 1);
    sub_change_ = item("sub_change", QStringLiteral("изменить пункт"), 2);
    sub_separator_2_ = separator("sub_separator_2");
    sub_import_ = item("sub_import", QStringLiteral("импортировать список"), 3);
    sub_export_ = item("sub_export", QStringLiteral("экспортировать список"), 4);
    sub_separator_3_ = separator("sub_separator_3");
    sub_simplify_ = item("sub_simplify", QStringLiteral("упростить список"), 5);
    ApplyStripPictures(mnu_ignore_, PicIgnoreStrip());
}

void TExclusionEditor::ConnectHandlers() {
    connect(box_ignore_, &QCheckBox::toggled, this, &TExclusionEditor::box_ignoreClick);
    connect(txt_ignore_, &TClickLabel::clicked, this, &TExclusionEditor::txt_ignoreClick);
    // A click on a row, even the selected one, and a selection moved by keyboard.
    connect(lst_ignore_, &QListWidget::itemClicked, this, &TExclusionEditor::lst_ignoreClick);
    connect(lst_ignore_, &QListWidget::currentRowChanged, this, &TExclusionEditor::lst_ignoreClick);
    // The menu opens after the list has seen the mouse press, so that the row
    // under the pointer can be selected first.
    connect(lst_ignore_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { mnu_ignore_->popup(lst_ignore_->viewport()->mapToGlobal(pos)); });
    connect(btn_add_, &QPushButton::clicked, this, &TExclusionEditor::btn_addClick);
    connect(btn_edit_, &QPushButton::clicked, this, &TExclusionEditor::btn_editClick);
    connect(sub_delete_, &QAction::triggered, this, &TExclusionEditor::sub_deleteClick);
    connect(sub_change_, &QAction::triggered, this, &TExclusionEditor::sub_changeClick);
    connect(sub_import_, &QAction::triggered, this, &TExclusionEditor::sub_importClick);
    connect(sub_export_, &QAction::triggered, this, &TExclusionEditor::sub_exportClick);
    connect(sub_simplify_, &QAction::triggered, this, &TExclusionEditor::sub_simplifyClick);
    lst_ignore_->viewport()->installEventFilter(this);
    lst_ignore_->installEventFilter(this);
    edt_ignore_->lineEdit()->installEventFilter(this);
}

bool TExclusionEditor::eventFilter(QObject* watched, QEvent* event) {
    // The greyed list and field take nothing: a right click there must not
    // select a row or put it into the field.
    if (!AcceptsInput(watched)) return QObject::eventFilter(watched, event);
    if (watched == lst_ignore_->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        lst_ignoreMouseDown(mouse->button(), mouse->position().toPoint());
        // The list's own handling of a right press would clear the selection
        // below the last row; the context menu event still follows.
        return mouse->button() == Qt::RightButton;
    }
    // The Menu key opens the popup for the selected row, arranged as a right
    // click on that row arranges it.
    if (watched == lst_ignore_ && event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        const int row = SelectedRow();
        ArrangeMenu(row >= 0 ? lst_ignore_->item(row) : nullptr);
        const QRect at = row >= 0 ? lst_ignore_->visualItemRect(lst_ignore_->item(row)) : QRect();
        mnu_ignore_->popup(lst_ignore_->viewport()->mapToGlobal(at.isValid() ? at.bottomLeft() : QPoint()));
        return true;
    }
    if (watched == edt_ignore_->lineEdit() && event->type() == QEvent::KeyPress)
        return edt_ignoreKeyPress(static_cast<QKeyEvent*>(event)->key());
    return QObject::eventFilter(watched, event);
}

bool TExclusionEditor::InUse() const { return box_ignore_->isChecked(); }

void TExclusionEditor::SetInUse(bool on) { box_ignore_->setChecked(on); }

std::vector<std::string> TExclusionEditor::Rows() const {
    std::vector<std::string> rows;
    rows.reserve(lst_ignore_->count());
    for (int i = 0; i < lst_ignore_->count(); ++i) rows.push_back(lst_ignore_->item(i)->text().toStdString());
    return rows;
}

void TExclusionEditor::SetRows(const std::vector<std::string>& rows) {
    const QSignalBlocker block(lst_ignore_);
    lst_ignore_->clear();
    for (const std::string& row : rows) lst_ignore_->addItem(QString::fromStdString(row));
    Select(-1);
}

int TExclusionEditor::SelectedRow() const {
    const QList<QListWidgetItem*> selected = lst_ignore_->selectedItems();
    return selected.isEmpty() ? -1 : lst_ignore_->row(selected.first());
}

void TExclusionEditor::Select(int row) {
    const QSignalBlocker block(lst_ignore_);
    if (row < 0) {
        lst_ignore_->setCurrentRow(-1);
        lst_ignore_->clearSelection();
    } else {
        lst_ignore_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    }
}

bool TExclusionEditor::RefuseTooLong(const QString& text) {
    if (ExclusionEntryFitsStore(text.toStdString())) return false;
    context_.dialogs.Message(TooLongMessage(), MsgButtons::Ok);
    return true;
}

void TExclusionEditor::box_ignoreClick() {
    markChanged_();
    const bool on = box_ignore_->isChecked();
    lst_ignore_->setEnabled(on);
    edt_ignore_->setEnabled(on);
    btn_add_->setEnabled(on);
    if (!on) btn_edit_->setEnabled(false);
}

void TExclusionEditor::txt_ignoreClick() { box_ignore_->setChecked(!box_ignore_->isChecked()); }

void TExclusionEditor::lst_ignoreClick() {
    const int row = SelectedRow();
    if (row < 0) return;
    btn_edit_->setEnabled(true);
    edt_ignore_->setText(lst_ignore_->item(row)->text());
}

void TExclusionEditor::lst_ignoreMouseDown(Qt::MouseButton button, QPoint at) {
    if (button == Qt::RightButton) ArrangeMenu(lst_ignore_->itemAt(at));
}

void TExclusionEditor::ArrangeMenu(QListWidgetItem* item) {
    QAction* const rowItems[] = {sub_item_, sub_delete_, sub_change_, sub_separator_1_, sub_separator_2_};
    const bool any = lst_ignore_->count() > 0;
    for (QAction* a : rowItems) a->setVisible(any);
    for (QAction* a : {sub_export_, sub_separator_3_, sub_simplify_}) a->setVisible(any);
    if (!any) return;
    if (item) {
        sub_item_->setText(item->text());
        Select(lst_ignore_->row(item));
        lst_ignoreClick();
    } else {
        sub_item_->setText(QString());
        for (QAction* a : rowItems) a->setVisible(false);
    }
}

bool TExclusionEditor::edt_ignoreKeyPress(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    if (btn_add_->isEnabled())
        btn_addClick();
    else
        btn_editClick();
    return true;
}

void TExclusionEditor::btn_addClick() {
    QString text = edt_ignore_->text();
    if (text.size() < 3) {
        context_.dialogs.Message(kTooShortMessage, MsgButtons::Ok);
        return;
    }
    if (text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'))) text = text.mid(1, text.size() - 2);
    if (RefuseTooLong(text)) return;
    {
        const QSignalBlocker block(lst_ignore_);
        lst_ignore_->addItem(text);
    }
    Select(lst_ignore_->count() - 1);
    markChanged_();
}

void TExclusionEditor::btn_editClick() {
    const QString text = edt_ignore_->text();
    if (RefuseTooLong(text)) return;
    const int row = SelectedRow();
    {
        const QSignalBlocker block(lst_ignore_);
        if (row >= 0) {
            delete lst_ignore_->takeItem(row);
            lst_ignore_->insertItem(row, text);
        } else {
            lst_ignore_->addItem(text);
        }
    }
    Select(row);
    btn_edit_->setEnabled(false);
    btn_add_->setEnabled(true);
    markChanged_();
}

void TExclusionEditor::sub_changeClick() {
    btn_add_->setEnabled(false);
    edt_ignore_->lineEdit()->setFocus();
}

void TExclusionEditor::sub_deleteClick() {
    const int row = SelectedRow();
    if (row < 0) return;  // nothing deleted, nothing changed
    {
        const QSignalBlocker block(lst_ignore_);
        delete lst_ignore_->takeItem(row);
    }
    Select(-1);
    markChanged_();
}

void TExclusionEditor::sub_importClick() {
    const std::optional<QString> picked = context_.dialogs.OpenFile(dlg_open_, QString());
    if (!picked) return;
    const QString path = QFileInfo(*picked).absoluteFilePath();
    const ExclusionImport file = ImportExclusionFile(path.toStdString(), kMaxListRows);
    if (file.status == ExclusionImport::Status::kCannotOpen) {
        std::cerr << "zorbex: файл «" << path.toStdString()
                  << "» не прочитан: " << SystemErrorText(file.error, ErrorUse::kOpen) << '.' << std::endl;
        context_.dialogs.ShowError(QStringLiteral("Cannot open file ") + path);
        return;
    }
    const std::vector<std::string>& lines = file.lines;
    // What the settings file cannot keep (a longer line, more rows than a
    // definition loads) would be lost at the next save without a word;
    // better to take nothing and say why. A file too large to hold them is
    // refused unread.
    if (file.status == ExclusionImport::Status::kTooLarge || lines.size() > static_cast<size_t>(kMaxListRows)) {
        context_.dialogs.Message(TooManyImportMessage(), MsgButtons::Ok);
        return;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!ExclusionEntryFitsStore(lines[i])) {
            context_.dialogs.Message(TooLongImportMessage(static_cast<int>(i) + 1), MsgButtons::Ok);
            return;
        }
    }
    SetRows(lines);
    markChanged_();
}

void TExclusionEditor::sub_exportClick() {
    const std::optional<QString> picked = context_.dialogs.SaveFile(dlg_save_, QString());
    if (!picked) return;
    const QString path = QFileInfo(*picked).absoluteFilePath();
    const ProgramFiles own = ProgramFilesOf(ProgramPlaces(context_.programDir, context_.settingsDir));
    const WriteResult written = WriteOutputBytes(path.toStdString(), WriteExclusionFile(Rows()), own);
    if (written.failure == WriteFailure::kRefused) {
        context_.dialogs.ShowError(QStringLiteral("Cannot create file ") + path + QStringLiteral(": ") +
                                   QString::fromStdString(written.error));
    } else if (!written) {
        // The box keeps its fixed text; the system's reason goes to standard error.
        std::cerr << "zorbex: файл «" << path.toStdString() << "» не создан: " << WriteFailureReason(written) << '.'
                  << std::endl;
        context_.dialogs.ShowError(QStringLiteral("Cannot create file ") + path);
    }
}

void TExclusionEditor::sub_simplifyClick() {
    {
        const QSignalBlocker block(lst_ignore_);
        for (int i = 0; i < lst_ignore_->count(); ++i) {
            QListWidgetItem* item = lst_ignore_->item(i);
            const std::string text = item->text().toStdString();
            item->setText(QString::fromUtf8(FileNamePart(text)));
        }
    }
    Select(-1);
    markChanged_();
}

}  // namespace zorbex
