#include "FolderScanner.h"

#include "WorkProgress.h"

#include "platform/Platform.h"

namespace {

const std::string EMPTY_TEXT;

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Splits a name at its last dot; without a dot the whole name is the base.
void splitAtLastDot(const std::string& name, std::string& base, std::string& ext, bool& hasDot) {
    std::size_t dot = name.rfind('.');
    hasDot = dot != std::string::npos;
    base = hasDot ? name.substr(0, dot) : name;
    ext = hasDot ? name.substr(dot + 1) : std::string();
}

// Characters no Windows name may hold; a name read through the 8-bit
// system calls shows '?' where a character has no 8-bit form.
bool representable(const std::string& name) { return name.find_first_of("\\/:*?\"<>|") == std::string::npos; }

}  // namespace

const char* passReasonText(PassReason reason) {
    switch (reason) {
        case PassReason::LINK: return "a link or junction, not followed";
        case PassReason::NOT_A_FILE: return "not a regular file";
        case PassReason::PATH_TOO_LONG: return "the path is too long for the system";
        case PassReason::BAD_NAME: return "the name cannot be represented";
        case PassReason::ENTRY_LIMIT: return "not examined, the entry limit was reached";
        case PassReason::UNLISTABLE: return "the folder could not be listed";
        case PassReason::NO_ARCHIVE_NAME: return "the name has a character archive names (Windows-1252) cannot hold";
    }
    return "unknown";
}

FilterToken FolderScanner::parseToken(const std::string& token) {
    std::string part;
    FilterToken filter;
    bool hasDot = false;
    splitAtLastDot(token, part, filter.ext, hasDot);

    const bool leadingStar = !part.empty() && part.front() == '*';
    const bool trailingStar = !part.empty() && part.back() == '*';
    const bool starAlone = part == "*";
    const bool exactExt = hasDot && (filter.ext.empty() || filter.ext.front() != '*');

    if (starAlone) {
        filter.name = "*";
        filter.kind = exactExt ? FilterKind::EXT : FilterKind::ANY;
    } else if (leadingStar) {
        filter.name = part.substr(1);
        filter.kind = exactExt ? FilterKind::SUFFIX_EXT : FilterKind::SUFFIX;
    } else if (trailingStar) {
        filter.name = part.substr(0, part.size() - 1);
        filter.kind = exactExt ? FilterKind::PREFIX_EXT : FilterKind::PREFIX;
    } else {
        filter.name = part;
        filter.kind = exactExt ? FilterKind::NAME_EXT : FilterKind::NAME;
    }
    filter.nameLength = static_cast<std::int32_t>(filter.name.size());
    return filter;
}

void FolderScanner::parseFilterList(const char* text) {
    tokens_.clear();
    if (!text) return;
    std::string token;
    for (const char* p = text;; ++p) {
        if (*p == ';' || *p == ',' || *p == '\0') {
            if (!token.empty()) tokens_.push_back(parseToken(token));
            token.clear();
            if (*p == '\0') break;
        } else {
            token += *p;
        }
    }
}

bool FolderScanner::tokenMatches(const FilterToken& filter, bool first, const std::string& base,
                                 const std::string& ext) const {
    switch (filter.kind) {
        case FilterKind::ANY: return first;
        case FilterKind::EXT: return ext == filter.ext;
        case FilterKind::SUFFIX: return endsWith(base, filter.name);
        case FilterKind::SUFFIX_EXT: return ext == filter.ext && endsWith(base, filter.name);
        case FilterKind::PREFIX: return startsWith(base, filter.name);
        case FilterKind::PREFIX_EXT: return ext == filter.ext && startsWith(base, filter.name);
        case FilterKind::NAME: return base == filter.name;
        case FilterKind::NAME_EXT: return base == filter.name && ext == filter.ext;
    }
    return false;
}

bool FolderScanner::matches(const char* fileName) const {
    if (tokens_.empty()) return true;
    std::string base, ext;
    bool hasDot = false;
    splitAtLastDot(fileName ? fileName : "", base, ext, hasDot);
    for (std::size_t i = 0; i < tokens_.size(); ++i) {
        if (tokenMatches(tokens_[i], i == 0, base, ext)) return true;
    }
    return false;
}

bool FolderScanner::setStartFolder(const char* path) {
    levels_[0].clear();
    levels_[1].clear();
    recordedCount_ = 0;
    std::uint32_t attributes = path && *path ? platform::fileAttributes(path) : platform::ATTR_INVALID;
    // A file is refused as a start: it has no entries to list.
    startValid_ = attributes != platform::ATTR_INVALID && (attributes & platform::ATTR_DIRECTORY);
    if (startValid_) {
        levels_[0].push_back(path);
        current_ = 0;
        next_ = 1;
    }
    return startValid_;
}

void FolderScanner::scanFiltered(const char* filterText) {
    parseFilterList(filterText);
    traverse(true);
}

void FolderScanner::scanAll() { traverse(false); }

void FolderScanner::traverse(bool filtered) {
    if (!startValid_) return;
    files_.clear();
    folders_.clear();
    passed_.clear();
    sunkCount_ = 0;
    std::size_t levelCount = levels_[current_].size();
    stopped_ = false;
    if (progress_) progress_->begin(levelCount);
    platform::FoundEntry entry;
    while (levelCount > 0 && recordedCount_ <= maxSize_ && !stopped_) {
        for (const std::string& folder : levels_[current_]) {
            if (progress_) {
                if (progress_->stopped()) {
                    stopped_ = true;
                    break;
                }
                progress_->advance(1);
            }
            pathBuffer_ = folder;
            if (pathBuffer_.empty()) continue;
            if (!platform::isSeparator(pathBuffer_.back())) pathBuffer_ += '\\';
            const std::size_t folderLength = pathBuffer_.size();
            pathBuffer_ += "*.*";

            // The listing's entries are examined from the first one on; only
            // the "." and ".." entries are passed over.
            platform::DirectorySearch search;
            // Every listable folder lists at least "." and "..".
            bool more = search.first(pathBuffer_.c_str(), entry);
            if (!more) passed_.push_back({folder, PassReason::UNLISTABLE});
            for (; more; more = search.next(entry)) {
                if (entry.name.empty() || entry.name == "." || entry.name == "..") continue;
                const bool isFolder = (entry.attributes & platform::ATTR_DIRECTORY) != 0;
                if (!isFolder && filtered && !matches(entry.name.c_str())) continue;
                pathBuffer_.resize(folderLength);
                pathBuffer_ += entry.name;
                const std::string& path = pathBuffer_;
                const PassReason* reason = nullptr;
                static const PassReason REASONS[] = {PassReason::LINK, PassReason::NOT_A_FILE,
                                                     PassReason::BAD_NAME, PassReason::PATH_TOO_LONG};
                if (entry.attributes & platform::ATTR_LINK)
                    reason = &REASONS[0];
                else if (entry.attributes & platform::ATTR_DEVICE)
                    reason = &REASONS[1];
                else if (!representable(entry.name))
                    reason = &REASONS[2];
                else if (path.size() + (isFolder ? 4 : 0) > pathLimit_)  // a folder is searched as "path\*.*"
                    reason = &REASONS[3];
                if (reason) {
                    passed_.push_back({path, *reason});
                    continue;
                }
                if (isFolder) {
                    if (progress_) ++progress_->total;
                    levels_[next_].push_back(path);
                    folders_.push_back(FileRecord{path, 0});
                } else if (sink_) {
                    sink_(path, static_cast<std::int64_t>(entry.size));
                    ++sunkCount_;
                } else {
                    files_.push_back(FileRecord{path, static_cast<std::int64_t>(entry.size)});
                }
                ++recordedCount_;
            }
            search.close();
        }
        levels_[current_].clear();
        std::swap(current_, next_);
        levelCount = levels_[current_].size();
    }
    // Folders left unwalked at the limit are named, not dropped silently.
    if (!stopped_)
        for (const std::string& folder : levels_[current_]) passed_.push_back({folder, PassReason::ENTRY_LIMIT});
    foldersLeft_ = levelCount > 0;
    fileCount_ = sink_ ? sunkCount_ : static_cast<std::int32_t>(files_.size());
    folderCount_ = static_cast<std::int32_t>(folders_.size());
}

void FolderScanner::reset() {
    levels_[0].clear();
    levels_[1].clear();
    tokens_.clear();
}

const std::string& FolderScanner::filePath(std::int32_t i) const {
    return i >= 0 && static_cast<std::size_t>(i) < files_.size() ? files_[static_cast<std::size_t>(i)].path : EMPTY_TEXT;
}

std::int64_t FolderScanner::fileSize(std::int32_t i) const {
    return i >= 0 && static_cast<std::size_t>(i) < files_.size() ? files_[static_cast<std::size_t>(i)].size : 0;
}

const std::string& FolderScanner::folderPath(std::int32_t i) const {
    return i >= 0 && i < folderCount_ ? folders_[static_cast<std::size_t>(i)].path : EMPTY_TEXT;
}
