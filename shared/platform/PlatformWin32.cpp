// Win32 implementation of the platform layer.
#include "platform/Platform.h"

#include <cstring>
#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>

namespace platform {

namespace {

std::uint32_t attributesOf(DWORD attributes) {
    // Only the bits the tools test are passed on.
    std::uint32_t result = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ATTR_DIRECTORY : ATTR_NORMAL_FILE;
    if (attributes & FILE_ATTRIBUTE_READONLY) result |= ATTR_READONLY;
    return result;
}

void fill(const WIN32_FIND_DATAA& data, FoundEntry& entry) {
    entry.name = data.cFileName;
    entry.attributes = attributesOf(data.dwFileAttributes);
    entry.size = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                     ? 0
                     : (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

struct DirectorySearch::State {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~State() {
        if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
    }
};

DirectorySearch::DirectorySearch() = default;
DirectorySearch::~DirectorySearch() = default;

bool DirectorySearch::first(const char* pattern, FoundEntry& entry) {
    state_.reset();
    if (!pattern || !*pattern) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    WIN32_FIND_DATAA data;
    HANDLE handle = FindFirstFileA(pattern, &data);
    if (handle == INVALID_HANDLE_VALUE) return false;
    state_ = std::make_unique<State>();
    state_->handle = handle;
    fill(data, entry);
    return true;
}

bool DirectorySearch::next(FoundEntry& entry) {
    if (!state_) return false;
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(state_->handle, &data)) return false;
    fill(data, entry);
    return true;
}

void DirectorySearch::close() { state_.reset(); }

std::string fullPath(const char* path) {
    if (!path || !*path) return std::string();
    char full[MAX_PATH * 2];
    DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return path;
    return std::string(full, length);
}

bool samePath(const char* a, const char* b) {
    std::string fa = fullPath(a), fb = fullPath(b);
    return !fa.empty() && lstrcmpiA(fa.c_str(), fb.c_str()) == 0;
}

std::string currentDirectory() {
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) return std::string();
    std::vector<char> buffer(needed + 1);
    DWORD got = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (got == 0 || got >= buffer.size()) return std::string();
    return std::string(buffer.data(), got);
}

bool changeDirectory(const char* path) { return SetCurrentDirectoryA(path) != 0; }

std::uint32_t fileAttributes(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return ATTR_INVALID;
    return attributesOf(attributes);
}

std::int64_t fileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

bool copyFile(const char* from, const char* to, bool failIfExists) {
    return CopyFileA(from, to, failIfExists ? TRUE : FALSE) != 0;
}

bool deleteFile(const char* path) { return DeleteFileA(path) != 0; }

bool replaceFile(const char* src, const char* dst) {
    DWORD attributes = GetFileAttributesA(dst);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return MoveFileExA(src, dst, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

int createFolderTree(const char* path) {
    // Walks the full path part by part, as the shell's folder creation does,
    // but accepts relative paths too.
    char full[MAX_PATH * 2];
    DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return ERROR_BAD_PATHNAME;
    std::string p(full, length);
    while (p.size() > 3 && isSeparator(p.back())) p.pop_back();
    DWORD attributes = GetFileAttributesA(p.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FOLDER_EXISTS : ERROR_FILE_EXISTS;
    // Skip the root: "C:\" or "\\server\share\".
    std::size_t start = 0;
    if (p.size() >= 2 && p[1] == ':') {
        start = 3;
    } else if (p.compare(0, 2, "\\\\") == 0) {
        std::size_t server = p.find_first_of("\\/", 2);
        std::size_t share = server == std::string::npos ? std::string::npos : p.find_first_of("\\/", server + 1);
        start = share == std::string::npos ? p.size() : share + 1;
    }
    for (std::size_t i = start; i <= p.size(); ++i) {
        if (i != p.size() && !isSeparator(p[i])) continue;
        std::string part = p.substr(0, i);
        if (part.empty()) continue;
        if (!CreateDirectoryA(part.c_str(), nullptr)) {
            DWORD error = GetLastError();
            if (error != ERROR_ALREADY_EXISTS) return static_cast<int>(error);
            DWORD a = GetFileAttributesA(part.c_str());
            if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_PATH_NOT_FOUND;
        }
    }
    return 0;
}

std::FILE* openFile(const char* path, const char* mode) {
    if (!path || !*path) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return std::fopen(path, mode);
}

bool seekFile(std::FILE* file, std::uint64_t offset) {
    if (!file || offset > 0x7FFFFFFFFFFFFFFFull) return false;
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

std::string lastErrorText(std::size_t maxLength) {
    DWORD error = GetLastError();
    char buffer[1024] = {0};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer - 1, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.size() > maxLength) text.resize(maxLength);
    return text;
}

std::string tempFolder() {
    char buffer[MAX_PATH + 1] = {0};
    DWORD length = GetTempPathA(sizeof buffer, buffer);
    if (length == 0 || length > MAX_PATH) return ".\\";
    std::string folder(buffer, length);
    if (!isSeparator(folder.back())) folder += '\\';
    return folder;
}

bool shellOpenSystem(void* ownerWindow, const char* program, const char* parameter) {
    HINSTANCE result = ShellExecuteA(static_cast<HWND>(ownerWindow), "open", program, parameter, nullptr,
                                     SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace platform
