#include <windows.h>

#include <stdexcept>

#include "testkit/TestKit.h"

namespace testkit {

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
