// "Button" with BS_AUTOCHECKBOX: a check box with a caption.
#pragma once

#include "ControlWindow.h"

class CheckBox : public dialogs::ControlWindow {
public:
    CheckBox() : ControlWindow("Button", 0x50000003, 0) {}

    int setText(const char* caption) { return static_cast<int>(send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption))); }
    void check() { send(BM_SETCHECK, BST_CHECKED); }
    void uncheck() { send(BM_SETCHECK, BST_UNCHECKED); }
    bool isChecked() const { return send(BM_GETCHECK) == BST_CHECKED; }
};
