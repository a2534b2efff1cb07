// Benchmark of the string table core on a generated table of 200,000
// labels: load, export with a few rows marked and the text listing, timed
// against reading the file once and against `cat` of the same file, with the
// process's peak memory. Prints its figures; it checks nothing about time.
//   csf_bench [LABELS] [FOLDER]
//   csf_bench load TABLE
// The second form loads one table whole, as Tessaly's Import does, in a
// process of its own, and prints its label count: the work of the dialog's
// core, natively, for the dialog benchmark to time against.
//
// Every run starts alike: the file system has written out what earlier runs
// left (sync), and the export's target does not exist yet. Exporting over
// the previous export is timed on its own as well: a safe replacement (a new
// file moved over the old one) makes the file system start writing the new
// file out at once, which costs the same for any program that replaces files
// that way.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "CsfArchive.h"
#include "CsfFixture.h"
#include "CsfListing.h"
#include "platform/Platform.h"
#include "testkit/BenchTiming.h"

using benchkit::bestOf;
using benchkit::peakKb;

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "load") {
        CsfArchive archive;
        if (!archive.load(argv[2])) {
            std::fprintf(stderr, "csf_bench: cannot load %s\n", argv[2]);
            return 1;
        }
        std::printf("%d labels\n", archive.recordCount());
        return 0;
    }
    const int labels = argc > 1 ? std::atoi(argv[1]) : 200000;
    const std::string folder = argc > 2 ? std::string(argv[2]) + "/" : platform::tempFolder();
    const std::string table = folder + "csf_bench_table.csf";
    const std::string exported = folder + "csf_bench_export.csf";
    const std::string listing = folder + "csf_bench_listing.txt";
    const std::string catOut = folder + "csf_bench_cat.out";

    {
        const std::string bytes = csfBenchTable(labels);
        std::FILE* f = platform::openFile(table.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "csf_bench: cannot write %s\n", table.c_str());
            return 1;
        }
    }
    const long long size = platform::fileSize(table.c_str());
    const long peakBefore = peakKb();

    std::vector<char> once;
    const double readOnce = bestOf(5, [&] {
        std::FILE* f = platform::openFile(table.c_str(), "rb");
        once.assign(static_cast<std::size_t>(size), 0);
        std::size_t got = std::fread(once.data(), 1, once.size(), f);
        std::fclose(f);
        if (got != once.size()) std::abort();
    });
    once.clear();
    once.shrink_to_fit();
    const std::string catCommand = "cat '" + table + "' > '" + catOut + "'";
    const double cat = bestOf(
        5, [&] {
            if (std::system(catCommand.c_str()) != 0) std::abort();
        },
        [&] { platform::deleteFile(catOut.c_str()); });

    CsfArchive archive;
    const double load = bestOf(5, [&] {
        if (!archive.load(table.c_str()) || archive.recordCount() != labels) std::abort();
    });
    auto exportMarked = [&] {
        for (int i = 0; i < archive.recordCount(); ++i) archive.setExportFlag(i, i % 40000 == 7 ? 0 : 1);
        if (!archive.exportTo(table.c_str(), exported.c_str())) std::abort();
    };
    const double exportTime = bestOf(5, exportMarked, [&] { platform::deleteFile(exported.c_str()); });
    const double exportOver = bestOf(5, exportMarked);
    const double listTime = bestOf(5, [&] {
        if (saveCsfListing(archive, table.c_str(), listing.c_str()) != ListingResult::SAVED) std::abort();
    });
    const long peakAfter = peakKb();

    std::printf("string table: %d labels, %lld bytes\n", labels, size);
    std::printf("read once      %8.2f ms\n", readOnce);
    std::printf("cat            %8.2f ms\n", cat);
    std::printf("load           %8.2f ms  %5.2fx read once\n", load, load / readOnce);
    std::printf("export (5 marked) %5.2f ms  %5.2fx read once  %5.2fx cat (a new file)\n", exportTime,
                exportTime / readOnce, exportTime / cat);
    std::printf("export over the last %5.2f ms  %5.2fx read once  %5.2fx cat (replacing the previous export)\n",
                exportOver, exportOver / readOnce, exportOver / cat);
    std::printf("listing        %8.2f ms  %5.2fx cat (listing %lld bytes)\n", listTime, listTime / cat,
                static_cast<long long>(platform::fileSize(listing.c_str())));
    std::printf("peak memory    %ld KB before the runs, %ld KB after (table held once: %lld KB)\n", peakBefore,
                peakAfter, size / 1024);
    for (const std::string& path : {table, exported, listing, catOut}) platform::deleteFile(path.c_str());
    return 0;
}
