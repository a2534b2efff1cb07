// The base of the control wrappers: one child window of a known class,
// created from a ControlLayout with the parent's font. A wrapper borrows its
// window (the window goes with its parent) and owns the font and brush it
// creates.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>

#include "ControlLayout.h"
#include "ControlStyles.h"
#include "OwnedHandle.h"

namespace dialogs {

class ControlWindow {
public:
    ControlWindow(const char* windowClass, DWORD windowStyle, DWORD extendedStyle);
    virtual ~ControlWindow();
    ControlWindow(const ControlWindow&) = delete;
    ControlWindow& operator=(const ControlWindow&) = delete;

    // False when CreateWindowEx failed.
    bool create(HWND parentWindow, const ControlLayout& place);
    bool create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle);

    // True when the id is a 16-bit value equal to this control's id.
    bool isControl(std::uint32_t commandId) const;
    HWND item(int itemId) const;
    void addStyle(DWORD bits);
    void removeStyle(DWORD bits);
    void moveTo(int x, int y, int width, int height);
    // As moveTo, never smaller than the layout.
    void moveToAtLeast(int x, int y, int width, int height);
    void restoreLayout();
    void currentRect(int& x, int& y, int& width, int& height) const;
    void layoutRect(int& x, int& y, int& width, int& height) const;
    // An empty face name or one of 32 or more characters keeps the previous
    // face; height and weight (0 = normal) always apply.
    void setFont(const char* face, int height, int weight);
    void setFontHandle(HFONT fontHandle);
    void setBackgroundColour(COLORREF colour);
    HINSTANCE parentInstance();

    HWND handle() const { return window; }
    int controlId() const { return static_cast<int>(id); }
    const LOGFONTA& fontDescription() const { return fontDescription_; }

protected:
    // Registers the given common control classes before creation (0: none).
    bool createWindow(HWND parentWindow, const ControlLayout& place, DWORD extraStyle, DWORD classesToRegister);
    LRESULT send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendMessageA(window, msg, wParam, lParam);
    }

    struct Rect {
        int x, y, width, height;
    };

    INITCOMMONCONTROLSEX commonControls;
    HINSTANCE instance;
    const char* className;
    HWND parent;
    HWND window;
    HFONT parentFont;
    DWORD exStyle;
    DWORD style;
    Rect layout;
    std::uint32_t id;
    OwnedBrush brush;
    HDC paintContext;
    LOGFONTA fontDescription_;
    OwnedFont font;
    std::uint32_t faceLength;
    Rect current;
};

}  // namespace dialogs
