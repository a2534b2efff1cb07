// A key = value configuration file, read once into an ordered map, answering
// lookups as text, integer, boolean, list or map, with $(name) expansion.
//
// Syntax in short: a '#', '*' or '/' in column 1 makes a comment; the key runs
// from the first non-blank character to the first space or '='; the value is
// the rest of the line without its leading blanks and '=' characters; of
// several consecutive lines with the same key the first wins; an empty value
// stores nothing; $(name) is replaced by the value of an earlier key.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class ConfigFile {
public:
    static constexpr std::size_t NAME_LIMIT = 256;
    static constexpr std::size_t LINE_LIMIT = 1023;   // characters of one physical line
    static constexpr std::size_t KEY_LIMIT = 127;
    static constexpr std::size_t VALUE_LIMIT = 1023;
    static constexpr std::size_t LIST_LIMIT = 512;
    static constexpr std::size_t ITEM_LIMIT = 127;
    static constexpr std::size_t PIECE_LIMIT = 25;

    explicit ConfigFile(const char* fileName);
    ConfigFile(const char* fileName, int lineLength);
    ~ConfigFile();
    ConfigFile(const ConfigFile&) = delete;
    ConfigFile& operator=(const ConfigFile&) = delete;

    // Locates the file and reads it whole; false when it is missing or cannot
    // be opened for reading.
    bool load();

    // Lookups. An empty key gives the empty result without touching the
    // entries; an absent key is inserted with an empty value.
    const char* text(const char* key);
    int integer(const char* key);
    bool boolean(const char* key);
    bool textList(const char* key, std::vector<std::string>& list);
    bool integerList(const char* key, std::vector<int>& list);
    bool textMap(const char* key, std::map<std::string, std::string>& map);
    bool integerMap(const char* key, std::map<std::string, int>& map);
    // From a value "Prefix: first-last": Prefix001 .. Prefix<count>.
    int numberedNames(const char* key);
    const char* numberedName(int index) const;

    // Line-level operations for callers that read a file themselves. open
    // is true when the file was found and opened; close is false when the
    // stream had an error.
    bool open();
    const char* readLine();
    const char* isComment() const;
    const char* splitItem(const char* item);
    void stripClose();
    int range();
    bool atEnd() const;
    bool close();
    bool hasTag(const char* tag);

    const char* fileName() const { return fileName_.c_str(); }
    int lineLength() const { return lineLength_; }
    const char* itemName() const { return itemName_.c_str(); }
    int rangeFirst() const { return rangeFirst_; }
    int rangeLast() const { return rangeLast_; }
    const std::map<std::string, std::string>& entries() const { return entries_; }
    // The keys whose value was cut at a limit by the last load: a line
    // longer than LINE_LIMIT (the rest of the line is skipped, never read as
    // a line of its own) or an expansion longer than VALUE_LIMIT. In file
    // order; a cut line that defines nothing is not listed.
    const std::vector<std::string>& cutKeys() const { return cutKeys_; }
    // How many items the key's list value holds as the file writes it: what
    // textList would give if neither the line (LINE_LIMIT, VALUE_LIMIT) nor
    // the list (LIST_LIMIT) were cut. Counted through to the end of an
    // overlong line; 0 for an absent key.
    std::size_t wholeListSize(const char* key) const;

    // The items of a list value {a,b} or [a;b] as the list lookups split it.
    static std::vector<std::string> splitList(const std::string& value);

private:
    // Counts the items of a list value a character at a time, as splitList
    // splits it but without its cut.
    class ListCounter {
    public:
        void add(char c);
        std::size_t count() const;

    private:
        std::size_t itemsSoFar() const { return items_ + (inItem_ ? 1 : 0); }
        std::size_t items_ = 0, atSquare_ = 0, atCurly_ = 0;
        bool inItem_ = false, firstDone_ = false, squareSeen_ = false, curlySeen_ = false;
    };

    bool locate();
    // Stores what the line defines. True when it stored a value cut at a
    // limit; its whole value is then counted into whole (the caller goes on
    // with the rest of an overlong line).
    bool parseLine(const char* line, bool cut, ListCounter& whole);
    // Reads one physical line into line_ (at most LINE_LIMIT characters).
    // cut tells that the line goes on: its rest is still to be read by
    // skipRest. False at the end.
    bool readPhysicalLine(bool& cut);
    // Reads and drops the rest of an overlong line, each character (its line
    // end aside) given to whole when there is one.
    void skipRest(ListCounter* whole);
    std::string expand(const std::string& value) const;
    static void parseRange(const char* text, int& first, int& last);

    std::map<std::string, std::string> entries_;
    std::vector<std::string> cutKeys_;
    std::map<std::string, std::size_t> wholeLists_;  // wholeListSize of the values stored cut
    std::string fileName_;
    int lineLength_;
    std::string lastKey_;
    std::vector<std::string> numbered_;
    int rangeFirst_ = 0;
    int rangeLast_ = 0;
    std::FILE* stream_ = nullptr;
    char line_[LINE_LIMIT + 2] = {0};
    std::string list_;
    std::string item_;
    std::string itemName_;
    std::string itemValue_;
};
