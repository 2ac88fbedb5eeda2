#include "editors/exclusion_editor.h"

#include <optional>

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>

#include "build/definitions.h"
#include "build/playlist_builder.h"
#include "editors/playlist_page.h"
#include "platform/file_write.h"
#include "settings/exclusion_file.h"

namespace zorbex {

const QString TExclusionEditor::kTooShortMessage = QStringLiteral(
    "Нельзя добавить в список исключений пункт, состоящий менее, чем из трёх символов.");

QString TExclusionEditor::TooLongMessage() {
    return QStringLiteral("Нельзя внести в список исключений пункт длиннее %1 символов:\n"
                          "файл настроек не сможет его сохранить.")
        .arg(MaxExclusionEntryChars());
}

QString TExclusionEditor::TooLongImportMessage(int line) {
    return QStringLiteral("Строка %1 файла длиннее %2 символов:\n"
                          "файл настроек не сможет её сохранить. Список не импортирован.")
        .arg(line)
        .arg(MaxExclusionEntryChars());
}

QString TExclusionEditor::TooManyImportMessage() {
    return QStringLiteral("Файл содержит больше %1 строк: столько пунктов список исключений не вмещает.\n"
                          "Список не импортирован.")
        .arg(kMaxListRows);
}

TExclusionEditor::TExclusionEditor(const AppContext& context, TPlaylistPage& page, std::function<void()> markChanged)
    : QObject(&page), context_(context), page_(page), markChanged_(std::move(markChanged)) {
    connect(page_.box_ignore, &QCheckBox::toggled, this, &TExclusionEditor::box_ignoreClick);
    connect(page_.txt_ignore, &TClickLabel::clicked, this, &TExclusionEditor::txt_ignoreClick);
    // A click on a row, even the selected one, and a selection moved by keyboard.
    connect(page_.lst_ignore, &QListWidget::itemClicked, this, &TExclusionEditor::lst_ignoreClick);
    connect(page_.lst_ignore, &QListWidget::currentRowChanged, this, &TExclusionEditor::lst_ignoreClick);
    connect(page_.btn_add, &QPushButton::clicked, this, &TExclusionEditor::btn_addClick);
    connect(page_.btn_edit, &QPushButton::clicked, this, &TExclusionEditor::btn_editClick);
    connect(page_.sub_delete, &QAction::triggered, this, &TExclusionEditor::sub_deleteClick);
    connect(page_.sub_change, &QAction::triggered, this, &TExclusionEditor::sub_changeClick);
    connect(page_.sub_import, &QAction::triggered, this, &TExclusionEditor::sub_importClick);
    connect(page_.sub_export, &QAction::triggered, this, &TExclusionEditor::sub_exportClick);
    connect(page_.sub_simplify, &QAction::triggered, this, &TExclusionEditor::sub_simplifyClick);
    page_.lst_ignore->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    page_.lst_ignore->viewport()->installEventFilter(this);
    page_.edt_ignore->lineEdit()->installEventFilter(this);
}

bool TExclusionEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == page_.lst_ignore->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        lst_ignoreMouseDown(mouse->button(), qRound(mouse->position().y()));
        // The list's own handling of a right press would clear the selection
        // below the last row; the context menu event still follows.
        return mouse->button() == Qt::RightButton;
    }
    if (watched == page_.edt_ignore->lineEdit() && event->type() == QEvent::KeyPress)
        return edt_ignoreKeyPress(static_cast<QKeyEvent*>(event)->key());
    return QObject::eventFilter(watched, event);
}

std::vector<std::string> TExclusionEditor::Rows() const {
    std::vector<std::string> rows;
    rows.reserve(page_.lst_ignore->count());
    for (int i = 0; i < page_.lst_ignore->count(); ++i) rows.push_back(page_.lst_ignore->item(i)->text().toStdString());
    return rows;
}

void TExclusionEditor::SetRows(const std::vector<std::string>& rows) {
    const QSignalBlocker block(page_.lst_ignore);
    page_.lst_ignore->clear();
    for (const std::string& row : rows) page_.lst_ignore->addItem(QString::fromStdString(row));
    Select(-1);
}

int TExclusionEditor::SelectedRow() const {
    const QList<QListWidgetItem*> selected = page_.lst_ignore->selectedItems();
    return selected.isEmpty() ? -1 : page_.lst_ignore->row(selected.first());
}

void TExclusionEditor::Select(int row) {
    const QSignalBlocker block(page_.lst_ignore);
    if (row < 0) {
        page_.lst_ignore->setCurrentRow(-1);
        page_.lst_ignore->clearSelection();
    } else {
        page_.lst_ignore->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    }
}

bool TExclusionEditor::RefuseTooLong(const QString& text) {
    if (ExclusionEntryFitsStore(text.toStdString())) return false;
    context_.dialogs.Message(TooLongMessage(), MsgButtons::Ok);
    return true;
}

void TExclusionEditor::box_ignoreClick() {
    markChanged_();
    const bool on = page_.box_ignore->isChecked();
    page_.lst_ignore->setEnabled(on);
    page_.edt_ignore->setEnabled(on);
    page_.btn_add->setEnabled(on);
    if (!on) page_.btn_edit->setEnabled(false);
}

void TExclusionEditor::txt_ignoreClick() { page_.box_ignore->setChecked(!page_.box_ignore->isChecked()); }

void TExclusionEditor::lst_ignoreClick() {
    const int row = SelectedRow();
    if (row < 0) return;
    page_.btn_edit->setEnabled(true);
    page_.edt_ignore->setText(page_.lst_ignore->item(row)->text());
}

void TExclusionEditor::lst_ignoreMouseDown(Qt::MouseButton button, int y) {
    if (button != Qt::RightButton) return;
    QAction* const rowItems[] = {page_.sub_item, page_.sub_delete, page_.sub_change, page_.sub_separator_1, page_.sub_separator_2};
    QListWidget* list = page_.lst_ignore;
    if (list->count() == 0) {
        for (QAction* a : rowItems) a->setVisible(false);
        for (QAction* a : {page_.sub_export, page_.sub_separator_3, page_.sub_simplify}) a->setVisible(false);
        return;
    }
    for (QAction* a : rowItems) a->setVisible(true);
    for (QAction* a : {page_.sub_export, page_.sub_separator_3, page_.sub_simplify}) a->setVisible(true);
    // Scrolling goes by whole rows, so the scroll bar's value is the first row shown.
    const int row = y / kRowHeight + list->verticalScrollBar()->value();
    if (y >= 0 && row < list->count()) {
        page_.sub_item->setText(list->item(row)->text());
        Select(row);
        lst_ignoreClick();
    } else {
        page_.sub_item->setText(QString());
        for (QAction* a : rowItems) a->setVisible(false);
    }
}

bool TExclusionEditor::edt_ignoreKeyPress(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    if (page_.btn_add->isEnabled())
        btn_addClick();
    else
        btn_editClick();
    return true;
}

void TExclusionEditor::btn_addClick() {
    QString text = page_.edt_ignore->text();
    if (text.size() < 3) {
        context_.dialogs.Message(kTooShortMessage, MsgButtons::Ok);
        return;
    }
    if (text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'))) text = text.mid(1, text.size() - 2);
    if (RefuseTooLong(text)) return;
    {
        const QSignalBlocker block(page_.lst_ignore);
        page_.lst_ignore->addItem(text);
    }
    Select(page_.lst_ignore->count() - 1);
    markChanged_();
}

void TExclusionEditor::btn_editClick() {
    const QString text = page_.edt_ignore->text();
    if (RefuseTooLong(text)) return;
    const int row = SelectedRow();
    {
        const QSignalBlocker block(page_.lst_ignore);
        if (row >= 0) {
            delete page_.lst_ignore->takeItem(row);
            page_.lst_ignore->insertItem(row, text);
        } else {
            page_.lst_ignore->addItem(text);
        }
    }
    Select(row);
    page_.btn_edit->setEnabled(false);
    page_.btn_add->setEnabled(true);
    markChanged_();
}

void TExclusionEditor::sub_changeClick() {
    page_.btn_add->setEnabled(false);
    page_.edt_ignore->lineEdit()->setFocus();
}

void TExclusionEditor::sub_deleteClick() {
    const int row = SelectedRow();
    if (row >= 0) {
        const QSignalBlocker block(page_.lst_ignore);
        delete page_.lst_ignore->takeItem(row);
    }
    Select(-1);
    markChanged_();
}

void TExclusionEditor::sub_importClick() {
    const std::optional<QString> picked = context_.dialogs.OpenFile(page_.dlg_open, QString());
    if (!picked) return;
    const QString path = QFileInfo(*picked).absoluteFilePath();
    const std::optional<std::string> bytes = ReadWholeFile(path.toStdString());
    if (!bytes) {
        context_.dialogs.ShowError(QStringLiteral("Cannot open file ") + path);
        return;
    }
    const std::vector<std::string> lines = ReadExclusionFile(*bytes);
    // What the settings file cannot keep (a longer line, more rows than a
    // definition loads) would be lost at the next save without a word;
    // better to take nothing and say why.
    if (lines.size() > static_cast<size_t>(kMaxListRows)) {
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
    const std::optional<QString> picked = context_.dialogs.SaveFile(page_.dlg_save, QString());
    if (!picked) return;
    const QString path = QFileInfo(*picked).absoluteFilePath();
    if (!WriteFileReplacing(path.toStdString(), WriteExclusionFile(Rows())))
        context_.dialogs.ShowError(QStringLiteral("Cannot create file ") + path);
}

void TExclusionEditor::sub_simplifyClick() {
    {
        const QSignalBlocker block(page_.lst_ignore);
        for (int i = 0; i < page_.lst_ignore->count(); ++i) {
            QListWidgetItem* item = page_.lst_ignore->item(i);
            const std::string text = item->text().toStdString();
            item->setText(QString::fromUtf8(FileNamePart(text)));
        }
    }
    Select(-1);
    markChanged_();
}

}  // namespace zorbex
