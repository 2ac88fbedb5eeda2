// Page change by the user, F1 and Ctrl+S, and the help window they lead to.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>
#include <gtest/gtest.h>

#include <memory>

#include "app/main_window.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"
#include "support/window/controls.h"
#include "support/window/input.h"
#include "support/window/scripted_dialogs.h"

namespace {

using Kind = zx_test::ScriptedDialogs::Kind;
using zorbex::Tfrm_zorbl;

const char* const kBook =
    "@topic 3 Программа\nо параметрах\n@topic 4 Плейлисты\nо плейлистах\n@topic 5 Объединения\nоб объединениях\n"
    "@topic 6 Процесс\nо процессе\n@topic 7 Информация\nоб авторах\n@topic 9999 Содержание\n[[4|плейлисты]]\n";

struct HotKeyFixture : ::testing::Test {
    zx_test::TempDir dir;
    zx_test::ScriptedDialogs dialogs;
    zorbex::AppContext context{dir.path(), dialogs};
    std::unique_ptr<Tfrm_zorbl> window;

    // The window is made after the test has laid out the program's directory,
    // as the program starts after its files are in place.
    Tfrm_zorbl& Start() {
        window = std::make_unique<Tfrm_zorbl>(context);
        window->help.DecideAvailable();  // as start-up does
        window->show();
        return *window;
    }
    std::string HelpPath() const { return dir / "zorbhelp.hlp"; }
    void Seed(const std::string& text) { zx_test::WriteFile(dir / "Zorbl.Zrf", text); }
    std::string Read(const std::string& section, const std::string& key) const {
        return zorbex::SettingsFile(dir / "Zorbl.Zrf").ReadText(section, key, "<none>");
    }

    zorbex::TPageControl* Pages() const { return zx_test::Control<zorbex::TPageControl>(*window, "tab_base"); }
    // A click on the page's tab, as the user makes it.
    void UserSelects(QWidget* page) {
        QTabBar* bar = Pages()->tabBar();
        const QPointF at = bar->tabRect(Pages()->indexOf(page)).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(bar, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(bar, &release);
        ASSERT_EQ(Pages()->currentWidget(), page);
    }
    std::vector<bool> ProcessTicks() const {
        std::vector<bool> ticks;
        for (int r = 0; r < window->processPage().RowCount(); ++r) ticks.push_back(window->processPage().RowTicked(r));
        return ticks;
    }
};

TEST_F(HotKeyFixture, F1OnEachPageOpensThatPagesTopic) {
    zx_test::WriteFile(HelpPath(), kBook);
    Tfrm_zorbl& w = Start();
    ASSERT_EQ(w.help.HelpFile().toStdString(), HelpPath());
    const std::vector<std::pair<QWidget*, int>> pages{
        {&w.optionsPage(), 3}, {&w.playlistPage(), 4}, {&w.unionPage(), 5}, {&w.processPage(), 6}, {&w.infoPage(), 7}};
    for (const auto& [page, topic] : pages) {
        Pages()->setCurrentWidget(page);
        zx_test::Control<QAction>(w, "sub_help")->trigger();
        ASSERT_NE(w.help.Window(), nullptr);
        EXPECT_EQ(w.help.Window()->ShownContext(), topic);
        EXPECT_TRUE(w.help.Window()->isVisible());
        EXPECT_FALSE(w.help.Window()->isModal());
    }
    zorbex::THelpWindow* help = w.help.Window();
    auto* txt_help = zx_test::Control<QTextBrowser>(*help, "txt_help");
    auto* btn_contents = zx_test::Control<QPushButton>(*help, "btn_contents");
    EXPECT_TRUE(txt_help->toPlainText().contains("об авторах"));
    EXPECT_TRUE(dialogs.calls.empty());

    // One window serves every topic; links and the contents button lead on.
    btn_contents->click();
    EXPECT_EQ(help->ShownContext(), 9999);
    EXPECT_FALSE(btn_contents->isEnabled());
    emit txt_help->anchorClicked(QUrl("topic:4"));
    EXPECT_EQ(help->ShownContext(), 4);
    EXPECT_TRUE(txt_help->toPlainText().contains("о плейлистах"));
    w.infoPage().url_helpClick();
    EXPECT_EQ(w.help.Window(), help);
    EXPECT_EQ(help->ShownContext(), 9999);
    zx_test::Control<QPushButton>(*help, "btn_close")->click();
    EXPECT_FALSE(help->isVisible());
}

TEST_F(HotKeyFixture, F1WithoutAHelpFileAsksToDownloadAndNoLeavesAllAsItWas) {
    Tfrm_zorbl& w = Start();
    Pages()->setCurrentWidget(&w.infoPage());
    zx_test::Control<QAction>(w, "sub_help")->trigger();
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_TRUE(dialogs.Messages()[0].startsWith("Файл справки «ZORBHELP.HLP» не найден"));
    EXPECT_TRUE(dialogs.Of(Kind::OpenUrl).empty());
    EXPECT_EQ(w.help.Window(), nullptr);
    EXPECT_EQ(Pages()->currentWidget(), &w.infoPage());
    EXPECT_FALSE(zx_test::Exists(HelpPath()));
}

TEST_F(HotKeyFixture, HelpFileIsTheOneDecidedAtStartUp) {
    Tfrm_zorbl& w = Start();
    // Put there later: no more question, but no help before the next start.
    zx_test::WriteFile(HelpPath(), kBook);
    zx_test::Control<QAction>(w, "sub_help")->trigger();
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(w.help.Window(), nullptr);
    EXPECT_TRUE(w.help.DecideAvailable());  // what the next start does
    zx_test::Control<QAction>(w, "sub_help")->trigger();
    ASSERT_NE(w.help.Window(), nullptr);

    // Taken away after start-up: the question comes back.
    std::remove(HelpPath().c_str());
    w.help.Window()->hide();
    zx_test::Control<QAction>(w, "sub_help")->trigger();
    EXPECT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_FALSE(w.help.Window()->isVisible());

    // A folder of that name is no help file.
    zx_test::MakeDirs(HelpPath());
    EXPECT_FALSE(w.help.DecideAvailable());
    zx_test::Control<QAction>(w, "sub_help")->trigger();
    EXPECT_EQ(dialogs.Messages().size(), 2u);
}

TEST_F(HotKeyFixture, DamagedHelpFileOrMissingTopicStillOpensTheWindow) {
    zx_test::WriteFile(HelpPath(), std::string("\xFF\xFE@topic\n\0garbage", 17));
    Tfrm_zorbl& w = Start();
    Pages()->setCurrentWidget(&w.unionPage());
    zx_test::Control<QAction>(w, "sub_help")->trigger();
    ASSERT_NE(w.help.Window(), nullptr);
    EXPECT_EQ(w.help.Window()->ShownContext(), 5);
    auto* txt_help = zx_test::Control<QTextBrowser>(*w.help.Window(), "txt_help");
    auto* btn_contents = zx_test::Control<QPushButton>(*w.help.Window(), "btn_contents");
    EXPECT_TRUE(txt_help->toPlainText().contains("нет раздела с номером 5"));
    EXPECT_FALSE(btn_contents->isEnabled());

    // The file is read afresh each time help is asked for.
    zx_test::WriteFile(HelpPath(), "@topic 9999 Содержание\nтекст\n");
    zx_test::Control<QAction>(w, "sub_help")->trigger();
    EXPECT_TRUE(txt_help->toPlainText().contains("содержанию справки"));
    EXPECT_TRUE(btn_contents->isEnabled());
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(HotKeyFixture, CtrlSSavesOnlyTheShownEditorWithUnsavedChanges) {
    Tfrm_zorbl& w = Start();
    auto* btn_savn = zx_test::Control<QPushButton>(w.playlistPage(), "btn_savn");
    auto* btn_savu = zx_test::Control<QPushButton>(w.unionPage(), "btn_savu");
    btn_savn->setEnabled(false);
    w.playlistPage().btn_upnClick();
    btn_savu->setEnabled(false);
    w.unionPage().btn_upuClick();
    zx_test::Control<QLineEdit>(w.playlistPage(), "edt_namn")->setText("Рок");
    zx_test::Control<QLineEdit>(w.unionPage(), "edt_namu")->setText("Всё");
    ASSERT_TRUE(btn_savn->isEnabled());

    for (QWidget* page : std::initializer_list<QWidget*>{&w.processPage(), &w.infoPage(), &w.optionsPage()}) {
        Pages()->setCurrentWidget(page);
        zx_test::Control<QAction>(w, "sub_save")->trigger();
    }
    EXPECT_FALSE(zx_test::Exists(dir / "Zorbl.Zrf"));
    EXPECT_TRUE(btn_savn->isEnabled());

    Pages()->setCurrentWidget(&w.playlistPage());
    zx_test::Control<QAction>(w, "sub_save")->trigger();
    EXPECT_EQ(Read("Zor:bl:Playlist:1", "name"), "Рок");
    EXPECT_EQ(Read("Zor:bl", "playlists"), "1");
    EXPECT_FALSE(btn_savn->isEnabled());
    EXPECT_EQ(Read("Zor:bl:Union:1", "name"), "<none>");

    // Nothing unsaved: nothing written.
    Seed("[Zor:bl]\r\nplaylists=1\r\n");
    zx_test::Control<QAction>(w, "sub_save")->trigger();
    EXPECT_EQ(zx_test::ReadFile(dir / "Zorbl.Zrf"), "[Zor:bl]\r\nplaylists=1\r\n");

    Pages()->setCurrentWidget(&w.unionPage());
    zx_test::Control<QAction>(w, "sub_save")->trigger();
    EXPECT_EQ(Read("Zor:bl:Union:1", "name"), "Всё");
    EXPECT_FALSE(btn_savu->isEnabled());
}

TEST_F(HotKeyFixture, TurningToTheProcessPageRestoresTheStoredTicksButAProgramsSelectionRunsNothing) {
    Seed("[Zor:bl]\r\nplaylists=2\r\nunions=1\r\nitem_0=1\r\nitem_1=0\r\nitem_2=1\r\n");
    Tfrm_zorbl& w = Start();
    UserSelects(&w.processPage());
    ASSERT_EQ(ProcessTicks(), (std::vector<bool>{true, false, true}));

    w.processPage().sub_selectnoneClick();
    Pages()->setCurrentWidget(&w.optionsPage());
    Pages()->setCurrentWidget(&w.processPage());
    EXPECT_EQ(ProcessTicks(), (std::vector<bool>{false, false, false}));

    UserSelects(&w.infoPage());
    UserSelects(&w.processPage());
    EXPECT_EQ(ProcessTicks(), (std::vector<bool>{true, false, true}));
    // A click on the page already shown changes no page and runs nothing.
    w.processPage().sub_selectallClick();
    UserSelects(&w.processPage());
    EXPECT_EQ(ProcessTicks(), (std::vector<bool>{true, true, true}));

    // Ctrl+Tab from the page before is the user's change as well.
    Pages()->setCurrentWidget(&w.unionPage());
    QKeyEvent ctrlTab(QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
    QApplication::sendEvent(zx_test::Control(w.unionPage(), "lst_union"), &ctrlTab);
    ASSERT_EQ(Pages()->currentWidget(), &w.processPage());
    EXPECT_EQ(ProcessTicks(), (std::vector<bool>{true, false, true}));
}

TEST_F(HotKeyFixture, TurningToTheUnionsPageRefreshesItsMemberListAndKeepsItsSaveState) {
    Seed("[Zor:bl]\r\nplaylists=1\r\n[Zor:bl:Playlist:1]\r\nname=Рок\r\n[Zor:bl:Union:1]\r\nunite_0=1\r\n");
    Tfrm_zorbl& w = Start();
    auto* btn_savu = zx_test::Control<QPushButton>(w.unionPage(), "btn_savu");
    auto* lst_union = zx_test::Control<QListWidget>(w.unionPage(), "lst_union");
    auto* edt_namu = zx_test::Control<QLineEdit>(w.unionPage(), "edt_namu");
    btn_savu->setEnabled(false);
    w.unionPage().btn_upuClick();
    ASSERT_EQ(lst_union->count(), 1);
    lst_union->item(0)->setCheckState(Qt::Unchecked);
    edt_namu->setText("Всё");  // an unsaved change

    Seed("[Zor:bl]\r\nplaylists=2\r\n[Zor:bl:Playlist:1]\r\nname=Рок\r\n[Zor:bl:Playlist:2]\r\nname=Джаз\r\n"
         "[Zor:bl:Union:1]\r\nunite_0=1\r\n");
    UserSelects(&w.unionPage());
    ASSERT_EQ(lst_union->count(), 2);
    EXPECT_EQ(lst_union->item(1)->text(), "п.2     Джаз");
    EXPECT_EQ(lst_union->item(0)->checkState(), Qt::Checked);
    EXPECT_TRUE(btn_savu->isEnabled());
    EXPECT_EQ(edt_namu->text(), "Всё");
}

// The exit button lies outside the pages; the page keys work from there too,
// and from lists that would take PgUp and PgDn for themselves.
TEST_F(HotKeyFixture, PageKeysTurnThePageWhereverTheFocusIs) {
    Seed("[Zor:bl]\r\nplaylists=1\r\nitem_0=1\r\n");
    Tfrm_zorbl& w = Start();
    auto* btn_quit = zx_test::Control<QPushButton>(w, "btn_quit");
    Pages()->setCurrentWidget(&w.infoPage());
    zx_test::Chord(btn_quit, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(Pages()->currentWidget(), &w.optionsPage());
    zx_test::Chord(btn_quit, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Pages()->currentWidget(), &w.infoPage());
    zx_test::Chord(btn_quit, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Pages()->currentWidget(), &w.processPage());
    EXPECT_EQ(ProcessTicks(), std::vector<bool>{true});

    w.processPage().sub_selectnoneClick();
    zx_test::Chord(zx_test::Control(w.processPage(), "lst_do"), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Pages()->currentWidget(), &w.unionPage());
    zx_test::Chord(zx_test::Control(w.unionPage(), "lst_union"), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(Pages()->currentWidget(), &w.processPage());
    EXPECT_EQ(ProcessTicks(), std::vector<bool>{true});  // the user's change: the list was read again
}

// Ctrl+Up and Ctrl+Down from any control of an editor's page do what a click
// on its arrow buttons does, prompt included, and nothing while the button
// is disabled.
TEST_F(HotKeyFixture, CtrlUpAndDownStepThroughTheDefinitionsLikeTheArrows) {
    Seed("[Zor:bl]\r\nplaylists=1\r\nunions=1\r\n");
    Tfrm_zorbl& w = Start();
    w.playlistPage().LoadPlaylist(1);
    w.unionPage().LoadUnion(1);
    const struct {
        QWidget* page;
        const char* group;
        const char* name;
        QWidget* list;
        QString subject;
    } pages[] = {
        {&w.playlistPage(), "grp_idn", "edt_namn", zx_test::Control(w.playlistPage(), "lst_mask"), "плейлиста"},
        {&w.unionPage(), "grp_idu", "edt_namu", zx_test::Control(w.unionPage(), "lst_union"), "объединения"},
    };
    for (const auto& p : pages) {
        SCOPED_TRACE(p.group);
        Pages()->setCurrentWidget(p.page);
        auto* group = zx_test::Control<QGroupBox>(*p.page, p.group);
        auto* name = zx_test::Control<QLineEdit>(*p.page, p.name);
        const auto shown = [&] { return group->property("tag").toInt(); };
        zx_test::Chord(name, Qt::Key_Down, Qt::ControlModifier);
        EXPECT_EQ(shown(), 1);
        zx_test::Chord(p.list, Qt::Key_Up, Qt::ControlModifier);
        EXPECT_EQ(shown(), 2);
        zx_test::Chord(name, Qt::Key_Up, Qt::ControlModifier);  // the new one is the last
        EXPECT_EQ(shown(), 2);
        EXPECT_TRUE(dialogs.calls.empty());

        name->setText("изменено");
        zx_test::Chord(p.list, Qt::Key_Down, Qt::ControlModifier);  // Cancel
        EXPECT_EQ(shown(), 2);
        dialogs.answers.push_back(zorbex::MsgResult::No);
        zx_test::Chord(name, Qt::Key_Down, Qt::ControlModifier);
        EXPECT_EQ(shown(), 1);
        const QString prompt = zorbex::TDefinitionNavigator::UnsavedPrompt(p.subject, 2);
        EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{prompt, prompt}));
        dialogs.calls.clear();
    }
}

TEST_F(HotKeyFixture, F4AndAltDownInAFileFieldOpenItsDialog) {
    Tfrm_zorbl& w = Start();
    Pages()->setCurrentWidget(&w.playlistPage());
    QWidget* folder = zx_test::Control<zorbex::TFileNameEdit>(w.playlistPage(), "edt_folder")->lineEdit();
    zx_test::Chord(folder, Qt::Key_F4, Qt::NoModifier);
    zx_test::Chord(folder, Qt::Key_Down, Qt::AltModifier);
    Pages()->setCurrentWidget(&w.unionPage());
    zx_test::Chord(zx_test::Control<zorbex::TFileNameEdit>(w.unionPage(), "edt_plsu")->lineEdit(), Qt::Key_F4,
                   Qt::NoModifier);
    std::vector<std::pair<Kind, QString>> shown;
    for (const auto& call : dialogs.calls) shown.emplace_back(call.kind, call.text);
    EXPECT_EQ(shown, (std::vector<std::pair<Kind, QString>>{
                         {Kind::PickFolder, "Укажите каталог для поиска файлов..."},
                         {Kind::PickFolder, "Укажите каталог для поиска файлов..."},
                         {Kind::SaveFile, "Укажите файл для сохранения объединения..."}}));
}

}  // namespace
