#include <windows.h>

#include <winioctl.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "testkit/TestKit.h"

namespace testkit {

bool makeFolderLink(const std::string& target, const std::string& linkPath) {
    // A junction: an empty folder with a mount-point reparse record whose
    // substitute name is the target's full path in "\??\" form.
    char full[MAX_PATH * 2];
    DWORD length = GetFullPathNameA(target.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return false;
    if (!CreateDirectoryA(linkPath.c_str(), nullptr)) return false;
    std::wstring substitute = L"\\??\\";
    for (DWORD i = 0; i < length; ++i) substitute += static_cast<wchar_t>(static_cast<unsigned char>(full[i]));
    std::wstring print(substitute.begin() + 4, substitute.end());
    const std::size_t subBytes = substitute.size() * sizeof(wchar_t), printBytes = print.size() * sizeof(wchar_t);
    // ReparseTag, ReparseDataLength, Reserved, then the mount-point fields.
    const std::size_t pathBytes = subBytes + printBytes + 2 * sizeof(wchar_t);
    std::vector<unsigned char> buffer(8 + 8 + pathBytes, 0);
    auto put16 = [&](std::size_t at, std::size_t v) {
        buffer[at] = static_cast<unsigned char>(v);
        buffer[at + 1] = static_cast<unsigned char>(v >> 8);
    };
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(buffer.data(), &tag, 4);
    put16(4, 8 + pathBytes);
    put16(8, 0);                                 // substitute name offset
    put16(10, subBytes);                         // substitute name length
    put16(12, subBytes + sizeof(wchar_t));       // print name offset
    put16(14, printBytes);                       // print name length
    std::memcpy(buffer.data() + 16, substitute.data(), subBytes);
    std::memcpy(buffer.data() + 16 + subBytes + sizeof(wchar_t), print.data(), printBytes);
    HANDLE handle = CreateFileA(linkPath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    bool ok = handle != INVALID_HANDLE_VALUE;
    DWORD returned = 0;
    if (ok) {
        ok = DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                             nullptr, 0, &returned, nullptr) != 0;
        CloseHandle(handle);
    }
    if (!ok) RemoveDirectoryA(linkPath.c_str());
    return ok;
}

HeldOpen::HeldOpen(const std::string& path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}

HeldOpen::~HeldOpen() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

bool makeFileLink(const std::string&, const std::string&) { return false; }

TempFolderOverride::TempFolderOverride(const std::string& folder) {
    for (const char* name : {"TMP", "TEMP"}) {
        char value[MAX_PATH * 2] = {0};
        DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
        saved_.push_back({name, std::string(value, length < sizeof value ? length : 0)});
        wasSet_.push_back(length > 0);
        SetEnvironmentVariableA(name, folder.c_str());
    }
}

TempFolderOverride::~TempFolderOverride() {
    for (std::size_t i = 0; i < saved_.size(); ++i)
        SetEnvironmentVariableA(saved_[i].first.c_str(), wasSet_[i] ? saved_[i].second.c_str() : nullptr);
}

bool makePipe(const std::string&) { return false; }

bool makeSizedFile(const std::string& path, std::uint64_t size) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    DeviceIoControl(handle, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(size);
    bool ok = SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
    CloseHandle(handle);
    return ok;
}

std::string programPath(const std::string& name) {
    char self[MAX_PATH + 1] = {0};
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length == 0) throw std::runtime_error("cannot find the test executable");
    std::string dir(self, length);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + name + ".exe";
}

namespace {
// Quotes one argument the way the C runtime splits a command line.
std::string quote(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
        } else {
            // Backslashes before a quote are doubled and the quote escaped.
            if (c == '"') out.append(backslashes + 1, '\\');
            backslashes = 0;
        }
        out += c;
    }
    out.append(backslashes, '\\');
    return out + "\"";
}
}  // namespace

ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workingFolder) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) throw std::runtime_error("CreatePipe failed");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    std::string commandLine = quote(program);
    for (const std::string& a : args) commandLine += " " + quote(a);

    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi = {};
    std::string mutableLine = commandLine;
    BOOL started = CreateProcessA(program.c_str(), &mutableLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  workingFolder.empty() ? nullptr : workingFolder.c_str(), &si, &pi);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        throw std::runtime_error("cannot start " + program);
    }
    ProcessResult result;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) result.output.append(buffer, got);
    CloseHandle(readEnd);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    result.exitCode = static_cast<int>(code);
    return result;
}

}  // namespace testkit
