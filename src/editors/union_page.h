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

#include "app/app_context.h"
#include "app/file_edit.h"
#include "app/look.h"

namespace zorbex {

class TUnionPage : public QWidget {
    Q_OBJECT
public:
    TUnionPage(const AppContext& context, QWidget* parent);

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
    QListWidget* lst_union;  // rows are checkable items

    QMenu* mnu_union;
    QAction* sub_refresh;
};

}  // namespace zorbex
