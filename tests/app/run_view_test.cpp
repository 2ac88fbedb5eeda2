// What the user sees of a run in the window, in the order it shows: the
// buttons turning off and on, the log shown, cleared and written, and every
// new state the bars are painted in.
#include <QApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <gtest/gtest.h>

#include <map>

#include "support/window/controls.h"
#include "support/window/started_window.h"
#include "widgets/vex_progress_bar.h"

namespace {

using zorbex::TVexProgressBar;
using zx_test::Control;

// The timeline of one window. A bar's state is taken when it paints, so only
// what reached the screen counts, each new state once.
class Timeline : public QObject {
public:
    explicit Timeline(QWidget& window)
        : quit_(Control<QPushButton>(window, "btn_quit")),
          start_(Control<QPushButton>(window, "btn_start")),
          memo_(Control<QPlainTextEdit>(window, "log_memo")),
          progress_(Control<TVexProgressBar>(window, "bar_progress")),
          total_(Control<TVexProgressBar>(window, "bar_total")),
          compact_(Control<QProgressBar>(window, "bar_compact")) {
        for (QWidget* w : std::initializer_list<QWidget*>{quit_, start_, memo_, progress_, total_})
            w->installEventFilter(this);
        frames_[progress_] = Frame(progress_);
        frames_[total_] = Frame(total_);
        connect(memo_, &QPlainTextEdit::textChanged, this, [this] {
            seen << (memo_->document()->isEmpty() ? QStringLiteral("log cleared")
                                                  : "log: " + memo_->document()->lastBlock().text());
        });
        connect(compact_, &QProgressBar::valueChanged, this,
                [this](int value) { seen << "compact " + QString::number(value); });
    }

    QStringList seen;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::EnabledChange)
            seen << widget->objectName() + (widget->isEnabled() ? " on" : " off");
        if (event->type() == QEvent::ShowToParent && widget == memo_) seen << "log shown";
        if (event->type() == QEvent::Paint && frames_.count(widget)) {
            const QString frame = Frame(static_cast<TVexProgressBar*>(widget));
            if (frame != frames_[widget]) seen << widget->objectName() + " " + frame;
            frames_[widget] = frame;
        }
        return false;
    }

private:
    static QString Frame(const TVexProgressBar* bar) {
        const QString text = bar->ShowPosText() ? bar->PosTextPrefix() + QString::number(bar->Position()) +
                                                      bar->PosTextSuffix()
                                                : QStringLiteral("-");
        return QStringLiteral("%1 [%2/%3]").arg(text).arg(bar->Position()).arg(bar->Max());
    }

    QPushButton* quit_;
    QPushButton* start_;
    QPlainTextEdit* memo_;
    TVexProgressBar* progress_;
    TVexProgressBar* total_;
    QProgressBar* compact_;
    std::map<QWidget*, QString> frames_;
};

// Dialogs that put their messages on the timeline.
struct TimedDialogs : zx_test::ScriptedDialogs {
    QStringList* seen = nullptr;
    zorbex::MsgResult Message(const QString& text, zorbex::MsgButtons buttons) override {
        if (seen) *seen << "message " + text.section('\n', 0, 0);
        return ScriptedDialogs::Message(text, buttons);
    }
};

// Every run that passes the checks opens so, up to the first phase's label.
const QStringList kOpening{"compact 0",
                           "btn_quit off",
                           "btn_start off",
                           "log shown",
                           "log cleared",
                           "log: Zorbex v4.0i",
                           "log: (журнал процесса)",
                           "log: ",
                           "bar_total ИТОГ 0% [0/100]",
                           "bar_progress 0% [0/100]",
                           "bar_progress ПЛЕЙЛИСТ 0% [0/100]"};

struct RunView : zx_test::StartedWindow {
    TimedDialogs timedDialogs;
    zorbex::AppContext timedContext{dir.path(), timedDialogs};

    zorbex::Tfrm_zorbl& Shown(const std::string& settings) {
        Seed(settings);
        window = std::make_unique<zorbex::Tfrm_zorbl>(timedContext);
        auto& w = *window;
        w.FormCreate({});
        w.show();
        Control<QTabWidget>(w, "tab_base")->setCurrentWidget(Control<QWidget>(w, "tab_process"));
        QApplication::processEvents();
        return w;
    }
};

TEST_F(RunView, PlaylistsThenUnionsInTheOrderTheUserSeesThem) {
    Media("media/1", 1);
    auto& w = Shown("[Zor:bl]\r\nreset=0\r\nplaylists=2\r\nunions=1\r\nitem_0=1\r\nitem_1=0\r\nitem_2=1\r\n"
                    "[Zor:bl:Playlist:1]\r\nfile=1.m3u\r\npath=" + dir.path() + "media/1\r\nfullpath=0\r\n"
                    "[Zor:bl:Playlist:2]\r\nfile=2.m3u\r\npath=" + dir.path() + "media/1\r\n"
                    "[Zor:bl:Union:1]\r\nfile=u.m3u\r\nunite_0=1\r\nunite_1=1\r\n");
    Timeline timeline(w);
    w.btn_startClick();
    const QStringList expected = kOpening + QStringList{
        "bar_progress ПЛЕЙЛИСТ 0 из 2 [0/100]",
        "bar_progress ПЛЕЙЛИСТ 0 из 2 [0/2]",
        "bar_progress ПЛЕЙЛИСТ 1 из 2 [1/2]",
        "bar_total ИТОГ 33% [33/100]",
        "compact 33",
        "log: плейлист №1",
        "log:    файлов найдено: 1",
        "log:    исключено: 0",
        "log:    ок",
        "bar_progress ПЛЕЙЛИСТ 2 из 2 [2/2]",
        "bar_total ИТОГ 66% [66/100]",
        "compact 66",
        "log: плейлист №2",
        "log:    отключён",
        "bar_progress ОБЪЕДИНЕНИЕ 2 из 2 [2/2]",
        "bar_progress ОБЪЕДИНЕНИЕ 2 из 1 [2/2]",
        "bar_progress ОБЪЕДИНЕНИЕ 2 из 1 [2/1]",
        "bar_progress ОБЪЕДИНЕНИЕ 1 из 1 [1/1]",
        "bar_total ИТОГ 100% [100/100]",
        "compact 100",
        "log: объединение №1",
        "log:    файлов итого: 1",
        "log:    объединено: 2",
        "log:    ок",
        "bar_progress -1 из 1 [1/1]",
        "bar_progress -1- [1/1]",
        "bar_progress - [1/1]",
        "btn_quit on",
        "btn_start on",
        "log: готово."};
    EXPECT_EQ(timeline.seen, expected);
    w.hide();
}

// With no playlists the bar still counts out of 1; a refused run puts the
// bars to 0 before it says why.
TEST_F(RunView, UnionsAloneAndARefusedRun) {
    auto& w = Shown("[Zor:bl]\r\nreset=0\r\nunions=2\r\nitem_0=0\r\nitem_1=1\r\n");
    Timeline timeline(w);
    timedDialogs.seen = &timeline.seen;
    w.btn_startClick();
    timeline.seen << "--";
    Seed("[Zor:bl]\r\nreset=0\r\nunions=3\r\nitem_0=0\r\nitem_1=1\r\n");
    w.btn_startClick();
    const QStringList expected = kOpening + QStringList{
        "bar_progress ПЛЕЙЛИСТ 0 из 0 [0/100]",
        "bar_progress ПЛЕЙЛИСТ 0 из 0 [0/1]",
        "bar_progress ОБЪЕДИНЕНИЕ 0 из 0 [0/1]",
        "bar_progress ОБЪЕДИНЕНИЕ 0 из 2 [0/1]",
        "bar_progress ОБЪЕДИНЕНИЕ 0 из 2 [0/2]",
        "bar_progress ОБЪЕДИНЕНИЕ 1 из 2 [1/2]",
        "bar_total ИТОГ 50% [50/100]",
        "compact 50",
        "log: объединение №1",
        "log:    отключено",
        "bar_progress ОБЪЕДИНЕНИЕ 2 из 2 [2/2]",
        "bar_total ИТОГ 100% [100/100]",
        "compact 100",
        "log: объединение №2",
        "log:    файлов итого: 0",
        "log:    объединено: 0",
        "log:    ок",
        "bar_progress -2 из 2 [2/2]",
        "bar_progress -2- [2/2]",
        "bar_progress - [2/2]",
        "btn_quit on",
        "btn_start on",
        "log: готово.",
        "--",
        "bar_progress - [0/2]",
        "bar_total ИТОГ 0% [0/100]",
        "compact 0",
        "message Количество плейлистов и объединений в списке прогресса и файле "
        "конфигурации не совпадает."};
    EXPECT_EQ(timeline.seen, expected);
    w.hide();
}

}  // namespace
