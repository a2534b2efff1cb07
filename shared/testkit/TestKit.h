// Helpers for the suite's tests. Test data is always written by code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "WorkProgress.h"

namespace testkit {

// The separator of the system the test runs on.
#ifdef _WIN32
constexpr char SEP = '\\';
#else
constexpr char SEP = '/';
#endif

// A fresh folder under the user's temporary folder, removed with everything
// in it when the object dies (unless MODTOOLS_KEEP_TEST_FILES is set).
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + SEP + relative (with '/' in relative turned into SEP).
    std::string file(const std::string& relative) const;

private:
    std::string path_;
};

std::string join(const std::string& folder, const std::string& relative);

// Writes bytes as they stand (binary); creates missing parent folders.
void writeFile(const std::string& path, const std::string& bytes);
// The whole file as bytes; empty when it cannot be read.
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

// Text with '\n' line ends as a text-mode stream of this system writes it
// ("\r\n" on Windows).
std::string textFileBytes(const std::string& text);

// Restores the current directory when it goes out of scope.
class CurrentDirectoryGuard {
public:
    explicit CurrentDirectoryGuard(const std::string& enter);
    ~CurrentDirectoryGuard();

private:
    std::string saved_;
};

// The full path of a program built into the same folder as the test
// ("Morvane" gives .../Morvane.exe on Windows).
std::string programPath(const std::string& name);

struct ProcessResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error, as written
};

// Runs a program with arguments in a working folder and waits for it.
ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workingFolder);

// Links and special files for the hostile cases. Each answers false when the
// system cannot make one, so that the test can skip with a reason.
// A link at linkPath to the folder target: a symbolic link on POSIX, a
// junction on Windows.
bool makeFolderLink(const std::string& target, const std::string& linkPath);
// A symbolic link at linkPath to a file (POSIX only).
bool makeFileLink(const std::string& target, const std::string& linkPath);
// A named pipe (POSIX only).
bool makePipe(const std::string& path);
// The names in a folder, without "." and "..", sorted.
std::vector<std::string> folderNames(const std::string& folder);
// Extends (or creates) a file to size bytes without writing them: a sparse
// file on systems that have them.
bool makeSizedFile(const std::string& path, std::uint64_t size);

// A progress that asks the work to stop once `limit` units have been done.
struct StopAfter : WorkProgress {
    explicit StopAfter(std::uint64_t at) : limit(at) {}
    void advance(std::uint64_t amount) override {
        WorkProgress::advance(amount);
        if (done >= limit) stop = true;
    }
    std::uint64_t limit;
};

#ifdef _WIN32
// Keeps a file open for reading only, sharing nothing but reading, as
// another program may: it can be neither opened for writing nor replaced.
class HeldOpen {
public:
    explicit HeldOpen(const std::string& path);
    ~HeldOpen();
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;

private:
    void* handle_;
};
#endif

// Points the user's temporary folder of this process at another folder
// while it lives (TMPDIR on POSIX, TMP and TEMP on Windows).
class TempFolderOverride {
public:
    explicit TempFolderOverride(const std::string& folder);
    ~TempFolderOverride();
    TempFolderOverride(const TempFolderOverride&) = delete;
    TempFolderOverride& operator=(const TempFolderOverride&) = delete;

private:
    std::vector<std::pair<std::string, std::string>> saved_;  // name, value ("" when unset)
    std::vector<bool> wasSet_;
};

// Little-endian byte builders for binary fixtures.
void putU8(std::string& out, std::uint8_t v);
void putU16(std::string& out, std::uint16_t v);
void putU32(std::string& out, std::uint32_t v);
void putF32(std::string& out, float v);
void putBE32(std::string& out, std::uint32_t v);

// A regex-like check that tolerates variable fields: every "\x01" in the
// pattern matches one digit.
bool matchesWithDigits(const std::string& pattern, const std::string& text);

}  // namespace testkit
