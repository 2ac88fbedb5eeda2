#pragma once
// The exclusion list of the playlists page: the switch, the list with its
// popup menu, the entry field with its two buttons, import and export of the
// list as a text file, and reducing every entry to its file-name part.
// The controls belong to the page; this class gives them their behaviour.
#include <functional>
#include <string>
#include <vector>

#include <QObject>

#include "widgets/app_context.h"

namespace zorbex {

class TPlaylistPage;

class TExclusionEditor : public QObject {
    Q_OBJECT
public:
    // Works on the exclusion controls of page; markChanged sets the page's
    // unsaved-changes mark.
    TExclusionEditor(const AppContext& context, TPlaylistPage& page, std::function<void()> markChanged);

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
    static QString TooManyImportMessage();

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
    TPlaylistPage& page_;
    std::function<void()> markChanged_;
};

}  // namespace zorbex
