#include "OwnerDataList.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "ListViewControl.h"

namespace dialogs {

namespace {

constexpr UINT CHECKED_IMAGE = INDEXTOSTATEIMAGEMASK(2);
constexpr UINT UNCHECKED_IMAGE = INDEXTOSTATEIMAGEMASK(1);

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the list's UTF-16 texts are handed to the system as they are");

// Lower-cases UTF-16 text in place, as the system does for every script:
// each unit as CharLowerBuffW maps it, taken from a table of every unit that
// the system fills once (a call per text would cost more than the search).
void lowerCase(char16_t* text, std::size_t length) {
    static const std::vector<char16_t> lower = [] {
        std::vector<char16_t> units(0x10000);
        for (std::size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(i);
        // Unit 0 would end nothing here (the length is given), but is kept as it is.
        CharLowerBuffW(reinterpret_cast<LPWSTR>(units.data() + 1), static_cast<DWORD>(units.size() - 1));
        return units;
    }();
    for (std::size_t i = 0; i < length; ++i) text[i] = lower[text[i]];
}

}  // namespace

OwnerDataList::OwnerDataList()
    : ControlWindow(WC_LISTVIEWA, LIST_VIEW_STYLE, WS_EX_CLIENTEDGE),
      columnCount_(0),
      cellsPerRow_(0),
      nextColumn_(0),
      wideColumn_(-1),
      findColumns_(0),
      narrowed_(false),
      searchStale_(true) {}

bool OwnerDataList::create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle) {
    if (!createWindow(parentWindow, place, extraStyle | LVS_OWNERDATA, ICC_LISTVIEW_CLASSES)) return false;
    send(LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK);
    // The control asks for texts in UTF-16 (LVN_GETDISPINFOW), so a wide
    // cell reaches the screen without passing through the ANSI code page.
    send(LVM_SETUNICODEFORMAT, TRUE);
    return true;
}

int OwnerDataList::addColumn(const char* title, int width) { return addColumnWithFormat(title, width, LVCFMT_LEFT); }

int OwnerDataList::addColumnWithFormat(const char* title, int width, int format) {
    LVCOLUMNA column{};
    int result = insertListColumn(window, column, columnCount_, title, width, format);
    ++columnCount_;
    return result;
}

void OwnerDataList::setExtendedStyles() { changeListExtendedStyles(window, LIST_EXTENDED_STYLES, ~LIST_EXTENDED_STYLES); }

void OwnerDataList::addExtendedStyle(DWORD bits) { changeListExtendedStyles(window, bits, 0); }

int OwnerDataList::addRow(const char* text) {
    if (!keepSourceRows()) return -1;
    // The cells of a row are laid out by the columns there were at its
    // first row; columns added later show empty cells.
    if (checked_.empty()) cellsPerRow_ = columnCount_ > 0 ? columnCount_ : 1;
    cellStarts_.insert(cellStarts_.end(), static_cast<std::size_t>(cellsPerRow_), 0);
    checked_.push_back(0);
    if (wideColumn_ >= 0) wideStarts_.resize(checked_.size(), 0);
    searchStale_ = true;
    nextColumn_ = 0;
    if (setNextCell(text) == CellResult::TEXT_FULL) {
        cellStarts_.resize(cellStarts_.size() - static_cast<std::size_t>(cellsPerRow_));
        checked_.pop_back();
        if (wideStarts_.size() > checked_.size()) wideStarts_.resize(checked_.size());
        return -1;
    }
    return rowCount() - 1;
}

OwnerDataList::CellResult OwnerDataList::setNextCell(const char* text) {
    if (checked_.empty() || nextColumn_ >= cellsPerRow_) return CellResult::NO_COLUMN;
    std::uint32_t start = 0;
    if (!texts_.add(text, start)) return CellResult::TEXT_FULL;
    cellStarts_[(checked_.size() - 1) * static_cast<std::size_t>(cellsPerRow_) + static_cast<std::size_t>(nextColumn_)] = start;
    ++nextColumn_;
    return CellResult::SET;
}

void OwnerDataList::RowWriter::cell(const char* text, std::size_t length) {
    if (column_ >= columns_) return;
    std::uint32_t start = 0;
    if (!texts_.add(text, length, start)) ok_ = false;
    cells_[column_++] = start;
}

void OwnerDataList::RowWriter::wideCell(const char16_t* text, std::size_t length) {
    if (column_ >= columns_) return;
    if (column_ == wideColumn_) {
        std::uint32_t start = 0;
        if (!wideTexts_.add(text, length, start)) ok_ = false;
        *wideCell_ = start;
    }
    cells_[column_++] = 0;
}

int OwnerDataList::addRows(int count, const std::function<void(int, RowWriter&)>& fill, std::size_t textBytes) {
    if (count <= 0) return rowCount();
    if (!keepSourceRows()) return -1;
    if (checked_.empty()) cellsPerRow_ = columnCount_ > 0 ? columnCount_ : 1;
    const std::size_t firstRow = checked_.size();
    const std::size_t perRow = static_cast<std::size_t>(cellsPerRow_);
    const std::size_t firstCell = cellStarts_.size();
    const std::size_t textSize = texts_.size();
    const std::size_t wideSize = wideTexts_.size();
    // Without a wide column there are no wide cells to find (wideCellText
    // gives the empty text): nothing is kept for them.
    const bool wide = wideColumn_ >= 0;
    searchStale_ = true;
    cellStarts_.resize(firstCell + static_cast<std::size_t>(count) * perRow, 0);
    checked_.resize(firstRow + static_cast<std::size_t>(count), 0);
    if (wide) wideStarts_.resize(firstRow + static_cast<std::size_t>(count), 0);
    // The size of all the texts is given in bytes: the wide column's texts
    // take about that many units, the others' about that many bytes.
    texts_.reserve(textSize + textBytes);
    if (wide) wideTexts_.reserve(wideSize + textBytes);
    RowWriter writer(texts_, wideTexts_);
    writer.columns_ = cellsPerRow_;
    writer.wideColumn_ = wideColumn_;
    for (int i = 0; i < count && writer.ok_; ++i) {
        writer.cells_ = cellStarts_.data() + firstCell + static_cast<std::size_t>(i) * perRow;
        writer.wideCell_ = wide ? wideStarts_.data() + firstRow + static_cast<std::size_t>(i) : nullptr;
        writer.column_ = 0;
        fill(i, writer);
    }
    if (!writer.ok_) {
        cellStarts_.resize(firstCell);
        checked_.resize(firstRow);
        if (wideStarts_.size() > firstRow) wideStarts_.resize(firstRow);
        texts_.truncate(textSize);
        wideTexts_.truncate(wideSize);
        return -1;
    }
    nextColumn_ = writer.column_;
    return static_cast<int>(firstRow);
}

int OwnerDataList::replaceRows(int count, const std::function<void(int, RowWriter&)>& fill, std::size_t textBytes) {
    forgetSource();
    texts_.truncate(1);
    wideTexts_.truncate(1);
    cellStarts_.clear();
    checked_.clear();
    wideStarts_.clear();
    nextColumn_ = 0;
    return addRows(count, fill, textBytes);
}

void OwnerDataList::replaceRowsBySource(int count, std::function<void(int, RowWriter&)> fill) {
    replaceRows(0, nullptr);
    if (count <= 0 || !fill) return;
    cellsPerRow_ = columnCount_ > 0 ? columnCount_ : 1;
    checked_.assign(static_cast<std::size_t>(count), 0);
    // setNextCell fills the row addRow gave; there is none.
    nextColumn_ = cellsPerRow_;
    source_ = std::move(fill);
}

void OwnerDataList::forgetSource() {
    source_ = nullptr;
    sourceRow_ = -1;
    rowTexts_.clear();
    rowWideTexts_.clear();
}

void OwnerDataList::loadSourceRow(int row) const {
    if (row == sourceRow_) return;
    rowTexts_.truncate(1);
    rowWideTexts_.truncate(1);
    rowCells_.assign(static_cast<std::size_t>(cellsPerRow_), 0);
    rowWideStart_ = 0;
    RowWriter writer(rowTexts_, rowWideTexts_);
    writer.columns_ = cellsPerRow_;
    writer.wideColumn_ = wideColumn_;
    writer.cells_ = rowCells_.data();
    writer.wideCell_ = &rowWideStart_;
    source_(row, writer);
    if (!writer.ok_) {
        // A row of more than 4 GB of text is shown empty.
        rowCells_.assign(rowCells_.size(), 0);
        rowWideStart_ = 0;
    }
    sourceRow_ = row;
}

bool OwnerDataList::keepSourceRows() {
    if (!source_) return true;
    std::function<void(int, RowWriter&)> fill = std::move(source_);
    forgetSource();
    std::vector<std::uint8_t> marks = std::move(checked_);
    checked_.clear();
    if (addRows(static_cast<int>(marks.size()), fill) < 0) {
        source_ = std::move(fill);
        checked_ = std::move(marks);
        nextColumn_ = cellsPerRow_;
        return false;
    }
    checked_ = std::move(marks);
    return true;
}

void OwnerDataList::showRows() {
    if (narrowed_) narrow();
    send(LVM_SETITEMCOUNT, static_cast<WPARAM>(shownCount()), LVSICF_NOSCROLL);
    InvalidateRect(window, nullptr, FALSE);
}

bool OwnerDataList::deleteAllRows() {
    forgetSource();
    texts_.clear();
    cellStarts_.clear();
    cellStarts_.shrink_to_fit();
    checked_.clear();
    checked_.shrink_to_fit();
    wideTexts_.clear();
    wideStarts_.clear();
    wideStarts_.shrink_to_fit();
    searchText_.clear();
    searchText_.shrink_to_fit();
    searchStarts_.clear();
    searchStarts_.shrink_to_fit();
    shown_.clear();
    searchStale_ = true;
    nextColumn_ = 0;
    return send(LVM_DELETEALLITEMS) != FALSE;
}

const char* OwnerDataList::cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= cellsPerRow_) return texts_.empty();
    if (source_) {
        loadSourceRow(row);
        return rowTexts_.at(rowCells_[static_cast<std::size_t>(column)]);
    }
    return texts_.at(
        cellStarts_[static_cast<std::size_t>(row) * static_cast<std::size_t>(cellsPerRow_) + static_cast<std::size_t>(column)]);
}

const char16_t* OwnerDataList::wideCellText(int row) const {
    if (source_ && wideColumn_ >= 0 && row >= 0 && row < rowCount()) {
        loadSourceRow(row);
        return rowWideTexts_.at(rowWideStart_);
    }
    if (row < 0 || static_cast<std::size_t>(row) >= wideStarts_.size()) return wideTexts_.empty();
    return wideTexts_.at(wideStarts_[static_cast<std::size_t>(row)]);
}

bool OwnerDataList::isChecked(int row) const {
    return row >= 0 && row < rowCount() && checked_[static_cast<std::size_t>(row)] != 0;
}

void OwnerDataList::setChecked(int row, bool checked) {
    if (row == -1) {
        setCheckedRange(0, rowCount(), checked);
    } else if (row >= 0 && row < rowCount()) {
        checked_[static_cast<std::size_t>(row)] = checked ? 1 : 0;
        redrawRow(row);
    }
}

void OwnerDataList::redrawRow(int row) {
    const int shown = shownRow(row);
    if (shown >= 0) send(LVM_REDRAWITEMS, static_cast<WPARAM>(shown), static_cast<LPARAM>(shown));
}

void OwnerDataList::setCheckedRange(int first, int count, bool checked) {
    if (first < 0) first = 0;
    const int end = count > rowCount() - first ? rowCount() : first + count;
    if (first >= end) return;
    std::memset(checked_.data() + first, checked ? 1 : 0, static_cast<std::size_t>(end - first));
    if (narrowed_)
        InvalidateRect(window, nullptr, FALSE);
    else
        send(LVM_REDRAWITEMS, static_cast<WPARAM>(first), static_cast<LPARAM>(end - 1));
}

void OwnerDataList::setShownChecked(bool checked) {
    if (!narrowed_) {
        setCheckedRange(0, rowCount(), checked);
        return;
    }
    for (int row : shown_) checked_[static_cast<std::size_t>(row)] = checked ? 1 : 0;
    InvalidateRect(window, nullptr, FALSE);
}

void OwnerDataList::setCheckMarks(const std::vector<bool>& marks) {
    const std::size_t rows = marks.size() < checked_.size() ? marks.size() : checked_.size();
    for (std::size_t i = 0; i < rows; ++i) checked_[i] = marks[i] ? 1 : 0;
    InvalidateRect(window, nullptr, FALSE);
}

int OwnerDataList::selectedRow() const {
    return realRow(static_cast<int>(send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
}

bool OwnerDataList::selectRow(int row) {
    const int shown = shownRow(row);
    if (shown < 0) return false;
    ListView_SetItemState(window, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(window, shown, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(window, shown, FALSE);
    return true;
}

// ---- find

int OwnerDataList::realRow(int shownRow) const {
    if (shownRow < 0 || shownRow >= shownCount()) return -1;
    const int row = narrowed_ ? shown_[static_cast<std::size_t>(shownRow)] : shownRow;
    // Between new rows and showRows the control may still ask for old ones.
    return row < rowCount() ? row : -1;
}

int OwnerDataList::shownRow(int realRow) const {
    if (realRow < 0 || realRow >= rowCount()) return -1;
    if (!narrowed_) return realRow;
    const auto at = std::lower_bound(shown_.begin(), shown_.end(), realRow);
    return at != shown_.end() && *at == realRow ? static_cast<int>(at - shown_.begin()) : -1;
}

void OwnerDataList::setFind(const std::u16string& text, unsigned columns) {
    if (columns != findColumns_) searchStale_ = true;
    findColumns_ = columns;
    findText_ = text;
    lowerCase(&findText_[0], findText_.size());
    narrowed_ = !findText_.empty();
    if (narrowed_)
        narrow();
    else
        shown_.clear();
    // Shown row numbers now stand for other rows: nothing stays selected.
    // The list takes one selected row at most; state for "every row" (-1)
    // would visit each of the rows shown until now, one by one.
    if (send(LVM_GETSELECTEDCOUNT) > 0) {
        const int selected = static_cast<int>(send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (selected >= 0) ListView_SetItemState(window, selected, 0, LVIS_SELECTED);
    }
    const int focused = static_cast<int>(send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (focused >= 0) ListView_SetItemState(window, focused, 0, LVIS_FOCUSED);
    send(LVM_SETITEMCOUNT, static_cast<WPARAM>(shownCount()), 0);
    if (shownCount() > 0) ListView_EnsureVisible(window, 0, FALSE);
    InvalidateRect(window, nullptr, FALSE);
}

void OwnerDataList::buildSearchText() {
    searchText_.clear();
    searchStarts_.assign(1, 0);
    searchStarts_.reserve(checked_.size() + 1);
    searchText_.reserve(texts_.size() + wideTexts_.size());
    std::vector<wchar_t> widened;
    for (int row = 0; row < rowCount(); ++row) {
        for (int column = 0; column < cellsPerRow_ && column < 32; ++column) {
            if ((findColumns_ & (1u << column)) == 0) continue;
            if (column == wideColumn_) {
                searchText_ += wideCellText(row);
            } else {
                const char* text = cell(row, column);
                const std::size_t length = std::strlen(text);
                bool plain = true;
                for (std::size_t i = 0; i < length && plain; ++i) plain = static_cast<unsigned char>(text[i]) < 0x80;
                if (plain) {
                    searchText_.append(text, text + length);
                } else {
                    widened.resize(length);
                    const int units = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), widened.data(),
                                                          static_cast<int>(length));
                    searchText_.append(widened.data(), widened.data() + (units > 0 ? units : 0));
                }
            }
            // A zero between cells: no match runs from one cell into the next.
            searchText_ += u'\0';
        }
        searchStarts_.push_back(static_cast<std::uint32_t>(searchText_.size()));
    }
    lowerCase(&searchText_[0], searchText_.size());
    searchStale_ = false;
}

void OwnerDataList::narrow() {
    if (searchStale_) buildSearchText();
    shown_.clear();
    const std::u16string_view all(searchText_);
    std::size_t at = all.find(findText_);
    while (at != std::u16string_view::npos) {
        // The row holding the match; the search goes on after that row.
        const auto next = std::upper_bound(searchStarts_.begin(), searchStarts_.end(), static_cast<std::uint32_t>(at));
        const int row = static_cast<int>(next - searchStarts_.begin()) - 1;
        shown_.push_back(row);
        if (next == searchStarts_.end()) break;
        at = all.find(findText_, *next);
    }
}

void OwnerDataList::fillItem(LVITEMA& item, bool wide) const {
    const int row = realRow(item.iItem);
    if (row < 0) return;
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        const char* text = cell(row, item.iSubItem);
        if (item.iSubItem == wideColumn_ && wideColumn_ >= 0) {
            const wchar_t* units = reinterpret_cast<const wchar_t*>(wideCellText(row));
            if (wide) {
                LPWSTR target = reinterpret_cast<LPWSTR>(item.pszText);
                lstrcpynW(target, units, item.cchTextMax);
                // A pair cut in two by the room given is not shown half.
                const int length = lstrlenW(target);
                if (length == item.cchTextMax - 1 && target[length - 1] >= 0xD800 && target[length - 1] <= 0xDBFF) target[length - 1] = L'\0';
            } else if (WideCharToMultiByte(CP_ACP, 0, units, -1, item.pszText, item.cchTextMax, nullptr, nullptr) == 0) {
                item.pszText[item.cchTextMax - 1] = '\0';
            }
        } else if (wide) {
            // A Unicode parent was asked: the list wants UTF-16 in the same record.
            LPWSTR target = reinterpret_cast<LPWSTR>(item.pszText);
            if (MultiByteToWideChar(CP_ACP, 0, text, -1, target, item.cchTextMax) == 0) target[item.cchTextMax - 1] = L'\0';
        } else {
            lstrcpynA(item.pszText, text, item.cchTextMax);
        }
    }
    if ((item.mask & LVIF_STATE) != 0) {
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) | (isChecked(row) ? CHECKED_IMAGE : UNCHECKED_IMAGE);
        item.stateMask |= LVIS_STATEIMAGEMASK;
    }
}

bool OwnerDataList::answerNotification(HWND dialog, const NMHDR* header) {
    if (header == nullptr || window == nullptr || header->hwndFrom != window) return false;
    // LVN_GETDISPINFOA and W differ only in the text's width; the records
    // have the same layout up to it.
    switch (header->code) {
    case LVN_GETDISPINFOA:
        fillItem(reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(header))->item, false);
        return true;
    case LVN_GETDISPINFOW:
        fillItem(reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(header))->item, true);
        return true;
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW:
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, -1);
        return true;
    case LVN_ODCACHEHINT:
        return true;
    case LVN_KEYDOWN: {
        // The space bar toggles the focused row's check box, as it does in a
        // list that keeps its own check marks.
        const NMLVKEYDOWN* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
        if (key->wVKey != VK_SPACE || (send(LVM_GETEXTENDEDLISTVIEWSTYLE) & LVS_EX_CHECKBOXES) == 0) return false;
        const int row = realRow(static_cast<int>(send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
        if (row >= 0) setChecked(row, !isChecked(row));
        return true;
    }
    default:
        return false;
    }
}

}  // namespace dialogs
