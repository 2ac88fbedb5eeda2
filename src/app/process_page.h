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

    // Fills lst_do from the settings file: playlist rows, then union rows,
    // ticked as remembered under item_K (by row position).
    void sub_updateClick();
    // Tick, respectively untick, every row; nothing is written.
    void sub_selectallClick();
    void sub_selectnoneClick();

    // What the run reads: the rows as filled last, and their ticks now. A row
    // beyond the list reads as not ticked.
    int RowCount() const;
    bool RowTicked(int row) const;

    // The start button off while an automatic start is pending, on again.
    void SetStartEnabled(bool enabled);
    // While running the start button is off and without its caption.
    void EnterRunningState();
    void LeaveRunningState();

    // The log covers the list until its hide button is pressed.
    void ShowLog();
    void ClearLog();
    // One whole line, its last line kept in view.
    void AppendLogLine(const QString& line);
    QString LogText() const;

    // The bars of a run: bar_progress for the definitions of a phase,
    // bar_total for the share of the whole run.
    void ResetBars();  // both at 0
    void OpenBars();   // bar_total out of 100; both show their texts
    void LabelProgress(const QString& prefix, const QString& suffix, int max);
    void SetBars(int progress, int totalPercent);
    void CloseProgress(const QString& prefix, const QString& suffix, int position);  // text off

signals:
    void startClicked();

private:
    void AddRow(const std::string& text);
    // Gives every item of mnu_go picture T of pic_go for its tag T, and none for other tags.
    void mnu_goGetItemParams(QMenu* menu) const;
    // Hides the log and its button; the list they cover shows again.
    void btn_logClick();
    // Scrolls the log so that its last line shows just above btn_log, which
    // lies over the memo's lower left.
    void ScrollLogToEnd();

    std::string settingsFile_;
    int logLines_ = 0;

    QGroupBox* grp_process;
    QListWidget* lst_do;  // rows are checkable items
    QPushButton* btn_start;
    QPlainTextEdit* log_memo;
    QPushButton* btn_log;
    TVexProgressBar* bar_progress;
    TVexProgressBar* bar_total;

    QMenu* mnu_go;
    QAction* sub_selectall;
    QAction* sub_selectnone;
    QAction* sub_separator;
    QAction* sub_update;
    QImage pic_go;
};

}  // namespace zorbex
