#include "editors/playlist_page.h"

#include "engine/definitions.h"
#include "settings/settings_file.h"
#include "widgets/picture_strips.h"
#include "widgets/shared_texts.h"

namespace zorbex {

namespace {

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
    BuildIgnore();
    ConnectHandlers();
}

void TPlaylistPage::BuildIdentity() {
    grp_idn_ = Named(new QGroupBox(QStringLiteral(" п л е й л и с т "), this), "grp_idn");
    grp_idn_->setGeometry(kLeftX, 0, kLeftW, 60);
    grp_idn_->setProperty("tag", 0);
    const IdentityLabels labels = MakeIdentityLabels(grp_idn_, "txt_num_a", "txt_num_z", "txt_idn_a", "txt_idn_z");
    txt_num_a_ = labels.numA;
    txt_num_z_ = labels.numZ;
    txt_idn_a_ = labels.idA;
    txt_idn_z_ = labels.idZ;

    auto* grp_cfgn = Named(new QGroupBox(this), "grp_cfgn");
    grp_cfgn->setGeometry(kRightX, 0, kRightW, 60);
    const NavigationButtons nav = MakeNavigationButtons(grp_cfgn, "btn_upn", "btn_dnn", "btn_savn");
    btn_upn_ = nav.up;
    btn_dnn_ = nav.down;
    btn_savn_ = nav.save;

    auto* grp_namn = Named(new QGroupBox(this), "grp_namn");
    grp_namn->setGeometry(kLeftX, 62, kLeftW, 34);
    edt_namn_ = Named(new QLineEdit(QStringLiteral("ID"), grp_namn), "edt_namn");
    edt_namn_->setMaxLength(kDefinitionNameTypedMax);
    edt_namn_->setGeometry(8, 7, kLeftW - 16, 21);
}

void TPlaylistPage::BuildInput(const AppContext& context) {
    auto* grp_outn = Named(new QGroupBox(QStringLiteral(" ф а й л    п л е й л и с т а "), this), "grp_outn");
    grp_outn->setGeometry(kLeftX, 98, kLeftW, 42);
    edt_plsn_ = Named(new TFileNameEdit(TFileNameEdit::Mode::Save,
                                        OutputFileDialog(QStringLiteral("Укажите файл для сохранения плейлиста...")),
                                        context.dialogs, grp_outn),
                      "edt_plsn");
    edt_plsn_->setGeometry(8, 15, kLeftW - 16, 21);
    edt_plsn_->SetBaseFolder(context.baseDir);

    auto* grp_input =
        Named(new QGroupBox(QStringLiteral(" п а р а м е т р ы    п о и с к а    ф а й л о в "), this), "grp_input");
    grp_input->setGeometry(kLeftX, 142, kLeftW, 146);
    auto* txt_mask = Named(new QLabel(QStringLiteral("МАСКА  ФАЙЛОВ:"), grp_input), "txt_mask");
    txt_mask->setGeometry(8, 18, 94, 17);  // room for a wider fallback face
    lst_mask_ = Named(new QComboBox(grp_input), "lst_mask");
    lst_mask_->setEditable(true);
    lst_mask_->setInsertPolicy(QComboBox::NoInsert);
    lst_mask_->setFont(MsSansSerifFont(10, true));
    lst_mask_->addItems(
        {QStringLiteral("*.avi"), QStringLiteral("*.wav"), QStringLiteral("*.mp3"), QStringLiteral("*.mp*g")});
    lst_mask_->setCurrentText(QString::fromUtf8(kDefaultMask));
    lst_mask_->setGeometry(104, 16, kLeftW - 112, 21);
    // The picture button lies inside the combo box, over its own arrow.
    btn_down_ = Named(new QToolButton(lst_mask_), "btn_down");
    btn_down_->setIcon(QIcon(QPixmap::fromImage(DownButtonGlyph())));
    btn_down_->setFocusPolicy(Qt::NoFocus);
    btn_down_->setGeometry(lst_mask_->width() - 21 - 2, 2, 21, 17);

    FileDialogOptions folderPrompt;
    folderPrompt.title = QStringLiteral("Укажите каталог для поиска файлов...");
    edt_folder_ =
        Named(new TFileNameEdit(TFileNameEdit::Mode::Folder, folderPrompt, context.dialogs, grp_input), "edt_folder");
    edt_folder_->setGeometry(8, 42, kLeftW - 16, 21);
    edt_folder_->SetBaseFolder(context.baseDir);

    box_subfolders_ = CheckBox(grp_input, "box_subfolders", QStringLiteral("ВКЛЮЧАЯ  ПОДКАТАЛОГИ"), true,
                               QRect(8, 68, kLeftW - 16, 17));
    box_full_ = CheckBox(grp_input, "box_full", QStringLiteral("СОХРАНЯТЬ  ПОЛНЬIЙ  ПУТЬ"), true,
                         QRect(8, 86, kLeftW - 16, 17));
    box_hidden_ = CheckBox(grp_input, "box_hidden", QStringLiteral("ВКЛЮЧАЯ  СКРЬIТЬIЕ  ФАЙЛЬI"), false,
                           QRect(8, 104, kLeftW - 16, 17));
    box_system_ = CheckBox(grp_input, "box_system", QStringLiteral("ВКЛЮЧАЯ  СИСТЕМНЬIЕ  ФАЙЛЬI"), false,
                           QRect(8, 122, kLeftW - 16, 17));
}

void TPlaylistPage::BuildIgnore() {
    auto* grp_ignore = Named(new QGroupBox(QStringLiteral(" с п и с о к    и с к л ю ч е н и й "), this), "grp_ignore");
    grp_ignore->setGeometry(kRightX, 62, kRightW, 226);
    exclusion_ = new TExclusionEditor(context_, grp_ignore, [this] { navigator_->MarkChanged(); });
}

void TPlaylistPage::ConnectHandlers() {
    navigator_ = new TDefinitionNavigator(
        context_, {grp_idn_, txt_num_a_, txt_num_z_, txt_idn_a_, txt_idn_z_, btn_upn_, btn_dnn_, btn_savn_, edt_namn_},
        {.subject = QStringLiteral("плейлиста"),
         .readCount = [](const SettingsFile& settings) { return ReadPlaylistCount(settings); },
         .fill = [this](int n) { FillControls(n); },
         .write =
             [this](int n) {
                 SettingsFile settings(navigator_->SettingsFilePath());
                 WritePlaylistDefinition(settings, n, ShownDefinition());
             },
         .refusal = [this] { return SaveRefusal(); }},
        this);

    connect(btn_upn_, &QPushButton::clicked, this, &TPlaylistPage::btn_upnClick);
    connect(btn_dnn_, &QPushButton::clicked, this, &TPlaylistPage::btn_dnnClick);
    connect(btn_savn_, &QPushButton::clicked, this, &TPlaylistPage::btn_savnClick);
    connect(edt_namn_, &QLineEdit::textChanged, this, &TPlaylistPage::edt_namnChange);
    connect(edt_plsn_, &TFileNameEdit::textChanged, this, &TPlaylistPage::playlistChange);
    connect(edt_folder_, &TFileNameEdit::textChanged, this, &TPlaylistPage::playlistChange);
    connect(lst_mask_, &QComboBox::editTextChanged, this, &TPlaylistPage::playlistChange);
    for (QCheckBox* box : {box_subfolders_, box_full_, box_hidden_, box_system_})
        connect(box, &QCheckBox::toggled, this, &TPlaylistPage::playlistChange);
    connect(btn_down_, &QToolButton::clicked, this, &TPlaylistPage::btn_downClick);
}

void TPlaylistPage::LoadPlaylist(int n) { navigator_->Load(n); }

void TPlaylistPage::FillControls(int n) {
    PlaylistDefinition d;
    {
        const SettingsFile settings(navigator_->SettingsFilePath());
        d = ReadPlaylistDefinition(settings, n);
    }
    navigator_->SetNameText(QString::fromStdString(d.name));
    edt_plsn_->setText(QString::fromStdString(d.file));
    lst_mask_->setCurrentText(QString::fromStdString(d.mask));
    edt_folder_->setText(QString::fromStdString(d.path));
    box_subfolders_->setChecked(d.subfolders);
    box_full_->setChecked(d.fullpath);
    box_hidden_->setChecked(d.hidden);
    box_system_->setChecked(d.system);
    exclusion_->SetInUse(d.ignore_use);
    exclusion_->SetRows(d.ignore);
    fileCut_ = d.fileCut ? std::optional(edt_plsn_->text()) : std::nullopt;
    pathCut_ = d.pathCut ? std::optional(edt_folder_->text()) : std::nullopt;
}

QString TPlaylistPage::SaveRefusal() const {
    if (TDefinitionNavigator::PathTooLong(edt_plsn_->text(), fileCut_))
        return TDefinitionNavigator::TooLongPathMessage(QStringLiteral("путь к файлу плейлиста"));
    if (TDefinitionNavigator::PathTooLong(edt_folder_->text(), pathCut_))
        return TDefinitionNavigator::TooLongPathMessage(QStringLiteral("путь к каталогу для поиска"));
    return {};
}

PlaylistDefinition TPlaylistPage::ShownDefinition() const {
    PlaylistDefinition d;
    d.name = edt_namn_->text().toStdString();
    d.file = edt_plsn_->text().toStdString();
    d.mask = lst_mask_->currentText().toStdString();
    d.path = edt_folder_->text().toStdString();
    d.subfolders = box_subfolders_->isChecked();
    d.fullpath = box_full_->isChecked();
    d.hidden = box_hidden_->isChecked();
    d.system = box_system_->isChecked();
    d.ignore_use = exclusion_->InUse();
    d.ignore = exclusion_->Rows();
    d.fileCut = fileCut_ && edt_plsn_->text() == *fileCut_;
    d.pathCut = pathCut_ && edt_folder_->text() == *pathCut_;
    return d;
}

void TPlaylistPage::btn_savnClick() { navigator_->Save(); }
void TPlaylistPage::btn_upnClick() { navigator_->Step(+1); }
void TPlaylistPage::btn_dnnClick() { navigator_->Step(-1); }
void TPlaylistPage::edt_namnChange() { navigator_->NameChanged(); }
void TPlaylistPage::playlistChange() { navigator_->MarkChanged(); }

void TPlaylistPage::btn_downClick() {
    // Switching the button off and on again releases its hold on the mouse, so the list can take it.
    btn_down_->setEnabled(false);
    btn_down_->setEnabled(true);
    lst_mask_->showPopup();
}

}  // namespace zorbex
