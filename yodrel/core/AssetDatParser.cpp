#include "AssetDatParser.h"

#include <cstdio>
#include <cstring>

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

std::int32_t getI32(const unsigned char* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                     (static_cast<std::uint32_t>(p[2]) << 16) |
                                     (static_cast<std::uint32_t>(p[3]) << 24));
}

// Small formatters for the dump lines, which are written by the million:
// each appends to the output buffer, which has room for the longest line.
template <std::size_t N>
char* putLiteral(char* out, const char (&text)[N]) {
    std::memcpy(out, text, N - 1);
    return out + N - 1;
}

const char DIGIT_PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

int digitCount(std::uint32_t v) {
    int n = 1;
    for (;;) {
        if (v < 10) return n;
        if (v < 100) return n + 1;
        if (v < 1000) return n + 2;
        if (v < 10000) return n + 3;
        v /= 10000;
        n += 4;
    }
}

char* putUnsigned(char* out, std::uint32_t v) {
    char* end = out + digitCount(v);
    char* d = end;
    while (v >= 100) {
        const std::uint32_t pair = (v % 100) * 2;
        v /= 100;
        d -= 2;
        d[0] = DIGIT_PAIRS[pair];
        d[1] = DIGIT_PAIRS[pair + 1];
    }
    if (v >= 10) {
        d[-2] = DIGIT_PAIRS[v * 2];
        d[-1] = DIGIT_PAIRS[v * 2 + 1];
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

// "%2d" of a value from 0 to 255.
char* putWidth2(char* out, std::size_t value) {
    if (value < 10) *out++ = ' ';
    return putUnsigned(out, static_cast<std::uint32_t>(value));
}

// The index of the first byte equal to `byte` among the first `count` bytes
// of `text`, or `count` when there is none. Names and texts are short and
// scanned by the million, so eight bytes are tested at a time; only bytes
// below `count` are read.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "findByte reads eight bytes as one little-endian word"
#endif
inline std::size_t findByte(const unsigned char* text, std::size_t count, unsigned char byte) {
    const std::uint64_t ones = 0x0101010101010101ull;
    const std::uint64_t pattern = ones * byte;
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text + i, 8);  // both targets are little-endian: text[i] is the low byte
        word ^= pattern;
        // Marks the lowest byte that is zero (and maybe bytes above it).
        const std::uint64_t found = (word - ones) & ~word & (ones << 7);
        if (found != 0) return i + static_cast<std::size_t>(__builtin_ctzll(found)) / 8;
    }
    for (; i < count; ++i)
        if (text[i] == byte) return i;
    return count;
}

// The number of characters shown of a name or text of `length` stored
// bytes: it ends at a zero byte and is cut to 63 characters.
std::size_t shownLength(const unsigned char* text, std::size_t length) {
    return findByte(text, length < AssetDatParser::SHOWN_SIZE ? length : AssetDatParser::SHOWN_SIZE, 0);
}

// "%s" of a name or text of the work buffer. The source and the line both
// have room for 64 bytes, so a fixed-size copy is made and the shown part kept.
char* putShown(char* out, const unsigned char* text, std::size_t length) {
    std::memcpy(out, text, AssetDatParser::SHOWN_SIZE + 1);
    return out + shownLength(text, length);
}

// Whether a string-pool text names a model file: ".w3d" somewhere before
// its end or its first zero byte, whichever comes first. `length` is the
// text's length up to that zero byte (".w3d" holds none, so a match never
// reaches past it).
bool namesModelFile(const unsigned char* text, std::size_t length) {
    std::size_t i = 0;
    while (i + 4 <= length) {
        i += findByte(text + i, length - 3 - i, '.');  // a match starts at most at length - 4
        if (i + 4 > length) return false;
        if (text[i + 1] == 'w' && text[i + 2] == '3' && text[i + 3] == 'd') return true;
        ++i;
    }
    return false;
}

// Entry record: length byte, name, 8 bytes of data, 2 bytes of model count.
constexpr std::size_t ENTRY_FIXED = 1 + 10;
// Model record: length byte, name, tag and two words.
constexpr std::size_t MODEL_FIXED = 1 + 12;

}  // namespace

void AssetDatParser::shownTag(const unsigned char stored[4], char shown[5]) {
    // The first letter tells the candidates apart but for 'X' (BOX, TEX);
    // the other two letters are then compared as well.
    const TagName* match = nullptr;
    switch (stored[0]) {
        case 'H': match = &TAGS[0]; break;
        case 'R': match = &TAGS[1]; break;
        case 'D': match = &TAGS[2]; break;
        case 'M': match = &TAGS[3]; break;
        case 'T': match = &TAGS[4]; break;
        case 'X': match = stored[1] == 'O' ? &TAGS[5] : &TAGS[6]; break;
        default: break;
    }
    if (match && stored[1] == static_cast<unsigned char>(match->stored[1]) &&
        stored[2] == static_cast<unsigned char>(match->stored[2])) {
        std::memcpy(shown, match->shown, 4);
    } else {
        std::memcpy(shown, stored, 4);
    }
    shown[4] = '\0';
}

bool AssetDatParser::reset(int tempNumber, const std::string& workFolder) {
    state_ = ParseState::Header;
    header_ = AssetHeader();
    std::memset(workBuffer_, 0, sizeof workBuffer_);
    std::memset(carry_, 0, sizeof carry_);
    carryLength_ = position_ = bufferLength_ = limit_ = 0;
    consumed_ = 0;
    entriesSeen_ = modelsLeft_ = 0;
    stringSectionOffset_ = 0;
    writeFailed_ = false;
    outputLength_ = 0;

    char name[32];
    std::snprintf(name, sizeof name, "USER_ASSET%02d.tmp", tempNumber);
    tempName_ = workFolder + name;
    dumpStream_.reset();
    // Text mode, so that lines end as the system's text files do.
    dumpStream_.reset(platform::openFile(tempName_.c_str(), "w+"));
    if (!dumpStream_) {
        writeFailed_ = true;
        return false;
    }
    return true;
}

char* AssetDatParser::lineStart() {
    if (outputLength_ + LINE_SIZE > OUTPUT_SIZE) flushOutput();
    return output_ + outputLength_;
}

void AssetDatParser::lineEnd(char* end) {
    *end++ = '\n';
    outputLength_ = static_cast<std::size_t>(end - output_);
}

void AssetDatParser::flushOutput() {
    if (outputLength_ == 0) return;
    // Written by its length: the lines hold no zero byte, and no scan for
    // a terminator is needed.
    if (!dumpStream_ || std::fwrite(output_, 1, outputLength_, dumpStream_.get()) != outputLength_ ||
        std::ferror(dumpStream_.get()))
        writeFailed_ = true;
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

    if (state_ == ParseState::Header) {
        std::memcpy(header_.tag, workBuffer_, 4);
        header_.headerWord1 = getI32(workBuffer_ + 4);
        header_.entryCount = getI32(workBuffer_ + 8);
        header_.headerWord3 = getI32(workBuffer_ + 12);
        char tag[5] = {0};
        std::memcpy(tag, header_.tag, 4);
        char* out = putLiteral(lineStart(), SEPARATOR);
        lineEnd(out);
        out = lineStart();
        // "HEADER: [%s][%d %d %d]"; the tag ends at a zero byte
        out = putLiteral(out, "HEADER: [");
        std::memcpy(out, tag, 4);
        out += shownLength(reinterpret_cast<const unsigned char*>(tag), 4);
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
        state_ = header_.entryCount == 0 ? ParseState::Strings : ParseState::Entry;
    }

    while (position_ < limit_) {
        if (!step(false)) break;  // a record longer than what is left waits for the next block
    }

    carryLength_ = position_ < bufferLength_ ? bufferLength_ - position_ : 0;
    if (carryLength_ > 0) std::memcpy(carry_, workBuffer_ + position_, carryLength_);
    consumed_ += static_cast<std::int64_t>(position_);
}

bool AssetDatParser::finish() {
    std::memset(workBuffer_, 0, sizeof workBuffer_);
    if (carryLength_ > 0) std::memcpy(workBuffer_, carry_, carryLength_);
    bufferLength_ = limit_ = carryLength_;
    position_ = 0;
    // The bytes after the tail read as zero, as the zero-filled last block.
    while (position_ < carryLength_) step(true);
    carryLength_ = 0;
    consumed_ = 0;
    flushOutput();
    bool ok = !writeFailed_;
    if (dumpStream_) {
        // fclose flushes: a write that fails only then is a failure too.
        if (std::ferror(dumpStream_.get())) ok = false;
        if (std::fclose(dumpStream_.release()) != 0) ok = false;
    } else {
        ok = false;
    }
    return ok;
}

bool AssetDatParser::step(bool final) {
    switch (state_) {
        case ParseState::Entry: return entryStep(final);
        case ParseState::Model: return modelStep(final);
        case ParseState::Strings: return stringStep(final);
        case ParseState::Header: break;
    }
    return false;
}

// Every step checks that its whole record lies within the valid bytes before
// it reads it. At the final flush the tail is followed by at least 1024 zero
// bytes of the work buffer, more than the longest record, so it reads zeros.
// Names and texts longer than 63 characters are shown cut; the record keeps
// its stored length.
bool AssetDatParser::entryStep(bool final) {
    const std::size_t p = position_;
    const std::size_t n = workBuffer_[p];
    if (!final && n + ENTRY_FIXED > bufferLength_ - p) return false;
    const unsigned char* name = workBuffer_ + p + 1;
    const unsigned char* entryBlock = name + n;  // 8 bytes of data, the model count
    modelsLeft_ = static_cast<std::uint32_t>(entryBlock[8]) | (static_cast<std::uint32_t>(entryBlock[9]) << 8);
    // "ENTRY:  [%2d] %s [%d]"
    char* out = putLiteral(lineStart(), "ENTRY:  [");
    out = putWidth2(out, n);
    out = putLiteral(out, "] ");
    out = putShown(out, name, n);
    out = putLiteral(out, " [");
    out = putUnsigned(out, modelsLeft_);
    *out++ = ']';
    lineEnd(out);
    ++entriesSeen_;
    if (modelsLeft_ >= 1)
        state_ = ParseState::Model;
    else
        state_ = entriesSeen_ == static_cast<std::uint32_t>(header_.entryCount) ? ParseState::Strings : ParseState::Entry;
    position_ = p + n + ENTRY_FIXED;
    return true;
}

bool AssetDatParser::modelStep(bool final) {
    const std::size_t p = position_;
    const std::size_t n = workBuffer_[p];
    if (!final && n + MODEL_FIXED > bufferLength_ - p) return false;
    const unsigned char* name = workBuffer_ + p + 1;
    const unsigned char* modelBlock = name + n;  // tag, modelWord1, modelWord2
    // " model  [%2d] %s  %s [%d %d]": modelWord2, then modelWord1
    char* out = putLiteral(lineStart(), " model  [");
    out = putWidth2(out, n);
    out = putLiteral(out, "] ");
    char tag[5];
    shownTag(modelBlock, tag);
    std::memcpy(out, tag, 4);
    out += shownLength(reinterpret_cast<const unsigned char*>(tag), 4);
    out = putLiteral(out, "  ");
    out = putShown(out, name, n);
    out = putLiteral(out, " [");
    out = putInt(out, getI32(modelBlock + 8));
    *out++ = ' ';
    out = putInt(out, getI32(modelBlock + 4));
    *out++ = ']';
    lineEnd(out);
    if (modelsLeft_ > 0) --modelsLeft_;
    if (modelsLeft_ == 0)
        state_ = entriesSeen_ == static_cast<std::uint32_t>(header_.entryCount) ? ParseState::Strings : ParseState::Entry;
    position_ = p + n + MODEL_FIXED;
    return true;
}

bool AssetDatParser::stringStep(bool final) {
    std::size_t p = position_;
    if (stringSectionOffset_ == 0) stringSectionOffset_ = static_cast<std::int32_t>(consumed_ + static_cast<std::int64_t>(p));
    // A byte followed by a byte 0, 1 or 2, or a length of 0, 1 or 2, is
    // stepped over; a run of them is stepped over here, up to where the
    // caller would stop stepping anyway.
    if (workBuffer_[p + 1] <= 2 || workBuffer_[p] <= 2) {
        do {
            ++p;
        } while (p < limit_ && (workBuffer_[p + 1] <= 2 || workBuffer_[p] <= 2));
        position_ = p;
        return true;
    }
    const std::size_t n = workBuffer_[p];
    if (!final && n + 1 > bufferLength_ - p) return false;
    // "STRING: [%d] %s" for a text naming a model file, " string [%d] %s" else;
    // the ".w3d" test looks at the whole stored text, up to a zero byte.
    const unsigned char* text = workBuffer_ + p + 1;
    const std::size_t visible = findByte(text, n, 0);
    char* out = putLiteral(lineStart(), namesModelFile(text, visible) ? "STRING: [" : " string [");
    out = putUnsigned(out, static_cast<std::uint32_t>(n));
    out = putLiteral(out, "] ");
    std::memcpy(out, text, SHOWN_SIZE + 1);
    out += visible < SHOWN_SIZE ? visible : SHOWN_SIZE;
    lineEnd(out);
    position_ = p + n + 1;
    return true;
}
