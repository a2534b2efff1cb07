#include "CsfText.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

#include "CsfArchive.h"

namespace {

const char HEX[] = "0123456789ABCDEF";
const char LABEL_MAGIC[4] = {' ', 'L', 'B', 'L'};
const char STRING_MAGIC[4] = {' ', 'R', 'T', 'S'};
const char WIDE_EXTRA_MAGIC[4] = {'W', 'R', 'T', 'S'};
const char TABLE_MAGIC[4] = {' ', 'F', 'S', 'C'};

// ---- writing ----

// The escapes both kinds of quoted value share; false for any other byte.
bool appendCommonEscape(std::string& out, unsigned c) {
    switch (c) {
        case '"': out += "\\\""; return true;
        case '\\': out += "\\\\"; return true;
        case '\n': out += "\\n"; return true;
        case '\r': out += "\\r"; return true;
        case '\t': out += "\\t"; return true;
        default: return false;
    }
}

void appendQuotedBytes(std::string& out, const unsigned char* p, std::size_t n) {
    out += '"';
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned c = p[i];
        if (appendCommonEscape(out, c)) continue;
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            const char esc[4] = {'\\', 'x', HEX[c >> 4], HEX[c & 15]};
            out.append(esc, 4);
        }
    }
    out += '"';
}

void appendUnitEscape(std::string& out, unsigned u) {
    const char esc[6] = {'\\', 'u', HEX[u >> 12], HEX[(u >> 8) & 15], HEX[(u >> 4) & 15], HEX[u & 15]};
    out.append(esc, 6);
}

// Stored units are little-endian with every bit inverted.
unsigned unitAt(const unsigned char* p, std::size_t i) {
    return ~(static_cast<unsigned>(p[2 * i]) | static_cast<unsigned>(p[2 * i + 1]) << 8) & 0xFFFFu;
}

// Appends stored units as UTF-8. Quoted: between double quotes, with
// escapes, a lone surrogate as \uXXXX; else as they stand, a lone surrogate
// as U+FFFD.
void appendUtf8(std::string& out, const unsigned char* p, std::size_t units, bool quoted) {
    if (quoted) out += '"';
    for (std::size_t i = 0; i < units; ++i) {
        unsigned u = unitAt(p, i);
        if (u < 0x80) {
            if (quoted && appendCommonEscape(out, u)) continue;
            if (quoted && (u < 0x20 || u == 0x7F))
                appendUnitEscape(out, u);
            else
                out += static_cast<char>(u);
            continue;
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            const unsigned low = i + 1 < units ? unitAt(p, i + 1) : 0;
            if (u <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
                const unsigned cp = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                out += static_cast<char>(0xF0 | (cp >> 18));
                out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (cp & 0x3F));
                ++i;
                continue;
            }
            if (quoted) {
                appendUnitEscape(out, u);  // a lone surrogate has no UTF-8 form
                continue;
            }
            u = 0xFFFD;
        }
        if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    if (quoted) out += '"';
}

void appendMagicIfNot(std::string& out, const char* magic, const char* usual) {
    if (std::memcmp(magic, usual, 4) == 0) return;
    out += " magic ";
    appendQuotedBytes(out, reinterpret_cast<const unsigned char*>(magic), 4);
}

// ---- reading ----

void putI32(std::string& out, std::size_t at, std::int32_t value) {
    const std::uint32_t v = static_cast<std::uint32_t>(value);
    for (int k = 0; k < 4; ++k) out[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

void appendI32(std::string& out, std::int32_t value) {
    out.append(4, '\0');
    putI32(out, out.size() - 4, value);
}

// One line being read: a cursor over its characters and the first fault.
class LineReader {
public:
    LineReader(const char* begin, const char* end) : p_(begin), end_(end) {}

    bool atEnd() {
        skipBlanks();
        return p_ == end_;
    }
    bool blankOrComment() { return atEnd() || *p_ == '#'; }
    // The next word: letters, digits and '-'.
    std::string word() {
        skipBlanks();
        const char* start = p_;
        while (p_ < end_ && (std::isalnum(static_cast<unsigned char>(*p_)) || *p_ == '-')) ++p_;
        return std::string(start, p_);
    }
    // A decimal number that fits 32 bits, signed or not; stored as 32 bits.
    bool number(std::int32_t& value) {
        skipBlanks();
        bool negative = p_ < end_ && *p_ == '-';
        if (negative) ++p_;
        std::uint64_t v = 0;
        const char* start = p_;
        while (p_ < end_ && *p_ >= '0' && *p_ <= '9' && v <= 0xFFFFFFFFull) v = v * 10 + static_cast<unsigned>(*p_++ - '0');
        if (p_ == start) return fail("a number was expected");
        if (v > (negative ? 0x80000000ull : 0xFFFFFFFFull)) return fail("the number does not fit 32 bits");
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(negative ? 0 - v : v));
        return true;
    }
    // A quoted value of bytes appended to out.
    bool bytes(std::string& out) { return quoted(out, false); }
    // A quoted text appended to out as inverted 16-bit units; units counts them.
    bool text(std::string& out, std::size_t& units) {
        const std::size_t before = out.size();
        if (!quoted(out, true)) return false;
        units = (out.size() - before) / 2;
        return true;
    }
    bool fail(const std::string& reason) {
        if (reason_.empty()) reason_ = reason;
        return false;
    }
    const std::string& reason() const { return reason_; }

private:
    void skipBlanks() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\t')) ++p_;
    }
    static void appendUnit(std::string& out, unsigned u) {
        out += static_cast<char>(~u & 0xFF);
        out += static_cast<char>((~u >> 8) & 0xFF);
    }
    static int hexValue(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }
    bool hexDigits(int count, unsigned& value) {
        value = 0;
        for (int k = 0; k < count; ++k) {
            int h = p_ < end_ ? hexValue(*p_) : -1;
            if (h < 0) return fail(std::string("the escape needs ") + (count == 2 ? "two" : "four") + " hex digits");
            value = value << 4 | static_cast<unsigned>(h);
            ++p_;
        }
        return true;
    }
    // One UTF-8 character at p_, checked strictly: no overlong forms, no
    // encoded surrogates, nothing beyond U+10FFFF.
    bool utf8(unsigned& cp, std::size_t& length) {
        const unsigned char c = static_cast<unsigned char>(*p_);
        unsigned min;
        if (c < 0x80) {
            cp = c, length = 1, min = 0;
        } else if (c >= 0xC2 && c < 0xE0) {
            cp = c & 0x1F, length = 2, min = 0x80;
        } else if (c >= 0xE0 && c < 0xF0) {
            cp = c & 0x0F, length = 3, min = 0x800;
        } else if (c >= 0xF0 && c < 0xF5) {
            cp = c & 0x07, length = 4, min = 0x10000;
        } else {
            return fail("the line is not valid UTF-8");
        }
        if (static_cast<std::size_t>(end_ - p_) < length) return fail("the line is not valid UTF-8");
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char t = static_cast<unsigned char>(p_[k]);
            if ((t & 0xC0) != 0x80) return fail("the line is not valid UTF-8");
            cp = cp << 6 | (t & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return fail("the line is not valid UTF-8");
        return true;
    }
    bool quoted(std::string& out, bool wide) {
        skipBlanks();
        if (p_ == end_ || *p_ != '"') return fail("a value in double quotes was expected");
        ++p_;
        for (;;) {
            if (p_ == end_) return fail("the closing double quote is missing");
            const char c = *p_;
            if (c == '"') {
                ++p_;
                return true;
            }
            if (c == '\\') {
                ++p_;
                const char e = p_ < end_ ? *p_++ : '\0';
                unsigned value;
                switch (e) {
                    case '"': case '\\': value = static_cast<unsigned char>(e); break;
                    case 'n': value = '\n'; break;
                    case 'r': value = '\r'; break;
                    case 't': value = '\t'; break;
                    case 'x':
                        if (wide) return fail("\\x is for bytes; a text takes \\uXXXX");
                        if (!hexDigits(2, value)) return false;
                        break;
                    case 'u':
                        if (!wide) return fail("\\u is for texts; bytes take \\xHH");
                        if (!hexDigits(4, value)) return false;
                        break;
                    default: return fail("unknown escape");
                }
                if (wide)
                    appendUnit(out, value);
                else
                    out += static_cast<char>(value);
                continue;
            }
            // DEL counts as a control character, as the writer escapes it.
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == '\x7F')
                return fail("a control character must be written as an escape");
            unsigned cp;
            std::size_t length;
            if (!utf8(cp, length)) return false;
            if (!wide) {
                out.append(p_, length);  // characters of a byte value stand for their UTF-8 bytes
            } else if (cp < 0x10000) {
                appendUnit(out, cp);
            } else {
                appendUnit(out, 0xD800 + ((cp - 0x10000) >> 10));
                appendUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
            }
            p_ += length;
        }
    }

    const char* p_;
    const char* end_;
    std::string reason_;
};

bool readMagic(LineReader& line, char magic[4]) {
    std::string value;
    if (!line.bytes(value)) return false;
    if (value.size() != 4) return line.fail("a magic is four bytes");
    std::memcpy(magic, value.data(), 4);
    return true;
}

// The table being built: the header goes in last, each label's string count
// when its next label (or the end) is reached.
class TableBuilder {
public:
    TableBuilder(std::string& out, std::size_t textSize, std::uint64_t sizeLimit) : out_(out) {
        out_.clear();
        // Texts of Latin letters take twice their text's bytes in the table,
        // which never grows past the limit.
        out_.reserve(static_cast<std::size_t>(
            std::min<std::uint64_t>({2ull * textSize, sizeLimit, static_cast<std::uint64_t>(out_.max_size())})));
        out_.append(CsfArchive::HEADER_SIZE, '\0');
    }

    bool headerLine(const std::string& key, LineReader& line) {
        if (labels_ > 0 || tail_) return line.fail("header lines come before the first label");
        if (key == "version") return line.number(version_);
        if (key == "words") return line.number(fifth_) && line.number(sixth_);
        if (key == "label-count") return line.number(labelCount_) && (labelCountSet_ = true);
        return line.number(stringCount_) && (stringCountSet_ = true);  // "string-count"
    }

    bool label(LineReader& line) {
        if (tail_) return line.fail("nothing but comments may follow the tail");
        closeLabel();
        std::string name;
        if (!line.bytes(name)) return false;
        char magic[4];
        std::memcpy(magic, LABEL_MAGIC, 4);
        countField_ = 0;
        countSet_ = false;
        bool magicSet = false;
        while (!line.atEnd()) {
            const std::string option = line.word();
            if (option == "count" && !countSet_) {
                if (!line.number(countField_)) return false;
                if (countField_ >= 0) return line.fail("count is written only when it is negative");
                countSet_ = true;
            } else if (option == "magic" && !magicSet) {
                if (!readMagic(line, magic)) return false;
                magicSet = true;
            } else {
                return line.fail(option.empty() ? "unexpected characters after the name"
                                                : "unknown or repeated option '" + option + "'");
            }
        }
        if (name.size() > 0x7FFFFFFF) return line.fail("the value is too long");
        out_.append(magic, 4);
        countAt_ = out_.size();
        appendI32(out_, 0);
        appendI32(out_, static_cast<std::int32_t>(name.size()));
        out_ += name;
        ++labels_;
        texts_ = 0;
        return true;
    }

    bool text(LineReader& line) {
        if (labels_ == 0 || tail_) return line.fail("a text line belongs after a label line");
        if (countSet_) return line.fail("a label with a negative count holds no texts");
        const std::size_t head = out_.size();
        out_.append(8, '\0');
        std::size_t units = 0;
        if (!line.text(out_, units)) return false;
        char magic[4];
        std::memcpy(magic, STRING_MAGIC, 4);
        bool magicSet = false, extraSet = false;
        std::string extra;
        while (!line.atEnd()) {
            const std::string option = line.word();
            if (option == "extra" && !extraSet && !magicSet) {
                if (!line.bytes(extra)) return false;
                std::memcpy(magic, WIDE_EXTRA_MAGIC, 4);
                extraSet = true;
            } else if (option == "magic" && !magicSet && !extraSet) {
                if (!readMagic(line, magic)) return false;
                if (std::memcmp(magic, WIDE_EXTRA_MAGIC, 4) == 0)
                    return line.fail("a \"WRTS\" record is written with extra");
                magicSet = true;
            } else {
                return line.fail(option.empty() ? "unexpected characters after the text"
                                                : "unknown or repeated option '" + option + "'");
            }
        }
        if (units > 0x7FFFFFFF || extra.size() > 0x7FFFFFFF) return line.fail("the value is too long");
        std::memcpy(&out_[head], magic, 4);
        putI32(out_, head + 4, static_cast<std::int32_t>(units));
        if (extraSet) {
            appendI32(out_, static_cast<std::int32_t>(extra.size()));
            out_ += extra;
        }
        ++texts_;
        ++strings_;
        return true;
    }

    bool tail(LineReader& line) {
        if (tail_) return line.fail("only one tail line is allowed");
        closeLabel();
        tail_ = true;
        return line.bytes(out_);
    }

    void finish() {
        closeLabel();
        std::memcpy(&out_[0], TABLE_MAGIC, 4);
        putI32(out_, 4, version_);
        putI32(out_, 8, labelCountSet_ ? labelCount_ : static_cast<std::int32_t>(labels_));
        putI32(out_, 12, stringCountSet_ ? stringCount_ : static_cast<std::int32_t>(strings_));
        putI32(out_, 16, fifth_);
        putI32(out_, 20, sixth_);
    }

private:
    void closeLabel() {
        if (labels_ == 0 || countAt_ == 0) return;
        putI32(out_, countAt_, countSet_ ? countField_ : static_cast<std::int32_t>(texts_));
        countAt_ = 0;
    }

    std::string& out_;
    std::int32_t version_ = 3, fifth_ = 0, sixth_ = 0, labelCount_ = 0, stringCount_ = 0, countField_ = 0;
    bool labelCountSet_ = false, stringCountSet_ = false, countSet_ = false, tail_ = false;
    std::size_t labels_ = 0, strings_ = 0, texts_ = 0, countAt_ = 0;
};

}  // namespace

void csfToText(const CsfArchive& archive, std::string& out) {
    const CsfHeader& header = archive.header();
    const std::vector<CsfLabelRecord>& records = archive.records();
    const unsigned char* data = archive.bytes().data();
    std::int64_t strings = 0;
    for (const CsfLabelRecord& rec : records) strings += rec.stringRecords;
    // About twice the table: texts take one to three bytes a unit.
    out.reserve(out.size() + archive.bytes().size() * 2);
    out += "csf-text 1\nversion " + std::to_string(header.secondWord) + "\nwords " + std::to_string(header.fifthWord) +
           " " + std::to_string(header.sixthWord) + "\n";
    if (header.labelCount != static_cast<std::int32_t>(records.size()))
        out += "label-count " + std::to_string(header.labelCount) + "\n";
    if (header.stringCount != static_cast<std::int32_t>(strings))
        out += "string-count " + std::to_string(header.stringCount) + "\n";
    std::vector<CsfTextSlot> slots;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const CsfLabelRecord& rec = records[i];
        out += "label ";
        appendQuotedBytes(out, data + rec.nameOffset, static_cast<std::size_t>(rec.nameLength));
        if (rec.stringCount < 0) out += " count " + std::to_string(rec.stringCount);
        appendMagicIfNot(out, rec.magic, LABEL_MAGIC);
        out += '\n';
        archive.textSlots(static_cast<int>(i), slots);
        for (const CsfTextSlot& slot : slots) {
            out += "  text ";
            appendUtf8(out, data + slot.textOffset, static_cast<std::size_t>(slot.length), true);
            if (slot.extraLength >= 0) {
                out += " extra ";
                appendQuotedBytes(out, data + slot.extraOffset, static_cast<std::size_t>(slot.extraLength));
            } else {
                appendMagicIfNot(out, slot.magic, STRING_MAGIC);
            }
            out += '\n';
        }
    }
    const std::size_t end = archive.labelsEnd();
    if (end < archive.bytes().size()) {
        out += "tail ";
        appendQuotedBytes(out, data + end, archive.bytes().size() - end);
        out += '\n';
    }
}

std::string csfTextUtf8(const CsfArchive& archive, const CsfTextSlot& slot, bool quoted) {
    std::string out;
    appendUtf8(out, archive.bytes().data() + slot.textOffset, static_cast<std::size_t>(slot.length), quoted);
    return out;
}

bool csfFromText(const char* text, std::size_t size, std::string& table, CsfTextError& error, std::uint64_t sizeLimit) {
    const char* p = text;
    const char* const end = text + size;
    if (size >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0) p += 3;
    TableBuilder builder(table, size, sizeLimit);
    bool started = false;
    for (std::size_t number = 1; p < end; ++number) {
        const char* stop = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* next = stop ? stop + 1 : end;
        if (!stop) stop = end;
        if (stop > p && stop[-1] == '\r') --stop;
        LineReader line(p, stop);
        p = next;
        if (line.blankOrComment()) continue;
        const std::string key = line.word();
        bool ok;
        if (!started) {
            std::int32_t formatVersion = 0;
            ok = key == "csf-text" ? line.number(formatVersion) && (formatVersion == 1 || line.fail("only csf-text 1 is known"))
                                   : line.fail("the first line must be \"csf-text 1\"");
            started = true;
        } else if (key == "label") {
            ok = builder.label(line);
        } else if (key == "text") {
            ok = builder.text(line);
        } else if (key == "tail") {
            ok = builder.tail(line);
        } else if (key == "version" || key == "words" || key == "label-count" || key == "string-count") {
            ok = builder.headerLine(key, line);
        } else {
            ok = line.fail(key.empty() ? "a line starts with a word such as label or text"
                                       : "unknown line '" + key + "'");
        }
        if (ok && !line.atEnd()) ok = line.fail("unexpected characters at the end of the line");
        // Offsets into a table are 32-bit: the line that takes it past them is refused.
        if (ok && table.size() > sizeLimit)
            ok = line.fail("the table would grow past " + std::to_string(sizeLimit) +
                           " bytes, the most the format's 32-bit offsets allow");
        if (!ok) {
            error.line = number;
            error.reason = line.reason();
            table.clear();
            return false;
        }
    }
    if (!started) {
        error.line = 1;
        error.reason = "the text holds no \"csf-text 1\" line";
        table.clear();
        return false;
    }
    builder.finish();
    return true;
}
