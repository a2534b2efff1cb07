// Builds asset index files as bytes, for tests, benchmarks and the sample
// run. Every count can be set to any value, wrong ones included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct AssetFixtureModel {
    std::string name;
    std::string storedTag = "HSEM";  // four bytes as stored (letters reversed)
    std::int32_t word1 = 0;
    std::int32_t word2 = 0;
};

struct AssetFixtureEntry {
    std::string name;
    std::string data = std::string(8, '\0');  // eight bytes
    std::vector<AssetFixtureModel> models;
    std::optional<std::uint16_t> modelCountField;  // unset: the real number
};

struct AssetFixtureHeader {
    std::string tag = "AIDX";
    std::int32_t headerWord1 = 1;
    std::optional<std::int32_t> entryCount;  // unset: the real number
    std::int32_t headerWord3 = 0;
};

std::string assetHeaderBytes(const AssetFixtureHeader& header, std::size_t entries);
std::string assetEntryBytes(const AssetFixtureEntry& entry);  // the entry and its models
std::string assetModelBytes(const AssetFixtureModel& model);
// One string-pool record: a length byte and the text.
std::string assetStringBytes(const std::string& text);
std::string assetFileBytes(const AssetFixtureHeader& header, const std::vector<AssetFixtureEntry>& entries,
                           const std::string& stringSection);

// What writeAssetSample wrote.
struct AssetSampleInfo {
    std::int64_t size = 0;
    std::int32_t entries = 0;
    std::int32_t models = 0;
    std::int32_t strings = 0;
    std::int64_t stringSectionOffset = 0;
};

// Writes a plausible index file of about `bytes` bytes (entries with models,
// then a string pool naming them), streaming, so memory stays small. The
// seed varies names and counts. False when the file cannot be written.
bool writeAssetSample(const std::string& path, std::int64_t bytes, unsigned seed, std::int32_t headerWord3,
                      AssetSampleInfo* info);
