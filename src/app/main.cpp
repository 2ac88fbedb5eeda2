#include "app/app_context.h"
#include "app/application.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "build/command_line.h"
#include "platform/program_dir.h"

#include <iostream>

int main(int argc, char** argv) {
    // --help, --version and runs without a display end here, before any
    // window object exists.
    if (const auto status = zorbex::StartWithoutWindow({argv + 1, argv + argc}, zorbex::StartEnvironmentOfProcess(),
                                                       zorbex::ProgramDirectory(), std::cout, std::cerr)) {
        return *status;
    }
    // The resources live in a static library; nothing else pulls them in.
    Q_INIT_RESOURCE(resources);
    zorbex::TApplication app(argc, argv);
    zorbex::QtDialogs dialogs;
    app.SetErrorDisplay(&dialogs);
    const zorbex::AppContext context{zorbex::ProgramDirectory(), dialogs};
    zorbex::Tfrm_zorbl frm_zorbl(context);
    // The arguments as the application left them, without Qt's own. The
    // creation handler runs before the event loop, so what it raises needs
    // the error display's guard here.
    const std::vector<std::string> args(argv + 1, argv + argc);
    zorbex::DeliverGuarded(dialogs, [&] {
        frm_zorbl.FormCreate(args);
        return true;
    });
    frm_zorbl.show();
    return app.exec();
}
