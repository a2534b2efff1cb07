// Reads arbitrary bytes as a PO file. A refusal names a line and builds
// nothing; a table built from what the reader accepts must come back the
// same through its own PO file, both without a base and over itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "CsfArchive.h"
#include "CsfPo.h"
#include "platform/Platform.h"

namespace {

std::string build(const std::string& po, const CsfArchive* base) {
    std::vector<CsfPoEntry> entries;
    CsfPoError error;
    std::string table;
    if (!csfReadPo(po.data(), po.size(), entries, error) || !csfFromPo(entries, base, table, error)) std::abort();
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = platform::tempFolder() + "fuzz_csf_po.csf";
    std::vector<CsfPoEntry> entries;
    CsfPoError error;
    std::string table;
    if (!csfReadPo(reinterpret_cast<const char*>(data), size, entries, error)) {
        if (error.line == 0 || error.reason.empty() || !entries.empty()) std::abort();
        return 0;
    }
    if (!csfFromPo(entries, nullptr, table, error)) {
        if (error.line == 0 || error.reason.empty() || !table.empty()) std::abort();
        return 0;
    }
    std::FILE* f = platform::openFile(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(table.data(), 1, table.size(), f);
    std::fclose(f);
    CsfArchive archive;
    if (!archive.load(path.c_str())) std::abort();
    std::string po;
    std::vector<CsfPoOmission> omitted;
    csfToPo(archive, nullptr, "fuzz", po, omitted);
    if (!omitted.empty() || build(po, nullptr) != table || build(po, &archive) != table) std::abort();
    return 0;
}
