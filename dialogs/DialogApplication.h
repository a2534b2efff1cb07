// The base of every dialog program's application object: one modeless dialog
// from a resource template, its message loop, window icons, a banner bitmap
// and the progress bar.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <functional>

#include "BackgroundWork.h"
#include "OwnedHandle.h"
#include "WindowPlacement.h"

namespace dialogs {

// Shown when the main dialog cannot be created ("x" and the code in lower-case
// hexadecimal).
constexpr const char* CREATE_ERROR_FORMAT = "System Message ===>> : x%x";
constexpr const char* CREATE_ERROR_TITLE = "Client Dialog Error";

// What a program returns when its main dialog could not be created: there is
// no window to close, so the message loop is never entered.
constexpr int EXIT_NO_DIALOG = 1;
// What a program returns when its message loop failed (GetMessage gave -1)
// or something was thrown out of its start or its loop.
constexpr int EXIT_BROKEN = -1;

class DialogApplication {
public:
    // progressId: the control id of the program's progress bar.
    explicit DialogApplication(int progressId);
    virtual ~DialogApplication();
    DialogApplication(const DialogApplication&) = delete;
    DialogApplication& operator=(const DialogApplication&) = delete;

    // The program's dialog procedure, used by createMainDialog.
    void setDialogProcedure(DLGPROC procedure);

    // False when the common controls could not be registered.
    bool initialise(HINSTANCE instanceHandle);
    // True when the dialog was created and shown; false after the error box.
    bool createMainDialog(WORD templateId);
    // Runs until WM_QUIT (result 0) or a GetMessage error (-1).
    int runMessageLoop();
    // EXIT_BROKEN after a GetMessage error, else the code given to PostQuitMessage.
    int exitCode() const;

    // The window's icons, loaded for the system's two icon sizes; owned here.
    void setWindowIcons(HWND window, WORD groupId);
    // The banner is a shared bitmap: the system owns it, nothing releases it.
    LRESULT setStaticBitmap(HWND dialogWindow, int controlId, WORD bitmapId);
    HICON largeIcon() const { return largeIcon_.get(); }
    HICON smallIcon() const { return smallIcon_.get(); }
    HBITMAP bannerBitmap() const { return bannerBitmap_; }
    void resetProgress();
    // Where the sweep over positions 0 to 110 ends: at 110, or full when the
    // bar's range ends lower.
    void sweepProgress();

    // Runs long work off the window's thread (BackgroundWork) and returns
    // when it has ended; the dialog stays responsive meanwhile.
    void runInBackground(const std::function<void()>& job) { work_.run(dialog, progressId, job); }
    // What a job run in the background counts and polls for a stop.
    WorkProgress& workProgress() { return work_.progress(); }
    // True while work runs in the background.
    bool busy() const { return work_.busy(); }
    // While work runs: commands, dropped files and clicks on lists are
    // refused and a close stops the work, then closes. True when the message was
    // taken care of so; the dialog procedure then returns TRUE.
    bool refusedWhileBusy(UINT msg, WPARAM wParam, LPARAM lParam);
    // What every program's dialog answers alike, asked first by its
    // handleMessage: the messages refused while work runs, WM_INITDIALOG
    // (the program's initialiseDialog) and WM_DESTROY (ends the message
    // loop). True when answered so; the dialog procedure then returns TRUE.
    bool answeredByFrame(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    // The main dialog (null before it is created or when that failed).
    HWND mainWindow() const { return dialog; }
    // The last message the loop took and what GetMessage returned for it.
    const MSG& lastMessage() const { return message_; }
    int lastGetResult() const { return lastGetResult_; }
    static constexpr std::size_t MESSAGE_TEXT_SIZE = 256;
    // The text of the last error box the frame showed.
    const char* messageText() const { return messageText_; }
    // The icon sizes setWindowIcons loaded: large width and height, then
    // small width and height.
    int iconMetric(int index) const { return index >= 0 && index < 4 ? iconMetrics_[index] : 0; }

protected:
    // Sets up the new dialog window: its controls, icons and placement.
    virtual void initialiseDialog(HWND window) = 0;

    HINSTANCE instance;
    HWND dialog;
    WindowPlacement placement;
    int progressId;
    DLGPROC procedure;

private:
    MSG message_;
    int lastGetResult_;
    INITCOMMONCONTROLSEX commonControls_;
    char messageText_[MESSAGE_TEXT_SIZE];
    int iconMetrics_[4];
    BackgroundWork work_;
    HBITMAP bannerBitmap_;
    OwnedIcon largeIcon_;
    OwnedIcon smallIcon_;
};

}  // namespace dialogs
