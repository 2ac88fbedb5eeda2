// The options page: every change of a box saves all seven options, once.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "app/options_page.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"
#include "support/window/controls.h"
#include "support/window/scripted_dialogs.h"

namespace {

using zorbex::SettingsFile;
using zx_test::Control;
using zx_test::ScriptedDialogs;

const char* const kKeysInOrder[] = {"process", "terminate", "remember", "overwrite", "compact", "topmost", "log"};

void Click(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

void PressSpace(QWidget* widget) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

struct OptionsFixture : ::testing::Test {
    zx_test::TempDir dir;
    ScriptedDialogs dialogs;
    zorbex::AppContext context{dir.path(), dialogs};
    zorbex::TOptionsPage page{context, nullptr};

    std::string SettingsText() const { return zx_test::ReadFile(dir / "Zorbl.Zrf"); }
    int Stored(const char* key) const {
        return SettingsFile(zorbex::SettingsPath(dir.path())).ReadNumber(zorbex::MainSection(), key, -1);
    }
    std::vector<int> StoredOptions() const {
        std::vector<int> values;
        for (const char* key : kKeysInOrder) values.push_back(Stored(key));
        return values;
    }
    QCheckBox* Box(const char* name) const { return Control<QCheckBox>(page, name); }
    zorbex::TClickLabel* Label(const char* name) const { return Control<zorbex::TClickLabel>(page, name); }
    // A settings "file" that cannot be written: a folder of that name.
    void MakeSettingsUnwritable() { zx_test::MakeDirs(dir / "Zorbl.Zrf"); }
};

TEST_F(OptionsFixture, LabelOfRowThreeTicksItsBoxAndWritesAllSevenKeysInOrder) {
    Click(Label("txt_quit"));
    EXPECT_TRUE(Box("box_quit")->isChecked());
    EXPECT_EQ(StoredOptions(), (std::vector<int>{0, 1, 0, 0, 0, 0, 0}));
    const std::string text = SettingsText();
    size_t last = 0;
    for (const char* key : kKeysInOrder) {
        const size_t at = text.find(std::string(key) + "=");
        ASSERT_NE(at, std::string::npos) << key;
        EXPECT_GE(at, last) << key << " out of order";
        last = at;
    }

    // The second click clears the box and writes again: the file is written anew.
    std::remove((dir / "Zorbl.Zrf").c_str());
    Click(Label("txt_quit"));
    EXPECT_FALSE(Box("box_quit")->isChecked());
    EXPECT_EQ(StoredOptions(), (std::vector<int>{0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(OptionsFixture, EachBoxSavesUnderItsOwnKeyWhateverTheWayItChanged) {
    // Box, its key's index, how it is changed.
    struct Case {
        QCheckBox* box;
        int index;
        std::function<void()> change;
    } cases[] = {
        {Box("box_tab"), 0, [&] { Click(Box("box_tab")); }},
        {Box("box_remember"), 2, [&] { PressSpace(Box("box_remember")); }},
        {Box("box_overwrite"), 3, [&] { Click(Label("txt_overwrite")); }},
        {Box("box_compact"), 4, [&] { Box("box_compact")->setChecked(true); }},
        {Box("box_top"), 5, [&] { page.txt_topClick(); }},
        {Box("box_log"), 6, [&] { Click(Box("box_log")); }},
    };
    std::vector<int> expected(7, 0);
    for (auto& c : cases) {
        c.change();
        expected[c.index] = 1;
        EXPECT_TRUE(c.box->isChecked()) << c.box->objectName().toStdString();
        EXPECT_EQ(StoredOptions(), expected) << c.box->objectName().toStdString();
    }
}

TEST_F(OptionsFixture, EveryChangeWritesExactlyOnce) {
    // With an unwritable file each write attempt shows one message, so the
    // messages count the saves.
    MakeSettingsUnwritable();
    Click(Box("box_tab"));              // mouse on the box
    PressSpace(Box("box_tab"));         // keyboard
    Click(Label("txt_log"));            // its label
    Box("box_quit")->setChecked(true);  // by the program
    Box("box_quit")->setChecked(true);  // no change, no save
    EXPECT_EQ(dialogs.Messages().size(), 4u);
}

TEST_F(OptionsFixture, SuppressedChangesWriteNothing) {
    {
        zorbex::SuppressOptionWrites quiet;
        for (QCheckBox* box : {Box("box_tab"), Box("box_quit"), Box("box_log")}) Click(box);
        Click(Label("txt_top"));
    }
    EXPECT_FALSE(zx_test::Exists(dir / "Zorbl.Zrf"));
    EXPECT_TRUE(Box("box_top")->isChecked());
    EXPECT_FALSE(zorbex::OptionWritesSuppressed);

    Click(Box("box_compact"));  // writes again once the flag is clear
    EXPECT_EQ(StoredOptions(), (std::vector<int>{1, 1, 0, 0, 1, 1, 1}));
}

TEST_F(OptionsFixture, FailedWriteShowsTheMessageAndTheBoxKeepsItsTick) {
    for (const bool missingFolder : {false, true}) {
        ScriptedDialogs localDialogs;
        zx_test::TempDir localDir;
        const std::string programDir = missingFolder ? localDir / "gone/" : localDir.path();
        if (!missingFolder) zx_test::MakeDirs(localDir / "Zorbl.Zrf");
        zorbex::AppContext ctx{programDir, localDialogs};
        zorbex::TOptionsPage options(ctx, nullptr);

        Click(Control<zorbex::TClickLabel>(options, "txt_remember"));
        EXPECT_TRUE(Control<QCheckBox>(options, "box_remember")->isChecked());
        ASSERT_EQ(localDialogs.calls.size(), 1u);
        EXPECT_EQ(localDialogs.calls[0].kind, ScriptedDialogs::Kind::Message);
        EXPECT_EQ(localDialogs.calls[0].buttons, zorbex::MsgButtons::Ok);
        EXPECT_EQ(localDialogs.calls[0].text,
                  QStringLiteral("Произошла ошибка во время записи параметров в файл настроек.\n"
                                 "Возможно отсутствует разрешение на запись в файл «Zorbl.Zrf»"));
    }
}

TEST_F(OptionsFixture, LoadTicksTheStoredOptionsWithoutWriting) {
    const std::string stored =
        "[Zor:bl]\nprocess=0\nterminate=0\nremember=0\noverwrite=1\ncompact=1\ntopmost=1\nlog=0\n";
    zx_test::WriteFile(dir / "Zorbl.Zrf", stored);
    page.LoadOptions();
    EXPECT_FALSE(Box("box_tab")->isChecked());
    EXPECT_FALSE(Box("box_quit")->isChecked());
    EXPECT_FALSE(Box("box_remember")->isChecked());
    EXPECT_TRUE(Box("box_overwrite")->isChecked());
    EXPECT_TRUE(Box("box_compact")->isChecked());
    EXPECT_TRUE(Box("box_top")->isChecked());
    EXPECT_FALSE(Box("box_log")->isChecked());
    EXPECT_EQ(SettingsText(), stored);
    EXPECT_FALSE(zorbex::OptionWritesSuppressed);
}

TEST_F(OptionsFixture, GarbageOrMissingOptionsLoadAsDefaults) {
    // process, terminate, remember and log default to ticked; the rest to clear.
    const std::string garbage =
        "[Zor:bl]\nprocess=abc\nterminate=99999999999999999999\nremember=\noverwrite=x1\n"
        "compact=--1\ntopmost=yes\n";
    for (const std::string& content : {std::string(), garbage}) {
        if (!content.empty()) zx_test::WriteFile(dir / "Zorbl.Zrf", content);
        page.LoadOptions();
        EXPECT_TRUE(Box("box_tab")->isChecked());
        EXPECT_TRUE(Box("box_quit")->isChecked());
        EXPECT_TRUE(Box("box_remember")->isChecked());
        EXPECT_FALSE(Box("box_overwrite")->isChecked());
        EXPECT_FALSE(Box("box_compact")->isChecked());
        EXPECT_FALSE(Box("box_top")->isChecked());
        EXPECT_TRUE(Box("box_log")->isChecked());
    }
    EXPECT_EQ(SettingsText(), garbage);
    EXPECT_TRUE(dialogs.calls.empty());
}

}  // namespace
