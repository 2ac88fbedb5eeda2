#pragma once
// The playlists page "ПЛЕЙЛИСТЬI": the definition being edited (left column:
// number and name, name field, output file, search parameters; right column:
// navigation and save buttons, the exclusion list).
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

#include "build/playlist_builder.h"
#include "editors/definition_navigator.h"
#include "editors/exclusion_editor.h"
#include "widgets/app_context.h"
#include "widgets/file_edit.h"
#include "widgets/look.h"

namespace zorbex {

class TPlaylistPage : public QWidget {
    Q_OBJECT
public:
    TPlaylistPage(const AppContext& context, QWidget* parent);

    // Shows definition n from the settings file and clears the unsaved-changes mark.
    void LoadPlaylist(int n);
    // The definition as the controls show it now.
    PlaylistDefinition ShownDefinition() const;
    // The current playlist number (the tag of grp_idn): 0 before the first load.
    int CurrentPlaylist() const { return navigator->Current(); }

    // Number and name display; the tag of grp_idn (property "tag") is the current number.
    QGroupBox* grp_idn;
    QLabel* txt_num_a;
    QLabel* txt_num_z;
    QLabel* txt_idn_a;
    QLabel* txt_idn_z;

    QGroupBox* grp_cfgn;
    TArrowButton* btn_upn;
    TArrowButton* btn_dnn;
    QPushButton* btn_savn;

    QGroupBox* grp_namn;
    QLineEdit* edt_namn;
    QGroupBox* grp_outn;
    TFileNameEdit* edt_plsn;

    QGroupBox* grp_input;
    QLabel* txt_mask;
    QComboBox* lst_mask;
    QToolButton* btn_down;
    TFileNameEdit* edt_folder;
    QCheckBox* box_subfolders;
    QCheckBox* box_full;
    QCheckBox* box_hidden;
    QCheckBox* box_system;

    // Exclusion list.
    QGroupBox* grp_ignore;
    QCheckBox* box_ignore;
    TClickLabel* txt_ignore;
    QListWidget* lst_ignore;
    TFileNameEdit* edt_ignore;
    QPushButton* btn_add;
    QPushButton* btn_edit;

    QMenu* mnu_ignore;
    QAction* sub_item;
    QAction* sub_separator_1;
    QAction* sub_delete;
    QAction* sub_change;
    QAction* sub_separator_2;
    QAction* sub_import;
    QAction* sub_export;
    QAction* sub_separator_3;
    QAction* sub_simplify;
    QImage pic_ignore;

    // Import and export of the exclusion list.
    FileDialogOptions dlg_open;
    FileDialogOptions dlg_save;

    TDefinitionNavigator* navigator;
    TExclusionEditor* exclusion;

public slots:
    void btn_savnClick();
    void btn_upnClick();
    void btn_dnnClick();
    void edt_namnChange();
    void playlistChange();
    void btn_downClick();

private:
    void ConnectHandlers();
    void FillControls(int n);

    void BuildIdentity();
    void BuildInput(const AppContext& context);
    void BuildIgnore(const AppContext& context);
    void BuildIgnoreMenu();

    const AppContext& context_;
};

}  // namespace zorbex
