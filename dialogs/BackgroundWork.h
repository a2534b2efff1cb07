// Long work off the window's thread: the work runs on a thread that owns no
// window, while the window's thread keeps dispatching its messages, so the
// dialog repaints, moves and answers other programs meanwhile. The command
// that started it waits for the end and reports as it always did.
//
// The work may count what it has done in progress(); the dialog's progress
// bar follows that fraction while the work runs. While the work runs the
// owner refuses its commands (busy); a close (requestClose) asks the work to
// stop, and the window closes once it has: work that counts stops at its
// next block and abandons the file it was writing, never leaving half of it.
#pragma once

#include <windows.h>

#include "WorkProgress.h"

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
    // progressBar (0 for none): the control whose position follows
    // progress() while the work runs, from 0 to 100.
    void run(HWND dialog, int progressBar, const std::function<void()>& work);

    // Cleared when run begins; the work's thread counts and polls it.
    WorkProgress& progress() { return progress_; }

    bool busy() const { return busy_; }
    // A close that came while busy: the work is asked to stop and, once it
    // is over, WM_CLOSE is posted to the dialog, so it closes after the
    // command has reported.
    void requestClose() {
        closeRequested_ = true;
        progress_.stop = true;
    }

private:
    static DWORD WINAPI threadMain(LPVOID self);

    const std::function<void()>* work_ = nullptr;
    std::exception_ptr failure_;
    WorkProgress progress_;
    bool busy_;
    bool closeRequested_;
};

}  // namespace dialogs
