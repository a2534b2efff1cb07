// Archives in the BIG format: reading the directory of an archive, listing,
// selecting and extracting its entries, showing a text entry, and collecting
// a folder tree into a new archive.
//
// On disk (every offset counts from the start of the file, nothing padded):
//   header, 16 bytes   magic "BIGF" or "BIG4" | archive size, little-endian |
//                      entry total, big-endian | header size, big-endian
//                      (offset of the first data byte)
//   directory          per entry: data offset (BE32), data size (BE32),
//                      name bytes and one zero byte
//   trailer, 8 bytes   "L219" and a 32-bit zero (written, never needed)
//   data               the entries' contents in directory order
// Names are paths relative to the collected folder with '\' between folders,
// in Windows-1252 bytes on every system: names on disk are turned into them
// when a folder is collected and back when entries are extracted
// (platform::toArchiveName, platform::fromArchiveName).
#pragma once

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "FolderScanner.h"

// One entry of a directory read from an archive, or one collected file.
struct BigEntry {
    std::uint32_t dataOffset = 0;   // absolute offset of the data
    std::uint32_t dataSize = 0;     // length of the data in bytes
    std::string name;               // the archive name
    std::int32_t nameLength = 0;    // characters of the name, without the zero
    std::string sourcePath;         // collected entries: the file on disk
    std::uint32_t directoryLength = 0;  // collected entries: bytes in the directory
    std::uint8_t selected = 1;      // 1 = extract this entry
};

// Why an entry was not extracted, or why a collected file was not copied.
enum class EntryProblem {
    UNSAFE_NAME,     // absolute name, drive letter, ':' or a ".." component
    PATH_TOO_LONG,   // the output path would exceed 253 characters
    DATA_OUTSIDE,    // the entry's data lies (partly) beyond the end of the archive
    READ_FAILED,     // the data could not be read
    CANNOT_CREATE,   // the output folder or file could not be created or written
    LINKED_PATH,     // a folder on the way is a link or junction: it is not written through
    REPLACES_OWN,    // the output is the archive itself or an entry this extraction wrote
    SOURCE_UNREADABLE,  // a collected file could not be opened: left out of the archive
    NO_SYSTEM_NAME,  // the name has a character this system's file names cannot hold
};

const char* entryProblemText(EntryProblem problem);

struct EntryReport {
    std::string name;
    EntryProblem problem;
    std::string path = {};  // collected files: the file on disk
};

struct ExtractReport {
    bool archiveOpened = false;
    std::int32_t written = 0;
    std::int32_t skippedUnsafe = 0;
    std::int32_t skippedTooLong = 0;
    std::int32_t failed = 0;
    bool stopped = false;               // asked to stop: the entries after the last written one were not
    std::vector<EntryReport> problems;  // every entry not written, in directory order
};

// What makes a header that cannot be right.
enum class HeaderDamage {
    NONE,
    FILE_TOO_SHORT,      // the file is shorter than the 16-byte header
    SIZE_BELOW_HEADER,   // the header size is below 16 (0 included)
    SIZE_TOO_LARGE,      // the header size is 2 GiB or more
    SIZE_PAST_END,       // the header size lies past the end of the file
    TOTAL_TOO_LARGE,     // more entries than the file could hold at 9 bytes an entry
};

const char* headerDamageText(HeaderDamage damage);

enum class BigStatus {
    OK = 1,
    NOT_COLLECTED,      // writeArchive without a successful collectFolder
    NOT_A_FOLDER,       // the root to collect does not exist or is no folder
    FILE_TOO_LARGE,     // a file of 4 GiB or more
    ARCHIVE_TOO_LARGE,  // offsets or the archive size would exceed 32 bits
    NAME_TOO_LONG,      // an archive name longer than 255 characters
    CANNOT_CREATE,      // the archive (or its temporary file) cannot be created
    WRITE_FAILED,       // writing the archive failed; nothing was replaced
    SOURCE_CHANGED,     // a collected file read short or changed size while it was copied; nothing was replaced
};

const char* bigStatusText(BigStatus status);

struct WriteReport {
    BigStatus status = BigStatus::NOT_COLLECTED;
    std::int32_t entriesWritten = 0;
    std::int32_t excludedSelf = 0;      // the archive itself found in the collection
    std::vector<EntryReport> problems;  // collected files left out because they could not be read
    std::string problemPath;            // the file that ended the write (SOURCE_CHANGED, FILE_TOO_LARGE)
};

struct WorkProgress;
namespace platform {
struct FileIdentity;
}

class BigArchive {
public:
    static constexpr std::size_t COPY_BUFFER_SIZE = 1u << 20;
    static constexpr std::size_t MAX_NAME = 255;
    // At most this many directory bytes are read (about 250,000 entries of
    // the longest names, millions of short ones).
    static constexpr std::size_t MAX_DIRECTORY_BYTES = 64u << 20;
    static constexpr const char* TEXT_TYPES = ".ini .INI .str .STR .ru .RU";
    static constexpr const char* TEMP_TEXT_NAME = "ZZZ_Content.tmp";
    static constexpr const char* VIEWER = "NotePad.exe";

    BigArchive();
    ~BigArchive();
    BigArchive(const BigArchive&) = delete;
    BigArchive& operator=(const BigArchive&) = delete;

    // Empties the directory and the collection; `loaded` keeps its value.
    void clearLists();

    // True for a file whose first four bytes are "BIGF" or "BIG4". Only a
    // question: the loaded directory and every other state stay as they are.
    bool isBigFile(const char* path) const;

    // Reads the directory of an archive. False when the file does not exist
    // or cannot be read (the directory is then empty). With a progress,
    // counts the directory's bytes as they are read; when asked to stop, ends
    // as an archive that cannot be read: false, the directory empty.
    bool openArchive(const char* path, WorkProgress* progress = nullptr);
    // True when the directory ended before `entryTotal` entries because an
    // entry did not fit the directory bytes (the entries before it are kept).
    bool directoryTruncated() const { return directoryTruncated_; }
    // True when the header cannot be right: the file is shorter than the
    // header, the header size is below the header, 2 GiB or more or past the
    // end of the file, or the entry total is more than the file could hold.
    // Whatever entries could still be read are kept. headerDamage() says which.
    bool directoryDamaged() const { return headerDamage_ != HeaderDamage::NONE; }
    HeaderDamage headerDamage() const { return headerDamage_; }
    bool loaded() const { return loaded_; }

    std::int32_t countEntries() const { return static_cast<std::int32_t>(directory_.size()); }
    // The name as this system writes names (platform::fromArchiveName), for
    // showing; entry(index)->name holds the stored bytes.
    const char* entryName(std::int32_t index);
    const char* entrySizeText(std::int32_t index);
    const BigEntry* entry(std::int32_t index) const;

    void setSelected(std::int32_t index, std::uint8_t flag);
    std::int32_t deselectCount() const { return deselectCount_; }

    // Writes the selected entries below the destination folder. With a
    // progress, counts the selected entries' bytes; when asked to stop, the
    // entries already written stay, the one in progress is abandoned (its
    // old file, if any, is left as it was) and no later one is begun.
    ExtractReport extractSelected(const char* archivePath, const char* folder, WorkProgress* progress = nullptr);

    // Copies a text entry into the temporary file and asks the shell to open
    // it in the text viewer. True when the viewer was asked.
    bool viewTextEntry(std::int32_t index, void* ownerWindow);
    const std::string& tempTextPath() const { return tempTextPath_; }

    // Collects every file below root (or those whose names match the filter
    // list, when one is given) and lays out the new archive. With a progress,
    // the walk counts folders and, when asked to stop, ends with nothing
    // collected (NOT_COLLECTED).
    BigStatus collectFolder(const char* root, const char* filter = nullptr, WorkProgress* progress = nullptr);
    const std::vector<BigEntry>& collection() const { return collection_; }
    std::uint32_t headerSize() const { return headerSize_; }
    std::uint32_t archiveSize() const { return archiveSize_; }
    // The file that refused the layout (FILE_TOO_LARGE, NAME_TOO_LONG).
    const std::string& collectProblemPath() const { return collectProblemPath_; }
    // True when the walk stopped at the scanner's entry limit, so that files
    // in deeper folders were not collected.
    bool collectLimitReached() const { return collectLimitReached_; }
    // What the collecting walk passed over (links, junctions, special files,
    // paths too long, names that cannot be stored, folders beyond the limit),
    // then the files whose names have no Windows-1252 form.
    const std::vector<PassedOver>& passedOver() const { return passed_; }

    // Writes the collection as a "BIG4" archive. The archive is built in a
    // temporary file beside the target and put in place only when complete.
    // A collected file that is the target itself (by file identity, whatever
    // the spelling of the path) is left out. The layout is the walk's while
    // every file opens for its copy as the walk found it; else every
    // collected file is opened and measured and the archive begun again: one
    // that cannot be opened is left out and named in `problems`
    // (SOURCE_UNREADABLE), one whose size changed since the walk is stored
    // at its present size. A file that then
    // reads short or changes size while it is copied ends the write
    // (SOURCE_CHANGED, the file in problemPath): no entry is ever stored as
    // anything but its file's bytes. With a progress, counts the archive's
    // bytes; when asked to stop, the temporary file is removed, the target is
    // left as it was and the status is WRITE_FAILED.
    WriteReport writeArchive(const char* archivePath, WorkProgress* progress = nullptr);

    // Reads a directory from the bytes that follow the 16-byte header: at
    // most entryTotal entries, none reaching past length. True when it ended
    // early because an entry did not fit.
    static bool parseDirectory(const unsigned char* bytes, std::size_t length, std::uint32_t entryTotal,
                               std::vector<BigEntry>& out);
    // False for a name that could write outside the destination folder (or
    // names no file): empty, absolute, with a ':' or a component made only of
    // dots and blanks, such as "..", or ending in a separator.
    static bool isSafeEntryName(const std::string& name);

private:
    // False when the progress asked to stop; the directory is then empty.
    bool readDirectory(std::FILE* file, std::uint64_t fileLength, WorkProgress* progress);
    bool layOut();
    // The archive writer's parts: the collected files measured and the
    // layout fixed from what was found by opening every file (false, the
    // report saying why, when nothing may be written); the header and the
    // entries' bytes written, on the layout of the walk (walked: the target's
    // identity; NOT_OPENED when a file is not what the walk found) or on the
    // measured one (walked null).
    enum class CopyOutcome { DONE, FAILED, NOT_OPENED };
    bool measureCollection(const platform::FileIdentity& self, WorkProgress* progress, WriteReport& report);
    void keepMeasured(const std::vector<std::int64_t>& sizes);
    // Whether a collected file's path is the target's (letters compared as
    // they stand): a cheap first sign of the archive among its own files.
    bool collectedByPath(const std::string& target) const;
    CopyOutcome writeContent(std::FILE* out, const platform::FileIdentity* walked, WorkProgress* progress,
                             WriteReport& report);
    bool extractEntry(std::FILE* archive, std::uint64_t archiveLength, const BigEntry& e,
                      const std::string& outputPath, std::size_t baseLength, ExtractReport& report,
                      WorkProgress* progress);

    std::vector<BigEntry> directory_;
    std::vector<BigEntry> collection_;
    FolderScanner scanner_;
    std::vector<PassedOver> passed_;

    std::string viewPath_;
    std::string nameText_;
    std::string sizeText_;
    std::string lastCreatedFolder_;
    std::set<std::pair<std::uint64_t, std::uint64_t>> written_;  // identities not to replace
    std::string tempTextPath_;
    std::string collectProblemPath_;

    std::uint32_t headerSize_ = 0;
    std::uint32_t archiveSize_ = 0;
    BigStatus collectStatus_ = BigStatus::NOT_COLLECTED;
    bool loaded_ = false;
    bool tempTextWritten_ = false;
    bool directoryTruncated_ = false;
    HeaderDamage headerDamage_ = HeaderDamage::NONE;
    bool collectLimitReached_ = false;
    std::int32_t deselectCount_ = 0;
};
