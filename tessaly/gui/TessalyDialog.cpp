#include "TessalyDialog.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "CsfListing.h"
#include "TessalyIds.h"
#include "platform/Platform.h"

namespace {

using dialogs::ControlLayout;

const ControlLayout TAB_LAYOUT = {IDC_TESSALY_TAB, 11, 11, 683, 444};
const ControlLayout PATH_LAYOUT = {IDC_TESSALY_PATH, 16, 32, 572, 20};
const ControlLayout LIST_LAYOUT = {IDC_TESSALY_LIST, 16, 62, 572, 225};
const ControlLayout MESSAGES_LAYOUT = {IDC_TESSALY_MESSAGES, 16, 298, 572, 57};
const ControlLayout BUTTON_LAYOUTS[8] = {
    {IDC_TESSALY_BROWSE, 610, 42, 70, 24},  {IDC_TESSALY_IMPORT, 610, 74, 70, 24},  {IDC_TESSALY_EXPORT, 610, 107, 70, 24},
    {IDC_TESSALY_APPEND, 610, 140, 70, 24},  {IDC_TESSALY_OUTPUT, 610, 173, 70, 24},  {IDC_TESSALY_MARKER, 610, 274, 70, 24},
    {IDC_TESSALY_CLEARUP, 610, 310, 70, 24}, {IDC_TESSALY_EXIT, 610, 343, 70, 24},
};
const char* const BUTTON_CAPTIONS[8] = {"Browse", "Import", "Export", "Append", "Output", "Marker", "Clearup", "Exit"};
constexpr int MARKER_BUTTON = 5;

// Filter pairs: description and pattern, each ended by a zero, the list by one more.
const char FILTER[] = "CSF Files(*.csf)\0*.csf\0Text Files(*.txt)\0*.txt\0All Files (*.*)\0*.*\0";

}  // namespace

TessalyDialog::TessalyDialog()
    : DialogApplication(IDC_TESSALY_PROGRESS), dialogWindow(nullptr), tabWindow(nullptr), markerState(0), labelCount(0),
      exportCount(0) {
    placement.margin = 30;
    std::memset(path, 0, sizeof path);
    std::memset(savePath, 0, sizeof savePath);
    std::memset(chooserPath, 0, sizeof chooserPath);
    std::memset(lineBuffer, 0, sizeof lineBuffer);
}

TessalyDialog::~TessalyDialog() = default;

void TessalyDialog::initialiseDialog(HWND window) {
    dialog = window;
    dialogWindow = window;
    placement.placeCentred(window);
    setWindowIcons(window, IDI_TESSALY);
    setStaticBitmap(window, IDC_TESSALY_BANNER, IDB_TESSALY_BANNER);
    chooser.setTitle("File Dialog - Tessaly");
    chooser.setFilter(FILTER);

    if (tab.create(window, TAB_LAYOUT, TCS_FOCUSNEVER)) {
        tab.addTab("CSF Files", 0);
        tabWindow = tab.handle();
        // The list's clicks reach the dialog through the tab control.
        tab.forwardNotifications(window);
        pathField.create(tabWindow, PATH_LAYOUT, WS_BORDER | ES_AUTOHSCROLL);
        if (list.create(tabWindow, LIST_LAYOUT, WS_DLGFRAME | LVS_SINGLESEL)) {
            list.addColumnWithFormat("**", 30, dialogs::IMAGE_COLUMN_FORMAT);
            list.addColumn("Label", 200);
            list.addColumn("Text information", 324);
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
}

// ---- helpers

void TessalyDialog::takePathField() {
    std::memset(path, 0, sizeof path);
    pathField.getText(path, PATH_SIZE);
}

void TessalyDialog::report(const char* line0, const char* line1) {
    messageList.clearAll();
    messageList.insertText(line0, 0);
    if (line1 != nullptr) messageList.insertText(line1, 1);
}

void TessalyDialog::warn(const char* text, const char* title) {
    MessageBoxA(dialogWindow, text, title, MB_OK | MB_ICONEXCLAMATION);
}

bool TessalyDialog::isImportedFile(const char* candidate) const {
    if (importedPath.empty() || candidate == nullptr || *candidate == '\0') return false;
    return platform::samePath(candidate, importedPath.c_str());
}

bool TessalyDialog::isPlainFile(const char* candidate) {
    // Exactly the archive attribute: read-only, hidden or system files and
    // folders are refused.
    return *candidate != '\0' && platform::fileAttributes(candidate) == platform::ATTR_NORMAL_FILE;
}

bool TessalyDialog::isCsfTableFile(const char* candidate) {
    std::uint32_t attributes = platform::fileAttributes(candidate);
    bool folder = attributes != platform::ATTR_INVALID && (attributes & platform::ATTR_DIRECTORY) != 0;
    return !folder && archive.isCsfFile(candidate);
}

// ---- commands

void TessalyDialog::browse() {
    std::memset(path, 0, sizeof path);
    if (!chooser.openFileDialog(dialogWindow, path)) return;
    pathField.setText(path);
    if (isCsfTableFile(path)) return;  // ready for Import or Export
    warn(tessalytext::IMPROPER_TYPE, tessalytext::ERROR_TITLE);
}

void TessalyDialog::drop(HDROP dropHandle) {
    std::memset(chooserPath, 0, sizeof chooserPath);
    DragQueryFileA(dropHandle, 0, chooserPath, PATH_SIZE);
    DragFinish(dropHandle);
    std::memcpy(path, chooserPath, sizeof path);
    pathField.setText(path);
    if (isCsfTableFile(path)) {
        tab.selectTab(0);
        return;
    }
    warn(tessalytext::IMPROPER_TYPE, tessalytext::ERROR_TITLE);
}

void TessalyDialog::importTable() {
    takePathField();
    if (path[0] != '\0') {
        resetProgress();
        bool loaded = false;
        runInBackground([&] { loaded = archive.load(path); });
        if (loaded) {
            std::string loaded = platform::fullPath(path);
            // The list never mixes two tables: rows of another table go
            // first. Importing the same table again adds its rows again.
            if (!importedPath.empty() && !platform::samePath(loaded.c_str(), importedPath.c_str())) list.deleteAllRows();
            importedPath = loaded;
        } else {
            importedPath.clear();
        }
    }
    labelCount = archive.recordCount();
    if (labelCount == 0) return;
    for (int i = 0; i < labelCount; ++i) {
        list.addRow("");
        list.setNextCell(archive.labelText(i).c_str());
        list.setNextCell(archive.quotedText(i).c_str());
    }
    list.showRows();
    sweepProgress();
    report(tessalytext::IMPORTED);
    markerState = 0;
}

void TessalyDialog::exportTable() {
    exportCount = 0;
    takePathField();
    if (isPlainFile(path)) {
        if (!archive.ready()) {
            warn(tessalytext::EXPORT_ERROR, tessalytext::ERROR_TITLE);
        } else if (!isImportedFile(path)) {
            report(tessalytext::EXPORT_NOT_IMPORTED);
            return;
        } else {
            std::memset(savePath, 0, sizeof savePath);
            if (chooser.saveFileDialog(dialogWindow, savePath)) {
                labelCount = archive.recordCount();
                for (int i = 0; i < labelCount; ++i) {
                    bool unmarked = !list.isChecked(i);
                    archive.setExportFlag(i, unmarked ? 1 : 0);
                    if (unmarked) ++exportCount;
                }
                if (exportCount > 0) {
                    resetProgress();
                    bool written = false;
                    runInBackground([&] { written = archive.exportTo(path, savePath); });
                    sweepProgress();
                    if (!written) {
                        report(archive.problem() == CsfArchive::Problem::SAME_FILE ? tessalytext::EXPORT_REFUSED
                                                                               : tessalytext::EXPORT_FAILED,
                               savePath);
                        return;
                    }
                }
            }
        }
    }
    if (exportCount > 0) {
        report(tessalytext::EXPORTED, savePath);
    } else {
        report(tessalytext::NOTHING_EXPORTED, savePath);
    }
}

void TessalyDialog::append() {
    takePathField();
    if (!isPlainFile(path)) return;
    if (!isImportedFile(path)) {
        report(tessalytext::APPEND_NOT_IMPORTED);
        return;
    }
    std::memset(chooserPath, 0, sizeof chooserPath);
    if (!chooser.openFileDialog(dialogWindow, chooserPath)) return;
    resetProgress();
    bool written = false;
    runInBackground([&] { written = archive.appendFromConfig(path, chooserPath); });
    sweepProgress();
    if (!written) {
        report(archive.problem() == CsfArchive::Problem::NO_CONFIG ? tessalytext::APPEND_REFUSED
                                                              : tessalytext::APPEND_FAILED);
        return;
    }
    if (archive.appendDone())
        report(archive.problem() == CsfArchive::Problem::VALUE_CUT ? tessalytext::APPENDED_CUT : tessalytext::APPENDED,
               archive.newPath().c_str());
}

void TessalyDialog::output() {
    labelCount = archive.recordCount();
    if (labelCount < 1) return;
    char listingPath[260] = {0};
    if (!chooser.saveFileDialog(dialogWindow, listingPath)) return;
    const ListingResult result =
        platform::isWriteProtected(listingPath) ? ListingResult::CannotOpen : saveCsfListing(archive, path, listingPath);
    switch (result) {
    case ListingResult::Saved:
        report(tessalytext::SAVED, listingPath);
        break;
    case ListingResult::CannotOpen:
        std::snprintf(lineBuffer, sizeof lineBuffer, tessalytext::CANNOT_OPEN_FORMAT, listingPath);
        warn(lineBuffer, tessalytext::PROGRAM_TITLE);
        break;
    case ListingResult::WriteFailed:
        report(tessalytext::OUTPUT_FAILED, listingPath);
        break;
    case ListingResult::SameFile:
        report(tessalytext::OUTPUT_REFUSED, listingPath);
        break;
    }
}

void TessalyDialog::marker() {
    labelCount = archive.recordCount();
    if (labelCount == 0) return;
    markerState = static_cast<std::uint8_t>(1 - markerState);
    list.setCheckedRange(0, labelCount, markerState == 1);
    buttons[MARKER_BUTTON].setText(markerState == 1 ? tessalytext::CHECKED : tessalytext::MARKER);
}

void TessalyDialog::clearup() {
    if (list.deleteAllRows()) {
        pathField.setText("");
        messageList.clearAll();
        resetProgress();
        markerState = 0;
        buttons[MARKER_BUTTON].setText(tessalytext::MARKER);
    }
    std::memset(path, 0, sizeof path);
    archive.clear();
    importedPath.clear();
}

void TessalyDialog::exit() { DestroyWindow(dialogWindow); }

void TessalyDialog::rowClicked(const NMITEMACTIVATE& activate) {
    int row = activate.iItem;
    if (row < 0) return;
    // The list keeps no check marks of its own: a click on the check box
    // is toggled here like a click anywhere else on the row.
    list.setChecked(row, !list.isChecked(row));
    markerState = list.isChecked(row) ? 1 : 0;
}

INT_PTR TessalyDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (refusedWhileBusy(message, wParam, lParam)) return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        initialiseDialog(window);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_TESSALY_BROWSE: browse(); break;
        case IDC_TESSALY_IMPORT: importTable(); break;
        case IDC_TESSALY_EXPORT: exportTable(); break;
        case IDC_TESSALY_APPEND: append(); break;
        case IDC_TESSALY_OUTPUT: output(); break;
        case IDC_TESSALY_MARKER: marker(); break;
        case IDC_TESSALY_CLEARUP: clearup(); break;
        case IDC_TESSALY_EXIT: exit(); break;
        default: break;
        }
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header == nullptr || header->hwndFrom != list.handle() || header->idFrom != IDC_TESSALY_LIST) return FALSE;
        if (list.answerNotification(window, header)) return TRUE;
        if (header->code == static_cast<UINT>(NM_CLICK) || header->code == static_cast<UINT>(NM_DBLCLK)) {
            rowClicked(*reinterpret_cast<const NMITEMACTIVATE*>(lParam));
            return TRUE;
        }
        return FALSE;
    }
    case WM_DROPFILES:
        drop(reinterpret_cast<HDROP>(wParam));
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
