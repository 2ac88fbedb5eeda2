#pragma once
// What a screen reader calls each control of the window: plain Russian words
// saying what the control is for, kept in one table. The captions on screen
// stay as drawn ("ВЬIХОД", "З А П У С К"); a reader would spell those out.
#include <QString>

#include <span>

class QWidget;

namespace zorbex {

struct SpokenName {
    const char* control;  // the object name
    const char* name;
    const char* browse = nullptr;  // a file field's browse button
};

// A label beside a control, which the reader announces as that control's label.
struct TiedLabel {
    const char* label;
    const char* control;
};

std::span<const SpokenName> SpokenNames();
// The tabs of the pages, by the pages' object names.
std::span<const SpokenName> PageNames();
std::span<const TiedLabel> TiedLabels();

// The spoken name of a control by its object name; empty when it has none.
QString SpokenNameOf(const QString& control);

// Gives every control under root that the table names its spoken name (a file
// field's goes to its edit line, its browse button gets its own), ties the
// labels to their controls, and names the pages of a page control.
void ApplySpokenNames(QWidget* root);

}  // namespace zorbex
