#pragma once
// A window title that is truly empty. Qt puts the application name in place
// of an empty title, so that a window manager shows "Zorbex" above a box
// meant to have no title at all.
class QWidget;

namespace zorbex {

// Clears the title the window system holds for window (created, not yet
// shown). Does nothing on a window system other than X11.
void ClearNativeTitle(QWidget* window);

}  // namespace zorbex
