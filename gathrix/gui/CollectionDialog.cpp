#include "CollectionDialog.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "FileStream.h"
#include "ReplacingFile.h"
#include "GathrixIds.h"
#include "platform/Platform.h"

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

// Scan modes: 100 + 10 for "Filter" + 1 for "Folder"; 100 alone scans nothing.
constexpr std::int32_t MODE_NONE = 100;
constexpr std::int32_t MODE_FOLDERS = 101;
constexpr std::int32_t MODE_FILES = 110;
constexpr std::int32_t MODE_BOTH = 111;

std::string formatText(const char* pattern, const char* text) {
    std::vector<char> buffer(std::strlen(pattern) + std::strlen(text) + 1);
    std::snprintf(buffer.data(), buffer.size(), pattern, text);
    return buffer.data();
}

enum class WriteResult { Written, CannotOpen, Incomplete };

// Writes the lines, each ended by "\n", into a temporary file beside the
// target and puts it in place only when it is complete.
template <class LineSource>
WriteResult writeLinesWhole(const char* target, int count, const std::vector<std::string>& header, LineSource lineAt) {
    ReplacingFile file;
    if (platform::isWriteProtected(target) || !file.create(target, true)) return WriteResult::CannotOpen;
    FileStream out(FileStream::WRITE, target, 0);
    out.adopt(file.release());
    bool ok = true;
    for (const std::string& text : header) ok = ok && out.writeLine(text.c_str()) == StreamResult::WRITTEN;
    for (int i = 0; i < count && ok; ++i) ok = out.writeLine(lineAt(i).c_str()) == StreamResult::WRITTEN;
    return file.commit(out.close() == StreamResult::CLOSED && ok) ? WriteResult::Written : WriteResult::Incomplete;
}

}  // namespace

CollectionDialog::CollectionDialog(std::int32_t scanLimit)
    : DialogApplication(IDC_GATHRIX_PROGRESS),
      dialogWindow(nullptr),
      scanner(scanLimit),
      outputTempName(platform::tempFolder() + gathrixtext::OUTPUT_TEMP_NAME),
      outputWritten(false),
      itemCount(0),
      entryTotal(0),
      scanMode(MODE_NONE) {
    placement.margin = 30;
    // The scan runs only in the background: its bar follows the folders
    // listed, and closing the window ends the walk.
    scanner.setProgress(&workProgress());
    std::memset(folderText, 0, sizeof folderText);
    std::memset(filterText, 0, sizeof filterText);
}

CollectionDialog::~CollectionDialog() {
    if (outputWritten) platform::deleteFile(outputTempName.c_str());
}

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

// ---- helpers

void CollectionDialog::inform(const std::string& text) {
    MessageBoxA(dialogWindow, text.c_str(), gathrixtext::TITLE, MB_OK | MB_ICONINFORMATION);
}

void CollectionDialog::warn(const std::string& text) {
    MessageBoxA(dialogWindow, text.c_str(), gathrixtext::TITLE, MB_OK | MB_ICONEXCLAMATION);
}

void CollectionDialog::fitScrollWidth() {
    const int widest = resultList.widestLine() + 8;
    resultList.setScrollWidth(widest > SCROLL_WIDTH ? widest : SCROLL_WIDTH);
}

// ---- commands

void CollectionDialog::applyFolder(const char* name) {
    if (name == nullptr || *name == '\0') return;
    folderField.setText(name);
    filterField.setText(gathrixtext::ALL_FILES);
    filterCheck.check();
    folderCheck.uncheck();
    sizeCheck.uncheck();
}

void CollectionDialog::chooseFolder() {
    // A cancelled browser leaves the folder chosen before, which is applied again.
    chooser.browseForFolder(dialogWindow, folderText);
    if (folderText[0] != '\0') applyFolder(folderText);
}

void CollectionDialog::drop(HDROP dropHandle) {
    char name[FOLDER_SIZE] = {0};
    DragQueryFileA(dropHandle, 0, name, sizeof name);
    DragFinish(dropHandle);
    applyFolder(name);
}

void CollectionDialog::scan() {
    HWND list = resultList.handle();
    resultList.clearAll();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendDlgItemMessageA(dialogWindow, progressId, PBM_SETPOS, 0, 0);

    std::memset(folderText, 0, sizeof folderText);
    folderField.getText(folderText, FOLDER_SIZE);
    if (scanner.setStartFolder(folderText)) {
        std::memset(filterText, 0, sizeof filterText);
        // The filter edit, not the "Filter" check box that shares its id.
        filterField.getText(filterText, FILTER_SIZE);
        scanMode = MODE_NONE;
        if (std::strlen(filterText) > 2)
            scanMode += (filterCheck.isChecked() ? 10 : 0) + (folderCheck.isChecked() ? 1 : 0);
        if (scanMode == MODE_NONE) {
            inform(gathrixtext::ENTER_FILTER);
        } else if (scanMode == MODE_FILES || scanMode == MODE_BOTH) {
            runInBackground([this] {
                if (std::strncmp(filterText, gathrixtext::ALL_FILES, 3) == 0)
                    scanner.scanAll();
                else
                    scanner.scanFiltered(filterText);
                scanner.reset();
            });
        } else if (scanMode == MODE_FOLDERS) {
            runInBackground([this] {
                scanner.scanAll();
                scanner.reset();
            });
        }
    } else if (folderText[0] != '\0' && platform::fileAttributes(folderText) != platform::ATTR_INVALID) {
        // It exists, but it is a file: there is nothing below it to list.
        warn(formatText(gathrixtext::START_IS_FILE_FORMAT, folderText));
    }

    entryTotal = scanner.fileCount() + scanner.folderCount();
    if (scanner.limitReached()) {
        char text[96];
        std::snprintf(text, sizeof text, gathrixtext::LIMIT_FORMAT, entryTotal);
        inform(text);
    }
    // Links are not followed and some names cannot be listed: said, never
    // dropped silently (folders left at the limit were just told).
    std::vector<const PassedOver*> passed;
    for (const PassedOver& p : scanner.passedOver())
        if (p.reason != PassReason::ENTRY_LIMIT) passed.push_back(&p);
    if (!passed.empty()) {
        char text[96];
        std::snprintf(text, sizeof text, gathrixtext::PASSED_OVER_FORMAT, static_cast<int>(passed.size()));
        std::string message = text;
        for (std::size_t i = 0; i < passed.size() && i < 10; ++i)
            message += "\n" + passed[i]->path + " - " + passReasonText(passed[i]->reason);
        inform(message);
    }

    itemCount = filterCheck.isChecked() ? scanner.fileCount() : 0;
    // Every folder goes before every file, both in the order found.
    if (folderCheck.isChecked()) {
        for (int k = 0; k < scanner.folderCount(); ++k) resultList.addLine(scanner.folderPath(k).c_str());
    }
    const bool withSize = sizeCheck.isChecked();
    for (int i = 0; i < itemCount; ++i) {
        std::string item = scanner.filePath(i);
        if (withSize) item += " (" + std::to_string(scanner.fileSize(i)) + ")";
        resultList.addLine(item.c_str());
    }
    if (!folderCheck.isChecked()) itemCount = 0;
    resultList.showLines();
    sweepProgress();
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    fitScrollWidth();
    InvalidateRect(list, nullptr, TRUE);
}

void CollectionDialog::saveList() {
    const int count = resultList.count();
    if (count <= 0) return;
    char target[FOLDER_SIZE] = {0};
    if (!chooser.saveFileDialog(dialogWindow, target)) return;
    const std::string frame(61, '*');
    switch (writeLinesWhole(target, count, {frame, folderText, frame}, [this](int i) { return std::string(resultList.line(i)); })) {
    case WriteResult::Written:
        inform(formatText(gathrixtext::SAVED_FORMAT, target));
        break;
    case WriteResult::CannotOpen:
        warn(formatText(gathrixtext::CANNOT_OPEN_FORMAT, target));
        break;
    case WriteResult::Incomplete:
        warn(formatText(gathrixtext::NOT_SAVED_FORMAT, target));
        break;
    }
}

void CollectionDialog::showInNotepad() {
    const int count = resultList.count();
    if (count <= 0) return;
    SendMessageA(resultList.handle(), LB_SETSEL, TRUE, -1);
    platform::deleteFile(outputTempName.c_str());
    outputWritten = true;
    if (writeLinesWhole(outputTempName.c_str(), count, {}, [this](int i) { return std::string(resultList.line(i)); }) != WriteResult::Written) {
        warn(formatText(gathrixtext::CANNOT_OPEN_FORMAT, outputTempName.c_str()));
        return;
    }
    platform::shellOpen(dialogWindow, gathrixtext::NOTEPAD, outputTempName.c_str());
}

void CollectionDialog::exit() {
    for (dialogs::BitmapButton& button : buttons) button.releaseImage();
    chooser.releaseTaskMemory();
    DestroyWindow(dialogWindow);
}

INT_PTR CollectionDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (answeredByFrame(window, message, wParam, lParam)) return TRUE;
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_GATHRIX_LIST:
            if (HIWORD(wParam) == LBN_DBLCLK)
                showInNotepad();
            else
                itemCount = 0;
            break;
        case IDC_GATHRIX_CHOOSE: chooseFolder(); break;
        case IDC_GATHRIX_SCAN: scan(); break;
        case IDC_GATHRIX_SAVE: saveList(); break;
        case IDC_GATHRIX_EXIT: exit(); break;
        default: break;
        }
        return TRUE;
    case WM_NOTIFY:
        return TRUE;
    case WM_DRAWITEM:
        return resultList.drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
    case WM_DROPFILES:
        drop(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_CLOSE:
        exit();
        return TRUE;
    default:
        return FALSE;
    }
}
