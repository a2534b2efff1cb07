#include "testkit/TestKit.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ByteOrder.h"
#include "platform/Platform.h"

namespace fs = std::filesystem;

namespace testkit {

namespace {
std::string toNative(std::string s) {
    for (char& c : s)
        if (c == '/' || c == '\\') c = SEP;
    return s;
}
}  // namespace

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::string base = platform::tempFolder();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::ostringstream name;
        name << base << "modtools-test-" << stamp << "-" << counter++;
        std::error_code ec;
        if (fs::create_directories(name.str(), ec)) {
            path_ = toNative(name.str());
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary test folder");
}

TempDir::~TempDir() {
    if (std::getenv("MODTOOLS_KEEP_TEST_FILES")) return;
    std::error_code ec;
    // Read-only files must be writable again before they can be removed on Windows.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& relative) const { return join(path_, relative); }

std::string join(const std::string& folder, const std::string& relative) {
    if (folder.empty()) return toNative(relative);
    std::string out = folder;
    if (!platform::isSeparator(out.back())) out += SEP;
    return out + toNative(relative);
}

void writeFile(const std::string& path, const std::string& bytes) {
    fs::path p(path);
    if (p.has_parent_path()) {
        std::error_code ec;
        fs::create_directories(p.parent_path(), ec);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write test file " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::string();
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    platform::DirectorySearch search;
    platform::FoundEntry entry;
    for (bool more = search.first((folder + SEP + "*").c_str(), entry); more; more = search.next(entry))
        if (entry.name != "." && entry.name != "..") names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

std::string textFileBytes(const std::string& text) {
#ifdef _WIN32
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
#else
    return text;
#endif
}

CurrentDirectoryGuard::CurrentDirectoryGuard(const std::string& enter) : saved_(platform::currentDirectory()) {
    if (!platform::changeDirectory(enter.c_str())) throw std::runtime_error("cannot enter " + enter);
}

CurrentDirectoryGuard::~CurrentDirectoryGuard() { platform::changeDirectory(saved_.c_str()); }

void putU8(std::string& out, std::uint8_t v) { out += static_cast<char>(v); }
void putU16(std::string& out, std::uint16_t v) { le::appendU16(out, v); }
void putU32(std::string& out, std::uint32_t v) { le::appendU32(out, v); }
void putF32(std::string& out, float v) { le::appendF32(out, v); }
void putBE32(std::string& out, std::uint32_t v) { be::appendU32(out, v); }

bool matchesWithDigits(const std::string& pattern, const std::string& text) {
    if (pattern.size() != text.size()) return false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '\x01') {
            if (text[i] < '0' || text[i] > '9') return false;
        } else if (pattern[i] != text[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace testkit
