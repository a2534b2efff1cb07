// Writes the sample data of the sample run and the benchmarks with the
// project's own writers:
//   modtools_samples csf FOLDER                 sample.csf and append.cfg
//   modtools_samples csf-bench FILE LABELS      a table of LABELS labels
//   modtools_samples asset FOLDER               first.dat and second.dat
//   modtools_samples asset-bench FILE MEGABYTES an index file of that size
//   modtools_samples tree FOLDER FILES BYTES    a deterministic tree of FILES
//       files of BYTES bytes in all, mixed sizes with a few large files
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AssetFixture.h"
#include "CsfFixture.h"
#include "platform/Platform.h"

namespace {

bool writeBytes(const std::string& path, const std::string& bytes) {
    std::FILE* f = platform::openFile(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

int csfSample(const std::string& folder) {
    std::vector<CsfFixtureLabel> labels = {
        csfLabel("GUI:Start", "Start the campaign"),
        csfLabel("GUI:Quit", "Quit to the desktop"),
        csfLabel("GUI:Options", "Options"),
        csfLabel("UNIT:Archer", "Archer: a ranged unit"),
        csfLabel("UNIT:Knight", "Knight: \xE9lite mounted unit"),
    };
    CsfFixtureLabel greek;
    greek.name = "LANG:Greeting";
    greek.texts.push_back({u"\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1"});
    labels.push_back(greek);
    CsfFixtureLabel spoken;
    spoken.name = "SPEECH:Hail";
    CsfFixtureText text;
    text.units = latin1Units("Hail, friend!");
    text.wide = true;
    text.extra = "hail_01";
    spoken.texts.push_back(text);
    labels.push_back(spoken);
    CsfFixtureLabel empty;
    empty.name = "GUI:Blank";
    labels.push_back(empty);
    const std::string table = folder + "/sample.csf";
    const std::string config = folder + "/append.cfg";
    if (!writeBytes(table, csfTableBytes(labels)) ||
        !writeBytes(config,
                    "# Labels appended into NEW_sample.csf\n"
                    "AppendList = {MSG*}\n"
                    "MSG001 = {LABEL:ONE,First appended text}\n"
                    "MSG002 = {LABEL:TWO,Second appended text}\n")) {
        std::fprintf(stderr, "modtools_samples: cannot write the sample files into %s\n", folder.c_str());
        return 1;
    }
    std::printf("wrote %s (%zu labels) and %s\n", table.c_str(), labels.size(), config.c_str());
    return 0;
}

int csfBench(const std::string& path, int labels) {
    if (!writeBytes(path, csfBenchTable(labels))) {
        std::fprintf(stderr, "modtools_samples: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

int assetSample(const std::string& folder) {
    AssetSampleInfo first, second;
    const std::string a = folder + "/first.dat";
    const std::string b = folder + "/second.dat";
    if (!writeAssetSample(a, 6000, 1, 40, &first) || !writeAssetSample(b, 3500, 2, 25, &second)) {
        std::fprintf(stderr, "modtools_samples: cannot write the sample files into %s\n", folder.c_str());
        return 1;
    }
    std::printf("wrote %s (%lld bytes, %d entries) and %s (%lld bytes, %d entries)\n", a.c_str(),
                static_cast<long long>(first.size), first.entries, b.c_str(), static_cast<long long>(second.size),
                second.entries);
    return 0;
}

// Deterministic content: a xorshift stream.
struct Noise {
    std::uint64_t state;
    void fill(std::vector<char>& buffer, std::size_t n) {
        for (std::size_t i = 0; i + 8 <= n; i += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            std::memcpy(buffer.data() + i, &state, 8);
        }
    }
};

int makeTree(const char* folder, long files, unsigned long long bytes) {
    if (files < 1) return 2;
    // A few large files take 40% of the bytes (when there is room), the rest
    // is spread over the others with weights from 1 to 64.
    const long large = files >= 100 ? 4 : 0;
    const unsigned long long largeBytes = large ? bytes / 10 * 4 : 0;
    static const unsigned weights[] = {1, 2, 1, 4, 8, 1, 16, 3, 64, 2};
    unsigned long long weightSum = 0;
    for (long i = large; i < files; ++i) weightSum += weights[i % 10];
    const unsigned long long restBytes = bytes - largeBytes;

    std::vector<char> buffer(1 << 20);
    Noise noise{0x9E3779B97F4A7C15ull};
    std::string lastFolder;
    for (long i = 0; i < files; ++i) {
        unsigned long long size = i < large ? largeBytes / large : restBytes * weights[i % 10] / weightSum;
        char relative[96];
        const char* ext = i % 17 == 0 ? "ini" : i % 19 == 0 ? "str" : "bin";
        std::snprintf(relative, sizeof relative, "d%02ld\\s%03ld", (i / 2000) % 100, (i / 100) % 1000);
        std::string dir = std::string(folder) + "\\" + relative;
        if (dir != lastFolder) {
            if (platform::createFolderTree(dir.c_str()) == platform::FolderResult::FAILED) {
                std::fprintf(stderr, "cannot create %s\n", dir.c_str());
                return 1;
            }
            lastFolder = dir;
        }
        char name[32];
        std::snprintf(name, sizeof name, "\\f%06ld.%s", i, ext);
        std::FILE* f = platform::openFile((dir + name).c_str(), "wb");
        if (!f) {
            std::fprintf(stderr, "cannot create %s%s\n", dir.c_str(), name);
            return 1;
        }
        for (unsigned long long left = size; left > 0;) {
            std::size_t chunk = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
            noise.fill(buffer, chunk);
            std::fwrite(buffer.data(), 1, chunk, f);
            left -= chunk;
        }
        std::fclose(f);
    }
    std::printf("%ld files, %llu bytes below %s\n", files, bytes, folder);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "csf" && argc == 3) return csfSample(argv[2]);
    if (command == "csf-bench" && argc == 4) return csfBench(argv[2], std::atoi(argv[3]));
    if (command == "asset" && argc == 3) return assetSample(argv[2]);
    if (command == "asset-bench" && argc == 4)
        return writeAssetSample(argv[2], std::atoll(argv[3]) * 1024 * 1024, 1, 40, nullptr) ? 0 : 1;
    if (command == "tree" && argc == 5) return makeTree(argv[2], std::atol(argv[3]), std::strtoull(argv[4], nullptr, 10));
    std::fprintf(stderr,
                 "usage: modtools_samples csf FOLDER | csf-bench FILE LABELS | asset FOLDER | asset-bench FILE MEGABYTES |"
                 " tree FOLDER FILES BYTES\n");
    return 2;
}
