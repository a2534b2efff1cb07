// The folder scanner: a breadth-first walk below a start folder that records
// files (all of them, or those whose names match a filter list) and the
// sub-folders it passes, with a limit on the number of recorded entries.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One recorded file or folder: the listed folder's path, a backslash and the
// entry's name, kept whole whatever its length; the size in bytes (0 for
// folders), the whole 64-bit size so that files of 2 GiB and more are shown
// as they are.
struct FileRecord {
    std::string path;
    std::int64_t size = 0;
};

// An entry the walk did not take, and why. Nothing below a start folder is
// left out without one of these.
enum class PassReason {
    LINK,            // a symbolic link or junction: what it leads to is not inside
    NOT_A_FILE,      // a device, pipe or socket
    PATH_TOO_LONG,   // the path would pass the system's path limit
    BAD_NAME,        // a name that cannot be represented as a Windows name
    ENTRY_LIMIT,     // a folder not examined because the entry limit was reached
    UNLISTABLE,      // a folder whose listing the system refused (too deep, no rights)
    NO_ARCHIVE_NAME,  // given by the archive writer: the name has no Windows-1252 form
};
const char* passReasonText(PassReason reason);

struct PassedOver {
    std::string path;
    PassReason reason;
};

// The eight kinds a filter token can have. Each is a four-digit number: 1,
// then 0/1 for a leading '*' (0 when present), then 0/1 for "matches any base
// name or base name prefix" (0), then 1 when an exact extension is asked for.
enum class FilterKind : std::int32_t {
    ANY = 1000,         // "*", "*.*"
    EXT = 1001,         // "*.w3d"
    SUFFIX = 1010,      // "*_skn"
    SUFFIX_EXT = 1011,  // "*_skn.w3d"
    PREFIX = 1100,      // "cb*"
    PREFIX_EXT = 1101,  // "cb*.w3d"
    NAME = 1110,        // "readme"
    NAME_EXT = 1111,    // "readme.txt"
};

// One token of a filter list, split at its last dot.
struct FilterToken {
    std::string name;
    std::string ext;
    std::int32_t nameLength = 0;
    FilterKind kind = FilterKind::ANY;
};

struct WorkProgress;

class FolderScanner {
public:
    static constexpr std::int32_t MAX_SIZE = 64000;

    // The longest path the walk records: the longest path the system has.
    // (What the directory search cannot reach below it shows as a folder
    // that cannot be listed.)
#ifdef _WIN32
    static constexpr std::size_t PATH_LIMIT = 32767;
#else
    static constexpr std::size_t PATH_LIMIT = 4095;
#endif

    // The walk stops after a level that leaves more than maxSize entries
    // recorded; only tests give another limit than MAX_SIZE or PATH_LIMIT.
    explicit FolderScanner(std::int32_t maxSize = MAX_SIZE, std::size_t pathLimit = PATH_LIMIT)
        : maxSize_(maxSize), pathLimit_(pathLimit) {}

    // Starts a new scan from path alone. False (and nothing to scan) when the
    // path does not exist or is not a folder.
    bool setStartFolder(const char* path);

    // Replaces the filter list. Tokens are separated by ';' or ','; runs of
    // separators count as one; blanks are part of the tokens.
    void parseFilterList(const char* text);
    // The filter verdict for one file name. The first token that matches
    // decides; a list without tokens restricts nothing.
    bool matches(const char* fileName) const;

    // The walk, recording only files that match the filter text / every file.
    void scanFiltered(const char* filterText);
    void scanAll();

    // With a progress, the walk counts the folders it has listed against the
    // folders found so far, and ends before the next folder when asked to
    // stop: stopped() is then true and the results hold only what was walked.
    void setProgress(WorkProgress* progress) { progress_ = progress; }

    // With a file sink, the walk hands every file it records to the sink, in
    // the order met (the path as filePath would give it, then the size),
    // instead of keeping it: fileCount() then counts them, filePath and
    // fileSize give nothing. Memory stays at the folders and one listing.
    using FileSink = std::function<void(const std::string& path, std::int64_t size)>;
    void setFileSink(FileSink sink) { sink_ = std::move(sink); }
    bool stopped() const { return stopped_; }

    // Drops the walk's working state and the filter; the results stay.
    void reset();

    // The i-th file's path and size and the i-th folder's path; empty path
    // and size 0 outside the counts.
    const std::string& filePath(std::int32_t i) const;
    std::int64_t fileSize(std::int32_t i) const;
    const std::string& folderPath(std::int32_t i) const;

    std::int32_t fileCount() const { return fileCount_; }
    std::int32_t folderCount() const { return folderCount_; }
    bool startValid() const { return startValid_; }
    // True when the last scan stopped early because it had recorded more than
    // MAX_SIZE (or the given limit of) entries (the level in progress is always finished).
    bool limitReached() const { return recordedCount_ > maxSize_; }
    // True when the limit stopped the last scan before every folder it found
    // was walked: the files of those folders are missing. (A limit crossed
    // on the last level leaves nothing out.)
    bool foldersLeft() const { return foldersLeft_; }
    const std::vector<FilterToken>& tokens() const { return tokens_; }
    // What the last walk passed over, in the order met. Links and junctions
    // are never followed (so a loop is walked once and nothing outside the
    // start folder is collected).
    const std::vector<PassedOver>& passedOver() const { return passed_; }

    // Splits one filter token into its name, extension and kind.
    static FilterToken parseToken(const std::string& token);

private:
    void traverse(bool filtered);
    bool tokenMatches(const FilterToken& filter, bool first, const std::string& base,
                     const std::string& ext) const;

    std::vector<std::string> levels_[2];
    int current_ = 0;
    int next_ = 1;
    std::vector<FileRecord> files_;
    std::vector<FileRecord> folders_;
    std::vector<FilterToken> tokens_;
    std::vector<PassedOver> passed_;
    std::int32_t maxSize_;
    std::size_t pathLimit_;
    std::int32_t recordedCount_ = 0;
    std::int32_t fileCount_ = 0;
    std::int32_t folderCount_ = 0;
    bool startValid_ = false;
    bool foldersLeft_ = false;
    bool stopped_ = false;
    WorkProgress* progress_ = nullptr;
    FileSink sink_;
    std::int32_t sunkCount_ = 0;
    std::string pathBuffer_;
};
