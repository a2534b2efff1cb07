// Feeds arbitrary bytes to the asset parser and flushes the tail. An even
// first byte feeds 1024-byte blocks, the last one zero-filled, as an import
// does; an odd one feeds blocks of a length taken from the first two bytes,
// which moves every record across the block boundaries.
#include <cstdint>
#include <cstring>
#include <string>

#include "AssetDatParser.h"
#include "platform/Platform.h"

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
    return 0;
}
