#include "CsfPo.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <unordered_map>
#include <utility>

#include "CsfArchive.h"
#include "Utf8.h"

namespace {

const char HEX[] = "0123456789ABCDEF";
const char LABEL_MAGIC[4] = {' ', 'L', 'B', 'L'};
const char STRING_MAGIC[4] = {' ', 'R', 'T', 'S'};
const char TABLE_MAGIC[4] = {' ', 'F', 'S', 'C'};
constexpr std::uint64_t FIELD_LIMIT = 0x7FFFFFFF;   // a count or length is a signed 32-bit field
constexpr std::uint64_t TABLE_LIMIT = 0xFFFFFFFF;   // offsets into a table are 32-bit
const char ONLY_IN_SOURCE[] = "#. only in the source table\n";
const char NOT_IN_SOURCE[] = "#. not in the source table\n";

// ---- characters ----

bool validUtf8(const char* p, const char* end) {
    std::uint32_t cp;
    while (p < end) {
        const std::size_t n = decodeUtf8(p, end, cp);
        if (n == 0) return false;
        p += n;
    }
    return true;
}

// Stored units are little-endian with every bit inverted.
unsigned unitAt(const unsigned char* p, std::size_t i) {
    return ~(static_cast<unsigned>(p[2 * i]) | static_cast<unsigned>(p[2 * i + 1]) << 8) & 0xFFFFu;
}

// A stored text as UTF-8; false, with why, for what UTF-8 and PO cannot hold.
bool textToUtf8(const unsigned char* p, std::size_t units, std::string& out, std::string& why) {
    out.clear();
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t u = unitAt(p, i);
        if (u == 0) {
            why = "holds a zero character, which a PO file cannot hold";
            return false;
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            const unsigned low = i + 1 < units ? unitAt(p, i + 1) : 0;
            if (u > 0xDBFF || low < 0xDC00 || low > 0xDFFF) {
                const char hex[4] = {HEX[u >> 12], HEX[(u >> 8) & 15], HEX[(u >> 4) & 15], HEX[u & 15]};
                why = "holds a lone surrogate (U+" + std::string(hex, 4) + "), which UTF-8 cannot hold";
                return false;
            }
            u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        }
        appendUtf8(out, u);
    }
    return true;
}

// UTF-8 appended to out as inverted little-endian units; false when the text
// is not valid UTF-8. units counts the units appended.
bool utf8ToUnits(const std::string& text, std::string& out, std::uint64_t& units) {
    const char* p = text.data();
    const char* end = p + text.size();
    units = 0;
    auto put = [&](std::uint32_t u) {
        out += static_cast<char>(~u & 0xFF);
        out += static_cast<char>((~u >> 8) & 0xFF);
        ++units;
    };
    while (p < end) {
        std::uint32_t cp;
        const std::size_t n = decodeUtf8(p, end, cp);
        if (n == 0) return false;
        p += n;
        if (cp < 0x10000) {
            put(cp);
        } else {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    return true;
}

bool isControl(unsigned c) { return c < 0x20 || c == 0x7F; }

// A label name's bytes read as Latin-1, in UTF-8; control bytes as \xHH.
std::string shownName(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        if (isControl(c)) {
            const char esc[4] = {'\\', 'x', HEX[c >> 4], HEX[c & 15]};
            out.append(esc, 4);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

// The position of the '#' of a trailing "#digits", or npos.
std::size_t recordSuffix(const std::string& s) {
    std::size_t i = s.size();
    while (i > 0 && s[i - 1] >= '0' && s[i - 1] <= '9') --i;
    if (i == s.size() || i == 0 || s[i - 1] != '#') return std::string::npos;
    return i - 1;
}

// msgctxt of a label's record (1-based).
std::string contextOf(const std::string& name, std::size_t record) {
    std::string out = shownName(name);
    if (record > 1 || out.empty() || recordSuffix(out) != std::string::npos) out += "#" + std::to_string(record);
    return out;
}

// ---- writing ----

void appendQuoted(std::string& out, const char* p, const char* end) {
    out += '"';
    for (; p < end; ++p) {
        switch (*p) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: out += *p;  // other control characters stand as they are, as gettext reads them
        }
    }
    out += "\"\n";
}

// keyword "text"; a text with line breaks before its end as one line after
// another, each ending in its \n, the way PO editors show it.
void appendString(std::string& out, const char* keyword, const std::string& text) {
    out += keyword;
    out += ' ';
    const char* p = text.data();
    const char* end = p + text.size();
    const char* firstBreak = static_cast<const char*>(std::memchr(p, '\n', text.size()));
    if (!firstBreak || firstBreak + 1 == end) {
        appendQuoted(out, p, end);
        return;
    }
    out += "\"\"\n";
    while (p < end) {
        const char* stop = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        stop = stop ? stop + 1 : end;
        appendQuoted(out, p, stop);
        p = stop;
    }
}

void appendEntry(std::string& out, const char* comment, const std::string& context, const std::string& id,
                 const std::string& str) {
    out += '\n';
    if (comment) out += comment;
    appendString(out, "msgctxt", context);
    appendString(out, "msgid", id);
    appendString(out, "msgstr", str);
}

std::string nameOf(const CsfArchive& archive, const CsfLabelRecord& rec) {
    return std::string(reinterpret_cast<const char*>(archive.bytes().data() + rec.nameOffset),
                       static_cast<std::size_t>(rec.nameLength));
}

// The labels of one table a PO file can name: the first of each name whose
// name holds no control byte. The others are reported as left out.
struct Labels {
    std::vector<bool> usable;
    std::unordered_map<std::string, int> first;  // name -> index of its usable label
};

Labels usableLabels(const CsfArchive& archive, bool inSource, std::vector<CsfPoOmission>& omitted) {
    Labels labels;
    const std::vector<CsfLabelRecord>& records = archive.records();
    labels.usable.assign(records.size(), false);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string name = nameOf(archive, records[i]);
        bool control = false;
        for (unsigned char c : name) control = control || isControl(c);
        if (control) {
            omitted.push_back({inSource, shownName(name), 0, "its name holds a control byte, which a msgctxt cannot hold"});
        } else if (!labels.first.emplace(name, static_cast<int>(i)).second) {
            omitted.push_back({inSource, shownName(name), 0, "a label of the same name comes before it"});
        } else {
            labels.usable[i] = true;
        }
    }
    return labels;
}

// A label's texts in UTF-8; a text that cannot be held is reported and
// marked by ok[k] == false.
void labelTexts(const CsfArchive& archive, int index, bool inSource, std::vector<std::string>& texts,
                std::vector<bool>& ok, std::vector<CsfPoOmission>& omitted) {
    std::vector<CsfTextSlot> slots;
    archive.textSlots(index, slots);
    texts.assign(slots.size(), std::string());
    ok.assign(slots.size(), true);
    const unsigned char* data = archive.bytes().data();
    for (std::size_t k = 0; k < slots.size(); ++k) {
        std::string why;
        if (!textToUtf8(data + slots[k].textOffset, static_cast<std::size_t>(slots[k].length), texts[k], why)) {
            ok[k] = false;
            omitted.push_back({inSource, shownName(nameOf(archive, archive.records()[static_cast<std::size_t>(index)])), k + 1,
                               "its text " + why});
        }
    }
}

// A value for the header: the characters a header line can hold.
std::string headerValue(const std::string& text) {
    if (!validUtf8(text.data(), text.data() + text.size())) return "string table";
    std::string out;
    for (char c : text)
        if (!isControl(static_cast<unsigned char>(c))) out += c;
    return out.empty() ? "string table" : out;
}

// ---- reading ----

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class PoReader {
public:
    PoReader(std::vector<CsfPoEntry>& entries, CsfPoError& error) : entries_(entries), error_(error) {}

    bool read(const char* text, std::size_t size) {
        const char* p = text;
        const char* const end = text + size;
        if (size >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0) p += 3;
        for (line_ = 1; p < end; ++line_) {
            const char* stop = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            const char* next = stop ? stop + 1 : end;
            if (!stop) stop = end;
            if (stop > p && stop[-1] == '\r') --stop;
            if (!lineOf(p, stop)) return false;
            p = next;
        }
        if (started()) {
            if (!hasStr_) {
                line_ = current_.line;
                return fail("the entry ends without msgstr");
            }
            if (!finishEntry()) return false;
        }
        return true;
    }

private:
    enum class Field { NONE, CONTEXT, ID, STR };

    bool fail(const std::string& reason) {
        error_.line = line_;
        error_.reason = reason;
        return false;
    }
    bool started() const { return current_.hasContext || hasId_; }

    bool lineOf(const char* p, const char* end) {
        if (std::find(p, end, '\0') != end) return fail("the line holds a zero byte");
        if (!validUtf8(p, end)) return fail("the line is not valid UTF-8");
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
        if (p == end) return true;
        if (*p == '#') return comment(p, end);
        if (*p == '"') {
            if (field_ == Field::NONE) return fail("a string in double quotes must follow msgctxt, msgid or msgstr");
            return stringLine(p, end, *target());
        }
        const char* word = p;
        while (p < end && ((*p >= 'a' && *p <= 'z') || *p == '_')) ++p;
        const std::string keyword(word, p);
        if (keyword == "msgstr" && p < end && *p == '[') return fail("plural forms are not taken: a label's record has one text");
        if (keyword == "msgid_plural") return fail("plural forms are not taken: a label's record has one text");
        if (keyword == "msgctxt") {
            if (hasStr_ && !finishEntry()) return false;
            if (current_.hasContext) return fail("a second msgctxt in one entry");
            if (hasId_) return fail("msgctxt must come before msgid");
            current_.hasContext = true;
            current_.line = line_;
            field_ = Field::CONTEXT;
        } else if (keyword == "msgid") {
            if (hasStr_ && !finishEntry()) return false;
            if (hasId_) return fail("a second msgid before the entry's msgstr");
            if (!current_.hasContext) current_.line = line_;
            hasId_ = true;
            field_ = Field::ID;
        } else if (keyword == "msgstr") {
            if (!hasId_) return fail("msgstr without msgid");
            if (hasStr_) return fail("a second msgstr in one entry");
            hasStr_ = true;
            field_ = Field::STR;
        } else {
            return fail(keyword.empty() ? "a line starts with msgctxt, msgid, msgstr, a string in double quotes or #"
                                        : "unknown keyword '" + keyword + "'");
        }
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
        if (p == end || *p != '"') return fail("a string in double quotes was expected");
        return stringLine(p, end, *target());
    }

    std::string* target() {
        switch (field_) {
            case Field::CONTEXT: return &current_.context;
            case Field::ID: return &current_.id;
            default: return &current_.str;
        }
    }

    bool comment(const char* p, const char* end) {
        if (started() && !hasStr_) return fail("a comment cannot stand inside an entry");
        if (hasStr_ && !finishEntry()) return false;
        field_ = Field::NONE;
        const std::string text(p, end);
        if (text.compare(0, 2, "#~") == 0) return true;  // an obsolete entry is not read
        if (text.compare(0, 2, "#,") == 0) {
            std::size_t at = 2;
            while (at <= text.size()) {
                std::size_t comma = text.find(',', at);
                if (comma == std::string::npos) comma = text.size();
                std::size_t a = at, b = comma;
                while (a < b && (text[a] == ' ' || text[a] == '\t')) ++a;
                while (b > a && (text[b - 1] == ' ' || text[b - 1] == '\t')) --b;
                if (b > a) current_.flags.push_back(text.substr(a, b - a));
                at = comma + 1;
            }
        } else {
            current_.comments.push_back(text);
        }
        return true;
    }

    // A quoted string appended to out, then nothing but blanks.
    bool stringLine(const char* p, const char* end, std::string& out) {
        ++p;  // the opening quote
        std::string piece;
        for (;;) {
            if (p == end) return fail("the closing double quote is missing");
            const char c = *p++;
            if (c == '"') break;
            if (c != '\\') {
                piece += c;
                continue;
            }
            if (p == end) return fail("the closing double quote is missing");
            const char e = *p++;
            switch (e) {
                case '"': case '\\': piece += e; break;
                case 'n': piece += '\n'; break;
                case 't': piece += '\t'; break;
                case 'r': piece += '\r'; break;
                case 'a': piece += '\a'; break;
                case 'b': piece += '\b'; break;
                case 'f': piece += '\f'; break;
                case 'v': piece += '\v'; break;
                case 'x': {
                    unsigned value = 0;
                    int digits = 0;
                    for (int h; digits < 2 && p < end && (h = hexValue(*p)) >= 0; ++digits, ++p) value = value << 4 | static_cast<unsigned>(h);
                    if (digits == 0) return fail("\\x needs hex digits");
                    if (value == 0) return fail("an escape gives a zero character, which a text cannot hold");
                    piece += static_cast<char>(value);
                    break;
                }
                default:
                    if (e >= '0' && e <= '7') {
                        unsigned value = static_cast<unsigned>(e - '0');
                        for (int digits = 1; digits < 3 && p < end && *p >= '0' && *p <= '7'; ++digits, ++p)
                            value = value << 3 | static_cast<unsigned>(*p - '0');
                        if (value == 0) return fail("an escape gives a zero character, which a text cannot hold");
                        if (value > 0xFF) return fail("an octal escape beyond \\377");
                        piece += static_cast<char>(value);
                        break;
                    }
                    return fail(std::string("unknown escape \\") + e);
            }
        }
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
        if (p != end) return fail("unexpected characters after the closing double quote");
        if (!validUtf8(piece.data(), piece.data() + piece.size())) return fail("the string's escapes do not give valid UTF-8");
        out += piece;
        return true;
    }

    // The header's charset must be UTF-8.
    bool checkHeader() {
        const std::string& h = current_.str;
        std::size_t at = 0;
        while (at < h.size()) {
            std::size_t stop = h.find('\n', at);
            if (stop == std::string::npos) stop = h.size();
            std::string field = h.substr(at, stop - at);
            at = stop + 1;
            std::string lower;
            for (char c : field) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            if (lower.compare(0, 13, "content-type:") != 0) continue;
            const std::size_t cs = lower.find("charset=");
            if (cs == std::string::npos) continue;
            std::string charset = lower.substr(cs + 8);
            while (!charset.empty() && (charset.back() == ' ' || charset.back() == ';')) charset.pop_back();
            if (charset != "utf-8" && charset != "utf8")
                return fail("the header names the charset " + field.substr(cs + 8) + "; only UTF-8 PO files are read");
        }
        return true;
    }

    bool finishEntry() {
        const std::size_t entryLine = current_.line;
        if (!current_.hasContext && current_.id.empty()) {
            const std::size_t saved = line_;
            line_ = entryLine;
            if (!checkHeader()) return false;
            line_ = saved;
        }
        std::string key = current_.hasContext ? "1" + current_.context : "0";
        key += '\0';
        key += current_.id;
        const auto placed = seen_.emplace(std::move(key), entryLine);
        if (!placed.second) {
            line_ = entryLine;
            return fail("a second entry with the same msgctxt and msgid (the first is at line " +
                        std::to_string(placed.first->second) + ")");
        }
        entries_.push_back(std::move(current_));
        current_ = CsfPoEntry();
        hasId_ = hasStr_ = false;
        field_ = Field::NONE;
        return true;
    }

    std::vector<CsfPoEntry>& entries_;
    CsfPoError& error_;
    CsfPoEntry current_;
    bool hasId_ = false, hasStr_ = false;
    Field field_ = Field::NONE;
    std::size_t line_ = 0;
    std::unordered_map<std::string, std::size_t> seen_;
};

// ---- building ----

void putI32(std::string& out, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) out[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

void appendI32(std::string& out, std::uint32_t value) {
    out.append(4, '\0');
    putI32(out, out.size() - 4, value);
}

// One label's records as the PO file gives them.
struct PoLabel {
    std::string name;                         // bytes
    std::map<std::size_t, std::size_t> records;  // record (1-based) -> entry index
};

}  // namespace

bool CsfPoEntry::fuzzy() const {
    for (const std::string& flag : flags)
        if (flag == "fuzzy") return true;
    return false;
}

void csfToPo(const CsfArchive& table, const CsfArchive* source, const std::string& project, std::string& out,
             std::vector<CsfPoOmission>& omitted) {
    out.reserve(out.size() + table.bytes().size() * 2 + (source ? source->bytes().size() : 0));
    out += "msgid \"\"\nmsgstr \"\"\n";
    out += "\"Project-Id-Version: ";
    const std::string name = headerValue(project);
    for (char c : name) out += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    out += "\\n\"\n"
           "\"PO-Revision-Date: \\n\"\n"
           "\"Last-Translator: \\n\"\n"
           "\"Language-Team: \\n\"\n"
           "\"Language: \\n\"\n"
           "\"MIME-Version: 1.0\\n\"\n"
           "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
           "\"Content-Transfer-Encoding: 8bit\\n\"\n"
           "\"X-Generator: modtools\\n\"\n";

    const Labels labels = usableLabels(table, false, omitted);
    std::vector<std::string> texts, sourceTexts;
    std::vector<bool> ok, sourceOk;
    const std::vector<CsfLabelRecord>& records = table.records();
    if (!source) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (!labels.usable[i]) continue;
            const std::string label = nameOf(table, records[i]);
            labelTexts(table, static_cast<int>(i), false, texts, ok, omitted);
            for (std::size_t k = 0; k < texts.size(); ++k)
                if (ok[k]) appendEntry(out, nullptr, contextOf(label, k + 1), texts[k], std::string());
        }
        return;
    }
    const Labels sourceLabels = usableLabels(*source, true, omitted);
    const std::vector<CsfLabelRecord>& sourceRecords = source->records();
    // The source's order first, then the labels only the table has.
    for (std::size_t j = 0; j < sourceRecords.size(); ++j) {
        if (!sourceLabels.usable[j]) continue;
        const std::string label = nameOf(*source, sourceRecords[j]);
        labelTexts(*source, static_cast<int>(j), true, sourceTexts, sourceOk, omitted);
        const auto found = labels.first.find(label);
        if (found != labels.first.end())
            labelTexts(table, found->second, false, texts, ok, omitted);
        else
            texts.clear(), ok.clear();
        const std::size_t count = std::max(texts.size(), sourceTexts.size());
        for (std::size_t k = 0; k < count; ++k) {
            const bool inSource = k < sourceTexts.size(), inTable = k < texts.size();
            if ((inSource && !sourceOk[k]) || (inTable && !ok[k])) continue;
            const std::string context = contextOf(label, k + 1);
            if (inSource && inTable)
                appendEntry(out, nullptr, context, sourceTexts[k], texts[k]);
            else if (inSource)
                appendEntry(out, ONLY_IN_SOURCE, context, sourceTexts[k], std::string());
            else
                appendEntry(out, NOT_IN_SOURCE, context, texts[k], texts[k]);
        }
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!labels.usable[i]) continue;
        const std::string label = nameOf(table, records[i]);
        if (sourceLabels.first.count(label)) continue;
        labelTexts(table, static_cast<int>(i), false, texts, ok, omitted);
        for (std::size_t k = 0; k < texts.size(); ++k)
            if (ok[k]) appendEntry(out, NOT_IN_SOURCE, contextOf(label, k + 1), texts[k], texts[k]);
    }
}

bool csfReadPo(const char* text, std::size_t size, std::vector<CsfPoEntry>& entries, CsfPoError& error) {
    entries.clear();
    PoReader reader(entries, error);
    if (reader.read(text, size)) return true;
    entries.clear();
    return false;
}

bool csfFromPo(const std::vector<CsfPoEntry>& entries, const CsfArchive* base, std::string& table, CsfPoError& error) {
    table.clear();
    auto fail = [&](std::size_t line, const std::string& reason) {
        error.line = line;
        error.reason = reason;
        table.clear();
        return false;
    };

    // The labels the entries name, in the order they first appear.
    std::vector<PoLabel> labels;
    std::unordered_map<std::string, std::size_t> labelIndex;
    for (std::size_t e = 0; e < entries.size(); ++e) {
        const CsfPoEntry& entry = entries[e];
        if (!entry.hasContext) {
            if (entry.id.empty()) continue;  // the header
            return fail(entry.line, "an entry without msgctxt names no label");
        }
        std::string context;  // bytes
        const char* p = entry.context.data();
        const char* end = p + entry.context.size();
        while (p < end) {
            std::uint32_t cp;
            const std::size_t n = decodeUtf8(p, end, cp);
            if (n == 0) return fail(entry.line, "msgctxt is not valid UTF-8");
            if (cp > 0xFF) return fail(entry.line, "msgctxt holds a character beyond U+00FF; a label name is 8-bit (Latin-1)");
            if (isControl(cp)) return fail(entry.line, "msgctxt holds a control character, which a label name cannot hold");
            context += static_cast<char>(cp);
            p += n;
        }
        std::string name = context;
        std::size_t record = 1;
        const std::size_t hash = recordSuffix(context);
        if (hash != std::string::npos) {
            const std::string digits = context.substr(hash + 1);
            if (digits[0] == '0' || digits.size() > 10 || std::stoull(digits) > FIELD_LIMIT)
                return fail(entry.line, "the record number after '#' must be 1, 2, 3... without leading zeros");
            record = static_cast<std::size_t>(std::stoull(digits));
            name = context.substr(0, hash);
        }
        auto placed = labelIndex.emplace(name, labels.size());
        if (placed.second) labels.push_back({name, {}});
        PoLabel& label = labels[placed.first->second];
        const auto slot = label.records.emplace(record, e);
        if (!slot.second)
            return fail(entry.line, "a second entry for record " + std::to_string(record) + " of label " +
                                        shownName(name) + " (the first is at line " +
                                        std::to_string(entries[slot.first->second].line) + ")");
    }

    std::string units;
    // Appends a " RTS" or the base's record with the entry's text.
    auto appendText = [&](const CsfPoEntry& entry, const char* magic) {
        const std::string& text = !entry.fuzzy() && !entry.str.empty() ? entry.str : entry.id;
        units.clear();
        std::uint64_t count = 0;
        if (!utf8ToUnits(text, units, count)) return fail(entry.line, "the text is not valid UTF-8");
        if (count > FIELD_LIMIT) return fail(entry.line, "the text is longer than a record can hold");
        table.append(magic, 4);
        appendI32(table, static_cast<std::uint32_t>(count));
        table += units;
        return true;
    };
    // The records `from`.. of a label, each of which the file must give.
    auto appendRecords = [&](const PoLabel& label, std::size_t from) {
        const std::size_t last = label.records.empty() ? 0 : label.records.rbegin()->first;
        for (std::size_t k = from; k <= last; ++k) {
            const auto found = label.records.find(k);
            if (found == label.records.end())
                return fail(entries[label.records.rbegin()->second].line,
                            "label " + shownName(label.name) + " has no record " + std::to_string(k) +
                                (base ? " in the base table or the PO file" : " in the PO file"));
            if (!appendText(entries[found->second], STRING_MAGIC)) return false;
        }
        return true;
    };
    auto appendNewLabel = [&](const PoLabel& label) {
        if (label.name.size() > FIELD_LIMIT) return fail(entries[label.records.begin()->second].line, "the label name is too long");
        table.append(LABEL_MAGIC, 4);
        appendI32(table, static_cast<std::uint32_t>(label.records.rbegin()->first));
        appendI32(table, static_cast<std::uint32_t>(label.name.size()));
        table += label.name;
        return appendRecords(label, 1);
    };
    auto tooBig = [&](const PoLabel& label) {
        return table.size() > TABLE_LIMIT &&
               !fail(entries[label.records.begin()->second].line, "the table would pass the format's 4 GiB limit");
    };

    std::uint64_t labelCount = 0, stringCount = 0;
    for (const PoLabel& label : labels) stringCount += label.records.empty() ? 0 : label.records.rbegin()->first;
    if (!base) {
        table.append(CsfArchive::HEADER_SIZE, '\0');
        for (const PoLabel& label : labels) {
            if (!appendNewLabel(label) || tooBig(label)) return false;
        }
        labelCount = labels.size();
        if (labelCount > FIELD_LIMIT || stringCount > FIELD_LIMIT)
            return fail(entries.empty() ? 1 : entries.back().line, "the table would hold more labels or texts than its header can count");
        std::memcpy(&table[0], TABLE_MAGIC, 4);
        putI32(table, 4, 3);
        putI32(table, 8, static_cast<std::uint32_t>(labelCount));
        putI32(table, 12, static_cast<std::uint32_t>(stringCount));
        putI32(table, 16, 0);
        putI32(table, 20, 0);
        return true;
    }

    const std::vector<unsigned char>& bytes = base->bytes();
    const char* data = reinterpret_cast<const char*>(bytes.data());
    const std::vector<CsfLabelRecord>& records = base->records();
    const CsfHeader& header = base->header();
    std::uint64_t baseStrings = 0;
    for (const CsfLabelRecord& rec : records) baseStrings += static_cast<std::uint64_t>(rec.stringRecords);
    // Which base label takes the entries of each name: the first of that name.
    std::vector<const PoLabel*> given(records.size(), nullptr);
    std::vector<bool> used(labels.size(), false);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto found = labelIndex.find(std::string(data + records[i].nameOffset, static_cast<std::size_t>(records[i].nameLength)));
        if (found == labelIndex.end() || used[found->second]) continue;
        used[found->second] = true;
        given[i] = &labels[found->second];
    }
    for (std::size_t l = 0; l < labels.size(); ++l) {
        if (!used[l] && header.labelCount != static_cast<std::int32_t>(records.size()))
            return fail(entries[labels[l].records.begin()->second].line,
                        "label " + shownName(labels[l].name) + " is not in the base table, and labels cannot be added to it: its header counts " +
                            std::to_string(header.labelCount) + " labels but it holds " + std::to_string(records.size()));
    }

    table.assign(data, CsfArchive::HEADER_SIZE);
    std::vector<CsfTextSlot> slots;
    stringCount = baseStrings;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const CsfLabelRecord& rec = records[i];
        if (!given[i]) {
            table.append(data + rec.offset, rec.size);
            continue;
        }
        const PoLabel& label = *given[i];
        const std::size_t last = label.records.rbegin()->first;
        if (rec.stringCount < 0)
            return fail(entries[label.records.begin()->second].line,
                        "label " + shownName(label.name) + " holds no records in the base table (its count is negative)");
        const std::size_t have = static_cast<std::size_t>(rec.stringRecords);
        table.append(rec.magic, 4);
        appendI32(table, static_cast<std::uint32_t>(std::max(last, have)));
        table.append(data + rec.offset + 8, 4 + static_cast<std::size_t>(rec.nameLength));
        base->textSlots(static_cast<int>(i), slots);
        for (std::size_t k = 1; k <= have; ++k) {
            const CsfTextSlot& slot = slots[k - 1];
            const auto found = label.records.find(k);
            if (found == label.records.end()) {
                table.append(slot.magic, 4);
                appendI32(table, static_cast<std::uint32_t>(slot.length));
                table.append(data + slot.textOffset, 2 * static_cast<std::size_t>(slot.length));
            } else if (!appendText(entries[found->second], slot.magic)) {
                return false;
            }
            if (slot.extraLength >= 0) {
                appendI32(table, static_cast<std::uint32_t>(slot.extraLength));
                table.append(data + slot.extraOffset, static_cast<std::size_t>(slot.extraLength));
            }
        }
        if (last > have) {
            if (!appendRecords(label, have + 1)) return false;
            stringCount += last - have;
        }
        if (tooBig(label)) return false;
    }
    labelCount = records.size();
    for (std::size_t l = 0; l < labels.size(); ++l) {
        if (used[l]) continue;
        if (!appendNewLabel(labels[l]) || tooBig(labels[l])) return false;
        ++labelCount;
        stringCount += labels[l].records.rbegin()->first;
    }
    table.append(data + base->labelsEnd(), bytes.size() - base->labelsEnd());
    if (table.size() > TABLE_LIMIT || labelCount > FIELD_LIMIT || stringCount > FIELD_LIMIT)
        return fail(entries.empty() ? 1 : entries.back().line, "the table would pass the format's 32-bit limits");
    // Counts that were the real ones stay the real ones; others stay as stored.
    if (header.labelCount == static_cast<std::int32_t>(records.size()))
        putI32(table, 8, static_cast<std::uint32_t>(labelCount));
    if (static_cast<std::uint64_t>(static_cast<std::uint32_t>(header.stringCount)) == baseStrings)
        putI32(table, 12, static_cast<std::uint32_t>(stringCount));
    return true;
}
