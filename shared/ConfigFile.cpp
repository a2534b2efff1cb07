#include "ConfigFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The leading decimal integer of a text, read as the C library reads one
// (leading blanks, optional sign, digits); out-of-range values saturate.
int leadingInteger(const char* text) {
    errno = 0;
    long value = std::strtol(text, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// strtok without hidden state: the next token of text at pos, or false.
bool nextToken(const std::string& text, std::size_t& pos, const char* delimiters, std::string& token) {
    pos = text.find_first_not_of(delimiters, pos);
    if (pos == std::string::npos) return false;
    std::size_t end = text.find_first_of(delimiters, pos);
    if (end == std::string::npos) end = text.size();
    token = text.substr(pos, end - pos);
    pos = end;
    return true;
}

}  // namespace

ConfigFile::ConfigFile(const char* fileName) : ConfigFile(fileName, 0) {}

ConfigFile::ConfigFile(const char* fileName, int lineLength)
    : fileName_(fileName ? fileName : ""),
      lineLength_(lineLength >= 1 && lineLength <= 1023 ? lineLength : 1024) {
    if (fileName_.size() > NAME_LIMIT) fileName_.resize(NAME_LIMIT);
}

ConfigFile::~ConfigFile() {
    if (stream_) std::fclose(stream_);
}

bool ConfigFile::locate() {
    if (fileName_.empty() || !platform::exists(fileName_.c_str())) return false;
    if (fileName_.size() >= 2 && fileName_[0] == '.' && platform::isSeparator(fileName_[1])) {
        std::string folder = platform::currentDirectory();
        if (folder.size() > NAME_LIMIT) folder.resize(NAME_LIMIT);
        std::string full = platform::joinPath(folder, fileName_.substr(2));
        if (full.size() > NAME_LIMIT) full.resize(NAME_LIMIT);
        fileName_ = full;
        if (!platform::exists(fileName_.c_str())) return false;
    }
    return true;
}

bool ConfigFile::open() {
    if (stream_) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!locate()) return false;
    stream_ = platform::openInputFile(fileName_.c_str(), "r");
    return stream_ != nullptr;
}

void ConfigFile::ListCounter::add(char c) {
    // The list ends at its last ']', or without one at its last '}'.
    if (c == ']') {
        atSquare_ = itemsSoFar();
        squareSeen_ = true;
    } else if (c == '}') {
        atCurly_ = itemsSoFar();
        curlySeen_ = true;
    }
    // '{' and '[' separate only the first item from what follows.
    const bool separator = c == ',' || c == ';' || (!firstDone_ && (c == '{' || c == '['));
    if (!separator) {
        inItem_ = true;
    } else if (inItem_) {
        ++items_;
        inItem_ = false;
        firstDone_ = true;
    }
}

std::size_t ConfigFile::ListCounter::count() const {
    return squareSeen_ ? atSquare_ : curlySeen_ ? atCurly_ : itemsSoFar();
}

bool ConfigFile::readPhysicalLine(bool& cut) {
    std::memset(line_, 0, sizeof line_);
    cut = false;
    if (!stream_ || !std::fgets(line_, static_cast<int>(LINE_LIMIT + 1), stream_)) {
        line_[0] = '\0';
        return false;
    }
    const std::size_t length = std::strlen(line_);
    if (length == LINE_LIMIT && line_[length - 1] != '\n') {
        // Only a character before the line end makes the line overlong.
        const int c = std::fgetc(stream_);
        cut = c != EOF && c != '\n';
        if (cut) std::ungetc(c, stream_);
    }
    return true;
}

void ConfigFile::skipRest(ListCounter* whole) {
    // A carriage return is given on only when more than the line end follows it.
    bool carriageReturn = false;
    int c;
    while ((c = std::fgetc(stream_)) != EOF && c != '\n') {
        if (!whole) continue;
        if (carriageReturn) whole->add('\r');
        carriageReturn = c == '\r';
        if (!carriageReturn) whole->add(static_cast<char>(c));
    }
}

const char* ConfigFile::readLine() {
    bool cut = false;
    if (readPhysicalLine(cut) && cut) skipRest(nullptr);
    return line_;
}

bool ConfigFile::atEnd() const { return !stream_ || std::feof(stream_) || std::ferror(stream_); }

bool ConfigFile::close() {
    if (!stream_) return true;
    bool failed = std::ferror(stream_) != 0;
    std::fclose(stream_);
    stream_ = nullptr;
    return !failed;
}

const char* ConfigFile::isComment() const {
    if (line_[0] == '#' || line_[0] == '*' || line_[0] == '/') return nullptr;
    const char* p = line_;
    while (*p && isBlank(*p)) ++p;
    return p;
}

bool ConfigFile::load() {
    if (!open()) return false;
    // Reads until the stream reports its end (a read error ends it too);
    // a line longer than the buffer is cut and its rest skipped.
    cutKeys_.clear();
    wholeLists_.clear();
    bool cut = false;
    while (readPhysicalLine(cut)) {
        ListCounter whole;
        const bool counting = parseLine(line_, cut, whole);
        if (cut) skipRest(counting ? &whole : nullptr);
        if (counting) wholeLists_[lastKey_] = whole.count();
    }
    close();
    return true;
}

bool ConfigFile::parseLine(const char* line, bool cut, ListCounter& whole) {
    if (line[0] == '#' || line[0] == '*' || line[0] == '/') return false;
    const char* p = line;
    while (*p && isBlank(*p)) ++p;
    if (!*p || !std::strchr(p, '=')) return false;

    while (*p == ' ' || *p == '=') ++p;
    const char* keyEnd = p;
    while (*keyEnd && *keyEnd != ' ' && *keyEnd != '=') ++keyEnd;
    std::string key(p, keyEnd);
    // A key with its line end (a line "KEY" after a leading "=") ends there.
    while (!key.empty() && (key.back() == '\n' || key.back() == '\r')) key.pop_back();
    if (key.size() > KEY_LIMIT) key.resize(KEY_LIMIT);

    const char* v = *keyEnd ? keyEnd + 1 : keyEnd;
    while (*v && (isBlank(*v) || *v == '=')) ++v;
    std::string value(v);
    // The line end is not part of the value; a CR LF file read where text
    // mode keeps the CR loses it here too.
    if (!value.empty() && value.back() == '\n') value.pop_back();
    if (!value.empty() && value.back() == '\r') value.pop_back();

    std::string uncut;
    if (value.find('$') != std::string::npos) {
        value = expand(value);
        if (value.size() > VALUE_LIMIT) {
            uncut = value;
            value.resize(VALUE_LIMIT);
            cut = true;
        }
    }
    if (cut) cutKeys_.push_back(key);
    if (!key.empty() && key == lastKey_) return false;
    lastKey_ = key;
    if (value.empty() || key.empty()) return false;
    entries_[key] = value;
    wholeLists_.erase(key);
    if (!cut) return false;
    for (char c : uncut.empty() ? value : uncut) whole.add(c);
    return true;
}

std::size_t ConfigFile::wholeListSize(const char* key) const {
    if (!key || !*key) return 0;
    const auto counted = wholeLists_.find(key);
    if (counted != wholeLists_.end()) return counted->second;
    const auto entry = entries_.find(key);
    if (entry == entries_.end()) return 0;
    ListCounter whole;
    for (char c : entry->second) whole.add(c);
    return whole.count();
}

std::string ConfigFile::expand(const std::string& value) const {
    std::string work = value;
    if (work.find(')') == std::string::npos) work += ')';
    std::string output;
    std::size_t pos = 0;
    std::string piece;
    for (std::size_t pieces = 0; pieces < PIECE_LIMIT && nextToken(work, pos, ")", piece); ++pieces) {
        std::size_t ref = piece.find("$(");
        if (ref == std::string::npos) {
            output += piece;
            continue;
        }
        output += piece.substr(0, ref);
        auto found = entries_.find(piece.substr(ref + 2));
        if (found != entries_.end()) output += found->second;
    }
    return output;
}

const char* ConfigFile::text(const char* key) {
    if (!key || !*key) return nullptr;
    return entries_[key].c_str();
}

int ConfigFile::integer(const char* key) {
    if (!key || !*key) return 0;
    return leadingInteger(entries_[key].c_str());
}

bool ConfigFile::boolean(const char* key) {
    if (!key || !*key) return false;
    const std::string& value = entries_[key];
    return !value.empty() && std::string("TRUE true True").find(value) != std::string::npos;
}

std::vector<std::string> ConfigFile::splitList(const std::string& value) {
    std::string text = value.substr(0, LIST_LIMIT);
    std::size_t close = text.rfind(']');
    if (close == std::string::npos) close = text.rfind('}');
    if (close != std::string::npos) text.resize(close);
    std::vector<std::string> items;
    std::size_t pos = 0;
    std::string item;
    if (!nextToken(text, pos, "{[,;", item)) return items;
    items.push_back(item);
    // The separator that ended the first item is used up with it, even a
    // bracket that only the first split knows: {a[b,c} gives a, b, c.
    if (pos < text.size()) ++pos;
    while (nextToken(text, pos, ",;", item)) items.push_back(item);
    return items;
}

bool ConfigFile::textList(const char* key, std::vector<std::string>& list) {
    if (!key || !*key) return false;
    for (std::string& item : splitList(entries_[key])) list.push_back(std::move(item));
    return !list.empty();
}

bool ConfigFile::integerList(const char* key, std::vector<int>& list) {
    if (!key || !*key) return false;
    for (const std::string& item : splitList(entries_[key])) list.push_back(leadingInteger(item.c_str()));
    return !list.empty();
}

bool ConfigFile::textMap(const char* key, std::map<std::string, std::string>& map) {
    if (!key || !*key) return false;
    for (const std::string& item : splitList(entries_[key])) {
        if (!splitItem(item.c_str())) continue;  // an item without '=' names nothing
        map[itemName_] = itemValue_;
    }
    return !map.empty();
}

bool ConfigFile::integerMap(const char* key, std::map<std::string, int>& map) {
    if (!key || !*key) return false;
    for (const std::string& item : splitList(entries_[key])) {
        if (!splitItem(item.c_str())) continue;
        map[itemName_] = leadingInteger(itemValue_.c_str());
    }
    return !map.empty();
}

const char* ConfigFile::splitItem(const char* item) {
    item_ = item ? item : "";
    if (item_.size() > ITEM_LIMIT) item_.resize(ITEM_LIMIT);
    std::size_t equals = item_.find('=');
    if (equals == std::string::npos) {
        itemName_ = item_;
        itemValue_.clear();
        return nullptr;
    }
    itemName_ = item_.substr(0, equals);
    itemValue_ = item_.substr(equals + 1);
    return itemValue_.c_str();
}

void ConfigFile::stripClose() {
    std::size_t close = list_.rfind(']');
    if (close == std::string::npos) close = list_.rfind('}');
    if (close != std::string::npos) list_.resize(close);
}

void ConfigFile::parseRange(const char* text, int& first, int& last) {
    while (*text && isBlank(*text)) ++text;
    first = 0;
    last = 0;
    int firstDigits = 0, lastDigits = 0;
    bool second = false;
    for (; *text; ++text) {
        if (*text == '-') {
            second = true;
            last = 0;
            lastDigits = 0;
        } else if (*text >= '0' && *text <= '9') {
            int& number = second ? last : first;
            int& digits = second ? lastDigits : firstDigits;
            if (digits < 3) {  // a number holds at most three digits
                number = number * 10 + (*text - '0');
                ++digits;
            }
        }
    }
}

int ConfigFile::range() {
    parseRange(itemValue_.c_str(), rangeFirst_, rangeLast_);
    return std::abs(rangeLast_ - rangeFirst_);
}

int ConfigFile::numberedNames(const char* key) {
    numbered_.clear();
    if (!key || !*key) return 0;
    std::string value = entries_[key].substr(0, ITEM_LIMIT);
    std::size_t colon = value.find(':');
    if (colon == std::string::npos) return 0;
    std::string prefix = value.substr(0, colon);
    int first = 0, last = 0;
    parseRange(value.c_str() + colon + 1, first, last);
    int count = std::abs(last - first) + 1;
    char name[ITEM_LIMIT + 16];
    for (int n = 1; n <= count; ++n) {
        std::snprintf(name, sizeof name, "%s%03d", prefix.c_str(), n);
        numbered_.push_back(name);
    }
    return count;
}

const char* ConfigFile::numberedName(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= numbered_.size()) return nullptr;
    return numbered_[static_cast<std::size_t>(index)].c_str();
}

bool ConfigFile::hasTag(const char* tag) {
    std::string piece;
    if (open()) {
        readLine();
        std::size_t length = std::strlen(line_);
        if (length > 2) piece.assign(line_ + 2, std::min<std::size_t>(9, length - 2));
        close();
    }
    return piece == (tag ? tag : "");
}
