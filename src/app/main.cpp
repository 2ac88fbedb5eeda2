#include "app/app_context.h"
#include "app/application.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "platform/program_dir.h"

int main(int argc, char** argv) {
    zorbex::TApplication app(argc, argv);
    zorbex::QtDialogs dialogs;
    app.SetErrorDisplay(&dialogs);
    const zorbex::AppContext context{zorbex::ProgramDirectory(), dialogs};
    zorbex::Tfrm_zorbl frm_zorbl(context);
    frm_zorbl.show();
    return app.exec();
}
