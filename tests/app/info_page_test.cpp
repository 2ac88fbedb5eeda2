// The information page: where its links lead, the help they open, and the
// title's animation.
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "support/temp_dir.h"
#include "support/window/controls.h"
#include "support/window/scripted_dialogs.h"

namespace {

using Kind = zx_test::ScriptedDialogs::Kind;
using zorbex::MsgResult;

void Press(QWidget* widget, Qt::KeyboardModifiers modifiers, Qt::MouseButton button = Qt::LeftButton,
           QEvent::Type type = QEvent::MouseButtonPress) {
    const QPointF at(widget->width() / 2, widget->height() / 2);
    QMouseEvent press(type, at, widget->mapToGlobal(at), button, button, modifiers);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), button, Qt::NoButton, modifiers);
    QApplication::sendEvent(widget, &release);
}

struct InfoFixture : ::testing::Test {
    zx_test::TempDir dir;
    zx_test::ScriptedDialogs dialogs;
    zorbex::AppContext context{dir.path(), dialogs};
    zorbex::Tfrm_zorbl window{context};
    zorbex::TInfoPage& page = window.infoPage();
    QTimer* egg = zx_test::Control<QTimer>(window, "tmr_egg");
    zorbex::TClickLabel* txt_app = zx_test::Control<zorbex::TClickLabel>(page, "txt_app");
    QLabel* img_icon = zx_test::Control<QLabel>(page, "img_icon");
    QLabel* txt_name = zx_test::Control<QLabel>(page, "txt_name");
    zorbex::TClickLabel* url_mail = zx_test::Control<zorbex::TClickLabel>(page, "url_mail");
    zorbex::TClickLabel* url_web = zx_test::Control<zorbex::TClickLabel>(page, "url_web");
    zorbex::TClickLabel* url_mirror = zx_test::Control<zorbex::TClickLabel>(page, "url_mirror");
    zorbex::TClickLabel* url_help = zx_test::Control<zorbex::TClickLabel>(page, "url_help");
    zorbex::TClickLabel* url_update = zx_test::Control<zorbex::TClickLabel>(page, "url_update");

    std::vector<QString> Urls() const {
        std::vector<QString> urls;
        for (const auto& call : dialogs.Of(Kind::OpenUrl)) urls.push_back(call.text);
        return urls;
    }
};

TEST_F(InfoFixture, LinksOpenTheirAddressesAndTheMailSubjectIsQuotedUnencoded) {
    EXPECT_EQ(url_mail->text(), "mail@zorbex.example.org");
    EXPECT_EQ(txt_name->text(), "Команда Zorbex\n(zorbex team)");
    Press(url_mail, Qt::NoModifier);
    Press(url_web, Qt::NoModifier);
    Press(url_mirror, Qt::NoModifier);
    Press(url_update, Qt::NoModifier);
    EXPECT_EQ(Urls(), (std::vector<QString>{"mailto:mail@zorbex.example.org?subject=\"Zorbex v4.0i\"",
                                            "https://zorbex.example.org/", "https://zorbex-mirror.example.net/",
                                            "https://zorbex.example.org/update"}));
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(InfoFixture, HelpLinkWithoutAHelpFileAsksToDownloadItNoDoesNothingYesOpensTheDownload) {
    const QString question = "Файл справки «ZORBHELP.HLP» не найден в каталоге программы.\n"
                             "Желаете ли Вы скачать его с сайта автора программы сейчас?";
    Press(url_help, Qt::NoModifier);
    ASSERT_EQ(dialogs.Messages(), std::vector<QString>{question});
    EXPECT_EQ(dialogs.Of(Kind::Message)[0].buttons, zorbex::MsgButtons::YesNo);
    EXPECT_TRUE(Urls().empty());
    EXPECT_EQ(window.help.Window(), nullptr);

    dialogs.answers.push_back(MsgResult::Yes);
    Press(url_help, Qt::NoModifier);
    EXPECT_EQ(dialogs.Messages().size(), 2u);
    EXPECT_EQ(Urls(), std::vector<QString>{"https://zorbex.example.org/appz/zorbhelp.hlp"});
    EXPECT_EQ(window.help.Window(), nullptr);
}

TEST_F(InfoFixture, CursorsGoToTheLinksByKind) {
    page.SetLinkCursors(QCursor(Qt::PointingHandCursor), QCursor(Qt::WhatsThisCursor), QCursor(Qt::IBeamCursor));
    for (QWidget* hand : std::initializer_list<QWidget*>{url_web, url_mirror, url_update})
        EXPECT_EQ(hand->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(url_help->cursor().shape(), Qt::WhatsThisCursor);
    EXPECT_EQ(url_mail->cursor().shape(), Qt::IBeamCursor);
}

TEST_F(InfoFixture, SecondCtrlClickStartsTheAnimationAndOtherClicksDoNotCount) {
    Press(txt_app, Qt::NoModifier);
    Press(txt_app, Qt::ShiftModifier, Qt::RightButton);
    EXPECT_EQ(txt_app->property("tag").toInt(), 0);

    Press(txt_app, Qt::ControlModifier, Qt::RightButton);  // any button counts
    EXPECT_EQ(txt_app->property("tag").toInt(), 1);
    EXPECT_TRUE(img_icon->isHidden());
    EXPECT_FALSE(egg->isActive());

    // A quick second press arrives as a double click.
    Press(txt_app, Qt::ControlModifier, Qt::LeftButton, QEvent::MouseButtonDblClick);
    EXPECT_EQ(txt_app->property("tag").toInt(), 2);
    EXPECT_FALSE(img_icon->isHidden());
    EXPECT_TRUE(egg->isActive());
    EXPECT_EQ(egg->property("tag").toInt(), -20);

    // A third one during the animation changes nothing to be seen.
    Press(txt_app, Qt::ControlModifier);
    EXPECT_EQ(txt_app->property("tag").toInt(), 3);
    EXPECT_TRUE(egg->isActive());
    EXPECT_EQ(txt_app->text(), "Zorbex");
    egg->stop();
}

TEST_F(InfoFixture, AnimationRunsFiftyFourTicksAndEndsGreenWithTheHandlerDetached) {
    struct Seen {
        int tick;
        int iconLeft;
        QString title;
        bool green;
    };
    std::vector<Seen> seen;
    int ticks = 0;
    // Connected after the page's handler, so it sees each tick's outcome.
    QObject::connect(egg, &QTimer::timeout, [&] {
        ++ticks;
        seen.push_back({ticks, img_icon->x(), txt_app->text(),
                        txt_app->palette().color(QPalette::WindowText) == QColor(0, 128, 0)});
    });
    Press(txt_app, Qt::ControlModifier);
    Press(txt_app, Qt::ControlModifier);
    QElapsedTimer clock;
    clock.start();
    while (egg->isActive() && clock.elapsed() < 10000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

    ASSERT_FALSE(egg->isActive());
    ASSERT_EQ(ticks, 54);
    EXPECT_EQ(seen[0].iconLeft, 8);  // the first tick only counts
    EXPECT_EQ(seen[1].iconLeft, 8);
    EXPECT_EQ(seen[2].iconLeft, 18);
    EXPECT_EQ(seen[43].iconLeft, 428);
    EXPECT_EQ(seen[43].title, "Zorbex");
    EXPECT_EQ(seen[44].title, "Zorbex ");
    EXPECT_EQ(seen[49].title, "Zorbex ver.4");
    EXPECT_EQ(seen[52].title, "Zorbex ver.4   ");
    EXPECT_EQ(seen[53].title, "Zorbex ver.4    ");
    EXPECT_FALSE(seen[52].green);
    EXPECT_TRUE(seen[53].green);

    EXPECT_EQ(img_icon->x(), 428);
    EXPECT_EQ(txt_app->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    EXPECT_EQ(egg->property("tag").toInt(), 1090);

    // Detached: Ctrl-clicks count no more and nothing starts again.
    Press(txt_app, Qt::ControlModifier);
    Press(txt_app, Qt::ControlModifier);
    EXPECT_EQ(txt_app->property("tag").toInt(), 2);
    EXPECT_FALSE(egg->isActive());
}

}  // namespace
