#include "cli/command_line.h"

#include <csignal>
#include <cstdlib>

#include "build/run.h"
#include "cli/unattended_run.h"
#include "cli/watch.h"
#include "settings/settings_file.h"

namespace zorbex {
namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Qt takes "-platform NAME" (or "--platform NAME") anywhere on the line.
bool PlatformArgument(const std::vector<std::string>& args) {
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "-platform" || args[i] == "--platform") return true;
    }
    return false;
}

}  // namespace

bool IsAutoRunSwitch(std::string_view firstArgument) {
    std::string lower(firstArgument);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower == "/start" || lower == "/auto" || lower == "/go" || lower == "/do";
}

StartEnvironment StartEnvironmentOfProcess() {
    return StartEnvironment{Env("DISPLAY"), Env("WAYLAND_DISPLAY"), Env("QT_QPA_PLATFORM")};
}

StartMode ClassifyStart(const std::vector<std::string>& args, const StartEnvironment& env) {
    const std::string first = args.empty() ? std::string() : args.front();
    if (first == "--help") return StartMode::kHelp;
    if (first == "--version") return StartMode::kVersion;
    if (first == "--watch") return StartMode::kWatch;
    const bool display = !env.display.empty() || !env.waylandDisplay.empty() || !env.qtPlatform.empty() ||
                         PlatformArgument(args);
    if (display) return StartMode::kWindow;
    return IsAutoRunSwitch(first) ? StartMode::kUnattended : StartMode::kNoDisplay;
}

std::string VersionLine() { return std::string("Zorbex v") + kVersionText; }

std::string NoDisplayLine() {
    return "zorbex: the window needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set; "
           "`zorbex /start` builds the remembered selection unattended (see zorbex --help).";
}

std::string UsageText(const ProgramPlaces& places) {
    return VersionLine() +
           " - builds .m3u playlists and unions from the definitions in its settings file.\n"
           "\n"
           "Usage: zorbex [/start | /auto | /go | /do]\n"
           "       zorbex --watch | --help | --version\n"
           "\n"
           "  (nothing)     open the window\n"
           "  /start        build the selection remembered on the process page; /auto, /go\n"
           "                and /do do the same, in any letter case, as the first argument.\n"
           "                With a display the window runs it. Without one (no DISPLAY,\n"
           "                WAYLAND_DISPLAY or QT_QPA_PLATFORM, or one that cannot be opened)\n"
           "                it runs unattended: the log goes to standard output, refusals\n"
           "                and errors to standard error.\n"
           "  --watch       build it unattended, then rebuild each playlist whenever its\n"
           "                folders change, until SIGTERM or Ctrl+C; never a window\n"
           "  --help        show this text\n"
           "  --version     show the version\n"
           "\n"
           "Exit status of an unattended run:\n"
           "  0  the run completed; every ticked definition was built or kept\n"
           "  1  the run completed, but a ticked definition failed: folder not found,\n"
           "     output not writable, or a union whose file a playlist uses\n"
           "  2  the run was refused (nothing ticked, list out of step with the settings\n"
           "     file), or the settings file could not be written\n"
           "\n"
           "Settings file: " +
           places.SettingsFile() + "\n";
}

std::optional<int> StartWithoutWindow(const std::vector<std::string>& args, const StartEnvironment& env,
                                      const ProgramPlaces& places, std::ostream& out, std::ostream& err) {
    switch (ClassifyStart(args, env)) {
        case StartMode::kWindow:
            return std::nullopt;
        case StartMode::kHelp:
            out << UsageText(places) << std::flush;
            return 0;
        case StartMode::kVersion:
            out << VersionLine() << std::endl;
            return 0;
        case StartMode::kNoDisplay:
            err << NoDisplayLine() << std::endl;
            return kExitRefused;
        case StartMode::kUnattended:
            // A reader that goes away (a closed pipe) must not kill the run
            // halfway; the log is lost, the playlists are still built.
            std::signal(SIGPIPE, SIG_IGN);
            return RunUnattended(places, out, err);
        case StartMode::kWatch:
            std::signal(SIGPIPE, SIG_IGN);
            return RunWatch(places, out, err);
    }
    return std::nullopt;
}

}  // namespace zorbex
