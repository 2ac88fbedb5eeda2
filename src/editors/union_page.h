#pragma once
// The unions page "ОБЪЕДИНЕНИЯ": number and name with the navigation
// buttons, the name field, the output file and the member list.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <optional>

#include "editors/definition_navigator.h"
#include "engine/definitions.h"
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
    int CurrentUnion() const { return navigator_->Current(); }
    // Changed since it was loaded or saved (the save button is on).
    bool HasUnsavedChanges() const { return navigator_->IsChanged(); }

    // Rebuilds the member rows with their saved ticks; the mark stays as it was.
    void sub_refreshClick();
    void btn_savuClick();
    void btn_upuClick();
    void btn_dnuClick();
    void edt_namuChange();
    void edt_plsuChange();
    void lst_unionClick();

private:
    void FillControls(int n);
    void ShowMembers(const SettingsFile& settings, const std::vector<bool>& members);

    const AppContext& context_;

    // The tag of grp_idu (property "tag") is the current union number.
    QGroupBox* grp_idu_;
    QLabel* txt_unn_a_;
    QLabel* txt_unn_z_;
    QLabel* txt_idu_a_;
    QLabel* txt_idu_z_;

    TArrowButton* btn_upu_;
    TArrowButton* btn_dnu_;
    QPushButton* btn_savu_;

    QLineEdit* edt_namu_;
    TFileNameEdit* edt_plsu_;
    TClickList* lst_union_;  // rows are checkable items

    TDefinitionNavigator* navigator_ = nullptr;

    // Set while the member rows are rebuilt, whose tick changes are no edits.
    bool refreshing_ = false;
    // The output file text as loaded, when the stored one was cut on reading.
    std::optional<QString> fileCut_;
};

}  // namespace zorbex
