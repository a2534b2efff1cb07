// "ListBox": a list of text lines with optional data per line.
#pragma once

#include "ControlWindow.h"

namespace dialogs {

class ListBoxControl : public ControlWindow {
public:
    ListBoxControl() : ControlWindow("ListBox", LIST_BOX_STYLE, WS_EX_CLIENTEDGE), lastFound(-1), lastAdded(-1) {}

    // True when no entry begins with the text (case ignored); the index is kept.
    bool isMissing(const char* text) {
        lastFound = static_cast<int>(send(LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)));
        return lastFound == LB_ERR;
    }
    int addText(const char* text) { return static_cast<int>(send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
    int addTextWithData(const char* text, LPARAM data) {
        lastAdded = static_cast<int>(send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
        send(LB_SETITEMDATA, static_cast<WPARAM>(lastAdded), data);
        return lastAdded;
    }
    int insertText(const char* text, int index) {
        return static_cast<int>(send(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
    }
    int deleteText(int index) { return static_cast<int>(send(LB_DELETESTRING, static_cast<WPARAM>(index))); }
    void clearAll() { send(LB_RESETCONTENT); }
    // The buffer must hold the line (LB_GETTEXTLEN).
    int textAt(int index, char* buffer) {
        return static_cast<int>(send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer)));
    }
    // The selected index for LBN_SELCHANGE, else -1 without asking the list.
    int selectionOnChange(int notificationCode) {
        if (notificationCode != LBN_SELCHANGE) return -1;
        return static_cast<int>(send(LB_GETCURSEL));
    }
    void setScrollWidth(int pixels) { send(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(pixels)); }
    int count() const { return static_cast<int>(send(LB_GETCOUNT)); }

    int lastFound;
    int lastAdded;
};

}  // namespace dialogs
