#include "CollectionDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "ControlStyles.h"
#include "DpiScale.h"
#include "FileStream.h"
#include "ReplacingFile.h"
#include "GathrixIds.h"
#include "platform/Platform.h"

namespace {

using dialogs::ControlLayout;

const ControlLayout TAB_LAYOUT = {IDC_GATHRIX_TAB, 11, 11, 616, 313};
// Each field's label stands left of it, the field keeping its right edge.
const ControlLayout FOLDER_LABEL_LAYOUT = {IDC_GATHRIX_FOLDER_LABEL, 21, 45, 50, 16};
const ControlLayout FOLDER_LAYOUT = {IDC_GATHRIX_FOLDER, 73, 42, 478, 20};
const ControlLayout FILTER_LABEL_LAYOUT = {IDC_GATHRIX_FILTER_LABEL, 21, 73, 50, 16};
const ControlLayout FILTER_LAYOUT = {IDC_GATHRIX_FILTER, 73, 70, 281, 20};
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

// A filter of two characters or fewer scans nothing.
CollectionDialog::ScanMode scanModeOf(const std::string& filter, bool files, bool folders) {
    using Mode = CollectionDialog::ScanMode;
    if (filter.size() <= 2 || (!files && !folders)) return Mode::NONE;
    if (files) return folders ? Mode::BOTH : Mode::FILES;
    return Mode::FOLDERS;
}

std::string formatText(const char* pattern, const char* text) {
    std::vector<char> buffer(std::strlen(pattern) + std::strlen(text) + 1);
    std::snprintf(buffer.data(), buffer.size(), pattern, text);
    return buffer.data();
}

enum class WriteResult { WRITTEN, CANNOT_OPEN, INCOMPLETE };

// Writes the lines, each ended by "\n", into a temporary file beside the
// target and puts it in place only when it is complete.
template <class LineSource>
WriteResult writeLinesWhole(const char* target, int count, const std::vector<std::string>& header, LineSource lineAt) {
    ReplacingFile file;
    if (platform::isWriteProtected(target) || !file.create(target, true)) return WriteResult::CANNOT_OPEN;
    FileStream out(FileStream::WRITE, target, 0);
    out.adopt(file.release());
    bool ok = true;
    for (const std::string& text : header) ok = ok && out.writeLine(text.c_str()) == StreamResult::WRITTEN;
    for (int i = 0; i < count && ok; ++i) ok = out.writeLine(lineAt(i).c_str()) == StreamResult::WRITTEN;
    return file.commit(out.close() == StreamResult::CLOSED && ok) ? WriteResult::WRITTEN : WriteResult::INCOMPLETE;
}

}  // namespace

CollectionDialog::CollectionDialog(std::int32_t scanLimit)
    : DialogApplication(IDC_GATHRIX_PROGRESS),
      scanner_(scanLimit),
      outputTempName_(platform::tempFolder() + gathrixtext::OUTPUT_TEMP_NAME),
      outputWritten_(false),
      itemCount_(0),
      entryTotal_(0),
      scanMode_(ScanMode::NONE) {
    placement.margin = 30;
    // The scan runs only in the background: its bar follows the folders
    // listed, and closing the window ends the walk.
    scanner_.setProgress(&workProgress());
}

CollectionDialog::~CollectionDialog() {
    if (outputWritten_) platform::deleteFile(outputTempName_.c_str());
}

void CollectionDialog::initialiseDialog(HWND window) {
    dialog = window;
    placement.placeCentred(window);
    setWindowIcons(window, IDI_GATHRIX);
    chooser_.setTitle("File Dialog - Gathrix");
    chooser_.setFilter(FILTER);

    if (tab_.create(window, TAB_LAYOUT, TCS_FOCUSNEVER)) tab_.addTab("File Output", 0);
    addLabel(FOLDER_LABEL_LAYOUT, gathrixtext::FOLDER_LABEL);
    folderField_.create(window, FOLDER_LAYOUT, WS_BORDER | ES_AUTOHSCROLL);
    addLabel(FILTER_LABEL_LAYOUT, gathrixtext::FILTER_LABEL);
    filterField_.create(window, FILTER_LAYOUT, WS_BORDER | ES_AUTOHSCROLL);
    if (filterCheck_.create(window, FILTER_CHECK_LAYOUT, CHECK_STYLE)) filterCheck_.setText("Filter");
    if (folderCheck_.create(window, FOLDER_CHECK_LAYOUT, CHECK_STYLE)) folderCheck_.setText("Folder");
    if (sizeCheck_.create(window, SIZE_CHECK_LAYOUT, CHECK_STYLE)) sizeCheck_.setText("Size");
    resultList_.create(window, LIST_LAYOUT, WS_DLGFRAME | WS_HSCROLL | LBS_DISABLENOSCROLL | LBS_EXTENDEDSEL);
    for (int i = 0; i < 4; ++i) {
        buttons_[i].create(window, BUTTON_LAYOUTS[i]);
        buttons_[i].setBitmap(BUTTON_FACES[i]);
    }
    addButtonTips();
    chooser_.allocateTaskMemory();
    DragAcceptFiles(window, TRUE);
}

// ---- helpers

void CollectionDialog::inform(const std::string& text) {
    MessageBoxA(dialog, text.c_str(), gathrixtext::TITLE, MB_OK | MB_ICONINFORMATION);
}

void CollectionDialog::warn(const std::string& text) {
    MessageBoxA(dialog, text.c_str(), gathrixtext::TITLE, MB_OK | MB_ICONEXCLAMATION);
}

void CollectionDialog::addLabel(const ControlLayout& place, const char* text) {
    HWND label = CreateWindowExA(0, "Static", text, dialogs::CHILD_STYLE | SS_LEFT, dialogs::scaleToWindow(dialog, place.x),
                                 dialogs::scaleToWindow(dialog, place.y), dialogs::scaleToWindow(dialog, place.width),
                                 dialogs::scaleToWindow(dialog, place.height), dialog,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(place.id)), GetModuleHandleA(nullptr), nullptr);
    if (label != nullptr) SendMessageA(label, WM_SETFONT, static_cast<WPARAM>(SendMessageA(dialog, WM_GETFONT, 0, 0)), TRUE);
}

void CollectionDialog::addButtonTips() {
    buttonTips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
    if (buttonTips_ == nullptr) return;
    for (int i = 0; i < 4; ++i) {
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = dialog;
        tool.uId = reinterpret_cast<UINT_PTR>(buttons_[i].handle());
        tool.lpszText = const_cast<char*>(gathrixtext::BUTTON_TIPS[i]);
        SendMessageA(buttonTips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // The longest tip wraps instead of running off the screen.
    SendMessageA(buttonTips_, TTM_SETMAXTIPWIDTH, 0, dialogs::scaleToWindow(dialog, 300));
}

void CollectionDialog::fitScrollWidth() {
    const int widest = resultList_.widestLine() + 8;
    resultList_.setScrollWidth(widest > SCROLL_WIDTH ? widest : SCROLL_WIDTH);
}

// ---- commands

void CollectionDialog::applyFolder(const char* name) {
    if (name == nullptr || *name == '\0') return;
    folderField_.setText(name);
    filterField_.setText(gathrixtext::ALL_FILES);
    filterCheck_.check();
    folderCheck_.uncheck();
    sizeCheck_.uncheck();
}

void CollectionDialog::chooseFolder() {
    // A cancelled browser leaves the folder chosen before, which is applied again.
    chooser_.browseForFolder(dialog, folderText_, FOLDER_SIZE);
    if (!folderText_.empty()) applyFolder(folderText_.c_str());
}

void CollectionDialog::drop(HDROP dropHandle) {
    char name[FOLDER_SIZE] = {0};
    DragQueryFileA(dropHandle, 0, name, sizeof name);
    DragFinish(dropHandle);
    applyFolder(name);
}

void CollectionDialog::scan() {
    HWND list = resultList_.handle();
    resultList_.clearAll();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendDlgItemMessageA(dialog, progressId, PBM_SETPOS, 0, 0);

    folderText_ = folderField_.text(FOLDER_SIZE);
    if (scanner_.setStartFolder(folderText_.c_str())) {
        // The filter edit, not the "Filter" check box that shares its id.
        filterText_ = filterField_.text(FILTER_SIZE);
        scanMode_ = scanModeOf(filterText_, filterCheck_.isChecked(), folderCheck_.isChecked());
        if (scanMode_ == ScanMode::NONE) {
            inform(gathrixtext::ENTER_FILTER);
        } else if (scanMode_ == ScanMode::FILES || scanMode_ == ScanMode::BOTH) {
            runInBackground([this] {
                if (filterText_.compare(0, 3, gathrixtext::ALL_FILES) == 0)
                    scanner_.scanAll();
                else
                    scanner_.scanFiltered(filterText_.c_str());
                scanner_.reset();
            });
        } else if (scanMode_ == ScanMode::FOLDERS) {
            runInBackground([this] {
                scanner_.scanAll();
                scanner_.reset();
            });
        }
    } else if (!folderText_.empty() && platform::fileAttributes(folderText_.c_str()) != platform::ATTR_INVALID) {
        // It exists, but it is a file: there is nothing below it to list.
        warn(formatText(gathrixtext::START_IS_FILE_FORMAT, folderText_.c_str()));
    }

    entryTotal_ = scanner_.fileCount() + scanner_.folderCount();
    if (scanner_.limitReached()) {
        char text[96];
        std::snprintf(text, sizeof text, gathrixtext::LIMIT_FORMAT, entryTotal_);
        inform(text);
    }
    // Links are not followed and some names cannot be listed: said, never
    // dropped silently (folders left at the limit were just told).
    std::vector<const PassedOver*> passed;
    for (const PassedOver& p : scanner_.passedOver())
        if (p.reason != PassReason::ENTRY_LIMIT) passed.push_back(&p);
    if (!passed.empty()) {
        char text[96];
        std::snprintf(text, sizeof text, gathrixtext::PASSED_OVER_FORMAT, static_cast<int>(passed.size()));
        std::string message = text;
        for (std::size_t i = 0; i < passed.size() && i < 10; ++i)
            message += "\n" + passed[i]->path + " - " + passReasonText(passed[i]->reason);
        inform(message);
    }

    itemCount_ = filterCheck_.isChecked() ? scanner_.fileCount() : 0;
    const bool withFolders = folderCheck_.isChecked();
    const bool withSize = sizeCheck_.isChecked();
    // The lines' size, so that the list's text block is set aside once: each
    // path with its zero, and " (size)" after a file's when asked for.
    constexpr std::size_t SIZE_SUFFIX = 24;  // " (", 19 digits, ")"
    std::size_t lines = static_cast<std::size_t>(itemCount_);
    std::size_t textBytes = 0;
    if (withFolders) {
        lines += static_cast<std::size_t>(scanner_.folderCount());
        for (int k = 0; k < scanner_.folderCount(); ++k) textBytes += scanner_.folderPath(k).size() + 1;
    }
    for (int i = 0; i < itemCount_; ++i) textBytes += scanner_.filePath(i).size() + 1 + (withSize ? SIZE_SUFFIX : 0);
    resultList_.reserve(lines, textBytes);
    // Every folder goes before every file, both in the order found.
    if (withFolders) {
        for (int k = 0; k < scanner_.folderCount(); ++k) {
            const std::string& path = scanner_.folderPath(k);
            resultList_.addLine(path.c_str(), path.size());
        }
    }
    std::string item;
    for (int i = 0; i < itemCount_; ++i) {
        const std::string& path = scanner_.filePath(i);
        if (!withSize) {
            resultList_.addLine(path.c_str(), path.size());
            continue;
        }
        item.assign(path).append(" (").append(std::to_string(scanner_.fileSize(i))).append(")");
        resultList_.addLine(item.c_str(), item.size());
    }
    if (!folderCheck_.isChecked()) itemCount_ = 0;
    resultList_.showLines();
    sweepProgress();
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    fitScrollWidth();
    InvalidateRect(list, nullptr, TRUE);
}

void CollectionDialog::saveList() {
    const int count = resultList_.count();
    if (count <= 0) return;
    char target[FOLDER_SIZE] = {0};
    if (!chooser_.saveFileDialog(dialog, target)) return;
    const std::string frame(61, '*');
    switch (writeLinesWhole(target, count, {frame, folderText_, frame}, [this](int i) { return std::string(resultList_.line(i)); })) {
    case WriteResult::WRITTEN:
        inform(formatText(gathrixtext::SAVED_FORMAT, target));
        break;
    case WriteResult::CANNOT_OPEN:
        warn(formatText(gathrixtext::CANNOT_OPEN_FORMAT, target));
        break;
    case WriteResult::INCOMPLETE:
        warn(formatText(gathrixtext::NOT_SAVED_FORMAT, target));
        break;
    }
}

void CollectionDialog::showInNotepad() {
    const int count = resultList_.count();
    if (count <= 0) return;
    SendMessageA(resultList_.handle(), LB_SETSEL, TRUE, -1);
    platform::deleteFile(outputTempName_.c_str());
    outputWritten_ = true;
    if (writeLinesWhole(outputTempName_.c_str(), count, {}, [this](int i) { return std::string(resultList_.line(i)); }) != WriteResult::WRITTEN) {
        warn(formatText(gathrixtext::CANNOT_OPEN_FORMAT, outputTempName_.c_str()));
        return;
    }
    platform::shellOpen(dialog, gathrixtext::NOTEPAD, outputTempName_.c_str());
}

void CollectionDialog::exit() {
    for (dialogs::BitmapButton& button : buttons_) button.releaseImage();
    chooser_.releaseTaskMemory();
    DestroyWindow(dialog);
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
                itemCount_ = 0;
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
        return resultList_.drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
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
