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

}  // namespace dialogs
