// The window as built: pages in order, every named control with its kind,
// caption and initial state, the menus with their tags and pictures.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "support/temp_dir.h"
#include "support/window/controls.h"
#include "support/window/scripted_dialogs.h"
#include "widgets/picture_strips.h"

namespace {

using zorbex::Tfrm_zorbl;
using zorbex::TBarColorStyle;
using zorbex::TVexProgressBar;
using zorbex::cl3DDkShadow;
using zorbex::clBtnFace;
using zx_test::Control;

struct WindowFixture : ::testing::Test {
    zx_test::TempDir dir;
    zx_test::ScriptedDialogs dialogs;
    zorbex::AppContext context{dir.path(), dialogs};
    Tfrm_zorbl window{context};
};

// The caption a control shows: button and box text, label text, group title, edit text.
QString Caption(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
    return QString();
}

TEST_F(WindowFixture, WindowFrame) {
    EXPECT_EQ(window.objectName(), "frm_zorbl");
    EXPECT_EQ(window.windowTitle(), "Zorbex v4.0i");
    EXPECT_EQ(window.size(), QSize(500, 350));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_TRUE(window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window.font().bold());

    const QStringList captions{"ПРОГРАММА", "ПЛЕЙЛИСТЬI", "ОБЪЕДИНЕНИЯ", "ПРОЦЕСС", "ИНФОРМАЦИЯ"};
    const QStringList names{"tab_app", "tab_playlist", "tab_combine", "tab_process", "tab_info"};
    auto* pages = Control<zorbex::TPageControl>(window, "tab_base");
    ASSERT_EQ(pages->count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pages->tabText(i), captions[i]);
        EXPECT_EQ(pages->widget(i)->objectName(), names[i]);
    }
    EXPECT_EQ(pages->currentWidget(), &window.infoPage());
    EXPECT_EQ(pages->focusPolicy(), Qt::NoFocus);

    auto* compact = Control<QProgressBar>(window, "bar_compact");
    auto* quit = Control<QPushButton>(window, "btn_quit");
    EXPECT_EQ(compact->geometry(), QRect(0, 0, 500, 17));
    EXPECT_EQ(compact->minimum(), 0);
    EXPECT_EQ(compact->maximum(), 100);
    EXPECT_TRUE(compact->isHidden());
    EXPECT_EQ(quit->property("tag").toInt(), 0);
    // The exit button sits below the pages, at the right.
    EXPECT_GE(quit->y(), pages->geometry().bottom());
    EXPECT_GT(quit->x(), 250);

    auto* starter = Control<QTimer>(window, "tmr_starter");
    auto* egg = Control<QTimer>(window, "tmr_egg");
    EXPECT_FALSE(starter->isActive());
    EXPECT_EQ(starter->interval(), 500);
    EXPECT_FALSE(egg->isActive());
    EXPECT_EQ(egg->interval(), 25);
    EXPECT_EQ(egg->property("tag").toInt(), -20);

    auto* help = Control<QAction>(window, "sub_help");
    auto* save = Control<QAction>(window, "sub_save");
    EXPECT_EQ(help->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(save->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_TRUE(window.actions().contains(help));
    EXPECT_TRUE(window.actions().contains(save));
    EXPECT_FALSE(Control<QMenu>(window, "mnu_hk")->isVisible());
}

TEST_F(WindowFixture, EveryControlHasItsKindCaptionAndInitialState) {
    enum State { Enabled, Disabled, Hidden, Ticked, Clear };
    struct Row {
        const char* name;
        const char* kind;
        const char* caption;  // nullptr: not checked
        State state;
    };
    const Row rows[] = {
        {"btn_quit", "QPushButton", "ВЬIХОД", Enabled},
        // Options page.
        {"grp_config", "QGroupBox", "", Enabled},
        {"box_tab", "QCheckBox", " ", Clear},
        {"box_compact", "QCheckBox", " ", Clear},
        {"box_quit", "QCheckBox", " ", Clear},
        {"box_top", "QCheckBox", " ", Clear},
        {"box_remember", "QCheckBox", " ", Clear},
        {"box_overwrite", "QCheckBox", " ", Clear},
        {"box_log", "QCheckBox", " ", Clear},
        {"txt_tab", "zorbex::TClickLabel",
         "ПРИ  ОБЬIЧНОМ  ЗАПУСКЕ  ПРОГРАММЬI\nАВТОМАТИЧЕСКИ  ПЕРЕКЛЮЧАТЬСЯ  НА  ВКЛАДКУ ''ПРОЦЕСС''", Enabled},
        {"txt_compact", "zorbex::TClickLabel",
         "ПРИ  КОМАНДНОМ  ЗАПУСКЕ  ПРОГРАММЬI\nОТОБРАЖАТЬ  ТОЛЬКО  ИНДИКАТОР  ВЬIПОЛНЕНИЯ  ПРОЦЕССА", Enabled},
        {"txt_quit", "zorbex::TClickLabel",
         "ПРИ  КОМАНДНОМ  ЗАПУСКЕ  ПРОГРАММЬI\nАВТОМАТИЧЕСКИ  ВЬIЙТИ  ПО  ЗАВЕРШЕНИЮ  ПРОЦЕССА", Enabled},
        {"txt_top", "zorbex::TClickLabel", "ПРИ  КОМАНДНОМ  ЗАПУСКЕ  ПРОГРАММЬI\nПОМЕСТИТЬ  ОКНО  ПОВЕРХ  ВСЕХ  ОКОН",
         Enabled},
        {"txt_remember", "zorbex::TClickLabel",
         "ПРИ  ВЬIХОДЕ  ИЗ  ПРОГРАММЬI\nЗАПОМИНАТЬ  ВЬIБОР  ПЛЕЙЛИСТОВ  ДЛЯ  ПРОЦЕССА", Enabled},
        {"txt_overwrite", "zorbex::TClickLabel", "АВТОМАТИЧЕСКИ  ПЕРЕЗАПИСЬIВАТЬ  ФАЙЛЬI\nЕСЛИ  ОНИ  УЖЕ  СУЩЕСТВУЮТ",
         Enabled},
        {"txt_log", "zorbex::TClickLabel", "ПОКАЗЬIВАТЬ  ЖУРНАЛ  СОБЬIТИЙ\nВО  ВРЕМЯ  ПРОЦЕССА", Enabled},
        // Playlist page.
        {"grp_idn", "QGroupBox", " п л е й л и с т ", Enabled},
        {"txt_num_a", "QLabel", "00", Enabled},
        {"txt_num_z", "QLabel", "00", Enabled},
        {"txt_idn_a", "zorbex::TFitLabel", "ID", Enabled},
        {"txt_idn_z", "zorbex::TFitLabel", "ID", Enabled},
        {"grp_cfgn", "QGroupBox", "", Enabled},
        {"btn_upn", "zorbex::TArrowButton", "t", Enabled},
        {"btn_dnn", "zorbex::TArrowButton", "u", Disabled},
        {"btn_savn", "QPushButton", "СОХРАНИТЬ", Enabled},
        {"grp_namn", "QGroupBox", "", Enabled},
        {"edt_namn", "QLineEdit", "ID", Enabled},
        {"grp_outn", "QGroupBox", " ф а й л    п л е й л и с т а ", Enabled},
        {"edt_plsn", "zorbex::TFileNameEdit", nullptr, Enabled},
        {"grp_input", "QGroupBox", " п а р а м е т р ы    п о и с к а    ф а й л о в ", Enabled},
        {"txt_mask", "QLabel", "МАСКА  ФАЙЛОВ:", Enabled},
        {"lst_mask", "QComboBox", "*.mp3", Enabled},
        {"btn_down", "QToolButton", nullptr, Enabled},
        {"edt_folder", "zorbex::TFileNameEdit", nullptr, Enabled},
        {"box_subfolders", "QCheckBox", "ВКЛЮЧАЯ  ПОДКАТАЛОГИ", Ticked},
        {"box_full", "QCheckBox", "СОХРАНЯТЬ  ПОЛНЬIЙ  ПУТЬ", Ticked},
        {"box_hidden", "QCheckBox", "ВКЛЮЧАЯ  СКРЬIТЬIЕ  ФАЙЛЬI", Clear},
        {"box_system", "QCheckBox", "ВКЛЮЧАЯ  СИСТЕМНЬIЕ  ФАЙЛЬI", Clear},
        {"grp_ignore", "QGroupBox", " с п и с о к    и с к л ю ч е н и й ", Enabled},
        {"box_ignore", "QCheckBox", " ", Clear},
        {"txt_ignore", "zorbex::TClickLabel", "ИСКЛЮЧИТЬ  ИЗ  ПЛЕЙЛИСТА\nСЛЕДУЮЩИЕ  ФАЙЛЬI:", Enabled},
        {"lst_ignore", "QListWidget", nullptr, Disabled},
        {"edt_ignore", "zorbex::TFileNameEdit", nullptr, Disabled},
        {"btn_add", "QPushButton", "ДОБАВИТЬ", Disabled},
        {"btn_edit", "QPushButton", "ИЗМЕНИТЬ", Disabled},
        // Unions page.
        {"grp_idu", "QGroupBox", " о б ъ е д и н е н и е ", Enabled},
        {"txt_unn_a", "QLabel", "00", Enabled},
        {"txt_unn_z", "QLabel", "00", Enabled},
        {"txt_idu_a", "zorbex::TFitLabel", "ID", Enabled},
        {"txt_idu_z", "zorbex::TFitLabel", "ID", Enabled},
        {"grp_cfgu", "QGroupBox", "", Enabled},
        {"btn_upu", "zorbex::TArrowButton", "t", Enabled},
        {"btn_dnu", "zorbex::TArrowButton", "u", Disabled},
        {"btn_savu", "QPushButton", "СОХРАНИТЬ", Enabled},
        {"grp_namu", "QGroupBox", "", Enabled},
        {"edt_namu", "QLineEdit", "ID", Enabled},
        {"grp_outu", "QGroupBox",
         " ф а й л    о б ъ е д и н е н и я     ( е д и н о г о    п л е й л и с т а ) ", Enabled},
        {"edt_plsu", "zorbex::TFileNameEdit", nullptr, Enabled},
        {"grp_union", "QGroupBox", "", Enabled},
        {"lst_union", "zorbex::TClickList", nullptr, Enabled},
        // Process page.
        {"lst_do", "QListWidget", nullptr, Enabled},
        {"btn_start", "QPushButton", "З А П У С К", Enabled},
        {"log_memo", "QPlainTextEdit", nullptr, Hidden},
        {"btn_log", "QPushButton", "СКРЬIТЬ", Hidden},
        {"bar_progress", "zorbex::TVexProgressBar", nullptr, Enabled},
        {"bar_total", "zorbex::TVexProgressBar", nullptr, Enabled},
        // Information page.
        {"grp_info", "QGroupBox", "", Enabled},
        {"txt_app", "zorbex::TClickLabel", "Zorbex", Enabled},
        {"txt_version", "QLabel", "ВЕРСИЯ", Enabled},
        {"img_icon", "QLabel", nullptr, Hidden},
        {"txt_author", "QLabel", "АВТОР", Enabled},
        {"txt_name", "QLabel", nullptr, Enabled},
        {"url_mail", "zorbex::TLinkLabel", nullptr, Enabled},
        {"url_web", "zorbex::TLinkLabel", nullptr, Enabled},
        {"url_mirror", "zorbex::TLinkLabel", "... зеркало ...", Enabled},
        {"url_help", "zorbex::TLinkLabel", "[ справка по  программе ]", Enabled},
        {"url_update", "zorbex::TLinkLabel", "[ новости об обновлениях ]", Enabled},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto found = window.findChildren<QWidget*>(QString::fromLatin1(row.name));
        ASSERT_EQ(found.size(), 1);
        QWidget* w = found.first();
        EXPECT_STREQ(w->metaObject()->className(), row.kind);
        if (row.caption) {
            EXPECT_EQ(Caption(w), QString::fromUtf8(row.caption));
        }
        switch (row.state) {
        case Enabled: EXPECT_TRUE(w->isEnabled()); EXPECT_FALSE(w->isHidden()); break;
        case Disabled: EXPECT_FALSE(w->isEnabled()); break;
        case Hidden: EXPECT_TRUE(w->isHidden()); break;
        case Ticked: EXPECT_TRUE(qobject_cast<QCheckBox*>(w)->isChecked()); break;
        case Clear: EXPECT_FALSE(qobject_cast<QCheckBox*>(w)->isChecked()); break;
        }
    }
}

TEST_F(WindowFixture, FixedPropertiesOfTheEditors) {
    using zorbex::TFileNameEdit;
    using zx_test::Control;
    const QWidget& pl = window.playlistPage();
    const QWidget& un = window.unionPage();
    auto* txt_num_a = Control<QLabel>(pl, "txt_num_a");
    auto* txt_num_z = Control<QLabel>(pl, "txt_num_z");
    auto* txt_idn_a = Control<QLabel>(pl, "txt_idn_a");
    auto* txt_idn_z = Control<QLabel>(pl, "txt_idn_z");
    auto* btn_upn = Control<QPushButton>(pl, "btn_upn");
    auto* lst_mask = Control<QComboBox>(pl, "lst_mask");
    auto* btn_down = Control<QToolButton>(pl, "btn_down");
    auto* edt_plsn = Control<TFileNameEdit>(pl, "edt_plsn");
    auto* edt_plsu = Control<TFileNameEdit>(un, "edt_plsu");
    auto* edt_folder = Control<TFileNameEdit>(pl, "edt_folder");
    auto* edt_ignore = Control<TFileNameEdit>(pl, "edt_ignore");
    EXPECT_EQ(Control<QLineEdit>(pl, "edt_namn")->maxLength(), 45);
    EXPECT_EQ(Control<QLineEdit>(un, "edt_namu")->maxLength(), 45);
    EXPECT_EQ(Control<QGroupBox>(pl, "grp_idn")->property("tag").toInt(), 0);
    EXPECT_EQ(Control<QGroupBox>(un, "grp_idu")->property("tag").toInt(), 0);
    EXPECT_EQ(txt_num_a->size(), QSize(40, 40));
    // Shadows lie behind their labels, offset by 2 and 1 pixels.
    EXPECT_EQ(txt_num_z->pos(), txt_num_a->pos() + QPoint(2, 2));
    EXPECT_EQ(txt_idn_z->pos(), txt_idn_a->pos() + QPoint(1, 1));
    const QObjectList& order = Control<QGroupBox>(pl, "grp_idn")->children();
    EXPECT_LT(order.indexOf(txt_num_z), order.indexOf(txt_num_a));
    EXPECT_TRUE(txt_idn_a->font().underline());
    EXPECT_EQ(txt_num_a->font().pixelSize(), 27);
    EXPECT_EQ(btn_upn->size(), QSize(25, 17));
    EXPECT_EQ(btn_upn->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(Control<QPushButton>(pl, "btn_savn")->size(), QSize(125, 35));

    QStringList masks;
    for (int i = 0; i < lst_mask->count(); ++i) masks << lst_mask->itemText(i);
    EXPECT_EQ(masks, (QStringList{"*.avi", "*.wav", "*.mp3", "*.mp*g"}));
    EXPECT_TRUE(lst_mask->isEditable());
    EXPECT_EQ(btn_down->size(), QSize(21, 17));
    EXPECT_EQ(btn_down->parentWidget(), lst_mask);
    EXPECT_TRUE(lst_mask->rect().contains(btn_down->geometry()));
    EXPECT_GT(btn_down->x(), lst_mask->width() / 2);  // over the combo box's arrow
    EXPECT_EQ(Control<QListWidget>(pl, "lst_ignore")->size(), QSize(188, 120));
    EXPECT_EQ(Control<QPushButton>(pl, "btn_add")->size(), QSize(90, 23));

    const QString playlistFilter = "Плейлисты WinAmp®|*.m3u|Плейлисты|*.m3u;*.pls;*.lst|Все файлы|*.*";
    EXPECT_EQ(edt_plsn->mode(), TFileNameEdit::Mode::Save);
    EXPECT_EQ(edt_plsn->options().title, "Укажите файл для сохранения плейлиста...");
    EXPECT_EQ(edt_plsn->options().filter, playlistFilter);
    EXPECT_EQ(edt_plsn->options().defaultExt, "m3u");
    EXPECT_TRUE(edt_plsn->options().overwritePrompt);
    EXPECT_EQ(edt_plsu->options().title, "Укажите файл для сохранения объединения...");
    EXPECT_EQ(edt_plsu->options().filter, playlistFilter);
    EXPECT_EQ(edt_folder->mode(), TFileNameEdit::Mode::Folder);
    EXPECT_EQ(edt_folder->options().title, "Укажите каталог для поиска файлов...");
    EXPECT_EQ(edt_ignore->mode(), TFileNameEdit::Mode::Open);
    EXPECT_EQ(edt_ignore->options().filter, "Музыка|*.mp?;*.mid;*.wav;*.mod|Видео|*.avi;*.mp*g;|Все файлы|*.*");
    EXPECT_TRUE(edt_ignore->options().fileMustExist);
}

TEST_F(WindowFixture, ProgressBarsOfTheProcessPage) {
    struct {
        TVexProgressBar* bar;
        int top;
        QString prefix;
    } bars[] = {{Control<TVexProgressBar>(window, "bar_progress"), 217, ""},
                {Control<TVexProgressBar>(window, "bar_total"), 242, "ИТОГ "}};
    for (const auto& b : bars) {
        EXPECT_EQ(b.bar->geometry(), QRect(8, b.top, 454, 20));
        EXPECT_EQ(b.bar->parentWidget(), Control<QGroupBox>(window, "grp_process"));
        EXPECT_EQ(b.bar->BackgroundColor(), clBtnFace);
        EXPECT_EQ(b.bar->BarColor1(), clBtnFace);
        EXPECT_EQ(b.bar->BarColor2(), cl3DDkShadow);
        EXPECT_EQ(b.bar->BarColor3(), cl3DDkShadow);
        EXPECT_EQ(b.bar->BarColorStyle(), TBarColorStyle::cs2Colors);
        EXPECT_EQ(b.bar->PosTextPrefix(), b.prefix);
        EXPECT_EQ(b.bar->PosTextSuffix(), "%");
        EXPECT_FALSE(b.bar->ShowPosText());
        EXPECT_EQ(b.bar->Max(), 100);
    }
    // The log lies exactly over the list, its hide button inside it at the lower left.
    auto* memo = Control<QPlainTextEdit>(window, "log_memo");
    auto* hideLog = Control<QPushButton>(window, "btn_log");
    EXPECT_EQ(memo->geometry(), Control<QListWidget>(window, "lst_do")->geometry());
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_TRUE(memo->geometry().contains(hideLog->geometry()));
    EXPECT_LT(hideLog->x() - memo->x(), memo->width() / 4);
    EXPECT_GT(hideLog->y() - memo->y(), memo->height() / 2);
    EXPECT_EQ(Control<QPushButton>(window, "btn_start")->width(), 454);
}

TEST_F(WindowFixture, PopupMenusCarryTheirItemsTagsShortcutsAndPictures) {
    struct Item {
        const char* caption;  // "-" for a separator
        int tag;
        QKeySequence shortcut;
    };
    struct Menu {
        QMenu* menu;
        int strip;  // number of pictures
        std::vector<Item> items;
    };
    const std::vector<Menu> menus = {
        {zx_test::Control<QMenu>(window.playlistPage(), "mnu_ignore"),
         5,
         {{"{item}", 0, {}},
          {"-", 0, {}},
          {"удалить пункт", 1, {}},
          {"изменить пункт", 2, {}},
          {"-", 0, {}},
          {"импортировать список", 3, {}},
          {"экспортировать список", 4, {}},
          {"-", 0, {}},
          {"упростить список", 5, {}}}},
        {Control<QMenu>(window, "mnu_go"),
         4,
         {{"выделить всё", 1, QKeySequence(Qt::CTRL | Qt::Key_A)},
          {"выделить ничего", 2, QKeySequence(Qt::CTRL | Qt::Key_N)},
          {"-", 0, {}},
          {"обновить список", 3, {}}}},
        {zx_test::Control<QMenu>(window.unionPage(), "mnu_union"), 4, {{"обновить список", 4, {}}}},
    };
    for (const Menu& m : menus) {
        SCOPED_TRACE(m.menu->objectName().toStdString());
        const QList<QAction*> actions = m.menu->actions();
        ASSERT_EQ(actions.size(), qsizetype(m.items.size()));
        for (size_t i = 0; i < m.items.size(); ++i) {
            QAction* a = actions[qsizetype(i)];
            const Item& want = m.items[i];
            if (QString::fromUtf8(want.caption) == "-") {
                EXPECT_TRUE(a->isSeparator());
                continue;
            }
            EXPECT_EQ(a->text(), QString::fromUtf8(want.caption));
            EXPECT_EQ(a->data().toInt(), want.tag);
            EXPECT_EQ(a->shortcut(), want.shortcut);
            EXPECT_EQ(a->icon().isNull(), want.tag == 0) << want.caption;
        }
    }
    EXPECT_FALSE(zx_test::Control<QAction>(window.playlistPage(), "sub_item")->isEnabled());
    EXPECT_EQ(zorbex::StripSize(zorbex::PicIgnoreStrip()), 5);
    EXPECT_EQ(zorbex::StripSize(zorbex::PicGoStrip()), 4);
}

TEST(PictureStrips, EveryPictureIsDrawnAndDiffersFromTheOthers) {
    for (const QImage& strip : {zorbex::PicIgnoreStrip(), zorbex::PicGoStrip()}) {
        std::vector<QImage> pictures;
        for (int n = 1; n <= zorbex::StripSize(strip); ++n) {
            const QImage picture = zorbex::StripPicture(strip, n);
            ASSERT_EQ(picture.size(), QSize(16, 16));
            int painted = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) painted += qAlpha(picture.pixel(x, y)) > 0;
            EXPECT_GT(painted, 12) << "picture " << n;
            for (const QImage& other : pictures) EXPECT_NE(picture, other) << "picture " << n;
            pictures.push_back(picture);
        }
        EXPECT_TRUE(zorbex::StripPicture(strip, 0).isNull());
        EXPECT_TRUE(zorbex::StripPicture(strip, zorbex::StripSize(strip) + 1).isNull());
    }
}

TEST_F(WindowFixture, ClosingTheWindowEndsTheMessageLoop) {
    window.show();
    QTimer::singleShot(0, &window, [this] { window.close(); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(7); });  // the loop did not end by itself
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(WindowFixture, EveryPageGrabsOffscreen) {
    window.show();
    auto* pages = Control<zorbex::TPageControl>(window, "tab_base");
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        const QImage shot = window.grab().toImage();
        ASSERT_EQ(shot.size(), QSize(500, 350) * shot.devicePixelRatio()) << i;
        // Something besides the background was drawn.
        const QRgb background = shot.pixel(shot.width() / 2, shot.height() - 3);
        int differing = 0;
        for (int y = 40; y < shot.height() - 40; y += 3)
            for (int x = 10; x < shot.width() - 10; x += 3) differing += shot.pixel(x, y) != background;
        EXPECT_GT(differing, 50) << i;
    }
    window.hide();
}

}  // namespace
