// "ListBox" without string storage (LBS_NODATA, owner-drawn): the lines live
// here, in one block of text, and the list box only knows how many there
// are. Adding a line costs no window message, so 64,000 lines appear as fast
// as ten. The parent passes WM_DRAWITEM to drawItem.
//
// Readers still get the lines with LB_GETCOUNT, LB_GETTEXTLEN and LB_GETTEXT:
// the list box is subclassed to answer them, and its window style carries
// LBS_HASSTRINGS (set after creation, which the list box itself ignores) so
// that the system copies the text, not the item data, to a reader in
// another process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ControlWindow.h"
#include "TextBlock.h"

namespace dialogs {

class OwnerDataListBox : public ControlWindow {
public:
    OwnerDataListBox();

    bool create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle);

    // A new last line; the list box learns of new lines by showLines.
    // false when the text block would pass 4 GB.
    bool addLine(const char* text) { return addLine(text, std::strlen(text)); }
    // The same for `length` characters that need not end with a zero.
    bool addLine(const char* text, std::size_t length);
    // Room for `lines` more lines of about `textBytes` characters in all,
    // set aside at once so that adding them copies nothing.
    void reserve(std::size_t lines, std::size_t textBytes);
    // Tells the list box how many lines there are; the selection is cleared.
    void showLines();
    // Forgets every line (LB_RESETCONTENT).
    void clearAll();
    int count() const { return static_cast<int>(lineStarts_.size()); }
    // The line's text; empty outside the lines.
    const char* line(int index) const;
    // The width in pixels of the widest line in the list box's font.
    int widestLine() const;
    void setScrollWidth(int pixels) { send(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(pixels)); }

    // Draws one line as a plain list box would: highlighted when selected,
    // with the focus rectangle. false when the item is not this list's.
    bool drawItem(const DRAWITEMSTRUCT& item) const;

private:
    // The list box's window procedure in front of its own: ANSI, so that
    // LB_GETTEXT arrives with a byte buffer whoever asked.
    static LRESULT CALLBACK answerReaders(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    WNDPROC listBoxProcedure_;

    TextBlock texts_;
    std::vector<std::uint32_t> lineStarts_;  // where each line starts in texts_
};

}  // namespace dialogs
