// Crandle's entry point: one application object, its dialog, its message loop.
#include <windows.h>

#include "CrandleDialog.h"
#include "DialogMain.h"
#include "CrandleIds.h"

namespace {

CrandleDialog application;

INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return dialogs::dispatchTo(application, window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showState) {
    return dialogs::runDialogProgram(application, dialogProcedure, instance, showState, IDD_CRANDLE);
}
