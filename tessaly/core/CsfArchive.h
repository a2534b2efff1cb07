// The in-memory model of one CSF string table and everything done to it:
// recognise a table, load its labels, hand names and texts to the list,
// export the unmarked labels as a new table, and append labels taken from a
// configuration file into a "NEW_" copy of the table.
//
// File layout (integers 32-bit little-endian, magics in file order):
//   header  24 bytes: " FSC", word, label count, string count, word, word
//   label   " LBL", string count, name length, name bytes, string records
//   string  " RTS", length in 16-bit units, units with all bits inverted;
//           "WRTS" carries after its text a 32-bit length and that many
//           8-bit characters.
//
// The archive keeps the bytes it loaded, so an export writes exactly the
// labels of the table that was loaded, byte for byte, whatever their text.
// The texts shown to the user are narrowed to 8-bit characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct WorkProgress;

// The six header words in file order.
struct CsfHeader {
    std::int32_t magic = 0;
    std::int32_t secondWord = 0;
    std::int32_t labelCount = 0;
    std::int32_t stringCount = 0;
    std::int32_t fifthWord = 0;
    std::int32_t sixthWord = 0;
};

// One string record of a loaded label, as a place in the loaded bytes.
struct CsfTextSlot {
    char magic[4] = {0, 0, 0, 0};
    std::int32_t length = 0;       // code units, as read
    std::uint32_t textOffset = 0;  // first unit in the loaded bytes
    std::int32_t extraLength = -1;  // "WRTS": bytes of its 8-bit part; -1 for other records
    std::uint32_t extraOffset = 0;  // first byte of the 8-bit part
};

// One label as loaded. The name and texts stay in the loaded bytes and are
// narrowed when asked for; `offset`/`size` span the whole label with all its
// string records, which is what an export writes.
struct CsfLabelRecord {
    char magic[4] = {0, 0, 0, 0};
    std::int32_t stringCount = 0;   // as read
    std::int32_t nameLength = 0;    // as read
    std::uint32_t nameOffset = 0;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    std::int32_t stringRecords = 0;  // string records really present
    std::uint8_t exportFlag = 1;
    CsfTextSlot slot[2];
};

// One label built for appending: a name and its texts, already in file form.
struct CsfStagedLabel {
    std::string name;
    std::vector<std::string> texts;  // each widened and inverted, 2 bytes a character
};

class CsfArchive {
public:
    static constexpr std::size_t HEADER_SIZE = 24;
    static constexpr std::size_t NAME_SHOWN = 128;    // bytes of a name shown
    static constexpr std::size_t TEXT_SHOWN = 1024;   // code units of a text shown
    static constexpr std::size_t PREFIX_LIMIT = 31;   // characters of a prefix value or entry name
    static constexpr std::size_t NAME_LIMIT = 128;    // bytes of an appended name
    static constexpr std::size_t TEXT_LIMIT = 1023;   // characters of an appended text

    // The header's six words from its HEADER_SIZE bytes at p.
    static CsfHeader decodeHeader(const unsigned char* p);
    static constexpr std::size_t READ_BLOCK = 1u << 20;  // bytes loaded between two looks at a stop
    // The largest table: offsets into it are kept in 32 bits. Its counts
    // and lengths are signed 32-bit fields; every label takes at least 12
    // bytes and every string record 8, so a table within this size never
    // needs a count beyond them.
    static constexpr std::uint64_t SIZE_LIMIT = 0xFFFFFFF0u;
    static_assert(SIZE_LIMIT / 8 <= 0x7FFFFFFF, "the label and string counts fit their fields");

    // True when the file starts with " FSC"; sets `ready` to the result.
    bool isCsfFile(const char* path);
    // Replaces all records by the file's labels. True (and `ready`) when the
    // file was read; a file shorter than its counts gives the labels read
    // completely up to the end of its data. With a progress, counts the
    // file's bytes as they are read; when asked to stop, ends as a load that
    // failed: false, nothing loaded.
    bool load(const char* path, WorkProgress* progress = nullptr);

    int recordCount() const { return static_cast<int>(records_.size()); }
    // The label's name (at most 128 bytes); empty for an index out of range.
    std::string labelText(int index) const;
    // The first text between double quotes; empty for an index out of range.
    std::string quotedText(int index) const;
    // The same two texts without a copy of their own, for filling a list of
    // many rows: the name as it lies in the loaded bytes (valid until the
    // next load), and the quoted text written into `buffer`, which holds
    // QUOTED_SIZE bytes, giving its length (not zero-ended).
    static constexpr std::size_t QUOTED_SIZE = TEXT_SHOWN + 2;
    std::string_view labelView(int index) const;
    std::size_t quotedTextInto(int index, char* buffer) const;
    // The same quoted text as its UTF-16 units, every character as it is,
    // into `buffer` (QUOTED_SIZE units); a pair of surrogates is never cut
    // in two at TEXT_SHOWN.
    std::size_t quotedWideInto(int index, char16_t* buffer) const;
    // `units` inverted 16-bit units, quoted, into `buffer` as quotedWideInto
    // writes them.
    static std::size_t quoteWideInto(const unsigned char* data, std::size_t units, char16_t* buffer);
    // The first (index 0) or second (index 1) text of a label, narrowed.
    std::string slotText(int index, int slotIndex) const;
    // Flag 0 marks the label to be left out of the next export.
    void setExportFlag(int index, int flag);

    // Writes the loaded table without its marked labels to target (through a
    // temporary file beside it). With no marked label the loaded table is
    // written whole, or, when nothing was loaded, the source is copied.
    // False when nothing could be written; an existing target is then kept.
    bool exportTo(const char* sourcePath, const char* targetPath);
    // Appends the labels that the configuration's "AppendList" families name
    // into a copy of the table called "NEW_" + its name (kept in newPath).
    // False when the copy could not be made or written; a previous copy is
    // then left as it was.
    bool appendFromConfig(const char* csfPath, const char* configPath);
    void clear();

    // Why the last export or append refused, or what it noticed (VALUE_CUT:
    // a value other than the AppendList was cut at its limit).
    enum class Problem { NONE, SAME_FILE, NO_CONFIG, VALUE_CUT };
    Problem problem() const { return problem_; }
    // The families the last append's AppendList names as the configuration
    // writes it, and how many of them its limits left out (the list is read
    // up to 512 characters, its line up to 1023).
    std::size_t familiesListed() const { return familiesListed_; }
    std::size_t familiesLeftOut() const { return familiesLeftOut_; }

    bool ready() const { return ready_; }
    bool appendDone() const { return appendDone_; }
    int markedCount() const { return markedCount_; }
    int lastExportLabels() const { return lastExportLabels_; }
    int lastAppendLabels() const { return static_cast<int>(lastAppendLabels_); }
    const CsfHeader& header() const { return header_; }
    const std::vector<CsfLabelRecord>& records() const { return records_; }
    const std::vector<CsfStagedLabel>& staged() const { return staged_; }
    const std::vector<std::string>& appendList() const { return appendList_; }
    const std::string& sourcePath() const { return sourcePath_; }
    const std::string& resolvedPath() const { return resolvedPath_; }
    const std::string& newPath() const { return newPath_; }

    // Narrows `units` inverted 16-bit units to 8-bit characters: the low byte
    // of each unit inverted, a unit whose stored low byte is 0 giving none.
    static std::string narrow(const unsigned char* data, std::size_t units);
    // The same into `out` (room for `units` bytes); gives the length.
    static std::size_t narrowInto(const unsigned char* data, std::size_t units, char* out);
    // Widens 8-bit characters to inverted units 0x00cc, 2 bytes each.
    static std::string widen(const std::string& text);

    // Every string record of a loaded label, in file order, with the place
    // of its text and of its 8-bit part, into slots (emptied first; nothing
    // for an index out of range).
    void textSlots(int index, std::vector<CsfTextSlot>& slots) const;
    // The bytes loaded, header included, exactly as read.
    const std::vector<unsigned char>& bytes() const { return data_; }
    // The offset just past the last label read completely (the header's end
    // when there is none): what lies beyond belongs to no label.
    std::size_t labelsEnd() const;

private:
    // Labels walked between two looks at a stop.
    static constexpr std::int32_t STOP_CHECK_LABELS = 4096;

    // False when the progress asked to stop before every label was walked.
    bool parse(WorkProgress* progress);
    // Forgets what a stopped load had read; gives false.
    bool abandonLoad();
    void stageFamily(class ConfigFile& config, const std::string& prefix);

    CsfHeader header_;
    std::vector<unsigned char> data_;  // the bytes loaded: header and labels
    std::vector<CsfLabelRecord> records_;
    std::vector<CsfStagedLabel> staged_;
    std::vector<std::string> appendList_;
    std::vector<std::string> values_;
    bool ready_ = false;
    bool appendDone_ = false;
    int markedCount_ = 0;
    int lastExportLabels_ = 0;
    std::size_t lastAppendLabels_ = 0;
    std::size_t familiesListed_ = 0;
    std::size_t familiesLeftOut_ = 0;
    std::string sourcePath_;
    std::string resolvedPath_;
    std::string newPath_;
    Problem problem_ = Problem::NONE;
};
