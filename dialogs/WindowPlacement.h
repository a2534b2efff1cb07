// Moves a window inside its parent's client area (the desktop when it has no
// parent): centred, or into a corner with a margin.
#pragma once

#include <windows.h>

namespace dialogs {

class WindowPlacement {
public:
    WindowPlacement();

    // Reads the parent's client rectangle and the window's rectangle, moves nothing.
    void measure(HWND window);
    void placeTopLeft(HWND window);
    void placeTopRight(HWND window);
    void placeBottomLeft(HWND window);
    void placeBottomRight(HWND window);
    // Halves are signed divisions, so a window wider than its parent gets a
    // negative x.
    void placeCentred(HWND window);

    RECT parentClient;
    RECT windowRect;
    HWND parent;
    int margin;
    int width;
    int height;
    int x;
    int y;

private:
    void moveTo(HWND window, int newX, int newY);
};

}  // namespace dialogs
