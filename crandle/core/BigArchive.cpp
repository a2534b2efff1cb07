#include "BigArchive.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "ByteOrder.h"
#include "FilePtr.h"
#include "ReplacingFile.h"
#include "StretchCopy.h"
#include "WorkProgress.h"
#include "platform/Platform.h"

namespace {

constexpr std::size_t HEADER_BYTES = 16;
constexpr std::size_t TRAILER_BYTES = 8;
constexpr std::size_t ENTRY_FIXED_BYTES = 8;
constexpr std::uint64_t MAX_FIELD = 0xFFFFFFFFull;
// Output paths longer than this are not written (the folder, '\', the name).
constexpr std::size_t MAX_OUTPUT_PATH = 253;

std::uint64_t lengthOf(const std::string& path) {
    std::int64_t size = platform::fileSize(path.c_str());
    return size < 0 ? 0 : static_cast<std::uint64_t>(size);
}


}  // namespace

const char* entryProblemText(EntryProblem problem) {
    switch (problem) {
        case EntryProblem::UNSAFE_NAME: return "name would leave the destination folder";
        case EntryProblem::PATH_TOO_LONG: return "output path too long";
        case EntryProblem::DATA_OUTSIDE: return "data lies beyond the end of the archive";
        case EntryProblem::READ_FAILED: return "data could not be read";
        case EntryProblem::CANNOT_CREATE: return "output could not be created";
        case EntryProblem::LINKED_PATH: return "a folder on the way is a link, not written through";
        case EntryProblem::REPLACES_OWN: return "would replace the archive or an entry written before";
        case EntryProblem::SOURCE_UNREADABLE: return "file could not be read; left out of the archive";
        case EntryProblem::NO_SYSTEM_NAME: return "the name has a character this system's file names cannot hold";
    }
    return "unknown";
}

const char* headerDamageText(HeaderDamage damage) {
    switch (damage) {
        case HeaderDamage::NONE: return "the header is sound";
        case HeaderDamage::FILE_TOO_SHORT: return "the file is shorter than the 16-byte header";
        case HeaderDamage::SIZE_BELOW_HEADER: return "the header size is below the 16-byte header";
        case HeaderDamage::SIZE_TOO_LARGE: return "the header size is 2 GiB or more";
        case HeaderDamage::SIZE_PAST_END: return "the header size lies past the end of the file";
        case HeaderDamage::TOTAL_TOO_LARGE: return "the entry total is more than the file can hold";
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
        case BigStatus::SOURCE_CHANGED: return "a file read short or changed while it was copied";
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

bool BigArchive::isBigFile(const char* path) const {
    unsigned char magic[4] = {0, 0, 0, 0};
    std::size_t got = 0;
    if (std::FILE* f = path ? platform::openInputFile(path, "rb") : nullptr) {
        got = std::fread(magic, 1, sizeof magic, f);
        std::fclose(f);
    }
    return got == 4 && (std::memcmp(magic, "BIGF", 4) == 0 || std::memcmp(magic, "BIG4", 4) == 0);
}

bool BigArchive::openArchive(const char* path, WorkProgress* progress) {
    directory_.clear();
    collection_.clear();
    collectStatus_ = BigStatus::NOT_COLLECTED;
    deselectCount_ = 0;
    directoryTruncated_ = false;
    headerDamage_ = HeaderDamage::NONE;

    std::string resolved = platform::resolvePath(path);
    if (resolved.empty()) return false;
    std::uint32_t attributes = platform::fileAttributes(resolved.c_str());
    if (attributes == platform::ATTR_INVALID || (attributes & platform::ATTR_DIRECTORY)) return false;
    FilePtr file(platform::openInputFile(resolved.c_str(), "rb"));
    if (!file) return false;
    const std::int64_t length = platform::streamSize(file.get());
    if (!readDirectory(file.get(), length < 0 ? 0 : static_cast<std::uint64_t>(length), progress)) {
        directory_.clear();
        directory_.shrink_to_fit();
        directoryTruncated_ = false;
        headerDamage_ = HeaderDamage::NONE;
        return false;
    }
    viewPath_ = resolved;
    loaded_ = true;
    return true;
}

bool BigArchive::readDirectory(std::FILE* file, std::uint64_t fileLength, WorkProgress* progress) {
    unsigned char header[HEADER_BYTES];
    deselectCount_ = 0;
    headerDamage_ = HeaderDamage::FILE_TOO_SHORT;
    if (!platform::seekFile(file, 0) || std::fread(header, 1, HEADER_BYTES, file) != HEADER_BYTES) return true;
    const std::uint32_t entryTotal = be::getU32(header + 8);
    const std::uint32_t headerSize = be::getU32(header + 12);
    // Each entry takes at least its two numbers and the zero after its name.
    if (headerSize < HEADER_BYTES)
        headerDamage_ = HeaderDamage::SIZE_BELOW_HEADER;
    else if (static_cast<std::int32_t>(headerSize) < 0)
        headerDamage_ = HeaderDamage::SIZE_TOO_LARGE;
    else if (headerSize > fileLength)
        headerDamage_ = HeaderDamage::SIZE_PAST_END;
    else if (std::uint64_t{entryTotal} * (ENTRY_FIXED_BYTES + 1) > fileLength - HEADER_BYTES)
        headerDamage_ = HeaderDamage::TOTAL_TOO_LARGE;
    else
        headerDamage_ = HeaderDamage::NONE;
    // A header size of 0, or of 2 GiB and more, announces no directory at all.
    if (static_cast<std::int32_t>(headerSize) < 1) return true;

    // The directory bytes are read from offset 16 on, headerSize of them as
    // the header announces, but never more than the file holds nor more than
    // MAX_DIRECTORY_BYTES; a directory that does not fit ends early.
    const std::uint64_t available = fileLength > HEADER_BYTES ? fileLength - HEADER_BYTES : 0;
    const std::uint64_t limit = std::min<std::uint64_t>(available, MAX_DIRECTORY_BYTES);
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(headerSize, limit));
    if (progress) progress->begin(wanted);
    try {
        std::vector<unsigned char> bytes(wanted);
        // In blocks, so that a stop is seen between two of them.
        std::size_t got = 0;
        while (got < wanted) {
            if (progress && progress->stopped()) return false;
            const std::size_t step = std::min(COPY_BUFFER_SIZE, wanted - got);
            const std::size_t read = std::fread(bytes.data() + got, 1, step, file);
            got += read;
            if (progress) progress->advance(read);
            if (read < step) break;
        }
        directoryTruncated_ = parseDirectory(bytes.data(), got, entryTotal, directory_);
    } catch (const std::bad_alloc&) {
        // A 32-bit process may not find room for a huge directory: the
        // entries read so far are kept.
        directoryTruncated_ = true;
    }
    return !(progress && progress->stopped());
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
        e.dataOffset = be::getU32(bytes + p);
        e.dataSize = be::getU32(bytes + p + 4);
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
    nameText_.clear();
    if (e) platform::fromArchiveName(e->name, nameText_);
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

ExtractReport BigArchive::extractSelected(const char* archivePath, const char* folder, WorkProgress* progress) {
    ExtractReport report;
    if (!loaded_ && !openArchive(archivePath)) return report;
    std::string resolved = platform::resolvePath(archivePath);
    FilePtr archive(resolved.empty() ? nullptr : platform::openInputFile(resolved.c_str(), "rb"));
    if (!archive || !folder) return report;
    report.archiveOpened = true;
    const std::int64_t length = platform::streamSize(archive.get());
    const std::uint64_t archiveLength = length < 0 ? 0 : static_cast<std::uint64_t>(length);

    lastCreatedFolder_.clear();
    // The archive and every file this extraction writes are known by
    // identity: no entry replaces them.
    written_.clear();
    const platform::FileIdentity self = platform::fileIdentity(archive.get());
    if (self.valid) written_.insert({self.volume, self.index});
    const std::string base(folder);
    const bool needsSeparator = !base.empty() && !platform::isSeparator(base.back());
    if (progress) {
        std::uint64_t bytes = 0;
        for (const BigEntry& e : directory_)
            if (deselectCount_ == 0 || e.selected != 0) bytes += e.dataSize;
        progress->begin(bytes);
    }
    for (const BigEntry& e : directory_) {
        if (deselectCount_ != 0 && e.selected == 0) continue;
        if (progress && progress->stopped()) {
            report.stopped = true;
            break;
        }
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
        std::string systemName;
        if (!platform::fromArchiveName(e.name, systemName)) {
            ++report.failed;
            report.problems.push_back({e.name, EntryProblem::NO_SYSTEM_NAME});
            continue;
        }
        std::string outputPath = base + (needsSeparator ? "\\" : "") + systemName;
        if (extractEntry(archive.get(), archiveLength, e, outputPath, base.size(), report, progress))
            ++report.written;
        else if (progress && progress->stopped())
            report.stopped = true;  // the entry in progress was abandoned: not a failure of its own
        else
            ++report.failed;
    }
    return report;
}

bool BigArchive::extractEntry(std::FILE* archive, std::uint64_t archiveLength, const BigEntry& e,
                              const std::string& outputPath, std::size_t baseLength, ExtractReport& report,
                              WorkProgress* progress) {
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
            // No folder on the way below the destination may be a link or
            // junction that is already there: the entry would land wherever
            // it leads. The entries of one folder come one after another, so
            // the way is looked at once for them all.
            for (std::size_t at = baseLength + 1; at <= cut; ++at) {
                if (at < cut && !platform::isSeparator(work[at])) continue;
                if (platform::isLink(work.substr(0, at).c_str())) return fail(EntryProblem::LINKED_PATH);
            }
            if (platform::createFolderTree(entryFolder.c_str()) == platform::FolderResult::FAILED)
                return fail(EntryProblem::CANNOT_CREATE);
            lastCreatedFolder_ = entryFolder;
        }
    }
    if (std::uint64_t{e.dataOffset} + e.dataSize > archiveLength) return fail(EntryProblem::DATA_OUTSIDE);
    const platform::FileIdentity existing = platform::fileIdentity(work.c_str());
    if (existing.valid && written_.count({existing.volume, existing.index})) return fail(EntryProblem::REPLACES_OWN);

    // The entry is written beside its place and moved over any old file only
    // when complete, so a failure never leaves half a file behind.
    ReplacingFile out;
    if (!out.create(work)) return fail(EntryProblem::CANNOT_CREATE);
    std::vector<char> buffer;
    const StretchCopy copied =
        copyStretch(archive, e.dataOffset, e.dataSize, out.stream(), 0, COPY_BUFFER_SIZE, buffer, progress);
    if (copied == StretchCopy::STOPPED) return false;  // `out` is abandoned
    if (copied != StretchCopy::DONE)
        return fail(copied == StretchCopy::WRITE_FAILED ? EntryProblem::CANNOT_CREATE : EntryProblem::READ_FAILED);
    if (!out.commit()) return fail(EntryProblem::CANNOT_CREATE);
    const platform::FileIdentity made = platform::fileIdentity(work.c_str());
    if (made.valid) written_.insert({made.volume, made.index});
    return true;
}

bool BigArchive::viewTextEntry(std::int32_t index, void* ownerWindow) {
    const BigEntry* e = entry(index);
    if (!e) return false;
    std::size_t dot = e->name.rfind('.');
    if (dot == std::string::npos || !std::strstr(TEXT_TYPES, e->name.c_str() + dot)) return false;

    FilePtr archive(viewPath_.empty() ? nullptr : platform::openInputFile(viewPath_.c_str(), "rb"));
    if (!archive) return false;
    if (std::uint64_t{e->dataOffset} + e->dataSize > lengthOf(viewPath_)) return false;

    // Written beside the fixed name and renamed over it, so that nothing
    // planted under that name in the shared temporary folder is written through.
    ReplacingFile out;
    if (!out.create(tempTextPath_)) return false;
    bool ok = platform::seekFile(archive.get(), e->dataOffset);
    std::vector<char> buffer(std::min<std::size_t>(COPY_BUFFER_SIZE, std::max<std::uint32_t>(e->dataSize, 1)));
    for (std::uint32_t remaining = e->dataSize; ok && remaining > 0;) {
        std::size_t chunk = std::min<std::size_t>(buffer.size(), remaining);
        ok = std::fread(buffer.data(), 1, chunk, archive.get()) == chunk &&
             std::fwrite(buffer.data(), 1, chunk, out.stream()) == chunk;
        remaining -= static_cast<std::uint32_t>(chunk);
    }
    if (!out.commit(ok)) return false;
    tempTextWritten_ = true;
    platform::shellOpen(ownerWindow, VIEWER, tempTextPath_.c_str());
    return true;
}

BigStatus BigArchive::collectFolder(const char* root, const char* filter, WorkProgress* progress) {
    collection_.clear();
    headerSize_ = archiveSize_ = 0;
    collectProblemPath_.clear();
    collectLimitReached_ = false;
    passed_.clear();
    collectStatus_ = BigStatus::NOT_A_FOLDER;
    if (!root || !scanner_.setStartFolder(root)) return collectStatus_;
    scanner_.setProgress(progress);
    if (filter)
        scanner_.scanFiltered(filter);
    else
        scanner_.scanAll();
    scanner_.setProgress(nullptr);
    if (scanner_.stopped()) {
        collectStatus_ = BigStatus::NOT_COLLECTED;
        return collectStatus_;
    }
    collectLimitReached_ = scanner_.foldersLeft();
    passed_ = scanner_.passedOver();

    const std::string rootText(root);
    const std::size_t rootPrefix = rootText.size() + (platform::isSeparator(rootText.back()) ? 0 : 1);
    collectStatus_ = BigStatus::OK;
    collection_.reserve(static_cast<std::size_t>(scanner_.fileCount()));
    for (std::int32_t i = 0; i < scanner_.fileCount(); ++i) {
        const std::string& path = scanner_.filePath(i);
        const std::int64_t size = scanner_.fileSize(i);
        BigEntry e;
        if (!platform::toArchiveName(path.substr(rootPrefix), e.name)) {
            passed_.push_back({path, PassReason::NO_ARCHIVE_NAME});
            continue;
        }
        if (size < 0 || static_cast<std::uint64_t>(size) > MAX_FIELD) {
            collectStatus_ = BigStatus::FILE_TOO_LARGE;
        } else if (e.name.size() > MAX_NAME) {
            collectStatus_ = BigStatus::NAME_TOO_LONG;
        }
        if (collectStatus_ != BigStatus::OK) {
            collectProblemPath_ = path;
            break;
        }
        e.sourcePath = path;
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

bool BigArchive::measureCollection(const platform::FileIdentity& self, WorkProgress* progress, WriteReport& report) {
    // Every collected file is opened and measured before the layout is
    // fixed, so that no entry's place is kept for bytes that cannot be had:
    // a file that does not open is left out and named; one whose size
    // changed since the walk is stored at its present size. An archive
    // written inside the collected folder (a previous run's, or one that just
    // appeared) is not copied into itself. It is known by its file identity:
    // a twin in letter case is another file, a path through a linked folder
    // the same one.
    constexpr std::int64_t LEFT_OUT = -1;
    std::vector<std::int64_t> sizes(collection_.size(), LEFT_OUT);
    for (std::size_t i = 0; i < collection_.size(); ++i) {
        if (progress && progress->stopped()) {
            report.status = BigStatus::WRITE_FAILED;
            return false;
        }
        const BigEntry& e = collection_[i];
        const platform::InputProbe in = platform::probeInputFile(e.sourcePath.c_str());
        if (self.valid && (in.opened ? in.identity : platform::fileIdentity(e.sourcePath.c_str())) == self) {
            ++report.excludedSelf;
            continue;
        }
        sizes[i] = in.opened ? in.size : LEFT_OUT;
        if (sizes[i] < 0) {
            sizes[i] = LEFT_OUT;
            report.problems.push_back({e.name, EntryProblem::SOURCE_UNREADABLE, e.sourcePath});
        } else if (static_cast<std::uint64_t>(sizes[i]) > MAX_FIELD) {
            report.status = BigStatus::FILE_TOO_LARGE;
            report.problemPath = e.sourcePath;
            return false;
        }
    }
    keepMeasured(sizes);
    if (!layOut()) {
        // What has grown since the walk no longer fits: nothing is written.
        collectStatus_ = report.status = BigStatus::ARCHIVE_TOO_LARGE;
        collection_.clear();
        return false;
    }
    return true;
}

void BigArchive::keepMeasured(const std::vector<std::int64_t>& sizes) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < collection_.size(); ++i) {
        if (sizes[i] < 0) continue;
        collection_[i].dataSize = static_cast<std::uint32_t>(sizes[i]);
        if (kept != i) collection_[kept] = std::move(collection_[i]);
        ++kept;
    }
    collection_.resize(kept);
}

BigArchive::CopyOutcome BigArchive::writeContent(std::FILE* out, const platform::FileIdentity* walked,
                                                 WorkProgress* progress, WriteReport& report) {
    std::vector<unsigned char> header(headerSize_);
    std::memcpy(header.data(), "BIG4", 4);
    le::setU32(header.data() + 4, archiveSize_);
    be::setU32(header.data() + 8, static_cast<std::uint32_t>(collection_.size()));
    be::setU32(header.data() + 12, headerSize_);
    std::size_t p = HEADER_BYTES;
    for (const BigEntry& e : collection_) {
        be::setU32(header.data() + p, e.dataOffset);
        be::setU32(header.data() + p + 4, e.dataSize);
        std::memcpy(header.data() + p + 8, e.name.data(), e.name.size());
        header[p + 8 + e.name.size()] = 0;
        p += e.directoryLength;
    }
    std::memcpy(header.data() + p, "L219", 4);
    le::setU32(header.data() + p + 4, 0);
    if (std::fwrite(header.data(), 1, header.size(), out) != header.size()) return CopyOutcome::FAILED;
    if (progress) {
        progress->begin(archiveSize_);
        progress->advance(header.size());
        if (progress->stopped()) return CopyOutcome::FAILED;
    }

    // Every entry must fill exactly its measured size, or the later entries
    // would not begin at their recorded offsets. A file that no longer opens,
    // reads short or has another size than measured (it changed while the
    // archive was written) ends the write: nothing but a file's own bytes is
    // ever stored for it. On the layout of the walk (walked, the target's
    // identity), a file that does not open, has another size than the walk
    // found or is the target itself only says that the layout must be
    // measured by opening the files.
    std::vector<char> buffer;
    for (const BigEntry& e : collection_) {
        platform::InputProbe found;
        FilePtr in(platform::openInputFile(e.sourcePath.c_str(), "rb", found));
        if (walked && (!in || found.size != std::int64_t{e.dataSize} || (walked->valid && found.identity == *walked)))
            return CopyOutcome::NOT_OPENED;
        bool sourceOk = in && found.size == std::int64_t{e.dataSize};
        if (sourceOk) {
            const StretchCopy copied =
                copyStretch(in.get(), 0, e.dataSize, out, e.dataOffset, COPY_BUFFER_SIZE, buffer, progress);
            if (copied == StretchCopy::WRITE_FAILED || copied == StretchCopy::STOPPED) return CopyOutcome::FAILED;
            sourceOk = copied == StretchCopy::DONE;
        }
        if (sourceOk && e.dataSize > 0 && progress && progress->stopped()) return CopyOutcome::FAILED;
        if (!sourceOk || platform::streamSize(in.get()) != std::int64_t{e.dataSize}) {
            report.status = BigStatus::SOURCE_CHANGED;
            report.problemPath = e.sourcePath;
            return CopyOutcome::FAILED;
        }
        ++report.entriesWritten;
    }
    return std::fflush(out) == 0 ? CopyOutcome::DONE : CopyOutcome::FAILED;
}

bool BigArchive::collectedByPath(const std::string& target) const {
    const std::string full = platform::fullPath(target.c_str());
    std::size_t cut = full.size();
    while (cut > 0 && !platform::isSeparator(full[cut - 1])) --cut;
    // Only the paths that end in the target's name are made full.
    const std::string name = full.substr(cut);
    for (const BigEntry& e : collection_) {
        const std::string& path = e.sourcePath;
        if (path.size() < name.size() || path.compare(path.size() - name.size(), name.size(), name) != 0) continue;
        if (platform::fullPath(path.c_str()) == full) return true;
    }
    return false;
}

WriteReport BigArchive::writeArchive(const char* archivePath, WorkProgress* progress) {
    WriteReport report;
    report.status = collectStatus_;
    if (collectStatus_ != BigStatus::OK) return report;
    const std::string resolved = platform::resolvePath(archivePath);
    report.status = BigStatus::CANNOT_CREATE;
    if (resolved.empty()) return report;
    const platform::FileIdentity self = platform::fileIdentity(resolved.c_str());

    // The layout is first the one the walk measured: the files are not
    // looked at again before their copy, and each is checked as it is opened
    // for it. A file that then does not open, has changed its size or is the
    // target itself has the archive begun again on the measurement that opens
    // every file. Either way the archive is the one that measurement gives.
    // An archive rewritten inside the folder it collects is seen by its path
    // at once, and measured first rather than begun twice.
    for (bool opened = self.valid && collectedByPath(resolved);; opened = true) {
        if (opened) {
            report = WriteReport();
            report.status = BigStatus::CANNOT_CREATE;
            if (!measureCollection(self, progress, report)) return report;
        }
        ReplacingFile file;
        if (!file.create(resolved)) return report;
        std::FILE* out = file.stream();
        // Unbuffered: everything goes out in large blocks anyway.
        std::setvbuf(out, nullptr, _IONBF, 0);
        report.status = BigStatus::WRITE_FAILED;
        const CopyOutcome outcome = writeContent(out, opened ? nullptr : &self, progress, report);
        if (outcome == CopyOutcome::NOT_OPENED) continue;  // `file` is abandoned
        if (outcome == CopyOutcome::FAILED) {
            file.abandon();
            return report;
        }
        if (!file.commit()) {
            report.status = BigStatus::CANNOT_CREATE;
            return report;
        }
        report.status = BigStatus::OK;
        return report;
    }
}
