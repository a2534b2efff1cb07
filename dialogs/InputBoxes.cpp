#include "InputBoxes.h"

#include <cstddef>
#include <vector>

namespace dialogs {

namespace {

// The programs' dialog font (their templates' FONT line).
constexpr WORD FONT_POINTS = 8;
constexpr const wchar_t* FONT_FACE = L"Verdana";

constexpr WORD BUTTON_CLASS = 0x0080;
constexpr WORD EDIT_CLASS = 0x0081;
constexpr WORD STATIC_CLASS = 0x0082;
constexpr WORD STATIC_ID = 0xFFFF;

constexpr DWORD BOX_STYLE = DS_SETFONT | DS_MODALFRAME | DS_3DLOOK | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD PROMPT_STYLE = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr DWORD NAME_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD TEXT_STYLE =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
constexpr DWORD OK_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD CANCEL_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

// Shown (titled with the box's caption) when OK is pressed on a name the
// system code page cannot hold.
constexpr const wchar_t* CODE_PAGE_TEXT =
    L"The name has characters that this system's code page cannot hold. Please change them.";

// A dialog template (DLGTEMPLATE and its DLGITEMTEMPLATEs) written word by
// word; the vector's storage is aligned for the DWORDs the template needs.
class TemplateWriter {
public:
    TemplateWriter(DWORD style, short width, short height, const std::wstring& caption) {
        dword(style);
        dword(0);  // extended style
        words_.push_back(0);  // item count, counted by item()
        words_.push_back(0);
        words_.push_back(0);
        words_.push_back(static_cast<WORD>(width));
        words_.push_back(static_cast<WORD>(height));
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the dialog class
        text(caption.c_str());
        words_.push_back(FONT_POINTS);
        text(FONT_FACE);
    }

    void item(WORD classAtom, DWORD style, short x, short y, short width, short height, WORD id,
              const wchar_t* title) {
        if (words_.size() % 2 != 0) words_.push_back(0);
        dword(style);
        dword(0);
        for (short value : {x, y, width, height}) words_.push_back(static_cast<WORD>(value));
        words_.push_back(id);
        words_.push_back(0xFFFF);
        words_.push_back(classAtom);
        text(title);
        words_.push_back(0);  // no creation data
        ++words_[ITEM_COUNT_AT];
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    static constexpr std::size_t ITEM_COUNT_AT = 4;
    void dword(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void text(const wchar_t* value) {
        for (; *value != L'\0'; ++value) words_.push_back(static_cast<WORD>(*value));
        words_.push_back(0);
    }

    std::vector<WORD> words_;
};

std::wstring wideFromCodePage(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], units);
    return wide;
}

std::wstring wideFromCodePage(const char* text) { return wideFromCodePage(std::string(text != nullptr ? text : "")); }

// False when the text has characters the system code page cannot hold (the
// conversion back would not give the same characters).
bool codePageFromWide(const std::wstring& wide, std::string& text) {
    text.clear();
    if (wide.empty()) return true;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                          nullptr, nullptr);
    if (bytes <= 0) return false;
    text.assign(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &text[0], bytes, nullptr, nullptr);
    return wideFromCodePage(text) == wide;
}

// "\n" becomes the edit field's "\r\n"; a "\r" already there stays, so the
// way back (every "\r\n" to "\n") gives the same text again.
std::wstring fieldFromText(const std::u16string& text, bool& hadNull) {
    std::wstring field;
    field.reserve(text.size() + text.size() / 16);
    hadNull = false;
    for (char16_t unit : text) {
        if (unit == u'\n') {
            field += L"\r\n";
        } else if (unit == u'\0') {
            hadNull = true;
            field += static_cast<wchar_t>(0x2400);
        } else {
            field += static_cast<wchar_t>(unit);
        }
    }
    return field;
}

std::u16string textFromField(const std::wstring& field) {
    std::u16string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == L'\r' && i + 1 < field.size() && field[i + 1] == L'\n') continue;
        text += static_cast<char16_t>(field[i]);
    }
    return text;
}

std::wstring fieldText(HWND box, int id) {
    HWND field = GetDlgItem(box, id);
    const int length = GetWindowTextLengthW(field);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(field, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

// What a box shows and, after OK, what was typed.
struct BoxState {
    std::wstring name;
    std::wstring text;
    bool hasText = false;
    bool nameEditable = true;
    bool textReadOnly = false;
    std::string nameTyped;  // in the system code page, set on OK
    std::wstring textTyped;
};

void centreOnOwner(HWND box) {
    HWND owner = GetWindow(box, GW_OWNER);
    if (owner == nullptr || !IsWindowVisible(owner) || IsIconic(owner)) return;  // DS_CENTER placed it
    RECT ownerRect{};
    RECT boxRect{};
    GetWindowRect(owner, &ownerRect);
    GetWindowRect(box, &boxRect);
    const int width = boxRect.right - boxRect.left;
    const int height = boxRect.bottom - boxRect.top;
    int x = ownerRect.left + (ownerRect.right - ownerRect.left - width) / 2;
    int y = ownerRect.top + (ownerRect.bottom - ownerRect.top - height) / 2;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        if (x + width > work.right) x = work.right - width;
        if (y + height > work.bottom) y = work.bottom - height;
        if (x < work.left) x = work.left;
        if (y < work.top) y = work.top;
    }
    SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR initialiseBox(HWND box, BoxState& state) {
    SetWindowLongPtrW(box, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
    centreOnOwner(box);
    HWND name = GetDlgItem(box, INPUT_NAME_FIELD);
    SetWindowTextW(name, state.name.c_str());
    if (!state.hasText) {
        SetFocus(name);
        SendMessageW(name, EM_SETSEL, 0, -1);
        return FALSE;  // the focus is set
    }
    HWND text = GetDlgItem(box, INPUT_TEXT_FIELD);
    SendMessageW(text, EM_SETLIMITTEXT, 0, 0);  // the largest text the field can hold
    SetWindowTextW(text, state.text.c_str());
    if (state.textReadOnly) SendMessageW(text, EM_SETREADONLY, TRUE, 0);
    // A new label starts at its name, an existing one at its text.
    if (state.nameEditable && state.name.empty()) {
        SetFocus(name);
    } else {
        SetFocus(text);
        SendMessageW(text, EM_SETSEL, 0, 0);
    }
    return FALSE;
}

// Reads the fields into the state; false (after telling the user) when the
// name cannot be given back in the system code page.
bool takeFields(HWND box, BoxState& state, const wchar_t* caption) {
    std::wstring name = fieldText(box, INPUT_NAME_FIELD);
    if (!codePageFromWide(name, state.nameTyped)) {
        MessageBoxW(box, CODE_PAGE_TEXT, caption, MB_OK | MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(box, INPUT_NAME_FIELD));
        return false;
    }
    if (state.hasText) state.textTyped = fieldText(box, INPUT_TEXT_FIELD);
    return true;
}

INT_PTR CALLBACK boxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) return initialiseBox(box, *reinterpret_cast<BoxState*>(lParam));
        auto* state = reinterpret_cast<BoxState*>(GetWindowLongPtrW(box, DWLP_USER));
        if (state == nullptr) return FALSE;
        switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                wchar_t caption[256] = {0};
                GetWindowTextW(box, caption, 256);
                if (takeFields(box, *state, caption)) EndDialog(box, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(box, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(box, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    } catch (...) {
        // Nothing thrown crosses into the system; the box ends as cancelled.
        EndDialog(box, IDCANCEL);
        return TRUE;
    }
}

bool runBox(HWND owner, const TemplateWriter& writer, BoxState& state) {
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), writer.get(), owner, boxProcedure,
                                   reinterpret_cast<LPARAM>(&state)) == IDOK;
}

}  // namespace

bool askLine(HWND owner, const char* caption, const char* prompt, std::string& value) {
    BoxState state;
    state.name = wideFromCodePage(value);
    TemplateWriter box(BOX_STYLE, 240, 62, wideFromCodePage(caption));
    box.item(STATIC_CLASS, PROMPT_STYLE, 7, 7, 226, 10, STATIC_ID, wideFromCodePage(prompt).c_str());
    box.item(EDIT_CLASS, NAME_STYLE, 7, 19, 226, 14, INPUT_NAME_FIELD, L"");
    box.item(BUTTON_CLASS, OK_STYLE, 129, 41, 50, 14, IDOK, L"OK");
    box.item(BUTTON_CLASS, CANCEL_STYLE, 183, 41, 50, 14, IDCANCEL, L"Cancel");
    if (!runBox(owner, box, state)) return false;
    value = state.nameTyped;
    return true;
}

bool editLabel(HWND owner, const char* caption, std::string& name, bool nameEditable, std::u16string& text) {
    BoxState state;
    state.name = wideFromCodePage(name);
    state.text = fieldFromText(text, state.textReadOnly);
    state.hasText = true;
    state.nameEditable = nameEditable;
    TemplateWriter box(BOX_STYLE, 320, 200, wideFromCodePage(caption));
    box.item(STATIC_CLASS, PROMPT_STYLE, 7, 7, 306, 10, STATIC_ID, L"Label:");
    box.item(EDIT_CLASS, NAME_STYLE | (nameEditable ? 0 : ES_READONLY), 7, 18, 306, 14, INPUT_NAME_FIELD, L"");
    box.item(STATIC_CLASS, PROMPT_STYLE, 7, 38, 306, 10, STATIC_ID, L"Text:");
    box.item(EDIT_CLASS, TEXT_STYLE, 7, 49, 306, 124, INPUT_TEXT_FIELD, L"");
    box.item(BUTTON_CLASS, OK_STYLE, 209, 179, 50, 14, IDOK, L"OK");
    box.item(BUTTON_CLASS, CANCEL_STYLE, 263, 179, 50, 14, IDCANCEL, L"Cancel");
    if (!runBox(owner, box, state)) return false;
    // A read-only name comes back as it was given, whatever the field held.
    if (nameEditable) name = state.nameTyped;
    if (!state.textReadOnly) text = textFromField(state.textTyped);
    return true;
}

}  // namespace dialogs
