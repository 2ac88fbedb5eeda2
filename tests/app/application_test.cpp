// Errors escaping an event handler reach the error display; the dialog layer's pure parts.
#include <new>
#include <stdexcept>

#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <gtest/gtest.h>

#include "app/application.h"
#include "support/window/scripted_dialogs.h"
#include "widgets/dialogs.h"

namespace {

using zx_test::ScriptedDialogs;

// Throws from its handler of user events while armed, counts the events it saw.
class ThrowingWidget : public QWidget {
public:
    bool armed = true;
    int seen = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            ++seen;
            if (armed) throw std::runtime_error("Unable to write to /nowhere/Zorbl.Zrf");
            return true;
        }
        return QWidget::event(e);
    }
};

TEST(ErrorDisplay, CatchesAnErrorThrownInAHandlerAndTheProgramGoesOn) {
    ScriptedDialogs dialogs;
    ThrowingWidget widget;
    auto deliver = [&](QEvent* e) {
        return zorbex::DeliverGuarded(dialogs, [&] { return QApplication::instance()->notify(&widget, e); });
    };

    QEvent first(QEvent::User);
    EXPECT_FALSE(deliver(&first));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, ScriptedDialogs::Kind::ShowError);
    EXPECT_EQ(dialogs.calls[0].text, "Unable to write to /nowhere/Zorbl.Zrf");

    // The widget and the event loop still work afterwards.
    widget.armed = false;
    QEvent second(QEvent::User);
    EXPECT_TRUE(deliver(&second));
    QApplication::postEvent(&widget, new QEvent(QEvent::User));
    QApplication::processEvents();
    EXPECT_EQ(widget.seen, 3);
    EXPECT_EQ(dialogs.calls.size(), 1u);
}

TEST(ErrorDisplay, AnythingThrownIsShown) {
    ScriptedDialogs dialogs;
    EXPECT_FALSE(zorbex::DeliverGuarded(dialogs, []() -> bool { throw 42; }));
    EXPECT_TRUE(zorbex::DeliverGuarded(dialogs, [] { return true; }));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, ScriptedDialogs::Kind::ShowError);
    EXPECT_FALSE(dialogs.calls[0].text.isEmpty());
}

// Running out of memory reaches the user in words, not as "std::bad_alloc".
TEST(ErrorDisplay, TheLibrarysOwnErrorsAreShownInRussian) {
    ScriptedDialogs dialogs;
    EXPECT_FALSE(zorbex::DeliverGuarded(dialogs, []() -> bool { throw std::bad_alloc(); }));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_TRUE(dialogs.calls[0].text.startsWith(QStringLiteral("Недостаточно памяти"))) << dialogs.calls[0].text.toStdString();
}

TEST(DialogLayer, MessageBoxesHaveNoOwnerTitleOrIconAndStayOnTop) {
    const struct {
        zorbex::MsgButtons buttons;
        QMessageBox::StandardButtons expected;
    } cases[] = {
        {zorbex::MsgButtons::Ok, QMessageBox::Ok},
        {zorbex::MsgButtons::YesNo, QMessageBox::Yes | QMessageBox::No},
        {zorbex::MsgButtons::YesNoCancel, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel},
    };
    for (const auto& c : cases) {
        const auto box = zorbex::MakeMessageBox("Текст\nвторая строка", c.buttons);
        EXPECT_EQ(box->parentWidget(), nullptr);
        EXPECT_TRUE(box->windowTitle().isEmpty());
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_TRUE(box->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(box->standardButtons(), c.expected);
        EXPECT_EQ(box->text(), "Текст\nвторая строка");
    }
    const auto error = zorbex::MakeErrorBox("Unable to write to /p/Zorbl.Zrf");
    EXPECT_EQ(error->windowTitle(), "Zorbex");
    EXPECT_EQ(error->icon(), QMessageBox::Critical);
    EXPECT_EQ(error->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(error->text(), "Unable to write to /p/Zorbl.Zrf.");
}

TEST(DialogLayer, FiltersBecomeQtNameFilters) {
    const struct {
        QString filter;
        QStringList expected;
    } cases[] = {
        {"Плейлисты WinAmp®|*.m3u|Плейлисты|*.m3u;*.pls;*.lst|Все файлы|*.*",
         {"Плейлисты WinAmp® (*.m3u)", "Плейлисты (*.m3u *.pls *.lst)", "Все файлы (*.*)"}},
        // A trailing ';' leaves an empty pattern, which is dropped.
        {"Музыка|*.mp?;*.mid;*.wav;*.mod|Видео|*.avi;*.mp*g;|Все файлы|*.*",
         {"Музыка (*.mp? *.mid *.wav *.mod)", "Видео (*.avi *.mp*g)", "Все файлы (*.*)"}},
        {"", {}},
        {"Одно описание без шаблона", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(zorbex::QtNameFilters(c.filter), c.expected) << c.filter.toStdString();
}

}  // namespace
