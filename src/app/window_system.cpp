#include "app/window_system.h"

#include <cstdlib>
#include <iostream>
#include <mutex>

#include <QString>
#include <QtGlobal>

#include "cli/command_line.h"
#include "cli/unattended_run.h"

namespace zorbex {
namespace {

// The variables that named the display, as "NAME=value", or "" when none did.
std::string DisplayNamed() {
    std::string named;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        named += (named.empty() ? "" : ", ") + std::string(name) + "=" + value;
    }
    return named.empty() ? "" : " (" + named + ")";
}

struct HeldMessage {
    QtMsgType type;
    std::string category, file, function;
    int line;
    QString text;
};

// The state of one OpenWindowSystem call; Qt's handler is a plain function.
struct Opening {
    QtMessageHandler previous = nullptr;
    const std::function<int()>* unreachable = nullptr;
    std::mutex heldLock;  // Qt may report from any thread
    std::vector<HeldMessage> held;
};
Opening* g_opening = nullptr;

void HoldOrGiveUp(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        // Qt found no platform it could open and is about to abort. The
        // engine needs nothing of Qt, so the run happens here; the half-made
        // application object is never used again.
        const int status = (*g_opening->unreachable)();
        std::cout.flush();
        std::cerr.flush();
        std::_Exit(status);
    }
    const std::lock_guard<std::mutex> lock(g_opening->heldLock);
    g_opening->held.push_back({type, context.category ? context.category : "", context.file ? context.file : "",
                               context.function ? context.function : "", context.line, text});
}

}  // namespace

int StartWithUnreachableDisplay(const std::vector<std::string>& args, const ProgramPlaces& places, std::ostream& out,
                                std::ostream& err) {
    if (args.empty() || !IsAutoRunSwitch(args.front())) {
        err << "zorbex: дисплей не открывается" << DisplayNamed()
            << ", поэтому окно не может быть показано; `zorbex /start` создаёт запомненный выбор без окна "
               "(см. zorbex --help)."
            << std::endl;
        return kExitRefused;
    }
    err << "zorbex: дисплей не открывается" << DisplayNamed() << "; запомненный выбор создаётся без окна." << std::endl;
    // Only the switch: further arguments are never looked at, and with no
    // display in the environment the start is the unattended one.
    return StartWithoutWindow({args.front()}, StartEnvironment{}, places, out, err).value_or(kExitRefused);
}

void OpenWindowSystem(const std::function<void()>& create, const std::function<int()>& unreachable) {
    Opening opening;
    opening.unreachable = &unreachable;
    g_opening = &opening;
    opening.previous = qInstallMessageHandler(HoldOrGiveUp);
    create();
    qInstallMessageHandler(opening.previous);
    g_opening = nullptr;
    for (const HeldMessage& m : opening.held) {
        const QMessageLogContext context(m.file.c_str(), m.line, m.function.c_str(), m.category.c_str());
        qt_message_output(m.type, context, m.text);
    }
}

}  // namespace zorbex
