#include "BigEdit.h"

#include <algorithm>
#include <cstring>

#include "BigArchive.h"
#include "ByteOrder.h"
#include "FilePtr.h"
#include "ReplacingFile.h"
#include "StretchCopy.h"
#include "WorkProgress.h"

namespace {

constexpr std::uint64_t HEADER_BYTES = 16;
constexpr std::uint64_t TRAILER_BYTES = 8;
constexpr std::uint64_t ENTRY_FIXED_BYTES = 8;
constexpr std::uint64_t MAX_FIELD = 0xFFFFFFFFull;

// Windows-1252 lower case: ASCII, the accented capitals 0xC0-0xDE (but the
// multiplication sign 0xD7) and the four capitals of the 0x80 row.
unsigned char lowerOf(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
    switch (c) {
        case 0x8A: return 0x9A;
        case 0x8C: return 0x9C;
        case 0x8E: return 0x9E;
        case 0x9F: return 0xFF;
        default: return c;
    }
}

}  // namespace

const char* editResultText(EditResult result) {
    switch (result) {
        case EditResult::DONE: return "done";
        case EditResult::NO_SUCH_ENTRY: return "no entry has that name";
        case EditResult::NAME_TAKEN: return "another entry already has that name (letter case aside)";
        case EditResult::BAD_NAME: return "not a name an archive entry can have";
        case EditResult::NOT_A_FILE: return "not a readable file";
        case EditResult::FILE_TOO_LARGE: return "a file of 4 GiB or more cannot be stored";
        case EditResult::ARCHIVE_TOO_LARGE: return "the archive would exceed 4 GiB";
    }
    return "unknown";
}

const char* saveResultText(SaveResult result) {
    switch (result) {
        case SaveResult::SAVED: return "saved";
        case SaveResult::NOTHING_PLANNED: return "no archive is being edited";
        case SaveResult::ARCHIVE_CHANGED: return "the archive changed on disk since it was read; nothing was written";
        case SaveResult::SOURCE_CHANGED: return "a file to store changed since it was chosen; nothing was written";
        case SaveResult::ARCHIVE_TOO_LARGE: return "the archive would exceed 4 GiB; nothing was written";
        case SaveResult::CANNOT_CREATE: return "the new archive cannot be created";
        case SaveResult::READ_FAILED: return "reading failed; nothing was written";
        case SaveResult::WRITE_FAILED: return "writing failed; nothing was replaced";
    }
    return "unknown";
}

std::string BigEditPlan::foldName(const std::string& name) {
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(lowerOf(static_cast<unsigned char>(c)));
    return folded;
}

bool BigEditPlan::isValidName(const std::string& name) {
    if (name.empty() || name.size() > BigArchive::MAX_NAME) return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F || std::strchr("*?\"<>|", c)) return false;
    return BigArchive::isSafeEntryName(name);
}

void BigEditPlan::noteName(const std::string& name, int delta) {
    const std::string folded = foldName(name);
    int& n = names_[folded];
    n += delta;
    if (n <= 0) names_.erase(folded);
}

bool BigEditPlan::begin(const BigArchive& archive, const std::string& path, std::string& reason) {
    entries_.clear();
    names_.clear();
    changes_ = 0;
    started_ = false;
    failedPath_.clear();
    path_ = platform::resolvePath(path.c_str());
    archiveStamp_ = platform::fileStamp(path_.c_str());
    FilePtr file(path_.empty() ? nullptr : platform::openInputFile(path_.c_str(), "rb"));
    if (!file || archiveStamp_.size < 0) {
        reason = "cannot be read";
        return false;
    }
    if (std::fread(magic_, 1, 4, file.get()) != 4 ||
        (std::memcmp(magic_, "BIGF", 4) != 0 && std::memcmp(magic_, "BIG4", 4) != 0)) {
        reason = "is not a BIG archive";
        return false;
    }
    if (archive.directoryDamaged()) {
        reason = "is damaged: its header cannot be right";
        return false;
    }
    if (archive.directoryTruncated()) {
        reason = "is damaged: its directory ends early";
        return false;
    }
    const std::uint64_t length = static_cast<std::uint64_t>(archiveStamp_.size);
    entries_.reserve(static_cast<std::size_t>(archive.countEntries()));
    for (std::int32_t i = 0; i < archive.countEntries(); ++i) {
        const BigEntry* e = archive.entry(i);
        if (std::uint64_t{e->dataOffset} + e->dataSize > length) {
            reason = "is damaged: the data of " + e->name + " lies beyond the end of the file";
            entries_.clear();
            names_.clear();
            return false;
        }
        PlannedEntry p;
        p.name = p.oldName = e->name;
        p.oldOffset = e->dataOffset;
        p.size = e->dataSize;
        noteName(p.name, 1);
        entries_.push_back(std::move(p));
    }
    started_ = true;
    return true;
}

std::int32_t BigEditPlan::find(const std::string& name) const {
    const std::string folded = foldName(name);
    if (!names_.count(folded)) return -1;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (foldName(entries_[i].name) == folded) return static_cast<std::int32_t>(i);
    return -1;
}

EditResult BigEditPlan::takeSource(const std::string& path, PlannedEntry& entry) {
    const std::string resolved = platform::resolvePath(path.c_str());
    if (resolved.empty() || platform::inputProblem(resolved.c_str())) return EditResult::NOT_A_FILE;
    FilePtr probe(platform::openInputFile(resolved.c_str(), "rb"));
    if (!probe) return EditResult::NOT_A_FILE;
    const platform::FileStamp stamp = platform::fileStamp(resolved.c_str());
    if (stamp.size < 0) return EditResult::NOT_A_FILE;
    if (static_cast<std::uint64_t>(stamp.size) > MAX_FIELD) return EditResult::FILE_TOO_LARGE;
    entry.sourcePath = resolved;
    entry.sourceStamp = stamp;
    entry.size = static_cast<std::uint32_t>(stamp.size);
    return EditResult::DONE;
}

EditResult BigEditPlan::add(const std::string& name, const std::string& path) {
    if (!isValidName(name)) return EditResult::BAD_NAME;
    if (names_.count(foldName(name))) return EditResult::NAME_TAKEN;
    PlannedEntry entry;
    entry.name = name;
    entry.added = true;
    const EditResult taken = takeSource(path, entry);
    if (taken != EditResult::DONE) return taken;
    entries_.push_back(std::move(entry));
    if (plannedSize() > MAX_FIELD) {
        entries_.pop_back();
        return EditResult::ARCHIVE_TOO_LARGE;
    }
    noteName(name, 1);
    ++changes_;
    return EditResult::DONE;
}

EditResult BigEditPlan::replace(std::int32_t index, const std::string& path) {
    if (index < 0 || index >= count()) return EditResult::NO_SUCH_ENTRY;
    PlannedEntry& entry = entries_[static_cast<std::size_t>(index)];
    PlannedEntry changed = entry;
    const EditResult taken = takeSource(path, changed);
    if (taken != EditResult::DONE) return taken;
    std::swap(entry, changed);
    if (plannedSize() > MAX_FIELD) {
        std::swap(entry, changed);
        return EditResult::ARCHIVE_TOO_LARGE;
    }
    if (!entry.added) entry.replaced = true;
    ++changes_;
    return EditResult::DONE;
}

EditResult BigEditPlan::rename(std::int32_t index, const std::string& newName) {
    if (index < 0 || index >= count()) return EditResult::NO_SUCH_ENTRY;
    if (!isValidName(newName)) return EditResult::BAD_NAME;
    PlannedEntry& entry = entries_[static_cast<std::size_t>(index)];
    if (newName == entry.name) return EditResult::DONE;
    // Only a change of letter case may keep the folded name; any other name
    // must be free.
    const bool sameFolded = foldName(newName) == foldName(entry.name);
    if (!sameFolded && names_.count(foldName(newName))) return EditResult::NAME_TAKEN;
    const std::string oldName = entry.name;
    entry.name = newName;
    if (plannedSize() > MAX_FIELD) {
        entry.name = oldName;
        return EditResult::ARCHIVE_TOO_LARGE;
    }
    noteName(oldName, -1);
    noteName(newName, 1);
    if (!entry.added) entry.renamed = entry.name != entry.oldName;
    ++changes_;
    return EditResult::DONE;
}

void BigEditPlan::remove(const std::vector<bool>& drop) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (i < drop.size() && drop[i]) {
            noteName(entries_[i].name, -1);
            ++changes_;
            continue;
        }
        if (kept != i) entries_[kept] = std::move(entries_[i]);
        ++kept;
    }
    entries_.resize(kept);
}

void BigEditPlan::remove(std::int32_t index) {
    if (index < 0 || index >= count()) return;
    std::vector<bool> drop(entries_.size(), false);
    drop[static_cast<std::size_t>(index)] = true;
    remove(drop);
}

std::uint64_t BigEditPlan::plannedSize() const {
    std::uint64_t size = HEADER_BYTES + TRAILER_BYTES;
    for (const PlannedEntry& e : entries_) size += ENTRY_FIXED_BYTES + e.name.size() + 1 + e.size;
    return size;
}

SaveResult BigEditPlan::save(const std::string& target, WorkProgress* progress) {
    failedPath_.clear();
    if (!started_) return SaveResult::NOTHING_PLANNED;
    const std::uint64_t total = plannedSize();
    if (total > MAX_FIELD) return SaveResult::ARCHIVE_TOO_LARGE;

    // The old archive must be the one the plan was made from: its offsets
    // are read from it.
    FilePtr old(platform::openInputFile(path_.c_str(), "rb"));
    if (!old || platform::fileStamp(path_.c_str()) != archiveStamp_) return SaveResult::ARCHIVE_CHANGED;

    std::uint64_t header = HEADER_BYTES + TRAILER_BYTES;
    for (const PlannedEntry& e : entries_) header += ENTRY_FIXED_BYTES + e.name.size() + 1;
    std::vector<unsigned char> head(static_cast<std::size_t>(header));
    std::memcpy(head.data(), magic_, 4);
    le::setU32(head.data() + 4, static_cast<std::uint32_t>(total));
    be::setU32(head.data() + 8, static_cast<std::uint32_t>(entries_.size()));
    be::setU32(head.data() + 12, static_cast<std::uint32_t>(header));
    std::size_t p = HEADER_BYTES;
    std::uint64_t offset = header;
    for (const PlannedEntry& e : entries_) {
        be::setU32(head.data() + p, static_cast<std::uint32_t>(offset));
        be::setU32(head.data() + p + 4, e.size);
        std::memcpy(head.data() + p + 8, e.name.data(), e.name.size());
        head[p + 8 + e.name.size()] = 0;
        p += ENTRY_FIXED_BYTES + e.name.size() + 1;
        offset += e.size;
    }
    std::memcpy(head.data() + p, "L219", 4);
    le::setU32(head.data() + p + 4, 0);

    ReplacingFile file;
    if (!file.create(target)) return SaveResult::CANNOT_CREATE;
    std::FILE* out = file.stream();
    if (progress) progress->begin(total);
    if (std::fwrite(head.data(), 1, head.size(), out) != head.size()) return SaveResult::WRITE_FAILED;
    if (progress) progress->advance(head.size());

    std::vector<char> buffer;
    std::uint64_t at = head.size();  // where the next entry's bytes go
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const PlannedEntry& e = entries_[i];
        if (progress && progress->stopped()) return SaveResult::WRITE_FAILED;
        if (e.sourcePath.empty()) {
            // Kept entries that lay one after another in the old archive
            // still do: the run goes out in one stretch.
            const std::uint64_t start = e.oldOffset;
            std::uint64_t end = start + e.size;
            while (i + 1 < entries_.size() && entries_[i + 1].sourcePath.empty() && entries_[i + 1].oldOffset == end)
                end += entries_[++i].size;
            const StretchCopy copied =
                copyStretch(old.get(), start, end - start, out, at, COPY_BLOCK, buffer, progress);
            at += end - start;
            if (copied == StretchCopy::READ_FAILED) return SaveResult::READ_FAILED;
            if (copied != StretchCopy::DONE || (progress && progress->stopped())) return SaveResult::WRITE_FAILED;
            continue;
        }
        // A file to store must still be what it was when planned, to its
        // last byte: a changed file would leave a wrong entry in the archive.
        FilePtr in(platform::openInputFile(e.sourcePath.c_str(), "rb"));
        if (!in || platform::fileStamp(e.sourcePath.c_str()) != e.sourceStamp) {
            failedPath_ = e.sourcePath;
            return SaveResult::SOURCE_CHANGED;
        }
        const StretchCopy copied = copyStretch(in.get(), 0, e.size, out, at, COPY_BLOCK, buffer, progress);
        at += e.size;
        if (copied == StretchCopy::STOPPED || (progress && progress->stopped())) return SaveResult::WRITE_FAILED;
        if (copied == StretchCopy::WRITE_FAILED) return SaveResult::WRITE_FAILED;
        if (copied == StretchCopy::READ_FAILED || !platform::seekFile(in.get(), e.size) || std::fgetc(in.get()) != EOF) {
            failedPath_ = e.sourcePath;
            return SaveResult::SOURCE_CHANGED;
        }
    }
    // The old archive must not have changed while it was copied either.
    if (platform::fileStamp(path_.c_str()) != archiveStamp_) return SaveResult::ARCHIVE_CHANGED;
    old.reset();
    if (!file.commit()) return SaveResult::WRITE_FAILED;
    started_ = false;
    return SaveResult::SAVED;
}
