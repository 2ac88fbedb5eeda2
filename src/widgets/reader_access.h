#pragma once
// What the program's own controls tell a screen reader beyond what the
// toolkit knows of them: the gradient bar is a progress bar with its
// position as value, the page control names the page shown, a link label is
// a link that can be pressed, a combo box and a file field are named by
// their own names only (never by a letter-spaced group caption or by their
// text), and decorative widgets in a group box (the silver shadows under the
// number and name labels) are left out of the tree, so that no caption is
// read twice.
class QWidget;

namespace zorbex {

// Keeps a widget of a group box out of what a screen reader sees; the box's
// other children stay.
void HideFromReaders(QWidget* decorative);

// Makes the toolkit ask this file for the interfaces above; any number of
// calls, before or after the widgets exist.
void InstallReaderAccess();

}  // namespace zorbex
