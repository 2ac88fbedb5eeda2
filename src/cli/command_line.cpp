#include "cli/command_line.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdlib>

#include "cli/unattended_run.h"
#include "cli/watch.h"
#include "engine/run.h"
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

// The options Qt's application object takes out of the command line for
// itself, given with one dash or two, some as "name=value".
bool IsQtOption(std::string_view argument) {
    static constexpr std::array<std::string_view, 34> kNames = {"platform",
                                                                "platformpluginpath",
                                                                "platformtheme",
                                                                "plugin",
                                                                "qmljsdebugger",
                                                                "qwindowgeometry",
                                                                "qwindowicon",
                                                                "qwindowtitle",
                                                                "reverse",
                                                                "session",
                                                                "display",
                                                                "geometry",
                                                                "style",
                                                                "stylesheet",
                                                                "widgetcount",
                                                                "name",
                                                                "title",
                                                                "visual",
                                                                "ncols",
                                                                "cmap",
                                                                "im",
                                                                "inputstyle",
                                                                "nograb",
                                                                "dograb",
                                                                "sync",
                                                                "fn",
                                                                "font",
                                                                "bg",
                                                                "background",
                                                                "fg",
                                                                "foreground",
                                                                "btn",
                                                                "button",
                                                                "icon"};
    if (argument.substr(0, 2) == "--")
        argument.remove_prefix(2);
    else
        argument.remove_prefix(1);
    argument = argument.substr(0, argument.find('='));
    for (std::string_view name : kNames)
        if (argument == name) return true;
    return false;
}

bool SameFile(int a, int b) {
    struct stat x {
    }, y{};
    return ::fstat(a, &x) == 0 && ::fstat(b, &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

// The status of a start that only writes a text: what was asked for did not
// happen when the text could not be written (a closed or full output).
int Written(const std::ostream& out, std::ostream& err) {
    if (out) return 0;
    err << OutputLostLine() << std::endl;
    return kExitRefused;
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
    return StartEnvironment{Env("DISPLAY"), Env("WAYLAND_DISPLAY"), Env("QT_QPA_PLATFORM"),
                            SameFile(STDOUT_FILENO, STDERR_FILENO)};
}

StartMode ClassifyStart(const std::vector<std::string>& args, const StartEnvironment& env) {
    const std::string first = args.empty() ? std::string() : args.front();
    if (first == "--help" || first == "-h") return StartMode::kHelp;
    if (first == "--version" || first == "-V") return StartMode::kVersion;
    if (first == "--watch") return StartMode::kWatch;
    if (first.size() > 0 && first[0] == '-' && !IsQtOption(first)) return StartMode::kUnknownSwitch;
    const bool display =
        !env.display.empty() || !env.waylandDisplay.empty() || !env.qtPlatform.empty() || PlatformArgument(args);
    if (display) return StartMode::kWindow;
    return IsAutoRunSwitch(first) ? StartMode::kUnattended : StartMode::kNoDisplay;
}

std::string VersionLine() { return std::string("Zorbex v") + kVersionText; }

std::string NoDisplayLine() {
    return "zorbex: окну нужен дисплей, а ни DISPLAY, ни WAYLAND_DISPLAY не заданы; "
           "`zorbex /start` создаёт запомненный выбор без окна (см. zorbex --help).";
}

std::string OutputLostLine() { return "zorbex: текст не выведен: стандартный вывод закрыт или переполнен."; }

std::string UsageLines() {
    return "Запуск: zorbex [/start | /auto | /go | /do]\n"
           "        zorbex --watch | --help | -h | --version | -V\n";
}

std::string UnknownSwitchLine(const std::string& argument) {
    return "zorbex: неизвестный ключ «" + argument + "» (см. zorbex --help).";
}

bool OnlyAnswers(StartMode mode) {
    return mode == StartMode::kHelp || mode == StartMode::kVersion || mode == StartMode::kUnknownSwitch;
}

std::string UsageText(const ProgramPlaces& places) {
    return VersionLine() +
           " - создаёт плейлисты .m3u и объединения\n"
           "по описаниям из своего файла настроек.\n"
           "\n" +
           UsageLines() +
           "\n"
           "  (без ключа)   открыть окно\n"
           "  /start        создать выбор, запомненный на вкладке «ПРОЦЕСС»; /auto, /go\n"
           "                и /do делают то же самое, в любом регистре, первым параметром.\n"
           "                С дисплеем запуск выполняет окно. Без него (не заданы DISPLAY,\n"
           "                WAYLAND_DISPLAY и QT_QPA_PLATFORM или дисплей не открывается)\n"
           "                запуск идёт без окна: журнал - в стандартный вывод, отказы\n"
           "                и ошибки - в стандартный поток ошибок.\n"
           "  --watch       то же без окна, а затем пересоздавать каждый плейлист, как\n"
           "                только меняются его каталоги, до SIGTERM или Ctrl+C; окна нет\n"
           "  --help, -h    показать этот текст\n"
           "  --version, -V показать версию\n"
           "\n"
           "Код завершения запуска с ключом, с окном и без него:\n"
           "  0  запуск завершён; всё отмеченное создано или оставлено как есть\n"
           "  1  запуск завершён, но отмеченное описание не выполнено: каталог не найден,\n"
           "     файл не записан или объединение указывает на файл плейлиста\n"
           "  2  запуск отклонён (ничего не отмечено, список не совпадает с файлом\n"
           "     настроек) или прерван закрытием окна, или файл настроек не записан\n"
           "\n"
           "Файл настроек: " +
           places.SettingsFilePath() +
           "\n"
           "Относительные пути - от каталога: " +
           places.baseDir + "\n";
}

std::optional<int> StartWithoutWindow(const std::vector<std::string>& args, const StartEnvironment& env,
                                      const ProgramPlaces& places, std::ostream& out, std::ostream& err) {
    switch (ClassifyStart(args, env)) {
        case StartMode::kWindow:
            return std::nullopt;
        case StartMode::kHelp:
            return Written(out << UsageText(places) << std::flush, err);
        case StartMode::kVersion:
            return Written(out << VersionLine() << std::endl, err);
        case StartMode::kUnknownSwitch:
            err << UnknownSwitchLine(args.front()) << '\n' << UsageLines() << std::flush;
            return kExitRefused;
        case StartMode::kNoDisplay:
            err << NoDisplayLine() << std::endl;
            return kExitRefused;
        case StartMode::kUnattended:
            // A reader that goes away (a closed pipe) must not kill the run
            // halfway; the log is lost, the playlists are still built.
            std::signal(SIGPIPE, SIG_IGN);
            return RunUnattended(places, out, err, !env.outputsShared);
        case StartMode::kWatch:
            std::signal(SIGPIPE, SIG_IGN);
            return RunWatch(places, out, err);
    }
    return std::nullopt;
}

}  // namespace zorbex
