#include "app/main_window.h"

#include <QGuiApplication>
#include <QScreen>

#include "widgets/look.h"
#include "widgets/spoken_names.h"

namespace zorbex {

Tfrm_zorbl::Tfrm_zorbl(const AppContext& context, QWidget* parent)
    // A title bar with a close button only. Not Qt::Tool: on X11 a utility
    // window drops out of the task bar, where "Zorbex" must show, and its
    // closing would not end the program.
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      help(context_, this),
      context_(context) {
    setObjectName(QStringLiteral("frm_zorbl"));
    setWindowTitle(QStringLiteral("Zorbex v") + QLatin1String(kVersionText));
    setFont(SmallFont(true));
    setFixedSize(500, 350);
    // The window ends the program itself (closeEvent), with the run's status
    // and only once a run in progress has stopped.
    QGuiApplication::setQuitOnLastWindowClosed(false);

    tab_base = Named(new TPageControl(this), "tab_base");
    tab_base->setGeometry(2, 2, 496, 316);
    tab_base->setFocusPolicy(Qt::NoFocus);
    tab_base->tabBar()->setFocusPolicy(Qt::NoFocus);
    tab_app = new TOptionsPage(context_, nullptr);
    tab_playlist = new TPlaylistPage(context_, nullptr);
    tab_combine = new TUnionPage(context_, nullptr);
    tab_process = new TProcessPage(context_, nullptr);
    tab_info = new TInfoPage(context_, help, nullptr);
    tab_base->addTab(tab_app, QStringLiteral("ПРОГРАММА"));
    tab_base->addTab(tab_playlist, QStringLiteral("ПЛЕЙЛИСТЬI"));
    tab_base->addTab(tab_combine, QStringLiteral("ОБЪЕДИНЕНИЯ"));
    tab_base->addTab(tab_process, QStringLiteral("ПРОЦЕСС"));
    tab_base->addTab(tab_info, QStringLiteral("ИНФОРМАЦИЯ"));
    // The page the window was designed with; start-up picks the real one.
    tab_base->setCurrentWidget(tab_info);

    btn_quit = Named(new QPushButton(QStringLiteral("ВЬIХОД"), this), "btn_quit");
    btn_quit->setGeometry(404, 321, 92, 25);
    btn_quit->setProperty("tag", 0);

    bar_compact = Named(new QProgressBar(this), "bar_compact");
    bar_compact->setGeometry(0, 0, 500, 17);
    bar_compact->setRange(0, 100);
    bar_compact->setTextVisible(false);
    bar_compact->hide();

    mnu_hk = Named(new QMenu(this), "mnu_hk");
    sub_help = Named(mnu_hk->addAction(QStringLiteral("F1")), "sub_help");
    sub_help->setShortcut(QKeySequence(Qt::Key_F1));
    sub_save = Named(mnu_hk->addAction(QStringLiteral("Ctr+S")), "sub_save");
    sub_save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    for (QAction* action : {sub_help, sub_save}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }

    tmr_starter = Named(new QTimer(this), "tmr_starter");
    tmr_starter->setInterval(500);
    tmr_starter->setSingleShot(true);
    tmr_egg = Named(new QTimer(this), "tmr_egg");
    tmr_egg->setInterval(25);
    tmr_egg->setProperty("tag", -20);
    tab_info->AttachEggTimer(tmr_egg);

    connect(tab_base, &TPageControl::userChanged, this, &Tfrm_zorbl::tab_baseChange);
    connect(sub_save, &QAction::triggered, this, &Tfrm_zorbl::sub_saveClick);
    connect(sub_help, &QAction::triggered, this, &Tfrm_zorbl::sub_helpClick);
    connect(tmr_starter, &QTimer::timeout, this, &Tfrm_zorbl::tmr_starterTimer);
    connect(btn_quit, &QPushButton::clicked, this, &Tfrm_zorbl::btn_quitClick);
    connect(tab_process, &TProcessPage::startClicked, this, &Tfrm_zorbl::btn_startClick);

    ApplySpokenNames(this);
    focusKeeper_ = new TFocusKeeper(this);
    context_.dialogs.SetOwner(this);
    CenterOnScreen();
}

bool Tfrm_zorbl::focusNextPrevChild(bool next) {
    return focusKeeper_->PassFromDisabled(next) || QWidget::focusNextPrevChild(next);
}

void Tfrm_zorbl::CenterOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Tfrm_zorbl::tab_baseChange() {
    QWidget* shown = tab_base->currentWidget();
    if (shown == tab_process) tab_process->sub_updateClick();
    if (shown == tab_combine) tab_combine->sub_refreshClick();
}

void Tfrm_zorbl::sub_saveClick() {
    QWidget* shown = tab_base->currentWidget();
    if (shown == tab_playlist && tab_playlist->HasUnsavedChanges()) tab_playlist->btn_savnClick();
    if (shown == tab_combine && tab_combine->HasUnsavedChanges()) tab_combine->btn_savuClick();
}

int Tfrm_zorbl::PageHelpContext() const {
    // The pages in tab order have the contexts 3 to 7.
    return 3 + tab_base->currentIndex();
}

void Tfrm_zorbl::sub_helpClick() { help.OpenHelpTopic(PageHelpContext()); }

}  // namespace zorbex
