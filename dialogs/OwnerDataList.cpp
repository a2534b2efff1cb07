#include "OwnerDataList.h"

#include <cstring>

#include "ListViewControl.h"

namespace dialogs {

namespace {

constexpr UINT CHECKED_IMAGE = INDEXTOSTATEIMAGEMASK(2);
constexpr UINT UNCHECKED_IMAGE = INDEXTOSTATEIMAGEMASK(1);

}  // namespace

OwnerDataList::OwnerDataList()
    : ControlWindow(WC_LISTVIEWA, LIST_VIEW_STYLE, WS_EX_CLIENTEDGE),
      columnCount_(0),
      cellsPerRow_(0),
      nextColumn_(0) {}

bool OwnerDataList::create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle) {
    if (!createWindow(parentWindow, place, extraStyle | LVS_OWNERDATA, ICC_LISTVIEW_CLASSES)) return false;
    send(LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK);
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
    // The cells of a row are laid out by the columns there were at its
    // first row; columns added later show empty cells.
    if (checked_.empty()) cellsPerRow_ = columnCount_ > 0 ? columnCount_ : 1;
    cellStarts_.insert(cellStarts_.end(), static_cast<std::size_t>(cellsPerRow_), 0);
    checked_.push_back(0);
    nextColumn_ = 0;
    if (setNextCell(text) == CellResult::TEXT_FULL) {
        cellStarts_.resize(cellStarts_.size() - static_cast<std::size_t>(cellsPerRow_));
        checked_.pop_back();
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

int OwnerDataList::addRows(int count, const std::function<void(int, RowWriter&)>& fill, std::size_t textBytes) {
    if (count <= 0) return rowCount();
    if (checked_.empty()) cellsPerRow_ = columnCount_ > 0 ? columnCount_ : 1;
    const std::size_t firstRow = checked_.size();
    const std::size_t perRow = static_cast<std::size_t>(cellsPerRow_);
    const std::size_t firstCell = cellStarts_.size();
    const std::size_t textSize = texts_.size();
    cellStarts_.resize(firstCell + static_cast<std::size_t>(count) * perRow, 0);
    checked_.resize(firstRow + static_cast<std::size_t>(count), 0);
    texts_.reserve(textSize + textBytes);
    RowWriter writer(texts_);
    writer.columns_ = cellsPerRow_;
    for (int i = 0; i < count && writer.ok_; ++i) {
        writer.cells_ = cellStarts_.data() + firstCell + static_cast<std::size_t>(i) * perRow;
        writer.column_ = 0;
        fill(i, writer);
    }
    if (!writer.ok_) {
        cellStarts_.resize(firstCell);
        checked_.resize(firstRow);
        texts_.truncate(textSize);
        return -1;
    }
    nextColumn_ = writer.column_;
    return static_cast<int>(firstRow);
}

int OwnerDataList::replaceRows(int count, const std::function<void(int, RowWriter&)>& fill, std::size_t textBytes) {
    texts_.truncate(1);
    cellStarts_.clear();
    checked_.clear();
    nextColumn_ = 0;
    return addRows(count, fill, textBytes);
}

void OwnerDataList::showRows() {
    send(LVM_SETITEMCOUNT, static_cast<WPARAM>(rowCount()), LVSICF_NOSCROLL);
    InvalidateRect(window, nullptr, FALSE);
}

bool OwnerDataList::deleteAllRows() {
    texts_.clear();
    cellStarts_.clear();
    cellStarts_.shrink_to_fit();
    checked_.clear();
    checked_.shrink_to_fit();
    nextColumn_ = 0;
    return send(LVM_DELETEALLITEMS) != FALSE;
}

const char* OwnerDataList::cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= cellsPerRow_) return texts_.empty();
    return texts_.at(
        cellStarts_[static_cast<std::size_t>(row) * static_cast<std::size_t>(cellsPerRow_) + static_cast<std::size_t>(column)]);
}

bool OwnerDataList::isChecked(int row) const {
    return row >= 0 && row < rowCount() && checked_[static_cast<std::size_t>(row)] != 0;
}

void OwnerDataList::setChecked(int row, bool checked) {
    if (row == -1) {
        setCheckedRange(0, rowCount(), checked);
    } else if (row >= 0 && row < rowCount()) {
        checked_[static_cast<std::size_t>(row)] = checked ? 1 : 0;
        send(LVM_REDRAWITEMS, static_cast<WPARAM>(row), static_cast<LPARAM>(row));
    }
}

void OwnerDataList::setCheckedRange(int first, int count, bool checked) {
    if (first < 0) first = 0;
    const int end = count > rowCount() - first ? rowCount() : first + count;
    if (first >= end) return;
    std::memset(checked_.data() + first, checked ? 1 : 0, static_cast<std::size_t>(end - first));
    send(LVM_REDRAWITEMS, static_cast<WPARAM>(first), static_cast<LPARAM>(end - 1));
}

void OwnerDataList::setCheckMarks(const std::vector<bool>& marks) {
    const std::size_t rows = marks.size() < checked_.size() ? marks.size() : checked_.size();
    for (std::size_t i = 0; i < rows; ++i) checked_[i] = marks[i] ? 1 : 0;
    InvalidateRect(window, nullptr, FALSE);
}

int OwnerDataList::selectedRow() const {
    return static_cast<int>(send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void OwnerDataList::fillItem(LVITEMA& item, bool wide) const {
    if (item.iItem < 0 || item.iItem >= rowCount()) return;
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        const char* text = cell(item.iItem, item.iSubItem);
        if (wide) {
            // A Unicode parent was asked: the list wants UTF-16 in the same record.
            LPWSTR target = reinterpret_cast<LPWSTR>(item.pszText);
            if (MultiByteToWideChar(CP_ACP, 0, text, -1, target, item.cchTextMax) == 0) target[item.cchTextMax - 1] = L'\0';
        } else {
            lstrcpynA(item.pszText, text, item.cchTextMax);
        }
    }
    if ((item.mask & LVIF_STATE) != 0) {
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) | (isChecked(item.iItem) ? CHECKED_IMAGE : UNCHECKED_IMAGE);
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
        const int row = static_cast<int>(send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
        if (row >= 0) setChecked(row, !isChecked(row));
        return true;
    }
    default:
        return false;
    }
}

}  // namespace dialogs
