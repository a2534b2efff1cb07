#include "AssetDialog.h"

#include <cstdio>

#include "YodrelIds.h"
#include "platform/Platform.h"

namespace {
const char FILTER[] = "Bfme Asset(.dat)\0*.dat\0All Files (*.*)\0*.*\0";
const int PATH_EDITS[AssetWorkspace::SLOTS] = {IDC_YODREL_PATH0, IDC_YODREL_PATH1};
}  // namespace

AssetDialog::AssetDialog(const std::string& workFolder)
    : DialogApplication(IDC_YODREL_PROGRESS), workspace_(workFolder), dropTarget_(IDC_YODREL_PATH0) {
    placement.margin = 30;
}

AssetDialog::~AssetDialog() = default;

void AssetDialog::initialiseDialog(HWND window) {
    dialog = window;
    placement.placeCentred(window);
    setWindowIcons(window, IDI_YODREL);
    setStaticBitmap(window, IDC_YODREL_BANNER, IDB_YODREL_BANNER);
    chooser_.setTitle("File Dialog - W3D Yodrel");
    chooser_.setFilter(FILTER);
    DragAcceptFiles(window, TRUE);
}

void AssetDialog::setProgress(int position) {
    SendDlgItemMessageA(dialog, IDC_YODREL_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void AssetDialog::showBox(const char* format, UINT icon) {
    char text[MESSAGE_TEXT_SIZE];
    std::snprintf(text, sizeof text, format, exportPath_.c_str());
    MessageBoxA(dialog, text, yodreltext::PROGRAM_TITLE, MB_OK | icon);
}

void AssetDialog::refuseImport() {
    setProgress(0);  // nothing was imported: the bar does not stay full
    MessageBoxA(dialog, yodreltext::MISSING_FILE, yodreltext::FILE_ERROR_TITLE, MB_OK | MB_ICONWARNING);
    SetFocus(GetDlgItem(dialog, IDC_YODREL_PATH0));
}

void AssetDialog::browse(int slot) {
    std::string& path = importPath_[slot];
    if (chooser_.openFileDialog(dialog, path, PATH_SIZE)) workspace_.setImportPath(slot, path);
    // Chosen or cancelled, the edit shows the slot's path.
    SetDlgItemTextA(dialog, PATH_EDITS[slot], path.c_str());
    dropTarget_ = slot == 0 ? IDC_YODREL_PATH1 : IDC_YODREL_PATH0;
}

void AssetDialog::drop(HDROP dropHandle) {
    char name[PATH_SIZE] = {0};
    DragQueryFileA(dropHandle, 0, name, sizeof name);
    DragFinish(dropHandle);
    if (name[0] == '\0') return;
    // Only the edit changes; the paths are taken at the next import.
    SetDlgItemTextA(dialog, dropTarget_, name);
    dropTarget_ = dropTarget_ == IDC_YODREL_PATH0 ? IDC_YODREL_PATH1 : IDC_YODREL_PATH0;
}

void AssetDialog::importFiles() {
    setProgress(0);
    for (int slot = 0; slot < AssetWorkspace::SLOTS; ++slot) {
        char text[PATH_SIZE] = {0};
        GetDlgItemTextA(dialog, PATH_EDITS[slot], text, PATH_SIZE);
        importPath_[slot] = text;
        workspace_.setImportPath(slot, importPath_[slot]);
        const bool empty = importPath_[slot].empty();
        // The first file is required, the second only when given.
        bool imported = false;
        if (!empty) runInBackground([&] { imported = workspace_.importAssetFile(slot, &workProgress()); });
        // A close stopped the import: the window goes, no box is shown.
        if (!empty && workProgress().stopped()) return;
        if ((slot == 0 && empty) || (!empty && !imported)) {
            refuseImport();
            return;
        }
    }
    for (int slot = 0; slot < AssetWorkspace::SLOTS; ++slot) {
        runInBackground([&] { workspace_.publishDump(slot); });
        if (workProgress().stopped()) return;
        sweepProgress();
    }
}

void AssetDialog::clear() {
    workspace_.clear();
    setProgress(0);
    SetDlgItemTextA(dialog, IDC_YODREL_PATH0, "");
    SetDlgItemTextA(dialog, IDC_YODREL_PATH1, "");
    SetDlgItemTextA(dialog, IDC_YODREL_EXPORT_PATH, "");
    SetFocus(GetDlgItem(dialog, IDC_YODREL_PATH0));
    dropTarget_ = IDC_YODREL_PATH0;
}

void AssetDialog::view(int slot) {
    const std::string& dump = workspace_.dumpName(slot);
    if (dump.empty() || !workspace_.imported(slot)) return;
    platform::shellOpen(dialog, yodreltext::NOTEPAD, dump.c_str());
    setProgress(0);
}

void AssetDialog::chooseExportPath() {
    if (importPath_[0].empty() || importPath_[1].empty()) return;
    chooser_.setFilter(FILTER);
    // A cancelled chooser_ keeps the export path shown in the edit.
    std::string chosen;
    if (!chooser_.saveFileDialog(dialog, chosen, PATH_SIZE) || chosen.empty()) return;
    exportPath_ = chosen;
    workspace_.setExportPath(exportPath_);
    SetDlgItemTextA(dialog, IDC_YODREL_EXPORT_PATH, exportPath_.c_str());
}

void AssetDialog::exportFiles() {
    // The edit is never read: only the chooser_ sets the export path.
    if (exportPath_.empty()) return;
    if (!workspace_.imported(0) || !workspace_.imported(1)) {
        MessageBoxA(dialog, yodreltext::EXPORT_REFUSED, yodreltext::PROGRAM_TITLE, MB_OK | MB_ICONWARNING);
        return;
    }
    bool merged = false;
    runInBackground([&] { merged = workspace_.exportMerge(&workProgress()); });
    // A close stopped the merge: nothing was written and the window goes.
    if (workProgress().stopped()) return;
    if (merged) {
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
