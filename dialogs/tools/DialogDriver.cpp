// Acts on a running dialog program from outside, for the picture script:
//   DialogDriver CAPTION wait                 waits (up to 30 s) for the window
//   DialogDriver CAPTION rect                 prints "WIDTH HEIGHT X Y" of the window
//   DialogDriver CAPTION text ID TEXT         sets a control's text
//   DialogDriver CAPTION command ID           clicks a button (BN_CLICKED)
//   DialogDriver CAPTION check ID             ticks a check box
//   DialogDriver CAPTION close                closes the window (close box)
// Controls are found by id anywhere below the dialog, also on a tab control.
// Exit code 0 on success, 1 with a message when the window or control is missing.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Search {
    int id;
    const char* windowClass;  // null: any class
    HWND found;
};

BOOL CALLBACK matchId(HWND child, LPARAM data) {
    Search* search = reinterpret_cast<Search*>(data);
    if (GetDlgCtrlID(child) != search->id) return TRUE;
    if (search->windowClass != nullptr) {
        char name[64] = {0};
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, search->windowClass) != 0) return TRUE;
    }
    search->found = child;
    return FALSE;
}

// Two controls may share an id (an edit and a check box): buttons are then
// looked for among the buttons.
HWND findControl(HWND dialog, int id, const char* windowClass) {
    Search search{id, windowClass, nullptr};
    EnumChildWindows(dialog, matchId, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int fail(const char* what, const char* detail) {
    std::fprintf(stderr, "DialogDriver: %s %s\n", what, detail);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: DialogDriver CAPTION wait|rect|close|text ID TEXT|command ID|check ID\n");
        return 2;
    }
    const char* caption = argv[1];
    const char* action = argv[2];
    HWND dialog = FindWindowA(nullptr, caption);
    if (std::strcmp(action, "wait") == 0) {
        for (int i = 0; i < 300 && (dialog == nullptr || !IsWindowVisible(dialog)); ++i) {
            Sleep(100);
            dialog = FindWindowA(nullptr, caption);
        }
        return dialog != nullptr ? 0 : fail("no window named", caption);
    }
    if (dialog == nullptr) return fail("no window named", caption);
    if (std::strcmp(action, "rect") == 0) {
        RECT r{};
        GetWindowRect(dialog, &r);
        std::printf("%ld %ld %ld %ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
        return 0;
    }
    if (std::strcmp(action, "close") == 0) {
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    if (argc < 4) return fail("missing control id for", action);
    int id = std::atoi(argv[3]);
    bool forButton = std::strcmp(action, "command") == 0 || std::strcmp(action, "check") == 0;
    HWND control = findControl(dialog, id, forButton ? "Button" : nullptr);
    if (control == nullptr && forButton) control = findControl(dialog, id, nullptr);
    if (control == nullptr) return fail("no control with id", argv[3]);
    if (std::strcmp(action, "text") == 0 && argc >= 5) {
        SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
    } else if (std::strcmp(action, "command") == 0) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    } else if (std::strcmp(action, "check") == 0) {
        SendMessageA(control, BM_SETCHECK, BST_CHECKED, 0);
    } else {
        return fail("unknown action", action);
    }
    return 0;
}
