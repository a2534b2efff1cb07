#include "CrandleDialog.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "CrandleIds.h"
#include "FileStream.h"
#include "ReplacingFile.h"
#include "platform/Platform.h"

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
constexpr int MARKER_BUTTON = 5;

// Filter pairs: description and pattern, each ended by a zero, the list by one more.
const char FILTER[] = "BIG Files(*.big)\0*.big\0All Files (*.*)\0*.*\0";

// A Create that could not read some files names at most this many of them.
constexpr std::size_t MAX_NAMED_PROBLEMS = 20;

// The patterns below take (number, number), (number, text) or (text).
std::string format(const char* pattern, int first, int second) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, first, second);
    return buffer;
}

std::string format(const char* pattern, int number, const char* text) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, number, text);
    return buffer;
}

std::string format(const char* pattern, const char* text) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, text);
    return buffer;
}

}  // namespace

CrandleDialog::CrandleDialog()
    : DialogApplication(IDC_CRANDLE_PROGRESS), dialogWindow(nullptr), tabWindow(nullptr), markAll(0), entryCount(0),
      exportCount(0) {
    placement.margin = 30;
    std::memset(path, 0, sizeof path);
    std::memset(savePath, 0, sizeof savePath);
    std::memset(exportFolder, 0, sizeof exportFolder);
    std::memset(dropPath, 0, sizeof dropPath);
    std::memset(line, 0, sizeof line);
}

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
            list.addColumnWithFormat("**", 30, dialogs::IMAGE_COLUMN_FORMAT);
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

// ---- helpers

void CrandleDialog::takePathField() {
    std::memset(path, 0, sizeof path);
    pathField.getText(path, PATH_SIZE);
}

void CrandleDialog::report(const char* line0, const char* line1) {
    messageList.clearAll();
    messageList.insertText(line0, 0);
    if (line1 != nullptr) messageList.insertText(line1, 1);
}

void CrandleDialog::addLine(const std::string& text) { messageList.insertText(text.c_str(), messageList.count()); }

void CrandleDialog::warn(const char* text, const char* title) {
    MessageBoxA(dialogWindow, text, title, MB_OK | MB_ICONEXCLAMATION);
}

bool CrandleDialog::isImportedFile(const char* candidate) const {
    if (importedPath.empty() || candidate == nullptr || *candidate == '\0') return false;
    return platform::samePath(candidate, importedPath.c_str());
}

bool CrandleDialog::isExistingFolder(const char* candidate) {
    // Read-only, hidden or system folders are folders like any other.
    std::uint32_t attributes = platform::fileAttributes(candidate);
    return attributes != platform::ATTR_INVALID && (attributes & platform::ATTR_DIRECTORY) != 0;
}

bool CrandleDialog::isFolderOrBigFile(const char* candidate) {
    return isExistingFolder(candidate) || archive.isBigFile(candidate);
}

// ---- commands

void CrandleDialog::browse() {
    std::memset(path, 0, sizeof path);
    if (!chooser.openFileDialog(dialogWindow, path)) return;
    pathField.setText(path);
    if (!isFolderOrBigFile(path)) warn(crandletext::IMPROPER_TYPE, crandletext::ERROR_TITLE);
}

void CrandleDialog::drop(HDROP dropHandle) {
    std::memset(dropPath, 0, sizeof dropPath);
    DragQueryFileA(dropHandle, 0, dropPath, PATH_SIZE);
    DragFinish(dropHandle);
    std::memcpy(path, dropPath, sizeof path);
    pathField.setText(path);
    if (!isFolderOrBigFile(path)) {
        warn(crandletext::IMPROPER_TYPE, crandletext::ERROR_TITLE);
        return;
    }
    tab.selectTab(0);
}

void CrandleDialog::importArchive() {
    takePathField();
    if (path[0] != '\0') {
        // Only a BIG archive is read: anything else would fill the list with
        // whatever its bytes happen to say. The loaded directory and the
        // list stay as they were.
        if (isExistingFolder(path) || !archive.isBigFile(path)) {
            warn(crandletext::IMPROPER_TYPE, crandletext::ERROR_TITLE);
            return;
        }
        resetProgress();
        bool opened = false;
        runInBackground([&] { opened = archive.openArchive(path); });
        if (opened) {
            std::string loaded = platform::fullPath(path);
            // The list never shows two archives: rows of another archive go
            // first. Importing the same archive again adds its rows again.
            if (!importedPath.empty() && !platform::samePath(loaded.c_str(), importedPath.c_str())) list.deleteAllRows();
            importedPath = loaded;
        } else {
            importedPath.clear();
        }
    }
    entryCount = archive.countEntries();
    // A damaged header is said so, never shown as an empty archive.
    if (archive.directoryDamaged()) report(crandletext::DAMAGED, path);
    if (entryCount < 1) return;
    for (int i = 0; i < entryCount; ++i) {
        list.addRow("");
        list.setNextCell(archive.entryName(i));
        list.setNextCell(archive.entrySizeText(i));
    }
    list.showRows();
    sweepProgress();
    if (!archive.directoryDamaged()) report(crandletext::IMPORTED);
}

void CrandleDialog::exportArchive() {
    exportCount = 0;
    takePathField();
    ExtractReport result;
    bool extracted = false;
    std::uint32_t attributes = path[0] != '\0' ? platform::fileAttributes(path) : platform::ATTR_INVALID;
    if (attributes == platform::ATTR_NORMAL_FILE || attributes == FILE_ATTRIBUTE_NORMAL) {
        // The loaded directory's offsets are only meaningful in the file it
        // was read from.
        if (!isImportedFile(path)) {
            report(crandletext::EXPORT_NOT_IMPORTED);
            return;
        }
        std::memset(exportFolder, 0, sizeof exportFolder);
        if (chooser.browseForFolder(dialogWindow, exportFolder)) {
            // A failed type test since the Import dropped the loaded flag:
            // read the directory of the same file again before selecting.
            if (!archive.loaded()) archive.openArchive(importedPath.c_str());
            entryCount = archive.countEntries();
            for (int i = 0; i < entryCount; ++i) {
                std::uint8_t flag = list.isChecked(i) ? 0 : 1;
                archive.setSelected(i, flag);
                exportCount += flag;
            }
            if (exportCount < 1) {
                report(crandletext::NOTHING_EXPORTED, exportFolder);
                return;
            }
            resetProgress();
            runInBackground([&] { result = archive.extractSelected(path, exportFolder, &workProgress()); });
            extracted = true;
            sweepProgress();
        }
    }
    if (!extracted) {
        report(exportCount > 0 ? crandletext::EXPORTED : crandletext::NOTHING_EXPORTED, exportFolder);
        return;
    }
    if (!result.archiveOpened) {
        report(crandletext::EXPORT_UNREADABLE, exportFolder);
        return;
    }
    const bool complete = result.written == exportCount;
    report(complete ? crandletext::EXPORTED : crandletext::EXPORT_INCOMPLETE, exportFolder);
    addLine(format(crandletext::WRITTEN_FORMAT, result.written, exportCount));
    // One line per reason, with the number of entries it kept out.
    std::map<EntryProblem, int> reasons;
    for (const EntryReport& problem : result.problems) ++reasons[problem.problem];
    for (const auto& reason : reasons)
        addLine(format(crandletext::NOT_WRITTEN_FORMAT, reason.second, entryProblemText(reason.first)));
}

void CrandleDialog::create() {
    takePathField();
    if (path[0] == '\0') return;
    if (!isExistingFolder(path)) {
        report(crandletext::CREATE_NOT_FOLDER, path);
        return;
    }
    std::memset(savePath, 0, sizeof savePath);
    if (!chooser.saveFileDialog(dialogWindow, savePath)) return;
    resetProgress();
    messageList.clearAll();

    BigStatus collected = BigStatus::OK;
    WriteReport written;
    runInBackground([&] {
        collected = archive.collectFolder(path, nullptr, &workProgress());
        if (collected == BigStatus::OK) written = archive.writeArchive(savePath, &workProgress());
    });
    if (collected != BigStatus::OK) {
        const std::string refused = format(crandletext::COLLECT_REFUSED_FORMAT, bigStatusText(collected));
        report(refused.c_str(), archive.collectProblemPath().empty() ? nullptr : archive.collectProblemPath().c_str());
        sweepProgress();
        return;
    }
    messageList.insertText(crandletext::COLLECTED, 0);

    if (written.status != BigStatus::OK) {
        addLine(format(crandletext::CREATE_FAILED_FORMAT, bigStatusText(written.status)));
        addLine(savePath);
    } else if (!written.problems.empty()) {
        addLine(format(crandletext::CREATE_INCOMPLETE_FORMAT, static_cast<int>(written.problems.size()), 0));
        addLine(savePath);
        for (std::size_t i = 0; i < written.problems.size() && i < MAX_NAMED_PROBLEMS; ++i)
            addLine(written.problems[i].name);
    } else {
        addLine(crandletext::CREATED);
        addLine(savePath);
    }
    if (archive.collectLimitReached()) addLine(crandletext::COLLECT_LIMIT);
    if (written.excludedSelf > 0) addLine(crandletext::EXCLUDED_SELF);
    const std::vector<PassedOver>& passed = archive.passedOver();
    if (!passed.empty()) addLine(format(crandletext::PASSED_OVER_FORMAT, static_cast<int>(passed.size()), 0));
    for (std::size_t i = 0; i < passed.size() && i < MAX_NAMED_PROBLEMS; ++i)
        addLine(passed[i].path + " - " + passReasonText(passed[i].reason));
    sweepProgress();
}

void CrandleDialog::output() {
    entryCount = archive.countEntries();
    if (entryCount < 1) return;
    char name[260] = {0};
    if (!chooser.saveFileDialog(dialogWindow, name)) return;

    if (!importedPath.empty() && platform::fileIdentity(importedPath.c_str()) == platform::fileIdentity(name)) {
        report(crandletext::OUTPUT_REFUSED, name);
        return;
    }
    // The listing is written beside its place and put there only when
    // complete, so a failure never leaves half a listing over a good file.
    ReplacingFile file;
    FileStream out(FileStream::WRITE, name, 0);
    if (platform::isWriteProtected(name) || !file.create(name, true) || out.adopt(file.release()) != FS_OPEN) {
        std::snprintf(messageText, sizeof messageText, crandletext::CANNOT_OPEN_FORMAT, name);
        warn(messageText, crandletext::PROGRAM_TITLE);
        return;
    }
    const std::string frame(61, '*');
    bool ok = out.writeLine(frame.c_str()) == FS_WRITTEN;
    ok = out.writeLine(path) == FS_WRITTEN && ok;
    ok = out.writeLine(frame.c_str()) == FS_WRITTEN && ok;
    for (int i = 0; i < entryCount && ok; ++i) {
        std::snprintf(line, sizeof line, "Name: %s   (Size: %s)", archive.entryName(i), archive.entrySizeText(i));
        ok = out.writeLine(line) == FS_WRITTEN;
    }
    if (!file.commit(out.close() == FS_CLOSED && ok)) {
        report(crandletext::OUTPUT_FAILED, name);
        return;
    }
    report(crandletext::SAVED, name);
}

void CrandleDialog::marker() {
    entryCount = archive.countEntries();
    if (entryCount < 1) return;
    markAll = markAll == 0 ? 1 : 0;
    list.setCheckedRange(0, entryCount, markAll == 1);
    buttons[MARKER_BUTTON].setText(markAll == 1 ? crandletext::CHECKED : crandletext::MARKER);
}

void CrandleDialog::clearup() {
    if (list.deleteAllRows()) {
        pathField.setText("");
        messageList.clearAll();
        resetProgress();
    }
    std::memset(path, 0, sizeof path);
    archive.clearLists();
    importedPath.clear();
}

void CrandleDialog::exit() {
    chooser.releaseTaskMemory();
    clearup();
    DestroyWindow(dialogWindow);
}

void CrandleDialog::rowClicked(const NMITEMACTIVATE& activate) {
    const int row = activate.iItem;
    if (row < 0) {
        // Index -1 addresses every row: a click beside the rows checks them all.
        markAll = 1;
        list.setChecked(-1, true);
        return;
    }
    // The list keeps no check marks of its own: a click on the check box
    // is toggled here like a click anywhere else on the row.
    markAll = list.isChecked(row) ? 0 : 1;
    list.setChecked(row, markAll == 1);
}

void CrandleDialog::rowView(int row) {
    if (row < 0 || row >= archive.countEntries()) return;
    archive.viewTextEntry(row, dialogWindow);
    messageList.addText(archive.entryName(row));
}

INT_PTR CrandleDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (refusedWhileBusy(message, wParam, lParam)) return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        initialiseDialog(window);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CRANDLE_BROWSE: browse(); break;
        case IDC_CRANDLE_IMPORT: importArchive(); break;
        case IDC_CRANDLE_EXPORT: exportArchive(); break;
        case IDC_CRANDLE_CREATE: create(); break;
        case IDC_CRANDLE_OUTPUT: output(); break;
        case IDC_CRANDLE_MARKER: marker(); break;
        case IDC_CRANDLE_CLEARUP: clearup(); break;
        case IDC_CRANDLE_EXIT: exit(); break;
        default: break;
        }
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header == nullptr || header->hwndFrom != list.handle() || header->idFrom != IDC_CRANDLE_LIST) return FALSE;
        if (list.answerNotification(window, header)) return TRUE;
        const UINT code = header->code;
        if (code == static_cast<UINT>(NM_CLICK) || code == static_cast<UINT>(NM_DBLCLK)) {
            rowClicked(*reinterpret_cast<const NMITEMACTIVATE*>(lParam));
            return TRUE;
        }
        if (code == static_cast<UINT>(NM_RCLICK) || code == static_cast<UINT>(NM_RDBLCLK)) {
            rowView(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
            return TRUE;
        }
        return FALSE;
    }
    case WM_DROPFILES:
        drop(reinterpret_cast<HDROP>(wParam));
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
