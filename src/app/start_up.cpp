// Start-up, the automatic run and the exit button of the main window.
#include <QCloseEvent>
#include <QCoreApplication>

#include "app/main_window.h"
#include "app/program_images.h"
#include "app/window_run_host.h"
#include "cli/command_line.h"
#include "cli/unattended_run.h"
#include "editors/settings_write_reason.h"
#include "engine/definitions.h"
#include "settings/program_options.h"
#include "settings/settings_file.h"

namespace zorbex {

namespace {

// The client height in compact mode: the progress strip alone.
constexpr int kCompactHeight = 17;

}  // namespace

void Tfrm_zorbl::FormCreate(const std::vector<std::string>& args) {
    const bool automatic = !args.empty() && IsAutoRunSwitch(args.front());
    // Whatever keeps the automatic run from completing (an unwritable
    // settings file, a refusal, the window closed first) is no success.
    if (automatic) exitStatus_ = kExitRefused;
    // The caption is set when the window is built.
    tab_info->ShowVersion();
    const QIcon icon = ProgramIcon();
    setWindowIcon(icon);
    tab_info->SetIcon(icon);
    if (const auto hand = ProgramCursor("Zr_HandCur")) {
        tab_info->SetLinkCursors(*hand, ProgramCursor("Zr_HelpCur").value_or(*hand),
                                 ProgramCursor("Zr_MailCur").value_or(*hand));
    }
    help.DecideAvailable();

    // Each editor starts on its definition 1.
    tab_playlist->LoadPlaylist(1);
    tab_combine->LoadUnion(1);
    tab_process->sub_updateClick();

    bool firstStart = true;
    {
        const SuppressOptionWrites quiet;
        try {
            SettingsFile settings(SettingsPath(context_.settingsDir));
            firstStart = TakeFirstStartMark(settings);
        } catch (const SettingsWriteError& error) {
            // The rest of start-up is skipped: the window stays on the
            // information page and no automatic run starts.
            SaySettingsWriteReason(error);
            context_.dialogs.ShowError(QString::fromStdString(error.what()));
            return;
        }
        tab_app->LoadOptions();
    }
    // Selected by the program, so the page-change handler does not run.
    tab_base->setCurrentWidget(tab_app->Options().processPage && !firstStart ? static_cast<QWidget*>(tab_process)
                                                                             : static_cast<QWidget*>(tab_app));

    if (automatic) StartAutomatically();
}

void Tfrm_zorbl::StartAutomatically() {
    const ProgramOptions options = tab_app->Options();
    if (options.topmost) {
        const bool shown = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (shown) show();  // a new window flag hides the window
    }
    if (options.compact) {
        bar_compact->show();
        bar_compact->raise();
        setFixedSize(width(), kCompactHeight);
        CenterOnScreen();
        quitTickBeforeCompact_ = options.quit;
        tab_app->SetQuitUnsaved(true);  // the forced tick is not saved
    }
    tab_base->setCurrentWidget(tab_process);
    tmr_starter->start();
    tab_process->SetStartEnabled(false);
    SetAutoRunMarker(true);
}

// An automatic run that was refused (nothing ticked, list out of step): the
// window becomes an ordinary one, so the user can fix the selection and
// start by hand; such a run no longer ends the program.
void Tfrm_zorbl::LeaveAutomaticStart() {
    if (!bar_compact->isHidden()) {
        bar_compact->hide();
        setFixedSize(width(), 350);
        CenterOnScreen();
        tab_app->SetQuitUnsaved(quitTickBeforeCompact_);
    }
    tab_process->SetStartEnabled(true);
    SetAutoRunMarker(false);
}

void Tfrm_zorbl::tmr_starterTimer() {
    tmr_starter->stop();
    btn_startClick();
}

void Tfrm_zorbl::btn_startClick() {
    const bool automatic = AutoRunMarker();
    TWindowRunHost host(*this);
    RunResult result;
    bool ends = false;
    running_ = true;
    try {
        ProgramPlaces places(context_.programDir, context_.settingsDir);
        places.baseDir = context_.baseDir;
        result = Run(host, places);
        ends = host.EndsProgram(result);
    } catch (...) {
        running_ = false;
        // Whatever broke the run, the window must not stay without its buttons.
        tab_process->LeaveRunningState();
        SetQuitEnabled(true);
        if (closeRequested_) EndProgram();
        throw;
    }
    running_ = false;
    if (automatic) exitStatus_ = ExitStatusOf(result);
    if (result.Refused() && AutoRunMarker()) LeaveAutomaticStart();
    // The status is known only now, so the run's request to end waits for it.
    if (ends || closeRequested_) EndProgram();
}

void Tfrm_zorbl::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    // The run sees the request at its next folder and btn_startClick then
    // ends the program; a run left going unseen would hold its files.
    if (running_)
        closeRequested_ = true;
    else
        EndProgram();
}

void Tfrm_zorbl::btn_quitClick() {
    if (tab_app->Options().remember) {
        try {
            SettingsFile settings(SettingsPath(context_.settingsDir));
            std::vector<bool> ticked;
            for (int row = 0; row < tab_process->RowCount(); ++row) ticked.push_back(tab_process->RowTicked(row));
            WriteRememberedTicks(settings, ticked);
        } catch (const SettingsWriteError& error) {
            SaySettingsWriteReason(error);
            context_.dialogs.ShowError(QString::fromStdString(error.what()));
            return;  // the program stays open; the close button still ends it
        }
    }
    EndProgram();
}

bool Tfrm_zorbl::AutoRunMarker() const { return btn_quit->property("tag").toInt() != 0; }

void Tfrm_zorbl::SetAutoRunMarker(bool set) { btn_quit->setProperty("tag", set ? 1 : 0); }

void Tfrm_zorbl::EndProgram() { QCoreApplication::exit(exitStatus_); }

void Tfrm_zorbl::SetQuitEnabled(bool enabled) { btn_quit->setEnabled(enabled); }

// The compact strip is all there is to see in compact mode, and the union
// phase never yields: paint it at once, as the gradient bars paint themselves.
void Tfrm_zorbl::SetCompactPercent(int percent) {
    if (percent == bar_compact->value()) return;
    bar_compact->setValue(percent);
    if (bar_compact->isVisible()) bar_compact->repaint();
}

}  // namespace zorbex
