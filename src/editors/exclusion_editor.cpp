#include "editors/exclusion_editor.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>

#include "build/playlist_builder.h"
#include "platform/file_write.h"
#include "settings/exclusion_file.h"

namespace zorbex {

namespace {

QString FromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

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

TExclusionEditor::TExclusionEditor(const AppContext& context, Controls controls, std::function<void()> markChanged,
                                   QObject* parent)
    : QObject(parent), context_(context), c_(controls), markChanged_(std::move(markChanged)) {
    connect(c_.box_ignore, &QCheckBox::toggled, this, &TExclusionEditor::box_ignoreClick);
    connect(c_.txt_ignore, &TClickLabel::clicked, this, &TExclusionEditor::txt_ignoreClick);
    // A click on a row, even the selected one, and a selection moved by keyboard.
    connect(c_.lst_ignore, &QListWidget::itemClicked, this, &TExclusionEditor::lst_ignoreClick);
    connect(c_.lst_ignore, &QListWidget::currentRowChanged, this, &TExclusionEditor::lst_ignoreClick);
    connect(c_.btn_add, &QPushButton::clicked, this, &TExclusionEditor::btn_addClick);
    connect(c_.btn_edit, &QPushButton::clicked, this, &TExclusionEditor::btn_editClick);
    connect(c_.sub_delete, &QAction::triggered, this, &TExclusionEditor::sub_deleteClick);
    connect(c_.sub_change, &QAction::triggered, this, &TExclusionEditor::sub_changeClick);
    connect(c_.sub_import, &QAction::triggered, this, &TExclusionEditor::sub_importClick);
    connect(c_.sub_export, &QAction::triggered, this, &TExclusionEditor::sub_exportClick);
    connect(c_.sub_simplify, &QAction::triggered, this, &TExclusionEditor::sub_simplifyClick);
    c_.lst_ignore->viewport()->installEventFilter(this);
    c_.edt_ignore->lineEdit()->installEventFilter(this);
}

bool TExclusionEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == c_.lst_ignore->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        lst_ignoreMouseDown(mouse->button(), qRound(mouse->position().y()));
        // The list's own handling of a right press would clear the selection
        // below the last row; the context menu event still follows.
        return mouse->button() == Qt::RightButton;
    }
    if (watched == c_.edt_ignore->lineEdit() && event->type() == QEvent::KeyPress)
        return edt_ignoreKeyPress(static_cast<QKeyEvent*>(event)->key());
    return QObject::eventFilter(watched, event);
}

std::vector<std::string> TExclusionEditor::Rows() const {
    std::vector<std::string> rows;
    rows.reserve(c_.lst_ignore->count());
    for (int i = 0; i < c_.lst_ignore->count(); ++i) rows.push_back(c_.lst_ignore->item(i)->text().toStdString());
    return rows;
}

void TExclusionEditor::SetRows(const std::vector<std::string>& rows) {
    const QSignalBlocker block(c_.lst_ignore);
    c_.lst_ignore->clear();
    for (const std::string& row : rows) c_.lst_ignore->addItem(FromUtf8(row));
    Select(-1);
}

int TExclusionEditor::SelectedRow() const {
    const QList<QListWidgetItem*> selected = c_.lst_ignore->selectedItems();
    return selected.isEmpty() ? -1 : c_.lst_ignore->row(selected.first());
}

void TExclusionEditor::Select(int row) {
    const QSignalBlocker block(c_.lst_ignore);
    if (row < 0) {
        c_.lst_ignore->setCurrentRow(-1);
        c_.lst_ignore->clearSelection();
    } else {
        c_.lst_ignore->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    }
}

bool TExclusionEditor::RefuseTooLong(const QString& text) {
    if (ExclusionEntryFitsStore(text.toStdString())) return false;
    context_.dialogs.Message(TooLongMessage(), MsgButtons::Ok);
    return true;
}

void TExclusionEditor::box_ignoreClick() {
    markChanged_();
    const bool on = c_.box_ignore->isChecked();
    c_.lst_ignore->setEnabled(on);
    c_.edt_ignore->setEnabled(on);
    c_.btn_add->setEnabled(on);
    if (!on) c_.btn_edit->setEnabled(false);
}

void TExclusionEditor::txt_ignoreClick() { c_.box_ignore->setChecked(!c_.box_ignore->isChecked()); }

void TExclusionEditor::lst_ignoreClick() {
    const int row = SelectedRow();
    if (row < 0) return;
    c_.btn_edit->setEnabled(true);
    c_.edt_ignore->setText(c_.lst_ignore->item(row)->text());
}

void TExclusionEditor::lst_ignoreMouseDown(Qt::MouseButton button, int y) {
    if (button != Qt::RightButton) return;
    QAction* const rowItems[] = {c_.sub_item, c_.sub_delete, c_.sub_change, c_.sub_separator_1, c_.sub_separator_2};
    QListWidget* list = c_.lst_ignore;
    if (list->count() == 0) {
        for (QAction* a : rowItems) a->setVisible(false);
        for (QAction* a : {c_.sub_export, c_.sub_separator_3, c_.sub_simplify}) a->setVisible(false);
        return;
    }
    for (QAction* a : rowItems) a->setVisible(true);
    for (QAction* a : {c_.sub_export, c_.sub_separator_3, c_.sub_simplify}) a->setVisible(true);
    const QModelIndex top = list->indexAt(QPoint(1, 1));
    const int row = y / kRowHeight + (top.isValid() ? top.row() : 0);
    if (y >= 0 && row < list->count()) {
        c_.sub_item->setText(list->item(row)->text());
        Select(row);
        lst_ignoreClick();
    } else {
        c_.sub_item->setText(QString());
        for (QAction* a : rowItems) a->setVisible(false);
    }
}

bool TExclusionEditor::edt_ignoreKeyPress(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    if (c_.btn_add->isEnabled())
        btn_addClick();
    else
        btn_editClick();
    return true;
}

void TExclusionEditor::btn_addClick() {
    QString text = c_.edt_ignore->text();
    if (text.size() < 3) {
        context_.dialogs.Message(kTooShortMessage, MsgButtons::Ok);
        return;
    }
    if (text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'))) text = text.mid(1, text.size() - 2);
    if (RefuseTooLong(text)) return;
    {
        const QSignalBlocker block(c_.lst_ignore);
        c_.lst_ignore->addItem(text);
    }
    Select(c_.lst_ignore->count() - 1);
    markChanged_();
}

void TExclusionEditor::btn_editClick() {
    const QString text = c_.edt_ignore->text();
    if (RefuseTooLong(text)) return;
    const int row = SelectedRow();
    {
        const QSignalBlocker block(c_.lst_ignore);
        if (row >= 0) {
            delete c_.lst_ignore->takeItem(row);
            c_.lst_ignore->insertItem(row, text);
        } else {
            c_.lst_ignore->addItem(text);
        }
    }
    Select(row);
    c_.btn_edit->setEnabled(false);
    c_.btn_add->setEnabled(true);
    markChanged_();
}

void TExclusionEditor::sub_changeClick() {
    c_.btn_add->setEnabled(false);
    c_.edt_ignore->lineEdit()->setFocus();
}

void TExclusionEditor::sub_deleteClick() {
    const int row = SelectedRow();
    if (row >= 0) {
        const QSignalBlocker block(c_.lst_ignore);
        delete c_.lst_ignore->takeItem(row);
    }
    Select(-1);
    markChanged_();
}

void TExclusionEditor::sub_importClick() {
    const std::optional<QString> picked = context_.dialogs.OpenFile(*c_.dlg_open, QString());
    if (!picked) return;
    const QString path = QFileInfo(*picked).absoluteFilePath();
    const std::optional<std::string> bytes = ReadWholeFile(path.toStdString());
    if (!bytes) {
        context_.dialogs.ShowError(QStringLiteral("Cannot open file ") + path);
        return;
    }
    const std::vector<std::string> lines = ReadExclusionFile(*bytes);
    // A line the settings file cannot keep would be cut at the next save
    // without a word; better to take nothing and say why.
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
    const std::optional<QString> picked = context_.dialogs.SaveFile(*c_.dlg_save, QString());
    if (!picked) return;
    const QString path = QFileInfo(*picked).absoluteFilePath();
    if (!WriteFileReplacing(path.toStdString(), WriteExclusionFile(Rows())))
        context_.dialogs.ShowError(QStringLiteral("Cannot create file ") + path);
}

void TExclusionEditor::sub_simplifyClick() {
    {
        const QSignalBlocker block(c_.lst_ignore);
        for (int i = 0; i < c_.lst_ignore->count(); ++i) {
            QListWidgetItem* item = c_.lst_ignore->item(i);
            const std::string text = item->text().toStdString();
            item->setText(FromUtf8(std::string(FileNamePart(text))));
        }
    }
    Select(-1);
    markChanged_();
}

}  // namespace zorbex
