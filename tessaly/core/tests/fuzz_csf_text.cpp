// Reads arbitrary bytes as the text form of a string table. Whatever the
// reader accepts must load as a table whose text form gives the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CsfArchive.h"
#include "CsfText.h"
#include "platform/Platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = platform::tempFolder() + "fuzz_csf_text.csf";
    std::string table;
    CsfTextError error;
    if (!csfFromText(reinterpret_cast<const char*>(data), size, table, error)) {
        if (error.line == 0 || error.reason.empty() || !table.empty()) std::abort();
        return 0;
    }
    std::FILE* f = platform::openFile(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(table.data(), 1, table.size(), f);
    std::fclose(f);
    CsfArchive archive;
    if (!archive.load(path.c_str())) std::abort();
    std::string text, again;
    csfToText(archive, text);
    if (!csfFromText(text.data(), text.size(), again, error) || again != table) std::abort();
    return 0;
}
