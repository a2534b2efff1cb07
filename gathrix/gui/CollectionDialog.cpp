#include "CollectionDialog.h"

#include <shellapi.h>

#include "GathrixIds.h"

namespace {

using dialogs::ControlLayout;

const ControlLayout TAB_LAYOUT = {IDC_GATHRIX_TAB, 11, 11, 616, 313};
const ControlLayout FOLDER_LAYOUT = {IDC_GATHRIX_FOLDER, 21, 42, 530, 20};
const ControlLayout FILTER_LAYOUT = {IDC_GATHRIX_FILTER, 21, 70, 333, 20};
const ControlLayout FILTER_CHECK_LAYOUT = {IDC_GATHRIX_FILTER_CHECK, 364, 70, 54, 20};
const ControlLayout FOLDER_CHECK_LAYOUT = {IDC_GATHRIX_FOLDER_CHECK, 427, 70, 60, 20};
const ControlLayout SIZE_CHECK_LAYOUT = {IDC_GATHRIX_SIZE_CHECK, 497, 70, 54, 20};
const ControlLayout LIST_LAYOUT = {IDC_GATHRIX_LIST, 21, 97, 530, 190};
const ControlLayout BUTTON_LAYOUTS[4] = {
    {IDC_GATHRIX_CHOOSE, 561, 42, 50, 50},
    {IDC_GATHRIX_SCAN, 561, 107, 50, 50},
    {IDC_GATHRIX_SAVE, 561, 172, 50, 50},
    {IDC_GATHRIX_EXIT, 561, 237, 50, 50},
};
const WORD BUTTON_FACES[4] = {IDB_GATHRIX_CHOOSE, IDB_GATHRIX_SCAN, IDB_GATHRIX_SAVE, IDB_GATHRIX_EXIT};
constexpr DWORD CHECK_STYLE = WS_DLGFRAME | BS_RIGHT;

const char FILTER[] = "Text Files(*.txt)\0*.txt\0All Files (*.*)\0*.*\0";

}  // namespace

CollectionDialog::CollectionDialog() : DialogApplication(IDC_GATHRIX_PROGRESS), dialogWindow(nullptr) {
    placement.margin = 30;
}

CollectionDialog::~CollectionDialog() = default;

void CollectionDialog::initialiseDialog(HWND window) {
    dialog = window;
    dialogWindow = window;
    placement.placeCentred(window);
    setWindowIcons(window, IDI_GATHRIX);
    chooser.setTitle("File Dialog - Gathrix");
    chooser.setFilter(FILTER);

    if (tab.create(window, TAB_LAYOUT, TCS_FOCUSNEVER)) tab.addTab("File Output", 0);
    folderField.create(window, FOLDER_LAYOUT, WS_BORDER | ES_AUTOHSCROLL);
    filterField.create(window, FILTER_LAYOUT, WS_BORDER | ES_AUTOHSCROLL);
    if (filterCheck.create(window, FILTER_CHECK_LAYOUT, CHECK_STYLE)) filterCheck.setText("Filter");
    if (folderCheck.create(window, FOLDER_CHECK_LAYOUT, CHECK_STYLE)) folderCheck.setText("Folder");
    if (sizeCheck.create(window, SIZE_CHECK_LAYOUT, CHECK_STYLE)) sizeCheck.setText("Size");
    resultList.create(window, LIST_LAYOUT, WS_DLGFRAME | WS_HSCROLL | LBS_DISABLENOSCROLL | LBS_EXTENDEDSEL);
    for (int i = 0; i < 4; ++i) {
        buttons[i].create(window, BUTTON_LAYOUTS[i]);
        buttons[i].setBitmap(BUTTON_FACES[i]);
    }
    chooser.allocateTaskMemory();
    DragAcceptFiles(window, TRUE);
}

void CollectionDialog::exit() {
    for (dialogs::BitmapButton& button : buttons) button.releaseImage();
    chooser.releaseTaskMemory();
    DestroyWindow(dialogWindow);
}

INT_PTR CollectionDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
    case WM_INITDIALOG:
        initialiseDialog(window);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_GATHRIX_EXIT) exit();
        return TRUE;
    case WM_NOTIFY:
        return TRUE;
    case WM_DROPFILES:
        DragFinish(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_CLOSE:
        exit();
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}
