#include "BigArchive.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/Platform.h"

namespace {

constexpr std::size_t HEADER_BYTES = 16;
constexpr std::size_t TRAILER_BYTES = 8;
constexpr std::size_t ENTRY_FIXED_BYTES = 8;
constexpr std::uint64_t MAX_FIELD = 0xFFFFFFFFull;
// Output paths longer than this are not written (the folder, '\', the name).
constexpr std::size_t MAX_OUTPUT_PATH = 253;

std::uint32_t readBE32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

void writeBE32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

void writeLE32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

std::uint64_t lengthOf(const std::string& path) {
    std::int64_t size = platform::fileSize(path.c_str());
    return size < 0 ? 0 : static_cast<std::uint64_t>(size);
}

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A path in a form that compares equal for the same file: '\' separators,
// "." and ".." components resolved, letters in lower case (the file systems
// the tools are made for ignore letter case).
std::string comparablePath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    std::string prefix;
    std::size_t i = 0;
    while (i < path.size() && platform::isSeparator(path[i])) {
        prefix += '\\';
        ++i;
    }
    for (; i <= path.size(); ++i) {
        if (i == path.size() || platform::isSeparator(path[i])) {
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            part.clear();
        } else {
            char c = path[i];
            part += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    std::string out = prefix;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (k) out += '\\';
        out += parts[k];
    }
    return out;
}

}  // namespace

const char* entryProblemText(EntryProblem problem) {
    switch (problem) {
        case EntryProblem::UNSAFE_NAME: return "name would leave the destination folder";
        case EntryProblem::PATH_TOO_LONG: return "output path too long";
        case EntryProblem::DATA_OUTSIDE: return "data lies beyond the end of the archive";
        case EntryProblem::READ_FAILED: return "data could not be read";
        case EntryProblem::CANNOT_CREATE: return "output could not be created";
        case EntryProblem::SOURCE_UNREADABLE: return "file could not be read; zeros written instead";
    }
    return "unknown";
}

const char* bigStatusText(BigStatus status) {
    switch (status) {
        case BigStatus::OK: return "done";
        case BigStatus::NOT_COLLECTED: return "no folder has been collected";
        case BigStatus::NOT_A_FOLDER: return "the path is not a folder";
        case BigStatus::FILE_TOO_LARGE: return "a file of 4 GiB or more cannot be stored";
        case BigStatus::ARCHIVE_TOO_LARGE: return "the archive would exceed 4 GiB";
        case BigStatus::NAME_TOO_LONG: return "a name is longer than 255 characters";
        case BigStatus::CANNOT_CREATE: return "the archive cannot be created";
        case BigStatus::WRITE_FAILED: return "writing the archive failed";
    }
    return "unknown";
}

BigArchive::BigArchive() : tempTextPath_(platform::tempFolder() + TEMP_TEXT_NAME) {}

BigArchive::~BigArchive() {
    if (tempTextWritten_) platform::deleteFile(tempTextPath_.c_str());
}

void BigArchive::clearLists() {
    directory_.clear();
    collection_.clear();
    deselectCount_ = 0;
    collectStatus_ = BigStatus::NOT_COLLECTED;
}

bool BigArchive::isBigFile(const char* path) {
    unsigned char magic[4] = {0, 0, 0, 0};
    std::size_t got = 0;
    if (std::FILE* f = path ? platform::openFile(path, "rb") : nullptr) {
        got = std::fread(magic, 1, sizeof magic, f);
        std::fclose(f);
    }
    bool big = got == 4 && (std::memcmp(magic, "BIGF", 4) == 0 || std::memcmp(magic, "BIG4", 4) == 0);
    if (!big) loaded_ = 0;
    return big;
}

std::string BigArchive::resolvePath(const char* path) const {
    if (!path || !*path) return std::string();
    std::string p(path);
    if (p.find(':') != std::string::npos || platform::isSeparator(p[0])) return p;
    return platform::currentDirectory() + "\\" + p;
}

bool BigArchive::openArchive(const char* path) {
    directory_.clear();
    collection_.clear();
    collectStatus_ = BigStatus::NOT_COLLECTED;
    deselectCount_ = 0;
    directoryTruncated_ = false;

    std::string resolved = resolvePath(path);
    if (resolved.empty()) return false;
    std::uint32_t attributes = platform::fileAttributes(resolved.c_str());
    if (attributes == platform::ATTR_INVALID || (attributes & platform::ATTR_DIRECTORY)) return false;
    FilePtr file(platform::openFile(resolved.c_str(), "rb"));
    if (!file) return false;
    viewPath_ = resolved;
    readDirectory(file.get(), lengthOf(resolved));
    loaded_ = 1;
    return true;
}

void BigArchive::readDirectory(std::FILE* file, std::uint64_t fileLength) {
    unsigned char header[HEADER_BYTES];
    if (!platform::seekFile(file, 0) || std::fread(header, 1, HEADER_BYTES, file) != HEADER_BYTES) return;
    const std::uint32_t entryTotal = readBE32(header + 8);
    const std::uint32_t headerSize = readBE32(header + 12);
    if (static_cast<std::int32_t>(headerSize) < 1) return;

    // The directory bytes are read from offset 16 on, headerSize of them as
    // the header announces, but never more than the file holds nor more than
    // MAX_DIRECTORY_BYTES; a directory that does not fit ends early.
    const std::uint64_t available = fileLength > HEADER_BYTES ? fileLength - HEADER_BYTES : 0;
    const std::uint64_t limit = std::min<std::uint64_t>(available, MAX_DIRECTORY_BYTES);
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(headerSize, limit));
    try {
        std::vector<unsigned char> bytes(wanted);
        std::size_t got = wanted ? std::fread(bytes.data(), 1, wanted, file) : 0;
        directoryTruncated_ = parseDirectory(bytes.data(), got, entryTotal, directory_);
    } catch (const std::bad_alloc&) {
        // A 32-bit process may not find room for a huge directory: the
        // entries read so far are kept.
        directoryTruncated_ = true;
    }
    deselectCount_ = 0;
}

// Not checked here: whether the entries' data lies inside the file, whether
// entries overlap, and the archive size field. Extraction and the text view
// check each entry's data against the file before copying it.
bool BigArchive::parseDirectory(const unsigned char* bytes, std::size_t length, std::uint32_t entryTotal,
                                std::vector<BigEntry>& out) {
    std::size_t p = 0;
    for (std::uint32_t i = 0; i < entryTotal; ++i) {
        if (length - p < ENTRY_FIXED_BYTES) return true;
        BigEntry e;
        e.dataOffset = readBE32(bytes + p);
        e.dataSize = readBE32(bytes + p + 4);
        const std::size_t nameStart = p + ENTRY_FIXED_BYTES;
        const std::size_t window = std::min(length - nameStart, MAX_NAME + 1);
        const void* zero = window ? std::memchr(bytes + nameStart, 0, window) : nullptr;
        if (!zero) return true;  // no terminating zero within 255 characters or the bytes read
        const std::size_t nameEnd = static_cast<const unsigned char*>(zero) - bytes;
        e.name.assign(reinterpret_cast<const char*>(bytes + nameStart), nameEnd - nameStart);
        e.nameLength = static_cast<std::int32_t>(e.name.size());
        e.selected = 1;
        out.push_back(std::move(e));
        p = nameEnd + 1;
    }
    return false;
}

const BigEntry* BigArchive::entry(std::int32_t index) const {
    if (index < 0 || index >= countEntries()) return nullptr;
    return &directory_[static_cast<std::size_t>(index)];
}

const char* BigArchive::entryName(std::int32_t index) {
    const BigEntry* e = entry(index);
    nameText_ = e ? e->name : std::string();
    return nameText_.c_str();
}

const char* BigArchive::entrySizeText(std::int32_t index) {
    const BigEntry* e = entry(index);
    if (!e) {
        sizeText_.clear();
    } else {
        char text[12];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(static_cast<std::int32_t>(e->dataSize)));
        sizeText_ = text;
    }
    return sizeText_.c_str();
}

void BigArchive::setSelected(std::int32_t index, std::uint8_t flag) {
    if (index < 0 || index >= countEntries()) return;
    directory_[static_cast<std::size_t>(index)].selected = flag;
    if (flag == 0) ++deselectCount_;
}

bool BigArchive::isSafeEntryName(const std::string& name) {
    if (name.empty() || platform::isSeparator(name.front()) || platform::isSeparator(name.back())) return false;
    if (name.find(':') != std::string::npos) return false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !platform::isSeparator(name[i])) continue;
        // Windows drops trailing dots and blanks from a component, so ". ."
        // or ".. " would become "..": every dots-and-blanks component is refused.
        if (i > start &&
            name.find_first_not_of(". ", start) >= i &&
            name.find('.', start) < i)
            return false;
        start = i + 1;
    }
    return true;
}

ExtractReport BigArchive::extractSelected(const char* archivePath, const char* folder) {
    ExtractReport report;
    if (!loaded_ && !openArchive(archivePath)) return report;
    std::string resolved = resolvePath(archivePath);
    FilePtr archive(resolved.empty() ? nullptr : platform::openFile(resolved.c_str(), "rb"));
    if (!archive || !folder) return report;
    report.archiveOpened = true;
    const std::uint64_t archiveLength = lengthOf(resolved);

    lastCreatedFolder_.clear();
    const std::string base(folder);
    const bool needsSeparator = !base.empty() && !platform::isSeparator(base.back());
    for (const BigEntry& e : directory_) {
        if (deselectCount_ != 0 && e.selected == 0) continue;
        if (!isSafeEntryName(e.name)) {
            ++report.skippedUnsafe;
            report.problems.push_back({e.name, EntryProblem::UNSAFE_NAME});
            continue;
        }
        if (base.size() + 1 + e.name.size() > MAX_OUTPUT_PATH) {
            ++report.skippedTooLong;
            report.problems.push_back({e.name, EntryProblem::PATH_TOO_LONG});
            continue;
        }
        std::string outputPath = base + (needsSeparator ? "\\" : "") + e.name;
        if (extractEntry(archive.get(), archiveLength, e, outputPath, report))
            ++report.written;
        else
            ++report.failed;
    }
    return report;
}

bool BigArchive::extractEntry(std::FILE* archive, std::uint64_t archiveLength, const BigEntry& e,
                              const std::string& outputPath, ExtractReport& report) {
    auto fail = [&](EntryProblem problem) {
        report.problems.push_back({e.name, problem});
        return false;
    };
    std::string work = outputPath;
    std::replace(work.begin(), work.end(), '/', '\\');
    std::size_t cut = platform::lastSeparator(work);
    if (cut != std::string::npos) {
        std::string entryFolder = work.substr(0, cut);
        if (!entryFolder.empty() && entryFolder != lastCreatedFolder_) {
            int created = platform::createFolderTree(entryFolder.c_str());
            if (created != 0 && created != platform::FOLDER_EXISTS) return fail(EntryProblem::CANNOT_CREATE);
            lastCreatedFolder_ = entryFolder;
        }
    }
    if (std::uint64_t{e.dataOffset} + e.dataSize > archiveLength) return fail(EntryProblem::DATA_OUTSIDE);

    // The entry is written beside its place and moved over any old file only
    // when complete, so a failure never leaves half a file behind.
    const std::string temp = work + ".~tmp";
    FilePtr out(platform::openFile(temp.c_str(), "wb"));
    if (!out) return fail(EntryProblem::CANNOT_CREATE);
    EntryProblem problem = EntryProblem::READ_FAILED;
    bool ok = platform::seekFile(archive, e.dataOffset);
    std::vector<char> buffer(std::min<std::size_t>(COPY_BUFFER_SIZE, std::max<std::uint32_t>(e.dataSize, 1)));
    for (std::uint32_t remaining = e.dataSize; ok && remaining > 0;) {
        std::size_t chunk = std::min<std::size_t>(buffer.size(), remaining);
        if (std::fread(buffer.data(), 1, chunk, archive) != chunk) {
            ok = false;
        } else if (std::fwrite(buffer.data(), 1, chunk, out.get()) != chunk) {
            ok = false;
            problem = EntryProblem::CANNOT_CREATE;
        }
        remaining -= static_cast<std::uint32_t>(chunk);
    }
    if (std::fclose(out.release()) != 0 && ok) {
        ok = false;
        problem = EntryProblem::CANNOT_CREATE;
    }
    if (ok && !platform::replaceFile(temp.c_str(), work.c_str())) {
        ok = false;
        problem = EntryProblem::CANNOT_CREATE;
    }
    if (!ok) {
        platform::deleteFile(temp.c_str());
        return fail(problem);
    }
    return true;
}

bool BigArchive::viewTextEntry(std::int32_t index, void* ownerWindow) {
    const BigEntry* e = entry(index);
    if (!e) return false;
    std::size_t dot = e->name.rfind('.');
    if (dot == std::string::npos || !std::strstr(TEXT_TYPES, e->name.c_str() + dot)) return false;

    FilePtr archive(viewPath_.empty() ? nullptr : platform::openFile(viewPath_.c_str(), "rb"));
    if (!archive) return false;
    if (std::uint64_t{e->dataOffset} + e->dataSize > lengthOf(viewPath_)) return false;

    platform::deleteFile(tempTextPath_.c_str());
    FilePtr out(platform::openFile(tempTextPath_.c_str(), "wb"));
    if (!out) return false;
    tempTextWritten_ = 1;
    bool ok = platform::seekFile(archive.get(), e->dataOffset);
    std::vector<char> buffer(std::min<std::size_t>(COPY_BUFFER_SIZE, std::max<std::uint32_t>(e->dataSize, 1)));
    for (std::uint32_t remaining = e->dataSize; ok && remaining > 0;) {
        std::size_t chunk = std::min<std::size_t>(buffer.size(), remaining);
        ok = std::fread(buffer.data(), 1, chunk, archive.get()) == chunk &&
             std::fwrite(buffer.data(), 1, chunk, out.get()) == chunk;
        remaining -= static_cast<std::uint32_t>(chunk);
    }
    if (std::fclose(out.release()) != 0) ok = false;
    if (!ok) {
        platform::deleteFile(tempTextPath_.c_str());
        return false;
    }
    platform::shellOpen(ownerWindow, VIEWER, tempTextPath_.c_str());
    return true;
}

BigStatus BigArchive::collectFolder(const char* root, const char* filter) {
    collection_.clear();
    headerSize_ = archiveSize_ = 0;
    collectProblemPath_.clear();
    collectLimitReached_ = false;
    collectStatus_ = BigStatus::NOT_A_FOLDER;
    if (!root || !scanner_.setStartFolder(root)) return collectStatus_;
    if (filter)
        scanner_.scanFiltered(filter);
    else
        scanner_.scanAll();
    collectLimitReached_ = scanner_.foldersLeft();

    const std::string rootText(root);
    const std::size_t rootPrefix = rootText.size() + (platform::isSeparator(rootText.back()) ? 0 : 1);
    collectStatus_ = BigStatus::OK;
    collection_.reserve(static_cast<std::size_t>(scanner_.fileCount()));
    for (std::int32_t i = 0; i < scanner_.fileCount(); ++i) {
        const std::string& path = scanner_.filePath(i);
        const std::int64_t size = scanner_.fileSize(i);
        if (size < 0 || static_cast<std::uint64_t>(size) > MAX_FIELD) {
            collectStatus_ = BigStatus::FILE_TOO_LARGE;
        } else if (path.size() - rootPrefix > MAX_NAME) {
            collectStatus_ = BigStatus::NAME_TOO_LONG;
        }
        if (collectStatus_ != BigStatus::OK) {
            collectProblemPath_ = path;
            break;
        }
        BigEntry e;
        e.sourcePath = path;
        e.name = path.substr(rootPrefix);
        e.nameLength = static_cast<std::int32_t>(e.name.size());
        e.dataSize = static_cast<std::uint32_t>(size);
        e.directoryLength = static_cast<std::uint32_t>(ENTRY_FIXED_BYTES + e.name.size() + 1);
        collection_.push_back(std::move(e));
    }
    scanner_.reset();
    if (collectStatus_ == BigStatus::OK && !layOut()) collectStatus_ = BigStatus::ARCHIVE_TOO_LARGE;
    if (collectStatus_ != BigStatus::OK) collection_.clear();
    return collectStatus_;
}

bool BigArchive::layOut() {
    std::uint64_t header = HEADER_BYTES + TRAILER_BYTES;
    for (const BigEntry& e : collection_) header += e.directoryLength;
    std::uint64_t running = header;
    for (BigEntry& e : collection_) {
        if (running > MAX_FIELD) return false;
        e.dataOffset = static_cast<std::uint32_t>(running);
        running += e.dataSize;
    }
    if (running > MAX_FIELD) return false;
    headerSize_ = static_cast<std::uint32_t>(header);
    archiveSize_ = static_cast<std::uint32_t>(running);
    return true;
}

WriteReport BigArchive::writeArchive(const char* archivePath) {
    WriteReport report;
    report.status = collectStatus_;
    if (collectStatus_ != BigStatus::OK) return report;
    const std::string resolved = resolvePath(archivePath);
    report.status = BigStatus::CANNOT_CREATE;
    if (resolved.empty()) return report;

    // An archive written inside the collected folder (a previous run's, or
    // one that just appeared) is not copied into itself.
    const std::string self = comparablePath(resolved);
    const std::size_t before = collection_.size();
    collection_.erase(std::remove_if(collection_.begin(), collection_.end(),
                                     [&](const BigEntry& e) {
                                         return comparablePath(resolvePath(e.sourcePath.c_str())) == self;
                                     }),
                      collection_.end());
    report.excludedSelf = static_cast<std::int32_t>(before - collection_.size());
    if (report.excludedSelf) layOut();  // smaller than before, so it fits

    const std::string temp = resolved + ".~tmp";
    FilePtr out(platform::openFile(temp.c_str(), "wb"));
    if (!out) return report;
    report.status = BigStatus::WRITE_FAILED;
    auto abandon = [&]() {
        std::fclose(out.release());
        platform::deleteFile(temp.c_str());
        return report;
    };

    std::vector<unsigned char> header(headerSize_);
    std::memcpy(header.data(), "BIG4", 4);
    writeLE32(header.data() + 4, archiveSize_);
    writeBE32(header.data() + 8, static_cast<std::uint32_t>(collection_.size()));
    writeBE32(header.data() + 12, headerSize_);
    std::size_t p = HEADER_BYTES;
    for (const BigEntry& e : collection_) {
        writeBE32(header.data() + p, e.dataOffset);
        writeBE32(header.data() + p + 4, e.dataSize);
        std::memcpy(header.data() + p + 8, e.name.data(), e.name.size());
        header[p + 8 + e.name.size()] = 0;
        p += e.directoryLength;
    }
    std::memcpy(header.data() + p, "L219", 4);
    writeLE32(header.data() + p + 4, 0);
    if (std::fwrite(header.data(), 1, header.size(), out.get()) != header.size()) return abandon();

    // Every entry fills exactly its recorded size, so the later entries begin
    // at their recorded offsets even when a file cannot be read or has shrunk
    // (zeros stand in for the missing bytes).
    std::vector<char> buffer(COPY_BUFFER_SIZE);
    for (const BigEntry& e : collection_) {
        FilePtr in(platform::openFile(e.sourcePath.c_str(), "rb"));
        std::uint32_t remaining = e.dataSize;
        bool sourceOk = static_cast<bool>(in);
        while (remaining > 0) {
            std::size_t chunk = std::min<std::size_t>(buffer.size(), remaining);
            std::size_t got = sourceOk ? std::fread(buffer.data(), 1, chunk, in.get()) : 0;
            if (got < chunk) {
                sourceOk = false;
                std::memset(buffer.data() + got, 0, chunk - got);
            }
            if (std::fwrite(buffer.data(), 1, chunk, out.get()) != chunk) return abandon();
            remaining -= static_cast<std::uint32_t>(chunk);
        }
        if (!sourceOk) report.problems.push_back({e.name, EntryProblem::SOURCE_UNREADABLE});
        ++report.entriesWritten;
    }
    if (std::fclose(out.release()) != 0) {
        platform::deleteFile(temp.c_str());
        return report;
    }
    if (!platform::replaceFile(temp.c_str(), resolved.c_str())) {
        platform::deleteFile(temp.c_str());
        report.status = BigStatus::CANNOT_CREATE;
        return report;
    }
    report.status = BigStatus::OK;
    return report;
}
