#include "DialogHarness.h"

#include <commctrl.h>
#include <dlgs.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <deque>
#include <set>

namespace dialogtest {

void pump(int milliseconds) {
    DWORD until = GetTickCount() + static_cast<DWORD>(milliseconds);
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (milliseconds > 0) Sleep(5);
    } while (static_cast<LONG>(GetTickCount() - until) < 0);
}

std::string windowText(HWND window) {
    char buffer[1024] = {0};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

std::string itemText(HWND dialog, int id) { return windowText(GetDlgItem(dialog, id)); }

std::string className(HWND window) {
    char buffer[256] = {0};
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

std::vector<std::string> listBoxLines(HWND list) {
    std::vector<std::string> lines;
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        int length = static_cast<int>(SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0));
        std::string line(static_cast<std::size_t>(length) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&line[0]));
        line.resize(static_cast<std::size_t>(length));
        lines.push_back(line);
    }
    return lines;
}

int progressPosition(HWND bar) { return static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)); }

int listViewRows(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string listViewCell(HWND list, int row, int column) {
    char buffer[512] = {0};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

std::u16string listViewWideCell(HWND list, int row, int column) {
    wchar_t buffer[1100] = {0};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer / sizeof buffer[0];
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

bool listViewChecked(HWND list, int row) {
    UINT state = static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    return state == INDEXTOSTATEIMAGEMASK(2);
}

void typeText(HWND edit, const std::string& text) {
    SetFocus(edit);
    for (unsigned char c : text) SendMessageA(edit, WM_CHAR, c, 1);
}

void clickButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

CloseWhenCounted::CloseWhenCounted(const std::atomic<std::uint64_t>& done, HWND window)
    : done_(done), window_(window) {
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

CloseWhenCounted::~CloseWhenCounted() { doneAtClose(); }

std::uint64_t CloseWhenCounted::doneAtClose() {
    if (thread_ != nullptr) {
        WaitForSingleObject(thread_, 30000);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return doneAtClose_;
}

DWORD WINAPI CloseWhenCounted::run(LPVOID self) {
    CloseWhenCounted& c = *static_cast<CloseWhenCounted*>(self);
    for (int wait = 0; wait < 20000 && c.done_ == 0; ++wait) Sleep(1);
    c.doneAtClose_ = c.done_;
    PostMessageA(c.window_, WM_CLOSE, 0, 0);
    return 0;
}

void closeBox(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

void altF4(HWND window) {
    // Repeat count 1, scan code of F4, context bit 29: Alt is held.
    LPARAM keyData = 1 | (0x3E << 16) | (1 << 29);
    PostMessageA(window, WM_SYSKEYDOWN, VK_F4, keyData);
}

void dropFiles(HWND target, const std::vector<std::string>& paths) {
    std::size_t bytes = sizeof(DROPFILES) + 1;
    for (const std::string& p : paths) bytes += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    char* names = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
    for (const std::string& p : paths) {
        std::memcpy(names, p.c_str(), p.size() + 1);
        names += p.size() + 1;
    }
    *names = '\0';
    GlobalUnlock(memory);
    // The receiver calls DragFinish, which frees the block.
    PostMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

void clickRow(HWND list, int row, bool rightButton) {
    RECT rect{};
    rect.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
    LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    UINT down = rightButton ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    UINT up = rightButton ? WM_RBUTTONUP : WM_LBUTTONUP;
    WPARAM keys = rightButton ? MK_RBUTTON : MK_LBUTTON;
    // The up message waits in the queue, where the list's drag test finds it.
    PostMessageA(list, up, 0, at);
    SendMessageA(list, down, keys, at);
    pump();
}

// ---- the answerer

namespace {

struct AnswererState {
    HHOOK hook = nullptr;
    std::set<HWND> created;
    std::set<HWND> handled;
    std::deque<ModalAnswerer::Answer> answers;
    std::vector<SeenWindow> seen;
    HWND pendingBox = nullptr;
    ModalAnswerer::Answer pendingAnswer;
};

thread_local AnswererState* state = nullptr;

std::string iconName(HWND box) {
    HWND child = GetWindow(box, GW_CHILD);
    for (; child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (className(child) != "Static") continue;
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
        HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        if (icon == nullptr) continue;
        if (icon == LoadIcon(nullptr, IDI_EXCLAMATION)) return "exclamation";
        if (icon == LoadIcon(nullptr, IDI_ASTERISK)) return "information";
        if (icon == LoadIcon(nullptr, IDI_HAND)) return "error";
        if (icon == LoadIcon(nullptr, IDI_QUESTION)) return "question";
        return "other";
    }
    return "";
}

void press(HWND box, int id) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

void cancelBox(HWND box) {
    // A box with only an OK button is closed by it.
    press(box, GetDlgItem(box, IDCANCEL) != nullptr ? IDCANCEL : IDOK);
}

VOID CALLBACK answerLater(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (state == nullptr || state->pendingBox == nullptr) return;
    HWND box = state->pendingBox;
    ModalAnswerer::Answer answer = state->pendingAnswer;
    state->pendingBox = nullptr;
    state->pendingAnswer = nullptr;
    if (!IsWindow(box)) return;
    if (answer) {
        answer(box);
    } else {
        cancelBox(box);
    }
}

LRESULT CALLBACK cbtHook(int code, WPARAM wParam, LPARAM lParam) {
    if (state != nullptr) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_CREATEWND) {
            state->created.insert(window);
        } else if (code == HCBT_ACTIVATE && state->created.count(window) != 0 && state->handled.count(window) == 0 &&
                   className(window) == "#32770") {
            state->handled.insert(window);
            // Texts are read once the box is fully set up, from the timer.
            state->pendingBox = window;
            if (!state->answers.empty()) {
                state->pendingAnswer = state->answers.front();
                state->answers.pop_front();
            } else {
                state->pendingAnswer = nullptr;
            }
            HWND box = window;
            ModalAnswerer::Answer inner = state->pendingAnswer;
            state->pendingAnswer = [box, inner](HWND) {
                SeenWindow seen;
                seen.title = windowText(box);
                seen.text = itemText(box, 0xFFFF);
                seen.icon = iconName(box);
                state->seen.push_back(seen);
                if (inner) {
                    inner(box);
                } else {
                    cancelBox(box);
                }
            };
            SetTimer(nullptr, 0, 150, answerLater);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

ModalAnswerer::ModalAnswerer() {
    state = new AnswererState;
    state->hook = SetWindowsHookExA(WH_CBT, cbtHook, nullptr, GetCurrentThreadId());
}

ModalAnswerer::~ModalAnswerer() {
    UnhookWindowsHookEx(state->hook);
    delete state;
    state = nullptr;
}

void ModalAnswerer::then(Answer answer) { state->answers.push_back(std::move(answer)); }

void ModalAnswerer::thenPress(int buttonId) {
    then([buttonId](HWND box) { press(box, buttonId); });
}

void ModalAnswerer::thenCancel() {
    then([](HWND box) { cancelBox(box); });
}

void ModalAnswerer::thenTypePath(const std::string& path) {
    then([path](HWND box) {
        // The name field: a combo box in the explorer-style dialog, an edit in the older one.
        HWND field = GetDlgItem(box, cmb13);
        if (field == nullptr) field = GetDlgItem(box, edt1);
        SetWindowTextA(field, path.c_str());
        press(box, IDOK);
    });
}

void ModalAnswerer::thenChooseFolder(const std::string& path) {
    then([path](HWND box) {
        // Select the folder in the tree, as a click would. The browser fills
        // its tree while it starts and may select its root meanwhile, so the
        // selection is repeated until the name field shows the folder's name.
        std::string name = path.substr(path.find_last_of('\\') + 1);
        HWND field = FindWindowExA(box, nullptr, "Edit", nullptr);
        for (int attempt = 0; attempt < 20; ++attempt) {
            SendMessageA(box, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
            pump(150);
            if (field == nullptr || _stricmp(windowText(field).c_str(), name.c_str()) == 0) break;
        }
        press(box, IDOK);
    });
}

const std::vector<SeenWindow>& ModalAnswerer::seen() const { return state->seen; }

}  // namespace dialogtest
