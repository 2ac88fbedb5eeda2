#pragma once
// The run: every ticked playlist definition into its playlist file, then
// every ticked union into its union file, with the log, the progress bars
// and the buttons driven through a host. The main window is one host; an
// unattended run without a window is another.
#include <cstdint>
#include <string>
#include <vector>

#include "build/definitions.h"
#include "build/playlist_builder.h"
#include "build/union_builder.h"

namespace zorbex {

inline constexpr const char* kVersionText = "4.0i";
inline constexpr const char* kStartCaption = "З А П У С К";
inline constexpr const char* kNothingTickedMessage = "Не выбран ни один плейлист для создания.";
inline constexpr const char* kOutOfStepMessage =
    "Количество плейлистов и объединений в списке прогресса и файле конфигурации не совпадает.\n"
    "Выберите пункт «обновить список» в выпадающем меню списка прогресса и попробуйте снова.";

// 100 when total is 0, else done * 100 / total truncated toward zero.
int PercentOf(int64_t done, int64_t total);

// A progress bar as the run drives it; the names follow the bar control's
// setters. Bars without a text (the compact bar) ignore the text calls.
class RunBar {
public:
    virtual ~RunBar() = default;
    virtual void SetMax(int value) = 0;
    virtual void SetPosition(int value) = 0;
    virtual void SetPosTextPrefix(const std::string&) {}
    virtual void SetPosTextSuffix(const std::string&) {}
    virtual void SetShowPosText(bool) {}
};

// What the run asks of the window (or of whatever stands in for it).
class RunHost {
public:
    virtual ~RunHost() = default;

    // The process list: rows 0 .. P-1 are playlist definitions 1 .. P, then
    // the unions. A tick is read at the moment the run reaches its row; the
    // list may be refilled while the run yields, so a row beyond the list
    // must read as not ticked.
    virtual int RowCount() = 0;
    virtual bool RowTicked(int row) = 0;

    // Load a definition into its editor and give back its fields as the
    // editor now holds them.
    virtual PlaylistDefinition LoadPlaylist(int n) = 0;
    virtual UnionDefinition LoadUnion(int m) = 0;

    // Options, read when needed.
    virtual bool OverwriteOption() = 0;  // box_overwrite
    virtual bool LogOption() = 0;        // box_log
    virtual bool QuitOption() = 0;       // box_quit

    // The automatic-run marker and the request to end the program.
    virtual bool AutoRunMarker() = 0;
    virtual void ClearAutoRunMarker() = 0;
    virtual void RequestQuit() = 0;

    // A run refused before it starts (a notice with an OK button).
    virtual void ShowRefusal(const std::string& message) = 0;

    // The view.
    virtual void ClearLog() = 0;
    virtual void AppendLog(const std::string& line) = 0;  // one whole line
    virtual void ShowLog() = 0;
    virtual void SetStartButton(bool enabled, const std::string& caption) = 0;
    virtual void SetQuitButtonEnabled(bool enabled) = 0;
    virtual RunBar& bar_progress() = 0;
    virtual RunBar& bar_total() = 0;
    virtual RunBar& bar_compact() = 0;
    virtual void Redraw() = 0;  // paint now, without taking input
    virtual void Yield() = 0;   // let pending events run (once per folder visited)
};

enum class RunStatus {
    kNothingTicked,  // refused: no row ticked
    kOutOfStep,      // refused: the list does not match the settings file
    kCompleted,
};

struct RunResult {
    RunStatus status = RunStatus::kCompleted;
    // Outcomes of every definition, in order (P playlists, U unions).
    std::vector<BuildOutcome> playlists;
    std::vector<UnionOutcome> unions;
    // Ticked definitions that could not be built: a folder not found, an
    // output that could not be written, a union on a playlist's file.
    // Outputs kept because they exist are no failure.
    int failed = 0;
    bool quitRequested = false;

    bool Refused() const { return status != RunStatus::kCompleted; }
};

// The run from the start button (or the automatic start) to "готово.".
// programDir ends with "/"; the settings file there gives the counts.
RunResult Run(RunHost& host, const std::string& programDir);

}  // namespace zorbex
