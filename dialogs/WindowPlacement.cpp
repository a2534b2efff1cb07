#include "WindowPlacement.h"

namespace dialogs {

WindowPlacement::WindowPlacement()
    : parentClient{0, 0, 0, 0}, windowRect{0, 0, 0, 0}, parent(nullptr), margin(0), width(0), height(0), x(0), y(0) {}

void WindowPlacement::measure(HWND window) {
    parent = GetParent(window);
    if (parent == nullptr) parent = GetDesktopWindow();
    GetClientRect(parent, &parentClient);
    GetWindowRect(window, &windowRect);
    width = windowRect.right - windowRect.left;
    height = windowRect.bottom - windowRect.top;
}

void WindowPlacement::moveTo(HWND window, int newX, int newY) {
    x = newX;
    y = newY;
    MoveWindow(window, x, y, width, height, TRUE);
}

void WindowPlacement::placeTopLeft(HWND window) {
    measure(window);
    moveTo(window, parentClient.left + margin, parentClient.top + margin);
}

void WindowPlacement::placeTopRight(HWND window) {
    measure(window);
    moveTo(window, parentClient.right - margin - width, parentClient.top + margin);
}

void WindowPlacement::placeBottomLeft(HWND window) {
    measure(window);
    moveTo(window, parentClient.left + margin, parentClient.bottom - margin - height);
}

void WindowPlacement::placeBottomRight(HWND window) {
    measure(window);
    moveTo(window, parentClient.right - margin - width, parentClient.bottom - margin - height);
}

void WindowPlacement::placeCentred(HWND window) {
    measure(window);
    moveTo(window, (parentClient.right - width) / 2, (parentClient.bottom - height) / 2);
}

}  // namespace dialogs
