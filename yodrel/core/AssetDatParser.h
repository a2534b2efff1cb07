// The streaming parser of the asset index file, and its text dump.
//
// File layout (integers little-endian, no padding):
//   header   16 bytes: tag (4 characters), headerWord1, entryCount, headerWord3
//   entries  entryCount times: nameLength (u8), name, 8 bytes of entry data,
//            modelCount (u16), then modelCount model records:
//            nameLength (u8), name, type tag (4 bytes, letters reversed),
//            modelWord1, modelWord2 (int32)
//   strings  from the byte after the last model to the end of the file:
//            length-prefixed texts among other bytes
//
// The file is fed in 1024-byte blocks. Each block is parsed in a 1380-byte
// work buffer behind the unparsed tail of the previous one; a record is only
// started while at least 256 bytes remain, and one that is longer than what
// remains waits for the next block, so every record is parsed whole. Runs of
// whole blocks may be handed over at once and are then parsed where they lie,
// with the same result. Every record becomes one line of the dump, which a
// background writer writes while the next lines are formatted. Memory is
// fixed whatever the file size. The sizes below depend on one another (the
// reserve covers what a step reads, the carry the tail a block leaves); the
// parser's source states each relation as a static_assert.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "FilePtr.h"

enum class ParseState { HEADER, ENTRY, MODEL, STRINGS };

struct AssetHeader {
    char tag[4] = {0, 0, 0, 0};
    std::int32_t headerWord1 = 0;
    std::int32_t entryCount = 0;
    std::int32_t headerWord3 = 0;
};

class BackgroundWriter;

class AssetDatParser {
public:
    static constexpr std::size_t BLOCK_SIZE = 1024;
    static constexpr std::size_t RESERVE = 256;
    static constexpr std::size_t WORK_SIZE = 1380;
    static constexpr std::size_t CARRY_SIZE = WORK_SIZE - BLOCK_SIZE;
    static constexpr std::size_t SHOWN_SIZE = 63;      // characters of a name or text shown
    static constexpr std::size_t LINE_SIZE = 128;      // longer than the longest line
    static constexpr std::size_t HEADER_SIZE = 16;

    AssetDatParser();
    AssetDatParser(const AssetDatParser&) = delete;
    AssetDatParser& operator=(const AssetDatParser&) = delete;
    ~AssetDatParser();

    // Starts over: clears every buffer and count, and opens the temporary
    // dump "USER_ASSET%02d.tmp" (tempNumber) in workFolder, truncating it.
    // False when the dump cannot be opened; the parser then writes no lines.
    bool reset(int tempNumber, const std::string& workFolder);
    // Parses one block (at most 1024 bytes are taken).
    void feedBlock(const unsigned char* block, std::size_t length);
    // Parses `count` whole consecutive 1024-byte blocks: the same as feeding
    // them one by one, without copying each through the work buffer.
    void feedBlocks(const unsigned char* blocks, std::size_t count);
    // Parses the carried tail and closes the dump; false when a line could
    // not be written or the dump did not close cleanly.
    bool finish();

    // File offset of the string section, or 0 before it is reached.
    std::int32_t stringSectionOffset() const { return stringSectionOffset_; }
    ParseState state() const { return state_; }
    const AssetHeader& header() const { return header_; }
    const std::string& tempName() const { return tempName_; }
    std::uint32_t entriesSeen() const { return entriesSeen_; }
    std::size_t carryLength() const { return carryLength_; }

    // The shown name of a stored type tag: the first three bytes are compared
    // with the reversed forms; an unknown tag is shown as its four bytes.
    static void shownTag(const unsigned char stored[4], char shown[5]);

private:
    // Writes the shown tag (not terminated) and gives its length.
    static std::size_t putTag(char* out, const unsigned char stored[4]);
    std::size_t parseSteps(const unsigned char* buffer, std::size_t valid, std::size_t limit, std::size_t p,
                           std::int64_t base, bool final);
    // Room for the next line in the output buffer; flushes when it is short.
    char* lineStart();
    void lineEnd(char* end);
    void flushOutput();
    void closeDump();

    ParseState state_ = ParseState::HEADER;
    AssetHeader header_;
    unsigned char workBuffer_[WORK_SIZE] = {0};
    unsigned char carry_[CARRY_SIZE] = {0};
    std::size_t carryLength_ = 0;
    std::size_t position_ = 0;
    std::size_t bufferLength_ = 0;
    std::size_t limit_ = 0;
    std::int64_t consumed_ = 0;
    std::uint32_t entriesSeen_ = 0;
    std::uint32_t modelsLeft_ = 0;
    std::int32_t stringSectionOffset_ = 0;
    std::string tempName_;
    FilePtr dumpStream_;
    // Lines are formatted straight into a buffer of the writer, which writes
    // full buffers on its own thread; it always keeps room for one more line.
    // Without a dump they go to the scratch buffer and are dropped.
    std::unique_ptr<BackgroundWriter> writer_;
    char discard_[4 * LINE_SIZE] = {0};
    char* output_;
    std::size_t outputCapacity_;
    std::size_t outputLength_ = 0;
    bool writeFailed_ = false;
};
