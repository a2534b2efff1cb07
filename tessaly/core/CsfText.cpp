#include "CsfText.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ByteOrder.h"
#include "CsfArchive.h"
#include "CsfTableReader.h"
#include "LineFeed.h"
#include "OutputBuffer.h"
#include "ReplacingFile.h"
#include "Utf8.h"
#include "platform/Platform.h"

namespace {

const char HEX[] = "0123456789ABCDEF";
const char LABEL_MAGIC[4] = {' ', 'L', 'B', 'L'};
const char STRING_MAGIC[4] = {' ', 'R', 'T', 'S'};
const char WIDE_EXTRA_MAGIC[4] = {'W', 'R', 'T', 'S'};
const char TABLE_MAGIC[4] = {' ', 'F', 'S', 'C'};

// ---- writing ----

// Bytes gathered before they are handed on.
constexpr std::size_t OUT_BLOCK = 1u << 18;
// Values are formatted a piece at a time, so that room is made for a
// piece's longest form, never for a whole long value's.
constexpr std::size_t PIECE = 1u << 14;

void appendNumber(OutputBuffer& out, std::int64_t value) {
    char* o = out.room(24);
    out.keep(std::to_chars(o, o + 24, value).ptr);
}

// Printable ASCII but the quote and the backslash: the same in every
// quoted value.
bool plainAscii(unsigned c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; }

// The letter of the escapes both kinds of quoted value share; 0 for any
// other character.
char commonEscape(unsigned c) {
    switch (c) {
        case '"': return '"';
        case '\\': return '\\';
        case '\n': return 'n';
        case '\r': return 'r';
        case '\t': return 't';
        default: return 0;
    }
}

// ---- runs of plain characters ----
//
// Most of a table is printable ASCII, which every quoted value writes as it
// stands (but the quote and the backslash): such runs are found and copied
// many characters at a time, sixteen where the processor has SSE2, in words
// of 8 bytes elsewhere. Everything else goes one character at a time.

// Eight bytes at p as one word, byte k in bits 8k to 8k+7.
std::uint64_t eightBytes(const unsigned char* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
#else
    return std::uint64_t{le::getU32(p)} | std::uint64_t{le::getU32(p + 4)} << 32;
#endif
}

// Words read as lanes of 8 or 16 bits: a lane below 0x80 plus at most 0x7F
// (bytes) or 0x7FFF (units) never carries into the next, so its top bit
// tells how it compares.
constexpr std::uint64_t BYTE_LANES = 0x0101010101010101ull;  // one in every byte
constexpr std::uint64_t UNIT_LANES = 0x0001000100010001ull;  // one in every unit
// True when every lane (of `lanes`, with its top bit `top`) holds printable
// ASCII but the quote and the backslash.
bool allPlain(std::uint64_t w, std::uint64_t lanes, std::uint64_t top) {
    if (w & ~(0x7F * lanes)) return false;
    const std::uint64_t fromSpace = w + (top - 0x20) * lanes;  // lane >= 0x20
    const std::uint64_t fromDel = w + (top - 0x7F) * lanes;    // lane >= 0x7F
    const std::uint64_t notQuote = (w ^ ('"' * lanes)) + (top - 1) * lanes;
    const std::uint64_t notBackslash = (w ^ ('\\' * lanes)) + (top - 1) * lanes;
    return (fromSpace & ~fromDel & notQuote & notBackslash & top * lanes) == top * lanes;
}

#if defined(__SSE2__)
__m128i load16(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
// Lanes (bytes or units, by the compare functions given) from 0x20 to 0x7E
// but the quote and the backslash; signed compares put every lane from
// 0x80 up below 0x20.
template <__m128i (*Greater)(__m128i, __m128i), __m128i (*Less)(__m128i, __m128i), __m128i (*Equal)(__m128i, __m128i),
          __m128i (*Set)(short)>
__m128i plainLanes(__m128i v) {
    const __m128i printable = _mm_and_si128(Greater(v, Set(0x1F)), Less(v, Set(0x7F)));
    return _mm_andnot_si128(_mm_or_si128(Equal(v, Set('"')), Equal(v, Set('\\'))), printable);
}
__m128i setBytes(short c) { return _mm_set1_epi8(static_cast<char>(c)); }
const auto plainBytes = plainLanes<_mm_cmpgt_epi8, _mm_cmplt_epi8, _mm_cmpeq_epi8, setBytes>;
const auto plainUnits = plainLanes<_mm_cmpgt_epi16, _mm_cmplt_epi16, _mm_cmpeq_epi16, _mm_set1_epi16>;
#endif

// How many of the n bytes at p, from the first, are plain (the tab too when
// asked).
std::size_t plainByteRun(const unsigned char* p, std::size_t n, bool tab) {
    std::size_t k = 0;
#if defined(__SSE2__)
    if (n >= 16) {
        // The last block ends with the bytes: it may overlap the one before,
        // whose bytes are plain.
        for (std::size_t at = 0;; at = std::min(at + 16, n - 16)) {
            const __m128i v = load16(p + at);
            __m128i plain = plainBytes(v);
            if (tab) plain = _mm_or_si128(plain, _mm_cmpeq_epi8(v, _mm_set1_epi8('\t')));
            const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(plain));
            // The first byte that is not plain ends the run.
            if (mask != 0xFFFF) return at + static_cast<std::size_t>(__builtin_ctz(~mask));
            if (at == n - 16) return n;
        }
    }
#endif
    for (; n - k >= 8 && allPlain(eightBytes(p + k), BYTE_LANES, 0x80); k += 8) {
    }
    for (; k < n; ++k) {
        const unsigned c = p[k];
        if (!(plainAscii(c) || (tab && c == '\t'))) break;
    }
    return k;
}

// Writes the plain units at p, from the first, as ASCII at o, a block of
// them at a time, up to the block that holds another unit; gives how many.
std::size_t plainUnitsToAscii(const unsigned char* p, std::size_t n, char* o) {
    std::size_t k = 0;
#if defined(__SSE2__)
    const __m128i inverted = _mm_set1_epi32(-1);
    if (n >= 8) {
        // The last block ends with the units: it may overlap the one before.
        for (std::size_t at = 0;; at = std::min(at + 8, n - 8)) {
            const __m128i units = _mm_xor_si128(load16(p + 2 * at), inverted);
            if (_mm_movemask_epi8(plainUnits(units)) != 0xFFFF) return at;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(o + at), _mm_packus_epi16(units, units));
            if (at == n - 8) return n;
        }
    }
#endif
    for (; n - k >= 4; k += 4) {
        const std::uint64_t w = ~eightBytes(p + 2 * k);
        if (!allPlain(w, UNIT_LANES, 0x8000)) break;
        for (int lane = 0; lane < 4; ++lane) o[k + lane] = static_cast<char>(w >> (16 * lane));
    }
    return k;
}

// The plain bytes (the tab too) at p, of the n there, from the first, as
// stored units at o: low byte first, every bit inverted. o has room for
// 2n + 32 bytes, of which those past the units written may be written too.
// Gives how many bytes were taken.
std::size_t widenPlainRun(const char* p, std::size_t n, char* o) {
    std::size_t k = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), inverted = _mm_set1_epi32(-1), tab = _mm_set1_epi8('\t');
    if (n >= 16) {
        // The last block ends with the bytes: it may overlap the one before,
        // whose bytes are plain and written the same again.
        for (std::size_t at = 0;; at = std::min(at + 16, n - 16)) {
            const __m128i v = load16(p + at);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 2 * at), _mm_xor_si128(_mm_unpacklo_epi8(v, zero), inverted));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 2 * at + 16), _mm_xor_si128(_mm_unpackhi_epi8(v, zero), inverted));
            const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(plainBytes(v), _mm_cmpeq_epi8(v, tab))));
            if (mask != 0xFFFF) return at + static_cast<std::size_t>(__builtin_ctz(~mask));
            if (at == n - 16) return n;
        }
    }
#endif
    for (; k < n; ++k) {
        const unsigned char c = static_cast<unsigned char>(p[k]);
        if (!plainAscii(c) && c != '\t') break;
        o[2 * k] = static_cast<char>(~c);
        o[2 * k + 1] = '\xFF';
    }
    return k;
}

// Bytes as a quoted value holds them, without the quotes: printable ASCII as
// it stands, other bytes as \xHH.
void appendEscapedBytes(OutputBuffer& out, const unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n;) {
        const std::size_t stop = std::min(n, i + PIECE);
        char* o = out.room(4 * (stop - i));
        while (i < stop) {
            const std::size_t run = plainByteRun(p + i, stop - i, false);
            std::memcpy(o, p + i, run);
            o += run;
            i += run;
            if (i == stop) break;
            const unsigned c = p[i++];
            *o++ = '\\';
            if (const char e = commonEscape(c)) {
                *o++ = e;
            } else {
                *o++ = 'x';
                *o++ = HEX[c >> 4];
                *o++ = HEX[c & 15];
            }
        }
        out.keep(o);
    }
}

void appendQuotedBytes(OutputBuffer& out, const unsigned char* p, std::size_t n) {
    out.push('"');
    appendEscapedBytes(out, p, n);
    out.push('"');
}

char* unitEscape(char* o, unsigned u) {
    o[0] = '\\';
    o[1] = 'u';
    o[2] = HEX[u >> 12];
    o[3] = HEX[(u >> 8) & 15];
    o[4] = HEX[(u >> 4) & 15];
    o[5] = HEX[u & 15];
    return o + 6;
}

// Stored units are little-endian with every bit inverted.
unsigned unitAt(const unsigned char* p, std::size_t i) {
    return ~(static_cast<unsigned>(p[2 * i]) | static_cast<unsigned>(p[2 * i + 1]) << 8) & 0xFFFFu;
}

// Unit i (with the next, for a pair of surrogates) as UTF-8 at o; moves i
// past what it took and gives the end of what it wrote (at most six bytes).
char* oneUnitUtf8(char* o, const unsigned char* p, std::size_t& i, std::size_t units, bool quoted) {
    unsigned u = unitAt(p, i++);
    if (u < 0x80) {
        if (!quoted || plainAscii(u)) {
            *o++ = static_cast<char>(u);
        } else if (const char e = commonEscape(u)) {
            *o++ = '\\';
            *o++ = e;
        } else {
            o = unitEscape(o, u);  // the other control characters and DEL
        }
        return o;
    }
    if (u >= 0xD800 && u <= 0xDFFF) {
        const unsigned low = i < units ? unitAt(p, i) : 0;
        if (u <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
            ++i;
            return encodeUtf8(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), o);
        }
        if (quoted) return unitEscape(o, u);  // a lone surrogate has no UTF-8 form
        u = 0xFFFD;
    }
    return encodeUtf8(u, o);
}

// Appends stored units as UTF-8. Quoted: between double quotes, with
// escapes, a lone surrogate as \uXXXX; else as they stand, a lone surrogate
// as U+FFFD.
void appendUtf8(OutputBuffer& out, const unsigned char* p, std::size_t units, bool quoted) {
    if (quoted) out.push('"');
    for (std::size_t i = 0; i < units;) {
        // At most six bytes a unit (an escape), and a pair's second unit may
        // lie past the piece.
        const std::size_t stop = std::min(units, i + PIECE);
        char* o = out.room(6 * (stop - i) + 6);
        while (i < stop) {
            // Plain characters a block at a time; the others one by one.
            const std::size_t plain = plainUnitsToAscii(p + 2 * i, stop - i, o);
            o += plain;
            i += plain;
            for (const std::size_t slow = std::min(stop, i + 4); i < slow;) o = oneUnitUtf8(o, p, i, units, quoted);
        }
        out.keep(o);
    }
    if (quoted) out.push('"');
}

void appendMagicIfNot(OutputBuffer& out, const char* magic, const char* usual) {
    if (std::memcmp(magic, usual, 4) == 0) return;
    out.append(" magic ");
    appendQuotedBytes(out, reinterpret_cast<const unsigned char*>(magic), 4);
}

// The first lines: the form's version and the header's words.
void appendHeaderLines(OutputBuffer& out, const CsfHeader& header) {
    out.append("csf-text 1\nversion ");
    appendNumber(out, header.secondWord);
    out.append("\nwords ");
    appendNumber(out, header.fifthWord);
    out.push(' ');
    appendNumber(out, header.sixthWord);
    out.push('\n');
}

// The header's counts, each only where it is not the real one.
void appendCountLines(OutputBuffer& out, const CsfHeader& header, std::int64_t labels, std::int64_t strings) {
    if (header.labelCount != static_cast<std::int32_t>(labels)) {
        out.append("label-count ");
        appendNumber(out, header.labelCount);
        out.push('\n');
    }
    if (header.stringCount != static_cast<std::int32_t>(strings)) {
        out.append("string-count ");
        appendNumber(out, header.stringCount);
        out.push('\n');
    }
}

// One label's lines; base is what the record's offsets count from.
void appendLabelLines(OutputBuffer& out, const unsigned char* base, const CsfLabelRecord& rec,
                      std::vector<CsfTextSlot>& slots) {
    out.append("label ");
    appendQuotedBytes(out, base + rec.nameOffset, static_cast<std::size_t>(rec.nameLength));
    if (rec.stringCount < 0) {
        out.append(" count ");
        appendNumber(out, rec.stringCount);
    }
    appendMagicIfNot(out, rec.magic, LABEL_MAGIC);
    out.push('\n');
    csfTextSlots(base, rec, slots);
    for (const CsfTextSlot& slot : slots) {
        out.append("  text ");
        appendUtf8(out, base + slot.textOffset, static_cast<std::size_t>(slot.length), true);
        if (slot.extraLength >= 0) {
            out.append(" extra ");
            appendQuotedBytes(out, base + slot.extraOffset, static_cast<std::size_t>(slot.extraLength));
        } else {
            appendMagicIfNot(out, slot.magic, STRING_MAGIC);
        }
        out.push('\n');
    }
}

bool writeAll(std::FILE* file, const char* data, std::size_t size) {
    return size == 0 || std::fwrite(data, 1, size, file) == size;
}

// The temporary that will take target's place, unbuffered: every write to it
// is a whole block. Null, with the system's reason in failure, when it cannot
// be created.
std::FILE* createUnbuffered(ReplacingFile& file, const std::string& target, std::string& failure) {
    if (!file.create(target)) {
        failure = file.failureText();
        return nullptr;
    }
    std::setvbuf(file.stream(), nullptr, _IONBF, 0);
    return file.stream();
}

// ---- reading ----

const unsigned char* bytesAt(const char* p) { return reinterpret_cast<const unsigned char*>(p); }

// Letters, digits and '-', by byte.
struct WordCharacters {
    bool in[256] = {};
    WordCharacters() {
        for (int c = 0; c < 256; ++c)
            in[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    }
};
const WordCharacters WORD_CHARACTERS;
bool wordCharacter(char c) { return WORD_CHARACTERS.in[static_cast<unsigned char>(c)]; }

void appendUnit(OutputBuffer& out, unsigned u) {
    char* o = out.room(2);
    o[0] = static_cast<char>(~u & 0xFF);
    o[1] = static_cast<char>((~u >> 8) & 0xFF);
    out.keep(o + 2);
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
    std::string_view word() {
        skipBlanks();
        const char* start = p_;
        while (p_ < end_ && wordCharacter(*p_)) ++p_;
        return std::string_view(start, static_cast<std::size_t>(p_ - start));
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
    bool bytes(OutputBuffer& out) { return quoted(out, false); }
    // A quoted text appended to out as inverted 16-bit units; units counts them.
    bool text(OutputBuffer& out, std::size_t& units) {
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
    bool quoted(OutputBuffer& out, bool wide) {
        skipBlanks();
        if (p_ == end_ || *p_ != '"') return fail("a value in double quotes was expected");
        ++p_;
        for (;;) {
            // Characters that stand for themselves go in a run at a time.
            const std::size_t left = static_cast<std::size_t>(end_ - p_);
            if (wide) {
                char* o = out.room(2 * left + 32);
                const std::size_t n = widenPlainRun(p_, left, o);
                out.keep(o + 2 * n);
                p_ += n;
            } else {
                const std::size_t n = plainByteRun(bytesAt(p_), left, true);
                out.append(p_, n);
                p_ += n;
            }
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
                    out.push(static_cast<char>(value));
                continue;
            }
            // DEL counts as a control character, as the writer escapes it.
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == '\x7F')
                return fail("a control character must be written as an escape");
            std::uint32_t cp;
            const std::size_t length = decodeUtf8(p_, end_, cp);
            if (length == 0) return fail("the line is not valid UTF-8");
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
    OutputBuffer value;
    if (!line.bytes(value)) return false;
    if (value.size() != 4) return line.fail("a magic is four bytes");
    std::memcpy(magic, value.data(), 4);
    return true;
}

void putI32(char* at, std::int32_t value) {
    const std::uint32_t v = static_cast<std::uint32_t>(value);
    for (int k = 0; k < 4; ++k) at[k] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

void appendI32(OutputBuffer& out, std::int32_t value) {
    char* o = out.room(4);
    putI32(o, value);
    out.keep(o + 4);
}

void appendZeros(OutputBuffer& out, std::size_t count) {
    char* o = out.room(count);
    std::memset(o, 0, count);
    out.keep(o + count);
}

// The bytes of the table being built. They gather in a buffer and go, a
// block at a time, to the table in memory, to a file, or (with neither)
// nowhere, for a text that is only checked; a field set after its bytes
// went is set where they went.
class TableOut {
public:
    TableOut(std::string* memory, std::FILE* file) : bytes_(2 * OUT_BLOCK), memory_(memory), file_(file) {}

    OutputBuffer& bytes() { return bytes_; }
    std::uint64_t size() const { return written_ + bytes_.size(); }
    // The place in the table of a byte gathered.
    std::uint64_t offsetOf(std::size_t gathered) const { return written_ + gathered; }
    bool ok() const { return ok_; }

    // Sets `count` bytes at `at`, counted from the table's start; a field
    // lies whole in what went or whole in what is gathered.
    void set(std::uint64_t at, const char* data, std::size_t count) {
        if (at >= written_) {
            bytes_.overwrite(static_cast<std::size_t>(at - written_), data, count);
        } else if (memory_) {
            std::memcpy(&(*memory_)[static_cast<std::size_t>(at)], data, count);
        } else if (file_ && ok_) {
            ok_ = platform::seekFile(file_, at) && writeAll(file_, data, count) && platform::seekFile(file_, written_);
        }
    }
    void setI32(std::uint64_t at, std::int32_t value) {
        char field[4];
        putI32(field, value);
        set(at, field, 4);
    }
    // Hands the gathered bytes on once they make a block (all: now).
    void spill(bool all = false) {
        if (!all && bytes_.size() < OUT_BLOCK) return;
        if (memory_)
            memory_->append(bytes_.data(), bytes_.size());
        else if (file_ && ok_)
            ok_ = writeAll(file_, bytes_.data(), bytes_.size());
        written_ += bytes_.size();
        bytes_.clear();
    }

private:
    OutputBuffer bytes_;
    std::string* memory_;
    std::FILE* file_;
    bool ok_ = true;
    std::uint64_t written_ = 0;  // bytes handed on before those gathered
};

// The table being built: the header goes in last, each label's string count
// when its next label (or the end) is reached.
class TableBuilder {
public:
    explicit TableBuilder(TableOut& out) : out_(out) { appendZeros(out_.bytes(), CsfArchive::HEADER_SIZE); }

    bool headerLine(std::string_view key, LineReader& line) {
        if (labels_ > 0 || tail_) return line.fail("header lines come before the first label");
        if (key == "version") return line.number(version_);
        if (key == "words") return line.number(fifth_) && line.number(sixth_);
        if (key == "label-count") return line.number(labelCount_) && (labelCountSet_ = true);
        return line.number(stringCount_) && (stringCountSet_ = true);  // "string-count"
    }

    bool label(LineReader& line) {
        if (tail_) return line.fail("nothing but comments may follow the tail");
        closeLabel();
        // The name goes straight after the head, whose fields follow it.
        OutputBuffer& out = out_.bytes();
        const std::size_t head = out.size();
        appendZeros(out, 12);
        if (!line.bytes(out)) return false;
        const std::size_t nameLength = out.size() - head - 12;
        char magic[4];
        std::memcpy(magic, LABEL_MAGIC, 4);
        countField_ = 0;
        countSet_ = false;
        bool magicSet = false;
        while (!line.atEnd()) {
            const std::string_view option = line.word();
            if (option == "count" && !countSet_) {
                if (!line.number(countField_)) return false;
                if (countField_ >= 0) return line.fail("count is written only when it is negative");
                countSet_ = true;
            } else if (option == "magic" && !magicSet) {
                if (!readMagic(line, magic)) return false;
                magicSet = true;
            } else {
                return line.fail(option.empty() ? "unexpected characters after the name"
                                                : "unknown or repeated option '" + std::string(option) + "'");
            }
        }
        if (nameLength > 0x7FFFFFFF) return line.fail("the value is too long");
        char field[4];
        putI32(field, static_cast<std::int32_t>(nameLength));
        out.overwrite(head, magic, 4);
        out.overwrite(head + 8, field, 4);
        countAt_ = out_.offsetOf(head + 4);
        ++labels_;
        texts_ = 0;
        return true;
    }

    bool text(LineReader& line) {
        if (labels_ == 0 || tail_) return line.fail("a text line belongs after a label line");
        if (countSet_) return line.fail("a label with a negative count holds no texts");
        OutputBuffer& out = out_.bytes();
        const std::size_t head = out.size();
        appendZeros(out, 8);
        std::size_t units = 0;
        if (!line.text(out, units)) return false;
        char magic[4];
        std::memcpy(magic, STRING_MAGIC, 4);
        bool magicSet = false, extraSet = false;
        extra_.clear();
        while (!line.atEnd()) {
            const std::string_view option = line.word();
            if (option == "extra" && !extraSet && !magicSet) {
                if (!line.bytes(extra_)) return false;
                std::memcpy(magic, WIDE_EXTRA_MAGIC, 4);
                extraSet = true;
            } else if (option == "magic" && !magicSet && !extraSet) {
                if (!readMagic(line, magic)) return false;
                if (std::memcmp(magic, WIDE_EXTRA_MAGIC, 4) == 0)
                    return line.fail("a \"WRTS\" record is written with extra");
                magicSet = true;
            } else {
                return line.fail(option.empty() ? "unexpected characters after the text"
                                                : "unknown or repeated option '" + std::string(option) + "'");
            }
        }
        if (units > 0x7FFFFFFF || extra_.size() > 0x7FFFFFFF) return line.fail("the value is too long");
        char field[4];
        putI32(field, static_cast<std::int32_t>(units));
        out.overwrite(head, magic, 4);
        out.overwrite(head + 4, field, 4);
        if (extraSet) {
            appendI32(out, static_cast<std::int32_t>(extra_.size()));
            out.append(extra_.data(), extra_.size());
        }
        ++texts_;
        ++strings_;
        return true;
    }

    bool tail(LineReader& line) {
        if (tail_) return line.fail("only one tail line is allowed");
        closeLabel();
        tail_ = true;
        return line.bytes(out_.bytes());
    }

    void finish() {
        closeLabel();
        char head[CsfArchive::HEADER_SIZE];
        std::memcpy(head, TABLE_MAGIC, 4);
        putI32(head + 4, version_);
        putI32(head + 8, labelCount());
        putI32(head + 12, stringCountSet_ ? stringCount_ : static_cast<std::int32_t>(strings_));
        putI32(head + 16, fifth_);
        putI32(head + 20, sixth_);
        out_.set(0, head, sizeof head);
    }
    // The header's label count.
    std::int32_t labelCount() const { return labelCountSet_ ? labelCount_ : static_cast<std::int32_t>(labels_); }

private:
    void closeLabel() {
        if (labels_ == 0 || countAt_ == 0) return;
        out_.setI32(countAt_, countSet_ ? countField_ : static_cast<std::int32_t>(texts_));
        countAt_ = 0;
    }

    TableOut& out_;
    OutputBuffer extra_;
    std::int32_t version_ = 3, fifth_ = 0, sixth_ = 0, labelCount_ = 0, stringCount_ = 0, countField_ = 0;
    bool labelCountSet_ = false, stringCountSet_ = false, countSet_ = false, tail_ = false;
    std::size_t labels_ = 0, strings_ = 0, texts_ = 0;
    std::uint64_t countAt_ = 0;
};

// The lines of a text form, one at a time, into a table.
class TextLines {
public:
    TextLines(TableOut& out, std::uint64_t sizeLimit) : out_(out), builder_(out), sizeLimit_(sizeLimit) {}

    // One line without its line feed. False at a malformed line.
    bool take(const char* p, const char* stop, CsfTextError& error) {
        ++number_;
        if (stop > p && stop[-1] == '\r') --stop;
        LineReader line(p, stop);
        if (line.blankOrComment()) return true;
        const std::string_view key = line.word();
        bool ok;
        if (!started_) {
            std::int32_t formatVersion = 0;
            ok = key == "csf-text" ? line.number(formatVersion) && (formatVersion == 1 || line.fail("only csf-text 1 is known"))
                                   : line.fail("the first line must be \"csf-text 1\"");
            started_ = true;
        } else if (key == "text") {
            ok = builder_.text(line);
        } else if (key == "label") {
            ok = builder_.label(line);
        } else if (key == "tail") {
            ok = builder_.tail(line);
        } else if (key == "version" || key == "words" || key == "label-count" || key == "string-count") {
            ok = builder_.headerLine(key, line);
        } else {
            ok = line.fail(key.empty() ? "a line starts with a word such as label or text"
                                       : "unknown line '" + std::string(key) + "'");
        }
        if (ok && !line.atEnd()) ok = line.fail("unexpected characters at the end of the line");
        // Offsets into a table are 32-bit: the line that takes it past them is refused.
        if (ok && out_.size() > sizeLimit_)
            ok = line.fail("the table would grow past " + std::to_string(sizeLimit_) +
                           " bytes, the most the format's 32-bit offsets allow");
        if (!ok) {
            error.line = number_;
            error.reason = line.reason();
            return false;
        }
        out_.spill();
        return true;
    }
    // After the last line: the header goes in. False for a text without
    // its first line.
    bool finish(CsfTextError& error) {
        if (!started_) {
            error.line = 1;
            error.reason = "the text holds no \"csf-text 1\" line";
            return false;
        }
        builder_.finish();
        return true;
    }
    std::int32_t labelCount() const { return builder_.labelCount(); }

private:
    TableOut& out_;
    TableBuilder builder_;
    std::uint64_t sizeLimit_;
    std::size_t number_ = 0;
    bool started_ = false;
};

const char BYTE_ORDER_MARK[] = "\xEF\xBB\xBF";

}  // namespace

void csfAppendTextUtf8(OutputBuffer& out, const unsigned char* data, std::size_t units, bool quoted) {
    appendUtf8(out, data, units, quoted);
}

void csfToText(const CsfArchive& archive, std::string& out) {
    const CsfHeader& header = archive.header();
    const std::vector<CsfLabelRecord>& records = archive.records();
    const unsigned char* data = archive.bytes().data();
    std::int64_t strings = 0;
    for (const CsfLabelRecord& rec : records) strings += rec.stringRecords;
    // About twice the table: texts take one to three bytes a unit.
    out.reserve(out.size() + archive.bytes().size() * 2);
    OutputBuffer text(2 * OUT_BLOCK);
    const auto spill = [&](bool all) {
        if (!all && text.size() < OUT_BLOCK) return;
        out.append(text.data(), text.size());
        text.clear();
    };
    appendHeaderLines(text, header);
    appendCountLines(text, header, static_cast<std::int64_t>(records.size()), strings);
    std::vector<CsfTextSlot> slots;
    for (const CsfLabelRecord& rec : records) {
        appendLabelLines(text, data, rec, slots);
        spill(false);
    }
    const std::size_t end = archive.labelsEnd();
    if (end < archive.bytes().size()) {
        text.append("tail ");
        appendQuotedBytes(text, data + end, archive.bytes().size() - end);
        text.push('\n');
    }
    spill(true);
}

bool csfWriteText(CsfTableReader& reader, const std::string& target, std::string& failure) {
    ReplacingFile file;
    std::FILE* f = createUnbuffered(file, target, failure);
    if (!f) return false;
    OutputBuffer out(2 * OUT_BLOCK);
    bool ok = true;
    const auto spill = [&](bool all) {
        if (!all && out.size() < OUT_BLOCK) return;
        ok = ok && writeAll(f, out.data(), out.size());
        out.clear();
    };
    appendHeaderLines(out, reader.header());
    const std::size_t headerSize = out.size();
    std::vector<CsfTextSlot> slots;
    const unsigned char* bytes = nullptr;
    CsfLabelRecord rec;
    while (reader.next(bytes, rec)) {
        appendLabelLines(out, bytes, rec, slots);
        spill(false);
    }
    std::size_t size = 0;
    if (reader.nextTailPiece(bytes, size)) {
        out.append("tail \"");
        do {
            appendEscapedBytes(out, bytes, size);
            spill(false);
        } while (reader.nextTailPiece(bytes, size));
        out.append("\"\n");
    }
    spill(true);

    OutputBuffer counts;
    appendCountLines(counts, reader.header(), reader.labelsRead(), reader.stringsRead());
    if (!counts.empty() && ok) {
        // The header's counts are not those of the labels read, which only
        // the end tells: their lines follow the first ones, so the text is
        // written once more with them, from the first writing.
        ReplacingFile again;
        std::FILE* g = createUnbuffered(again, target, failure);
        if (!g) return false;
        appendHeaderLines(out, reader.header());
        out.append(counts.view());
        ok = writeAll(g, out.data(), out.size()) && platform::seekFile(f, headerSize);
        out.clear();
        char* area = out.room(OUT_BLOCK);
        std::size_t got;
        while (ok && (got = std::fread(area, 1, OUT_BLOCK, f)) > 0) ok = writeAll(g, area, got);
        if (std::ferror(f)) ok = false;
        file.abandon();
        if (!again.commit(ok)) {
            failure = again.failureText();
            return false;
        }
        return true;
    }
    if (!file.commit(ok)) {
        failure = file.failureText();
        return false;
    }
    return true;
}

std::string csfTextUtf8(const CsfArchive& archive, const CsfTextSlot& slot, bool quoted) {
    OutputBuffer out;
    appendUtf8(out, archive.bytes().data() + slot.textOffset, static_cast<std::size_t>(slot.length), quoted);
    return std::string(out.view());
}

bool csfFromText(const char* text, std::size_t size, std::string& table, CsfTextError& error, std::uint64_t sizeLimit) {
    const char* p = text;
    const char* const end = text + size;
    if (size >= 3 && std::memcmp(p, BYTE_ORDER_MARK, 3) == 0) p += 3;
    table.clear();
    // Texts of Latin letters take twice their text's bytes in the table,
    // which never grows past the limit.
    table.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>({2ull * size, sizeLimit, static_cast<std::uint64_t>(table.max_size())})));
    TableOut out(&table, nullptr);
    TextLines lines(out, sizeLimit);
    while (p < end) {
        const char* stop = lineFeed(p, end);
        if (!lines.take(p, stop, error)) {
            table.clear();
            return false;
        }
        p = stop == end ? end : stop + 1;
    }
    if (!lines.finish(error)) {
        table.clear();
        return false;
    }
    out.spill(true);
    return true;
}

CsfBuildResult csfBuildTable(std::FILE* text, const std::string& target, CsfTextError& error,
                             std::int32_t& labelCount, std::string& failure, std::uint64_t sizeLimit) {
    labelCount = 0;
    // Reads go straight into the buffer below.
    std::setvbuf(text, nullptr, _IONBF, 0);
    ReplacingFile file;
    // A table that cannot be written is still built, only counted, so that
    // a malformed line is told before the failure to write.
    std::FILE* f = createUnbuffered(file, target, failure);
    const bool writable = f != nullptr;
    TableOut out(nullptr, f);
    TextLines lines(out, sizeLimit);

    // Lines are taken from a buffer of blocks; one longer than the buffer
    // makes it grow to hold it.
    std::size_t capacity = 1u << 18;
    std::unique_ptr<char[]> buffer(new char[capacity]);
    std::size_t begin = 0, end = 0, searched = 0;
    bool atEnd = false, first = true;
    for (;;) {
        char* const b = buffer.get();
        const char* stop = lineFeed(b + searched, b + end);
        if (stop != b + end) {
            if (!lines.take(b + begin, stop, error)) return CsfBuildResult::BAD_TEXT;
            begin = searched = static_cast<std::size_t>(stop - b) + 1;
            continue;
        }
        if (atEnd) {
            if (begin < end && !lines.take(b + begin, b + end, error)) return CsfBuildResult::BAD_TEXT;
            break;
        }
        // The line begun moves to the front; the buffer doubles when it
        // holds nothing else.
        const std::size_t kept = end - begin;
        if (kept == capacity) {
            std::unique_ptr<char[]> larger(new char[2 * capacity]);
            std::memcpy(larger.get(), b, kept);
            buffer = std::move(larger);
            capacity *= 2;
        } else if (begin > 0) {
            std::memmove(b, b + begin, kept);
        }
        begin = 0;
        searched = end = kept;
        const std::size_t got = std::fread(buffer.get() + end, 1, capacity - end, text);
        if (got < capacity - end) {
            if (std::ferror(text)) return CsfBuildResult::CANNOT_READ;
            atEnd = true;
        }
        end += got;
        if (first) {
            first = false;
            if (end >= 3 && std::memcmp(buffer.get(), BYTE_ORDER_MARK, 3) == 0) begin = searched = 3;
        }
    }
    if (!lines.finish(error)) return CsfBuildResult::BAD_TEXT;
    labelCount = lines.labelCount();
    if (!writable) return CsfBuildResult::CANNOT_WRITE;
    out.spill(true);
    if (!file.commit(out.ok())) {
        failure = file.failureText();
        return CsfBuildResult::CANNOT_WRITE;
    }
    return CsfBuildResult::BUILT;
}
