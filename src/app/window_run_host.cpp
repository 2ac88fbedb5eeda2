#include "app/window_run_host.h"

#include <QCoreApplication>

#include <algorithm>

#include "app/main_window.h"

namespace zorbex {

TWindowRunHost::TWindowRunHost(Tfrm_zorbl& window) : window_(window) {}

int TWindowRunHost::RowCount() { return window_.processPage().RowCount(); }

bool TWindowRunHost::RowTicked(int row) { return window_.processPage().RowTicked(row); }

PlaylistDefinition TWindowRunHost::LoadPlaylist(int n) {
    polled_ = false;  // each definition's first folder lets everything through
    window_.playlistPage().LoadPlaylist(n);
    return window_.playlistPage().ShownDefinition();
}

UnionDefinition TWindowRunHost::LoadUnion(int m) {
    window_.unionPage().LoadUnion(m);
    return window_.unionPage().ShownDefinition();
}

RunOptions TWindowRunHost::Options() {
    const ProgramOptions options = window_.optionsPage().Options();
    return {options.overwrite};
}

bool TWindowRunHost::StopRequested() { return window_.CloseRequested(); }

// The bars go to 0 even when a check refuses the run.
void TWindowRunHost::Starting() {
    window_.processPage().ResetBars();
    window_.SetCompactPercent(0);
}

void TWindowRunHost::Refused(const std::string& message) {
    window_.context().dialogs.Message(QString::fromStdString(message), MsgButtons::Ok);
}

void TWindowRunHost::Started() {
    TProcessPage& page = window_.processPage();
    window_.SetQuitEnabled(false);
    page.EnterRunningState();
    window_.repaint();
    if (window_.optionsPage().Options().log) page.ShowLog();
    page.ClearLog();
}

void TWindowRunHost::LogLine(const std::string& line) {
    window_.processPage().AppendLogLine(QString::fromStdString(line));
}

void TWindowRunHost::PhaseStarted(RunPhase phase, int count) {
    TProcessPage& page = window_.processPage();
    if (phase == RunPhase::kPlaylists) {
        window_.repaint();  // the log's first lines, before the bars change
        page.OpenBars();
    }
    phaseCount_ = std::max(count, 1);
    page.LabelProgress(phase == RunPhase::kPlaylists ? QStringLiteral("ПЛЕЙЛИСТ ") : QStringLiteral("ОБЪЕДИНЕНИЕ "),
                       QStringLiteral(" из ") + QString::number(count), phaseCount_);
}

void TWindowRunHost::DefinitionStarted(int k, int percent) {
    window_.processPage().SetBars(k, percent);
    window_.SetCompactPercent(percent);
}

// The editors show definition 1 again, and the window goes back to idle.
void TWindowRunHost::Finished() {
    LoadPlaylist(1);
    LoadUnion(1);
    window_.processPage().CloseProgress(QStringLiteral("-"), QStringLiteral("-"), phaseCount_);
    window_.SetCompactPercent(100);
    window_.SetQuitEnabled(true);
    window_.processPage().LeaveRunningState();
}

// Posted events (queued calls, repaint requests) run at every folder. The
// full pass that also polls for input and timers costs a few microseconds,
// a tenth of a small folder's whole walk, so it runs at each definition's
// first folder and then at most once a millisecond: far below what a user
// can notice.
void TWindowRunHost::Yield() {
    const auto now = std::chrono::steady_clock::now();
    if (!polled_ || now - lastPoll_ >= kPollInterval) {
        polled_ = true;
        lastPoll_ = now;
        QCoreApplication::processEvents();
    } else {
        QCoreApplication::sendPostedEvents();
    }
}

bool TWindowRunHost::EndsProgram(const RunResult& result) {
    if (result.status != RunStatus::kCompleted) return false;
    const bool ends = window_.AutoRunMarker() && window_.optionsPage().Options().quit;
    window_.SetAutoRunMarker(false);
    return ends;
}

}  // namespace zorbex
