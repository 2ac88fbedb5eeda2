#pragma once
// The main window as the host of a run: ticks from the process list,
// definitions through the editors, options from their boxes, the log, the
// bars and the buttons on the window's own controls.
#include <QProgressBar>

#include <chrono>

#include "build/run.h"
#include "widgets/vex_progress_bar.h"

namespace zorbex {

class Tfrm_zorbl;

class TWindowRunHost : public RunHost {
public:
    explicit TWindowRunHost(Tfrm_zorbl& window);

    int RowCount() override;
    bool RowTicked(int row) override;
    PlaylistDefinition LoadPlaylist(int n) override;
    UnionDefinition LoadUnion(int m) override;
    bool OverwriteOption() override;
    bool LogOption() override;
    bool QuitOption() override;
    bool AutoRunMarker() override;
    void ClearAutoRunMarker() override;
    void RequestQuit() override;
    void ShowRefusal(const std::string& message) override;
    void ClearLog() override;
    void AppendLog(const std::string& line) override;
    void ShowLog() override;
    void SetStartButton(bool enabled, const std::string& caption) override;
    void SetQuitButtonEnabled(bool enabled) override;
    RunBar& bar_progress() override { return progress_; }
    RunBar& bar_total() override { return total_; }
    RunBar& bar_compact() override { return compact_; }
    void Redraw() override;
    void Yield() override;

private:
    class VexBar : public RunBar {
    public:
        explicit VexBar(TVexProgressBar* bar) : bar_(bar) {}
        void SetMax(int value) override { bar_->SetMax(value); }
        void SetPosition(int value) override { bar_->SetPosition(value); }
        void SetPosTextPrefix(const std::string& text) override { bar_->SetPosTextPrefix(QString::fromStdString(text)); }
        void SetPosTextSuffix(const std::string& text) override { bar_->SetPosTextSuffix(QString::fromStdString(text)); }
        void SetShowPosText(bool show) override { bar_->SetShowPosText(show); }

    private:
        TVexProgressBar* bar_;
    };
    class PlainBar : public RunBar {
    public:
        explicit PlainBar(QProgressBar* bar) : bar_(bar) {}
        void SetMax(int value) override { bar_->setMaximum(value); }
        void SetPosition(int value) override;

    private:
        QProgressBar* bar_;
    };

    Tfrm_zorbl& window_;
    VexBar progress_;
    VexBar total_;
    PlainBar compact_;
    int logLines_ = 0;
    static constexpr std::chrono::microseconds kPollInterval{1000};
    bool polled_ = false;
    std::chrono::steady_clock::time_point lastPoll_;
};

}  // namespace zorbex
