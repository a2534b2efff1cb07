// "ComboBox": a drop-down list with an edit field.
#pragma once

#include "ControlWindow.h"

namespace dialogs {

class ComboBoxControl : public ControlWindow {
public:
    ComboBoxControl() : ControlWindow("ComboBox", COMBO_BOX_STYLE, WS_EX_CLIENTEDGE), lastFound(-1), lastAdded(-1) {}

    bool create(HWND parentWindow, const ControlLayout& place) { return ControlWindow::create(parentWindow, place); }
    // With an extra style the box also gets the client edge.
    bool create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle) {
        exStyle = WS_EX_CLIENTEDGE;
        return ControlWindow::create(parentWindow, place, extraStyle);
    }

    // True when no entry equals the text (case ignored); the found index is kept.
    bool isMissing(const char* text) {
        lastFound = static_cast<int>(send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)));
        return lastFound == CB_ERR;
    }
    int addText(const char* text) {
        lastAdded = static_cast<int>(send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
        return lastAdded;
    }
    int insertText(const char* text, int index) {
        return static_cast<int>(send(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
    }
    int deleteText(int index) { return static_cast<int>(send(CB_DELETESTRING, static_cast<WPARAM>(index))); }
    // The buffer must hold the entry's text (CB_GETLBTEXTLEN).
    int textAt(int index, char* buffer) {
        return static_cast<int>(send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer)));
    }
    int editText(char* buffer, int maximumLength) {
        return static_cast<int>(send(WM_GETTEXT, static_cast<WPARAM>(maximumLength), reinterpret_cast<LPARAM>(buffer)));
    }

    int lastFound;
    int lastAdded;
};

}  // namespace dialogs
