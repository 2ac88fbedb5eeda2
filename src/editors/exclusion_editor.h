#pragma once
// The exclusion list of the playlists page: the switch, the list with its
// popup menu, the entry field with its two buttons, import and export of the
// list as a text file, and reducing every entry to its file-name part.
// The controls belong to the page; this class gives them their behaviour.
#include <functional>
#include <string>
#include <vector>

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QObject>
#include <QPushButton>

#include "app/app_context.h"
#include "app/file_edit.h"
#include "app/look.h"

namespace zorbex {

class TExclusionEditor : public QObject {
    Q_OBJECT
public:
    struct Controls {
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
        const FileDialogOptions* dlg_open;
        const FileDialogOptions* dlg_save;
    };

    // markChanged sets the page's unsaved-changes mark.
    TExclusionEditor(const AppContext& context, Controls controls, std::function<void()> markChanged,
                     QObject* parent);

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
    static QString TooLongMessage();
    static QString TooLongImportMessage(int line);

public slots:
    void box_ignoreClick();
    void txt_ignoreClick();
    void lst_ignoreClick();
    // A mouse button pressed over the list, y in the list's row area.
    void lst_ignoreMouseDown(Qt::MouseButton button, int y);
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
    // Selects a row (-1: none) without running lst_ignoreClick.
    void Select(int row);
    bool RefuseTooLong(const QString& text);

    const AppContext& context_;
    Controls c_;
    std::function<void()> markChanged_;
};

}  // namespace zorbex
