#include <iostream>
#include <memory>

#include "app/application.h"
#include "app/main_window.h"
#include "app/translation.h"
#include "app/window_system.h"
#include "cli/command_line.h"
#include "platform/malloc_arenas.h"
#include "platform/named_temporaries.h"
#include "platform/program_dir.h"
#include "settings/program_places.h"
#include "widgets/app_context.h"
#include "widgets/dialogs.h"

int main(int argc, char** argv) {
    // Before the first thread, the window's or the walk's.
    zorbex::LimitMallocArenas();
    // Before anything is written, for the window and the unattended run alike.
    zorbex::RemoveTemporariesOnTermination();
    // The arguments as the system passed them: the application object takes
    // Qt's own options (-style, -reverse, ...) out of argv, and the first
    // argument must stay the one the user typed.
    const std::vector<std::string> args(argv + 1, argv + argc);
    const zorbex::StartEnvironment environment = zorbex::StartEnvironmentOfProcess();
    // Once, for the whole process: where the settings file and relative
    // outputs go. A start that only answers (--help) makes nothing there.
    const std::string programDir = zorbex::ProgramDirectory();
    const bool onlyAnswers = zorbex::OnlyAnswers(zorbex::ClassifyStart(args, environment));
    const zorbex::ProgramPlaces places = onlyAnswers
                                             ? zorbex::LookUpProgramPlaces(programDir, zorbex::UserPlacesOfProcess())
                                             : zorbex::ChooseProgramPlaces(programDir);
    // Settings others can change are not used, nor is anything written.
    if (!onlyAnswers && !places.refused.empty()) {
        std::cerr << places.refused << "\n";
        return 2;
    }
    // --help, --version and runs without a display end here, before any
    // window object exists.
    if (const auto status = zorbex::StartWithoutWindow(args, environment, places, std::cout, std::cerr)) {
        return *status;
    }
    // The resources live in a static library; nothing else pulls them in.
    Q_INIT_RESOURCE(resources);
    std::unique_ptr<zorbex::TApplication> app;
    zorbex::OpenWindowSystem([&] { app = std::make_unique<zorbex::TApplication>(argc, argv); },
                             [&] { return zorbex::StartWithUnreachableDisplay(args, places, std::cout, std::cerr); });
    zorbex::InstallQtRussian(*app);
    zorbex::QtDialogs dialogs;
    app->SetErrorDisplay(&dialogs);
    const zorbex::AppContext context{places.programDir, places.baseDir, places.settingsDir, dialogs};
    zorbex::Tfrm_zorbl frm_zorbl(context);
    // The creation handler runs before the event loop, so what it raises
    // needs the error display's guard here.
    zorbex::DeliverGuarded(dialogs, [&] {
        // Before the creation handler's own failed write names the file.
        if (!places.unwritable.empty()) dialogs.ShowError(QString::fromStdString(places.unwritable));
        frm_zorbl.FormCreate(args);
        return true;
    });
    frm_zorbl.show();
    return app->exec();
}
