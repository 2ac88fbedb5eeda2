#pragma once
// The playlists page "ПЛЕЙЛИСТЬI": the definition being edited (left column:
// number and name, name field, output file, search parameters; right column:
// navigation and save buttons, the exclusion list).
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

#include <optional>

#include "editors/definition_navigator.h"
#include "editors/exclusion_editor.h"
#include "engine/playlist_builder.h"
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
    int CurrentPlaylist() const { return navigator_->Current(); }
    // Changed since it was loaded or saved (the save button is on).
    bool HasUnsavedChanges() const { return navigator_->IsChanged(); }

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
    // Why the shown definition may not be saved, or an empty text.
    QString SaveRefusal() const;

    void BuildIdentity();
    void BuildInput(const AppContext& context);
    void BuildIgnore();

    const AppContext& context_;

    // Number and name display; the tag of grp_idn (property "tag") is the current number.
    QGroupBox* grp_idn_;
    QLabel* txt_num_a_;
    QLabel* txt_num_z_;
    QLabel* txt_idn_a_;
    QLabel* txt_idn_z_;

    TArrowButton* btn_upn_;
    TArrowButton* btn_dnn_;
    QPushButton* btn_savn_;

    QLineEdit* edt_namn_;
    TFileNameEdit* edt_plsn_;

    QComboBox* lst_mask_;
    QToolButton* btn_down_;
    TFileNameEdit* edt_folder_;
    QCheckBox* box_subfolders_;
    QCheckBox* box_full_;
    QCheckBox* box_hidden_;
    QCheckBox* box_system_;

    TExclusionEditor* exclusion_;

    // The output file and folder texts as loaded, when the stored ones were
    // longer than a read gives back: unchanged, they stand for another path.
    std::optional<QString> fileCut_;
    std::optional<QString> pathCut_;

    TDefinitionNavigator* navigator_ = nullptr;
};

}  // namespace zorbex
