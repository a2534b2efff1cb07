#include "DpiScale.h"

namespace dialogs {

namespace {
constexpr int DESIGN_DPI = 96;

using DpiForWindow = UINT(WINAPI*)(HWND);

DpiForWindow dpiForWindowFunction() {
    static const DpiForWindow function = [] {
        HMODULE user = GetModuleHandleA("user32.dll");
        FARPROC found = user != nullptr ? GetProcAddress(user, "GetDpiForWindow") : nullptr;
        return reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(found));
    }();
    return function;
}
}  // namespace

int windowDpi(HWND window) {
    if (window != nullptr) {
        if (DpiForWindow dpiForWindow = dpiForWindowFunction()) {
            const UINT dpi = dpiForWindow(window);
            if (dpi != 0) return static_cast<int>(dpi);
        }
    }
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return DESIGN_DPI;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : DESIGN_DPI;
}

int scaleToWindow(HWND window, int length) {
    const int dpi = windowDpi(window);
    return dpi == DESIGN_DPI ? length : MulDiv(length, dpi, DESIGN_DPI);
}

void growToHoldChildren(HWND dialog) {
    RECT client{};
    if (!GetClientRect(dialog, &client)) return;
    LONG right = 0, bottom = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)) continue;  // the dialog itself is not shown yet
        RECT place{};
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        if (place.right > right) right = place.right;
        if (place.bottom > bottom) bottom = place.bottom;
    }
    const int margin = scaleToWindow(dialog, 11);
    const LONG wantWidth = right > client.right ? right + margin : client.right;
    const LONG wantHeight = bottom > client.bottom ? bottom + margin : client.bottom;
    if (wantWidth == client.right && wantHeight == client.bottom) return;
    RECT frame{};
    GetWindowRect(dialog, &frame);
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left + wantWidth - client.right,
                 frame.bottom - frame.top + wantHeight - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace dialogs
