#include "ToolPanel.h"

#include <cstdio>
#include <vector>

#include "platform/Platform.h"

namespace dialogs {

namespace {

// Where the controls go, in pixels of the dialog's (the tab's children: the
// tab's) client area: the tab, the path field, the list, the find field
// (placed on the tab, a child of the dialog so that its changes come to the
// dialog), the message list.
constexpr int TAB_PLACE[4] = {11, 11, 683, 444};
constexpr int PATH_PLACE[4] = {16, 32, 572, 20};
constexpr int LIST_PLACE[4] = {16, 62, 572, 199};
constexpr int FIND_PLACE[4] = {16, 266, 572, 22};
constexpr int MESSAGES_PLACE[4] = {16, 298, 572, 57};
// The buttons' column: its left edge, the buttons' size and each one's top.
constexpr int BUTTON_LEFT = 610;
constexpr int BUTTON_WIDTH = 70;
constexpr int BUTTON_HEIGHT = 24;
constexpr int BUTTON_TOPS[TOOL_BUTTON_COUNT] = {42, 74, 107, 140, 173, 206, 239, 274, 310, 343};

ControlLayout place(int id, const int (&rect)[4]) { return {id, rect[0], rect[1], rect[2], rect[3]}; }

}  // namespace

ToolPanel::ToolPanel(DialogApplication& application, const ToolPanelLayout& layout)
    : application_(application), layout_(layout), dialog_(nullptr), findField_(nullptr), markerOn_(false) {}

void ToolPanel::create(HWND dialog) {
    dialog_ = dialog;
    chooser_.setTitle(layout_.chooserTitle);
    chooser_.setFilter(layout_.chooserFilter);
    if (tab_.create(dialog, place(layout_.tabId, TAB_PLACE), TCS_FOCUSNEVER)) {
        tab_.addTab(layout_.tabText, 0);
        HWND tabWindow = tab_.handle();
        // The list's clicks reach the dialog through the tab control.
        tab_.forwardNotifications(dialog);
        pathField_.create(tabWindow, place(layout_.pathId, PATH_PLACE), WS_BORDER | ES_AUTOHSCROLL);
        if (list_.create(tabWindow, place(layout_.listId, LIST_PLACE), WS_DLGFRAME | LVS_SINGLESEL)) {
            for (const ToolColumn& column : layout_.columns) list_.addColumnWithFormat(column.title, column.width, column.format);
            list_.setExtendedStyles();
            list_.addExtendedStyle(LVS_EX_CHECKBOXES);
            list_.show();
        }
        messageList_.create(tabWindow, place(layout_.messagesId, MESSAGES_PLACE), WS_DLGFRAME | LBS_DISABLENOSCROLL);
        messageList_.removeStyle(WS_VSCROLL);
        createFindField(tabWindow);
    }
    for (int i = 0; i < TOOL_BUTTON_COUNT; ++i) {
        buttons_[i].create(dialog, {layout_.buttonIds[i], BUTTON_LEFT, BUTTON_TOPS[i], BUTTON_WIDTH, BUTTON_HEIGHT});
        buttons_[i].setText(layout_.captions[i]);
    }
    DragAcceptFiles(dialog, TRUE);
}

void ToolPanel::createFindField(HWND tabWindow) {
    // A Unicode edit control, so that text in any script is typed or pasted
    // into it as it is.
    POINT corner{FIND_PLACE[0], FIND_PLACE[1]};
    MapWindowPoints(tabWindow, dialog_, &corner, 1);
    findField_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                 corner.x, corner.y, FIND_PLACE[2], FIND_PLACE[3], dialog_,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(layout_.findId)),
                                 reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog_, GWLP_HINSTANCE)), nullptr);
    if (findField_ == nullptr) return;
    // Drawn over the tab, which lies under it.
    SetWindowPos(findField_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SendMessageW(findField_, WM_SETFONT, static_cast<WPARAM>(SendMessageA(dialog_, WM_GETFONT, 0, 0)), TRUE);
    if (layout_.findHint != nullptr) {
        wchar_t hint[128] = {0};
        MultiByteToWideChar(CP_ACP, 0, layout_.findHint, -1, hint, 127);
        SendMessageW(findField_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(hint));
    }
}

INT_PTR ToolPanel::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == layout_.findId && findField_ != nullptr) {
            if (HIWORD(wParam) == EN_CHANGE) applyFind();
            return TRUE;
        }
        // Esc: the dialog has no Cancel button, so the key means the find.
        if (LOWORD(wParam) == IDCANCEL) {
            clearFind();
            return TRUE;
        }
        runCommand(LOWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        return answerList(lParam);
    case WM_CLOSE:
        if (close_) close_();
        return TRUE;
    case WM_DROPFILES:
        drop(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

void ToolPanel::runCommand(int controlId) {
    for (int i = 0; i < TOOL_BUTTON_COUNT; ++i) {
        if (layout_.buttonIds[i] == controlId) {
            if (commands_[i]) commands_[i]();
            return;
        }
    }
}

INT_PTR ToolPanel::answerList(LPARAM lParam) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header == nullptr || header->hwndFrom != list_.handle() || header->idFrom != static_cast<UINT_PTR>(layout_.listId))
        return FALSE;
    if (list_.answerNotification(dialog_, header)) return TRUE;
    const UINT code = header->code;
    if (code == static_cast<UINT>(LVN_KEYDOWN)) {
        const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey;
        if (key == 'F' && GetKeyState(VK_CONTROL) < 0) {
            focusFind();
            return TRUE;
        }
        const int command = keys_ ? keys_(reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey) : 0;
        if (command == 0) return FALSE;
        PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        return TRUE;
    }
    // The control counts the rows it shows; the panel and the program the real ones.
    const int row = list_.realRow(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
    if (code == static_cast<UINT>(NM_CLICK) || code == static_cast<UINT>(NM_DBLCLK)) {
        rowClicked(row);
        return TRUE;
    }
    if (rightClick_ && (code == static_cast<UINT>(NM_RCLICK) || code == static_cast<UINT>(NM_RDBLCLK))) {
        rightClick_(row);
        return TRUE;
    }
    return FALSE;
}

void ToolPanel::popupMenu(const ToolMenuItem* items, std::size_t count, int buttonId, const POINT* at) {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return;
    for (std::size_t i = 0; i < count; ++i) {
        if (items[i].caption == nullptr)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(items[i].id), items[i].caption);
    }
    POINT place{0, 0};
    if (at != nullptr) {
        place = *at;
    } else {
        RECT button{};
        GetWindowRect(GetDlgItem(dialog_, buttonId), &button);
        place = {button.left, button.bottom};
    }
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, place.x, place.y, 0, dialog_, nullptr);
    DestroyMenu(menu);
}

// ---- the path

void ToolPanel::takePathField() { path_ = pathField_.text(static_cast<int>(PATH_SIZE)); }

bool ToolPanel::browse() {
    const bool chosen = openFile(path_);
    if (!chosen) return false;
    pathField_.setText(path_.c_str());
    if (!accepted(path_.c_str())) warn(layout_.improperType, layout_.errorTitle);
    return true;
}

void ToolPanel::drop(HDROP dropHandle) {
    char name[PATH_SIZE] = {0};
    DragQueryFileA(dropHandle, 0, name, static_cast<UINT>(PATH_SIZE));
    DragFinish(dropHandle);
    path_ = name;
    pathField_.setText(name);
    if (!accepted(name)) {
        warn(layout_.improperType, layout_.errorTitle);
        return;
    }
    tab_.selectTab(0);
}

// The choosers open with an empty name field, whatever the path was.
bool ToolPanel::openFile(std::string& chosen, std::size_t capacity) {
    chosen.clear();
    return chooser_.openFileDialog(dialog_, chosen, capacity);
}

bool ToolPanel::saveFile(std::string& chosen, std::size_t capacity) {
    chosen.clear();
    return chooser_.saveFileDialog(dialog_, chosen, capacity);
}

bool ToolPanel::chooseFolder(std::string& chosen, std::size_t capacity) {
    chosen.clear();
    return chooser_.browseForFolder(dialog_, chosen, capacity);
}

// ---- what the user reads

void ToolPanel::report(const char* line0, const char* line1) {
    messageList_.clearAll();
    messageList_.insertText(line0, 0);
    if (line1 != nullptr) messageList_.insertText(line1, 1);
}

void ToolPanel::addLine(const std::string& text) { messageList_.insertText(text.c_str(), messageList_.count()); }

void ToolPanel::warn(const char* text, const char* title) { MessageBoxA(dialog_, text, title, MB_OK | MB_ICONEXCLAMATION); }

void ToolPanel::reportListing(ListingResult result, const char* target, const ListingTexts& texts) {
    switch (result) {
    case ListingResult::SAVED:
        report(texts.saved, target);
        break;
    case ListingResult::CANNOT_OPEN: {
        std::vector<char> box(texts.boxLimit, '\0');
        std::snprintf(box.data(), box.size(), texts.cannotOpenFormat, target);
        warn(box.data(), texts.boxTitle);
        break;
    }
    case ListingResult::WRITE_FAILED:
        report(texts.failed, target);
        break;
    case ListingResult::SAME_FILE:
        report(texts.refused, target);
        break;
    }
}

// ---- the file the list shows

bool ToolPanel::isImportedFile(const char* candidate) const {
    if (importedPath_.empty() || candidate == nullptr || *candidate == '\0') return false;
    return platform::samePath(candidate, importedPath_.c_str());
}

void ToolPanel::noteImport(bool loaded) {
    if (!loaded) {
        importedPath_.clear();
        return;
    }
    std::string full = platform::fullPath(path_.c_str());
    // The list never shows two files: rows of another file go first.
    // Importing the same file again adds its rows again.
    if (!importedPath_.empty() && !platform::samePath(full.c_str(), importedPath_.c_str())) list_.deleteAllRows();
    importedPath_ = full;
}

// ---- find

void ToolPanel::applyFind() {
    if (findField_ == nullptr) return;
    const int length = GetWindowTextLengthW(findField_);
    std::u16string text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, u'\0');
    const int got = GetWindowTextW(findField_, reinterpret_cast<LPWSTR>(&text[0]), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    list_.setFind(text, layout_.findColumns);
}

void ToolPanel::clearFind() {
    if (findField_ != nullptr && GetWindowTextLengthW(findField_) > 0) SetWindowTextW(findField_, L"");
    if (list_.narrowed()) list_.setFind(std::u16string(), layout_.findColumns);
}

void ToolPanel::focusFind() {
    if (findField_ == nullptr) return;
    SetFocus(findField_);
    SendMessageW(findField_, EM_SETSEL, 0, -1);
}

// ---- Marker, row clicks, Clearup

void ToolPanel::showMarkerCaption() {
    buttons_[MARKER_BUTTON].setText(markerOn_ ? CHECKED_CAPTION : MARKER_CAPTION);
}

void ToolPanel::toggleMarker(int rows) {
    if (rows < 1) return;
    markerOn_ = !markerOn_;
    if (list_.narrowed())
        list_.setShownChecked(markerOn_);
    else
        list_.setCheckedRange(0, rows, markerOn_);
    showMarkerCaption();
}

void ToolPanel::rowClicked(int row) {
    if (row < 0) {
        if (!layout_.clickBesideChecksAll) return;
        // Index -1 addresses every row: a click beside the rows checks them all.
        markerOn_ = true;
        list_.setShownChecked(true);
        return;
    }
    // The list keeps no check marks of its own: a click on the check box
    // is toggled here like a click anywhere else on the row.
    list_.setChecked(row, !list_.isChecked(row));
    markerOn_ = list_.isChecked(row);
}

void ToolPanel::clearup() {
    clearFind();
    if (list_.deleteAllRows()) {
        pathField_.setText("");
        messageList_.clearAll();
        application_.resetProgress();
        if (layout_.clearupResetsMarker) {
            markerOn_ = false;
            showMarkerCaption();
        }
    }
    path_.clear();
    importedPath_.clear();
}

}  // namespace dialogs
