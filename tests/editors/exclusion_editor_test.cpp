// The exclusion list editor on the playlists page: the switch, adding and
// editing entries, the popup's arrangements, import, export and simplify.
#include <unistd.h>

#include <QApplication>
#include <QScrollBar>
#include <gtest/gtest.h>

#include "engine/definitions.h"
#include "settings/exclusion_file.h"
#include "editors/playlist_page.h"
#include "support/temp_dir.h"
#include "support/window/controls.h"
#include "support/window/input.h"
#include "support/window/scripted_dialogs.h"

namespace {

using zorbex::MsgButtons;
using zx_test::Control;
using zx_test::ScriptedDialogs;
using Kind = ScriptedDialogs::Kind;

const QString kTooShort =
    QStringLiteral("Нельзя добавить в список исключений пункт, состоящий менее, чем из трёх символов.");

struct ExclusionEditor : ::testing::Test {
    zx_test::TempDir dir;
    ScriptedDialogs dialogs;
    zorbex::AppContext context{dir.path(), dialogs};
    zorbex::TPlaylistPage page{context, nullptr};
    zorbex::TExclusionEditor& ed = *page.findChild<zorbex::TExclusionEditor*>();
    QPushButton* btn_savn = Control<QPushButton>(page, "btn_savn");
    QCheckBox* box_ignore = Control<QCheckBox>(page, "box_ignore");
    zorbex::TClickLabel* txt_ignore = Control<zorbex::TClickLabel>(page, "txt_ignore");
    QListWidget* lst_ignore = Control<QListWidget>(page, "lst_ignore");
    zorbex::TFileNameEdit* edt_ignore = Control<zorbex::TFileNameEdit>(page, "edt_ignore");
    QPushButton* btn_add = Control<QPushButton>(page, "btn_add");
    QPushButton* btn_edit = Control<QPushButton>(page, "btn_edit");
    QMenu* mnu_ignore = Control<QMenu>(page, "mnu_ignore");
    QAction* sub_item = Control<QAction>(page, "sub_item");
    QAction* sub_delete = Control<QAction>(page, "sub_delete");
    QAction* sub_change = Control<QAction>(page, "sub_change");
    QAction* sub_import = Control<QAction>(page, "sub_import");
    QAction* sub_export = Control<QAction>(page, "sub_export");
    QAction* sub_simplify = Control<QAction>(page, "sub_simplify");

    ExclusionEditor() {
        btn_savn->setEnabled(false);
        page.btn_upnClick();
        box_ignore->setChecked(true);
        btn_savn->setEnabled(false);
    }
    QStringList Rows() const {
        QStringList rows;
        for (int i = 0; i < lst_ignore->count(); ++i) rows << lst_ignore->item(i)->text();
        return rows;
    }
    void SetRows(const QStringList& rows) {
        std::vector<std::string> r;
        for (const QString& s : rows) r.push_back(s.toStdString());
        ed.SetRows(r);
    }
    void Add(const QString& text) {
        edt_ignore->setText(text);
        ed.btn_addClick();
    }
    QStringList VisibleMenu() const {
        QStringList shown;
        for (QAction* a : mnu_ignore->actions())
            if (a->isVisible()) shown << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return shown;
    }
    // The middle of row r, in the list's row area.
    QPoint RowPoint(int r) const { return {20, r * zorbex::TExclusionEditor::kRowHeight + 5}; }
};

TEST_F(ExclusionEditor, TheSwitchEnablesTheControlsAndMarksAChange) {
    ed.lst_ignoreMouseDown(Qt::LeftButton, RowPoint(0));  // other buttons do nothing
    SetRows({"a.mp3"});
    ed.lst_ignoreMouseDown(Qt::RightButton, RowPoint(0));
    ASSERT_TRUE(btn_edit->isEnabled());

    zx_test::Click(txt_ignore);
    EXPECT_FALSE(box_ignore->isChecked());
    for (QWidget* w : {static_cast<QWidget*>(lst_ignore), static_cast<QWidget*>(edt_ignore),
                       static_cast<QWidget*>(btn_add), static_cast<QWidget*>(btn_edit)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(btn_savn->isEnabled());
    EXPECT_EQ(Rows(), QStringList{"a.mp3"});  // rows stay, shown but not editable

    btn_savn->setEnabled(false);
    zx_test::Click(box_ignore);
    EXPECT_TRUE(box_ignore->isChecked());
    EXPECT_TRUE(lst_ignore->isEnabled());
    EXPECT_TRUE(edt_ignore->isEnabled());
    EXPECT_TRUE(btn_add->isEnabled());
    EXPECT_FALSE(btn_edit->isEnabled());
    EXPECT_TRUE(btn_savn->isEnabled());
}

// The list, field and buttons are greyed while the switch is clear: a right
// click or Enter there reaches no handler, so nothing gets selected, copied
// or enabled that a later ИЗМЕНИТЬ could put into a list.
TEST_F(ExclusionEditor, GreyedControlsTakeNoInput) {
    page.show();
    SetRows({"a.mp3", "b.mp3"});
    edt_ignore->setText("typed");
    zx_test::Click(box_ignore);
    ASSERT_FALSE(lst_ignore->isEnabled());

    zx_test::Key(edt_ignore->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Rows(), (QStringList{"a.mp3", "b.mp3"}));
    EXPECT_TRUE(dialogs.calls.empty());
    zx_test::RightClick(lst_ignore->viewport(), RowPoint(1));
    EXPECT_FALSE(mnu_ignore->isVisible());
    EXPECT_EQ(ed.SelectedRow(), -1);
    EXPECT_EQ(edt_ignore->text(), "typed");

    zx_test::Click(box_ignore);
    EXPECT_TRUE(btn_add->isEnabled());
    EXPECT_FALSE(btn_edit->isEnabled());
}

TEST_F(ExclusionEditor, AddingAppliesTheLengthRuleAndOnePairOfQuotes) {
    const struct {
        QString typed;
        QString stored;  // empty: refused
    } cases[] = {
        {"ab", ""},
        {"\"\"", ""},
        {"abc", "abc"},
        {"\"ab\"", "ab"},
        {"\"\"ab\"\"", "\"ab\""},
        {"\"ab", "\"ab"},
        {"abc", "abc"},  // a second equal row
        {"\"/my music/a b.mp3\"", "/my music/a b.mp3"},
    };
    QStringList expected;
    for (const auto& c : cases) {
        dialogs.calls.clear();
        btn_savn->setEnabled(false);
        Add(c.typed);
        if (c.stored.isEmpty()) {
            ASSERT_EQ(dialogs.Messages(), std::vector<QString>{kTooShort});
            EXPECT_EQ(dialogs.calls[0].buttons, MsgButtons::Ok);
            EXPECT_FALSE(btn_savn->isEnabled());
        } else {
            expected << c.stored;
            EXPECT_TRUE(dialogs.calls.empty());
            EXPECT_EQ(ed.SelectedRow(), expected.size() - 1);
            EXPECT_TRUE(btn_savn->isEnabled());
        }
        EXPECT_EQ(Rows(), expected);
        EXPECT_EQ(edt_ignore->text(), c.typed);  // the field keeps its text
        EXPECT_FALSE(btn_edit->isEnabled());     // selecting the new row is no click on it
    }
}

TEST_F(ExclusionEditor, BrowsePutsAPathWithABlankInQuotes) {
    dialogs.paths = {QString("/my music/a b.mp3")};
    edt_ignore->browseButton()->click();
    const auto open = dialogs.Of(Kind::OpenFile);
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].text, "Укажите файл для внесения в список исключений...");
    EXPECT_EQ(open[0].options.filter, "Музыка|*.mp?;*.mid;*.wav;*.mod|Видео|*.avi;*.mp*g;|Все файлы|*.*");
    EXPECT_TRUE(open[0].options.fileMustExist);
    EXPECT_EQ(edt_ignore->text(), "\"/my music/a b.mp3\"");
    EXPECT_FALSE(btn_savn->isEnabled());  // the field alone is no change
    zx_test::Key(edt_ignore->lineEdit(), Qt::Key_Return, "\r");
    EXPECT_EQ(Rows(), QStringList{"/my music/a b.mp3"});
}

TEST_F(ExclusionEditor, PopupArrangements) {
    page.show();
    QWidget* area = lst_ignore->viewport();
    const QStringList rowMenu{"{item}", "-", "удалить пункт", "изменить пункт", "-", "импортировать список",
                              "экспортировать список", "-", "упростить список"};
    EXPECT_EQ(VisibleMenu(), rowMenu);  // as built

    zx_test::RightClick(area, RowPoint(0));
    EXPECT_EQ(VisibleMenu(), QStringList{"импортировать список"});
    EXPECT_TRUE(mnu_ignore->isVisible());  // the menu opens after the press
    mnu_ignore->hide();

    SetRows({"first.mp3", "second.mp3", "third.mp3"});
    zx_test::RightClick(area, RowPoint(1));
    mnu_ignore->hide();
    QStringList withRow = rowMenu;
    withRow[0] = "second.mp3";
    EXPECT_EQ(VisibleMenu(), withRow);
    EXPECT_FALSE(sub_item->isEnabled());
    EXPECT_EQ(ed.SelectedRow(), 1);
    EXPECT_EQ(edt_ignore->text(), "second.mp3");
    EXPECT_TRUE(btn_edit->isEnabled());
    EXPECT_FALSE(btn_savn->isEnabled());

    zx_test::RightClick(area, RowPoint(5));
    mnu_ignore->hide();
    EXPECT_EQ(VisibleMenu(),
              (QStringList{"импортировать список", "экспортировать список", "-", "упростить список"}));
    EXPECT_EQ(sub_item->text(), "");
    EXPECT_EQ(ed.SelectedRow(), 1);  // the selection stays

    // A left click on a row is the plain row click.
    zx_test::Click(area, Qt::LeftButton, RowPoint(2));
    EXPECT_EQ(ed.SelectedRow(), 2);
    EXPECT_EQ(edt_ignore->text(), "third.mp3");

    // In a scrolled list the row under the pointer counts from the first row shown.
    QStringList many;
    for (int i = 0; i < 40; ++i) many << QString("row%1").arg(i);
    SetRows(many);
    lst_ignore->scrollToBottom();
    const int first = lst_ignore->verticalScrollBar()->value();
    ASSERT_GT(first, 0);
    zx_test::RightClick(area, RowPoint(2));
    mnu_ignore->hide();
    EXPECT_EQ(ed.SelectedRow(), first + 2);
    EXPECT_EQ(sub_item->text(), many[first + 2]);
}

// A right press takes the row drawn under the pointer: anywhere across the
// list's width, up to a row's last pixel, in a row cut off at the bottom, and
// counted from the first row shown.
TEST_F(ExclusionEditor, RightClickTakesTheRowDrawnUnderThePointer) {
    page.show();
    QStringList many;
    for (int i = 0; i < 40; ++i) many << QString("r%1").arg(i);
    SetRows(many);
    QApplication::processEvents();  // the scroll bar takes its room
    QWidget* area = lst_ignore->viewport();
    const int h = zorbex::TExclusionEditor::kRowHeight;
    const int right = area->width() - 1, bottom = area->height() - 1;
    ASSERT_NE(bottom % h, h - 1) << "the last row shown is to be cut off";
    const struct {
        int scrolled;  // first row shown
        QPoint at;
        int row;
    } cases[] = {
        {0, {right, 0}, 0}, {0, {0, h - 1}, 0}, {0, {0, h}, 1}, {0, {right, bottom}, bottom / h},
        {5, {right, h + 1}, 6}, {5, {3, bottom}, 5 + bottom / h},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        lst_ignore->verticalScrollBar()->setValue(c.scrolled);
        ASSERT_TRUE(lst_ignore->visualItemRect(lst_ignore->item(c.row)).contains(c.at));
        zx_test::RightClick(area, c.at);
        mnu_ignore->hide();
        EXPECT_EQ(ed.SelectedRow(), c.row);
        EXPECT_EQ(sub_item->text(), many[c.row]);
        EXPECT_EQ(edt_ignore->text(), many[c.row]);
    }
}

TEST_F(ExclusionEditor, ChangeReplacesTheRowInPlace) {
    SetRows({"a.mp3", "b.mp3", "c.mp3"});
    ed.lst_ignoreMouseDown(Qt::RightButton, RowPoint(1));
    sub_change->trigger();
    EXPECT_FALSE(btn_add->isEnabled());
    edt_ignore->setText("x");  // no length rule when changing
    zx_test::Key(edt_ignore->lineEdit(), Qt::Key_Return, "\r");
    EXPECT_EQ(Rows(), (QStringList{"a.mp3", "x", "c.mp3"}));
    EXPECT_EQ(ed.SelectedRow(), 1);
    EXPECT_TRUE(btn_add->isEnabled());
    EXPECT_FALSE(btn_edit->isEnabled());
    EXPECT_TRUE(btn_savn->isEnabled());
    EXPECT_EQ(edt_ignore->text(), "x");  // Enter never reaches the field
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(ExclusionEditor, DeleteThenChangeAppendsTheFieldText) {
    SetRows({"a.mp3", "b.mp3", "c.mp3"});
    ed.lst_ignoreMouseDown(Qt::RightButton, RowPoint(0));
    btn_savn->setEnabled(false);
    sub_delete->trigger();
    EXPECT_EQ(Rows(), (QStringList{"b.mp3", "c.mp3"}));
    EXPECT_EQ(ed.SelectedRow(), -1);
    EXPECT_EQ(edt_ignore->text(), "a.mp3");
    EXPECT_TRUE(btn_edit->isEnabled());
    EXPECT_TRUE(btn_savn->isEnabled());

    ed.btn_editClick();
    EXPECT_EQ(Rows(), (QStringList{"b.mp3", "c.mp3", "a.mp3"}));
    EXPECT_EQ(ed.SelectedRow(), -1);

    // Nothing selected: nothing deleted, nothing marked.
    btn_savn->setEnabled(false);
    ed.sub_deleteClick();
    EXPECT_EQ(Rows().size(), 3);
    EXPECT_FALSE(btn_savn->isEnabled());
}

// The Menu key opens the popup arranged as a right click on the selected row would.
TEST_F(ExclusionEditor, MenuKeyShowsTheItemsOfARightClickOnTheSelectedRow) {
    page.show();
    SetRows({"first.mp3", "second.mp3"});
    const auto menuKey = [&] {
        QContextMenuEvent key(QContextMenuEvent::Keyboard, {4, 4}, lst_ignore->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(lst_ignore, &key);
        EXPECT_TRUE(mnu_ignore->isVisible());
        mnu_ignore->hide();
        return VisibleMenu();
    };
    EXPECT_EQ(menuKey(), (QStringList{"импортировать список", "экспортировать список", "-", "упростить список"}));
    lst_ignore->setCurrentRow(1);
    EXPECT_EQ(menuKey(), (QStringList{"second.mp3", "-", "удалить пункт", "изменить пункт", "-",
                                      "импортировать список", "экспортировать список", "-", "упростить список"}));
    EXPECT_EQ(edt_ignore->text(), "second.mp3");
    EXPECT_TRUE(btn_edit->isEnabled());
}

TEST_F(ExclusionEditor, ExportWritesEveryRowWithCrLf) {
    SetRows({"a", "b", "Песня.mp3"});
    const std::string target = dir / "list.txt";
    zx_test::WriteFile(target, "old content that is longer");
    dialogs.paths = {QString::fromStdString(target)};
    sub_export->trigger();
    EXPECT_EQ(zx_test::ReadFile(target), "a\r\nb\r\n\xCF\xE5\xF1\xED\xFF.mp3\r\n");
    EXPECT_FALSE(btn_savn->isEnabled());
    const auto save = dialogs.Of(Kind::SaveFile);
    ASSERT_EQ(save.size(), 1u);
    EXPECT_EQ(save[0].text, "Сохранение списка исключений...");
    EXPECT_EQ(save[0].options.filter,
              "Текстовые документы|*.txt|Списки и плейлисты|*.lst;*.pls;*.m3u|Все файлы|*.*");
    EXPECT_EQ(save[0].options.defaultExt, "txt");
    EXPECT_TRUE(save[0].options.overwritePrompt);

    // Imported back, the same rows.
    SetRows({});
    dialogs.paths = {QString::fromStdString(target)};
    sub_import->trigger();
    EXPECT_EQ(Rows(), (QStringList{"a", "b", "Песня.mp3"}));

    SetRows({});
    dialogs.paths = {QString::fromStdString(target)};
    sub_export->trigger();
    EXPECT_EQ(zx_test::ReadFile(target), "");

    // Cancelled: nothing written.
    dialogs.paths = {std::nullopt};
    SetRows({"z"});
    sub_export->trigger();
    EXPECT_EQ(zx_test::ReadFile(target), "");
}

// An export over the settings file would lose every definition; the help
// file is the program's too.
TEST_F(ExclusionEditor, ExportNeverReplacesTheProgramsOwnFiles) {
    SetRows({"a"});
    zx_test::WriteFile(dir / "Zorbl.Zrf", "[Zor:bl]\r\n");
    zx_test::MakeDirs(dir / "sub");
    dialogs.paths = {QString::fromStdString(dir / "Zorbl.Zrf"), QString::fromStdString(dir / "sub/../zorbhelp.hlp")};
    sub_export->trigger();
    sub_export->trigger();
    const auto errors = dialogs.Of(Kind::ShowError);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_TRUE(errors[0].text.endsWith(QStringLiteral(": это файл настроек программы")));
    EXPECT_TRUE(errors[1].text.endsWith(QStringLiteral(": это файл справки программы")));
    EXPECT_EQ(zx_test::ReadFile(dir / "Zorbl.Zrf"), "[Zor:bl]\r\n");
    EXPECT_FALSE(zx_test::Exists(dir / "zorbhelp.hlp"));
}

TEST_F(ExclusionEditor, ImportReplacesTheRows) {
    const struct {
        std::string bytes;
        QStringList rows;
    } cases[] = {
        {"a\nb", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"", {}},
        {" \"q\" \r\n", {" \"q\" "}},
    };
    const std::string source = dir / "in.txt";
    for (const auto& c : cases) {
        SetRows({"old1", "old2"});
        ed.lst_ignoreMouseDown(Qt::RightButton, RowPoint(0));
        btn_savn->setEnabled(false);
        zx_test::WriteFile(source, c.bytes);
        dialogs.paths = {QString::fromStdString(source)};
        sub_import->trigger();
        EXPECT_EQ(Rows(), c.rows);
        EXPECT_EQ(ed.SelectedRow(), -1);
        EXPECT_TRUE(btn_savn->isEnabled());
    }
    const auto open = dialogs.Of(Kind::OpenFile);
    ASSERT_FALSE(open.empty());
    EXPECT_EQ(open[0].text, "Загрузка списка исключений...");
    EXPECT_EQ(open[0].options.filter,
              "Текстовые документы|*.txt|Списки и плейлисты|*.lst;*.pls;*.m3u|Все файлы|*.*");
    EXPECT_EQ(open[0].options.defaultExt, "txt");
    EXPECT_TRUE(open[0].options.fileMustExist);

    // Cancelled: nothing changes.
    SetRows({"kept"});
    btn_savn->setEnabled(false);
    dialogs.paths = {std::nullopt};
    sub_import->trigger();
    EXPECT_EQ(Rows(), QStringList{"kept"});
    EXPECT_FALSE(btn_savn->isEnabled());
}

TEST_F(ExclusionEditor, FilesThatCannotBeOpenedOrCreatedReachTheErrorDisplay) {
    SetRows({"kept"});
    const QString missing = QString::fromStdString(dir / "no such.txt");
    const QString uncreatable = QString::fromStdString(dir / "no folder/out.txt");
    dialogs.paths = {missing, uncreatable, QString::fromStdString(dir.path())};
    sub_import->trigger();
    sub_export->trigger();
    sub_import->trigger();  // a folder is no file either
    const auto errors = dialogs.Of(Kind::ShowError);
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].text, "Cannot open file " + missing);
    EXPECT_EQ(errors[1].text, "Cannot create file " + uncreatable);
    EXPECT_TRUE(errors[2].text.startsWith("Cannot open file "));
    EXPECT_EQ(Rows(), QStringList{"kept"});
    EXPECT_FALSE(btn_savn->isEnabled());
    EXPECT_FALSE(zx_test::Exists(dir / "no folder"));
}

TEST_F(ExclusionEditor, EntriesTheSettingsFileCannotKeepAreRefused) {
    const QString kTooManyLines = QStringLiteral(
        "Файл содержит больше 131072 строк: столько пунктов список исключений не вмещает.\nСписок не импортирован.");
    const std::string fits(1023, 'a');
    const std::string tooLong(1024, 'b');
    const std::string source = dir / "long.txt";
    zx_test::WriteFile(source, "short\r\n" + tooLong + "\r\n");
    SetRows({"kept"});
    dialogs.paths = {QString::fromStdString(source)};
    sub_import->trigger();
    EXPECT_EQ(dialogs.Messages(), std::vector<QString>{QStringLiteral("Строка 2 файла длиннее 1023 символов:\n"
                                                       "файл настроек не сможет её сохранить. Список не импортирован.")});
    EXPECT_EQ(Rows(), QStringList{"kept"});
    EXPECT_FALSE(btn_savn->isEnabled());

    // More rows than a definition loads back: refused too; as many as it loads: taken.
    std::string many;
    for (int i = 0; i < zorbex::kMaxListRows; ++i) many += "x.mp3\n";
    zx_test::WriteFile(source, many + "y.mp3\n");
    dialogs.calls.clear();
    dialogs.paths = {QString::fromStdString(source)};
    sub_import->trigger();
    EXPECT_EQ(dialogs.Messages(), std::vector<QString>{kTooManyLines});
    EXPECT_EQ(Rows(), QStringList{"kept"});
    zx_test::WriteFile(source, many);
    dialogs.paths = {QString::fromStdString(source)};
    sub_import->trigger();
    EXPECT_EQ(lst_ignore->count(), zorbex::kMaxListRows);
    SetRows({"kept"});

    // A file larger than any list the editor holds is refused before it is
    // read: here one line, then a hole of zeros (which would end the text).
    zx_test::WriteFile(source, "a\r\n");
    ASSERT_EQ(::truncate(source.c_str(), static_cast<off_t>(zorbex::MaxExclusionFileBytes(zorbex::kMaxListRows) + 1)),
              0);
    dialogs.calls.clear();
    dialogs.paths = {QString::fromStdString(source)};
    sub_import->trigger();
    EXPECT_EQ(dialogs.Messages(), std::vector<QString>{kTooManyLines});
    EXPECT_EQ(Rows(), QStringList{"kept"});

    dialogs.calls.clear();
    Add(QString::fromStdString(tooLong));
    lst_ignore->setCurrentRow(0);
    edt_ignore->setText(QString::fromStdString(tooLong));
    ed.btn_editClick();
    const QString tooLongEntry = QStringLiteral(
        "Нельзя внести в список исключений пункт длиннее 1023 символов:\nфайл настроек не сможет его сохранить.");
    EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{tooLongEntry, tooLongEntry}));
    EXPECT_EQ(Rows(), QStringList{"kept"});

    // The longest that fits is saved and loaded back whole.
    Add(QString::fromStdString(fits));
    page.btn_savnClick();
    page.LoadPlaylist(1);
    EXPECT_EQ(Rows(), (QStringList{"kept", QString::fromStdString(fits)}));
}

TEST_F(ExclusionEditor, SimplifyKeepsTheFileNamePart) {
    SetRows({"/music/a.mp3", "a.mp3", "/music/", "/x/y/Песня.mp3"});
    ed.lst_ignoreMouseDown(Qt::RightButton, RowPoint(0));
    btn_savn->setEnabled(false);
    sub_simplify->trigger();
    EXPECT_EQ(Rows(), (QStringList{"a.mp3", "a.mp3", "", "Песня.mp3"}));
    EXPECT_EQ(ed.SelectedRow(), -1);
    EXPECT_TRUE(btn_savn->isEnabled());
}

TEST_F(ExclusionEditor, EditModeOutlastsALoadThatKeepsTheSwitch) {
    zx_test::WriteFile(dir / "Zorbl.Zrf", "[Zor:bl:Playlist:1]\r\nignore_use=1\r\nignore_no=1\r\nignore_0=e.mp3\r\n");
    page.LoadPlaylist(1);
    ed.lst_ignoreMouseDown(Qt::RightButton, RowPoint(0));
    sub_change->trigger();
    page.LoadPlaylist(1);
    EXPECT_FALSE(btn_add->isEnabled());
    EXPECT_EQ(edt_ignore->text(), "e.mp3");
    EXPECT_FALSE(btn_savn->isEnabled());
}

}  // namespace
