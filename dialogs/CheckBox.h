// "Button" with BS_AUTOCHECKBOX: a check box with a caption.
#pragma once

#include "ControlWindow.h"

namespace dialogs {

class CheckBox : public ControlWindow {
public:
    CheckBox() : ControlWindow("Button", CHECK_BOX_STYLE, 0) {}

    int setText(const char* caption) { return static_cast<int>(send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption))); }
    void check() { send(BM_SETCHECK, BST_CHECKED); }
    void uncheck() { send(BM_SETCHECK, BST_UNCHECKED); }
    bool isChecked() const { return send(BM_GETCHECK) == BST_CHECKED; }
};

}  // namespace dialogs
