// The wrappers whose operations take more than one message.
#include <cstring>

#include "ButtonImage.h"
#include "DpiScale.h"
#include "ListViewControl.h"
#include "TabControl.h"

namespace dialogs {

// ---- buttons

namespace buttonimage {

HBITMAP setBitmap(HWND button, HINSTANCE instance, WORD bitmapId) {
    HBITMAP image = loadOwnBitmap(instance, bitmapId);
    SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
    return image;
}

void setIcon(HWND button, HINSTANCE instance, WORD iconId) {
    // A shared icon belongs to the system: nothing is kept for release.
    HANDLE image = LoadImageA(instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE);
    SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(image));
}

}  // namespace buttonimage

// ---- tab control

TabControl::TabControl()
    : ControlWindow(WC_TABCONTROLA, TAB_CONTROL_STYLE, 0),
      tabItem{},
      tabText{},
      imageList(nullptr),
      imageCount(0),
      defaultImage(-1),
      forwardTarget(nullptr) {}

TabControl::~TabControl() {
    if (imageList != nullptr) ImageList_Destroy(imageList);
}

bool TabControl::create(HWND parentWindow, const ControlLayout& place) {
    return createWindow(parentWindow, place, 0, ICC_TAB_CLASSES);
}

bool TabControl::create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle) {
    return createWindow(parentWindow, place, extraStyle, ICC_TAB_CLASSES);
}

int TabControl::addTab(const char* text, int index) {
    std::memset(&tabItem, 0, sizeof tabItem);
    tabItem.mask = TCIF_TEXT;
    tabItem.iImage = defaultImage;
    tabItem.pszText = const_cast<char*>(text);
    tabItem.cchTextMax = static_cast<int>(std::strlen(text));
    return static_cast<int>(send(TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&tabItem)));
}

int TabControl::addTabWithImage(const char* text, int index, int imageIndex) {
    std::memset(&tabItem, 0, sizeof tabItem);
    tabItem.mask = TCIF_TEXT | TCIF_IMAGE;
    tabItem.iImage = imageIndex;
    tabItem.pszText = const_cast<char*>(text);
    tabItem.cchTextMax = static_cast<int>(std::strlen(text));
    return static_cast<int>(send(TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&tabItem)));
}

int TabControl::getTab(int index) {
    // The record may still point at the caller's text from addTab, which
    // must not be written to: the tab's text goes into our own buffer.
    std::memset(tabText, 0, sizeof tabText);
    tabItem.mask = TCIF_TEXT | TCIF_IMAGE;
    tabItem.pszText = tabText;
    tabItem.cchTextMax = sizeof tabText;
    return static_cast<int>(send(TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&tabItem)));
}

bool TabControl::loadImages(WORD bitmapId, int count, int size) {
    // The image list copies the pictures: the loaded bitmap goes at the end.
    const OwnedBitmap bitmap(loadOwnBitmap(instance, bitmapId));
    if (!bitmap) return false;
    if (imageList != nullptr) ImageList_Destroy(imageList);
    imageList = ImageList_Create(size, size, ILC_COLOR16, count, count);
    ImageList_Add(imageList, bitmap.get(), nullptr);
    send(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(imageList));
    imageCount = count;
    return true;
}

bool TabControl::forwardNotifications(HWND target) {
    if (window == nullptr) return false;
    forwardTarget = target;
    return SetWindowSubclass(window, forwardingProcedure, 1, reinterpret_cast<DWORD_PTR>(target)) != FALSE;
}

LRESULT CALLBACK TabControl::forwardingProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR subclassId, DWORD_PTR target) {
    if (msg == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        // The tab control's own notifications go to its parent the usual way.
        if (header != nullptr && header->hwndFrom != window) {
            HWND dialog = reinterpret_cast<HWND>(target);

            // The dialog's answer (its DWLP_MSGRESULT) goes back to the sender.
            return SendMessageA(dialog, WM_NOTIFY, wParam, lParam);
        }
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(window, forwardingProcedure, subclassId);
    }
    return DefSubclassProc(window, msg, wParam, lParam);
}

// ---- list view

ListViewControl::ListViewControl()
    : ControlWindow(WC_LISTVIEWA, LIST_VIEW_STYLE, WS_EX_CLIENTEDGE),
      column{},
      itemRecord{},
      text{},
      columnCount(0),
      rowCount(0),
      nextColumn(0),
      itemCount(0),
      lastState(0) {}

bool ListViewControl::create(HWND parentWindow, const ControlLayout& place) {
    return createWindow(parentWindow, place, 0, ICC_LISTVIEW_CLASSES);
}

bool ListViewControl::create(HWND parentWindow, const ControlLayout& place, DWORD extraStyle) {
    return createWindow(parentWindow, place, extraStyle, ICC_LISTVIEW_CLASSES);
}

int ListViewControl::addColumn(const char* title, int width) { return addColumnWithFormat(title, width, LVCFMT_LEFT); }

int insertListColumn(HWND list, LVCOLUMNA& column, int index, const char* title, int width, int format) {
    std::memset(&column, 0, sizeof column);
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = scaleToWindow(list, width);
    column.pszText = const_cast<char*>(title);
    column.cchTextMax = static_cast<int>(std::strlen(title));
    column.iSubItem = index;
    return static_cast<int>(SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

int ListViewControl::addColumnWithFormat(const char* title, int width, int format) {
    int result = insertListColumn(window, column, columnCount, title, width, format);
    ++columnCount;
    return result;
}

int ListViewControl::deleteColumn(int index) {
    int result = static_cast<int>(send(LVM_DELETECOLUMN, static_cast<WPARAM>(index)));
    if (columnCount > 0) --columnCount;
    return result;
}

int ListViewControl::addRow(const char* rowText) {
    std::memset(&itemRecord, 0, sizeof itemRecord);
    itemRecord.mask = LVIF_TEXT | LVIF_STATE;
    itemRecord.iItem = rowCount;
    itemRecord.iSubItem = 0;
    itemRecord.pszText = const_cast<char*>(rowText);
    itemRecord.cchTextMax = static_cast<int>(std::strlen(rowText));
    nextColumn = columnCount > 0 ? 1 : 0;
    int result = static_cast<int>(send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&itemRecord)));
    ++rowCount;
    return result;
}

int ListViewControl::setNextCell(const char* cellText) {
    itemRecord.mask = LVIF_TEXT;
    itemRecord.iSubItem = nextColumn;
    itemRecord.pszText = const_cast<char*>(cellText);
    itemRecord.cchTextMax = static_cast<int>(std::strlen(cellText));
    int result = static_cast<int>(send(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&itemRecord)));
    if (nextColumn < columnCount) ++nextColumn;
    return result;
}

bool ListViewControl::setCell(const char* cellText, int row, int columnIndex) {
    if (row < 0 || columnIndex < 0 || row > rowCount || columnIndex > columnCount) return false;
    LVITEMA cell{};
    cell.mask = LVIF_TEXT;
    cell.iItem = row;
    cell.iSubItem = columnIndex;
    cell.pszText = const_cast<char*>(cellText);
    return send(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&cell)) != FALSE;
}

const char* ListViewControl::getCell(int row, int columnIndex, int maximumLength) {
    if (row < 0 || columnIndex < 0 || row > rowCount || columnIndex > columnCount) return nullptr;
    if (maximumLength > static_cast<int>(sizeof text) || maximumLength <= 0) maximumLength = sizeof text;
    std::memset(text, 0, sizeof text);
    LVITEMA cell{};
    cell.mask = LVIF_TEXT;
    cell.iItem = row;
    cell.iSubItem = columnIndex;
    cell.pszText = text;
    cell.cchTextMax = maximumLength;
    send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&cell));
    // The control may hand back its own buffer instead of filling ours.
    if (cell.pszText != text && cell.pszText != nullptr) {
        std::strncpy(text, cell.pszText, static_cast<std::size_t>(maximumLength) - 1);
    }
    text[sizeof text - 1] = '\0';
    return text;
}

int ListViewControl::deleteRow(int row) {
    // Only rows that exist: deleting past the end would leave rowCount wrong.
    if (row < 0 || row >= rowCount) return 0;
    send(LVM_DELETEITEM, static_cast<WPARAM>(row));
    send(LVM_REDRAWITEMS, static_cast<WPARAM>(row), static_cast<LPARAM>(rowCount));
    send(LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), TRUE);
    UpdateWindow(window);
    int old = rowCount;
    --rowCount;
    return old;
}

bool ListViewControl::redrawRows(int first, int last) {
    if (first < 0 || last < 0 || first > rowCount || last > rowCount) return false;
    send(LVM_REDRAWITEMS, static_cast<WPARAM>(first), static_cast<LPARAM>(last));
    send(LVM_UPDATE, static_cast<WPARAM>(first));
    UpdateWindow(window);
    return true;
}

bool ListViewControl::deleteAllRows() {
    rowCount = 0;
    nextColumn = 0;
    return send(LVM_DELETEALLITEMS) != FALSE;
}

int ListViewControl::countItems() {
    itemCount = static_cast<int>(send(LVM_GETITEMCOUNT));
    return itemCount;
}

int ListViewControl::firstSelected() {
    return static_cast<int>(send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool ListViewControl::isChecked(int row) {
    lastState = static_cast<UINT>(send(LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    return lastState == INDEXTOSTATEIMAGEMASK(2);
}

void ListViewControl::setChecked(int row, bool checked) {
    LVITEMA state{};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    send(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

void changeListExtendedStyles(HWND list, DWORD set, DWORD clear) {
    DWORD styles = static_cast<DWORD>(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>((styles | set) & ~clear));
}

void ListViewControl::setExtendedStyles() { changeListExtendedStyles(window, LIST_EXTENDED_STYLES, ~LIST_EXTENDED_STYLES); }

void ListViewControl::addExtendedStyle(DWORD bits) { changeListExtendedStyles(window, bits, 0); }

void ListViewControl::removeExtendedStyle(DWORD bits) { changeListExtendedStyles(window, 0, bits); }

}  // namespace dialogs
