// The union editor: loading with defaults, stepping to count + 1, saving
// key by key, the unsaved-changes mark and the prompt that guards it.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "editors/union_page.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"
#include "support/window/controls.h"
#include "support/window/input.h"
#include "support/window/scripted_dialogs.h"
#include "widgets/shared_texts.h"

namespace {

using zorbex::MsgButtons;
using zorbex::MsgResult;
using zx_test::Control;
using zorbex::SettingsFile;

const char* const kThreePlaylists =
    "[Zor:bl]\r\nplaylists=3\r\n[Zor:bl:Playlist:1]\r\nname=Рок\r\n[Zor:bl:Playlist:3]\r\nname=Блюз\r\n";

void SendKey(QWidget* widget, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

struct UnionEditorFixture : ::testing::Test {
    zx_test::TempDir dir;
    zx_test::ScriptedDialogs dialogs;
    zorbex::AppContext context{dir.path(), dialogs};
    zorbex::TUnionPage page{context, nullptr};
    QGroupBox* grp_idu = Control<QGroupBox>(page, "grp_idu");
    QLabel* txt_unn_a = Control<QLabel>(page, "txt_unn_a");
    QLabel* txt_unn_z = Control<QLabel>(page, "txt_unn_z");
    QLabel* txt_idu_a = Control<QLabel>(page, "txt_idu_a");
    QLabel* txt_idu_z = Control<QLabel>(page, "txt_idu_z");
    QPushButton* btn_upu = Control<QPushButton>(page, "btn_upu");
    QPushButton* btn_dnu = Control<QPushButton>(page, "btn_dnu");
    QPushButton* btn_savu = Control<QPushButton>(page, "btn_savu");
    QLineEdit* edt_namu = Control<QLineEdit>(page, "edt_namu");
    zorbex::TFileNameEdit* edt_plsu = Control<zorbex::TFileNameEdit>(page, "edt_plsu");
    zorbex::TClickList* lst_union = Control<zorbex::TClickList>(page, "lst_union");
    QAction* sub_refresh = Control<QAction>(page, "sub_refresh");

    void Seed(const std::string& text) { zx_test::WriteFile(dir / "Zorbl.Zrf", text); }
    std::string SettingsText() const { return zx_test::ReadFile(dir / "Zorbl.Zrf"); }
    SettingsFile File() const { return SettingsFile(zorbex::SettingsPath(dir.path())); }
    std::string Union(int n, const char* key) const {
        return File().ReadText(zorbex::UnionSection(n), key, "<missing>");
    }

    // What the window does at start-up.
    void StartUp() {
        btn_savu->setEnabled(false);
        page.btn_upuClick();
    }
    std::vector<bool> Ticks() const { return page.ShownDefinition().members; }
    void Tick(int row, bool on) { lst_union->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked); }
    void TypeZ(int times) {
        for (int i = 0; i < times; ++i) SendKey(edt_namu, Qt::Key_Z, QStringLiteral("z"));
    }
};

TEST_F(UnionEditorFixture, NoSettingsFileShowsUnionOneWithDefaultsAndEveryButtonDisabled) {
    StartUp();
    EXPECT_EQ(page.CurrentUnion(), 1);
    EXPECT_EQ(grp_idu->property("tag").toInt(), 1);
    for (QLabel* number : {txt_unn_a, txt_unn_z}) EXPECT_EQ(number->text(), "1");
    for (QLabel* name : {txt_idu_a, txt_idu_z}) EXPECT_EQ(name->text(), "НАЗВАНИЕ ОБЪЕДИНЕНИЯ номер 1");
    EXPECT_EQ(edt_namu->text(), "НАЗВАНИЕ ОБЪЕДИНЕНИЯ номер 1");
    EXPECT_EQ(edt_plsu->text(), "union_1.m3u");
    EXPECT_EQ(lst_union->count(), 0);
    EXPECT_FALSE(btn_upu->isEnabled());
    EXPECT_FALSE(btn_dnu->isEnabled());
    EXPECT_FALSE(btn_savu->isEnabled());
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_FALSE(zx_test::Exists(dir / "Zorbl.Zrf"));
}

TEST_F(UnionEditorFixture, SavingUnionOneOfAnEmptyFileWritesNameFileAndCountOnly) {
    StartUp();
    page.btn_savuClick();  // the button itself stays disabled until something changes
    const std::string text = SettingsText();
    const size_t name = text.find("name="), file = text.find("file=union_1.m3u"), count = text.find("unions=1");
    ASSERT_NE(name, std::string::npos);
    ASSERT_NE(file, std::string::npos);
    ASSERT_NE(count, std::string::npos);
    EXPECT_LT(name, file);
    EXPECT_LT(file, count);
    EXPECT_EQ(text.find("unite_"), std::string::npos);
    EXPECT_EQ(Union(1, "name"), "НАЗВАНИЕ ОБЪЕДИНЕНИЯ номер 1");
    EXPECT_FALSE(btn_savu->isEnabled());
    EXPECT_TRUE(btn_upu->isEnabled());

    // Up leads to union 2 with its defaults, a new union: up is disabled there.
    btn_upu->click();
    EXPECT_EQ(page.CurrentUnion(), 2);
    EXPECT_EQ(edt_plsu->text(), "union_2.m3u");
    EXPECT_FALSE(btn_upu->isEnabled());
    EXPECT_TRUE(btn_dnu->isEnabled());
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(UnionEditorFixture, EveryMemberRowIsWrittenTickedOrNot) {
    Seed(kThreePlaylists);
    StartUp();
    const QStringList rows{"п.1     Рок", "п.2     ПЛЕЙЛИСТ НОМЕР 2", "п.3     Блюз"};
    ASSERT_EQ(lst_union->count(), 3);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(lst_union->item(r)->text(), rows[r]);

    Tick(0, true);
    EXPECT_TRUE(btn_savu->isEnabled());
    page.btn_savuClick();
    for (const auto& [key, value] : {std::pair{"unite_0", "1"}, {"unite_1", "0"}, {"unite_2", "0"}})
        EXPECT_EQ(Union(1, key), value) << key;

    // Saving a lower union never lowers the count.
    Seed("[Zor:bl]\r\nunions=5\r\n");
    page.LoadUnion(2);
    page.btn_savuClick();
    EXPECT_EQ(File().ReadNumber(zorbex::MainSection(), "unions", 0), 5);
}

TEST_F(UnionEditorFixture, StoredMemberFlagsOtherThanZeroShowTicked) {
    Seed(std::string(kThreePlaylists) + "[Zor:bl:Union:1]\r\nunite_0=7\r\nunite_1=-1\r\nunite_2=x\r\n");
    page.LoadUnion(1);
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, true, false}));
    EXPECT_FALSE(btn_savu->isEnabled());
}

TEST_F(UnionEditorFixture, RefreshRestoresSavedTicksAndKeepsTheMark) {
    Seed(std::string(kThreePlaylists) + "[Zor:bl:Union:1]\r\nunite_1=1\r\n");
    page.LoadUnion(1);
    Tick(0, true);
    Tick(1, false);
    ASSERT_TRUE(btn_savu->isEnabled());
    // A playlist saved meanwhile shows up as a new row, not ticked.
    Seed("[Zor:bl]\r\nplaylists=4\r\n[Zor:bl:Union:1]\r\nunite_1=1\r\n");
    sub_refresh->trigger();
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, false, false}));
    EXPECT_TRUE(btn_savu->isEnabled());

    // Refreshing a clean union leaves it clean.
    page.LoadUnion(1);
    page.sub_refreshClick();
    EXPECT_FALSE(btn_savu->isEnabled());
}

TEST_F(UnionEditorFixture, KeyboardAndMouseOnTheMemberListMarkTheUnionChanged) {
    Seed(kThreePlaylists);
    page.LoadUnion(1);
    lst_union->setFocus();
    lst_union->setCurrentRow(0);
    btn_savu->setEnabled(false);

    SendKey(lst_union, Qt::Key_Space, " ");
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, false, false}));
    EXPECT_TRUE(btn_savu->isEnabled());

    btn_savu->setEnabled(false);
    SendKey(lst_union, Qt::Key_Down);
    EXPECT_EQ(lst_union->currentRow(), 1);
    EXPECT_TRUE(btn_savu->isEnabled());

    btn_savu->setEnabled(false);
    const QPoint at = lst_union->visualItemRect(lst_union->item(2)).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, lst_union->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, lst_union->viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(lst_union->viewport(), &press);
    QApplication::sendEvent(lst_union->viewport(), &release);
    EXPECT_TRUE(btn_savu->isEnabled());
}

// Only the user's own changes count: focus, a right click on the empty part
// and the refresh from the popup leave the union unchanged.
TEST_F(UnionEditorFixture, MemberListChangesNothingTheUserDidNotChange) {
    Seed(std::string(kThreePlaylists) + "[Zor:bl:Union:1]\r\nunite_2=1\r\n");
    QWidget window;
    zorbex::TUnionPage shown(context, &window);
    window.show();
    window.activateWindow();
    QApplication::processEvents();
    auto* list = Control<zorbex::TClickList>(shown, "lst_union");
    auto* save = Control<QPushButton>(shown, "btn_savu");
    shown.LoadUnion(1);
    ASSERT_EQ(list->currentRow(), -1);

    list->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    const QPoint below(10, list->viewport()->height() - 3);
    ASSERT_EQ(list->itemAt(below), nullptr);
    zx_test::RightClick(list->viewport(), below);
    zx_test::RightClick(list->viewport(), list->visualItemRect(list->item(1)).center());
    // The refresh, then the focus coming back from the closed popup.
    Control<QAction>(shown, "sub_refresh")->trigger();
    Control<QLineEdit>(shown, "edt_namu")->setFocus();
    list->setFocus(Qt::PopupFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(save->isEnabled());
    EXPECT_EQ(shown.ShownDefinition().members, (std::vector<bool>{false, false, true}));

    // The user's own change still counts.
    zx_test::Key(list, Qt::Key_Down);
    EXPECT_TRUE(save->isEnabled());
}

TEST_F(UnionEditorFixture, PromptBeforeLeavingAChangedUnion) {
    struct Case {
        MsgResult answer;
        int shownAfter;
        bool saved;
    };
    const Case cases[] = {
        {MsgResult::Cancel, 4, false},
        {MsgResult::No, 3, false},
        {MsgResult::Yes, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.answer));
        Seed("[Zor:bl]\r\nunions=4\r\n[Zor:bl:Union:4]\r\nname=Ночь\r\n");
        dialogs.calls.clear();
        page.LoadUnion(4);
        edt_namu->setText("Утро");
        dialogs.answers = {c.answer};
        btn_dnu->click();

        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(dialogs.calls[0].text,
                  "Изменения в параметрах объединения № 4 не были сохранены.\nСохранить их сейчас?");
        EXPECT_EQ(dialogs.calls[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(page.CurrentUnion(), c.shownAfter);
        EXPECT_EQ(Union(4, "name"), c.saved ? "Утро" : "Ночь");
        if (c.answer == MsgResult::Cancel) {
            EXPECT_EQ(edt_namu->text(), "Утро");
            EXPECT_TRUE(btn_savu->isEnabled());
        } else {
            EXPECT_EQ(edt_namu->text(), "НАЗВАНИЕ ОБЪЕДИНЕНИЯ номер 3");
            EXPECT_FALSE(btn_savu->isEnabled());
        }
    }

    // Stepping to the new union and straight back asks nothing and writes nothing.
    Seed("[Zor:bl]\r\nunions=1\r\n");
    page.LoadUnion(1);
    dialogs.calls.clear();
    page.btn_upuClick();
    page.btn_dnuClick();
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(SettingsText(), "[Zor:bl]\r\nunions=1\r\n");
}

TEST_F(UnionEditorFixture, FailedSaveShowsTheMessageAndKeepsTheMark) {
    zx_test::MakeDirs(dir / "Zorbl.Zrf");  // a settings "file" that cannot be written
    page.LoadUnion(2);
    btn_upu->setEnabled(false);
    edt_namu->setText("x");
    page.btn_savuClick();
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0], QString::fromUtf8(zorbex::kOptionWriteFailedMessage));
    EXPECT_EQ(dialogs.calls[0].buttons, MsgButtons::Ok);
    EXPECT_TRUE(btn_savu->isEnabled());
    EXPECT_FALSE(btn_upu->isEnabled());

    // Yes to the prompt with a failing save: the message, and no step that
    // would lose the edits.
    dialogs.calls.clear();
    dialogs.answers = {MsgResult::Yes};
    page.btn_dnuClick();
    EXPECT_EQ(dialogs.Messages().size(), 2u);
    EXPECT_EQ(page.CurrentUnion(), 2);
    EXPECT_TRUE(btn_savu->isEnabled());
    EXPECT_EQ(edt_namu->text(), "x");
}

TEST_F(UnionEditorFixture, StoredTextLoadsWholeAndTypingStopsAtFortyFive) {
    const std::string longName(60, 'N');
    Seed("[Zor:bl:Union:1]\r\nname=" + longName + "\r\nfile=\"/m/a b.m3u\"\r\n");
    page.LoadUnion(1);
    EXPECT_EQ(edt_namu->text().toStdString(), longName);
    EXPECT_EQ(txt_idu_z->text().toStdString(), longName);
    EXPECT_EQ(edt_plsu->text(), "/m/a b.m3u");  // one pair of quotes dropped on reading
    EXPECT_FALSE(btn_savu->isEnabled());
    EXPECT_EQ(page.ShownDefinition().name, longName);

    page.LoadUnion(2);
    edt_namu->clear();
    TypeZ(50);
    EXPECT_EQ(edt_namu->text().size(), 45);
    EXPECT_EQ(txt_idu_a->text().size(), 45);
}

TEST_F(UnionEditorFixture, BrowsedOutputWithABlankIsQuotedAndSavedSo) {
    page.LoadUnion(1);
    dialogs.paths = {QStringLiteral("/media/my music/all.m3u")};
    edt_plsu->browseButton()->click();
    ASSERT_EQ(dialogs.Of(zx_test::ScriptedDialogs::Kind::SaveFile).size(), 1u);
    EXPECT_EQ(edt_plsu->text(), "\"/media/my music/all.m3u\"");
    EXPECT_TRUE(btn_savu->isEnabled());
    page.btn_savuClick();
    EXPECT_NE(SettingsText().find("file=\"/media/my music/all.m3u\"\r\n"), std::string::npos);
    page.LoadUnion(1);
    EXPECT_EQ(edt_plsu->text(), "/media/my music/all.m3u");
}

TEST_F(UnionEditorFixture, LoadUnionSetsTheUpButtonFromTheCount) {
    Seed("[Zor:bl]\r\nunions=1\r\n");
    page.LoadUnion(1);
    page.btn_upuClick();  // to the new union 2
    ASSERT_FALSE(btn_upu->isEnabled());
    page.LoadUnion(1);  // as the run does at its end
    EXPECT_TRUE(btn_upu->isEnabled());
}

TEST_F(UnionEditorFixture, AnOutputThatWouldReadBackCutIsNotSaved) {
    Seed("[Zor:bl:Union:1]\r\nfile=/m/" + std::string(1100, 'u') + "\r\n");
    const std::string before = SettingsText();
    page.LoadUnion(1);
    EXPECT_TRUE(page.ShownDefinition().fileCut);
    edt_plsu->setText(QString(1024, QLatin1Char('u')));
    page.btn_savuClick();
    EXPECT_EQ(dialogs.Messages(), std::vector<QString>{QStringLiteral(
        "Нельзя указать путь к файлу объединения длиннее 1023 символов:\nфайл настроек не сможет его сохранить.")});
    EXPECT_TRUE(btn_savu->isEnabled());
    EXPECT_EQ(SettingsText(), before);
}

}  // namespace
