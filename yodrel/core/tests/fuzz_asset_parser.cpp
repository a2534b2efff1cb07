// Feeds arbitrary bytes to the asset parser and flushes the tail. An even
// first byte feeds 1024-byte blocks, the last one zero-filled, as an import
// does, and then feeds the same blocks again in groups to a second parser,
// whose dump and string-section offset must be the same; an odd one feeds
// blocks of a length taken from the first two bytes, which moves every
// record across the block boundaries. Every dump must equal the plain
// formatter's dump of the bytes fed (blocks of fewer than 16 bytes, which an
// import never feeds, split the header and are not compared).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AssetDatParser.h"
#include "AssetDumpReference.h"
#include "platform/Platform.h"

namespace {

std::string contents(const std::string& path) {
    std::string bytes;
    std::FILE* f = platform::openFile(path.c_str(), "rb");
    if (!f) return bytes;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = platform::tempFolder();
    AssetDatParser parser;
    if (!parser.reset(77, folder)) return 0;
    std::size_t step = AssetDatParser::BLOCK_SIZE;
    bool padded = true;
    if (size >= 2 && (data[0] & 1) != 0) {
        step = 1 + ((static_cast<std::size_t>(data[0]) << 8 | data[1]) % AssetDatParser::BLOCK_SIZE);
        padded = false;
    }
    unsigned char block[AssetDatParser::BLOCK_SIZE];
    for (std::size_t offset = 0; offset < size; offset += step) {
        std::memset(block, 0, sizeof block);
        std::size_t n = size - offset < step ? size - offset : step;
        std::memcpy(block, data + offset, n);
        parser.feedBlock(block, padded ? step : n);
    }
    parser.finish();
    std::vector<unsigned char> blocks((size + 1023) / 1024 * 1024, 0);
    if (size > 0) std::memcpy(blocks.data(), data, size);
    if (padded || step >= AssetDatParser::HEADER_SIZE) {
        const ReferenceDump plain = padded ? referenceAssetDump(blocks.data(), blocks.size())
                                           : referenceAssetDump(data, size);
        if (contents(parser.tempName()) != plain.text || parser.stringSectionOffset() != plain.stringSectionOffset)
            std::abort();
    }
    if (!padded || size == 0) return 0;

    AssetDatParser grouped;
    if (!grouped.reset(78, folder)) return 0;
    const std::size_t count = blocks.size() / 1024;
    const std::size_t group = 1 + (size > 1 ? data[1] % 7 : 0);
    for (std::size_t b = 0; b < count; b += group)
        grouped.feedBlocks(blocks.data() + b * 1024, count - b < group ? count - b : group);
    grouped.finish();
    if (grouped.stringSectionOffset() != parser.stringSectionOffset() ||
        contents(grouped.tempName()) != contents(parser.tempName()))
        std::abort();
    return 0;
}
