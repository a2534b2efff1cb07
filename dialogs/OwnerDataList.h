// "SysListView32" in report view with owner data (LVS_OWNERDATA): the rows'
// texts and check marks live here, in one block of text, and the control
// asks for the few it shows (LVN_GETDISPINFO). Adding a row costs no window
// message, so a list of 100,000 rows appears as fast as one of ten.
//
// Readers outside see the same list as with stored items: LVM_GETITEMCOUNT,
// LVM_GETITEMTEXT (answered through LVN_GETDISPINFO), LVM_GETITEMSTATE (the
// check mark as state image 1 or 2, through the callback mask) and
// LVM_GETNEXTITEM. The list is a Unicode list view: it asks in UTF-16
// (LVN_GETDISPINFOW), and a column set wide (setWideColumn) shows its UTF-16
// texts as they are, every script drawn by the system; 8-bit texts are
// widened from the ANSI code page.
//
// A find narrows what the list shows (setFind): the control then holds only
// the rows whose searched columns contain the text, letter case aside. Every
// row number in this class's interface is a row of the whole list (a real
// row); only the control counts shown rows, and the class maps between them.
// The parent must pass the list's WM_NOTIFY messages to
// answerNotification; a list on a tab control needs them forwarded
// (TabControl::forwardNotifications), as Windows does not do it.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ControlWindow.h"
#include "TextBlock.h"

namespace dialogs {

class OwnerDataList : public ControlWindow {
public:
    OwnerDataList();

    // Registers the list-view classes, adds LVS_OWNERDATA to the style and
    // lets the owner answer for the state image (the check box).
    bool create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle);

    // The column whose cells RowWriter::wideCell fills with UTF-16 texts.
    void setWideColumn(int column) { wideColumn_ = column; }

    int addColumn(const char* title, int width);
    int addColumnWithFormat(const char* title, int width, int format);
    void setExtendedStyles();
    void addExtendedStyle(DWORD bits);
    void show() { ShowWindow(window, SW_SHOW); }

    // A new last row, unchecked, with the text in column 0; the next
    // setNextCell fills column 1, and so on up to the last column (further
    // calls change nothing). The control learns of new rows by showRows.
    // addRow gives the new row's index, -1 when the text block would pass 4 GB.
    int addRow(const char* text);
    enum class CellResult { SET, NO_COLUMN, TEXT_FULL };
    CellResult setNextCell(const char* text);
    // Writes the cells of rows given in bulk straight into the list's text
    // block: each cell() fills the next column of the row being written;
    // further cells change nothing.
    class RowWriter {
    public:
        void cell(const char* text, std::size_t length);
        void cell(const char* text) { cell(text, std::strlen(text)); }
        // The next column's cell as `length` UTF-16 units, for the wide
        // column (in any other column it stays empty).
        void wideCell(const char16_t* text, std::size_t length);

    private:
        friend class OwnerDataList;
        RowWriter(TextBlock& texts, WideTextBlock& wideTexts) : texts_(texts), wideTexts_(wideTexts) {}
        TextBlock& texts_;
        WideTextBlock& wideTexts_;
        std::uint32_t* cells_ = nullptr;
        std::uint32_t* wideCell_ = nullptr;
        int wideColumn_ = -1;
        int columns_ = 0;
        int column_ = 0;
        bool ok_ = true;
    };
    // `count` new last rows at once, unchecked: the same rows as addRow and
    // setNextCell give, without the texts passing through anything in
    // between. fill(i, writer) writes the cells of the call's i-th row;
    // cells it leaves out stay empty. textBytes, when known, is about the
    // size of all the texts, so that the block grows once. The index of the
    // first new row; -1, with none of the rows kept, when the text block
    // would pass 4 GB.
    int addRows(int count, const std::function<void(int, RowWriter&)>& fill, std::size_t textBytes = 0);
    // Every row replaced by `count` new ones, unchecked, as addRows writes
    // them; the control is not told (showRows does), so its scroll position
    // and selection stay. -1, with no rows left, when the text block would
    // pass 4 GB.
    int replaceRows(int count, const std::function<void(int, RowWriter&)>& fill, std::size_t textBytes = 0);
    // Every row replaced by `count` rows whose cells are not copied in: the
    // list asks fill(i, writer) for row i whenever it needs that row's texts
    // (to draw it, for a find, for cell()), and keeps one row at a time. The
    // owner keeps what fill reads, unchanged, while these rows stay; rows
    // added afterwards (addRow, addRows) first copy them in. Unchecked; the
    // control is told by showRows, as after replaceRows.
    void replaceRowsBySource(int count, std::function<void(int, RowWriter&)> fill);
    // Copies rows given by a source in (check marks kept), so that their
    // owner may change what the source reads; nothing to do for other rows.
    // False, with nothing changed, when they do not fit (4 GB of text).
    bool keepSourceRows();
    // Tells the control how many rows there are now (those the find lets
    // through), keeping its scroll position.
    void showRows();
    // Forgets every row; true when the control took the news.
    bool deleteAllRows();
    int rowCount() const { return static_cast<int>(checked_.size()); }
    // The cell's text; empty outside the rows and columns (and in the wide
    // column, whose texts wideCellText gives).
    const char* cell(int row, int column) const;
    const char16_t* wideCellText(int row) const;

    // ---- find
    // Shows only the rows whose columns in `columns` (bit i: column i) hold
    // `text`, letter case aside for every script; an empty text shows every
    // row again. The selection is cleared and the top row shown.
    void setFind(const std::u16string& text, unsigned columns);
    bool narrowed() const { return narrowed_; }
    int shownCount() const { return narrowed_ ? static_cast<int>(shown_.size()) : rowCount(); }
    // The real row shown as the control's row `shownRow`, and the control's
    // row showing a real row; -1 for none.
    int realRow(int shownRow) const;
    int shownRow(int realRow) const;
    // Selects and scrolls to a real row; false when the find hides it.
    bool selectRow(int row);
    // Checks or clears every shown row.
    void setShownChecked(bool checked);

    bool isChecked(int row) const;
    // Rows outside the list are left alone; -1 stands for every row.
    void setChecked(int row, bool checked);
    // The rows first .. first + count - 1 that exist, redrawn once.
    void setCheckedRange(int first, int count, bool checked);
    // Row i checked as marks[i] says, for the rows that exist; redrawn once.
    void setCheckMarks(const std::vector<bool>& marks);
    // The selected (real) row (the list takes one at most); -1 when none.
    int selectedRow() const;

    // Answers the list's requests for texts and check states, refuses its
    // type-ahead search (the first column is empty) and toggles the focused
    // row's check mark on the space bar; true when the notification came
    // from this list and was one of those.
    bool answerNotification(HWND dialog, const NMHDR* header);

private:
    void fillItem(LVITEMA& item, bool wide) const;
    // The source's row put in the one-row store (empty when it does not fit).
    void loadSourceRow(int row) const;
    void forgetSource();
    void redrawRow(int row);
    void buildSearchText();
    void narrow();

    int columnCount_;
    int cellsPerRow_;
    int nextColumn_;
    TextBlock texts_;
    std::vector<std::uint32_t> cellStarts_;  // cellsPerRow_ per row: where its text starts
    std::vector<std::uint8_t> checked_;      // one per row
    int wideColumn_;
    WideTextBlock wideTexts_;
    std::vector<std::uint32_t> wideStarts_;  // with a wide column, one per row: where its wide cell starts

    // Rows given by a source (replaceRowsBySource): every row is the
    // source's, and the texts above are empty. The last row asked for is
    // kept in a store of its own.
    std::function<void(int, RowWriter&)> source_;
    mutable int sourceRow_ = -1;
    mutable TextBlock rowTexts_;
    mutable WideTextBlock rowWideTexts_;
    mutable std::vector<std::uint32_t> rowCells_;
    mutable std::uint32_t rowWideStart_ = 0;

    // The find: the searched columns of every row, lower-cased, each cell
    // ended by a zero (built when a find first needs it after the rows
    // changed); where each row's text starts (one more at the end); the
    // lower-cased text sought and the real rows shown.
    std::u16string findText_;
    unsigned findColumns_;
    bool narrowed_;
    bool searchStale_;
    std::u16string searchText_;
    std::vector<std::uint32_t> searchStarts_;
    std::vector<int> shown_;
};

}  // namespace dialogs
