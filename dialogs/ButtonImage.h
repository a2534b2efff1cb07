// The image operations shared by the three button wrappers.
#pragma once

#include <windows.h>

namespace dialogs {
namespace buttonimage {

// Loads a bitmap (shared) and sets it on the button; returns the handle kept.
HANDLE setBitmap(HWND button, HINSTANCE instance, WORD bitmapId);
// Loads an icon (shared), sets it, then releases the loaded handle.
HANDLE setIcon(HWND button, HINSTANCE instance, WORD iconId);
void release(HANDLE& image);

}  // namespace buttonimage
}  // namespace dialogs
