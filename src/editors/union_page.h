#pragma once
// The unions page "ОБЪЕДИНЕНИЯ": number and name with the navigation
// buttons, the name field, the output file and the member list.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

#include "build/definitions.h"
#include "editors/definition_navigator.h"
#include "widgets/app_context.h"
#include "widgets/file_edit.h"
#include "widgets/look.h"

namespace zorbex {

class TUnionPage : public QWidget {
    Q_OBJECT
public:
    TUnionPage(const AppContext& context, QWidget* parent);

    // Shows union n from the settings file and clears the unsaved-changes
    // mark; btn_upu follows the union count, as after a step.
    void LoadUnion(int n);
    // The union as the controls show it now.
    UnionDefinition ShownDefinition() const;
    // The current union number (the tag of grp_idu): 0 before the first load.
    int CurrentUnion() const { return navigator->Current(); }

    // Rebuilds the member rows with their saved ticks; the mark stays as it was.
    void sub_refreshClick();
    void btn_savuClick();
    void btn_upuClick();
    void btn_dnuClick();
    void edt_namuChange();
    void edt_plsuChange();
    void lst_unionClick();

    // The tag of grp_idu (property "tag") is the current union number.
    QGroupBox* grp_idu;
    QLabel* txt_unn_a;
    QLabel* txt_unn_z;
    QLabel* txt_idu_a;
    QLabel* txt_idu_z;

    QGroupBox* grp_cfgu;
    TArrowButton* btn_upu;
    TArrowButton* btn_dnu;
    QPushButton* btn_savu;

    QGroupBox* grp_namu;
    QLineEdit* edt_namu;
    QGroupBox* grp_outu;
    TFileNameEdit* edt_plsu;
    QGroupBox* grp_union;
    TClickList* lst_union;  // rows are checkable items

    QMenu* mnu_union;
    QAction* sub_refresh;

    TDefinitionNavigator* navigator;

private:
    void FillControls(int n);
    void ShowMembers(const SettingsFile& settings, const std::vector<bool>& members);

    const AppContext& context_;
    // Set while the member rows are rebuilt, whose tick changes are no edits.
    bool refreshing_ = false;
};

}  // namespace zorbex
