#pragma once
// The program's one window: the five pages, the exit button, the strip shown
// in compact mode, the hot keys and the timers.
#include <QAction>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <string>
#include <vector>

#include "app/help.h"
#include "app/info_page.h"
#include "app/options_page.h"
#include "app/process_page.h"
#include "editors/playlist_page.h"
#include "editors/union_page.h"
#include "engine/run.h"
#include "widgets/app_context.h"
#include "widgets/focus_keeper.h"
#include "widgets/page_control.h"

namespace zorbex {

class Tfrm_zorbl : public QWidget {
    Q_OBJECT
public:
    explicit Tfrm_zorbl(const AppContext& context, QWidget* parent = nullptr);

    const AppContext& context() const { return context_; }

    // The pages.
    TOptionsPage& optionsPage() const { return *tab_app; }
    TPlaylistPage& playlistPage() const { return *tab_playlist; }
    TUnionPage& unionPage() const { return *tab_combine; }
    TProcessPage& processPage() const { return *tab_process; }
    TInfoPage& infoPage() const { return *tab_info; }

    // Help: the file decided at start-up (DecideAvailable) and OpenHelpTopic.
    THelp help;

    // The user turned to another page (a page the program selects runs nothing).
    void tab_baseChange();
    // Ctrl+S: saves the definition of the page shown when it has unsaved changes.
    void sub_saveClick();
    // F1: the help topic of the page shown.
    void sub_helpClick();
    // The help context of the page shown: 3 to 7.
    int PageHelpContext() const;

    // Start-up: fills the window from the settings file and, when the first
    // argument (after the program name) is an automatic-run switch,
    // schedules the run.
    void FormCreate(const std::vector<std::string>& args);
    // The run, with this window as its host.
    void btn_startClick();
    // The automatic run, half a second after start-up.
    void tmr_starterTimer();
    // Saves the ticks of the process list when box_remember is ticked, then
    // ends the program; a failed write leaves it open.
    void btn_quitClick();

    // The automatic-run marker (the tag of btn_quit).
    bool AutoRunMarker() const;
    void SetAutoRunMarker(bool set);
    // Asks the message loop to end, with ExitStatus().
    void EndProgram();
    // What the program ends with: 0 after a start without a switch; after
    // one, the automatic run's status as an unattended run gives it
    // (cli/unattended_run.h), and 2 until that run has completed.
    int ExitStatus() const { return exitStatus_; }
    // The window was closed during a run, which then ends at its next folder.
    bool CloseRequested() const { return closeRequested_; }

    // The exit button, off while a run goes on.
    void SetQuitEnabled(bool enabled);
    // The strip of compact mode, painted at once.
    void SetCompactPercent(int percent);

protected:
    // Closing ends the program without saving the ticks; a run in progress
    // is stopped first.
    void closeEvent(QCloseEvent* event) override;
    // A control disabled while it holds the focus passes it on within its page.
    bool focusNextPrevChild(bool next) override;

private:
    void CenterOnScreen();
    void StartAutomatically();
    void LeaveAutomaticStart();

    AppContext context_;
    // box_quit as the settings file had it before compact mode forced it on.
    bool quitTickBeforeCompact_ = false;
    int exitStatus_ = 0;
    bool running_ = false;
    bool closeRequested_ = false;

    TPageControl* tab_base;
    TOptionsPage* tab_app;
    TPlaylistPage* tab_playlist;
    TUnionPage* tab_combine;
    TProcessPage* tab_process;
    TInfoPage* tab_info;
    QPushButton* btn_quit;  // property "tag": the automatic-run marker
    QProgressBar* bar_compact;

    // Hot keys: never shown, their shortcuts act while the window is active.
    QMenu* mnu_hk;
    QAction* sub_help;
    QAction* sub_save;

    QTimer* tmr_starter;  // one shot, 500 ms
    QTimer* tmr_egg;      // 25 ms; property "tag": the animation's clock

    TFocusKeeper* focusKeeper_;
};

}  // namespace zorbex
