// "SysListView32" in report view: columns, rows filled cell by cell, check
// boxes as state images. Hidden until shown.
#pragma once

#include "ControlWindow.h"

namespace dialogs {

// Inserts a column (format, width, title, subitem = index) at the index,
// through the given column record; the message result.
int insertListColumn(HWND list, LVCOLUMNA& column, int index, const char* title, int width, int format);

// Grid lines, track select, header drag and drop, full row select.
constexpr DWORD LIST_EXTENDED_STYLES = LVS_EX_GRIDLINES | LVS_EX_TRACKSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT;
// ORs in the set bits, then takes out the cleared ones.
void changeListExtendedStyles(HWND list, DWORD set, DWORD clear);

class ListViewControl : public ControlWindow {
public:
    ListViewControl();

    // Both register the list-view classes first.
    bool create(HWND parentWindow, const ControlLayout& place);
    bool create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle);

    int addColumn(const char* title, int width);
    int addColumnWithFormat(const char* title, int width, int format);
    int deleteColumn(int index);
    // A new last row with the text in column 0; the next setNextCell fills column 1.
    int addRow(const char* text);
    // Fills the next column of the last added row; past the last column it
    // keeps sending to the column after it, which changes nothing.
    int setNextCell(const char* text);
    // Rows and columns beyond the counts are refused (false / null).
    bool setCell(const char* text, int row, int column);
    const char* getCell(int row, int column, int maximumLength);
    int deleteRow(int row);
    bool redrawRows(int first, int last);
    bool deleteAllRows();
    int countItems();
    int firstSelected();
    // True when the row shows a ticked check box (state image 2).
    bool isChecked(int row);
    void setChecked(int row, bool checked);
    void setExtendedStyles();
    void addExtendedStyle(DWORD bits);
    void removeExtendedStyle(DWORD bits);
    void setItemCount(int count) { send(LVM_SETITEMCOUNT, static_cast<WPARAM>(count)); }
    void setTextBackground(COLORREF colour) { send(LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(colour)); }
    void setBackground(COLORREF colour) { send(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(colour)); }
    void show() { ShowWindow(window, SW_SHOW); }

    LVCOLUMNA column;
    LVITEMA itemRecord;
    char text[256];
    int columnCount;
    int rowCount;
    int nextColumn;
    int itemCount;
    UINT lastState;
};

}  // namespace dialogs
