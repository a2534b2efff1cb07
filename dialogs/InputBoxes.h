// Two small modal boxes the programs ask with: one line (a name), and a
// label with its text. Both are made from a template built in memory and run
// as Unicode windows, in the programs' dialog font, centred on their owner.
// Enter in a one-line field presses OK; Esc and the close box cancel.
#pragma once

#include <windows.h>

#include <string>

namespace dialogs {

// The control ids of the boxes, for whoever drives them (the buttons are
// IDOK and IDCANCEL). The prompt lines have the id of a static text (-1).
constexpr int INPUT_NAME_FIELD = 1001;  // the one-line field of both boxes
constexpr int INPUT_TEXT_FIELD = 1002;  // the multi-line text field of editLabel

// Asks for one line (a name): a caption, a prompt line above a one-line
// field filled with `value`, OK and Cancel. True (value replaced by what the
// user typed, as 8-bit characters in the system code page) when OK was
// pressed. A typed character the system code page cannot hold is not
// silently changed: OK then says so and the box stays open.
bool askLine(HWND owner, const char* caption, const char* prompt, std::string& value);

// Edits a label and its text: a one-line field for the name (read-only when
// nameEditable is false) and a multi-line field for the text that shows
// every Unicode character. "\n" in `text` is a line break in the field and
// a line break typed (Enter) comes back as "\n"; characters outside the BMP
// stay surrogate pairs. True with name and text replaced when OK was
// pressed. A text holding U+0000, which no edit field can hold, is shown
// read-only (each U+0000 as U+2400) and given back unchanged.
bool editLabel(HWND owner, const char* caption, std::string& name, bool nameEditable, std::u16string& text);

}  // namespace dialogs
