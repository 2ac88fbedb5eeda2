#pragma once
// A main window started in a temporary program folder, as the program
// starts it, with scripted dialogs; and the message loop run until the
// program ends or a time limit passes.
#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/main_window.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"
#include "support/window/scripted_dialogs.h"

namespace zx_test {

struct StartedWindow : ::testing::Test {
    TempDir dir;
    ScriptedDialogs dialogs;
    zorbex::AppContext context{dir.path(), dialogs};
    std::unique_ptr<zorbex::Tfrm_zorbl> window;

    void Seed(const std::string& text) { WriteFile(dir / "Zorbl.Zrf", text); }
    std::string SettingsText() const { return ReadFile(dir / "Zorbl.Zrf"); }
    int MainNumber(const char* key) const {
        return zorbex::SettingsFile(zorbex::SettingsPath(dir.path())).ReadNumber(zorbex::MainSection(), key, -1);
    }
    // Files named 01.mp3 .. count.mp3 in folder (relative to the program folder).
    void Media(const std::string& folder, int count) {
        MakeDirs(dir / folder);
        for (int i = 1; i <= count; ++i) WriteFile(dir / (folder + "/" + (i < 10 ? "0" : "") + std::to_string(i) + ".mp3"), "");
    }

    zorbex::Tfrm_zorbl& Start(const std::vector<std::string>& args = {}) {
        window.reset();
        window = std::make_unique<zorbex::Tfrm_zorbl>(context);
        window->FormCreate(args);
        return *window;
    }
};

// What LoopExitStatus gives when the program did not ask to end in time.
inline constexpr int kLoopGoesOn = -1;

// Runs first() from the message loop, then the loop until the program asks
// to end (its exit status) or limitMs pass (kLoopGoesOn).
inline int LoopExitStatus(int limitMs, const std::function<void()>& first) {
    QTimer start, limit;
    start.setSingleShot(true);
    limit.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, first);
    QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(kLoopGoesOn); });
    start.start(0);
    limit.start(limitMs);
    return QCoreApplication::exec();
}

// The program asked to end with status 0 within limitMs.
inline bool LoopEndsProgram(int limitMs, const std::function<void()>& first) {
    return LoopExitStatus(limitMs, first) == 0;
}

}  // namespace zx_test
