#include "BackgroundWork.h"

#include <commctrl.h>

namespace dialogs {

DWORD WINAPI BackgroundWork::threadMain(LPVOID self) {
    BackgroundWork* owner = static_cast<BackgroundWork*>(self);
    try {
        (*owner->work_)();
    } catch (...) {
        owner->failure_ = std::current_exception();
    }
    return 0;
}

namespace {
// How often the progress bar is brought up to date while the work runs.
const DWORD PROGRESS_INTERVAL_MS = 100;
}  // namespace

void BackgroundWork::run(HWND dialog, int progressBar, const std::function<void()>& work) {
    work_ = &work;
    failure_ = nullptr;
    progress_.begin(0);
    progress_.stop = false;
    busy_ = true;
    HANDLE thread = CreateThread(nullptr, 0, threadMain, this, 0, nullptr);
    if (thread == nullptr) {
        threadMain(this);
    } else {
        bool quit = false;
        WPARAM quitCode = 0;
        HWND bar = (dialog != nullptr && progressBar != 0) ? GetDlgItem(dialog, progressBar) : nullptr;
        int shown = -1;
        DWORD woke;
        while ((woke = MsgWaitForMultipleObjects(1, &thread, FALSE, PROGRESS_INTERVAL_MS, QS_ALLINPUT)) !=
                   WAIT_OBJECT_0 &&
               woke != WAIT_FAILED) {
            const int position = progress_.fraction(100);
            if (bar != nullptr && progress_.total != 0 && position != shown) {
                SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
                shown = position;
            }
            if (woke != WAIT_OBJECT_0 + 1) continue;
            MSG message;
            // In UTF-16, as the main loop takes them.
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    quit = true;
                    quitCode = message.wParam;
                } else if (dialog == nullptr || !IsDialogMessageW(dialog, &message)) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
            }
        }
        CloseHandle(thread);
        if (quit) PostQuitMessage(static_cast<int>(quitCode));
    }
    busy_ = false;
    work_ = nullptr;
    if (closeRequested_) {
        closeRequested_ = false;
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
    if (failure_) std::rethrow_exception(failure_);
}

}  // namespace dialogs
