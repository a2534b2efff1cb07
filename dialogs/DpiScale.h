// Lengths laid out for 96 dots per inch, at the dots per inch a window is
// drawn with. The programs declare themselves DPI aware in their manifests,
// so the system no longer stretches their windows: the dialog templates grow
// with their font (dialog units), and every control placed in pixels from a
// ControlLayout table, every list column, is scaled here to keep up with them.
#pragma once

#include <windows.h>

namespace dialogs {

// The window's dots per inch: GetDpiForWindow where the system has it
// (looked up at run time; Windows 10 from version 1607), else the screen's
// LOGPIXELSY; 96 when neither answers.
int windowDpi(HWND window);

// A length in pixels at 96 dots per inch, at the window's dots per inch.
int scaleToWindow(HWND window, int length);

// A template grows with its font, which need not grow exactly as the dots
// per inch do: where a child placed in pixels now reaches past the dialog's
// client area, the dialog is widened or lengthened to hold it, with a margin
// of 11 design pixels. A dialog whose children fit keeps its size.
void growToHoldChildren(HWND dialog);

}  // namespace dialogs
