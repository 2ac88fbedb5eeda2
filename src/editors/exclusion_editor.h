#pragma once
// The exclusion list of the playlists page: the switch, the list with its
// popup menu, the entry field with its two buttons, import and export of the
// list as a text file, and reducing every entry to its file-name part.
#include <functional>
#include <string>
#include <vector>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QObject>
#include <QPushButton>

#include "widgets/app_context.h"
#include "widgets/file_edit.h"
#include "widgets/look.h"

namespace zorbex {

class TExclusionEditor : public QObject {
    Q_OBJECT
public:
    // Builds the controls inside frame, the page's group box, and the list's
    // popup menu on the page that holds frame; markChanged sets the page's
    // unsaved-changes mark.
    TExclusionEditor(const AppContext& context, QGroupBox* frame, std::function<void()> markChanged);

    // The switch "exclude from the playlist".
    bool InUse() const;
    // Sets the switch; a change runs box_ignoreClick, which brings the list
    // controls in line.
    void SetInUse(bool on);
    // The rows as UTF-8 texts, in list order.
    std::vector<std::string> Rows() const;
    // Replaces the rows (a load): no row selected, the field and buttons untouched.
    void SetRows(const std::vector<std::string>& rows);
    // The selected row, or -1.
    int SelectedRow() const;

    // Pixel height of a list row.
    static constexpr int kRowHeight = 11;

    // Messages of this editor.
    static const QString kTooShortMessage;

public slots:
    void box_ignoreClick();
    void txt_ignoreClick();
    void lst_ignoreClick();
    // A mouse button pressed over the list, at in the list's row area.
    void lst_ignoreMouseDown(Qt::MouseButton button, QPoint at);
    // A key typed into the entry field; true when it was taken (Enter).
    bool edt_ignoreKeyPress(int key);
    void btn_addClick();
    void btn_editClick();
    void sub_changeClick();
    void sub_deleteClick();
    void sub_importClick();
    void sub_exportClick();
    void sub_simplifyClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls(QGroupBox* frame);
    void BuildMenu(QWidget* page);
    void ConnectHandlers();
    // Shows the popup's items for a right click on item (null: below the
    // last row); a row is selected and copied into the field.
    void ArrangeMenu(QListWidgetItem* item);
    // Selects a row (-1: none) without running lst_ignoreClick.
    void Select(int row);
    bool RefuseTooLong(const QString& text);

    const AppContext& context_;
    std::function<void()> markChanged_;

    QCheckBox* box_ignore_;
    TClickLabel* txt_ignore_;
    QListWidget* lst_ignore_;
    TFileNameEdit* edt_ignore_;
    QPushButton* btn_add_;
    QPushButton* btn_edit_;

    QMenu* mnu_ignore_;
    QAction* sub_item_;
    QAction* sub_separator_1_;
    QAction* sub_delete_;
    QAction* sub_change_;
    QAction* sub_separator_2_;
    QAction* sub_import_;
    QAction* sub_export_;
    QAction* sub_separator_3_;
    QAction* sub_simplify_;

    // Import and export of the list.
    FileDialogOptions dlg_open_;
    FileDialogOptions dlg_save_;
};

}  // namespace zorbex
