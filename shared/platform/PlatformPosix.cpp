// POSIX implementation of the platform layer.
#include "platform/Platform.h"

#include "CodePage1252.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

std::string nativePath(const char* path) {
    std::string p(path ? path : "");
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

std::uint32_t attributesOf(const struct stat& st) {
    std::uint32_t attributes = S_ISDIR(st.st_mode) ? ATTR_DIRECTORY : ATTR_NORMAL_FILE;
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) attributes |= ATTR_DEVICE;
    // Judged by the permission bits rather than access(): a tool run as root
    // must still see a file that nobody may write as read-only.
    if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) attributes |= ATTR_READONLY;
    return attributes;
}

bool hasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

// Orders a listing as an NTFS folder lists it: "." and ".." first, then by
// name with letters folded to upper case. readdir's own order is a hash order
// that differs between runs of the same tree on different machines.
// (Letters are folded by hand: this comparison runs for every pair a sort of
// a large folder compares, and the library's toupper costs a call each.)
bool listingOrder(const FoundEntry& a, const FoundEntry& b) {
    auto rank = [](const std::string& n) {
        return n[0] != '.' || n.size() > 2 ? 2 : n.size() == 1 ? 0 : n[1] == '.' ? 1 : 2;
    };
    int ra = a.name.empty() ? 2 : rank(a.name), rb = b.name.empty() ? 2 : rank(b.name);
    if (ra != rb) return ra < rb;
    auto upper = [](char c) {
        unsigned char u = static_cast<unsigned char>(c);
        return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - ('a' - 'A')) : u;
    };
    const std::size_t n = std::min(a.name.size(), b.name.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = upper(a.name[i]), y = upper(b.name[i]);
        if (x != y) return x < y;
    }
    return a.name.size() < b.name.size();
}

}  // namespace

struct DirectorySearch::State {
    std::vector<FoundEntry> entries;
    std::size_t next = 0;
};

DirectorySearch::DirectorySearch() = default;
DirectorySearch::~DirectorySearch() = default;

bool DirectorySearch::first(const char* pattern, FoundEntry& entry) {
    state_.reset();
    std::string path = nativePath(pattern);
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    std::size_t cut = path.rfind('/');
    std::string folder = cut == std::string::npos ? std::string(".") : path.substr(0, cut);
    if (folder.empty()) folder = "/";
    std::string namePattern = cut == std::string::npos ? path : path.substr(cut + 1);
    if (namePattern.empty()) {  // "folder\" finds nothing, as on Win32
        errno = ENOENT;
        return false;
    }

    auto state = std::make_unique<State>();
    if (!hasWildcard(namePattern)) {
        struct stat st;
        if (stat(path.c_str(), &st) != 0) return false;
        state->entries.push_back({namePattern, attributesOf(st),
                                  S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size)});
    } else {
        DIR* dir = opendir(folder.c_str());
        if (!dir) return false;
        int dirFd = dirfd(dir);
        // "*" and "*.*" match every name (a name without a dot as if it
        // ended in one).
        const bool everyName = namePattern == "*" || namePattern == "*.*";
        while (dirent* d = readdir(dir)) {
            if (!everyName && !wildcardMatch(namePattern.c_str(), d->d_name)) continue;
            // One look at the entry itself, relative to the open folder; only
            // a link is looked at a second time, through to what it leads to.
            struct stat st;
            if (fstatat(dirFd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // vanished
            const bool link = S_ISLNK(st.st_mode);
            if (link) {
                struct stat target;
                // A dangling link is listed as the link itself.
                if (fstatat(dirFd, d->d_name, &target, 0) == 0) st = target;
            }
            // A link is marked as Win32 marks a reparse point, next to the
            // bits of what it leads to.
            state->entries.push_back({d->d_name, attributesOf(st) | (link ? ATTR_LINK : 0),
                                      S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size)});
        }
        closedir(dir);
        std::sort(state->entries.begin(), state->entries.end(), listingOrder);
    }
    if (state->entries.empty()) {
        errno = ENOENT;
        return false;
    }
    state_ = std::move(state);
    return next(entry);
}

bool DirectorySearch::next(FoundEntry& entry) {
    if (!state_ || state_->next >= state_->entries.size()) {
        errno = ENOENT;
        return false;
    }
    entry = std::move(state_->entries[state_->next++]);  // each entry is given once
    return true;
}

void DirectorySearch::close() { state_.reset(); }

std::string fullPath(const char* path) {
    std::string p = nativePath(path);
    if (p.empty()) return p;
    if (p[0] != '/') p = currentDirectory() + "/" + p;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= p.size()) {
        std::size_t end = p.find('/', start);
        if (end == std::string::npos) end = p.size();
        std::string part = p.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string full;
    for (const std::string& part : parts) full += "/" + part;
    return full.empty() ? "/" : full;
}

bool samePath(const char* a, const char* b) {
    std::string fa = fullPath(a);
    return !fa.empty() && fa == fullPath(b);
}

std::string currentDirectory() {
    std::vector<char> buffer(PATH_MAX + 1);
    if (!getcwd(buffer.data(), buffer.size())) return std::string();
    return buffer.data();
}

bool changeDirectory(const char* path) { return chdir(nativePath(path).c_str()) == 0; }

std::uint32_t fileAttributes(const char* path) {
    struct stat st;
    if (!path || stat(nativePath(path).c_str(), &st) != 0) return ATTR_INVALID;
    return attributesOf(st);
}

std::int64_t fileSize(const char* path) {
    struct stat st;
    if (!path || stat(nativePath(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool copyFile(const char* from, const char* to, bool failIfExists) {
    int in = open(nativePath(from).c_str(), O_RDONLY);
    if (in < 0) return false;
    struct stat st;
    if (fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(in);
        errno = EISDIR;
        return false;
    }
    int flags = O_WRONLY | O_CREAT | O_TRUNC | (failIfExists ? O_EXCL : 0);
    int out = open(nativePath(to).c_str(), flags, 0666);
    if (out < 0) {
        ::close(in);
        return false;
    }
    std::vector<char> buffer(1 << 20);
    bool ok = true;
    for (;;) {
        ssize_t got = read(in, buffer.data(), buffer.size());
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < got;) {
            ssize_t put = write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) continue;
                ok = false;
                break;
            }
            done += put;
        }
        if (!ok) break;
    }
    ::close(in);
    // A copy keeps the source's permission bits, as a Win32 copy keeps its
    // attributes (a read-only source gives a read-only copy).
    if (ok) fchmod(out, st.st_mode & 07777);
    if (::close(out) != 0) ok = false;
    if (!ok) unlink(nativePath(to).c_str());
    return ok;
}

bool deleteFile(const char* path) {
    std::string p = nativePath(path);
    struct stat st;
    if (stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    return unlink(p.c_str()) == 0;
}

bool replaceFile(const char* src, const char* dst) {
    std::string target = nativePath(dst);
    struct stat st;
    if (stat(target.c_str(), &st) == 0 &&
        (S_ISDIR(st.st_mode) || (attributesOf(st) & ATTR_READONLY))) {
        errno = EACCES;
        return false;
    }
    return rename(nativePath(src).c_str(), target.c_str()) == 0;
}

FolderResult createFolderTree(const char* path) {
    std::string p = nativePath(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (p.empty()) return FolderResult::FAILED;
    struct stat st;
    if (stat(p.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? FolderResult::ALREADY_THERE : FolderResult::FAILED;
    for (std::size_t i = 1; i <= p.size(); ++i) {
        if (i != p.size() && p[i] != '/') continue;
        std::string part = p.substr(0, i);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return FolderResult::FAILED;
        if (stat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return FolderResult::FAILED;
    }
    return FolderResult::CREATED;
}

std::FILE* openFile(const char* path, const char* mode) {
    if (!path || !*path) {
        errno = ENOENT;
        return nullptr;
    }
    return std::fopen(nativePath(path).c_str(), mode);
}

bool writeStream(std::FILE* stream, const char* data, std::size_t length) {
    return length == 0 || std::fwrite(data, 1, length, stream) == length;
}

namespace {

FileIdentity identityOf(const struct stat& st) {
    FileIdentity id;
    id.volume = static_cast<std::uint64_t>(st.st_dev);
    id.index = static_cast<std::uint64_t>(st.st_ino);
    id.valid = true;
    return id;
}

// Opens an input without waiting (a pipe with no writer would block) and
// checks it on the open descriptor: -1 and the system's error unless it is a
// regular file; st holds what the check saw.
int openRegularFile(const char* path, struct stat& st) {
    if (!path || !*path) {
        errno = ENOENT;
        return -1;
    }
    int fd = open(nativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    const bool known = fstat(fd, &st) == 0;
    if (!known || !S_ISREG(st.st_mode)) {
        const int error = !known ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = error;
        return -1;
    }
    // O_NONBLOCK stays: it changes nothing in the reads of a regular file.
    return fd;
}

}  // namespace

std::FILE* openInputFile(const char* path, const char* mode) {
    InputProbe found;
    return openInputFile(path, mode, found);
}

std::FILE* openInputFile(const char* path, const char* mode, InputProbe& found) {
    found = InputProbe();
    struct stat st;
    int fd = openRegularFile(path, st);
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, mode);
    if (!file) {
        ::close(fd);
        return nullptr;
    }
    found.opened = true;
    found.size = static_cast<std::int64_t>(st.st_size);
    found.identity = identityOf(st);
    return file;
}

const char* inputProblem(const char* path) {
    struct stat st;
    if (!path || !*path || stat(nativePath(path).c_str(), &st) != 0) return "The file does not exist.";
    if (S_ISDIR(st.st_mode)) return "The path is a folder, not a file.";
    if (!S_ISREG(st.st_mode)) return "The path is not a regular file (a device or a pipe).";
    return nullptr;
}

std::int64_t streamSize(std::FILE* file) {
    struct stat st;
    if (!file || fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool isLink(const char* path) {
    std::string p = nativePath(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    struct stat st;
    return path && lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}


FileIdentity fileIdentity(const char* path) {
    struct stat st;
    if (!path || stat(nativePath(path).c_str(), &st) != 0) return FileIdentity();
    return identityOf(st);
}

FileIdentity fileIdentity(std::FILE* file) {
    struct stat st;
    if (!file || fstat(fileno(file), &st) != 0) return FileIdentity();
    return identityOf(st);
}

InputProbe probeInputFile(const char* path) {
    InputProbe probe;
    struct stat st;
    int fd = openRegularFile(path, st);
    if (fd < 0) return probe;
    ::close(fd);
    probe.opened = true;
    probe.size = static_cast<std::int64_t>(st.st_size);
    probe.identity = identityOf(st);
    return probe;
}

std::string argumentUtf8(const std::string& argument) { return argument; }

FileStamp fileStamp(const char* path) {
    FileStamp stamp;
    struct stat st;
    if (!path || stat(nativePath(path).c_str(), &st) != 0) return stamp;
    stamp.identity = identityOf(st);
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

std::FILE* createTemporaryBeside(const std::string& target, std::string& temporaryPath, bool) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporaryNameBeside(target);
        int fd = open(nativePath(name.c_str()).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        std::FILE* file = fdopen(fd, "wb+");
        if (!file) {
            int error = errno;
            ::close(fd);
            unlink(nativePath(name.c_str()).c_str());
            errno = error;
            return nullptr;
        }
        temporaryPath = name;
        return file;
    }
    errno = EEXIST;
    return nullptr;
}

std::string createPrivateFolder(const std::string& parent, const char* prefix) {
    std::string base = parent;
    if (!base.empty() && !isSeparator(base.back())) base += '/';
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string folder = base + (prefix ? prefix : "") + randomName(10);
        if (mkdir(nativePath(folder.c_str()).c_str(), 0700) == 0) return folder + '/';
        if (errno != EEXIST) return std::string();
    }
    return std::string();
}

bool removeFolder(const char* path) { return path && rmdir(nativePath(path).c_str()) == 0; }

bool seekFile(std::FILE* file, std::uint64_t offset) {
    if (!file || offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::uint64_t copyRange(std::FILE* in, std::uint64_t offset, std::uint64_t size, std::FILE* out,
                        std::uint64_t outOffset) {
#ifdef __linux__
    const auto limit = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
    if (!in || !out || offset > limit || outOffset > limit || std::fflush(out) != 0) return 0;
    // Both offsets are given, so the copy moves neither file's position: no
    // seek is needed around it.
    off_t from = static_cast<off_t>(offset);
    off_t to = static_cast<off_t>(outOffset);
    std::uint64_t copied = 0;
    while (copied < size) {
        const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(size - copied, 1u << 30));
        const ssize_t done = copy_file_range(fileno(in), &from, fileno(out), &to, step, 0);
        if (done <= 0) break;  // not for these files (or the end of `in`): the caller goes on
        copied += static_cast<std::uint64_t>(done);
    }
    return copied;
#else
    (void)in, (void)offset, (void)size, (void)out, (void)outOffset;
    return 0;
#endif
}

std::string lastErrorText(std::size_t maxLength) {
    std::string text = std::strerror(errno);
    if (text.size() > maxLength) text.resize(maxLength);
    return text;
}

int lastErrorCode() { return errno; }

void setLastErrorCode(int code) { errno = code; }

std::string tempFolder() {
    const char* dir = std::getenv("TMPDIR");
    std::string folder = dir && *dir ? dir : "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

bool shellOpenSystem(void*, const char* program, const char* parameter) {
    // The nearest thing to the shell's "open" here: xdg-open shows the file in
    // the user's viewer. The program name is a Windows one and is not used.
    (void)program;
    std::string file = nativePath(parameter);
    pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        // Detach through a grandchild, so that no zombie is left behind.
        if (fork() == 0) {
            int devNull = open("/dev/null", O_RDWR);
            if (devNull >= 0) {
                dup2(devNull, 0);
                dup2(devNull, 1);
                dup2(devNull, 2);
            }
            execlp("xdg-open", "xdg-open", file.c_str(), static_cast<char*>(nullptr));
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return true;
}

// Names on disk are taken as UTF-8, the encoding of every usual locale here.
bool toArchiveName(const std::string& systemName, std::string& archiveName) {
    return cp1252::fromUtf8(systemName, archiveName);
}

bool fromArchiveName(const std::string& archiveName, std::string& systemName) {
    systemName = cp1252::toUtf8(archiveName);
    return true;
}

}  // namespace platform
