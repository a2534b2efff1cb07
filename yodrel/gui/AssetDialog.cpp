#include "AssetDialog.h"

#include <shellapi.h>

#include "YodrelIds.h"

namespace {
const char FILTER[] = "Bfme Asset(.dat)\0*.dat\0All Files (*.*)\0*.*\0";
}

AssetDialog::AssetDialog() : DialogApplication(IDC_YODREL_PROGRESS), dialogWindow(nullptr) { placement.margin = 30; }

AssetDialog::~AssetDialog() { releaseStaticBitmap(); }

void AssetDialog::initialiseDialog(HWND window) {
    dialog = window;
    dialogWindow = window;
    placement.placeCentred(window);
    setWindowIcons(window, IDI_YODREL);
    setStaticBitmap(window, IDC_YODREL_BANNER, IDB_YODREL_BANNER);
    chooser.setTitle("File Dialog - W3D Yodrel");
    chooser.setFilter(FILTER);
    DragAcceptFiles(window, TRUE);
}

INT_PTR AssetDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
    case WM_INITDIALOG:
        initialiseDialog(window);
        return TRUE;
    case WM_DROPFILES:
        DragFinish(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}
