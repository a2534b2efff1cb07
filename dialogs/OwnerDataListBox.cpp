#include "OwnerDataListBox.h"

namespace dialogs {

OwnerDataListBox::OwnerDataListBox()
    : ControlWindow("ListBox", LIST_BOX_STYLE | LBS_OWNERDRAWFIXED | LBS_NODATA, WS_EX_CLIENTEDGE),
      listBoxProcedure_(nullptr) {}

bool OwnerDataListBox::create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle) {
    if (!createWindow(parentWindow, place, extraStyle, 0)) return false;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    listBoxProcedure_ =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(answerReaders)));
    addStyle(LBS_HASSTRINGS);
    // An owner-drawn list box keeps the line height of the system font:
    // give it the height of its own font, as a plain list box has.
    HDC context = GetDC(window);
    if (context != nullptr) {
        HGDIOBJ previous = SelectObject(context, parentFont);
        TEXTMETRICA metrics{};
        if (GetTextMetricsA(context, &metrics)) send(LB_SETITEMHEIGHT, 0, MAKELPARAM(metrics.tmHeight, 0));
        SelectObject(context, previous);
        ReleaseDC(window, context);
    }
    return true;
}

bool OwnerDataListBox::addLine(const char* text, std::size_t length) {
    std::uint32_t start = 0;
    if (!texts_.add(text, length, start)) return false;
    lineStarts_.push_back(start);
    return true;
}

void OwnerDataListBox::reserve(std::size_t lines, std::size_t textBytes) {
    lineStarts_.reserve(lineStarts_.size() + lines);
    texts_.reserve(texts_.size() + textBytes);
}

void OwnerDataListBox::showLines() { send(LB_SETCOUNT, static_cast<WPARAM>(count())); }

void OwnerDataListBox::clearAll() {
    texts_.clear();
    lineStarts_.clear();
    lineStarts_.shrink_to_fit();
    send(LB_RESETCONTENT);
}

const char* OwnerDataListBox::line(int index) const {
    if (index < 0 || index >= count()) return texts_.empty();
    return texts_.at(lineStarts_[static_cast<std::size_t>(index)]);
}

int OwnerDataListBox::widestLine() const {
    int widest = 0;
    HDC context = GetDC(window);
    if (context == nullptr) return 0;
    HGDIOBJ previous = SelectObject(context, reinterpret_cast<HFONT>(send(WM_GETFONT)));
    // The advance of every character once; a line is then the sum of its
    // characters' advances, without asking the system line by line.
    INT advance[256] = {0};
    if (GetCharWidth32A(context, 0, 255, advance)) {
        for (int i = 0; i < count(); ++i) {
            int width = 0;
            for (const unsigned char* c = reinterpret_cast<const unsigned char*>(line(i)); *c != 0; ++c) width += advance[*c];
            if (width > widest) widest = width;
        }
    }
    SelectObject(context, previous);
    ReleaseDC(window, context);
    return widest;
}

bool OwnerDataListBox::drawItem(const DRAWITEMSTRUCT& item) const {
    if (item.hwndItem != window || item.CtlType != ODT_LISTBOX) return false;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    RECT area = item.rcItem;
    SetBkColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const char* text = item.itemID < static_cast<UINT>(count()) ? line(static_cast<int>(item.itemID)) : "";
    ExtTextOutA(item.hDC, area.left + 1, area.top, ETO_OPAQUE | ETO_CLIPPED, &area, text, lstrlenA(text), nullptr);
    if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(item.hDC, &area);
    return true;
}

LRESULT CALLBACK OwnerDataListBox::answerReaders(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    const OwnerDataListBox* list = reinterpret_cast<const OwnerDataListBox*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    const int index = static_cast<int>(wParam);
    switch (msg) {
    case LB_GETTEXTLEN:
        return index >= 0 && index < list->count() ? lstrlenA(list->line(index)) : LB_ERR;
    case LB_GETTEXT:
        // As a list box does: the whole line, so the buffer must hold LB_GETTEXTLEN + 1.
        if (index < 0 || index >= list->count() || lParam == 0) return LB_ERR;
        lstrcpyA(reinterpret_cast<char*>(lParam), list->line(index));
        return lstrlenA(list->line(index));
    default:
        return CallWindowProcA(list->listBoxProcedure_, window, msg, wParam, lParam);
    }
}

}  // namespace dialogs
