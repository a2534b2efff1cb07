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
    : folderItem(nullptr),
      taskMemory(nullptr),
      taskMemorySize(256),
      comInitialised(false),
      title{},
      filter{},
      initialFolder{},
      folderPath{},
      openRecord{},
      saveRecord{},
      browseRecord{} {}

FileChooser::~FileChooser() {
    releaseFolderItem();
    releaseTaskMemory();
    if (comInitialised) CoUninitialize();
}

void FileChooser::releaseFolderItem() {
    if (folderItem != nullptr) {
        CoTaskMemFree(folderItem);
        folderItem = nullptr;
    }
}

void FileChooser::setTitle(const char* text) {
    std::memset(title, 0, sizeof title);
    if (text == nullptr) return;
    std::strncpy(title, text, sizeof title - 1);
}

bool FileChooser::setFilter(const char* list) {
    std::memset(filter, 0, sizeof filter);
    if (list == nullptr) return true;
    std::size_t used = 0;  // bytes of complete pairs copied so far
    const char* pair = list;
    while (*pair != '\0') {
        std::size_t descriptionLength = std::strlen(pair);
        const char* pattern = pair + descriptionLength + 1;
        std::size_t patternLength = std::strlen(pattern);
        std::size_t pairBytes = descriptionLength + 1 + patternLength + 1;
        // The pair and the list's closing zero must fit.
        if (used + pairBytes + 1 > sizeof filter) return false;
        std::memcpy(filter + used, pair, pairBytes);
        used += pairBytes;
        pair = pattern + patternLength + 1;
    }
    return true;
}

void FileChooser::takeInitialFolder(const char* buffer) {
    char copy[sizeof initialFolder];
    std::strncpy(copy, buffer, sizeof copy - 1);
    copy[sizeof copy - 1] = '\0';
    char* cut = std::strrchr(copy, '\\');
    if (cut == nullptr) return;
    *cut = '\0';
    std::memcpy(initialFolder, copy, sizeof initialFolder);
}

bool FileChooser::openFileDialog(HWND owner, char* buffer, std::size_t capacity) {
    if (buffer == nullptr || capacity == 0) return false;
    buffer[capacity - 1] = '\0';
    std::memset(&openRecord, 0, sizeof openRecord);
    openRecord.lStructSize = sizeof openRecord;
    openRecord.hwndOwner = owner;
    openRecord.lpstrFilter = filter;
    openRecord.nFilterIndex = 1;
    openRecord.lpstrFile = buffer;
    openRecord.nMaxFile = dialogSize(capacity);
    openRecord.lpstrTitle = title;
    openRecord.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    openRecord.lpstrInitialDir = initialFolder;
    takeInitialFolder(buffer);
    return GetOpenFileNameA(&openRecord) != FALSE;
}

bool FileChooser::saveFileDialog(HWND owner, char* buffer, std::size_t capacity) {
    if (buffer == nullptr || capacity == 0) return false;
    buffer[capacity - 1] = '\0';
    std::memset(&saveRecord, 0, sizeof saveRecord);
    saveRecord.lStructSize = sizeof saveRecord;
    saveRecord.hwndOwner = owner;
    saveRecord.lpstrFilter = filter;
    saveRecord.nFilterIndex = 1;
    saveRecord.lpstrFile = buffer;
    saveRecord.nMaxFile = dialogSize(capacity);
    // No file title buffer is given, so no size for it either.
    saveRecord.lpstrInitialDir = initialFolder;
    saveRecord.lpstrTitle = title;
    saveRecord.Flags = OFN_OVERWRITEPROMPT;
    takeInitialFolder(buffer);
    return GetSaveFileNameA(&saveRecord) != FALSE;
}

bool FileChooser::allocateTaskMemory() {
    if (!comInitialised) {
        HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // S_FALSE: already started on this thread; it still has to be ended once.
        comInitialised = SUCCEEDED(started);
    }
    if (taskMemory == nullptr) taskMemory = CoTaskMemAlloc(taskMemorySize);
    return taskMemory != nullptr;
}

bool FileChooser::releaseTaskMemory() {
    if (taskMemory == nullptr) return false;
    CoTaskMemFree(taskMemory);
    taskMemory = nullptr;
    return true;
}

bool FileChooser::browseForFolder(HWND owner, char* buffer, std::size_t capacity) {
    if (taskMemory == nullptr || buffer == nullptr || capacity == 0) return false;
    // The browser writes a display name of up to MAX_PATH characters, so it
    // gets a buffer of that size and the caller's buffer gets what fits.
    char displayName[MAX_PATH] = {0};
    std::memset(&browseRecord, 0, sizeof browseRecord);
    browseRecord.hwndOwner = owner;
    browseRecord.pidlRoot = nullptr;
    browseRecord.pszDisplayName = displayName;
    browseRecord.lpszTitle = title;
    browseRecord.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    releaseFolderItem();
    folderItem = SHBrowseForFolderA(&browseRecord);
    if (folderItem == nullptr) return false;
    std::memset(folderPath, 0, sizeof folderPath);
    SHGetPathFromIDListA(folderItem, folderPath);
    const char* chosen = folderPath[0] == ' ' ? displayName : folderPath;
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
