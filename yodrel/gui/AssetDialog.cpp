#include "AssetDialog.h"

#include <cstdio>
#include <cstring>

#include "YodrelIds.h"
#include "platform/Platform.h"

namespace {
const char FILTER[] = "Bfme Asset(.dat)\0*.dat\0All Files (*.*)\0*.*\0";
const int PATH_EDITS[AssetWorkspace::SLOTS] = {IDC_YODREL_PATH0, IDC_YODREL_PATH1};
}  // namespace

AssetDialog::AssetDialog(const std::string& workFolder)
    : DialogApplication(IDC_YODREL_PROGRESS), workspace(workFolder), dialogWindow(nullptr), dropTarget(IDC_YODREL_PATH0) {
    placement.margin = 30;
    std::memset(importPath, 0, sizeof importPath);
    std::memset(exportPath, 0, sizeof exportPath);
}

AssetDialog::~AssetDialog() = default;

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

void AssetDialog::setProgress(int position) {
    SendDlgItemMessageA(dialogWindow, IDC_YODREL_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void AssetDialog::showBox(const char* format, UINT icon) {
    std::snprintf(messageText, sizeof messageText, format, exportPath);
    MessageBoxA(dialogWindow, messageText, yodreltext::PROGRAM_TITLE, MB_OK | icon);
}

void AssetDialog::refuseImport() {
    MessageBoxA(dialogWindow, yodreltext::MISSING_FILE, yodreltext::FILE_ERROR_TITLE, MB_OK | MB_ICONWARNING);
    SetFocus(GetDlgItem(dialogWindow, IDC_YODREL_PATH0));
}

void AssetDialog::browse(int slot) {
    if (chooser.openFileDialog(dialogWindow, importPath[slot])) workspace.setImportPath(slot, importPath[slot]);
    // Chosen or cancelled, the edit shows the slot's path.
    SetDlgItemTextA(dialogWindow, PATH_EDITS[slot], importPath[slot]);
    dropTarget = slot == 0 ? IDC_YODREL_PATH1 : IDC_YODREL_PATH0;
}

void AssetDialog::drop(HDROP dropHandle) {
    char name[PATH_SIZE] = {0};
    DragQueryFileA(dropHandle, 0, name, sizeof name);
    DragFinish(dropHandle);
    if (name[0] == '\0') return;
    // Only the edit changes; the paths are taken at the next import.
    SetDlgItemTextA(dialogWindow, dropTarget, name);
    dropTarget = dropTarget == IDC_YODREL_PATH0 ? IDC_YODREL_PATH1 : IDC_YODREL_PATH0;
}

void AssetDialog::importFiles() {
    setProgress(0);
    for (int slot = 0; slot < AssetWorkspace::SLOTS; ++slot) {
        std::memset(importPath[slot], 0, PATH_SIZE);
        GetDlgItemTextA(dialogWindow, PATH_EDITS[slot], importPath[slot], PATH_SIZE);
        workspace.setImportPath(slot, importPath[slot]);
        bool empty = importPath[slot][0] == '\0';
        // The first file is required, the second only when given.
        int imported = 0;
        if (!empty) runInBackground([&] { imported = workspace.importAssetFile(slot, &workProgress()); });
        // A close stopped the import: the window goes, no box is shown.
        if (!empty && workProgress().stopped()) return;
        if ((slot == 0 && empty) || (!empty && imported == 0)) {
            refuseImport();
            return;
        }
    }
    for (int slot = 0; slot < AssetWorkspace::SLOTS; ++slot) {
        runInBackground([&] { workspace.publishDump(slot); });
        if (workProgress().stopped()) return;
        sweepProgress();
    }
}

void AssetDialog::clear() {
    workspace.clear();
    setProgress(0);
    SetDlgItemTextA(dialogWindow, IDC_YODREL_PATH0, "");
    SetDlgItemTextA(dialogWindow, IDC_YODREL_PATH1, "");
    SetDlgItemTextA(dialogWindow, IDC_YODREL_EXPORT_PATH, "");
    SetFocus(GetDlgItem(dialogWindow, IDC_YODREL_PATH0));
    dropTarget = IDC_YODREL_PATH0;
}

void AssetDialog::view(int slot) {
    const std::string& dump = workspace.dumpName(slot);
    if (dump.empty() || !workspace.imported(slot)) return;
    platform::shellOpen(dialogWindow, yodreltext::NOTEPAD, dump.c_str());
    setProgress(0);
}

void AssetDialog::chooseExportPath() {
    if (importPath[0][0] == '\0' || importPath[1][0] == '\0') return;
    chooser.setFilter(FILTER);
    // A cancelled chooser keeps the export path shown in the edit.
    char chosen[PATH_SIZE] = {0};
    if (!chooser.saveFileDialog(dialogWindow, chosen) || chosen[0] == '\0') return;
    std::memcpy(exportPath, chosen, sizeof exportPath);
    workspace.setExportPath(exportPath);
    SetDlgItemTextA(dialogWindow, IDC_YODREL_EXPORT_PATH, exportPath);
}

void AssetDialog::exportFiles() {
    // The edit is never read: only the chooser sets the export path.
    if (exportPath[0] == '\0') return;
    if (!workspace.imported(0) || !workspace.imported(1)) {
        MessageBoxA(dialogWindow, yodreltext::EXPORT_REFUSED, yodreltext::PROGRAM_TITLE, MB_OK | MB_ICONWARNING);
        return;
    }
    int merged = 0;
    runInBackground([&] { merged = workspace.exportMerge(&workProgress()); });
    // A close stopped the merge: nothing was written and the window goes.
    if (workProgress().stopped()) return;
    if (merged == 1) {
        showBox(yodreltext::SAVED_FORMAT, MB_ICONINFORMATION);
    } else {
        showBox(yodreltext::WRONG_SIZE_FORMAT, MB_ICONWARNING);
    }
}

INT_PTR AssetDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (answeredByFrame(window, message, wParam, lParam)) return TRUE;
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_YODREL_BROWSE0: browse(0); return TRUE;
        case IDC_YODREL_BROWSE1: browse(1); return TRUE;
        case IDC_YODREL_IMPORT: importFiles(); return TRUE;
        case IDC_YODREL_CLEAR: clear(); return TRUE;
        case IDC_YODREL_VIEW0: view(0); return TRUE;
        case IDC_YODREL_VIEW1: view(1); return TRUE;
        case IDC_YODREL_EXPORT_BROWSE: chooseExportPath(); return TRUE;
        case IDC_YODREL_EXPORT: exportFiles(); return TRUE;
        default: return FALSE;
        }
    case WM_DROPFILES:
        drop(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return TRUE;
    default:
        return FALSE;
    }
}
