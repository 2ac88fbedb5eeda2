// Start-up from the settings file, the command line, the automatic run in
// its window, and leaving through the exit or the close button.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>

#include "app/options_page.h"
#include "support/window/controls.h"
#include "support/window/started_window.h"

namespace {

using zx_test::Control;
using zx_test::Exists;
using zx_test::MakeDirs;
using zx_test::ReadFile;

struct StartUp : zx_test::StartedWindow {
    // One playlist over media; options include its remembered tick.
    std::string OnePlaylist(const std::string& options) const {
        return "[Zor:bl]\r\nplaylists=1\r\n" + options + "[Zor:bl:Playlist:1]\r\nfile=1.m3u\r\npath=" +
               dir.path() + "media\r\nfullpath=0\r\n";
    }
    std::vector<bool> Boxes() const {
        const zorbex::ProgramOptions o = window->optionsPage().Options();
        return {o.processPage, o.compact, o.quit, o.topmost, o.remember, o.overwrite, o.log};
    }
    QWidget* ShownPage() const { return Control<zorbex::TPageControl>(*window, "tab_base")->currentWidget(); }
};

// What is written on std::cerr while it lives.
class CerrCapture {
public:
    CerrCapture() : old_(std::cerr.rdbuf(text_.rdbuf())) {}
    ~CerrCapture() { std::cerr.rdbuf(old_); }
    std::string Text() const { return text_.str(); }

private:
    std::ostringstream text_;
    std::streambuf* old_;
};

TEST_F(StartUp, FirstStartShowsTheOptionsAndLaterStartsTheProcessPage) {
    auto& w = Start();
    EXPECT_EQ(ShownPage(), &w.optionsPage());
    // process, terminate, remember and log are on by default.
    EXPECT_EQ(Boxes(), (std::vector<bool>{true, false, true, false, true, false, true}));
    EXPECT_EQ(SettingsText(), "[Zor:bl]\r\nreset=0\r\n");
    EXPECT_FALSE(zorbex::OptionWritesSuppressed);
    EXPECT_TRUE(dialogs.calls.empty());

    EXPECT_EQ(w.windowTitle(), "Zorbex v4.0i");
    EXPECT_EQ(zx_test::Control<QLabel>(w.infoPage(), "txt_version")->text(), "ВЕРСИЯ  4.0i");
    EXPECT_FALSE(w.windowIcon().isNull());
    EXPECT_FALSE(zx_test::Control<QLabel>(w.infoPage(), "img_icon")->pixmap().isNull());
    // The links carry the program's own cursors: hand, help, mail.
    const auto shape = [](QWidget* link) { return link->cursor().pixmap().toImage(); };
    QWidget* const url_web = zx_test::Control(w.infoPage(), "url_web");
    QWidget* const url_help = zx_test::Control(w.infoPage(), "url_help");
    QWidget* const url_mail = zx_test::Control(w.infoPage(), "url_mail");
    for (QWidget* link : {url_web, zx_test::Control(w.infoPage(), "url_mirror"), zx_test::Control(w.infoPage(), "url_update")})
        EXPECT_EQ(shape(link), shape(url_web));
    EXPECT_FALSE(shape(url_web).isNull());
    EXPECT_NE(shape(url_help), shape(url_web));
    EXPECT_NE(shape(url_mail), shape(url_web));
    EXPECT_NE(shape(url_mail), shape(url_help));
    // Both editors show definition 1, unchanged; the list is filled.
    EXPECT_EQ(w.playlistPage().CurrentPlaylist(), 1);
    EXPECT_FALSE(zx_test::Control<QPushButton>(w.playlistPage(), "btn_savn")->isEnabled());
    EXPECT_EQ(w.unionPage().CurrentUnion(), 1);
    EXPECT_FALSE(zx_test::Control<QPushButton>(w.unionPage(), "btn_savu")->isEnabled());

    Start();
    EXPECT_EQ(ShownPage(), &window->processPage());
    EXPECT_EQ(SettingsText(), "[Zor:bl]\r\nreset=0\r\n");
}

TEST_F(StartUp, PageFromProcessAndReset) {
    const struct {
        const char* settings;
        bool processPage;
    } cases[] = {
        {"[Zor:bl]\r\nreset=0\r\nprocess=1\r\n", true},
        {"[Zor:bl]\r\nreset=0\r\nprocess=0\r\n", false},
        {"[Zor:bl]\r\nreset=1\r\nprocess=1\r\n", false},  // written by hand: the options once more
        {"[Zor:bl]\r\nreset=0\r\nplaylists=2\r\nunions=1\r\nitem_1=1\r\nitem_2=1\r\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings);
        Seed(c.settings);
        auto& w = Start();
        EXPECT_EQ(ShownPage() == &w.processPage(), c.processPage);
        EXPECT_EQ(MainNumber("reset"), 0);
    }
    // The last start filled the list with its remembered ticks.
    ASSERT_EQ(window->processPage().RowCount(), 3);
    EXPECT_FALSE(window->processPage().RowTicked(0));
    EXPECT_TRUE(window->processPage().RowTicked(1));
    EXPECT_TRUE(window->processPage().RowTicked(2));
}

TEST_F(StartUp, OnlyASwitchAsTheFirstArgumentStartsAnAutomaticRun) {
    const struct {
        std::vector<std::string> args;
        bool automatic;
    } cases[] = {
        {{"/START"}, true}, {{"/Auto"}, true},  {{"/gO"}, true},     {{"/do"}, true},        {{"/start", "x"}, true},
        {{}, false},        {{"start"}, false}, {{"-start"}, false}, {{"/start "}, false}, {{"x", "/start"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args.front());
        Seed("[Zor:bl]\r\nreset=0\r\nprocess=0\r\n");
        auto& w = Start(c.args);
        EXPECT_EQ(Control<QTimer>(w, "tmr_starter")->isActive(), c.automatic);
        EXPECT_EQ(w.AutoRunMarker(), c.automatic);
        EXPECT_EQ(Control<QPushButton>(w, "btn_start")->isEnabled(), !c.automatic);
        EXPECT_EQ(ShownPage() == &w.processPage(), c.automatic);
        // Neither compact nor on top without those options.
        EXPECT_EQ(w.height(), 350);
        EXPECT_TRUE(Control<QProgressBar>(w, "bar_compact")->isHidden());
        EXPECT_FALSE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    }
}

TEST_F(StartUp, CompactAutomaticRunEndsTheProgramWithoutSavingTheForcedQuit) {
    zx_test::WriteFile(dir / "media/a.mp3", "");
    Seed(OnePlaylist("reset=0\r\ncompact=1\r\nterminate=0\r\ntopmost=1\r\nitem_0=1\r\n"));
    auto& w = Start({"/start"});
    auto* compact = Control<QProgressBar>(w, "bar_compact");
    EXPECT_EQ(w.height(), 17);
    EXPECT_EQ(w.width(), 500);
    EXPECT_FALSE(compact->isHidden());
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(Control<QCheckBox>(w, "box_quit")->isChecked());
    EXPECT_EQ(MainNumber("terminate"), 0);

    w.show();
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(zx_test::LoopEndsProgram(5000, [] {}));
    EXPECT_GE(clock.elapsed(), 450);
    EXPECT_EQ(ReadFile(dir / "1.m3u"), "a.mp3\r\n");
    EXPECT_EQ(compact->value(), 100);
    EXPECT_EQ(MainNumber("terminate"), 0);
    EXPECT_FALSE(w.AutoRunMarker());
    w.hide();
}

// A refused automatic run gives the user an ordinary window to fix the
// selection in; a run then started by hand does not end the program.
TEST_F(StartUp, RefusedAutomaticRunReturnsToAnOrdinaryWindow) {
    zx_test::WriteFile(dir / "media/a.mp3", "");
    Seed(OnePlaylist("reset=0\r\ncompact=1\r\nterminate=0\r\nitem_0=0\r\n"));
    auto& w = Start({"/go"});
    ASSERT_EQ(w.height(), 17);
    w.tmr_starterTimer();
    EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{"Не выбран ни один плейлист для создания."}));
    EXPECT_FALSE(Control<QTimer>(w, "tmr_starter")->isActive());
    EXPECT_EQ(w.height(), 350);
    EXPECT_TRUE(Control<QProgressBar>(w, "bar_compact")->isHidden());
    EXPECT_TRUE(Control<QPushButton>(w, "btn_start")->isEnabled());
    EXPECT_FALSE(w.AutoRunMarker());
    EXPECT_FALSE(Control<QCheckBox>(w, "box_quit")->isChecked());
    EXPECT_EQ(MainNumber("terminate"), 0);

    Control<QListWidget>(w, "lst_do")->item(0)->setCheckState(Qt::Checked);
    Control<QCheckBox>(w, "box_quit")->setChecked(true);
    auto* start = Control<QPushButton>(w, "btn_start");
    EXPECT_FALSE(zx_test::LoopEndsProgram(300, [&] { start->click(); }));
    EXPECT_TRUE(Exists(dir / "1.m3u"));
}

// A scheduler reads the automatic run's outcome from the exit status, as it
// does for a run without a window: 1 when a ticked definition failed, 2 when
// the run never completed, whenever the program then ends.
TEST_F(StartUp, AutomaticRunEndsWithTheStatusOfARunWithoutAWindow) {
    Seed(OnePlaylist("reset=0\r\nitem_0=1\r\n"));  // its folder is missing
    auto& failed = Start({"/start"});
    failed.show();
    EXPECT_EQ(zx_test::LoopExitStatus(5000, [] {}), 1);

    Media("media", 1);
    auto& closed = Start({"/start"});
    closed.show();
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [&] { closed.close(); });
    EXPECT_EQ(zx_test::LoopExitStatus(3000, [&] {
                  closer.start(0);  // fires at the run's first yield
                  closed.tmr_starterTimer();
              }),
              2);
    EXPECT_FALSE(Exists(dir / "1.m3u"));

    Seed(OnePlaylist("reset=0\r\nitem_0=0\r\n"));
    auto& refused = Start({"/start"});
    refused.tmr_starterTimer();
    EXPECT_EQ(zx_test::LoopExitStatus(2000, [&] { Control<QPushButton>(refused, "btn_quit")->click(); }), 2);
}

TEST_F(StartUp, UnwritableSettingsFileStopsStartUpOnTheInformationPage) {
    MakeDirs(dir / "Zorbl.Zrf");  // root may write any file, but not a folder
    CerrCapture err;
    auto& w = Start({"/start"});
    // The box says the fixed message; the reason goes beside it.
    EXPECT_EQ(err.Text(), "zorbex: файл настроек «" + dir.path() + "Zorbl.Zrf» не записан: на этом месте каталог.\n");
    EXPECT_EQ(dialogs.Of(zx_test::ScriptedDialogs::Kind::ShowError).size(), 1u);
    ASSERT_FALSE(dialogs.calls.empty());
    EXPECT_EQ(dialogs.calls.back().text, QString::fromStdString("Unable to write to " + dir.path() + "Zorbl.Zrf"));
    EXPECT_EQ(ShownPage(), &w.infoPage());
    EXPECT_EQ(Boxes(), std::vector<bool>(7, false));
    EXPECT_FALSE(Control<QTimer>(w, "tmr_starter")->isActive());
    EXPECT_FALSE(w.AutoRunMarker());
    EXPECT_TRUE(Control<QPushButton>(w, "btn_start")->isEnabled());
    // What came before the write has been done; the boxes save again.
    EXPECT_EQ(w.playlistPage().CurrentPlaylist(), 1);
    EXPECT_EQ(zx_test::Control<QLabel>(w.infoPage(), "txt_version")->text(), "ВЕРСИЯ  4.0i");
    EXPECT_FALSE(zorbex::OptionWritesSuppressed);
}

TEST_F(StartUp, ExitButtonRemembersTheTicksOnlyWithTheOption) {
    for (const bool remember : {true, false}) {
        SCOPED_TRACE(remember);
        const std::string settings = "[Zor:bl]\r\nreset=0\r\nplaylists=2\r\nunions=1\r\nitem_0=1\r\nremember=" +
                                     std::to_string(remember) + "\r\n";
        Seed(settings);
        auto& w = Start();
        auto* list = Control<QListWidget>(w, "lst_do");
        list->item(0)->setCheckState(Qt::Unchecked);
        list->item(2)->setCheckState(Qt::Checked);
        const std::string before = SettingsText();
        auto* quit = Control<QPushButton>(w, "btn_quit");
        EXPECT_TRUE(zx_test::LoopEndsProgram(2000, [&] { quit->click(); }));
        if (remember) {
            EXPECT_EQ(MainNumber("item_0"), 0);
            EXPECT_EQ(MainNumber("item_1"), 0);
            EXPECT_EQ(MainNumber("item_2"), 1);
        } else {
            EXPECT_EQ(SettingsText(), before);
        }
    }
}

TEST_F(StartUp, CloseButtonNeverWritesTheTicks) {
    Seed("[Zor:bl]\r\nreset=0\r\nplaylists=1\r\nitem_0=0\r\n");
    auto& w = Start();
    Control<QListWidget>(w, "lst_do")->item(0)->setCheckState(Qt::Checked);
    const std::string before = SettingsText();
    w.show();
    EXPECT_TRUE(zx_test::LoopEndsProgram(2000, [&] { w.close(); }));
    EXPECT_EQ(SettingsText(), before);
}

TEST_F(StartUp, FailedTickWriteOnExitKeepsTheProgramOpen) {
    Seed("[Zor:bl]\r\nreset=0\r\nplaylists=1\r\nitem_0=1\r\n");
    auto& w = Start();
    std::remove((dir / "Zorbl.Zrf").c_str());
    MakeDirs(dir / "Zorbl.Zrf");
    CerrCapture err;
    EXPECT_FALSE(zx_test::LoopEndsProgram(300, [&] { w.btn_quitClick(); }));
    EXPECT_EQ(err.Text(), "zorbex: файл настроек «" + dir.path() + "Zorbl.Zrf» не записан: на этом месте каталог.\n");
    const auto errors = dialogs.Of(zx_test::ScriptedDialogs::Kind::ShowError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].text, QString::fromStdString("Unable to write to " + dir.path() + "Zorbl.Zrf"));
}

}  // namespace
