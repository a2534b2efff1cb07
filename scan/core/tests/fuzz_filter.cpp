// Fuzzes the filter parser and the matcher: the input is a filter text, a
// line end, and a file name.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FolderScanner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t cut = input.find('\n');
    std::string filter = input.substr(0, cut);
    std::string name = cut == std::string::npos ? std::string() : input.substr(cut + 1);
    FolderScanner scanner;
    scanner.parseFilterList(filter.c_str());
    for (const FilterToken& filter : scanner.tokens()) {
        const std::int32_t kind = static_cast<std::int32_t>(filter.kind);
        if (kind < static_cast<std::int32_t>(FilterKind::ANY) || kind > static_cast<std::int32_t>(FilterKind::NAME_EXT) ||
            filter.nameLength != static_cast<std::int32_t>(filter.name.size()))
            __builtin_trap();
    }
    volatile bool matched = scanner.matches(name.c_str());
    (void)matched;
    return 0;
}
