#pragma once
// The program's own pictures: its icon and the three cursors of the
// information page's links, drawn here so that nothing is loaded from disk.
#include <optional>
#include <string_view>

#include <QCursor>
#include <QIcon>

namespace zorbex {

// The icon of the window, the task bar and the information page.
QIcon ProgramIcon();

// "Zr_HandCur" (a pointing hand), "Zr_HelpCur" (an arrow with a question
// mark) and "Zr_MailCur" (an arrow with an envelope); nothing for another name.
std::optional<QCursor> ProgramCursor(std::string_view name);

}  // namespace zorbex
