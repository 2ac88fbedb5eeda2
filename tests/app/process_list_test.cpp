// The process list: rows from the settings file, remembered ticks by row
// position, the popup menu's ticking that writes nothing.
#include <QApplication>
#include <QKeyEvent>
#include <QStyle>
#include <gtest/gtest.h>

#include "app/process_page.h"
#include "support/temp_dir.h"
#include "support/window/controls.h"
#include "support/window/scripted_dialogs.h"

namespace {

struct ProcessListFixture : ::testing::Test {
    zx_test::TempDir dir;
    zx_test::ScriptedDialogs dialogs;
    zorbex::AppContext context{dir.path(), dialogs};
    zorbex::TProcessPage page{context, nullptr};

    void Seed(const std::string& text) { zx_test::WriteFile(dir / "Zorbl.Zrf", text); }
    std::string SettingsText() const { return zx_test::ReadFile(dir / "Zorbl.Zrf"); }

    QListWidget* List() const { return zx_test::Control<QListWidget>(page, "lst_do"); }
    QAction* Action(const char* name) const { return zx_test::Control<QAction>(page, name); }
    QStringList Rows() const {
        QStringList rows;
        for (int r = 0; r < List()->count(); ++r) rows << List()->item(r)->text();
        return rows;
    }
    std::vector<bool> Ticks() const {
        std::vector<bool> ticks;
        for (int r = 0; r < page.RowCount(); ++r) ticks.push_back(page.RowTicked(r));
        return ticks;
    }
};

TEST_F(ProcessListFixture, PlaylistRowsThenUnionRowsWithTheListsOwnDefaultNames) {
    Seed("[Zor:bl]\r\nplaylists=2\r\nunions=1\r\n"
         "[Zor:bl:Playlist:1]\r\nname=Рок\r\n[Zor:bl:Playlist:2]\r\nname=Джаз\r\n");
    page.sub_updateClick();
    EXPECT_EQ(Rows(), (QStringList{"п.1     Рок", "п.2     Джаз", "о.1     ОБЪЕДИНЕНИЕ НОМЕР 1"}));
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false}));
    for (int r = 0; r < List()->count(); ++r)
        EXPECT_TRUE(List()->item(r)->flags() & Qt::ItemIsUserCheckable);
    // The check boxes fit the 13 pixel rows whole, with a pixel to spare above and below.
    const int rowHeight = List()->visualItemRect(List()->item(0)).height();
    EXPECT_EQ(rowHeight, 13);
    EXPECT_LE(List()->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, List()), rowHeight - 2);

    // A second fill replaces the rows instead of adding to them.
    Seed("[Zor:bl]\r\nplaylists=1\r\n");
    page.sub_updateClick();
    EXPECT_EQ(Rows(), (QStringList{"п.1     ПЛЕЙЛИСТ НОМЕР 1"}));
}

TEST_F(ProcessListFixture, NoSettingsFileGivesAnEmptyListAndCreatesNothing) {
    page.sub_updateClick();
    EXPECT_EQ(page.RowCount(), 0);
    EXPECT_FALSE(page.RowTicked(0));
    EXPECT_FALSE(zx_test::Exists(dir / "Zorbl.Zrf"));
}

TEST_F(ProcessListFixture, RememberedTicksFollowRowPositions) {
    struct Case {
        const char* items;  // item_ lines of the main section
        std::vector<bool> ticks;
    };
    const Case cases[] = {
        {"item_0=1\r\n", {true, false, false}},
        {"item_1=1\r\nitem_2=0\r\n", {false, true, false}},
        // Values the program never writes: any non-zero number ticks.
        {"item_0=7\r\nitem_1=-1\r\nitem_2=0x10\r\n", {true, true, true}},
        {"item_0=yes\r\nitem_1=\r\nitem_2=00\r\n", {false, false, false}},
        // Keys beyond the rows stay unread.
        {"item_3=1\r\nitem_9=1\r\n", {false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.items);
        Seed(std::string("[Zor:bl]\r\nplaylists=2\r\nunions=1\r\n") + c.items);
        page.sub_updateClick();
        EXPECT_EQ(Ticks(), c.ticks);
    }

    // One more playlist shifts the rows, not the keys: the union's remembered
    // tick now lands on the new playlist's row.
    Seed("[Zor:bl]\r\nplaylists=3\r\nunions=1\r\nitem_2=1\r\n");
    page.sub_updateClick();
    EXPECT_EQ(Rows().last(), "о.1     ОБЪЕДИНЕНИЕ НОМЕР 1");
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, true, false}));
}

TEST_F(ProcessListFixture, MenuTickingWritesNothingAndAFillRestoresTheRememberedTicks) {
    Seed("[Zor:bl]\r\nplaylists=2\r\nunions=2\r\nitem_1=1\r\nitem_3=1\r\n");
    const std::string before = SettingsText();
    page.sub_updateClick();

    Action("sub_selectall")->trigger();
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, true, true, true}));
    Action("sub_update")->trigger();
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, false, true}));

    Action("sub_selectnone")->trigger();
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false, false}));
    page.sub_updateClick();
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, false, true}));

    EXPECT_EQ(SettingsText(), before);
}

TEST_F(ProcessListFixture, MenuShortcutsActOnTheFocusedList) {
    EXPECT_EQ(Action("sub_selectall")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
    EXPECT_EQ(Action("sub_selectnone")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    for (QAction* action : {Action("sub_selectall"), Action("sub_selectnone")}) {
        EXPECT_EQ(action->shortcutContext(), Qt::WidgetShortcut);
        EXPECT_TRUE(List()->actions().contains(action));
    }
    // The list must not claim Ctrl+A for its own select-all, or the shortcut never fires.
    QKeyEvent probe(QEvent::ShortcutOverride, Qt::Key_A, Qt::ControlModifier);
    probe.ignore();
    QApplication::sendEvent(List(), &probe);
    EXPECT_FALSE(probe.isAccepted());
}

}  // namespace
