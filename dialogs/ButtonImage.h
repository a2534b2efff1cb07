// "Button": the one wrapper behind the three kinds of button (push, bitmap
// face, icon face), which differ only in their style.
#pragma once

#include <windows.h>

#include "ControlWindow.h"

namespace dialogs {
namespace buttonimage {

// Loads a bitmap of the module as the button's own and sets it on the
// button; the handle to keep (null when there is no such bitmap).
HBITMAP setBitmap(HWND button, HINSTANCE instance, WORD bitmapId);
// Loads an icon (shared: it belongs to the system) and sets it on the button.
void setIcon(HWND button, HINSTANCE instance, WORD iconId);

}  // namespace buttonimage

template <DWORD Style>
class ButtonControl : public ControlWindow {
public:
    ButtonControl() : ControlWindow("Button", Style, 0) {}

    bool create(HWND parentWindow, const ControlLayout& place) { return ControlWindow::create(parentWindow, place); }
    // With an extra style the button also gets the client edge.
    bool create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle) {
        exStyle = WS_EX_CLIENTEDGE;
        return ControlWindow::create(parentWindow, place, extraStyle);
    }

    int setText(const char* caption) { return static_cast<int>(send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption))); }
    // A bitmap face replaces the previous one, which is released after.
    void setBitmap(WORD bitmapId) { image_.reset(buttonimage::setBitmap(window, instance, bitmapId)); }
    void setIcon(WORD iconId) { buttonimage::setIcon(window, instance, iconId); }
    // Releases the bitmap face now (else it goes with the button object).
    void releaseImage() { image_.reset(); }
    HBITMAP image() const { return image_.get(); }

private:
    OwnedBitmap image_;
};

}  // namespace dialogs
