// The run from the start button, with the window as its host: the log in
// log_memo, the bars, the buttons, the editors, live ticks, quitting.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "app/window_run_host.h"
#include "cli/unattended_run.h"
#include "support/child_process.h"
#include "support/window/controls.h"
#include "support/window/started_window.h"

namespace {

using zorbex::TVexProgressBar;
using zx_test::Control;
using zx_test::Exists;
using zx_test::MakeDirs;
using zx_test::ReadFile;

struct WindowRun : zx_test::StartedWindow {
    // Playlists reading media/N (12 files in media/1), file N.m3u, names only.
    std::string Settings(int playlists, int unions, const std::string& ticks) const {
        std::string s = "[Zor:bl]\r\nreset=0\r\nplaylists=" + std::to_string(playlists) +
                        "\r\nunions=" + std::to_string(unions) + "\r\n" + ticks;
        for (int n = 1; n <= playlists; ++n)
            s += "[Zor:bl:Playlist:" + std::to_string(n) + "]\r\nfile=" + std::to_string(n) + ".m3u\r\npath=" +
                 dir.path() + "media/" + std::to_string(n) + "\r\nmask=*.mp3\r\nfullpath=0\r\n";
        return s;
    }
    QStringList Log() const { return window->processPage().LogText().split('\n'); }
};

TEST_F(WindowRun, StartButtonBuildsWhatIsTickedAndLogsItLineByLine) {
    Media("media/1", 12);
    Media("media/2", 1);
    Seed(Settings(2, 0, "item_0=1\r\nitem_1=0\r\n"));
    auto& w = Start();
    auto* start = Control<QPushButton>(w, "btn_start");
    auto* hideLog = Control<QPushButton>(w, "btn_log");
    auto* memo = Control<QPlainTextEdit>(w, "log_memo");
    auto* list = Control<QListWidget>(w, "lst_do");
    auto* progress = Control<TVexProgressBar>(w, "bar_progress");
    auto* total = Control<TVexProgressBar>(w, "bar_total");
    auto* quit = Control<QPushButton>(w, "btn_quit");
    // An unsaved edit on the playlist page gives way to the loaded definitions.
    zx_test::Control<zorbex::TFileNameEdit>(w.playlistPage(), "edt_plsn")->setText("elsewhere.m3u");
    start->click();

    EXPECT_EQ(Log(), (QStringList{"Zorbex v4.0i", "(журнал процесса)", "", "плейлист №1", "   файлов найдено: 12",
                                  "   исключено: 0", "   ок", "плейлист №2", "   отключён", "готово."}));
    EXPECT_EQ(ReadFile(dir / "1.m3u"), "01.mp3\r\n02.mp3\r\n03.mp3\r\n04.mp3\r\n05.mp3\r\n06.mp3\r\n07.mp3\r\n08.mp3\r\n"
                                       "09.mp3\r\n10.mp3\r\n11.mp3\r\n12.mp3\r\n");
    EXPECT_FALSE(Exists(dir / "2.m3u"));
    EXPECT_FALSE(Exists(dir / "elsewhere.m3u"));
    EXPECT_TRUE(dialogs.calls.empty());

    // The window is idle again, the editors on definition 1 without changes.
    EXPECT_TRUE(start->isEnabled());
    EXPECT_EQ(start->text(), "З А П У С К");
    EXPECT_TRUE(quit->isEnabled());
    EXPECT_EQ(w.playlistPage().CurrentPlaylist(), 1);
    EXPECT_EQ(zx_test::Control<zorbex::TFileNameEdit>(w.playlistPage(), "edt_plsn")->text(), "1.m3u");
    EXPECT_FALSE(zx_test::Control<QPushButton>(w.playlistPage(), "btn_savn")->isEnabled());
    EXPECT_EQ(w.unionPage().CurrentUnion(), 1);
    EXPECT_EQ(progress->PosTextPrefix(), "-");
    EXPECT_FALSE(progress->ShowPosText());
    EXPECT_EQ(total->Position(), 100);
    EXPECT_TRUE(total->ShowPosText());
    EXPECT_EQ(Control<QProgressBar>(w, "bar_compact")->value(), 100);

    // The log covers the list until it is hidden.
    EXPECT_FALSE(memo->isHidden());
    EXPECT_FALSE(hideLog->isHidden());
    hideLog->click();
    EXPECT_TRUE(memo->isHidden());
    EXPECT_TRUE(hideLog->isHidden());
    EXPECT_FALSE(list->isHidden());
    // Without box_log the next run writes a fresh log but does not show it.
    Control<QCheckBox>(w, "box_log")->setChecked(false);
    start->click();
    EXPECT_TRUE(memo->isHidden());
    EXPECT_EQ(Log().mid(3, 2), (QStringList{"плейлист №1", "   отменён - файл существует"}));
    EXPECT_EQ(Log().size(), 8);
}

// The window and a run in another process on one settings file: each sees
// what the other wrote when it next reads, and neither write drops the
// other's keys.
TEST_F(WindowRun, TheWindowAndAnotherProcessSeeAndKeepEachOthersWrites) {
    Media("media/1", 2);
    Seed(Settings(1, 1, "item_0=1\r\nitem_1=1\r\n"));
    auto& w = Start();
    const std::string path = zorbex::SettingsPath(dir.path());
    ASSERT_EQ(zx_test::RunInChild([&] {
                  zorbex::SettingsFile(path).WriteText(zorbex::PlaylistSection(1), "name", "Поп");
                  return std::string("ok");
              }).value_or("no child"),
              "ok");
    auto* pages = w.findChild<QTabWidget*>();
    pages->setCurrentWidget(&w.processPage());
    w.tab_baseChange();
    EXPECT_EQ(Control<QListWidget>(w, "lst_do")->item(0)->text(), "п.1     Поп");
    pages->setCurrentWidget(&w.unionPage());
    w.tab_baseChange();
    auto* members = Control<QListWidget>(w.unionPage(), "lst_union");
    ASSERT_EQ(members->count(), 1);
    EXPECT_EQ(members->item(0)->text(), "п.1     Поп");
    members->item(0)->setCheckState(Qt::Checked);
    Control<QPushButton>(w.unionPage(), "btn_savu")->click();
    EXPECT_EQ(zorbex::SettingsFile(path).ReadText(zorbex::PlaylistSection(1), "name", "-"), "Поп");

    // The other process builds the union the window has just saved.
    const auto status = zx_test::RunInChild([&] {
        std::ostringstream log, errors;
        return std::to_string(zorbex::RunUnattended(zorbex::ProgramPlaces(dir.path()), log, errors));
    });
    EXPECT_EQ(status.value_or("no child"), "0");
    EXPECT_EQ(ReadFile(dir / "union_1.m3u"), "01.mp3\r\n02.mp3\r\n");
}

TEST_F(WindowRun, LastLogLineShowsAboveTheHideButton) {
    Seed(Settings(12, 0, "item_0=1\r\n"));  // 28 lines, more than the memo shows
    auto& w = Start();
    w.show();
    Control<zorbex::TPageControl>(w, "tab_base")->setCurrentWidget(&w.processPage());
    w.btn_startClick();
    QApplication::processEvents();
    QPlainTextEdit* memo = Control<QPlainTextEdit>(w, "log_memo");
    const QPushButton* hideLog = Control<QPushButton>(w, "btn_log");
    QGroupBox* group = Control<QGroupBox>(w, "grp_process");
    QTextCursor end(memo->document());
    end.movePosition(QTextCursor::End);
    const QRect last = memo->cursorRect(end);
    const QPoint top = memo->viewport()->mapTo(group, last.topLeft());
    const QPoint bottom = memo->viewport()->mapTo(group, last.bottomLeft());
    EXPECT_GE(top.y(), memo->y());
    EXPECT_LE(bottom.y(), hideLog->y());
    // Not far above it either: the lines before it fill the memo.
    EXPECT_GT(bottom.y(), hideLog->y() - 2 * memo->fontMetrics().lineSpacing());
    w.hide();
}

TEST_F(WindowRun, TotalBarShowsEachDefinitionsShareAsItStarts) {
    Seed(Settings(3, 0, "item_0=1\r\n"));
    auto& w = Start();
    std::map<QString, int> totalAt;  // "плейлист №N" -> bar_total when the line was written
    QPlainTextEdit* memo = Control<QPlainTextEdit>(w, "log_memo");
    const TVexProgressBar* total = Control<TVexProgressBar>(w, "bar_total");
    QObject::connect(memo, &QPlainTextEdit::textChanged, [&] {
        const QString last = memo->document()->lastBlock().text();
        if (last.startsWith("плейлист")) totalAt[last] = total->Position();
    });
    w.btn_startClick();
    EXPECT_EQ(totalAt, (std::map<QString, int>{{"плейлист №1", 33}, {"плейлист №2", 66}, {"плейлист №3", 100}}));
}

TEST_F(WindowRun, WhileTheRunYieldsTheButtonsAreOffAndTicksAreReadWhenReached) {
    Media("media/1", 2);
    MakeDirs(dir / "media/1/sub");
    Media("media/2", 2);
    Seed(Settings(2, 0, "item_0=1\r\nitem_1=1\r\n"));
    auto& w = Start();
    auto* start = Control<QPushButton>(w, "btn_start");
    auto* memo = Control<QPlainTextEdit>(w, "log_memo");
    auto* list = Control<QListWidget>(w, "lst_do");
    auto* quit = Control<QPushButton>(w, "btn_quit");
    struct Seen {
        bool start, quit;
        QString caption;
        bool logShown;
    };
    std::vector<Seen> seen;
    // Timers fire only while the run lets events through.
    QTimer during;
    QObject::connect(&during, &QTimer::timeout, [&] {
        seen.push_back({start->isEnabled(), quit->isEnabled(), start->text(), memo->isVisibleTo(&w)});
        list->item(1)->setCheckState(Qt::Unchecked);  // the user unticks the second row mid-run
    });
    during.start(0);
    w.btn_startClick();
    during.stop();

    ASSERT_FALSE(seen.empty());
    for (const Seen& s : seen) {
        EXPECT_FALSE(s.start);
        EXPECT_FALSE(s.quit);
        EXPECT_EQ(s.caption, "");
        EXPECT_TRUE(s.logShown);
    }
    EXPECT_TRUE(Log().contains("   отключён"));
    EXPECT_TRUE(Exists(dir / "1.m3u"));
    EXPECT_FALSE(Exists(dir / "2.m3u"));
    EXPECT_TRUE(start->isEnabled());
    EXPECT_TRUE(quit->isEnabled());
}

// The close button stays usable during a run: the run ends at its next
// folder, the definition in progress keeps its old file, nothing more is
// built or logged, and the program ends without saving the ticks.
TEST_F(WindowRun, ClosingTheWindowDuringARunStopsItAtTheNextFolder) {
    Media("media/1", 3);
    MakeDirs(dir / "media/1/sub");
    Media("media/2", 2);
    Seed(Settings(2, 0, "item_0=1\r\nitem_1=1\r\noverwrite=1\r\n"));
    zx_test::WriteFile(dir / "1.m3u", "old\r\n");
    auto& w = Start();
    w.show();
    const std::string before = SettingsText();
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [&] { w.close(); });
    EXPECT_EQ(zx_test::LoopExitStatus(3000, [&] {
                  closer.start(0);  // fires at the run's first yield
                  Control<QPushButton>(w, "btn_start")->click();
              }),
              0);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Log().back(), "плейлист №1");
    EXPECT_EQ(ReadFile(dir / "1.m3u"), "old\r\n");
    EXPECT_FALSE(Exists(dir / "2.m3u"));
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"1.m3u", "Zorbl.Zrf", "media"}));  // no temporary
    EXPECT_EQ(SettingsText(), before);
}

TEST_F(WindowRun, RefusedRunsSetTheBarsToZeroAndChangeNothingElse) {
    const struct {
        const char* name;
        std::string ticks;
        int playlistsAfterStart;  // the settings file changed behind the list
        const char* message;
    } cases[] = {
        {"nothing ticked", "item_0=0\r\n", 1, "Не выбран ни один плейлист для создания."},
        {"list out of step", "item_0=1\r\n", 2,
         "Количество плейлистов и объединений в списке прогресса и файле конфигурации не совпадает.\n"
         "Выберите пункт «обновить список» в выпадающем меню списка прогресса и попробуйте снова."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Media("media/1", 1);
        Seed(Settings(1, 0, c.ticks));
        auto& w = Start();
        auto* start = Control<QPushButton>(w, "btn_start");
        auto* memo = Control<QPlainTextEdit>(w, "log_memo");
        auto* progress = Control<TVexProgressBar>(w, "bar_progress");
        auto* total = Control<TVexProgressBar>(w, "bar_total");
        auto* compact = Control<QProgressBar>(w, "bar_compact");
        Seed(Settings(c.playlistsAfterStart, 0, c.ticks));
        total->SetPosition(40);
        progress->SetPosition(1);
        compact->setValue(40);
        dialogs.calls.clear();

        start->click();
        EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{QString::fromUtf8(c.message)}));
        EXPECT_EQ(total->Position(), 0);
        EXPECT_EQ(progress->Position(), 0);
        EXPECT_EQ(compact->value(), 0);
        EXPECT_TRUE(start->isEnabled());
        EXPECT_EQ(start->text(), "З А П У С К");
        EXPECT_TRUE(Control<QPushButton>(w, "btn_quit")->isEnabled());
        EXPECT_TRUE(memo->isHidden());
        EXPECT_TRUE(memo->toPlainText().isEmpty());
        EXPECT_FALSE(Exists(dir / "1.m3u"));
    }
}

TEST_F(WindowRun, OnlyAnAutomaticRunWithTheQuitOptionEndsTheProgram) {
    const struct {
        const char* name;
        bool marker, quitOption, ends;
    } cases[] = {
        {"by hand, quit option on", false, true, false},
        {"automatic, quit option on", true, true, true},
        {"automatic, quit option off", true, false, false},
    };
    Media("media/1", 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Seed(Settings(1, 0, "item_0=1\r\n"));
        auto& w = Start();
        Control<QCheckBox>(w, "box_quit")->setChecked(c.quitOption);
        w.SetAutoRunMarker(c.marker);
        EXPECT_EQ(zx_test::LoopEndsProgram(300, [&] { w.btn_startClick(); }), c.ends);
        EXPECT_EQ(Log().back(), "готово.");
        EXPECT_FALSE(w.AutoRunMarker());
        EXPECT_EQ(Control<QPushButton>(w, "btn_quit")->property("tag").toInt(), 0);
    }
}

}  // namespace

namespace {

struct PaintCount : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

TEST_F(WindowRun, PaintingTheLogLeavesTheListItCoversAlone) {
    Seed(Settings(1, 0, "item_0=1\r\n"));
    auto& w = Start();
    w.show();
    Control<zorbex::TPageControl>(w, "tab_base")->setCurrentWidget(&w.processPage());
    w.btn_startClick();
    QApplication::processEvents();
    PaintCount list;
    Control<QListWidget>(w, "lst_do")->viewport()->installEventFilter(&list);
    Control<QPlainTextEdit>(w, "log_memo")->viewport()->repaint();
    Control<TVexProgressBar>(w, "bar_total")->SetPosition(50);
    EXPECT_EQ(list.paints, 0);
    Control<QPushButton>(w, "btn_log")->click();
    Control<QListWidget>(w, "lst_do")->viewport()->repaint();
    EXPECT_EQ(list.paints, 1);
    w.hide();
}

// Queued calls run at every folder; input and timers at each definition's
// first folder and then at least once a millisecond.
TEST_F(WindowRun, YieldsRunQueuedCallsEveryTimeAndTimersWhenDue) {
    Seed(Settings(1, 0, "item_0=1\r\n"));
    auto& w = Start();
    zorbex::TWindowRunHost host(w);
    int queued = 0, timed = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++timed; });
    timer.start(0);
    host.LoadPlaylist(1);
    for (int k = 0; k < 50; ++k) {
        QMetaObject::invokeMethod(qApp, [&] { ++queued; }, Qt::QueuedConnection);
        host.Yield();
        EXPECT_EQ(queued, k + 1);
    }
    EXPECT_GE(timed, 1);
    const int before = timed;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    host.Yield();
    EXPECT_EQ(timed, before + 1);
    host.LoadPlaylist(1);
    host.Yield();
    EXPECT_EQ(timed, before + 2);
}

}  // namespace
