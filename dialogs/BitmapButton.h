// "Button": a button showing a bitmap (BS_BITMAP).
#pragma once

#include "ButtonImage.h"
#include "ControlWindow.h"

namespace dialogs {

class BitmapButton : public ControlWindow {
public:
    BitmapButton() : ControlWindow("Button", 0x50000080, 0), image(nullptr) {}

    int create(HWND parentWindow, const ControlLayout& place) { return ControlWindow::create(parentWindow, place); }
    // With an extra style the button also gets the client edge.
    int create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle) {
        exStyle = WS_EX_CLIENTEDGE;
        return ControlWindow::create(parentWindow, place, extraStyle);
    }

    int setText(const char* caption) { return static_cast<int>(send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption))); }
    void setBitmap(WORD bitmapId) { image = buttonimage::setBitmap(window, instance, bitmapId); }
    void setIcon(WORD iconId) { image = buttonimage::setIcon(window, instance, iconId); }
    void releaseImage() { buttonimage::release(image); }

    HANDLE image;
};

}  // namespace dialogs
