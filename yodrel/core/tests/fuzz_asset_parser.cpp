// Feeds arbitrary bytes to the asset parser in 1024-byte blocks, the last one
// zero-filled, as an import does, and then flushes the tail.
#include <cstdint>
#include <cstring>
#include <string>

#include "AssetDatParser.h"
#include "platform/Platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = platform::tempFolder();
    AssetDatParser parser;
    if (!parser.reset(77, folder)) return 0;
    unsigned char block[AssetDatParser::BLOCK_SIZE];
    for (std::size_t offset = 0; offset < size; offset += sizeof block) {
        std::memset(block, 0, sizeof block);
        std::size_t n = size - offset < sizeof block ? size - offset : sizeof block;
        std::memcpy(block, data + offset, n);
        parser.feedBlock(block, sizeof block);
    }
    parser.finish();
    return 0;
}
