#include "AssetDatParser.h"

#include <cstdio>
#include <cstring>

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
// each appends to a line buffer that has room for the longest line.
char* putText(char* out, const char* text) {
    while (*text) *out++ = *text++;
    return out;
}

char* putInt(char* out, std::int32_t value) {
    char digits[12];
    int n = 0;
    std::uint32_t v = value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    if (value < 0) *out++ = '-';
    while (n) *out++ = digits[--n];
    return out;
}

// "%2d" of a value from 0 to 255.
char* putWidth2(char* out, std::size_t value) {
    if (value < 10) *out++ = ' ';
    return putInt(out, static_cast<std::int32_t>(value));
}

// Entry record: length byte, name, 8 bytes of data, 2 bytes of model count.
constexpr std::size_t ENTRY_FIXED = 1 + 10;
// Model record: length byte, name, tag and two words.
constexpr std::size_t MODEL_FIXED = 1 + 12;

}  // namespace

void AssetDatParser::shownTag(const unsigned char stored[4], char shown[5]) {
    for (const TagName& tag : TAGS) {
        if (std::memcmp(stored, tag.stored, 3) == 0) {
            std::memcpy(shown, tag.shown, 4);
            shown[4] = '\0';
            return;
        }
    }
    std::memcpy(shown, stored, 4);
    shown[4] = '\0';
}

bool AssetDatParser::reset(int tempNumber, const std::string& workFolder) {
    state_ = ParseState::Header;
    header_ = AssetHeader();
    nameLength_ = 0;
    std::memset(name_, 0, sizeof name_);
    recordKind_ = 0;
    std::memset(entryBlock_, 0, sizeof entryBlock_);
    std::memset(modelBlock_, 0, sizeof modelBlock_);
    std::memset(stringRecord_, 0, sizeof stringRecord_);
    std::memset(workBuffer_, 0, sizeof workBuffer_);
    std::memset(carry_, 0, sizeof carry_);
    carryLength_ = position_ = bufferLength_ = limit_ = 0;
    consumed_ = 0;
    entriesSeen_ = modelsLeft_ = 0;
    stringSectionOffset_ = 0;
    writeFailed_ = false;
    lineLength_ = 0;
    outputLength_ = 0;

    char name[32];
    std::snprintf(name, sizeof name, "USER_ASSET%02d.tmp", tempNumber);
    tempName_ = workFolder + name;
    if (dumpStream_) dumpStream_->close();
    dumpStream_.reset(new FileStream(FileStream::WRITE, tempName_.c_str(), 0));
    if (dumpStream_->open() != FS_OPEN) {
        dumpStream_.reset();
        writeFailed_ = true;
        return false;
    }
    return true;
}

void AssetDatParser::writeLine() {
    if (lineLength_ == 0) lineLength_ = strnlen(lineBuffer_, LINE_SIZE - 1);
    if (outputLength_ + lineLength_ + 2 > OUTPUT_SIZE) flushOutput();
    std::memcpy(output_ + outputLength_, lineBuffer_, lineLength_);
    outputLength_ += lineLength_;
    output_[outputLength_++] = '\n';
    lineLength_ = 0;
}

void AssetDatParser::flushOutput() {
    if (outputLength_ == 0) return;
    output_[outputLength_] = '\0';
    if (!dumpStream_ || dumpStream_->writeText(output_) != FS_WRITTEN) writeFailed_ = true;
    outputLength_ = 0;
}

void AssetDatParser::feedBlock(const unsigned char* block, std::size_t length) {
    if (length > BLOCK_SIZE) length = BLOCK_SIZE;
    std::memset(workBuffer_, 0, sizeof workBuffer_);
    if (carryLength_ > 0) std::memcpy(workBuffer_, carry_, carryLength_);
    if (length > 0) std::memcpy(workBuffer_ + carryLength_, block, length);
    bufferLength_ = carryLength_ + length;
    limit_ = bufferLength_ > RESERVE ? bufferLength_ - RESERVE : 0;
    position_ = 0;

    if (state_ == ParseState::Header) {
        std::memcpy(header_.tag, workBuffer_, 4);
        header_.headerWord1 = getI32(workBuffer_ + 4);
        header_.entryCount = getI32(workBuffer_ + 8);
        header_.headerWord3 = getI32(workBuffer_ + 12);
        char tag[5] = {0};
        std::memcpy(tag, header_.tag, 4);
        std::snprintf(lineBuffer_, sizeof lineBuffer_, "%s", SEPARATOR);
        writeLine();
        std::snprintf(lineBuffer_, sizeof lineBuffer_, "HEADER: [%s][%d %d %d]", tag, header_.headerWord1,
                      header_.entryCount, header_.headerWord3);
        writeLine();
        std::snprintf(lineBuffer_, sizeof lineBuffer_, "%s", SEPARATOR);
        writeLine();
        position_ = HEADER_SIZE;
        // A table without entries has its strings right after the header.
        state_ = header_.entryCount == 0 ? ParseState::Strings : ParseState::Entry;
    }

    while (position_ < limit_) {
        if (!step(false)) break;  // a record longer than what is left waits for the next block
    }

    carryLength_ = position_ < bufferLength_ ? bufferLength_ - position_ : 0;
    std::memset(carry_, 0, sizeof carry_);
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
        if (dumpStream_->close() != FS_CLOSED) ok = false;
        dumpStream_.reset();
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

void AssetDatParser::copyName(std::size_t at, std::size_t length) {
    nameLength_ = length;
    std::memset(name_, 0, sizeof name_);
    // A longer name is shown cut to the buffer; the record keeps its length.
    std::memcpy(name_, workBuffer_ + at, length < NAME_SIZE - 1 ? length : NAME_SIZE - 1);
}

// Every step checks that its whole record lies within the valid bytes before
// it reads it. At the final flush the tail is followed by at least 1024 zero
// bytes of the work buffer, more than the longest record, so it reads zeros.
bool AssetDatParser::entryStep(bool final) {
    const std::size_t p = position_;
    const std::size_t n = workBuffer_[p];
    if (!final && n + ENTRY_FIXED > bufferLength_ - p) return false;
    recordKind_ = 1;
    copyName(p + 1, n);
    std::memcpy(entryBlock_, workBuffer_ + p + 1 + n, sizeof entryBlock_);
    modelsLeft_ = static_cast<std::uint32_t>(entryBlock_[8]) | (static_cast<std::uint32_t>(entryBlock_[9]) << 8);
    // "ENTRY:  [%2d] %s [%d]"
    char* out = putText(lineBuffer_, "ENTRY:  [");
    out = putWidth2(out, n);
    out = putText(out, "] ");
    out = putText(out, name_);
    out = putText(out, " [");
    out = putInt(out, static_cast<std::int32_t>(modelsLeft_));
    *out++ = ']';
    lineLength_ = static_cast<std::size_t>(out - lineBuffer_);
    writeLine();
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
    recordKind_ = 2;
    copyName(p + 1, n);
    std::memcpy(modelBlock_, workBuffer_ + p + 1 + n, sizeof modelBlock_);
    char tag[5];
    shownTag(modelBlock_, tag);
    // " model  [%2d] %s  %s [%d %d]": modelWord2, then modelWord1
    char* out = putText(lineBuffer_, " model  [");
    out = putWidth2(out, n);
    out = putText(out, "] ");
    out = putText(out, tag);
    out = putText(out, "  ");
    out = putText(out, name_);
    out = putText(out, " [");
    out = putInt(out, getI32(modelBlock_ + 8));
    *out++ = ' ';
    out = putInt(out, getI32(modelBlock_ + 4));
    *out++ = ']';
    lineLength_ = static_cast<std::size_t>(out - lineBuffer_);
    writeLine();
    if (modelsLeft_ > 0) --modelsLeft_;
    if (modelsLeft_ == 0)
        state_ = entriesSeen_ == static_cast<std::uint32_t>(header_.entryCount) ? ParseState::Strings : ParseState::Entry;
    position_ = p + n + MODEL_FIXED;
    return true;
}

bool AssetDatParser::stringStep(bool final) {
    const std::size_t p = position_;
    if (stringSectionOffset_ == 0) stringSectionOffset_ = static_cast<std::int32_t>(consumed_ + static_cast<std::int64_t>(p));
    const unsigned char next = workBuffer_[p + 1];
    const std::size_t n = workBuffer_[p];
    if (next <= 2 || n <= 2) {
        position_ = p + 1;
        return true;
    }
    if (!final && n + 1 > bufferLength_ - p) return false;
    std::memset(stringRecord_, 0, sizeof stringRecord_);
    stringRecord_[0] = static_cast<char>(n);
    std::memcpy(stringRecord_ + 1, workBuffer_ + p + 1, n < STRING_SIZE - 2 ? n : STRING_SIZE - 2);
    // The ".w3d" test looks at the whole stored text, up to a zero byte.
    const char* text = reinterpret_cast<const char*>(workBuffer_ + p + 1);
    std::size_t visible = strnlen(text, n);
    bool model = false;
    for (std::size_t i = 0; i + 4 <= visible && !model; ++i) model = std::memcmp(text + i, ".w3d", 4) == 0;
    // "STRING: [%d] %s" for a text naming a model file, " string [%d] %s" else
    char* out = putText(lineBuffer_, model ? "STRING: [" : " string [");
    out = putInt(out, static_cast<std::int32_t>(n));
    out = putText(out, "] ");
    out = putText(out, stringRecord_ + 1);
    lineLength_ = static_cast<std::size_t>(out - lineBuffer_);
    writeLine();
    position_ = p + n + 1;
    return true;
}
