// The parts of the platform layer that are the same on every system.
#include "platform/Platform.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <random>
#include <utility>

namespace platform {

namespace {

ShellOpenHandler& shellHandler() {
    static ShellOpenHandler handler;
    return handler;
}

char fold(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Classic '*' and '?' matching with one back-tracking point, letters folded.
// A '?' that finds no character left matches nothing, as at the end of a
// Win32 name.
bool globMatch(const char* p, const char* n) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*n) {
        if (*p == '?') {
            ++p;
            ++n;
        } else if (*p == '*') {
            star = p++;
            resume = n;
        } else if (*p && fold(*p) == fold(*n)) {
            ++p;
            ++n;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == '*' || *p == '?') ++p;
    return *p == '\0';
}

}  // namespace

std::size_t lastSeparator(const std::string& path) { return path.find_last_of("\\/"); }

const char* lastSeparator(const char* path) {
    const char* found = nullptr;
    for (const char* c = path; *c; ++c)
        if (isSeparator(*c)) found = c;
    return found;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || isSeparator(folder.back())) return folder + name;
    return folder + '\\' + name;
}

std::string resolvePath(const char* path) {
    if (!path || !*path) return std::string();
    const std::string p(path);
    if (p.find(':') != std::string::npos || isSeparator(p[0])) return p;
    return joinPath(currentDirectory(), p);
}

bool wildcardMatch(const char* pattern, const char* name) {
    if (globMatch(pattern, name)) return true;
    // A name without an extension also matches as if it ended in '.', which
    // is how "*.*" and "name.*" find "README" in a Win32 search.
    if (!std::strchr(name, '.')) {
        std::string dotted(name);
        dotted += '.';
        return globMatch(pattern, dotted.c_str());
    }
    return false;
}

bool exists(const char* pattern) {
    if (!pattern || !*pattern) return false;
    DirectorySearch search;
    FoundEntry entry;
    return search.first(pattern, entry);
}

bool isWriteProtected(const char* path) {
    const std::uint32_t attributes = fileAttributes(path);
    if (attributes == ATTR_INVALID) return false;
    if (attributes & (ATTR_READONLY | ATTR_DIRECTORY)) return true;
    std::FILE* probe = openFile(path, "rb+");
    if (!probe) return true;
    std::fclose(probe);
    return false;
}

std::string randomName(std::size_t length) {
    static const char LETTERS[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<std::uint64_t> counter{0};
    // The system's random source, mixed with the time and a counter so that
    // two names taken in a row never repeat even where the source is weak.
    std::random_device device;
    std::seed_seq seed{device(), device(), static_cast<unsigned>(counter.fetch_add(1)),
                       static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()),
                       static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&length))};
    std::mt19937_64 generator(seed);
    std::string name(length, 'a');
    for (char& c : name) c = LETTERS[generator() % (sizeof LETTERS - 1)];
    return name;
}

std::string temporaryNameBeside(const std::string& target) {
    // Short, so that it fits wherever the target's own name fits (the
    // system's path limit counts): the target's folder, '~', 8 random
    // letters or digits and ".tmp".
    const std::size_t cut = lastSeparator(target);
    const std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
    return folder + "~" + randomName(8) + ".tmp";
}

void setShellOpenHandler(ShellOpenHandler handler) { shellHandler() = std::move(handler); }

bool shellOpenSystem(void* ownerWindow, const char* program, const char* parameter);

bool shellOpen(void* ownerWindow, const char* program, const char* parameter) {
    if (shellHandler()) return shellHandler()(ownerWindow, program, parameter);
    return shellOpenSystem(ownerWindow, program, parameter);
}

}  // namespace platform
