// Changing an existing archive: add, replace, delete and rename entries.
//
// An edit is a plan, then one pass. The plan starts as the archive's own
// directory; each change marks an entry (added, replaced, renamed) or drops
// it. Nothing touches the disk until save(), which writes the whole new
// archive to a temporary file beside the target, copying every kept entry
// straight from the old archive block by block, and moves it over the target
// only when complete. Saving over the archive the plan was made from is the
// usual case and is safe: the old file is read until the new one is done.
//
// What a save keeps: the archive's magic ("BIGF" or "BIG4"), every kept
// entry's bytes and name, and the order of the entries. A replaced or renamed
// entry stays where it was; added entries follow the old ones, in the order
// they were added. The directory and the data offsets are laid out anew.
//
// Names are compared as the format's readers compare them: without regard to
// letter case (ASCII and the Latin letters of Windows-1252).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Platform.h"

class BigArchive;
struct WorkProgress;

// One entry of the planned archive.
struct PlannedEntry {
    std::string name;           // its name in the new archive
    std::string oldName;        // its name in the old archive; empty when added
    std::uint32_t oldOffset = 0;  // where its bytes lie in the old archive (kept entries)
    std::uint32_t size = 0;     // its data size in the new archive
    std::string sourcePath;     // added or replaced: the file whose bytes go in
    platform::FileStamp sourceStamp;  // that file as it was when planned
    bool added = false;
    bool replaced = false;
    bool renamed = false;
};

// The answer to one change of the plan.
enum class EditResult {
    DONE,
    NO_SUCH_ENTRY,     // no entry has that name
    NAME_TAKEN,        // another entry has that name (letter case aside)
    BAD_NAME,          // empty, longer than 255 bytes, or not a name a file can have
    NOT_A_FILE,        // the file to store is missing, not a regular file or unreadable
    FILE_TOO_LARGE,    // the file to store is 4 GiB or more
    ARCHIVE_TOO_LARGE, // the archive would pass the format's 32-bit sizes
};
const char* editResultText(EditResult result);

// Why an archive cannot be edited, or why a save failed.
enum class SaveResult {
    SAVED,
    NOTHING_PLANNED,   // no archive was taken
    ARCHIVE_CHANGED,   // the archive changed or went away since the plan was made
    SOURCE_CHANGED,    // a file to store changed or went away since it was planned
    ARCHIVE_TOO_LARGE, // the new archive would pass the format's 32-bit sizes
    CANNOT_CREATE,     // the new archive (its temporary file) cannot be created
    READ_FAILED,       // the old archive or a file to store could not be read
    WRITE_FAILED,      // writing failed (a full disk, a stop): nothing replaced
};
const char* saveResultText(SaveResult result);

class BigEditPlan {
public:
    // Starts a plan from an archive read by `archive` from `path` (its
    // directory as loaded). False, with the reason, when the archive cannot
    // be edited safely: its header is damaged, its directory ends early, or
    // an entry's data lies beyond the end of the file. The plan is then empty.
    bool begin(const BigArchive& archive, const std::string& path, std::string& reason);
    bool started() const { return started_; }
    const std::string& archivePath() const { return path_; }

    std::int32_t count() const { return static_cast<std::int32_t>(entries_.size()); }
    const PlannedEntry& at(std::int32_t index) const { return entries_[static_cast<std::size_t>(index)]; }
    // The index of the entry with that name (letter case aside), -1 when none.
    std::int32_t find(const std::string& name) const;
    // True when the plan differs from the archive it was made from.
    bool pending() const { return changes_ > 0; }

    // A new entry named `name` holding the file at `path`, after the others.
    EditResult add(const std::string& name, const std::string& path);
    // The entry's bytes become the file's.
    EditResult replace(std::int32_t index, const std::string& path);
    // The entry gets another name; it keeps its place and its bytes.
    EditResult rename(std::int32_t index, const std::string& newName);
    // Drops the entries whose `drop` flag is set (one flag per entry).
    void remove(const std::vector<bool>& drop);
    void remove(std::int32_t index);

    // Checks a name for the archive: not empty, at most 255 bytes, no
    // control character, none of * ? " < > | : and no component that leaves
    // the folder (".."), no leading or trailing separator.
    static bool isValidName(const std::string& name);
    // The name as entries are compared: letters folded to lower case.
    static std::string foldName(const std::string& name);

    // The size the new archive would have; more than 0xFFFFFFFF when it
    // cannot be written.
    std::uint64_t plannedSize() const;

    // Writes the planned archive to target (the archive itself or another
    // file). With a progress, counts the bytes written; a stop abandons the
    // new file. On success the plan is done: started() turns false.
    SaveResult save(const std::string& target, WorkProgress* progress = nullptr);
    // The file a save named in its failure (a changed source), else empty.
    const std::string& failedPath() const { return failedPath_; }

    static constexpr std::size_t COPY_BLOCK = 1u << 20;

private:
    EditResult takeSource(const std::string& path, PlannedEntry& entry);
    void noteName(const std::string& name, int delta);

    std::vector<PlannedEntry> entries_;
    std::unordered_map<std::string, int> names_;  // folded name -> how many entries carry it
    std::string path_;
    std::string failedPath_;
    platform::FileStamp archiveStamp_;
    char magic_[4] = {'B', 'I', 'G', '4'};
    int changes_ = 0;
    bool started_ = false;
};
