// gathrix_scan FOLDER [FILTER] [--quiet]
// Scans FOLDER breadth first, through the filter list when one is given, and
// prints one line per file ("path size") and per folder ("path\"), then the
// totals. --quiet prints the totals only.
#include <cstdio>
#include <cstring>
#include <string>

#include "FolderScanner.h"

int main(int argc, char** argv) {
    const char* folder = nullptr;
    const char* filter = nullptr;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quiet") == 0)
            quiet = true;
        else if (!folder)
            folder = argv[i];
        else
            filter = argv[i];
    }
    if (!folder) {
        std::fprintf(stderr, "usage: gathrix_scan FOLDER [FILTER] [--quiet]\n");
        return 2;
    }
    FolderScanner scanner;
    if (!scanner.setStartFolder(folder)) {
        std::fprintf(stderr, "not a folder: %s\n", folder);
        return 1;
    }
    if (filter)
        scanner.scanFiltered(filter);
    else
        scanner.scanAll();
    scanner.reset();
    if (!quiet) {
        for (std::int32_t i = 0; i < scanner.fileCount(); ++i)
            std::printf("%s %lld\n", scanner.filePath(i).c_str(), static_cast<long long>(scanner.fileSize(i)));
        for (std::int32_t i = 0; i < scanner.folderCount(); ++i)
            std::printf("%s\\\n", scanner.folderPath(i).c_str());
    }
    std::printf("%d files, %d folders%s\n", scanner.fileCount(), scanner.folderCount(),
                scanner.limitReached() ? " (entry limit reached)" : "");
    return 0;
}
