// Win32 implementation of the platform layer.
#include "platform/Platform.h"

#include "CodePage1252.h"
#include "LineFeed.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <vector>

#include <windows.h>
#include <shellapi.h>

namespace platform {

namespace {

std::uint32_t attributesOf(DWORD attributes) {
    // Only the bits the tools test are passed on.
    std::uint32_t result = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ATTR_DIRECTORY : ATTR_NORMAL_FILE;
    if (attributes & FILE_ATTRIBUTE_READONLY) result |= ATTR_READONLY;
    if (attributes & FILE_ATTRIBUTE_HIDDEN) result |= ATTR_HIDDEN;
    if (attributes & FILE_ATTRIBUTE_SYSTEM) result |= ATTR_SYSTEM;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) result |= ATTR_LINK;
    return result;
}

// The ANSI form of a name the system keeps in UTF-16. A character the code
// page lacks becomes '?', never a look-alike: the 8-bit search would give
// "lodz.str" for "\u0142odz.str", a name of another file or of none.
std::string ansiName(const wchar_t* name) {
    const bool utf8 = GetACP() == CP_UTF8;  // takes neither the flag nor a default
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length = WideCharToMultiByte(CP_ACP, flags, name, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return std::string();
    std::string out(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(CP_ACP, flags, name, -1, &out[0], length, utf8 ? nullptr : "?", nullptr) != length)
        return std::string();
    out.pop_back();
    return out;
}

void fill(const WIN32_FIND_DATAW& data, FoundEntry& entry) {
    entry.name = ansiName(data.cFileName);
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
    // Searched by the wide call, so that names come back without look-alikes.
    const int length = MultiByteToWideChar(CP_ACP, 0, pattern, -1, nullptr, 0);
    if (length <= 0) return false;
    std::vector<wchar_t> widePattern(static_cast<std::size_t>(length));
    if (MultiByteToWideChar(CP_ACP, 0, pattern, -1, widePattern.data(), length) != length) return false;
    WIN32_FIND_DATAW data;
    HANDLE handle = FindFirstFileW(widePattern.data(), &data);
    if (handle == INVALID_HANDLE_VALUE) return false;
    state_ = std::make_unique<State>();
    state_->handle = handle;
    fill(data, entry);
    return true;
}

bool DirectorySearch::next(FoundEntry& entry) {
    if (!state_) return false;
    WIN32_FIND_DATAW data;
    if (!FindNextFileW(state_->handle, &data)) return false;
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

FolderResult createFolderTree(const char* path) {
    // Walks the full path part by part, as the shell's folder creation does,
    // but accepts relative paths too.
    char full[MAX_PATH * 2];
    DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return FolderResult::FAILED;
    std::string p(full, length);
    while (p.size() > 3 && isSeparator(p.back())) p.pop_back();
    DWORD attributes = GetFileAttributesA(p.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FolderResult::ALREADY_THERE : FolderResult::FAILED;
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
            if (GetLastError() != ERROR_ALREADY_EXISTS) return FolderResult::FAILED;
            DWORD a = GetFileAttributesA(part.c_str());
            if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) return FolderResult::FAILED;
        }
    }
    return FolderResult::CREATED;
}

std::FILE* openFile(const char* path, const char* mode) {
    if (!path || !*path) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return std::fopen(path, mode);
}

bool writeStream(std::FILE* stream, const char* data, std::size_t length) {
    if (length == 0) return true;
    // The text is translated here, a piece of at most PIECE + 2 bytes at a
    // time, and written with the descriptor switched to binary meanwhile
    // (only this call writes to it then). What the stream still buffered is
    // written first, translated as before.
    const int fd = _fileno(stream);
    if (fd < 0 || std::fflush(stream) != 0) return std::fwrite(data, 1, length, stream) == length;
    const int mode = _setmode(fd, _O_BINARY);
    if (mode == -1 || (mode & _O_TEXT) == 0) {
        if (mode != -1) _setmode(fd, mode);
        return std::fwrite(data, 1, length, stream) == length;
    }
    constexpr std::size_t PIECE = 256 * 1024;
    constexpr std::size_t BLOCK = 16;  // lines are copied a block at a time
    // One buffer per thread, kept: a fresh one per call would be fresh pages.
    // A line's last block may be written whole past the line's end.
    thread_local std::unique_ptr<char[]> translated;
    if (!translated) translated.reset(new char[PIECE + 2 + BLOCK]);
    char* out = translated.get();
    bool ok = true;
    const char* from = data;
    const char* const end = data + length;
    while (from < end && ok) {
        // A piece: up to PIECE bytes of the text, each line end doubled.
        std::size_t used = 0;
        while (from < end && used < PIECE) {
            const std::size_t room = std::min<std::size_t>(PIECE - used, static_cast<std::size_t>(end - from));
            const char* lineEnd = lineFeed(from, from + room);
            const std::size_t plain = static_cast<std::size_t>(lineEnd - from);
            // Most lines are short: blocks of a fixed size are copied in place
            // rather than through a call for each line; the text is never read
            // past its end.
            std::size_t k = 0;
            for (; k + BLOCK <= plain; k += BLOCK) std::memcpy(out + used + k, from + k, BLOCK);
            if (k < plain) {
                if (static_cast<std::size_t>(end - from) - k >= BLOCK)
                    std::memcpy(out + used + k, from + k, BLOCK);
                else
                    std::memcpy(out + used + k, from + k, plain - k);
            }
            used += plain;
            from += plain;
            if (plain < room) {
                out[used++] = '\r';
                out[used++] = '\n';
                ++from;
            }
        }
        ok = std::fwrite(out, 1, used, stream) == used;
    }
    if (std::fflush(stream) != 0) ok = false;
    _setmode(fd, mode);
    return ok;
}

namespace {

// The form of a path for the wide system calls. A path whose full form is
// shorter than MAX_PATH is passed as it is; a longer one, which the 8-bit
// calls refuse, is passed as its full form behind "\\?\" (or "\\?\UNC\" for
// a share), which the system takes up to 32,767 characters.
std::wstring systemPath(const char* path) {
    std::wstring wide;
    const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 1) return wide;
    wide.resize(static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], length);
    wide.pop_back();  // the terminator
    if (wide.compare(0, 4, L"\\\\?\\") == 0) return wide;
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);  // with the terminator
    if (needed <= MAX_PATH) return wide;
    std::wstring full(needed, L'\0');
    const DWORD got = GetFullPathNameW(wide.c_str(), needed, &full[0], nullptr);
    if (got == 0 || got >= needed) return wide;
    full.resize(got);
    if (full.compare(0, 4, L"\\\\.\\") == 0) return full;  // a device path stays as it is
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// A C stream over a handle; the handle is closed when the stream cannot be made.
std::FILE* streamOf(HANDLE handle, int flags, const char* mode) {
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, mode);
    if (!file) _close(fd);
    return file;
}

}  // namespace

// Inputs are opened through the wide calls, so that a file whose full path
// has MAX_PATH characters or more (deep in a collected folder) is read too.
std::FILE* openInputFile(const char* path, const char* mode) {
    const std::wstring wide = path ? systemPath(path) : std::wstring();
    if (inputProblem(path)) {
        DWORD attributes = wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
        SetLastError(attributes == INVALID_FILE_ATTRIBUTES ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
        return nullptr;
    }
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    // Checked on the open handle: a device name ("NUL", "COM1") passes the
    // attribute test but is no disk file.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const bool text = std::strchr(mode, 'b') == nullptr;
    return streamOf(handle, _O_RDONLY | (text ? _O_TEXT : _O_BINARY), mode);
}

const char* inputProblem(const char* path) {
    const std::wstring wide = path ? systemPath(path) : std::wstring();
    DWORD attributes = wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return "The file does not exist.";
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "The path is a folder, not a file.";
    const char* const NOT_REGULAR = "The path is not a regular file (a device or a pipe).";
    if (attributes & FILE_ATTRIBUTE_DEVICE) return NOT_REGULAR;
    // Device names ("NUL", "COM1") show ordinary attributes: the handle tells.
    HANDLE handle = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;  // the open that follows gives the reason
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return type == FILE_TYPE_DISK ? nullptr : NOT_REGULAR;
}

std::int64_t streamSize(std::FILE* file) {
    if (!file) return -1;
    std::int64_t length = _filelengthi64(_fileno(file));
    return length < 0 ? -1 : length;
}

bool isLink(const char* path) {
    if (!path || !*path) return false;
    std::string p(path);
    while (p.size() > 3 && isSeparator(p.back())) p.pop_back();
    DWORD attributes = GetFileAttributesA(p.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

namespace {
FileIdentity identityOf(HANDLE handle) {
    FileIdentity id;
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return id;
    id.volume = info.dwVolumeSerialNumber;
    id.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.valid = true;
    return id;
}
}  // namespace

FileIdentity fileIdentity(const char* path) {
    if (!path || !*path) return FileIdentity();
    // No access asked: enough for the information, and folders open too.
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    FileIdentity id = identityOf(handle);
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    return id;
}

FileIdentity fileIdentity(std::FILE* file) {
    if (!file) return FileIdentity();
    return identityOf(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))));
}

std::FILE* openInputFile(const char* path, const char* mode, InputProbe& found) {
    found = InputProbe();
    std::FILE* file = openInputFile(path, mode);
    if (!file) return nullptr;
    found.opened = true;
    found.size = streamSize(file);
    found.identity = fileIdentity(file);
    return file;
}

InputProbe probeInputFile(const char* path) {
    InputProbe probe;
    std::FILE* file = openInputFile(path, "rb", probe);
    if (file) std::fclose(file);
    return probe;
}

std::uint64_t copyRange(std::FILE*, std::uint64_t, std::uint64_t, std::FILE*, std::uint64_t) { return 0; }

std::string argumentUtf8(const std::string& argument) {
    if (argument.empty()) return argument;
    const int units = MultiByteToWideChar(CP_ACP, 0, argument.data(), static_cast<int>(argument.size()), nullptr, 0);
    if (units <= 0) return argument;
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, argument.data(), static_cast<int>(argument.size()), &wide[0], units);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return argument;
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, &out[0], bytes, nullptr, nullptr);
    return out;
}

FileStamp fileStamp(const char* path) {
    FileStamp stamp;
    if (!path || !*path) return stamp;
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return stamp;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(handle, &info)) {
        stamp.identity.volume = info.dwVolumeSerialNumber;
        stamp.identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        stamp.identity.valid = true;
        stamp.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
        stamp.modified = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                                   info.ftLastWriteTime.dwLowDateTime);
    }
    CloseHandle(handle);
    return stamp;
}

std::FILE* createTemporaryBeside(const std::string& target, std::string& temporaryPath, bool text) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporaryNameBeside(target);
        // CREATE_NEW fails on any existing name, a link or junction included.
        HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return nullptr;
        }
        std::FILE* file = streamOf(handle, _O_RDWR | (text ? _O_TEXT : _O_BINARY), text ? "w+" : "wb+");
        if (!file) {
            DWORD error = GetLastError();
            DeleteFileA(name.c_str());
            SetLastError(error);
            return nullptr;
        }
        temporaryPath = name;
        return file;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return nullptr;
}

std::string createPrivateFolder(const std::string& parent, const char* prefix) {
    std::string base = parent;
    if (!base.empty() && !isSeparator(base.back())) base += '\\';
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string folder = base + (prefix ? prefix : "") + randomName(10);
        // A folder in the user's temporary folder inherits the user's own
        // rights there; CreateDirectory fails on any existing name.
        if (CreateDirectoryA(folder.c_str(), nullptr)) return folder + '\\';
        if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
    }
    return std::string();
}

bool removeFolder(const char* path) { return path && RemoveDirectoryA(path) != 0; }

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

int lastErrorCode() { return static_cast<int>(GetLastError()); }

void setLastErrorCode(int code) { SetLastError(static_cast<DWORD>(code)); }

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

// The file calls take names in the ANSI code page. Where that is 1252 the
// bytes are the archive's as they stand; elsewhere they go through UTF-16,
// refusing what either side lacks rather than taking a look-alike.
bool toArchiveName(const std::string& systemName, std::string& archiveName) {
    archiveName.clear();
    if (GetACP() == 1252 || systemName.empty()) {
        archiveName = systemName;
        return true;
    }
    const int size = static_cast<int>(systemName.size());
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, systemName.data(), size, nullptr, 0);
    if (length <= 0) return false;
    std::vector<wchar_t> wide(static_cast<std::size_t>(length));
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, systemName.data(), size, wide.data(), length) != length)
        return false;
    for (wchar_t c : wide) {
        unsigned char byte = 0;
        if (!cp1252::fromCodePoint(static_cast<char32_t>(c), byte)) return false;
        archiveName += static_cast<char>(byte);
    }
    return true;
}

bool fromArchiveName(const std::string& archiveName, std::string& systemName) {
    systemName.clear();
    const UINT codePage = GetACP();
    if (codePage == 1252 || archiveName.empty()) {
        systemName = archiveName;
        return true;
    }
    std::vector<wchar_t> wide;
    wide.reserve(archiveName.size());
    for (char b : archiveName) wide.push_back(static_cast<wchar_t>(cp1252::toCodePoint(static_cast<unsigned char>(b))));
    // UTF-8 holds every character and takes neither flags nor a default.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return false;
    systemName.resize(static_cast<std::size_t>(length));
    if (WideCharToMultiByte(CP_ACP, flags, wide.data(), size, &systemName[0], length, utf8 ? nullptr : "?",
                            utf8 ? nullptr : &usedDefault) != length) {
        systemName.clear();
        return false;
    }
    return !usedDefault;
}

}  // namespace platform
