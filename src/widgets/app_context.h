#pragma once
// What the window and its pages receive from outside: where the settings
// file lives and how to talk to the user.
#include <string>

#include "widgets/dialogs.h"

namespace zorbex {

struct AppContext {
    std::string programDir;  // with a trailing '/'
    IDialogs& dialogs;
};

}  // namespace zorbex
