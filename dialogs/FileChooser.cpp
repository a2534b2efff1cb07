#include "FileChooser.h"

#include <objbase.h>

#include <cstring>
#include <vector>

namespace dialogs {

namespace {
// The file dialogs take a buffer size of 16 bits at most.
DWORD dialogSize(std::size_t capacity) { return capacity > 0x7FFF ? 0x7FFF : static_cast<DWORD>(capacity); }
}  // namespace

FileChooser::FileChooser()
    : folderItem_(nullptr),
      taskMemory_(nullptr),
      taskMemorySize_(256),
      comInitialised_(false),
      title_{},
      filter_{},
      initialFolder_{},
      folderPath_{},
      openRecord_{},
      saveRecord_{},
      browseRecord_{} {}

FileChooser::~FileChooser() {
    releaseFolderItem();
    releaseTaskMemory();
    if (comInitialised_) CoUninitialize();
}

void FileChooser::releaseFolderItem() {
    if (folderItem_ != nullptr) {
        CoTaskMemFree(folderItem_);
        folderItem_ = nullptr;
    }
}

void FileChooser::setTitle(const char* text) {
    std::memset(title_, 0, sizeof title_);
    if (text == nullptr) return;
    std::strncpy(title_, text, sizeof title_ - 1);
}

bool FileChooser::setFilter(const char* list) {
    std::memset(filter_, 0, sizeof filter_);
    if (list == nullptr) return true;
    std::size_t used = 0;  // bytes of complete pairs copied so far
    const char* pair = list;
    while (*pair != '\0') {
        std::size_t descriptionLength = std::strlen(pair);
        const char* pattern = pair + descriptionLength + 1;
        std::size_t patternLength = std::strlen(pattern);
        std::size_t pairBytes = descriptionLength + 1 + patternLength + 1;
        // The pair and the list's closing zero must fit.
        if (used + pairBytes + 1 > sizeof filter_) return false;
        std::memcpy(filter_ + used, pair, pairBytes);
        used += pairBytes;
        pair = pattern + patternLength + 1;
    }
    return true;
}

void FileChooser::takeInitialFolder(const char* buffer) {
    char copy[sizeof initialFolder_];
    std::strncpy(copy, buffer, sizeof copy - 1);
    copy[sizeof copy - 1] = '\0';
    char* cut = std::strrchr(copy, '\\');
    if (cut == nullptr) return;
    *cut = '\0';
    std::memcpy(initialFolder_, copy, sizeof initialFolder_);
}

// The record of either file dialog; no file title buffer is given, so no
// size for it either.
void FileChooser::prepareRecord(OPENFILENAMEA& record, HWND owner, char* buffer, std::size_t capacity, DWORD flags) {
    buffer[capacity - 1] = '\0';
    std::memset(&record, 0, sizeof record);
    record.lStructSize = sizeof record;
    record.hwndOwner = owner;
    record.lpstrFilter = filter_;
    record.nFilterIndex = 1;
    record.lpstrFile = buffer;
    record.nMaxFile = dialogSize(capacity);
    record.lpstrTitle = title_;
    record.Flags = flags;
    record.lpstrInitialDir = initialFolder_;
    takeInitialFolder(buffer);
}

bool FileChooser::openFileDialog(HWND owner, char* buffer, std::size_t capacity) {
    if (buffer == nullptr || capacity == 0) return false;
    prepareRecord(openRecord_, owner, buffer, capacity, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
    return GetOpenFileNameA(&openRecord_) != FALSE;
}

bool FileChooser::saveFileDialog(HWND owner, char* buffer, std::size_t capacity) {
    if (buffer == nullptr || capacity == 0) return false;
    prepareRecord(saveRecord_, owner, buffer, capacity, OFN_OVERWRITEPROMPT);
    return GetSaveFileNameA(&saveRecord_) != FALSE;
}

bool FileChooser::openFilesDialog(HWND owner, std::vector<std::string>& paths) {
    paths.clear();
    std::vector<char> buffer(MULTI_SELECT_SIZE, '\0');
    prepareRecord(openRecord_, owner, buffer.data(), buffer.size(),
                  OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_EXPLORER);
    if (GetOpenFileNameA(&openRecord_) == FALSE) return false;
    // One file: its full path. Several: the folder, then each name, every
    // string ended by a zero and the list by one more.
    const char* folder = buffer.data();
    const char* name = folder + std::strlen(folder) + 1;
    if (*name == '\0') {
        paths.emplace_back(folder);
        return true;
    }
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '\\') prefix += '\\';
    for (; *name != '\0'; name += std::strlen(name) + 1) paths.push_back(prefix + name);
    return true;
}

bool FileChooser::allocateTaskMemory() {
    if (!comInitialised_) {
        HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // S_FALSE: already started on this thread; it still has to be ended once.
        comInitialised_ = SUCCEEDED(started);
    }
    if (taskMemory_ == nullptr) taskMemory_ = CoTaskMemAlloc(taskMemorySize_);
    return taskMemory_ != nullptr;
}

bool FileChooser::releaseTaskMemory() {
    if (taskMemory_ == nullptr) return false;
    CoTaskMemFree(taskMemory_);
    taskMemory_ = nullptr;
    return true;
}

bool FileChooser::browseForFolder(HWND owner, char* buffer, std::size_t capacity) {
    if (taskMemory_ == nullptr || buffer == nullptr || capacity == 0) return false;
    // The browser writes a display name of up to MAX_PATH characters, so it
    // gets a buffer of that size and the caller's buffer gets what fits.
    char displayName[MAX_PATH] = {0};
    std::memset(&browseRecord_, 0, sizeof browseRecord_);
    browseRecord_.hwndOwner = owner;
    browseRecord_.pidlRoot = nullptr;
    browseRecord_.pszDisplayName = displayName;
    browseRecord_.lpszTitle = title_;
    browseRecord_.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    releaseFolderItem();
    folderItem_ = SHBrowseForFolderA(&browseRecord_);
    if (folderItem_ == nullptr) return false;
    std::memset(folderPath_, 0, sizeof folderPath_);
    SHGetPathFromIDListA(folderItem_, folderPath_);
    const char* chosen = folderPath_[0] == ' ' ? displayName : folderPath_;
    std::strncpy(buffer, chosen, capacity - 1);
    buffer[capacity - 1] = '\0';
    return true;
}

namespace {

// Runs a chooser on a buffer of the given capacity that starts with the path
// and gives the path what the chooser left in the buffer.
template <class Choose>
bool withBuffer(std::string& path, std::size_t capacity, Choose choose) {
    if (capacity == 0) return false;
    std::vector<char> buffer(capacity, '\0');
    path.copy(buffer.data(), capacity - 1);
    const bool chosen = choose(buffer.data());
    path = buffer.data();
    return chosen;
}

}  // namespace

bool FileChooser::openFileDialog(HWND owner, std::string& path, std::size_t capacity) {
    return withBuffer(path, capacity, [&](char* buffer) { return openFileDialog(owner, buffer, capacity); });
}

bool FileChooser::saveFileDialog(HWND owner, std::string& path, std::size_t capacity) {
    return withBuffer(path, capacity, [&](char* buffer) { return saveFileDialog(owner, buffer, capacity); });
}

bool FileChooser::browseForFolder(HWND owner, std::string& path, std::size_t capacity) {
    return withBuffer(path, capacity, [&](char* buffer) { return browseForFolder(owner, buffer, capacity); });
}

}  // namespace dialogs
