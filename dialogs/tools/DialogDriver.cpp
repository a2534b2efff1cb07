// Acts on a running dialog program from outside, for the picture script:
//   DialogDriver CAPTION wait                 waits (up to 30 s) for the window
//   DialogDriver CAPTION rect                 prints "WIDTH HEIGHT X Y" of the window
//   DialogDriver CAPTION text ID TEXT         sets a control's text
//   DialogDriver CAPTION command ID           clicks a button (BN_CLICKED)
//   DialogDriver CAPTION menu ID              chooses a menu command (WM_COMMAND, posted)
//   DialogDriver CAPTION check ID             ticks a check box
//   DialogDriver CAPTION close                closes the window (close box)
//   DialogDriver CAPTION clickwait ID LIST TEXT [SECONDS]
//       clicks button ID, waits (default 600 s) until line 0 of the list box
//       LIST reads TEXT and prints the seconds from the click
//   DialogDriver CAPTION clickcount ID LIST COUNT [SECONDS]
//       the same, until the list box LIST holds COUNT lines
//   DialogDriver CAPTION clickfile ID PATH [SECONDS]
//       clicks button ID, waits (default 600 s) until the file PATH exists
//       and prints the seconds from the click
//   DialogDriver CAPTION find ID LIST TEXT
//       sets the text of edit control ID (every character of the command
//       line, whatever the code page), as typing it there ends,
//       and prints the seconds until the dialog has taken the change (the
//       control's parent answers it before the setting returns) and the
//       rows the list view LIST then shows
//   DialogDriver CAPTION key ID VK            presses a key on a control (WM_KEYDOWN and
//                                             WM_KEYUP, sent: handled when it returns)
//   DialogDriver CAPTION rows ID              prints the list view's row count
//   DialogDriver CAPTION cell ID ROW COLUMN   prints a list view cell (LVM_GETITEMTEXT)
//   DialogDriver CAPTION checked ID ROW       prints 1 when the row is checked
//   DialogDriver CAPTION line ID INDEX        prints a list box line (LB_GETTEXT)
// Controls are found by id anywhere below the dialog, also on a tab control.
// Exit code 0 on success, 1 with a message when the window or control is missing.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

double secondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string listBoxLine(HWND list, int index) {
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length < 0) return std::string();
    // Asked in UTF-16: the system copies the line between the processes.
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    std::vector<char> narrow(text.size() * 2 + 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), -1, narrow.data(), static_cast<int>(narrow.size()), nullptr, nullptr);
    return narrow.data();
}

// The list view lives in another process: the item record and the text
// buffer are placed in that process's memory, as every outside reader does.
std::string listViewCell(HWND list, int row, int column) {
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr) return std::string();
    const SIZE_T textSize = 1024;
    char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + textSize, MEM_COMMIT, PAGE_READWRITE));
    std::string result;
    if (remote != nullptr) {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = remote + sizeof(LVITEMA);
        item.cchTextMax = static_cast<int>(textSize);
        std::vector<char> text(textSize + 1, '\0');
        if (WriteProcessMemory(process, remote, &item, sizeof item, nullptr)) {
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
            ReadProcessMemory(process, remote + sizeof(LVITEMA), text.data(), textSize, nullptr);
            result = text.data();
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return result;
}

int fail(const char* what, const char* detail) {
    std::fprintf(stderr, "DialogDriver: %s %s\n", what, detail);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: DialogDriver CAPTION wait|rect|close|text ID TEXT|command ID|check ID|\n"
                     "       clickwait ID LIST TEXT [SECONDS]|clickcount ID LIST COUNT [SECONDS]|clickfile ID PATH [SECONDS]|\n"
                     "       find ID LIST TEXT|rows ID|cell ID ROW COLUMN|checked ID ROW|line ID INDEX\n");
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
    if (std::strcmp(action, "menu") == 0) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(std::atoi(argv[3]), 0), 0);
        return 0;
    }
    int id = std::atoi(argv[3]);
    bool forButton = std::strcmp(action, "command") == 0 || std::strcmp(action, "check") == 0 ||
                     std::strcmp(action, "clickwait") == 0 || std::strcmp(action, "clickcount") == 0 ||
                     std::strcmp(action, "clickfile") == 0;
    HWND control = findControl(dialog, id, forButton ? "Button" : nullptr);
    if (control == nullptr && forButton) control = findControl(dialog, id, nullptr);
    if (control == nullptr) return fail("no control with id", argv[3]);
    if ((std::strcmp(action, "clickwait") == 0 || std::strcmp(action, "clickcount") == 0) && argc >= 6) {
        HWND list = findControl(dialog, std::atoi(argv[4]), "ListBox");
        HWND button = findControl(dialog, id, "Button");
        if (list == nullptr || button == nullptr) return fail("no button or list box for", argv[3]);
        const bool byCount = std::strcmp(action, "clickcount") == 0;
        const double limit = argc >= 7 ? std::atof(argv[6]) : 600.0;
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        for (;;) {
            // Each question waits until the dialog's thread answers it.
            const bool done = byCount ? SendMessageA(list, LB_GETCOUNT, 0, 0) >= std::atoi(argv[5])
                                      : listBoxLine(list, 0) == argv[5];
            if (done) break;
            if (secondsSince(start) > limit) return fail("gave up waiting for", argv[5]);
            Sleep(5);
        }
        std::printf("%.3f\n", secondsSince(start));
        return 0;
    }
    if (std::strcmp(action, "clickfile") == 0 && argc >= 5) {
        const double limit = argc >= 6 ? std::atof(argv[5]) : 600.0;
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        // A result put in place by a rename is whole once its name exists.
        while (GetFileAttributesA(argv[4]) == INVALID_FILE_ATTRIBUTES) {
            if (secondsSince(start) > limit) return fail("gave up waiting for", argv[4]);
            Sleep(5);
        }
        std::printf("%.3f\n", secondsSince(start));
        return 0;
    }
    if (std::strcmp(action, "find") == 0 && argc >= 6) {
        HWND list = findControl(dialog, std::atoi(argv[4]), nullptr);
        if (list == nullptr) return fail("no list view with id", argv[4]);
        // The text as the command line gave it, not narrowed to the code page.
        int wideCount = 0;
        LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
        if (wide == nullptr || wideCount != argc) return fail("cannot read the command line for", argv[5]);
        const std::wstring text = wide[5];
        LocalFree(wide);
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        std::printf("%.3f %d\n", secondsSince(start), rows);
        return 0;
    }
    if (std::strcmp(action, "key") == 0 && argc >= 5) {
        const WPARAM key = static_cast<WPARAM>(std::atoi(argv[4]));
        SendMessageA(control, WM_KEYDOWN, key, 1);
        SendMessageA(control, WM_KEYUP, key, 0xC0000001);
        return 0;
    }
    if (std::strcmp(action, "rows") == 0) {
        std::printf("%d\n", static_cast<int>(SendMessageA(control, LVM_GETITEMCOUNT, 0, 0)));
        return 0;
    }
    if (std::strcmp(action, "cell") == 0 && argc >= 6) {
        std::printf("%s\n", listViewCell(control, std::atoi(argv[4]), std::atoi(argv[5])).c_str());
        return 0;
    }
    if (std::strcmp(action, "checked") == 0 && argc >= 5) {
        UINT state = static_cast<UINT>(SendMessageA(control, LVM_GETITEMSTATE, static_cast<WPARAM>(std::atoi(argv[4])), LVIS_STATEIMAGEMASK));
        std::printf("%d\n", state == INDEXTOSTATEIMAGEMASK(2) ? 1 : 0);
        return 0;
    }
    if (std::strcmp(action, "line") == 0 && argc >= 5) {
        std::printf("%s\n", listBoxLine(control, std::atoi(argv[4])).c_str());
        return 0;
    }
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
