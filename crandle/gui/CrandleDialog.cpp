#include "CrandleDialog.h"

#include <shellapi.h>

#include "CrandleIds.h"

namespace {

using dialogs::ControlLayout;

const ControlLayout TAB_LAYOUT = {IDC_CRANDLE_TAB, 11, 11, 683, 444};
const ControlLayout PATH_LAYOUT = {IDC_CRANDLE_PATH, 16, 32, 572, 20};
const ControlLayout LIST_LAYOUT = {IDC_CRANDLE_LIST, 16, 62, 572, 225};
const ControlLayout MESSAGES_LAYOUT = {IDC_CRANDLE_MESSAGES, 16, 298, 572, 57};
const ControlLayout BUTTON_LAYOUTS[8] = {
    {IDC_CRANDLE_BROWSE, 610, 42, 70, 24},  {IDC_CRANDLE_IMPORT, 610, 74, 70, 24},  {IDC_CRANDLE_EXPORT, 610, 107, 70, 24},
    {IDC_CRANDLE_CREATE, 610, 140, 70, 24},  {IDC_CRANDLE_OUTPUT, 610, 173, 70, 24},  {IDC_CRANDLE_MARKER, 610, 274, 70, 24},
    {IDC_CRANDLE_CLEARUP, 610, 310, 70, 24}, {IDC_CRANDLE_EXIT, 610, 343, 70, 24},
};
const char* const BUTTON_CAPTIONS[8] = {"Browse", "Import", "Export", "Create", "Output", "Marker", "Clearup", "Exit"};

// Filter pairs: description and pattern, each ended by a zero, the list by one more.
const char FILTER[] = "BIG Files(*.big)\0*.big\0All Files (*.*)\0*.*\0";

}  // namespace

CrandleDialog::CrandleDialog() : DialogApplication(IDC_CRANDLE_PROGRESS), dialogWindow(nullptr), tabWindow(nullptr) { placement.margin = 30; }

CrandleDialog::~CrandleDialog() = default;

void CrandleDialog::initialiseDialog(HWND window) {
    dialog = window;
    dialogWindow = window;
    placement.placeCentred(window);
    setWindowIcons(window, IDI_CRANDLE);
    setStaticBitmap(window, IDC_CRANDLE_BANNER, IDB_CRANDLE_BANNER);
    chooser.setTitle("File Dialog - Crandle");
    chooser.setFilter(FILTER);

    if (tab.create(window, TAB_LAYOUT, TCS_FOCUSNEVER)) {
        tab.addTab("BIG Files", 0);
        tabWindow = tab.handle();
        // The list's clicks reach the dialog through the tab control.
        tab.forwardNotifications(window);
        pathField.create(tabWindow, PATH_LAYOUT, WS_BORDER | ES_AUTOHSCROLL);
        if (list.create(tabWindow, LIST_LAYOUT, WS_DLGFRAME | LVS_SINGLESEL)) {
    list.addColumnWithFormat("**", 30, 0x0800);
    list.addColumn("Filename", 436);
    list.addColumnWithFormat("Size", 80, LVCFMT_RIGHT);
            list.setExtendedStyles();
            list.addExtendedStyle(LVS_EX_CHECKBOXES);
            list.show();
        }
        messageList.create(tabWindow, MESSAGES_LAYOUT, WS_DLGFRAME | LBS_DISABLENOSCROLL);
        messageList.removeStyle(WS_VSCROLL);
    }
    for (int i = 0; i < 8; ++i) {
        buttons[i].create(window, BUTTON_LAYOUTS[i]);
        buttons[i].setText(BUTTON_CAPTIONS[i]);
    }
    DragAcceptFiles(window, TRUE);
    chooser.allocateTaskMemory();
}

void CrandleDialog::exit() {
    chooser.releaseTaskMemory();
    DestroyWindow(dialogWindow);
}

INT_PTR CrandleDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
    case WM_INITDIALOG:
        initialiseDialog(window);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_CRANDLE_EXIT) exit();
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
