// Drives real dialogs in the test process the way a user would, and reads
// back what the user would see. Modal windows (message boxes and the system
// choosers) are answered by a thread-local hook, so no person is needed.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dialogtest {

// Dispatches the thread's waiting messages, then keeps doing so for the given
// time (the message boxes and choosers run their own loops meanwhile).
void pump(int milliseconds = 0);

// ---- reading what the user sees
std::string windowText(HWND window);
std::string itemText(HWND dialog, int id);
std::string className(HWND window);
std::vector<std::string> listBoxLines(HWND list);
int progressPosition(HWND bar);
int listViewRows(HWND list);
std::string listViewCell(HWND list, int row, int column);
// The same cell as the list gives it in UTF-16 (LVM_GETITEMTEXTW).
std::u16string listViewWideCell(HWND list, int row, int column);
bool listViewChecked(HWND list, int row);

// ---- what the user does (each posts or sends the messages the action makes)
void typeText(HWND edit, const std::string& text);        // WM_CHAR per character
void clickButton(HWND dialog, int id);                    // BN_CLICKED from the button
void closeBox(HWND window);                               // the title bar's close box
void altF4(HWND window);                                  // Alt+F4 on the window
void dropFiles(HWND target, const std::vector<std::string>& paths);  // a real HDROP
void clickRow(HWND list, int row, bool rightButton);      // mouse down and up on a row

// While it lives, a thread of its own waits until `progress` counts
// something (up to 20 s) and then closes `window` with WM_CLOSE, as a user
// does during long work. The destructor waits for that thread.
class CloseWhenCounted {
public:
    CloseWhenCounted(const std::atomic<std::uint64_t>& done, HWND window);
    ~CloseWhenCounted();
    CloseWhenCounted(const CloseWhenCounted&) = delete;
    CloseWhenCounted& operator=(const CloseWhenCounted&) = delete;
    bool started() const { return thread_ != nullptr; }
    // Waits for the close to be sent; what had been counted by then.
    std::uint64_t doneAtClose();

private:
    static DWORD WINAPI run(LPVOID self);
    const std::atomic<std::uint64_t>& done_;
    HWND window_;
    std::uint64_t doneAtClose_ = 0;
    HANDLE thread_ = nullptr;
};

// What a modal window looked like when it came up.
struct SeenWindow {
    std::string title;
    std::string text;  // the message of a message box
    std::string icon;  // "exclamation", "information", "error", "question" or ""
};

// While it lives, every dialog box that comes up on this thread (class
// "#32770", created after the answerer) is recorded and answered with the
// next queued answer; without one it is cancelled.
class ModalAnswerer {
public:
    using Answer = std::function<void(HWND box)>;

    ModalAnswerer();
    ~ModalAnswerer();
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;

    // Presses the button with this id (IDOK, IDYES, ...).
    void thenPress(int buttonId);
    // Types a path into a file dialog's name field and presses Open / Save.
    void thenTypePath(const std::string& path);
    // Selects a folder in the folder browser and presses OK.
    void thenChooseFolder(const std::string& path);
    void thenCancel();
    void then(Answer answer);

    const std::vector<SeenWindow>& seen() const;
};

}  // namespace dialogtest
