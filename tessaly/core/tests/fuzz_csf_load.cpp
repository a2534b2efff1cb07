// Loads arbitrary bytes as a string table, lists every label and exports the
// table with every other label marked.
#include <cstdint>
#include <cstdio>
#include <string>

#include "CsfArchive.h"
#include "platform/Platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = platform::tempFolder();
    static const std::string input = folder + "fuzz_csf_input.csf";
    static const std::string output = folder + "fuzz_csf_output.csf";
    std::FILE* f = platform::openFile(input.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    CsfArchive archive;
    archive.isCsfFile(input.c_str());
    archive.load(input.c_str());
    std::size_t total = 0;
    for (int i = 0; i < archive.recordCount(); ++i) {
        total += archive.labelText(i).size() + archive.quotedText(i).size() + archive.slotText(i, 1).size();
        archive.setExportFlag(i, i % 2);
    }
    archive.exportTo(input.c_str(), output.c_str());
    (void)total;
    return 0;
}
