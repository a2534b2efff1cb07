// crandle_big: a command-line driver of BigArchive for the sample run and the
// benchmark.
//   crandle_big create FOLDER ARCHIVE     collect FOLDER and write ARCHIVE
//   crandle_big list ARCHIVE              one line per entry
//   crandle_big extract ARCHIVE FOLDER    extract every entry below FOLDER
//   crandle_big maketree FOLDER FILES BYTES
//       writes a deterministic tree of FILES files of BYTES bytes in all,
//       mixed sizes with a few large files, for samples and benchmarks
// Exit status 0 on success, 1 when the archive work failed or reported
// problems, 2 on a usage error.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BigArchive.h"
#include "platform/Platform.h"

namespace {

int create(const char* folder, const char* archivePath) {
    BigArchive big;
    BigStatus collected = big.collectFolder(folder);
    if (collected != BigStatus::OK) {
        std::printf("collect failed: %s %s\n", bigStatusText(collected), big.collectProblemPath().c_str());
        return 1;
    }
    if (big.collectLimitReached()) std::printf("warning: the entry limit stopped the walk early\n");
    WriteReport report = big.writeArchive(archivePath);
    for (const EntryReport& p : report.problems) std::printf("problem: %s: %s\n", p.name.c_str(), entryProblemText(p.problem));
    std::printf("%s: %d entries, %u bytes -> %s\n", bigStatusText(report.status), report.entriesWritten,
                static_cast<unsigned>(big.archiveSize()), archivePath);
    return report.status == BigStatus::OK && report.problems.empty() ? 0 : 1;
}

int list(const char* archivePath) {
    BigArchive big;
    if (!big.isBigFile(archivePath) || !big.openArchive(archivePath)) {
        std::printf("not a BIG archive: %s\n", archivePath);
        return 1;
    }
    for (std::int32_t i = 0; i < big.countEntries(); ++i)
        std::printf("Name: %s   (Size: %s)\n", big.entryName(i), big.entrySizeText(i));
    if (big.directoryTruncated()) std::printf("warning: the directory ends early\n");
    return 0;
}

int extract(const char* archivePath, const char* folder) {
    BigArchive big;
    if (!big.isBigFile(archivePath)) {
        std::printf("not a BIG archive: %s\n", archivePath);
        return 1;
    }
    ExtractReport report = big.extractSelected(archivePath, folder);
    if (!report.archiveOpened) {
        std::printf("cannot open %s\n", archivePath);
        return 1;
    }
    for (const EntryReport& p : report.problems) std::printf("skipped: %s: %s\n", p.name.c_str(), entryProblemText(p.problem));
    std::printf("%d written, %d unsafe names skipped, %d too long skipped, %d failed -> %s\n", report.written,
                report.skippedUnsafe, report.skippedTooLong, report.failed, folder);
    return report.problems.empty() ? 0 : 1;
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
            int made = platform::createFolderTree(dir.c_str());
            if (made != 0 && made != platform::FOLDER_EXISTS) {
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
    int result = 2;
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "create" && argc == 4)
        result = create(argv[2], argv[3]);
    else if (command == "list" && argc == 3)
        result = list(argv[2]);
    else if (command == "extract" && argc == 4)
        result = extract(argv[2], argv[3]);
    else if (command == "maketree" && argc == 5)
        result = makeTree(argv[2], std::atol(argv[3]), std::strtoull(argv[4], nullptr, 10));
    else
        std::fprintf(stderr,
                     "usage: crandle_big create FOLDER ARCHIVE | list ARCHIVE | extract ARCHIVE FOLDER |"
                     " maketree FOLDER FILES BYTES\n");
    return result;
}
