#include "DialogApplication.h"
#include "DialogMain.h"
#include "DpiScale.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <utility>

namespace dialogs {

int startShowState = 0;

DialogApplication::DialogApplication(int progressBarId)
    : instance(nullptr),
      dialog(nullptr),
      progressId(progressBarId),
      procedure(nullptr),
      message_{},
      lastGetResult_(0),
      commonControls_{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS},
      messageText_{},
      iconMetrics_{0, 0, 0, 0},
      bannerBitmap_(nullptr) {}

DialogApplication::~DialogApplication() = default;

void DialogApplication::setDialogProcedure(DLGPROC dialogProcedure) { procedure = dialogProcedure; }

bool DialogApplication::initialise(HINSTANCE instanceHandle) {
    instance = instanceHandle;
    return InitCommonControlsEx(&commonControls_) != FALSE;
}

bool DialogApplication::createMainDialog(WORD templateId) {
    if (instance == nullptr) return false;
    dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), nullptr, procedure, 0);
    if (dialog == nullptr) {
        DWORD code = GetLastError();
        std::snprintf(messageText_, sizeof messageText_, CREATE_ERROR_FORMAT, static_cast<unsigned>(code));
        MessageBoxA(nullptr, messageText_, CREATE_ERROR_TITLE, MB_ICONEXCLAMATION | MB_OK);
        return false;
    }
    ShowWindow(dialog, SW_SHOW);
    return true;
}

int DialogApplication::runMessageLoop() {
    for (;;) {
        // Taken and passed on in UTF-16: a character typed into a Unicode
        // control (the find field) arrives whole, whatever the code page;
        // the system narrows it for the ANSI windows.
        lastGetResult_ = GetMessageW(&message_, nullptr, 0, 0);
        if (lastGetResult_ == 0 || lastGetResult_ == -1) return lastGetResult_;
        if (!IsDialogMessageW(dialog, &message_)) {
            TranslateMessage(&message_);
            DispatchMessageW(&message_);
        }
    }
}

int DialogApplication::exitCode() const {
    if (lastGetResult_ == -1) return EXIT_BROKEN;
    return static_cast<int>(message_.wParam);
}

void DialogApplication::setWindowIcons(HWND window, WORD groupId) {
    iconMetrics_[0] = GetSystemMetrics(SM_CXICON);
    iconMetrics_[1] = GetSystemMetrics(SM_CYICON);
    iconMetrics_[2] = GetSystemMetrics(SM_CXSMICON);
    iconMetrics_[3] = GetSystemMetrics(SM_CYSMICON);
    // Loaded without LR_SHARED, the icons belong to this object. A second
    // call replaces them; the old ones are released once the window no
    // longer uses them.
    OwnedIcon largeOne(static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(groupId), IMAGE_ICON, iconMetrics_[0],
                                                  iconMetrics_[1], LR_CREATEDIBSECTION)));
    OwnedIcon smallOne(static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(groupId), IMAGE_ICON, iconMetrics_[2],
                                                  iconMetrics_[3], LR_CREATEDIBSECTION)));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeOne.get()));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallOne.get()));
    largeIcon_ = std::move(largeOne);
    smallIcon_ = std::move(smallOne);
}

LRESULT DialogApplication::setStaticBitmap(HWND dialogWindow, int controlId, WORD bitmapId) {
    bannerBitmap_ = static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_SHARED));
    return SendDlgItemMessageA(dialogWindow, controlId, STM_SETIMAGE, IMAGE_BITMAP,
                               reinterpret_cast<LPARAM>(bannerBitmap_));
}

bool DialogApplication::refusedWhileBusy(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!work_.busy()) return false;
    switch (msg) {
    case WM_COMMAND:
        return true;
    case WM_DROPFILES:
        DragFinish(reinterpret_cast<HDROP>(wParam));
        return true;
    case WM_CLOSE:
        work_.requestClose();
        return true;
    case WM_NOTIFY: {
        // Texts and check states are still given (the list repaints); the
        // user's clicks wait for the end.
        if (lParam == 0) return false;
        const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
        return code == static_cast<UINT>(NM_CLICK) || code == static_cast<UINT>(NM_DBLCLK) ||
               code == static_cast<UINT>(NM_RCLICK) || code == static_cast<UINT>(NM_RDBLCLK);
    }
    default:
        return false;
    }
}

bool DialogApplication::answeredByFrame(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (refusedWhileBusy(msg, wParam, lParam)) return true;
    if (msg == WM_INITDIALOG) {
        initialiseDialog(window);
        growToHoldChildren(window);
        return true;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return true;
    }
    return false;
}

void DialogApplication::resetProgress() {
    SendDlgItemMessageA(dialog, progressId, PBM_SETPOS, 0, 0);
    UpdateWindow(dialog);
}

void DialogApplication::sweepProgress() {
    // The sweep from 0 to 110 leaves the bar at 110 (at its top, when that
    // is lower), and only that last position is ever seen: the steps follow
    // each other without a pause. It is set at once; each step cost a
    // window message, and under Wine about a tenth of a millisecond.
    SendDlgItemMessageA(dialog, progressId, PBM_SETPOS, 110, 0);
}

}  // namespace dialogs
