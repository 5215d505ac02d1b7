#pragma once

#include <span>

class QLabel;
class QWidget;

namespace vorad {

// How a reader meets a control's name.
enum class Shown {
    Named, // the name from the table (nullptr: the control's own text, as it changes)
    Value, // a label showing a value: named by the table, its text read as the description
    Status, // a status line: as Value, and read out as a status bar whenever it changes
};

// What a screen reader says for one control, found by its object name.
struct ControlName
{
    const char* object;
    const char* name;
    const char* description = nullptr; // what a key does there, when the name does not say
    Shown shown = Shown::Named;
};

// Gives every control under root that the table names its name and description. Run it once
// the controls are built, before the window is first shown.
void NameControls(QWidget* root, std::span<const ControlName> table);

// A label named caption whose text is read as its description; a change of text tells the
// reader by itself (the label's own name-change event), nothing needs calling afterwards.
void NameValueLabel(QLabel* label, const char* caption, bool status);

} // namespace vorad
