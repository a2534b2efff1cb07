// The one door to the operating system for everything that is not a window:
// directory search, current directory, attributes, copy, delete, folder
// creation, error text, temporary folder, atomic replace and the shell's
// "open". One implementation for Win32 and one for POSIX, chosen at build time.
//
// Paths are Windows paths. On POSIX a '\' is a separator too, so configuration
// files and paths written for Windows work unchanged there; the POSIX side
// turns every '\' into '/' before it asks the system.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// Attribute bits as the Win32 file attributes define them.
constexpr std::uint32_t ATTR_READONLY = 0x01;
// Hidden and system files, as Windows marks them. POSIX has no such marks and
// reports neither (a name that begins with '.' is an ordinary file there).
constexpr std::uint32_t ATTR_HIDDEN = 0x02;
constexpr std::uint32_t ATTR_SYSTEM = 0x04;
constexpr std::uint32_t ATTR_DIRECTORY = 0x10;
constexpr std::uint32_t ATTR_NORMAL_FILE = 0x20;  // the "archive" bit: an ordinary file
// A symbolic link or a junction (any reparse point); set in a directory
// search's entries, next to the bits of what the link leads to.
constexpr std::uint32_t ATTR_LINK = 0x400;
// Neither a file nor a folder: a device, a pipe or a socket.
constexpr std::uint32_t ATTR_DEVICE = 0x40;
constexpr std::uint32_t ATTR_INVALID = 0xFFFFFFFFu;

// True for '\' and '/', the separators accepted on both systems.
inline bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Index of the last '\' or '/' in text, or npos.
std::size_t lastSeparator(const std::string& path);
const char* lastSeparator(const char* path);

// One entry of a directory search.
struct FoundEntry {
    std::string name;           // the entry's own name, without folder
    std::uint32_t attributes;   // ATTR_* bits
    std::uint64_t size;         // bytes; 0 for folders
};

// A directory search over a pattern such as "C:\\data\\*.*" or "dir\\*.w3d",
// matched as the Win32 search matches: '*' and '?' wildcards, letters compared
// without regard to case, "*.*" matching every name. A listing holds "." and
// ".." as the Win32 search does, in the file system's order.
class DirectorySearch {
public:
    DirectorySearch();
    ~DirectorySearch();
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;

    // Starts the search; true and the first entry when something matches.
    bool first(const char* pattern, FoundEntry& entry);
    // The next matching entry; false at the end.
    bool next(FoundEntry& entry);
    void close();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The absolute, normalised form of a path: a relative one is taken from the
// current directory, "." and ".." parts are resolved. Empty for an empty path.
std::string fullPath(const char* path);
// True when two paths name the same file by their full forms (letters
// compared without regard to case on Windows).
bool samePath(const char* a, const char* b);

// True when a directory search for the pattern finds an entry.
bool exists(const char* pattern);

// Win32 wildcard matching of one name against one pattern (no folder parts).
bool wildcardMatch(const char* pattern, const char* name);

// The current directory without a trailing separator (except at a root).
std::string currentDirectory();

// A folder and a name below it, joined by one '\' (by none when the folder is
// empty or ends in a separator already, as a root does). With an empty name:
// the folder with its trailing separator.
std::string joinPath(const std::string& folder, const std::string& name);
// The path a file is opened by: a path with a colon (a drive) or a leading
// separator as it is, any other joined to the current directory. Empty for
// an empty or missing path.
std::string resolvePath(const char* path);
bool changeDirectory(const char* path);

// ATTR_* bits of a path, ATTR_INVALID when it does not exist.
std::uint32_t fileAttributes(const char* path);
// The size in bytes of a file, or -1 when it cannot be queried.
std::int64_t fileSize(const char* path);

// Copies a file; with failIfExists an existing target is an error.
bool copyFile(const char* from, const char* to, bool failIfExists);
bool deleteFile(const char* path);
// Moves src over dst, replacing dst if it exists (same folder: atomic on both
// systems). Used to put a finished temporary file in place of a good one.
// A read-only or folder dst is refused on every system, as Windows refuses it
// (a rename elsewhere, and Wine, would replace a write-protected file).
bool replaceFile(const char* src, const char* dst);

// What createFolderTree found or did.
enum class FolderResult { CREATED, ALREADY_THERE, FAILED };
// Creates a folder with all its missing parents.
FolderResult createFolderTree(const char* path);

// True for an existing path that may not be written: read-only, a folder, or
// a file that does not open for update. A missing path is not protected.
// Writers that finish through a temporary file ask first, so that a
// protected target is refused at once instead of failing late.
bool isWriteProtected(const char* path);

// Opens a file like fopen, with the separators of this system.
std::FILE* openFile(const char* path, const char* mode);

// Writes `length` bytes as fwrite does, true when all were written. The
// bytes that reach the file are fwrite's; a stream opened in text mode on
// Windows gets its line ends ("\r\n" for every "\n") here, a large piece at
// a time, where the C library's own translation makes a system call for
// every two kilobytes or so.
bool writeStream(std::FILE* stream, const char* data, std::size_t length);

// Opens an input for reading ("rb" or "r") only when it is a regular file: a
// folder, a pipe or a device is refused at once (null, never a blocking
// open); inputProblem() then says why.
std::FILE* openInputFile(const char* path, const char* mode = "rb");
// Null when path is an existing regular file (links followed); otherwise a
// sentence for the user: missing, a folder, or not a regular file.
const char* inputProblem(const char* path);
// The length of an open file in bytes, -1 when it cannot be taken; 64-bit
// on every system.
std::int64_t streamSize(std::FILE* file);

// True when the path itself is a symbolic link or a junction (it is not
// followed). False for a missing path.
bool isLink(const char* path);

// What identifies a file whatever the spelling of its path: device and
// inode on POSIX, volume serial and file index on Windows.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool valid = false;
    bool operator==(const FileIdentity& o) const { return valid && o.valid && volume == o.volume && index == o.index; }
    bool operator!=(const FileIdentity& o) const { return !(*this == o); }
};
// The identity of an existing file or folder (links followed); not valid
// when it cannot be taken.
FileIdentity fileIdentity(const char* path);
FileIdentity fileIdentity(std::FILE* file);

// What opening an input as openInputFile opens it finds, without keeping
// it open: whether it opened (a regular file that may be read), its length
// (-1 when it cannot be taken) and its identity. After a failed open, the
// system's error is that of the open.
struct InputProbe {
    bool opened = false;
    std::int64_t size = -1;
    FileIdentity identity;
};
InputProbe probeInputFile(const char* path);
// openInputFile, telling what it found as it opened: the open file's
// length and identity (opened false and nothing else when it did not open).
std::FILE* openInputFile(const char* path, const char* mode, InputProbe& found);

// What tells that a file changed since it was last looked at: its identity,
// length and last-write time. Two stamps are equal only when both were taken.
struct FileStamp {
    FileIdentity identity;
    std::int64_t size = -1;
    std::int64_t modified = 0;  // the system's own time units
    bool operator==(const FileStamp& o) const {
        return identity == o.identity && size == o.size && modified == o.modified;
    }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};
FileStamp fileStamp(const char* path);

// A name for a temporary file in target's folder that cannot be guessed in
// advance: '~', random letters and digits, ".tmp".
std::string temporaryNameBeside(const std::string& target);
// Creates a new file beside target, exclusively (never an existing name,
// never through a link) under a temporaryNameBeside name. Opened for update, in binary
// mode or (text) with the system's line ends; null (and the system's error)
// when it cannot be created. The name is returned in temporaryPath.
std::FILE* createTemporaryBeside(const std::string& target, std::string& temporaryPath, bool text = false);
// Creates a new folder inside parent, exclusively, under prefix and random
// letters, readable by the user alone where the system allows. Empty on
// failure; the path (with a trailing separator) otherwise.
std::string createPrivateFolder(const std::string& parent, const char* prefix);
// Removes an empty folder.
bool removeFolder(const char* path);
// Random letters and digits for names nobody can plant in advance.
std::string randomName(std::size_t length);
// Moves a stream to an absolute offset, also beyond 2 GiB on 32-bit systems.
bool seekFile(std::FILE* file, std::uint64_t offset);
// Copies up to `size` bytes of `in`, from `offset` on, into `out` at
// `outOffset` (what `out` holds buffered is flushed first), inside the system
// where it can (no pass through the process). Neither stream's position is
// used or moved. Gives how many bytes it copied: 0 where the system has no
// such copy or refuses it for these files; the caller copies the rest itself.
std::uint64_t copyRange(std::FILE* in, std::uint64_t offset, std::uint64_t size, std::FILE* out,
                        std::uint64_t outOffset);

// The system's text for the last error of this thread, in the neutral language,
// without trailing line end, cut to at most maxLength characters.
std::string lastErrorText(std::size_t maxLength = 256);

// The system's last error code of this thread, and setting it back: for
// clean-up work that must not change the error a caller reports.
int lastErrorCode();
void setLastErrorCode(int code);

// A command-line argument as UTF-8: on Windows arguments come in the
// system's ANSI code page and are converted; elsewhere they are UTF-8 already.
std::string argumentUtf8(const std::string& argument);

// The user's temporary folder, with a trailing separator.
std::string tempFolder();

// Asks the shell to "open" a program with a file as its parameter, shown
// normally, owned by the given window (may be null). No result is checked by
// the tools; true when the request was accepted.
bool shellOpen(void* ownerWindow, const char* program, const char* parameter);

// Tests replace the shell's "open" with their own recorder; an empty function
// restores the real one.
using ShellOpenHandler = std::function<bool(void* ownerWindow, const char* program, const char* parameter)>;
void setShellOpenHandler(ShellOpenHandler handler);

// Names inside BIG archives are Windows-1252 bytes on every system. These
// turn a name of this system (UTF-8 on POSIX; on Windows the ANSI code page
// the file calls use, the same bytes when that is 1252) into archive bytes
// and back. False when the other side has no form for a character (or, on
// POSIX, the name is not UTF-8); fromArchiveName then still gives the name
// with '?' for what has none, for showing.
bool toArchiveName(const std::string& systemName, std::string& archiveName);
bool fromArchiveName(const std::string& archiveName, std::string& systemName);

}  // namespace platform
