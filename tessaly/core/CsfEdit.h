// Changing a loaded string table: set a label's text, add, delete and rename
// labels.
//
// An edit is a plan over the table as loaded; nothing touches the disk until
// save(), which writes the whole new table to a temporary file beside the
// target and moves it over the target only when complete, so saving over the
// table that was loaded is safe.
//
// What a save keeps: the header's words (the two counts move by the labels
// and string records added or dropped), every label not edited with all of
// its bytes, and the order of the labels. An edited label keeps its place,
// its magic, its string count and every string record but the first; a new
// text goes into the first record (which keeps its magic and, for "WRTS",
// its 8-bit part). New labels follow the old ones, in the order they were
// added, with one " RTS" record; the bytes that followed the last label stay
// at the end of the table.
//
// Labels are compared exactly, byte for byte, as the format stores them.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Platform.h"

class CsfArchive;
struct WorkProgress;

// One label of the planned table.
struct PlannedLabel {
    int record = -1;        // the loaded label it comes from; -1 when added
    std::string name;       // its name in the new table
    std::u16string text;    // its new first text, when textSet
    bool textSet = false;
    bool added = false;
    bool renamed = false;
};

enum class LabelEdit {
    DONE,
    NO_SUCH_LABEL,     // no label has that name
    NAME_TAKEN,        // another label already has that name
    BAD_NAME,          // empty, longer than 128 bytes, or with a byte that is not printable ASCII
    TABLE_TOO_LARGE,   // the table would pass the format's 32-bit sizes
};
const char* labelEditText(LabelEdit result);

enum class TableSave {
    SAVED,
    NOTHING_PLANNED,   // no table was taken
    TABLE_CHANGED,     // the table changed or went away on disk since it was loaded
    TABLE_TOO_LARGE,   // the new table would pass the format's 32-bit sizes
    CANNOT_CREATE,     // the new table (its temporary file) cannot be created
    WRITE_FAILED,      // writing failed (a full disk, a stop): nothing replaced
};
const char* tableSaveText(TableSave result);

class CsfEditPlan {
public:
    static constexpr std::size_t NAME_LIMIT = 128;
    // The largest table the reader takes.
    static constexpr std::uint64_t TABLE_LIMIT = 0xFFFFFFF0ull;

    // Starts a plan over a table loaded from its file. False, with the
    // reason, when the table cannot be edited safely: nothing loaded, or
    // fewer labels read than its header counts (a damaged table). The table
    // must stay loaded, unchanged, while the plan lives.
    bool begin(const CsfArchive& table, std::string& reason);
    bool started() const { return table_ != nullptr; }

    int count() const { return static_cast<int>(labels_.size()); }
    const PlannedLabel& at(int index) const { return labels_[static_cast<std::size_t>(index)]; }
    // The first label with exactly that name, -1 when none.
    int find(const std::string& name) const;
    bool pending() const { return changes_ > 0; }
    // The label's first text as it will be saved (empty when it has none).
    std::u16string text(int index) const;

    LabelEdit setText(int index, const std::u16string& text);
    // A new label with one text, after the others.
    LabelEdit add(const std::string& name, const std::u16string& text);
    LabelEdit rename(int index, const std::string& newName);
    // Drops the labels whose flag is set (one flag per label).
    void remove(const std::vector<bool>& drop);
    void remove(int index);

    // Not empty, at most 128 bytes, printable ASCII (blanks inside allowed,
    // not at either end).
    static bool isValidName(const std::string& name);

    // The size of the table a save would write.
    std::uint64_t plannedSize() const { return size_; }
    // Writes the planned table to target (the loaded file or another). With
    // a progress, counts the bytes written; a stop abandons the new file.
    TableSave save(const std::string& target, WorkProgress* progress = nullptr);

    // UTF-8 to UTF-16; false (out unchanged) for bytes that are not UTF-8.
    static bool utf16FromUtf8(const std::string& in, std::u16string& out);
    // UTF-16 to UTF-8, a lone surrogate given as U+FFFD.
    static std::string utf8FromUtf16(const std::u16string& in);

private:
    void noteName(const std::string& name, int delta);
    // The bytes of a label that is not kept as loaded.
    void buildLabel(const PlannedLabel& label, std::string& out) const;
    std::uint64_t labelSize(const PlannedLabel& label) const;
    // Applies a change of one label's size, or refuses it past the limit.
    bool resize(std::uint64_t before, std::uint64_t after);
    bool untouched(const PlannedLabel& label) const { return !label.textSet && !label.renamed && !label.added; }

    const CsfArchive* table_ = nullptr;
    std::vector<PlannedLabel> labels_;
    std::unordered_map<std::string, int> names_;
    platform::FileStamp stamp_;
    std::int64_t stringDelta_ = 0;
    std::uint64_t size_ = 0;  // the planned table's size, kept up to date
    int changes_ = 0;
};
