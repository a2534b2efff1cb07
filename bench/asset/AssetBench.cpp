// Benchmark of the asset index core on generated index files of 50 MB:
// import with dump and publish, and the merge, timed against `cat` of the
// same inputs, with the process's peak memory after a small and after a
// large file. Prints its figures; it checks nothing about time.
//   asset_bench [MEGABYTES] [FOLDER]
//
// Every run starts alike: the file system has written out what earlier runs
// left (sync), and the run's output file does not exist yet, for the core's
// jobs and for `cat` the same. Replacing an existing file is timed on its own
// as well: a safe replacement (a new file moved over the old one) makes the
// file system start writing the new file out at once, which costs the same
// for any program that replaces files that way.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "AssetFixture.h"
#include "AssetWorkspace.h"
#include "platform/Platform.h"
#include "testkit/BenchTiming.h"

using benchkit::bestOf;
using benchkit::peakKb;

namespace {

void dumpOrDie(AssetWorkspace& workspace, int slot) {
    if (!workspace.importAssetFile(slot) || !workspace.publishDump(slot)) {
        std::fprintf(stderr, "asset_bench: %s\n", workspace.lastError().c_str());
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const long long megabytes = argc > 1 ? std::atoll(argv[1]) : 50;
    const std::string folder = argc > 2 ? std::string(argv[2]) + "/" : platform::tempFolder() + "asset_bench/";
    platform::createFolderTree(folder.c_str());
    const std::string small = folder + "small.dat";
    const std::string first = folder + "first.dat";
    const std::string second = folder + "second.dat";
    const std::string merged = folder + "merged.dat";
    const std::string catOut = folder + "cat.out";
    AssetSampleInfo info0, info1, infoSmall;
    if (!writeAssetSample(small, megabytes * 1024 * 1024 / 10, 3, 1, &infoSmall) ||
        !writeAssetSample(first, megabytes * 1024 * 1024, 1, 40, &info0) ||
        !writeAssetSample(second, megabytes * 1024 * 1024, 2, 25, &info1)) {
        std::fprintf(stderr, "asset_bench: cannot write the files into %s\n", folder.c_str());
        return 1;
    }
    const long peakStart = peakKb();

    AssetWorkspace workspace(folder);
    workspace.setImportPath(0, small);
    dumpOrDie(workspace, 0);
    const long peakSmall = peakKb();

    workspace.setImportPath(0, first);
    workspace.setImportPath(1, second);
    const std::string catFirst = "cat '" + first + "' > '" + catOut + "'";
    const std::string catBoth = "cat '" + first + "' '" + second + "' > '" + catOut + "'";
    auto removeFile = [](const std::string& path) { return [path] { platform::deleteFile(path.c_str()); }; };
    auto runCat = [](const std::string& command) {
        return [command] {
            if (std::system(command.c_str()) != 0) std::abort();
        };
    };
    const std::string dumpFile = folder + "ZZZ000_Asset.txt";
    // New output files.
    const double cat1 = bestOf(3, runCat(catFirst), removeFile(catOut));
    const double dump = bestOf(3, [&] { dumpOrDie(workspace, 0); }, removeFile(dumpFile));
    const long peakLarge = peakKb();
    // Replacing the outputs of the previous run.
    const double cat1Over = bestOf(3, runCat(catFirst));
    const double dumpOver = bestOf(3, [&] { dumpOrDie(workspace, 0); });
    dumpOrDie(workspace, 1);
    if (workspace.parser(0).stringSectionOffset() != info0.stringSectionOffset) {
        std::fprintf(stderr, "asset_bench: string section found at %d, written at %lld\n",
                     workspace.parser(0).stringSectionOffset(), static_cast<long long>(info0.stringSectionOffset));
        return 1;
    }
    workspace.setExportPath(merged);
    auto mergeOrDie = [&] {
        if (!workspace.exportMerge()) std::abort();
    };
    const double cat2 = bestOf(3, runCat(catBoth), removeFile(catOut));
    const double merge = bestOf(3, mergeOrDie, removeFile(merged));
    const double cat2Over = bestOf(3, runCat(catBoth));
    const double mergeOver = bestOf(3, mergeOrDie);

    std::printf("asset index files: %lld and %lld bytes (%d and %d entries, %d and %d strings)\n",
                static_cast<long long>(info0.size), static_cast<long long>(info1.size), info0.entries, info1.entries,
                info0.strings, info1.strings);
    std::printf("                     new output file              replacing the previous one\n");
    std::printf("cat first          %8.2f ms                    %8.2f ms\n", cat1, cat1Over);
    std::printf("dump first         %8.2f ms  %5.2fx cat        %8.2f ms  %5.2fx cat   (dump %lld bytes)\n", dump,
                dump / cat1, dumpOver, dumpOver / cat1Over,
                static_cast<long long>(platform::fileSize(workspace.dumpName(0).c_str())));
    std::printf("cat first second   %8.2f ms                    %8.2f ms\n", cat2, cat2Over);
    std::printf("merge              %8.2f ms  %5.2fx cat        %8.2f ms  %5.2fx cat   (result %lld bytes)\n", merge,
                merge / cat2, mergeOver, mergeOver / cat2Over,
                static_cast<long long>(platform::fileSize(merged.c_str())));
    std::printf("parser size        %zu bytes per slot\n", sizeof(AssetDatParser));
    std::printf("peak memory        %ld KB before, %ld KB after a %lld-byte dump, %ld KB after %lld-byte dumps\n",
                peakStart, peakSmall, static_cast<long long>(infoSmall.size), peakLarge,
                static_cast<long long>(info0.size));
    for (const std::string& path : {small, first, second, merged, catOut, workspace.dumpName(0), workspace.dumpName(1)})
        platform::deleteFile(path.c_str());
    return 0;
}
