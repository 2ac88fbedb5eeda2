#include "app/window_run_host.h"

#include <QCoreApplication>
#include <QTextBlock>
#include <QTextCursor>

#include "app/main_window.h"

namespace zorbex {

TWindowRunHost::TWindowRunHost(Tfrm_zorbl& window)
    : window_(window),
      progress_(window.tab_process->bar_progress),
      total_(window.tab_process->bar_total),
      compact_(window.bar_compact) {}

// The compact strip is all there is to see in compact mode, and the union
// phase never yields: paint it at once, as the gradient bars paint themselves.
void TWindowRunHost::PlainBar::SetPosition(int value) {
    if (value == bar_->value()) return;
    bar_->setValue(value);
    if (bar_->isVisible()) bar_->repaint();
}

int TWindowRunHost::RowCount() { return window_.tab_process->RowCount(); }

bool TWindowRunHost::RowTicked(int row) { return window_.tab_process->RowTicked(row); }

PlaylistDefinition TWindowRunHost::LoadPlaylist(int n) {
    polled_ = false;  // each definition's first folder lets everything through
    window_.tab_playlist->LoadPlaylist(n);
    return window_.tab_playlist->ShownDefinition();
}

UnionDefinition TWindowRunHost::LoadUnion(int m) {
    window_.tab_combine->LoadUnion(m);
    return window_.tab_combine->ShownDefinition();
}

bool TWindowRunHost::OverwriteOption() { return window_.tab_app->box_overwrite->isChecked(); }
bool TWindowRunHost::LogOption() { return window_.tab_app->box_log->isChecked(); }
bool TWindowRunHost::QuitOption() { return window_.tab_app->box_quit->isChecked(); }

bool TWindowRunHost::AutoRunMarker() { return window_.AutoRunMarker(); }
void TWindowRunHost::ClearAutoRunMarker() { window_.SetAutoRunMarker(false); }
void TWindowRunHost::RequestQuit() { window_.EndProgram(); }

void TWindowRunHost::ShowRefusal(const std::string& message) {
    window_.context().dialogs.Message(QString::fromStdString(message), MsgButtons::Ok);
}

void TWindowRunHost::ClearLog() {
    window_.tab_process->log_memo->clear();
    logLines_ = 0;
}

void TWindowRunHost::AppendLog(const std::string& line) {
    // Through a cursor rather than appendPlainText, which would fold an empty
    // line into the next one when it came first.
    QPlainTextEdit* memo = window_.tab_process->log_memo;
    // One edit block: the document is laid out once, and the cursor does not
    // work out where on screen it stands after every step.
    QTextCursor cursor(memo->document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    if (logLines_++ > 0) cursor.insertBlock();
    cursor.insertText(QString::fromStdString(line));
    cursor.endEditBlock();
    window_.tab_process->ScrollLogToEnd();
}

void TWindowRunHost::ShowLog() {
    window_.tab_process->log_memo->show();
    window_.tab_process->btn_log->show();
}

void TWindowRunHost::SetStartButton(bool enabled, const std::string& caption) {
    window_.tab_process->btn_start->setEnabled(enabled);
    window_.tab_process->btn_start->setText(QString::fromStdString(caption));
}

void TWindowRunHost::SetQuitButtonEnabled(bool enabled) { window_.btn_quit->setEnabled(enabled); }

void TWindowRunHost::Redraw() { window_.repaint(); }

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

}  // namespace zorbex
