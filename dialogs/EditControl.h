// "Edit": the one wrapper behind the one-line field and the field of several
// lines, which differ only in their style.
#pragma once

#include <string>
#include <vector>

#include "ControlWindow.h"

namespace dialogs {

template <DWORD Style>
class EditControl : public ControlWindow {
public:
    EditControl() : ControlWindow("Edit", Style, WS_EX_CLIENTEDGE) {}

    bool create(HWND parentWindow, const ControlLayout& place) { return ControlWindow::create(parentWindow, place); }
    // With an extra style the field also accepts dropped files.
    bool create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle) {
        exStyle |= WS_EX_ACCEPTFILES;
        return ControlWindow::create(parentWindow, place, extraStyle);
    }

    int setText(const char* text) { return static_cast<int>(send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text))); }
    // At most maximumLength - 1 characters and a terminating zero.
    int getText(char* buffer, int maximumLength) {
        return static_cast<int>(send(WM_GETTEXT, static_cast<WPARAM>(maximumLength), reinterpret_cast<LPARAM>(buffer)));
    }
    // The text cut as getText cuts it.
    std::string text(int maximumLength) {
        std::vector<char> buffer(static_cast<std::size_t>(maximumLength > 0 ? maximumLength : 1), '\0');
        getText(buffer.data(), maximumLength);
        return buffer.data();
    }
    int textLength() { return static_cast<int>(send(WM_GETTEXTLENGTH)); }
    static bool isChange(int notificationCode) { return notificationCode == EN_CHANGE; }
};

}  // namespace dialogs
