#include "BackgroundWork.h"

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

void BackgroundWork::run(HWND dialog, const std::function<void()>& work) {
    work_ = &work;
    failure_ = nullptr;
    busy_ = true;
    HANDLE thread = CreateThread(nullptr, 0, threadMain, this, 0, nullptr);
    if (thread == nullptr) {
        threadMain(this);
    } else {
        bool quit = false;
        WPARAM quitCode = 0;
        while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    quit = true;
                    quitCode = message.wParam;
                } else if (dialog == nullptr || !IsDialogMessageA(dialog, &message)) {
                    TranslateMessage(&message);
                    DispatchMessageA(&message);
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
