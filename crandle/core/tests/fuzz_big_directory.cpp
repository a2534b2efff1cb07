// Fuzzes the directory reader: the input is an archive file. Every entry read
// is listed and its name judged for extraction.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "BigArchive.h"
#include "platform/Platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = platform::tempFolder() + "fuzz_big_directory.big";
    std::FILE* f = platform::openFile(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    BigArchive archive;
    archive.isBigFile(path.c_str());
    archive.openArchive(path.c_str());
    std::size_t total = 0;
    for (std::int32_t i = 0; i < archive.countEntries(); ++i) {
        total += std::strlen(archive.entryName(i)) + std::strlen(archive.entrySizeText(i));
        const BigEntry* e = archive.entry(i);
        if (e->name.size() > BigArchive::MAX_NAME) __builtin_trap();
        BigArchive::isSafeEntryName(e->name);
    }
    if (static_cast<std::size_t>(archive.countEntries()) > size) __builtin_trap();  // 9+ bytes per entry
    (void)total;
    return 0;
}
