#include "AssetDatParser.h"

#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "BackgroundStream.h"
#include "ByteOrder.h"
#include "FilePtr.h"
#include "platform/Platform.h"

namespace {

const char SEPARATOR[] = "=================================================";
static_assert(sizeof SEPARATOR == 50, "the separator is 49 equals signs");

struct TagName {
    const char* stored;
    const char* shown;
};
const TagName TAGS[] = {{"HSEM", "MESH"}, {"REIH", "HIER"}, {"DOLH", "HLOD"}, {"MINA", "ANIM"},
                        {"TRAP", "PART"}, {"XOB ", "BOX "}, {"XET ", "TEX "}};

constexpr int TAG_COUNT = sizeof TAGS / sizeof TAGS[0];

// The tag table as three byte-indexed sets of rows: bit r of byte[k][b] is
// set when row r's stored byte k is b. The rows whose first three bytes all
// match a tag are then the bits common to its three sets, and the lowest of
// them is the first match in table order.
struct TagIndex {
    std::uint8_t byte[3][256] = {};
    std::uint32_t shown[TAG_COUNT + 1] = {};  // each row's shown name as one word; the last is no row
    TagIndex() {
        static_assert(TAG_COUNT < 8, "a row set fits one byte");
        for (int r = 0; r < TAG_COUNT; ++r) {
            for (int k = 0; k < 3; ++k) byte[k][static_cast<unsigned char>(TAGS[r].stored[k])] |= 1u << r;
            std::memcpy(&shown[r], TAGS[r].shown, 4);
        }
    }
};
const TagIndex TAG_INDEX;

// Small formatters for the dump lines, which are written by the million:
// each appends to the output buffer, which has room for the longest line.
// They avoid branches that depend on the data where they can, since names,
// numbers and tags differ from one line to the next.
template <std::size_t N>
char* putLiteral(char* out, const char (&text)[N]) {
    std::memcpy(out, text, N - 1);
    return out + N - 1;
}

const char DIGIT_PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The decimal forms of the byte values, for the length fields: "%d" and
// "%2d" of 0 to 255, each with its length.
struct ByteNumbers {
    char plain[256][4];
    char width2[256][4];
    unsigned char plainLength[256];
    unsigned char width2Length[256];
    ByteNumbers() {
        for (int v = 0; v < 256; ++v) {
            char text[8];
            plainLength[v] = static_cast<unsigned char>(std::snprintf(text, sizeof text, "%d", v));
            std::memcpy(plain[v], text, 4);
            width2Length[v] = static_cast<unsigned char>(std::snprintf(text, sizeof text, "%2d", v));
            std::memcpy(width2[v], text, 4);
        }
    }
};
const ByteNumbers BYTE_NUMBERS;

// "%d" of a byte value.
char* putByte(char* out, std::size_t value) {
    std::memcpy(out, BYTE_NUMBERS.plain[value & 0xFF], 4);
    return out + BYTE_NUMBERS.plainLength[value & 0xFF];
}

// "%2d" of a byte value.
char* putWidth2(char* out, std::size_t value) {
    std::memcpy(out, BYTE_NUMBERS.width2[value & 0xFF], 4);
    return out + BYTE_NUMBERS.width2Length[value & 0xFF];
}

// The number of decimal digits of v: from its bit length, then one compare.
int digitCount(std::uint32_t v) {
    static const std::uint32_t POWERS[] = {0,      10,      100,      1000,      10000,
                                           100000, 1000000, 10000000, 100000000, 1000000000};
    const int bits = 32 - __builtin_clz(v | 1);
    const int t = (bits * 1233) >> 12;  // the digits of 2^bits, less one or exact
    return t + (v >= POWERS[t] ? 1 : 0);
}

char* putUnsigned(char* out, std::uint32_t v) {
    char* end = out + digitCount(v);
    char* d = end;
    while (v >= 100) {
        const std::uint32_t pair = (v % 100) * 2;
        v /= 100;
        d -= 2;
        std::memcpy(d, DIGIT_PAIRS + pair, 2);
    }
    if (v >= 10) {
        std::memcpy(d - 2, DIGIT_PAIRS + v * 2, 2);
    } else {
        d[-1] = static_cast<char>('0' + v);
    }
    return end;
}

// "%d"
char* putInt(char* out, std::int32_t value) {
    if (value >= 0) return putUnsigned(out, static_cast<std::uint32_t>(value));
    *out++ = '-';
    return putUnsigned(out, 0u - static_cast<std::uint32_t>(value));
}

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the byte masks below read words as little-endian"
#endif

// Byte masks over the first 16 × PARTS bytes of a text: bit i stands for
// text[i]. The callers only look inside the work buffer, or inside a group
// of blocks 256 bytes before its end, where 67 bytes after every record
// start are readable.
#if defined(__SSE2__)
template <int PARTS>
struct TextMasks {
    static __m128i load(const unsigned char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
    static __m128i equal(const unsigned char* at, char byte) { return _mm_cmpeq_epi8(load(at), _mm_set1_epi8(byte)); }
    static std::uint64_t bits(__m128i v, int part) {
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(v))) << (16 * part);
    }
    // The zero bytes.
    static std::uint64_t zeros(const unsigned char* text) {
        std::uint64_t mask = 0;
        for (int i = 0; i < PARTS; ++i) mask |= bits(equal(text + 16 * i, 0), i);
        return mask;
    }
    // Where ".w3d" begins (its last bytes may lie past the 16 × PARTS).
    static std::uint64_t modelFileStarts(const unsigned char* text) {
        std::uint64_t mask = 0;
        for (int i = 0; i < PARTS; ++i) {
            const unsigned char* at = text + 16 * i;
            const __m128i match = _mm_and_si128(_mm_and_si128(equal(at, '.'), equal(at + 1, 'w')),
                                                _mm_and_si128(equal(at + 2, '3'), equal(at + 3, 'd')));
            mask |= bits(match, i);
        }
        return mask;
    }
};
#else
template <int PARTS>
struct TextMasks {
    // Bit i set where text[i] equals `byte`, eight bytes at a time.
    static std::uint64_t equal(const unsigned char* text, unsigned char byte) {
        const std::uint64_t low7 = 0x7F7F7F7F7F7F7F7Full;
        std::uint64_t mask = 0;
        for (int i = 0; i < 2 * PARTS; ++i) {
            std::uint64_t word;
            std::memcpy(&word, text + 8 * i, 8);  // little-endian: text[8i] is the low byte
            const std::uint64_t x = word ^ (0x0101010101010101ull * byte);
            // The high bit of each byte is set where x has a non-zero byte.
            const std::uint64_t nonZero = ((x & low7) + low7) | x;
            const std::uint64_t zero = ~nonZero & ~low7;
            // Gathers the eight high bits into one byte.
            mask |= (((zero >> 7) * 0x0102040810204080ull) >> 56) << (8 * i);
        }
        return mask;
    }
    static std::uint64_t zeros(const unsigned char* text) { return equal(text, 0); }
    // Where ".w3d" begins, for starts up to 16 × PARTS − 4.
    static std::uint64_t modelFileStarts(const unsigned char* text) {
        return equal(text, '.') & (equal(text, 'w') >> 1) & (equal(text, '3') >> 2) & (equal(text, 'd') >> 3);
    }
};
#endif

inline std::size_t lowestBit(std::uint64_t mask) { return static_cast<std::size_t>(__builtin_ctzll(mask)); }

// The first `count` bits set (count at most 63).
inline std::uint64_t lowBits(std::size_t count) { return (std::uint64_t(1) << count) - 1; }

// The index of the first byte equal to `byte` among the first `count` bytes
// of `text`, or `count` when there is none; only those bytes are read.
std::size_t findByte(const unsigned char* text, std::size_t count, unsigned char byte) {
    const void* found = std::memchr(text, byte, count);
    return found ? static_cast<std::size_t>(static_cast<const unsigned char*>(found) - text) : count;
}

// Whether ".w3d" occurs within the first `length` bytes (scalar form, for
// texts longer than one look).
bool namesModelFileLong(const unsigned char* text, std::size_t length) {
    for (std::size_t i = 0; i + 4 <= length; ++i) {
        i += findByte(text + i, length - 3 - i, '.');
        if (i + 4 > length) return false;
        if (text[i + 1] == 'w' && text[i + 2] == '3' && text[i + 3] == 'd') return true;
    }
    return false;
}

// A name or text of the work buffer with `length` stored bytes: how much of it
// is shown (it ends at a zero byte and is cut to 63 characters), and for a
// string-pool text whether it names a model file: ".w3d" before its end or its
// first zero byte, in the whole stored text. Most are shorter than 32 bytes
// and are looked at in half the work.
struct TextLook {
    std::size_t shown;
    bool modelFile;
};

constexpr std::size_t SHORT_TEXT = 32;

std::size_t lookAtName(const unsigned char* text, std::size_t length) {
    if (length < SHORT_TEXT) return lowestBit(TextMasks<2>::zeros(text) | (std::uint64_t(1) << length));
    const std::size_t cut = length < AssetDatParser::SHOWN_SIZE ? length : AssetDatParser::SHOWN_SIZE;
    return lowestBit(TextMasks<4>::zeros(text) | (std::uint64_t(1) << cut));
}

// The text ends at `shown` (its first zero or its length); a match starts
// at most 4 bytes before that.
inline bool startsBefore(std::uint64_t starts, std::size_t shown) {
    return (starts & lowBits(shown > 3 ? shown - 3 : 0)) != 0;
}

TextLook lookAtText(const unsigned char* text, std::size_t length) {
    if (length < SHORT_TEXT) {
        const std::size_t shown = lowestBit(TextMasks<2>::zeros(text) | (std::uint64_t(1) << length));
        return TextLook{shown, startsBefore(TextMasks<2>::modelFileStarts(text), shown)};
    }
    const std::size_t cut = length < AssetDatParser::SHOWN_SIZE ? length : AssetDatParser::SHOWN_SIZE;
    const std::size_t shown = lowestBit(TextMasks<4>::zeros(text) | (std::uint64_t(1) << cut));
    if (length >= AssetDatParser::SHOWN_SIZE && shown == AssetDatParser::SHOWN_SIZE) {
        // Longer than one look: the rest of the text is searched byte by byte.
        return TextLook{shown, namesModelFileLong(text, findByte(text, length, 0))};
    }
    return TextLook{shown, startsBefore(TextMasks<4>::modelFileStarts(text), shown)};
}

// The number of characters shown of a short field of its own (the header's
// tag): it ends at a zero byte.
std::size_t shownLength(const unsigned char* text, std::size_t length) { return findByte(text, length, 0); }

// Entry record: length byte, name, 8 bytes of data, 2 bytes of model count.
constexpr std::size_t ENTRY_FIXED = 1 + 10;
// Model record: length byte, name, tag and two words.
constexpr std::size_t MODEL_FIXED = 1 + 12;
// The longest record: a model with a name of 255 bytes.
constexpr std::size_t LONGEST_RECORD = MODEL_FIXED + 255;
// What a step may read from a record's length byte on, whatever the record's
// own length: the longest look at a name or text (16 × 4 bytes, and 3 more
// where ".w3d" may begin in its last 16), which also covers the SHOWN_SIZE + 1
// bytes copied into a line and the byte after a length byte.
constexpr std::size_t LOOK_BYTES = 16 * 4;
constexpr std::size_t LOOK_AHEAD = 1 + LOOK_BYTES + 3;
// The longest line, a model line: " model  [", "%2d" of 255, "] ", the tag,
// two blanks (where the name begins), the name cut to SHOWN_SIZE, " [", two
// numbers of at most 11 characters with a blank between, "]" and the line end.
constexpr std::size_t MODEL_NAME_AT = 9 + 3 + 2 + 4 + 2;
constexpr std::size_t LONGEST_LINE = MODEL_NAME_AT + AssetDatParser::SHOWN_SIZE + 2 + 11 + 1 + 11 + 1 + 1;

// The sizes the parser relies on, so that every read and write stays inside
// its buffer by construction:
using P = AssetDatParser;
static_assert(SHORT_TEXT <= 16 * 2 && P::SHOWN_SIZE + 1 <= LOOK_BYTES, "a look covers what is shown of a text");
// While blocks are fed, a step starts only before the limit, RESERVE bytes
// before the end of the valid bytes (of the work buffer, or of the caller's
// blocks): what it reads past a short record lies within the valid bytes.
// A record longer than what is left waits for the next block.
static_assert(P::RESERVE >= LOOK_AHEAD, "a step's look stays within the valid bytes");
// What a block leaves unparsed is what lies from the limit on, or a record
// that did not fit within the valid bytes: the carry holds either, and it
// lies within the block just fed.
static_assert(P::CARRY_SIZE >= P::RESERVE && P::CARRY_SIZE >= LONGEST_RECORD - 1, "the tail fits the carry");
static_assert(P::CARRY_SIZE <= P::BLOCK_SIZE, "the carry lies within the last block");
// The carry and one block fit the work buffer; at the final flush a step
// starts within the carried tail and reads zeros beyond it, inside the work
// buffer.
static_assert(P::CARRY_SIZE + P::BLOCK_SIZE <= P::WORK_SIZE, "the carry and a block fit the work buffer");
static_assert(P::WORK_SIZE - P::CARRY_SIZE >= LONGEST_RECORD && P::WORK_SIZE - P::CARRY_SIZE >= LOOK_AHEAD,
              "the final tail is parsed inside the work buffer");
// A line starts only while LINE_SIZE bytes are left in the output buffer;
// what is shown of a name is copied as SHOWN_SIZE + 1 bytes.
static_assert(LONGEST_LINE <= P::LINE_SIZE && MODEL_NAME_AT + P::SHOWN_SIZE + 1 <= P::LINE_SIZE,
              "a line fits LINE_SIZE");
static_assert(BackgroundWriter::BUFFER_SIZE >= P::LINE_SIZE, "the writer's buffers hold a line");

}  // namespace

void AssetDatParser::shownTag(const unsigned char stored[4], char shown[5]) {
    const std::size_t length = putTag(shown, stored);
    shown[length] = '\0';
}

std::size_t AssetDatParser::putTag(char* out, const unsigned char stored[4]) {
    // The first matching row, or TAG_COUNT for none; an unknown tag is shown
    // as its stored bytes, up to a zero byte. No branch depends on the tag.
    const unsigned rows = TAG_INDEX.byte[0][stored[0]] & TAG_INDEX.byte[1][stored[1]] & TAG_INDEX.byte[2][stored[2]];
    const unsigned row = static_cast<unsigned>(__builtin_ctz(rows | (1u << TAG_COUNT)));
    const bool known = row < static_cast<unsigned>(TAG_COUNT);
    std::uint32_t word;
    std::memcpy(&word, stored, 4);
    const std::uint32_t shownWord = known ? TAG_INDEX.shown[row] : word;
    std::memcpy(out, &shownWord, 4);
    // The lowest zero byte of the word: exact for the lowest one.
    const std::uint64_t zeros = (word - 0x01010101u) & ~word & 0x80808080u;
    const std::size_t unknownLength = static_cast<std::size_t>(__builtin_ctzll(zeros | (std::uint64_t(1) << 32))) / 8;
    return known ? 4 : unknownLength;
}

bool AssetDatParser::reset(int tempNumber, const std::string& workFolder) {
    state_ = ParseState::HEADER;
    header_ = AssetHeader();
    std::memset(workBuffer_, 0, sizeof workBuffer_);
    std::memset(carry_, 0, sizeof carry_);
    carryLength_ = position_ = bufferLength_ = limit_ = 0;
    consumed_ = 0;
    entriesSeen_ = modelsLeft_ = 0;
    stringSectionOffset_ = 0;
    writeFailed_ = false;

    char name[32];
    std::snprintf(name, sizeof name, "USER_ASSET%02d.tmp", tempNumber);
    tempName_ = workFolder + name;
    closeDump();
    // Text mode, so that lines end as the system's text files do.
    dumpStream_.reset(platform::openFile(tempName_.c_str(), "w+"));
    if (!dumpStream_) {
        writeFailed_ = true;
        return false;
    }
    writer_.reset(new BackgroundWriter(dumpStream_.get()));
    output_ = writer_->acquire();
    outputCapacity_ = BackgroundWriter::BUFFER_SIZE;
    return true;
}

void AssetDatParser::closeDump() {
    writer_.reset();  // writes what was handed over, before the stream closes
    dumpStream_.reset();
    output_ = discard_;
    outputCapacity_ = sizeof discard_;
    outputLength_ = 0;
}

AssetDatParser::AssetDatParser() : output_(discard_), outputCapacity_(sizeof discard_) {}

AssetDatParser::~AssetDatParser() { closeDump(); }

char* AssetDatParser::lineStart() {
    if (outputLength_ + LINE_SIZE > outputCapacity_) flushOutput();
    return output_ + outputLength_;
}

void AssetDatParser::lineEnd(char* end) {
    *end++ = '\n';
    outputLength_ = static_cast<std::size_t>(end - output_);
}

void AssetDatParser::flushOutput() {
    // Lines are written by their length (they hold no zero byte), by the
    // writer's thread while the next ones are formatted. Without a dump the
    // lines are formatted into a scratch buffer and dropped.
    if (writer_ && outputLength_ > 0) {
        writer_->submit(output_, outputLength_);
        output_ = writer_->acquire();
    }
    outputLength_ = 0;
}

void AssetDatParser::feedBlock(const unsigned char* block, std::size_t length) {
    if (length > BLOCK_SIZE) length = BLOCK_SIZE;
    if (carryLength_ > 0) std::memcpy(workBuffer_, carry_, carryLength_);
    if (length > 0) std::memcpy(workBuffer_ + carryLength_, block, length);
    bufferLength_ = carryLength_ + length;
    // Every byte after the valid ones reads as zero.
    std::memset(workBuffer_ + bufferLength_, 0, WORK_SIZE - bufferLength_);
    limit_ = bufferLength_ > RESERVE ? bufferLength_ - RESERVE : 0;
    position_ = 0;

    if (state_ == ParseState::HEADER) {
        std::memcpy(header_.tag, workBuffer_, 4);
        header_.headerWord1 = le::getI32(workBuffer_ + 4);
        header_.entryCount = le::getI32(workBuffer_ + 8);
        header_.headerWord3 = le::getI32(workBuffer_ + 12);
        char* out = putLiteral(lineStart(), SEPARATOR);
        lineEnd(out);
        out = lineStart();
        // "HEADER: [%s][%d %d %d]"; the tag ends at a zero byte
        out = putLiteral(out, "HEADER: [");
        std::memcpy(out, header_.tag, 4);
        out += shownLength(reinterpret_cast<const unsigned char*>(header_.tag), 4);
        out = putLiteral(out, "][");
        out = putInt(out, header_.headerWord1);
        *out++ = ' ';
        out = putInt(out, header_.entryCount);
        *out++ = ' ';
        out = putInt(out, header_.headerWord3);
        *out++ = ']';
        lineEnd(out);
        lineEnd(putLiteral(lineStart(), SEPARATOR));
        position_ = HEADER_SIZE;
        // A table without entries has its strings right after the header.
        state_ = header_.entryCount == 0 ? ParseState::STRINGS : ParseState::ENTRY;
    }

    position_ = parseSteps(workBuffer_, bufferLength_, limit_, position_, consumed_, false);

    carryLength_ = position_ < bufferLength_ ? bufferLength_ - position_ : 0;
    if (carryLength_ > 0) std::memcpy(carry_, workBuffer_ + position_, carryLength_);
    consumed_ += static_cast<std::int64_t>(position_);
}

void AssetDatParser::feedBlocks(const unsigned char* blocks, std::size_t count) {
    if (count == 0) return;
    feedBlock(blocks, BLOCK_SIZE);
    if (count == 1) return;
    // The carry left by the first block is that block's last carryLength_
    // bytes, so the rest is parsed where it lies, as if the work buffer held
    // all the blocks: a record starts while 256 bytes remain after it, and
    // one that does not fit waits, exactly as block by block. Only the tail
    // that is left is copied, into the carry.
    const std::size_t valid = count * BLOCK_SIZE;
    const std::size_t start = BLOCK_SIZE - carryLength_;
    const std::int64_t base = consumed_ - static_cast<std::int64_t>(start);  // file offset of blocks[0]
    const std::size_t end = parseSteps(blocks, valid, valid - RESERVE, start, base, false);
    carryLength_ = valid - end;
    if (carryLength_ > 0) std::memcpy(carry_, blocks + end, carryLength_);
    consumed_ = base + static_cast<std::int64_t>(end);
}

bool AssetDatParser::finish() {
    std::memset(workBuffer_, 0, sizeof workBuffer_);
    if (carryLength_ > 0) std::memcpy(workBuffer_, carry_, carryLength_);
    bufferLength_ = limit_ = carryLength_;
    position_ = 0;
    // The bytes after the tail read as zero, as the zero-filled last block.
    position_ = parseSteps(workBuffer_, bufferLength_, limit_, 0, consumed_, true);
    carryLength_ = 0;
    consumed_ = 0;
    flushOutput();
    bool ok = !writeFailed_ && writer_ && writer_->finish();
    writer_.reset();
    // fclose flushes: a write that fails only then is a failure too.
    if (!closeChecked(dumpStream_)) ok = false;
    closeDump();
    return ok;
}

// Steps while a record may start: before the limit, and (while blocks are
// fed) while the record lies whole within the valid bytes; a longer one waits
// for the next block. At the final flush the tail is followed by at least
// 1024 zero bytes of the work buffer, more than the longest record, so a
// record that runs past the tail reads zeros. Names and texts longer than 63
// characters are shown cut; the record keeps its stored length. Besides its
// record a step reads at most LOOK_AHEAD bytes from p on (the looks at a name
// or text, and the SHOWN_SIZE + 1 bytes copied into the line, which the line
// then cuts), all within the reserve that the asserts above set out.
//
// `buffer` holds `valid` bytes, of which the one at `p` lies at file offset
// base + p; the position reached is returned.
//
// The loop works on local copies of the parse state and of the output
// position, which stay in registers while the lines are stored; they are put
// back when it ends.
std::size_t AssetDatParser::parseSteps(const unsigned char* buffer, std::size_t valid, std::size_t limit,
                                       std::size_t p, std::int64_t base, bool final) {
    const std::uint32_t entryCount = static_cast<std::uint32_t>(header_.entryCount);
    ParseState state = state_;
    std::uint32_t modelsLeft = modelsLeft_;
    std::uint32_t entriesSeen = entriesSeen_;
    char* out = output_ + outputLength_;
    char* roomEnd = output_ + outputCapacity_ - LINE_SIZE;  // a line may start up to here

    while (p < limit) {
        if (out > roomEnd) {
            outputLength_ = static_cast<std::size_t>(out - output_);
            flushOutput();
            out = output_ + outputLength_;
            roomEnd = output_ + outputCapacity_ - LINE_SIZE;
        }
        const std::size_t n = buffer[p];
        const unsigned char* const text = buffer + p + 1;  // the name or text
        if (state == ParseState::STRINGS) {
            if (stringSectionOffset_ == 0)
                stringSectionOffset_ = static_cast<std::int32_t>(base + static_cast<std::int64_t>(p));
            // A byte followed by a byte 0, 1 or 2, or a length of 0, 1 or 2,
            // is stepped over; a run of them is stepped over at once, up to
            // the limit.
            if (buffer[p + 1] <= 2 || n <= 2) {
                do {
                    ++p;
                } while (p < limit && (buffer[p + 1] <= 2 || buffer[p] <= 2));
                continue;
            }
            if (!final && n + 1 > valid - p) break;
            // "STRING: [%d] %s" for a text naming a model file, " string [%d] %s"
            // else; the ".w3d" test looks at the whole stored text, up to a
            // zero byte.
            static const char KINDS[2][10] = {" string [", "STRING: ["};
            const TextLook look = lookAtText(text, n);
            std::memcpy(out, KINDS[look.modelFile ? 1 : 0], 9);
            out = putByte(out + 9, n);
            out = putLiteral(out, "] ");
            std::memcpy(out, text, SHOWN_SIZE + 1);
            out += look.shown;
            *out++ = '\n';
            p += n + 1;
        } else if (state == ParseState::MODEL) {
            // tag, modelWord1, modelWord2 after the name
            if (!final && n + MODEL_FIXED > valid - p) break;
            const unsigned char* modelBlock = text + n;
            // " model  [%2d] %s  %s [%d %d]": modelWord2, then modelWord1
            out = putLiteral(out, " model  [");
            out = putWidth2(out, n);
            out = putLiteral(out, "] ");
            out += putTag(out, modelBlock);
            out = putLiteral(out, "  ");
            std::memcpy(out, text, SHOWN_SIZE + 1);
            out += lookAtName(text, n);
            out = putLiteral(out, " [");
            out = putInt(out, le::getI32(modelBlock + 8));
            *out++ = ' ';
            out = putInt(out, le::getI32(modelBlock + 4));
            *out++ = ']';
            *out++ = '\n';
            if (modelsLeft > 0) --modelsLeft;
            if (modelsLeft == 0) state = entriesSeen == entryCount ? ParseState::STRINGS : ParseState::ENTRY;
            p += n + MODEL_FIXED;
        } else if (state == ParseState::ENTRY) {
            // 8 bytes of data and the model count after the name
            if (!final && n + ENTRY_FIXED > valid - p) break;
            const unsigned char* entryBlock = text + n;
            modelsLeft = le::getU16(entryBlock + 8);
            // "ENTRY:  [%2d] %s [%d]"
            out = putLiteral(out, "ENTRY:  [");
            out = putWidth2(out, n);
            out = putLiteral(out, "] ");
            std::memcpy(out, text, SHOWN_SIZE + 1);
            out += lookAtName(text, n);
            out = putLiteral(out, " [");
            out = putUnsigned(out, modelsLeft);
            *out++ = ']';
            *out++ = '\n';
            ++entriesSeen;
            if (modelsLeft >= 1)
                state = ParseState::MODEL;
            else
                state = entriesSeen == entryCount ? ParseState::STRINGS : ParseState::ENTRY;
            p += n + ENTRY_FIXED;
        } else {
            break;
        }
    }

    state_ = state;
    modelsLeft_ = modelsLeft;
    entriesSeen_ = entriesSeen;
    outputLength_ = static_cast<std::size_t>(out - output_);
    return p;
}
