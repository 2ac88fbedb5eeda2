#pragma once
// The program's one window: the five pages, the exit button, the strip shown
// in compact mode, the hot keys and the timers.
#include <QAction>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include "app/app_context.h"
#include "app/info_page.h"
#include "app/options_page.h"
#include "app/process_page.h"
#include "editors/playlist_page.h"
#include "editors/union_page.h"

namespace zorbex {

inline constexpr const char* kVersionText = "4.0i";

class Tfrm_zorbl : public QWidget {
    Q_OBJECT
public:
    explicit Tfrm_zorbl(const AppContext& context, QWidget* parent = nullptr);

    const AppContext& context() const { return context_; }

    QTabWidget* tab_base;
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

private:
    AppContext context_;
};

}  // namespace zorbex
