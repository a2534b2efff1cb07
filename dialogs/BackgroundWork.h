// Long work off the window's thread: the work runs on a thread that owns no
// window, while the window's thread keeps dispatching its messages, so the
// dialog repaints, moves and answers other programs meanwhile. The command
// that started it waits for the end and reports as it always did.
//
// While the work runs the owner refuses its commands (busy) and defers a
// close (requestClose): the work is never cut off halfway, so a file it
// writes is finished (or, when the work fails, handled as the work always
// handles that) before the window goes.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>

namespace dialogs {

class BackgroundWork {
public:
    BackgroundWork() : busy_(false), closeRequested_(false) {}
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    // Runs the work and returns when it has ended; an exception it threw is
    // thrown again here. Meanwhile the thread's messages are dispatched
    // (keyboard ones through the dialog); a quit message is kept for the
    // outer loop. Without a thread to be had the work runs right here.
    void run(HWND dialog, const std::function<void()>& work);

    bool busy() const { return busy_; }
    // A close that came while busy: once the work is over, WM_CLOSE is
    // posted to the dialog, so it closes after the command has reported.
    void requestClose() { closeRequested_ = true; }

private:
    static DWORD WINAPI threadMain(LPVOID self);

    const std::function<void()>* work_ = nullptr;
    std::exception_ptr failure_;
    bool busy_;
    bool closeRequested_;
};

}  // namespace dialogs
