// The window as a screen reader finds it, and where the keyboard focus goes:
// dialogs, controls disabled under the focus, a run, Enter on a button.
#include <QAccessible>
#include <QApplication>
#include <QFileDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "support/window/controls.h"
#include "support/window/input.h"
#include "support/window/started_window.h"
#include "widgets/vex_progress_bar.h"

namespace {

using Kind = zx_test::ScriptedDialogs::Kind;
using zx_test::Control;

void Walk(QAccessibleInterface* node, std::vector<QAccessibleInterface*>& out) {
    out.push_back(node);
    for (int i = 0; i < node->childCount(); ++i)
        if (QAccessibleInterface* child = node->child(i)) Walk(child, out);
}

// "ВЬIХОД": a Latin letter inside a Cyrillic word, which a reader spells out.
bool MixedScript(const QString& text) {
    static const QRegularExpression mixed(QStringLiteral("[а-яёА-ЯЁ][A-Za-z]|[A-Za-z][а-яёА-ЯЁ]"));
    return mixed.match(text).hasMatch();
}

// "З А П У С К": letters one by one.
bool LetterSpaced(const QString& text) {
    static const QRegularExpression spaced(QStringLiteral("(^|\\s)\\w( +\\w){2,}(\\s|$)"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    return spaced.match(text).hasMatch();
}

// A label and its control, or a control and the part that takes its focus
// (the text line of a combo box), say the same.
bool SameControl(QAccessibleInterface* a, QAccessibleInterface* b) {
    for (const auto& [other, relation] : a->relations(QAccessible::Labelled))
        if (other->object() == b->object()) return true;
    const auto* widget = qobject_cast<QWidget*>(a->object());
    return widget && widget->focusProxy() == b->object();
}

struct ScreenReader : zx_test::StartedWindow {
    zorbex::TPageControl* Pages() const { return Control<zorbex::TPageControl>(*window, "tab_base"); }
    QWidget* Focused() const { return window->focusWidget(); }
};

TEST_F(ScreenReader, EveryPageNamesItsControlsInWordsAReaderCanSay) {
    Seed(
        "[Zor:bl]\r\nreset=0\r\nplaylists=2\r\nunions=1\r\n[Zor:bl:Playlist:1]\r\nname=Рок\r\nignore_no=1\r\n"
        "ignore_0=a.mp3\r\n[Zor:bl:Playlist:2]\r\nname=Джаз\r\n");
    auto& w = Start();
    w.show();
    for (int page = 0; page < Pages()->count(); ++page) {
        Pages()->setCurrentIndex(page);
        SCOPED_TRACE(Pages()->currentWidget()->objectName().toStdString());
        std::vector<QAccessibleInterface*> nodes;
        Walk(QAccessible::queryAccessibleInterface(&w), nodes);
        std::map<QString, std::vector<QAccessibleInterface*>> seen;
        int focusable = 0;
        for (QAccessibleInterface* node : nodes) {
            const QString name = node->text(QAccessible::Name);
            const auto* widget = qobject_cast<QWidget*>(node->object());
            if (!widget) continue;
            SCOPED_TRACE((widget->objectName() + " " + name).toStdString());
            EXPECT_FALSE(MixedScript(name));
            EXPECT_FALSE(LetterSpaced(name));
            if (node->state().focusable) {  // hidden ones too: the log shows during a run
                ++focusable;
                EXPECT_FALSE(name.trimmed().isEmpty());
                // A list has no value; the toolkit repeats its name there.
                if (node->role() != QAccessible::List) {
                    EXPECT_NE(name.toStdString(), node->text(QAccessible::Value).toStdString());
                }
            }
            if (name.isEmpty() || !widget->isVisibleTo(&w)) continue;
            // The same text twice only for a label and the control it labels.
            std::vector<QAccessibleInterface*>& same = seen[name];
            EXPECT_TRUE(same.empty() || std::any_of(same.begin(), same.end(), [&](QAccessibleInterface* other) {
                            return SameControl(other, node) || SameControl(node, other);
                        }));
            same.push_back(node);
        }
        EXPECT_GE(focusable, 3);
    }

    // The links: reached with Tab from the exit button, in order, and pressed with Enter or Space.
    Pages()->setCurrentWidget(&w.infoPage());
    auto* quit = Control<QPushButton>(w, "btn_quit");
    zx_test::Chord(quit, Qt::Key_Tab, Qt::NoModifier);
    for (const char* name : {"url_mail", "url_web", "url_mirror", "url_help", "url_update"}) {
        QWidget* link = Control(w.infoPage(), name);
        EXPECT_EQ(Focused(), link) << name;
        EXPECT_EQ(QAccessible::queryAccessibleInterface(link)->role(), QAccessible::Link);
        QTest::keyClick(Focused(), Qt::Key_Tab);
    }
    EXPECT_EQ(Focused(), quit);
    zx_test::Chord(Control(w.infoPage(), "url_web"), Qt::Key_Return, Qt::NoModifier);
    zx_test::Chord(Control(w.infoPage(), "url_update"), Qt::Key_Space, Qt::NoModifier);
    ASSERT_EQ(dialogs.Of(Kind::OpenUrl).size(), 2u);
    EXPECT_TRUE(dialogs.Of(Kind::OpenUrl)[1].text.endsWith("/update"));

    // The gradient bars tell their position.
    w.processPage().SetBars(3, 40);
    QAccessibleInterface* total = QAccessible::queryAccessibleInterface(Control(w, "bar_total"));
    EXPECT_EQ(total->role(), QAccessible::ProgressBar);
    EXPECT_EQ(total->valueInterface()->currentValue().toInt(), 40);
}

// A dialog opens over the window and gives the focus back to its opener.
TEST_F(ScreenReader, DialogsBelongToTheWindowAndGiveTheFocusBack) {
    zorbex::QtDialogs real;
    zorbex::AppContext withReal{dir.path(), real};
    zorbex::Tfrm_zorbl w(withReal);
    w.show();
    Control<zorbex::TPageControl>(w, "tab_base")->setCurrentWidget(&w.playlistPage());
    QWidget* folder = Control<zorbex::TFileNameEdit>(w.playlistPage(), "edt_folder")->lineEdit();
    std::vector<QWidget*> parents;
    // Closes each dialog as soon as it shows.
    QTimer closer;
    closer.setInterval(10);
    closer.start();
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible()) return;
        parents.push_back(dialog->parentWidget());
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            EXPECT_TRUE(box->windowTitle().isEmpty());
            EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
            EXPECT_TRUE(box->windowFlags() & Qt::WindowStaysOnTopHint);
        }
        static_cast<QDialog*>(dialog)->reject();
    });
    const auto focusBack = [&] { return QTest::qWaitFor([&] { return QApplication::focusWidget() == folder; }, 2000); };
    zx_test::Chord(folder, Qt::Key_F4, Qt::NoModifier);
    EXPECT_TRUE(focusBack());
    real.Message("?", zorbex::MsgButtons::YesNo);
    EXPECT_TRUE(focusBack());
    EXPECT_EQ(parents, (std::vector<QWidget*>{&w, &w}));
}

TEST_F(ScreenReader, FocusStaysOnAnEnabledVisibleControlOfItsPage) {
    Media("media", 2);
    Seed("[Zor:bl]\r\nreset=0\r\nlog=1\r\nplaylists=2\r\nitem_0=1\r\n[Zor:bl:Playlist:1]\r\npath=" + dir.path() +
         "media\r\n[Zor:bl:Playlist:2]\r\nignore_use=1\r\nignore_no=1\r\nignore_0=x.mp3\r\n");
    auto& w = Start();
    w.show();
    Pages()->setCurrentWidget(&w.playlistPage());
    auto* group = Control<QGroupBox>(w.playlistPage(), "grp_idn");
    auto* lst_ignore = Control(w.playlistPage(), "lst_ignore");
    auto* edt_namn = Control(w.playlistPage(), "edt_namn");
    w.playlistPage().btn_upnClick();
    ASSERT_EQ(group->property("tag").toInt(), 2);

    // The list switched off under the focus: the next enabled control of the page, and the keys still work.
    zx_test::Chord(lst_ignore, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(group->property("tag").toInt(), 1);
    EXPECT_EQ(Focused(), edt_namn);
    QTest::keyClick(Focused(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(group->property("tag").toInt(), 2);

    // Enter presses the focused button; disabled by its own press, it passes the focus on.
    auto* save = Control<QPushButton>(w.playlistPage(), "btn_savn");
    QTest::keyClicks(edt_namn, "!");
    zx_test::Chord(save, Qt::Key_Return, Qt::NoModifier);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_EQ(zorbex::SettingsFile(dir / "Zorbl.Zrf").ReadText("Zor:bl:Playlist:2", "name", ""),
              "НАЗВАНИЕ ПЛЕЙЛИСТА номер 2!");
    EXPECT_EQ(Focused(), edt_namn);

    // A run started with Space leaves the focus in the log that covers the list, then on the uncovered list.
    Pages()->setCurrentWidget(&w.processPage());
    auto* memo = Control<QPlainTextEdit>(w, "log_memo");
    zx_test::Chord(Control(w, "btn_start"), Qt::Key_Space, Qt::NoModifier);
    ASSERT_TRUE(zx_test::Exists(dir / "playlist_1.m3u"));
    EXPECT_EQ(Focused(), memo);
    EXPECT_TRUE(memo->isVisible());
    zx_test::Chord(Control(w, "btn_log"), Qt::Key_Return, Qt::NoModifier);
    EXPECT_EQ(Focused(), Control(w, "lst_do"));
}

}  // namespace
