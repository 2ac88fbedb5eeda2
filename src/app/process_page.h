#pragma once
// The process page "ПРОЦЕСС": the list of what to build, the start button,
// the run's log over the list, and the two progress bars.
#include <QAction>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include <string>

#include "widgets/app_context.h"
#include "widgets/vex_progress_bar.h"

namespace zorbex {

class TProcessPage : public QWidget {
    Q_OBJECT
public:
    TProcessPage(const AppContext& context, QWidget* parent);

    QGroupBox* grp_process;
    QListWidget* lst_do;  // rows are checkable items
    QPushButton* btn_start;
    QPlainTextEdit* log_memo;
    QPushButton* btn_log;
    TVexProgressBar* bar_progress;
    TVexProgressBar* bar_total;

    // Hidden working lists of the playlist builder.
    QListWidget* lst_path;
    QListWidget* lst_file;
    QListWidget* lst_forbidden;
    QListWidget* lst_found;  // property "mask": "*.mp3"

    QMenu* mnu_go;
    QAction* sub_selectall;
    QAction* sub_selectnone;
    QAction* sub_separator;
    QAction* sub_update;
    QImage pic_go;

    // Fills lst_do from the settings file: playlist rows, then union rows,
    // ticked as remembered under item_K (by row position).
    void sub_updateClick();
    // Tick, respectively untick, every row; nothing is written.
    void sub_selectallClick();
    void sub_selectnoneClick();
    // Gives every item of an owner-drawn menu (mnu_go, mnu_union) picture T
    // of pic_go for its tag T, and none for other tags.
    void mnu_goGetItemParams(QMenu* menu) const;
    // Hides the log and its button; the list they cover shows again.
    void btn_logClick();
    // Scrolls the log so that its last line shows just above btn_log, which
    // lies over the memo's lower left.
    void ScrollLogToEnd();

    // What the run reads: the rows as filled last, and their ticks now. A row
    // beyond the list reads as not ticked.
    int RowCount() const;
    bool RowTicked(int row) const;

private:
    void AddRow(const std::string& text);

    std::string programDir_;
};

}  // namespace zorbex
