// The edit fields with a browse button: what a pick or a drop puts into the field.
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/window/scripted_dialogs.h"
#include "widgets/file_edit.h"

namespace {

using zorbex::TFileNameEdit;
using Mode = TFileNameEdit::Mode;
using zx_test::ScriptedDialogs;

TEST(FileNameEdit, PickedPathsWithBlanksAreQuotedInFileFieldsOnly) {
    const struct {
        QString path;
        Mode mode;
        QString expected;
    } cases[] = {
        {"/music/a.m3u", Mode::Save, "/music/a.m3u"},
        {"/my music/a.m3u", Mode::Save, "\"/my music/a.m3u\""},
        {"/my music/a.mp3", Mode::Open, "\"/my music/a.mp3\""},
        {"\"/my music/a.mp3", Mode::Open, "\"/my music/a.mp3"},
        {"/my music", Mode::Folder, "/my music"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TFileNameEdit::FieldTextForPick(c.path, c.mode), c.expected) << c.path.toStdString();
}

// The dialog opens where the field's file will be written: relative texts
// from the base folder, the nearest existing folder when the path's is gone.
TEST(FileNameEdit, DialogsStartWhereTheFileWillBeWritten) {
    zx_test::TempDir dir;
    zx_test::MakeDirs(dir / "music/sub");
    const std::string base = dir / "music/";
    const QString b = QString::fromStdString(base);
    const struct {
        QString text;
        Mode mode;
        QString expected;
    } cases[] = {
        {"list.m3u", Mode::Save, b + "list.m3u"},
        {"gone/deeper/list.m3u", Mode::Save, b},
        {"", Mode::Save, b},
        {"sub", Mode::Folder, b + "sub"},
        {"sub/gone", Mode::Folder, b + "sub/"},
        {QString::fromStdString(dir / "other/x.mp3"), Mode::Open, QString::fromStdString(dir.path())},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TFileNameEdit::DialogStart(c.text, c.mode, base), c.expected) << c.text.toStdString();
    // Without a base, the text as it is.
    EXPECT_EQ(TFileNameEdit::DialogStart("\"a b.m3u\"", Mode::Save, ""), "a b.m3u");
}

TEST(FileNameEdit, BrowseAsksTheDialogLayerAndFillsTheField) {
    ScriptedDialogs dialogs;
    zorbex::FileDialogOptions options;
    options.title = "Укажите файл для сохранения плейлиста...";
    options.filter = "Плейлисты|*.m3u";
    TFileNameEdit edit(Mode::Save, options, dialogs, nullptr);
    edit.setText("\"/my music/old.m3u\"");
    int changes = 0;
    QObject::connect(&edit, &TFileNameEdit::textChanged, [&] { ++changes; });

    dialogs.paths.push_back(QString("/my music/new.m3u"));
    edit.browseButton()->click();
    EXPECT_EQ(edit.text(), "\"/my music/new.m3u\"");
    EXPECT_EQ(changes, 1);

    // Cancelled: the field stays.
    edit.Browse();
    EXPECT_EQ(edit.text(), "\"/my music/new.m3u\"");

    const auto calls = dialogs.Of(ScriptedDialogs::Kind::SaveFile);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].options.title, options.title);
    EXPECT_EQ(calls[0].options.filter, options.filter);
    EXPECT_EQ(calls[0].start, "/my music/old.m3u");  // without the quotes

    zorbex::FileDialogOptions prompt;
    prompt.title = "Укажите каталог для поиска файлов...";
    TFileNameEdit folder(Mode::Folder, prompt, dialogs, nullptr);
    dialogs.paths.push_back(QString("/my music"));
    folder.Browse();
    EXPECT_EQ(folder.text(), "/my music");
    EXPECT_EQ(dialogs.Of(ScriptedDialogs::Kind::PickFolder).at(0).text, prompt.title);
}

TEST(FileNameEdit, DroppedFolderOrFileGivesTheFolder) {
    zx_test::TempDir dir;
    zx_test::WriteFile(dir / "sub/song.mp3", "x");
    zx_test::WriteFile(dir / "other.mp3", "x");
    // Exposes the drop handler: a synthetic drop is not routed without a drag in progress.
    struct DropTarget : TFileNameEdit {
        using TFileNameEdit::dropEvent;
        using TFileNameEdit::TFileNameEdit;
    };
    ScriptedDialogs dialogs;
    DropTarget folder(Mode::Folder, {}, dialogs, nullptr);
    EXPECT_TRUE(folder.acceptDrops());

    auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        folder.dropEvent(&event);
        return folder.text();
    };
    const QString root = QString::fromStdString(dir.path());
    EXPECT_EQ(drop({QUrl::fromLocalFile(root + "sub")}), root + "sub");
    EXPECT_EQ(drop({QUrl::fromLocalFile(root + "sub/song.mp3")}), root + "sub/");
    // Only the first of several items counts.
    EXPECT_EQ(drop({QUrl::fromLocalFile(root + "other.mp3"), QUrl::fromLocalFile(root + "sub")}), root);
}

}  // namespace
