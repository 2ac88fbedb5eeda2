#pragma once
// The picture strips of the owner-drawn popup menus and the glyph of the
// mask list button, drawn at run time: 16 x 16 cells side by side.
#include <QIcon>
#include <QImage>

class QMenu;

namespace zorbex {

inline constexpr int kCellSize = 16;

// Delete, edit, import, export, simplify.
QImage PicIgnoreStrip();
// Select all, select none, refresh the process list, refresh the member list.
QImage PicGoStrip();
// The small down arrow of the button over the mask list.
QImage DownButtonGlyph();

// Picture number (counted from 1) of a strip.
QImage StripPicture(const QImage& strip, int number);
int StripSize(const QImage& strip);

// Gives every item of the menu whose tag (QAction::data) T lies in 1 .. the
// strip's size picture T; other items and separators get none.
void ApplyStripPictures(QMenu* menu, const QImage& strip);

}  // namespace zorbex
