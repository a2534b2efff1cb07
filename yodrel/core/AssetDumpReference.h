// The dump of an asset index file formatted the plain way: the whole input in
// memory, one record after another, every line put together with snprintf
// and std::string. Slow and straightforward; the tests and the fuzz target
// compare the parser's fast dump with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct ReferenceDump {
    std::string text;  // every line ended by '\n', as the parser formats it
    std::int32_t stringSectionOffset = 0;
};

// The dump of `size` bytes as the parser sees them when they are fed to it
// (an import feeds the file zero-filled to whole blocks). Bytes past the end
// read as zero; nothing at all gives no lines.
ReferenceDump referenceAssetDump(const unsigned char* bytes, std::size_t size);
