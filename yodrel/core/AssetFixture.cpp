#include "AssetFixture.h"

#include <cstdio>

#include "ByteOrder.h"
#include "platform/Platform.h"

namespace {
std::string fourBytes(const std::string& text) {
    std::string out = text.substr(0, 4);
    out.resize(4, '\0');
    return out;
}
}  // namespace

std::string assetHeaderBytes(const AssetFixtureHeader& header, std::size_t entries) {
    std::string out = fourBytes(header.tag);
    le::appendU32(out, static_cast<std::uint32_t>(header.headerWord1));
    le::appendU32(out, static_cast<std::uint32_t>(header.entryCount.value_or(static_cast<std::int32_t>(entries))));
    le::appendU32(out, static_cast<std::uint32_t>(header.headerWord3));
    return out;
}

std::string assetModelBytes(const AssetFixtureModel& model) {
    std::string out(1, static_cast<char>(model.name.size()));
    out += model.name;
    out += fourBytes(model.storedTag);
    le::appendU32(out, static_cast<std::uint32_t>(model.word1));
    le::appendU32(out, static_cast<std::uint32_t>(model.word2));
    return out;
}

std::string assetEntryBytes(const AssetFixtureEntry& entry) {
    std::string out(1, static_cast<char>(entry.name.size()));
    out += entry.name;
    std::string data = entry.data.substr(0, 8);
    data.resize(8, '\0');
    out += data;
    le::appendU16(out, entry.modelCountField.value_or(static_cast<std::uint16_t>(entry.models.size())));
    for (const AssetFixtureModel& model : entry.models) out += assetModelBytes(model);
    return out;
}

std::string assetStringBytes(const std::string& text) {
    return std::string(1, static_cast<char>(text.size())) + text;
}

std::string assetFileBytes(const AssetFixtureHeader& header, const std::vector<AssetFixtureEntry>& entries,
                           const std::string& stringSection) {
    std::string out = assetHeaderBytes(header, entries.size());
    for (const AssetFixtureEntry& entry : entries) out += assetEntryBytes(entry);
    return out + stringSection;
}

bool writeAssetSample(const std::string& path, std::int64_t bytes, unsigned seed, std::int32_t headerWord3,
                      AssetSampleInfo* info) {
    static const char* const TAGS[] = {"HSEM", "REIH", "DOLH", "MINA", "TRAP", "XOB ", "XET "};
    static const char* const KINDS[] = {"tree", "rock", "wall", "tower", "horse", "banner", "cart", "gate"};
    std::uint32_t state = seed * 2654435761u + 1;
    auto next = [&state]() {
        state = state * 1103515245u + 12345u;
        return (state >> 8) & 0xFFFF;
    };
    AssetSampleInfo result;
    auto makeEntry = [&]() {
        AssetFixtureEntry entry;
        const char* kind = KINDS[next() % 8];
        entry.name = std::string("art/") + kind + "_" + std::to_string(result.entries) + ".w3d";
        for (char& c : entry.data) c = static_cast<char>(next());
        int models = 1 + static_cast<int>(next() % 4);
        for (int m = 0; m < models; ++m) {
            AssetFixtureModel model;
            model.name = std::string(kind) + std::to_string(result.entries) + "_m" + std::to_string(m);
            model.storedTag = TAGS[next() % 7];
            model.word1 = static_cast<std::int32_t>(next());
            model.word2 = static_cast<std::int32_t>(next() % 1000);
            entry.models.push_back(model);
        }
        result.models += models;
        ++result.entries;
        return assetEntryBytes(entry);
    };

    std::FILE* f = platform::openFile(path.c_str(), "wb");
    if (!f) return false;
    std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
    // Written in chunks so that memory stays small; the header's entry count
    // is filled in at the end.
    AssetFixtureHeader header;
    header.headerWord3 = headerWord3;
    std::string chunk = assetHeaderBytes(header, 0);
    std::int64_t written = 0;
    bool ok = true;
    auto flush = [&]() {
        ok = ok && std::fwrite(chunk.data(), 1, chunk.size(), f) == chunk.size();
        written += static_cast<std::int64_t>(chunk.size());
        chunk.clear();
    };
    // Entries take about three fifths of the file, the string pool the rest.
    const std::int64_t entryBytes = bytes * 3 / 5;
    while (written + static_cast<std::int64_t>(chunk.size()) < entryBytes || result.entries == 0) {
        chunk += makeEntry();
        if (chunk.size() >= (1u << 16)) flush();
    }
    flush();
    result.stringSectionOffset = written;
    // The string pool: texts naming files and others, each followed by a
    // 16-bit reference that the scan steps over.
    while (written + static_cast<std::int64_t>(chunk.size()) < bytes) {
        const char* kind = KINDS[next() % 8];
        std::string text = next() % 2 ? std::string("art/") + kind + "_" + std::to_string(next()) + ".w3d"
                                      : std::string("label_") + kind + "_" + std::to_string(next());
        chunk += assetStringBytes(text);
        le::appendU16(chunk, static_cast<std::uint16_t>(next() % 200));
        ++result.strings;
        if (chunk.size() >= (1u << 16)) flush();
    }
    flush();
    std::string count;
    le::appendU32(count, static_cast<std::uint32_t>(result.entries));
    ok = ok && std::fseek(f, 8, SEEK_SET) == 0 && std::fwrite(count.data(), 1, 4, f) == 4;
    if (std::fclose(f) != 0) ok = false;
    result.size = written;
    if (info) *info = result;
    return ok;
}
