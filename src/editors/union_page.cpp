#include "editors/union_page.h"

#include <QAction>
#include <QMenu>

#include "widgets/check_list_style.h"
#include "widgets/picture_strips.h"
#include "widgets/shared_texts.h"

namespace zorbex {

TUnionPage::TUnionPage(const AppContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("tab_combine"));
    constexpr int kX = 4, kW = 482;

    grp_idu_ = Named(new QGroupBox(QStringLiteral(" о б ъ е д и н е н и е "), this), "grp_idu");
    grp_idu_->setGeometry(kX, 0, 278, 60);
    grp_idu_->setProperty("tag", 0);
    const IdentityLabels labels = MakeIdentityLabels(grp_idu_, "txt_unn_a", "txt_unn_z", "txt_idu_a", "txt_idu_z");
    txt_unn_a_ = labels.numA;
    txt_unn_z_ = labels.numZ;
    txt_idu_a_ = labels.idA;
    txt_idu_z_ = labels.idZ;

    auto* grp_cfgu = Named(new QGroupBox(this), "grp_cfgu");
    grp_cfgu->setGeometry(286, 0, kX + kW - 286, 60);
    const NavigationButtons nav = MakeNavigationButtons(grp_cfgu, "btn_upu", "btn_dnu", "btn_savu");
    btn_upu_ = nav.up;
    btn_dnu_ = nav.down;
    btn_savu_ = nav.save;

    auto* grp_namu = Named(new QGroupBox(this), "grp_namu");
    grp_namu->setGeometry(kX, 62, kW, 34);
    edt_namu_ = Named(new QLineEdit(QStringLiteral("ID"), grp_namu), "edt_namu");
    edt_namu_->setMaxLength(kDefinitionNameTypedMax);
    edt_namu_->setGeometry(8, 7, kW - 16, 21);

    auto* grp_outu = Named(
        new QGroupBox(QStringLiteral(" ф а й л    о б ъ е д и н е н и я     ( е д и н о г о    п л е й л и с т а ) "),
                      this),
        "grp_outu");
    grp_outu->setGeometry(kX, 98, kW, 42);
    edt_plsu_ = Named(new TFileNameEdit(TFileNameEdit::Mode::Save,
                                        OutputFileDialog(QStringLiteral("Укажите файл для сохранения объединения...")),
                                        context.dialogs, grp_outu),
                      "edt_plsu");
    edt_plsu_->setGeometry(8, 15, kW - 16, 21);
    edt_plsu_->SetBaseFolder(context.baseDir);

    auto* grp_union = Named(new QGroupBox(this), "grp_union");
    grp_union->setGeometry(kX, 142, kW, 146);
    lst_union_ = Named(new TClickList(grp_union), "lst_union");
    lst_union_->setGeometry(6, 8, kW - 12, 132);
    lst_union_->setItemDelegate(new TRowHeightDelegate(13, lst_union_));
    UseSmallCheckMarks(lst_union_);
    lst_union_->setUniformItemSizes(true);
    lst_union_->setContextMenuPolicy(Qt::CustomContextMenu);

    auto* mnu_union = Named(new QMenu(this), "mnu_union");
    QAction* sub_refresh = Named(mnu_union->addAction(QStringLiteral("обновить список")), "sub_refresh");
    sub_refresh->setData(4);
    ApplyStripPictures(mnu_union, PicGoStrip());
    connect(lst_union_, &QWidget::customContextMenuRequested, this,
            [this, mnu_union](const QPoint& pos) { mnu_union->popup(lst_union_->viewport()->mapToGlobal(pos)); });

    navigator_ = new TDefinitionNavigator(
        context_, {grp_idu_, txt_unn_a_, txt_unn_z_, txt_idu_a_, txt_idu_z_, btn_upu_, btn_dnu_, btn_savu_, edt_namu_},
        {.subject = QStringLiteral("объединения"),
         .readCount = [](const SettingsFile& settings) { return ReadUnionCount(settings); },
         .fill = [this](int n) { FillControls(n); },
         .write =
             [this](int n) {
                 SettingsFile settings(navigator_->SettingsFilePath());
                 WriteUnionDefinition(settings, n, ShownDefinition());
             },
         .refusal =
             [this] {
                 if (!TDefinitionNavigator::PathTooLong(edt_plsu_->text(), fileCut_)) return QString();
                 return TDefinitionNavigator::TooLongPathMessage(QStringLiteral("путь к файлу объединения"));
             }},
        this);
    connect(btn_upu_, &QPushButton::clicked, this, &TUnionPage::btn_upuClick);
    connect(btn_dnu_, &QPushButton::clicked, this, &TUnionPage::btn_dnuClick);
    connect(btn_savu_, &QPushButton::clicked, this, &TUnionPage::btn_savuClick);
    connect(edt_namu_, &QLineEdit::textChanged, this, &TUnionPage::edt_namuChange);
    connect(edt_plsu_, &TFileNameEdit::textChanged, this, &TUnionPage::edt_plsuChange);
    connect(sub_refresh, &QAction::triggered, this, &TUnionPage::sub_refreshClick);
    // The list's click event (a click on a row, a row chosen with the
    // keyboard) and a tick toggled by mouse or by the space bar. Focus, right
    // clicks and the refresh change nothing the user asked for.
    connect(lst_union_, &TClickList::clicked, this, &TUnionPage::lst_unionClick);
    connect(lst_union_, &QListWidget::itemChanged, this, &TUnionPage::lst_unionClick);
}

void TUnionPage::LoadUnion(int n) { navigator_->Load(n); }

void TUnionPage::FillControls(int n) {
    const SettingsFile settings(navigator_->SettingsFilePath());
    const UnionDefinition d = ReadUnionDefinition(settings, n);
    navigator_->SetNameText(QString::fromStdString(d.name));
    edt_plsu_->setText(QString::fromStdString(d.file));
    fileCut_ = d.fileCut ? std::optional(edt_plsu_->text()) : std::nullopt;
    ShowMembers(settings, d.members);
}

void TUnionPage::sub_refreshClick() {
    const SettingsFile settings(navigator_->SettingsFilePath());
    ShowMembers(settings, ReadUnionDefinition(settings, CurrentUnion()).members);
}

void TUnionPage::ShowMembers(const SettingsFile& settings, const std::vector<bool>& members) {
    refreshing_ = true;
    lst_union_->clear();
    const SettingsSnapshot names(settings);
    // One row per playlist definition, as many as the member flags read.
    for (size_t j = 0; j < members.size(); ++j) {
        const int p = static_cast<int>(j) + 1;
        auto* item = new QListWidgetItem(QString::fromStdString(PlaylistRowText(p, ReadPlaylistListName(names, p))));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(members[j] ? Qt::Checked : Qt::Unchecked);
        lst_union_->addItem(item);
    }
    refreshing_ = false;
}

UnionDefinition TUnionPage::ShownDefinition() const {
    UnionDefinition d;
    d.name = edt_namu_->text().toStdString();
    d.file = edt_plsu_->text().toStdString();
    for (int row = 0; row < lst_union_->count(); ++row)
        d.members.push_back(lst_union_->item(row)->checkState() == Qt::Checked);
    d.fileCut = fileCut_ && edt_plsu_->text() == *fileCut_;
    return d;
}

void TUnionPage::btn_savuClick() { navigator_->Save(); }
void TUnionPage::btn_upuClick() { navigator_->Step(+1); }
void TUnionPage::btn_dnuClick() { navigator_->Step(-1); }
void TUnionPage::edt_namuChange() { navigator_->NameChanged(); }
void TUnionPage::edt_plsuChange() { navigator_->MarkChanged(); }

void TUnionPage::lst_unionClick() {
    if (!refreshing_) navigator_->MarkChanged();
}

}  // namespace zorbex
