#pragma once
// What the command line and the environment ask of a start, decided before
// any window object exists: a window cannot even be created without a display.
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "settings/program_places.h"

namespace zorbex {

// The first argument, lower-cased, equals "/start", "/auto", "/go" or "/do".
bool IsAutoRunSwitch(std::string_view firstArgument);

// The environment variables that decide whether a window can open.
struct StartEnvironment {
    std::string display;         // DISPLAY
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string qtPlatform;      // QT_QPA_PLATFORM
    // Standard output and standard error lead to the same file or terminal,
    // so what goes to both would be read twice.
    bool outputsShared = false;
};
StartEnvironment StartEnvironmentOfProcess();

enum class StartMode {
    kWindow,      // the window, as always
    kUnattended,  // an automatic-run switch and no display: the run without a window
    kNoDisplay,   // no switch and no display: say so and stop
    kHelp,
    kVersion,
    kWatch,          // --watch: the unattended run, then playlists that follow their folders
    kUnknownSwitch,  // a first argument starting with '-' that neither the program nor Qt takes
};

// args: the arguments after the program name. A display exists when DISPLAY
// or WAYLAND_DISPLAY is set, or the user chose a Qt platform (QT_QPA_PLATFORM
// or a -platform argument); then everything but --help (-h) and --version
// (-V) opens the window. Qt's own options (-platform, -style, -reverse...)
// are no unknown switches.
StartMode ClassifyStart(const std::vector<std::string>& args, const StartEnvironment& env);

std::string VersionLine();  // "Zorbex v4.0i"
std::string NoDisplayLine();
// On standard error when the help or version text could not be written.
std::string OutputLostLine();
// Switches, exit statuses and the settings file in use.
std::string UsageText(const ProgramPlaces& places);
// The line on standard error that names a switch the program does not know,
// and the lines of the usage that follow it.
std::string UnknownSwitchLine(const std::string& argument);
std::string UsageLines();

// Whether a start only answers on the command line (help, version, an
// unknown switch) and so must find its places without making anything.
bool OnlyAnswers(StartMode mode);

// Everything a start without a window does, with its exit status; nothing
// when the window is to open. Help and version end with 2 when their text
// could not be written.
std::optional<int> StartWithoutWindow(const std::vector<std::string>& args, const StartEnvironment& env,
                                      const ProgramPlaces& places, std::ostream& out, std::ostream& err);

}  // namespace zorbex
