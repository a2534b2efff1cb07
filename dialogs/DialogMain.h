// The entry-point shape of every dialog program and the one door through
// which its dialog procedure reaches the application object.
//
//   namespace { TessalyDialog application; }
//   INT_PTR CALLBACK dialogProcedure(HWND w, UINT m, WPARAM wp, LPARAM lp) {
//       return dialogs::dispatchTo(application, w, m, wp, lp);
//   }
//   int WINAPI WinMain(HINSTANCE i, HINSTANCE, LPSTR, int show) {
//       return dialogs::runDialogProgram(application, dialogProcedure, i, show, TEMPLATE_ID);
//   }
#pragma once

#include <windows.h>

#include "DialogApplication.h"

namespace dialogs {

// The show state the process was started with; kept, never used: the main
// dialog is always shown with SW_SHOW.
extern int startShowState;

// Calls application.handleMessage; nothing thrown crosses into the system.
template <class Application>
INT_PTR dispatchTo(Application& application, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return application.handleMessage(window, message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

// initialise, createMainDialog, runMessageLoop, exitCode. When the dialog
// cannot be created the program ends with EXIT_NO_DIALOG after the error box;
// an exception gives EXIT_BROKEN.
template <class Application>
int runDialogProgram(Application& application, DLGPROC procedure, HINSTANCE instance, int showState,
                     WORD templateId) {
    startShowState = showState;
    try {
        application.setDialogProcedure(procedure);
        application.initialise(instance);
        if (!application.createMainDialog(templateId)) return EXIT_NO_DIALOG;
        application.runMessageLoop();
        return application.exitCode();
    } catch (...) {
        return EXIT_BROKEN;
    }
}

}  // namespace dialogs
