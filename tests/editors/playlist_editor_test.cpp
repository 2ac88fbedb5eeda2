// The playlist definition editor driven through its real widgets: loading
// with defaults, saving key by key, stepping through definitions, the prompt
// before leaving a changed definition, and the failed save.
#include <sys/stat.h>

#include <QApplication>
#include <gtest/gtest.h>

#include "engine/definitions.h"
#include "editors/playlist_page.h"
#include "platform/codepage.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"
#include "support/window/controls.h"
#include "support/window/input.h"
#include "support/window/scripted_dialogs.h"

namespace {

using zorbex::MsgButtons;
using zorbex::MsgResult;
using zx_test::Control;
using zx_test::ScriptedDialogs;
using Lines = std::vector<std::string>;

const QString kWriteFailed = QStringLiteral(
    "Произошла ошибка во время записи параметров в файл настроек.\n"
    "Возможно отсутствует разрешение на запись в файл «Zorbl.Zrf»");

QString Prompt(int n) {
    return QStringLiteral("Изменения в параметрах плейлиста № ") + QString::number(n) +
           QStringLiteral(" не были сохранены.\nСохранить их сейчас?");
}

// The settings file as decoded lines, without the blank lines the store may keep.
Lines StoredLines(const std::string& path) {
    Lines lines;
    const std::string bytes = zx_test::ReadFile(path);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(zorbex::DecodeStoreText(line));
        start = end + 1;
    }
    return lines;
}

struct PlaylistEditor : ::testing::Test {
    zx_test::TempDir dir;
    ScriptedDialogs dialogs;
    zorbex::AppContext context{dir.path(), dialogs};
    zorbex::TPlaylistPage page{context, nullptr};
    QGroupBox* grp_idn = Control<QGroupBox>(page, "grp_idn");
    QLabel* txt_num_a = Control<QLabel>(page, "txt_num_a");
    QLabel* txt_num_z = Control<QLabel>(page, "txt_num_z");
    QLabel* txt_idn_a = Control<QLabel>(page, "txt_idn_a");
    QLabel* txt_idn_z = Control<QLabel>(page, "txt_idn_z");
    QPushButton* btn_upn = Control<QPushButton>(page, "btn_upn");
    QPushButton* btn_dnn = Control<QPushButton>(page, "btn_dnn");
    QPushButton* btn_savn = Control<QPushButton>(page, "btn_savn");
    QLineEdit* edt_namn = Control<QLineEdit>(page, "edt_namn");
    zorbex::TFileNameEdit* edt_plsn = Control<zorbex::TFileNameEdit>(page, "edt_plsn");
    QComboBox* lst_mask = Control<QComboBox>(page, "lst_mask");
    QToolButton* btn_down = Control<QToolButton>(page, "btn_down");
    zorbex::TFileNameEdit* edt_folder = Control<zorbex::TFileNameEdit>(page, "edt_folder");
    QCheckBox* box_subfolders = Control<QCheckBox>(page, "box_subfolders");
    QCheckBox* box_full = Control<QCheckBox>(page, "box_full");
    QCheckBox* box_hidden = Control<QCheckBox>(page, "box_hidden");
    QCheckBox* box_system = Control<QCheckBox>(page, "box_system");
    QCheckBox* box_ignore = Control<QCheckBox>(page, "box_ignore");
    zorbex::TClickLabel* txt_ignore = Control<zorbex::TClickLabel>(page, "txt_ignore");
    QListWidget* lst_ignore = Control<QListWidget>(page, "lst_ignore");
    zorbex::TFileNameEdit* edt_ignore = Control<zorbex::TFileNameEdit>(page, "edt_ignore");
    zorbex::TExclusionEditor& exclusion = *page.findChild<zorbex::TExclusionEditor*>();
    const std::string settings = dir / "Zorbl.Zrf";

    // What start-up does: no unsaved mark, then one step up to definition 1.
    void StartUp() {
        btn_savn->setEnabled(false);
        page.btn_upnClick();
    }
    void Store(const std::string& text) { zx_test::WriteFile(settings, zorbex::EncodeStoreText(text)); }
    QStringList Rows() const {
        QStringList rows;
        for (int i = 0; i < lst_ignore->count(); ++i) rows << lst_ignore->item(i)->text();
        return rows;
    }
    void TypeName(const QString& text) {
        edt_namn->setFocus();
        zx_test::Type(edt_namn, text);
    }
};

TEST_F(PlaylistEditor, WithoutSettingsFileDefinitionOneShowsTheDefaults) {
    StartUp();
    EXPECT_EQ(page.CurrentPlaylist(), 1);
    EXPECT_EQ(grp_idn->property("tag").toInt(), 1);
    EXPECT_EQ(txt_num_a->text(), "1");
    EXPECT_EQ(txt_num_z->text(), "1");
    EXPECT_EQ(edt_namn->text(), "НАЗВАНИЕ ПЛЕЙЛИСТА номер 1");
    EXPECT_EQ(txt_idn_a->text(), "НАЗВАНИЕ ПЛЕЙЛИСТА номер 1");
    EXPECT_EQ(txt_idn_z->text(), "НАЗВАНИЕ ПЛЕЙЛИСТА номер 1");
    EXPECT_EQ(edt_plsn->text(), "playlist_1.m3u");
    EXPECT_EQ(lst_mask->currentText(), "*.mp3");
    EXPECT_EQ(edt_folder->text().toStdString(), zorbex::DefaultMusicFolder());
    EXPECT_TRUE(box_subfolders->isChecked());
    EXPECT_TRUE(box_full->isChecked());
    EXPECT_FALSE(box_hidden->isChecked());
    EXPECT_FALSE(box_system->isChecked());
    EXPECT_FALSE(box_ignore->isChecked());
    EXPECT_EQ(lst_ignore->count(), 0);
    EXPECT_FALSE(btn_upn->isEnabled());
    EXPECT_FALSE(btn_dnn->isEnabled());
    EXPECT_FALSE(btn_savn->isEnabled());
    EXPECT_FALSE(lst_ignore->isEnabled());
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_FALSE(zx_test::Exists(settings));  // loading writes nothing
}

TEST_F(PlaylistEditor, SavingWritesTheKeysInOrderAndRaisesTheCount) {
    StartUp();
    page.btn_savnClick();
    EXPECT_TRUE(dialogs.calls.empty());
    const std::string folder = zorbex::DefaultMusicFolder();
    EXPECT_EQ(StoredLines(settings),
              (Lines{"[Zor:bl:Playlist:1]", "name=НАЗВАНИЕ ПЛЕЙЛИСТА номер 1", "file=playlist_1.m3u", "mask=*.mp3",
                     "path=" + folder, "subfolders=1", "fullpath=1", "hidden=0", "system=0", "ignore_use=0",
                     "ignore_no=0", "[Zor:bl]", "playlists=1"}));
    EXPECT_FALSE(btn_savn->isEnabled());
    ASSERT_TRUE(btn_upn->isEnabled());

    zx_test::Click(btn_upn);
    EXPECT_EQ(page.CurrentPlaylist(), 2);
    EXPECT_EQ(edt_plsn->text(), "playlist_2.m3u");
    EXPECT_EQ(edt_namn->text(), "НАЗВАНИЕ ПЛЕЙЛИСТА номер 2");
    EXPECT_TRUE(btn_dnn->isEnabled());
    EXPECT_FALSE(btn_upn->isEnabled());
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(PlaylistEditor, EveryFieldRoundTripsAndEntriesFollowTheCount) {
    StartUp();
    edt_namn->setText("Мои песни");
    edt_plsn->setText("\"/my lists/all.m3u\"");
    lst_mask->setCurrentText("*.ogg;*.flac");
    edt_folder->setText("/srv/музыка");
    box_subfolders->setChecked(false);
    box_full->setChecked(false);
    box_hidden->setChecked(true);
    box_system->setChecked(true);
    box_ignore->setChecked(true);
    for (const char* entry : {"one.mp3", "two.mp3", "three.mp3"}) {
        edt_ignore->setText(entry);
        exclusion.btn_addClick();
    }
    page.btn_savnClick();
    // Entries are written after the count, but a new key joins the end of its own section.
    const Lines stored{"[Zor:bl:Playlist:1]", "name=Мои песни", "file=\"/my lists/all.m3u\"", "mask=*.ogg;*.flac",
                       "path=/srv/музыка", "subfolders=0", "fullpath=0", "hidden=1", "system=1", "ignore_use=1",
                       "ignore_no=3", "ignore_0=one.mp3", "ignore_1=two.mp3", "ignore_2=three.mp3", "[Zor:bl]",
                       "playlists=1"};
    EXPECT_EQ(StoredLines(settings), stored);

    // Fewer entries later: the old keys stay, the loader reads only the count.
    exclusion.lst_ignoreMouseDown(Qt::RightButton, {0, 0});
    exclusion.sub_deleteClick();
    page.btn_savnClick();
    Lines shorter = stored;
    shorter[10] = "ignore_no=2";
    shorter[11] = "ignore_0=two.mp3";
    shorter[12] = "ignore_1=three.mp3";
    EXPECT_EQ(StoredLines(settings), shorter);

    page.LoadPlaylist(1);
    const zorbex::PlaylistDefinition shown = page.ShownDefinition();
    EXPECT_EQ(shown.name, "Мои песни");
    EXPECT_EQ(shown.file, "/my lists/all.m3u");  // reading drops one pair of quotes
    EXPECT_EQ(shown.mask, "*.ogg;*.flac");
    EXPECT_EQ(shown.path, "/srv/музыка");
    EXPECT_FALSE(shown.subfolders);
    EXPECT_FALSE(shown.fullpath);
    EXPECT_TRUE(shown.hidden);
    EXPECT_TRUE(shown.system);
    EXPECT_TRUE(shown.ignore_use);
    EXPECT_EQ(shown.ignore, (Lines{"two.mp3", "three.mp3"}));
    EXPECT_FALSE(btn_savn->isEnabled());
    EXPECT_TRUE(lst_ignore->isEnabled());
}

TEST_F(PlaylistEditor, StoredEntriesLoadByTheCountWithPlaceholdersForGaps) {
    Store("[Zor:bl]\r\nplaylists=2\r\n"
          "[Zor:bl:Playlist:1]\r\nignore_use=7\r\nignore_no=3\r\nignore_0=a.mp3\r\nignore_2=c.mp3\r\n"
          "[Zor:bl:Playlist:2]\r\nignore_no=2\r\nignore_0=x\r\nignore_1=y\r\nignore_2=z\r\nignore_3=w\r\n");
    StartUp();
    EXPECT_EQ(Rows(), (QStringList{"a.mp3", "---", "c.mp3"}));
    EXPECT_TRUE(box_ignore->isChecked());  // any non-zero flag counts as set
    page.btn_upnClick();
    EXPECT_EQ(Rows(), (QStringList{"x", "y"}));
    EXPECT_FALSE(box_ignore->isChecked());
    EXPECT_FALSE(lst_ignore->isEnabled());
    EXPECT_FALSE(btn_savn->isEnabled());
}

TEST_F(PlaylistEditor, SteppingToTheNewDefinitionAndBackAsksAndWritesNothing) {
    Store("[Zor:bl]\r\nplaylists=3\r\n[Zor:bl:Playlist:3]\r\nname=third\r\n");
    const std::string before = zx_test::ReadFile(settings);
    StartUp();
    page.btn_upnClick();
    page.btn_upnClick();
    EXPECT_EQ(edt_namn->text(), "third");
    EXPECT_TRUE(btn_upn->isEnabled());

    page.btn_upnClick();
    EXPECT_EQ(page.CurrentPlaylist(), 4);
    EXPECT_EQ(edt_plsn->text(), "playlist_4.m3u");
    EXPECT_FALSE(btn_upn->isEnabled());  // no further than count + 1
    page.btn_dnnClick();
    EXPECT_EQ(page.CurrentPlaylist(), 3);
    EXPECT_TRUE(btn_upn->isEnabled());
    for (int i = 0; i < 3; ++i) page.btn_dnnClick();
    EXPECT_EQ(page.CurrentPlaylist(), 1);
    EXPECT_FALSE(btn_dnn->isEnabled());
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(zx_test::ReadFile(settings), before);

    // Saving the new one makes it count; saving a lower one never lowers the count.
    for (int i = 0; i < 3; ++i) page.btn_upnClick();
    page.btn_savnClick();
    EXPECT_TRUE(btn_upn->isEnabled());
    page.btn_dnnClick();
    page.btn_dnnClick();
    page.btn_savnClick();
    EXPECT_EQ(zorbex::ReadPlaylistCount(zorbex::SettingsFile(settings)), 4);
}

TEST_F(PlaylistEditor, LeavingAChangedDefinitionAsksFirst) {
    const struct {
        MsgResult answer;
        int shown;         // definition on screen afterwards
        bool savedEdit;    // the typed name reached the file
    } cases[] = {{MsgResult::Cancel, 4, false}, {MsgResult::No, 3, false}, {MsgResult::Yes, 3, true}};
    for (const auto& c : cases) {
        dialogs.calls.clear();
        Store("[Zor:bl]\r\nplaylists=4\r\n");
        btn_savn->setEnabled(false);
        page.LoadPlaylist(4);
        TypeName("!");
        ASSERT_TRUE(btn_savn->isEnabled());
        dialogs.answers = {c.answer};

        page.btn_dnnClick();
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(dialogs.calls[0].text, Prompt(4));
        EXPECT_EQ(dialogs.calls[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(page.CurrentPlaylist(), c.shown);
        const zorbex::SettingsFile s(settings);
        EXPECT_EQ(s.ReadText(zorbex::PlaylistSection(4), "name", "") == "НАЗВАНИЕ ПЛЕЙЛИСТА номер 4!", c.savedEdit);
        if (c.answer == MsgResult::Cancel) {
            EXPECT_EQ(edt_namn->text(), "НАЗВАНИЕ ПЛЕЙЛИСТА номер 4!");
            EXPECT_TRUE(btn_savn->isEnabled());
        } else {
            EXPECT_FALSE(btn_savn->isEnabled());
        }
    }
}

TEST_F(PlaylistEditor, EveryControlOfTheDefinitionMarksAChange) {
    StartUp();
    const std::function<void()> edits[] = {
        [&] { TypeName("x"); },
        [&] { edt_plsn->setText("other.m3u"); },
        [&] { edt_folder->setText("/other"); },
        [&] { lst_mask->setCurrentIndex(0); },
        [&] { zx_test::Click(box_subfolders); },
        [&] { zx_test::Click(box_full); },
        [&] { zx_test::Click(box_hidden); },
        [&] { zx_test::Click(box_system); },
        [&] { txt_ignore->clicked(); },
    };
    int i = 0;
    for (const auto& edit : edits) {
        page.LoadPlaylist(1);
        ASSERT_FALSE(btn_savn->isEnabled());
        edit();
        EXPECT_TRUE(btn_savn->isEnabled()) << "edit " << i++;
    }
    // Typing in the entry field alone is no change of the definition.
    page.LoadPlaylist(1);
    box_ignore->setChecked(true);
    btn_savn->setEnabled(false);
    zx_test::Type(edt_ignore->lineEdit(), "abc");
    EXPECT_FALSE(btn_savn->isEnabled());
}

TEST_F(PlaylistEditor, LongStoredNamesLoadWholeWhileTypingStopsAtFortyFive) {
    const QString sixty(60, QChar(u'ж'));
    Store("[Zor:bl]\r\nplaylists=1\r\n[Zor:bl:Playlist:1]\r\nname=" + sixty.toStdString() + "\r\n");
    StartUp();
    EXPECT_EQ(edt_namn->text(), sixty);
    EXPECT_EQ(txt_idn_a->text(), sixty);
    EXPECT_FALSE(btn_savn->isEnabled());
    edt_namn->end(false);
    TypeName("z");
    EXPECT_EQ(edt_namn->text(), sixty);  // cannot grow by typing
    zx_test::Key(edt_namn, Qt::Key_Backspace);
    EXPECT_EQ(edt_namn->text().size(), 59);
    page.btn_savnClick();
    page.LoadPlaylist(1);
    EXPECT_EQ(edt_namn->text().size(), 59);

    page.btn_upnClick();  // a short name: typing stops at 45 characters
    edt_namn->clear();
    TypeName(QString(50, QChar(u'ы')));
    EXPECT_EQ(edt_namn->text(), QString(45, QChar(u'ы')));
    EXPECT_EQ(txt_idn_z->text(), QString(45, QChar(u'ы')));
}

TEST_F(PlaylistEditor, TypingInsideANameKeepsTheCursorWhereItIs) {
    StartUp();
    edt_namn->setText("abcdef");
    edt_namn->setCursorPosition(2);
    TypeName("zz");
    EXPECT_EQ(edt_namn->text(), "abzzcdef");
    EXPECT_EQ(edt_namn->cursorPosition(), 4);
}

TEST_F(PlaylistEditor, NameLabelsFollowEveryKeystroke) {
    StartUp();
    edt_namn->clear();
    for (const QString& typed : {QString("Р"), QString("Ро"), QString("Рок")}) {
        TypeName(typed.right(1));
        EXPECT_EQ(txt_idn_a->text(), typed);
        EXPECT_EQ(txt_idn_z->text(), typed);
    }
}

TEST_F(PlaylistEditor, BrowsingAndDroppingFillTheFields) {
    StartUp();
    dialogs.paths = {QString("/my music/best.m3u"), QString("/music/folder one")};
    edt_plsn->browseButton()->click();
    edt_folder->browseButton()->click();
    const auto save = dialogs.Of(ScriptedDialogs::Kind::SaveFile);
    ASSERT_EQ(save.size(), 1u);
    EXPECT_EQ(save[0].text, "Укажите файл для сохранения плейлиста...");
    EXPECT_EQ(save[0].options.filter, "Плейлисты WinAmp®|*.m3u|Плейлисты|*.m3u;*.pls;*.lst|Все файлы|*.*");
    EXPECT_EQ(save[0].options.defaultExt, "m3u");
    EXPECT_TRUE(save[0].options.overwritePrompt);
    // Where the relative default will be written, not the process's folder.
    EXPECT_EQ(save[0].start, QString::fromStdString(dir / "playlist_1.m3u"));
    const auto folder = dialogs.Of(ScriptedDialogs::Kind::PickFolder);
    ASSERT_EQ(folder.size(), 1u);
    EXPECT_TRUE(folder[0].start.startsWith(QString::fromStdString(dir.path()))) << folder[0].start.toStdString();
    EXPECT_EQ(folder[0].text, "Укажите каталог для поиска файлов...");
    EXPECT_EQ(edt_plsn->text(), "\"/my music/best.m3u\"");
    EXPECT_EQ(edt_folder->text(), "/music/folder one");
    EXPECT_TRUE(btn_savn->isEnabled());

    // Drops are taken by the folder field alone (what a drop gives is the field's own test).
    EXPECT_TRUE(edt_folder->acceptDrops());
    EXPECT_FALSE(edt_plsn->acceptDrops());
}

TEST_F(PlaylistEditor, MaskButtonOpensTheMaskList) {
    StartUp();
    page.show();
    EXPECT_EQ(lst_mask->count(), 4);
    btn_down->click();
    EXPECT_TRUE(btn_down->isEnabled());
    EXPECT_TRUE(lst_mask->view()->isVisible());
    lst_mask->hidePopup();
    EXPECT_FALSE(btn_savn->isEnabled());
}

// Tab leads down the left column, then through the exclusion list: the list's
// editor builds its controls in the page's own order.
TEST_F(PlaylistEditor, TabGoesDownTheLeftColumnThenThroughTheExclusionList) {
    QStringList order;
    for (QWidget* w = page.nextInFocusChain(); w != &page; w = w->nextInFocusChain()) {
        if (!(w->focusPolicy() & Qt::TabFocus)) continue;
        // The line edits inside the file fields and the combo box carry no name of their own.
        order << (w->objectName().isEmpty() ? w->parentWidget()->objectName() + "/edit" : w->objectName());
    }
    EXPECT_EQ(order, (QStringList{"btn_savn", "edt_namn", "edt_plsn/edit", "lst_mask", "lst_mask/edit",
                                  "edt_folder/edit", "box_subfolders", "box_full", "box_hidden", "box_system",
                                  "box_ignore", "lst_ignore", "edt_ignore/edit", "btn_add", "btn_edit"}));
}

TEST_F(PlaylistEditor, ReadOnlySettingsFileShowsTheMessageOnceAndKeepsTheMark) {
    if (!zx_test::UnprivilegedAvailable()) GTEST_SKIP() << "no process subject to permission bits";
    Store("[Zor:bl]\r\nplaylists=1\r\n");
    zx_test::GiveToUnprivileged(dir.path());
    zx_test::GiveToUnprivileged(settings);
    ::chmod(settings.c_str(), 0444);
    const std::string before = zx_test::ReadFile(settings);
    StartUp();
    TypeName("x");
    const auto out = zx_test::RunUnprivileged([&] {
        std::string report;
        page.btn_savnClick();
        report += "save:" + std::to_string(btn_savn->isEnabled()) + std::to_string(btn_upn->isEnabled());
        // Yes on leaving: the failure is shown and the step does not
        // happen, the edits stay.
        dialogs.answers = {MsgResult::Yes};
        page.btn_upnClick();
        report += " step:" + std::to_string(page.CurrentPlaylist()) + std::to_string(btn_savn->isEnabled());
        for (const QString& m : dialogs.Messages()) report += "|" + m.toStdString();
        return report;
    });
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "save:11 step:11|" + kWriteFailed.toStdString() + "|" + Prompt(1).toStdString() + "|" +
                        kWriteFailed.toStdString());
    EXPECT_EQ(zx_test::ReadFile(settings), before);
}

}  // namespace


namespace {

TEST_F(PlaylistEditor, PathsThatWouldReadBackCutAreNotSaved) {
    Store("[Zor:bl]\r\nplaylists=1\r\n[Zor:bl:Playlist:1]\r\nfile=/m/" + std::string(1100, 'f') + "\r\n");
    const std::string before = zx_test::ReadFile(settings);
    StartUp();
    const auto refusal = [](const char* what) {
        return QStringLiteral("Нельзя указать %1 длиннее 1023 символов:\nфайл настроек не сможет его сохранить.")
            .arg(QString::fromUtf8(what));
    };
    // Loaded cut, the text stands for another file: a run refuses it, and
    // saving it unchanged would make that other file the definition's.
    EXPECT_TRUE(page.ShownDefinition().fileCut);
    TypeName("x");
    page.btn_savnClick();
    edt_plsn->setText(QStringLiteral("\"") + QString(1023, QLatin1Char('p')) + QStringLiteral("\""));  // reads back whole
    edt_folder->setText(QString(1024, QLatin1Char('d')));
    page.btn_savnClick();
    EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{refusal("путь к файлу плейлиста"),
                                                       refusal("путь к каталогу для поиска")}));
    EXPECT_TRUE(btn_savn->isEnabled());
    EXPECT_EQ(zx_test::ReadFile(settings), before);
    edt_folder->setText(QString(1023, QLatin1Char('d')));
    page.btn_savnClick();
    EXPECT_FALSE(btn_savn->isEnabled());
}

}  // namespace
