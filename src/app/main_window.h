#pragma once
// The program's one window: the five pages, the exit button, the strip shown
// in compact mode, the hot keys and the timers.
#include <QAction>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "app/app_context.h"
#include "app/help.h"
#include "app/info_page.h"
#include "app/options_page.h"
#include "app/page_control.h"
#include "app/process_page.h"
#include "build/run.h"
#include "editors/playlist_page.h"
#include "editors/union_page.h"

namespace zorbex {

class Tfrm_zorbl : public QWidget {
    Q_OBJECT
public:
    explicit Tfrm_zorbl(const AppContext& context, QWidget* parent = nullptr);

    const AppContext& context() const { return context_; }

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

private:
    AppContext context_;
};

}  // namespace zorbex
