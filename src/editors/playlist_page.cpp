#include "editors/playlist_page.h"

#include "build/definitions.h"
#include "settings/settings_file.h"
#include "widgets/picture_strips.h"
#include "widgets/shared_texts.h"

namespace zorbex {

namespace {

const char* const kListFilter = "Текстовые документы|*.txt|Списки и плейлисты|*.lst;*.pls;*.m3u|Все файлы|*.*";

// Page geometry: a left column of 278 pixels and a right one of 200.
constexpr int kLeftX = 4, kLeftW = 278, kRightX = 286, kRightW = 200;

QCheckBox* CheckBox(QWidget* parent, const char* name, const QString& caption, bool ticked, const QRect& geometry) {
    auto* box = Named(new QCheckBox(caption, parent), name);
    box->setChecked(ticked);
    box->setGeometry(geometry);
    return box;
}

}  // namespace

TPlaylistPage::TPlaylistPage(const AppContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("tab_playlist"));
    BuildIdentity();
    BuildInput(context);
    BuildIgnore(context);
    BuildIgnoreMenu();
    ConnectHandlers();
}

void TPlaylistPage::BuildIdentity() {
    grp_idn = Named(new QGroupBox(QStringLiteral(" п л е й л и с т "), this), "grp_idn");
    grp_idn->setGeometry(kLeftX, 0, kLeftW, 60);
    grp_idn->setProperty("tag", 0);
    const IdentityLabels labels = MakeIdentityLabels(grp_idn, "txt_num_a", "txt_num_z", "txt_idn_a", "txt_idn_z");
    txt_num_a = labels.numA;
    txt_num_z = labels.numZ;
    txt_idn_a = labels.idA;
    txt_idn_z = labels.idZ;

    grp_cfgn = Named(new QGroupBox(this), "grp_cfgn");
    grp_cfgn->setGeometry(kRightX, 0, kRightW, 60);
    const NavigationButtons nav = MakeNavigationButtons(grp_cfgn, "btn_upn", "btn_dnn", "btn_savn");
    btn_upn = nav.up;
    btn_dnn = nav.down;
    btn_savn = nav.save;

    grp_namn = Named(new QGroupBox(this), "grp_namn");
    grp_namn->setGeometry(kLeftX, 62, kLeftW, 34);
    edt_namn = Named(new QLineEdit(QStringLiteral("ID"), grp_namn), "edt_namn");
    edt_namn->setMaxLength(45);
    edt_namn->setGeometry(8, 7, kLeftW - 16, 21);
}

void TPlaylistPage::BuildInput(const AppContext& context) {
    grp_outn = Named(new QGroupBox(QStringLiteral(" ф а й л    п л е й л и с т а "), this), "grp_outn");
    grp_outn->setGeometry(kLeftX, 98, kLeftW, 42);
    edt_plsn = Named(new TFileNameEdit(TFileNameEdit::Mode::Save,
                                       {.title = QStringLiteral("Укажите файл для сохранения плейлиста..."),
                                        .filter = QString::fromUtf8(kPlaylistFilter),
                                        .defaultExt = QStringLiteral("m3u"),
                                        .overwritePrompt = true,
                                        .pathMustExist = true,
                                        .hideReadOnly = true},
                                       context.dialogs, grp_outn),
                     "edt_plsn");
    edt_plsn->setGeometry(8, 15, kLeftW - 16, 21);

    grp_input = Named(new QGroupBox(QStringLiteral(" п а р а м е т р ы    п о и с к а    ф а й л о в "), this),
                      "grp_input");
    grp_input->setGeometry(kLeftX, 142, kLeftW, 146);
    txt_mask = Named(new QLabel(QStringLiteral("МАСКА  ФАЙЛОВ:"), grp_input), "txt_mask");
    txt_mask->setGeometry(8, 18, 94, 17);  // room for a wider fallback face
    lst_mask = Named(new QComboBox(grp_input), "lst_mask");
    lst_mask->setEditable(true);
    lst_mask->setInsertPolicy(QComboBox::NoInsert);
    lst_mask->setFont(MsSansSerifFont(10, true));
    lst_mask->addItems({QStringLiteral("*.avi"), QStringLiteral("*.wav"), QStringLiteral("*.mp3"),
                        QStringLiteral("*.mp*g")});
    lst_mask->setCurrentText(QStringLiteral("*.mp3"));
    lst_mask->setGeometry(104, 16, kLeftW - 112, 21);
    // The picture button lies inside the combo box, over its own arrow.
    btn_down = Named(new QToolButton(lst_mask), "btn_down");
    btn_down->setIcon(QIcon(QPixmap::fromImage(DownButtonGlyph())));
    btn_down->setFocusPolicy(Qt::NoFocus);
    btn_down->setGeometry(lst_mask->width() - 21 - 2, 2, 21, 17);

    FileDialogOptions folderPrompt;
    folderPrompt.title = QStringLiteral("Укажите каталог для поиска файлов...");
    edt_folder = Named(new TFileNameEdit(TFileNameEdit::Mode::Folder, folderPrompt, context.dialogs, grp_input),
                       "edt_folder");
    edt_folder->setGeometry(8, 42, kLeftW - 16, 21);

    box_subfolders = CheckBox(grp_input, "box_subfolders", QStringLiteral("ВКЛЮЧАЯ  ПОДКАТАЛОГИ"), true,
                              QRect(8, 68, kLeftW - 16, 17));
    box_full = CheckBox(grp_input, "box_full", QStringLiteral("СОХРАНЯТЬ  ПОЛНЬIЙ  ПУТЬ"), true,
                        QRect(8, 86, kLeftW - 16, 17));
    box_hidden = CheckBox(grp_input, "box_hidden", QStringLiteral("ВКЛЮЧАЯ  СКРЬIТЬIЕ  ФАЙЛЬI"), false,
                          QRect(8, 104, kLeftW - 16, 17));
    box_system = CheckBox(grp_input, "box_system", QStringLiteral("ВКЛЮЧАЯ  СИСТЕМНЬIЕ  ФАЙЛЬI"), false,
                          QRect(8, 122, kLeftW - 16, 17));
}

void TPlaylistPage::BuildIgnore(const AppContext& context) {
    grp_ignore = Named(new QGroupBox(QStringLiteral(" с п и с о к    и с к л ю ч е н и й "), this), "grp_ignore");
    grp_ignore->setGeometry(kRightX, 62, kRightW, 226);
    box_ignore = CheckBox(grp_ignore, "box_ignore", QStringLiteral(" "), false, QRect(8, 20, 18, 16));
    txt_ignore = Named(new TClickLabel(QStringLiteral("ИСКЛЮЧИТЬ  ИЗ  ПЛЕЙЛИСТА\nСЛЕДУЮЩИЕ  ФАЙЛЬI:"), grp_ignore),
                       "txt_ignore");
    txt_ignore->setGeometry(30, 15, kRightW - 36, 26);
    txt_ignore->setCursor(Qt::PointingHandCursor);

    lst_ignore = Named(new QListWidget(grp_ignore), "lst_ignore");
    lst_ignore->setGeometry(6, 44, 188, 120);
    lst_ignore->setItemDelegate(new TRowHeightDelegate(11, lst_ignore));
    lst_ignore->setUniformItemSizes(true);
    lst_ignore->setSelectionMode(QAbstractItemView::SingleSelection);
    lst_ignore->setContextMenuPolicy(Qt::CustomContextMenu);
    lst_ignore->setEnabled(false);

    FileDialogOptions mediaDialog;
    mediaDialog.title = QStringLiteral("Укажите файл для внесения в список исключений...");
    mediaDialog.filter = QStringLiteral("Музыка|*.mp?;*.mid;*.wav;*.mod|Видео|*.avi;*.mp*g;|Все файлы|*.*");
    mediaDialog.fileMustExist = true;
    mediaDialog.pathMustExist = true;
    edt_ignore = Named(new TFileNameEdit(TFileNameEdit::Mode::Open, mediaDialog, context.dialogs, grp_ignore),
                       "edt_ignore");
    edt_ignore->setGeometry(6, 170, 188, 21);
    edt_ignore->setEnabled(false);

    btn_add = Named(new QPushButton(QStringLiteral("ДОБАВИТЬ"), grp_ignore), "btn_add");
    btn_add->setGeometry(6, 196, 90, 23);
    btn_add->setEnabled(false);
    btn_edit = Named(new QPushButton(QStringLiteral("ИЗМЕНИТЬ"), grp_ignore), "btn_edit");
    btn_edit->setGeometry(104, 196, 90, 23);
    btn_edit->setEnabled(false);

    dlg_open.title = QStringLiteral("Загрузка списка исключений...");
    dlg_open.filter = QString::fromUtf8(kListFilter);
    dlg_open.defaultExt = QStringLiteral("txt");
    dlg_open.fileMustExist = true;
    dlg_open.pathMustExist = true;
    dlg_save = {.title = QStringLiteral("Сохранение списка исключений..."),
                .filter = QString::fromUtf8(kListFilter),
                .defaultExt = QStringLiteral("txt"),
                .overwritePrompt = true,
                .pathMustExist = true,
                .hideReadOnly = true};
}

void TPlaylistPage::BuildIgnoreMenu() {
    mnu_ignore = Named(new QMenu(this), "mnu_ignore");
    auto item = [this](const char* name, const QString& caption, int tag) {
        QAction* action = Named(mnu_ignore->addAction(caption), name);
        action->setData(tag);
        return action;
    };
    auto separator = [this](const char* name) { return Named(mnu_ignore->addSeparator(), name); };
    sub_item = item("sub_item", QStringLiteral("{item}"), 0);
    sub_item->setEnabled(false);
    sub_separator_1 = separator("sub_separator_1");
    sub_delete = item("sub_delete", QStringLiteral("удалить пункт"), 1);
    sub_change = item("sub_change", QStringLiteral("изменить пункт"), 2);
    sub_separator_2 = separator("sub_separator_2");
    sub_import = item("sub_import", QStringLiteral("импортировать список"), 3);
    sub_export = item("sub_export", QStringLiteral("экспортировать список"), 4);
    sub_separator_3 = separator("sub_separator_3");
    sub_simplify = item("sub_simplify", QStringLiteral("упростить список"), 5);
    pic_ignore = PicIgnoreStrip();
    ApplyStripPictures(mnu_ignore, pic_ignore);
    // The menu opens after the list has seen the mouse press, so that the row
    // under the pointer can be selected first.
    connect(lst_ignore, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { mnu_ignore->popup(lst_ignore->viewport()->mapToGlobal(pos)); });
}

void TPlaylistPage::ConnectHandlers() {
    navigator = new TDefinitionNavigator(
        context_,
        {grp_idn, txt_num_a, txt_num_z, txt_idn_a, txt_idn_z, btn_upn, btn_dnn, btn_savn, edt_namn},
        {.subject = QStringLiteral("плейлиста"),
         .readCount = [](const SettingsFile& settings) { return ReadPlaylistCount(settings); },
         .fill = [this](int n) { FillControls(n); },
         .write =
             [this](int n) {
                 SettingsFile settings(navigator->SettingsFilePath());
                 WritePlaylistDefinition(settings, n, ShownDefinition());
             }},
        this);
    exclusion = new TExclusionEditor(context_, *this, [this] { navigator->MarkChanged(); });

    connect(btn_upn, &QPushButton::clicked, this, &TPlaylistPage::btn_upnClick);
    connect(btn_dnn, &QPushButton::clicked, this, &TPlaylistPage::btn_dnnClick);
    connect(btn_savn, &QPushButton::clicked, this, &TPlaylistPage::btn_savnClick);
    connect(edt_namn, &QLineEdit::textChanged, this, &TPlaylistPage::edt_namnChange);
    connect(edt_plsn, &TFileNameEdit::textChanged, this, &TPlaylistPage::playlistChange);
    connect(edt_folder, &TFileNameEdit::textChanged, this, &TPlaylistPage::playlistChange);
    connect(lst_mask, &QComboBox::editTextChanged, this, &TPlaylistPage::playlistChange);
    for (QCheckBox* box : {box_subfolders, box_full, box_hidden, box_system})
        connect(box, &QCheckBox::toggled, this, &TPlaylistPage::playlistChange);
    connect(btn_down, &QToolButton::clicked, this, &TPlaylistPage::btn_downClick);
}

void TPlaylistPage::LoadPlaylist(int n) { navigator->Load(n); }

void TPlaylistPage::FillControls(int n) {
    PlaylistDefinition d;
    {
        const SettingsFile settings(navigator->SettingsFilePath());
        d = ReadPlaylistDefinition(settings, n);
    }
    navigator->SetNameText(QString::fromStdString(d.name));
    edt_plsn->setText(QString::fromStdString(d.file));
    lst_mask->setCurrentText(QString::fromStdString(d.mask));
    edt_folder->setText(QString::fromStdString(d.path));
    box_subfolders->setChecked(d.subfolders);
    box_full->setChecked(d.fullpath);
    box_hidden->setChecked(d.hidden);
    box_system->setChecked(d.system);
    // A change of the tick runs box_ignoreClick, which brings the list controls in line.
    box_ignore->setChecked(d.ignore_use);
    exclusion->SetRows(d.ignore);
}

PlaylistDefinition TPlaylistPage::ShownDefinition() const {
    PlaylistDefinition d;
    d.name = edt_namn->text().toStdString();
    d.file = edt_plsn->text().toStdString();
    d.mask = lst_mask->currentText().toStdString();
    d.path = edt_folder->text().toStdString();
    d.subfolders = box_subfolders->isChecked();
    d.fullpath = box_full->isChecked();
    d.hidden = box_hidden->isChecked();
    d.system = box_system->isChecked();
    d.ignore_use = box_ignore->isChecked();
    d.ignore = exclusion->Rows();
    return d;
}

void TPlaylistPage::btn_savnClick() { navigator->Save(); }
void TPlaylistPage::btn_upnClick() { navigator->Step(+1); }
void TPlaylistPage::btn_dnnClick() { navigator->Step(-1); }
void TPlaylistPage::edt_namnChange() { navigator->NameChanged(); }
void TPlaylistPage::playlistChange() { navigator->MarkChanged(); }

void TPlaylistPage::btn_downClick() {
    // Switching the button off and on again releases its hold on the mouse, so the list can take it.
    btn_down->setEnabled(false);
    btn_down->setEnabled(true);
    lst_mask->showPopup();
}

}  // namespace zorbex
