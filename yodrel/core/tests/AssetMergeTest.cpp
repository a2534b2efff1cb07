// The file splicer and the merge of two imported index files.
#include <gtest/gtest.h>

#include <algorithm>

#include "AssetTestSupport.h"
#include "AssetWorkspace.h"
#include "BackgroundStream.h"
#include "FileSplicer.h"
#include "platform/Platform.h"

using namespace assettest;

namespace {

std::int32_t wordAt(const std::string& data, std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[offset + static_cast<std::size_t>(i)]);
    return static_cast<std::int32_t>(v);
}

// Names of the files in a folder.
std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    platform::DirectorySearch search;
    platform::FoundEntry found;
    for (bool more = search.first((folder + testkit::SEP + "*").c_str(), found); more; more = search.next(found))
        if (found.name != "." && found.name != "..") names.push_back(found.name);
    std::sort(names.begin(), names.end());
    return names;
}

struct TwoFiles {
    AssetFixtureHeader header0, header1;
    std::vector<AssetFixtureEntry> entries0, entries1;
    std::string strings0, strings1, file0, file1;
    TwoFiles() {
        header0.tag = "AIDX";
        header0.headerWord1 = 77;
        header0.headerWord3 = 40;
        header1.tag = "ZZZZ";
        header1.headerWord1 = 99;
        header1.headerWord3 = 25;
        for (int i = 0; i < 3; ++i)
            entries0.push_back(entry("first_" + std::to_string(i), {model("fm" + std::to_string(i), "HSEM", i, i)}));
        for (int i = 0; i < 2; ++i)
            entries1.push_back(entry("second_" + std::to_string(i), {model("sm", "XET ", i, 1), model("sn", "REIH", 0, 2)}));
        strings0 = assetStringBytes("art/first.w3d") + assetStringBytes("first label");
        strings1 = assetStringBytes("art/second.w3d") + assetStringBytes("second label");
        file0 = assetFileBytes(header0, entries0, strings0);
        file1 = assetFileBytes(header1, entries1, strings1);
    }
};

// A workspace whose two slots hold the two files, imported.
void importBoth(AssetWorkspace& workspace, const testkit::TempDir& dir, const TwoFiles& files) {
    testkit::writeFile(dir.file("first.dat"), files.file0);
    testkit::writeFile(dir.file("second.dat"), files.file1);
    workspace.setImportPath(0, dir.file("first.dat"));
    workspace.setImportPath(1, dir.file("second.dat"));
    ASSERT_TRUE(workspace.importAssetFile(0));
    ASSERT_TRUE(workspace.importAssetFile(1));
}

}  // namespace

TEST(FileSplicer, CopiesInFullBlocksAndARest) {
    testkit::TempDir dir;
    testkit::TempDir work;
    std::string data;
    for (int i = 0; i < 5000; ++i) data.push_back(static_cast<char>(i * 7 + i / 256));
    testkit::writeFile(dir.file("src.bin"), data);
    FileSplicer splicer(work.path() + testkit::SEP);
    splicer.addSource("");  // nothing added
    splicer.addSource(dir.file("src.bin").c_str());
    ASSERT_EQ(splicer.sources().size(), 1u);

    ASSERT_TRUE(splicer.cutHead(100, 2148, 0));
    EXPECT_EQ(splicer.lastFullBlocks(), 2);
    EXPECT_EQ(splicer.lastRemainder(), 0);
    ASSERT_TRUE(splicer.cutHead(3000, 4000, 0));
    EXPECT_EQ(splicer.lastFullBlocks(), 0);
    EXPECT_EQ(splicer.lastRemainder(), 1000);
    ASSERT_TRUE(splicer.cutTail(4500, 0));
    ASSERT_EQ(splicer.pieceCount(), 3u);
    EXPECT_EQ(splicer.pieces()[0].name, work.file("USER_FILE0001.tmp"));
    EXPECT_EQ(splicer.pieces()[0].size, 2048);
    EXPECT_EQ(testkit::readFile(splicer.pieces()[1].name), data.substr(3000, 1000));

    // Ranges outside the source make no piece; the counter is not spent.
    EXPECT_FALSE(splicer.cutHead(4000, 3000, 0));
    EXPECT_FALSE(splicer.cutHead(0, 6000, 0));
    EXPECT_FALSE(splicer.cutTail(6000, 0));
    EXPECT_FALSE(splicer.cutHead(0, 10, 1));  // no such source
    EXPECT_EQ(splicer.pieceCount(), 3u);

    const std::string target = dir.file("out.bin");
    testkit::writeFile(target, "old content that must not stay");
    ASSERT_TRUE(splicer.appendPiece(target.c_str(), 0));
    ASSERT_TRUE(splicer.appendPiece(target.c_str(), 2));
    EXPECT_FALSE(splicer.appendPiece(target.c_str(), 3));
    EXPECT_EQ(testkit::readFile(target), data.substr(100, 2048) + data.substr(4500));
    EXPECT_FALSE(testkit::fileExists(work.file("USER_FILE0001.tmp")));

    char head[4] = {0};
    ASSERT_TRUE(splicer.readAt(target.c_str(), head, 1, 5));
    EXPECT_EQ(std::string(head, 4), data.substr(101, 4));
    ASSERT_TRUE(splicer.writeAt(target.c_str(), "WXYZ", 0, 4));
    EXPECT_EQ(testkit::readFile(target).substr(0, 5), "WXYZ" + data.substr(104, 1));
    EXPECT_FALSE(splicer.readAt(dir.file("none.bin").c_str(), head, 0, 4));

    // The piece never appended is deleted by clearAll; counting goes on.
    splicer.clearAll();
    EXPECT_EQ(filesIn(work.path()), std::vector<std::string>{});
    EXPECT_EQ(splicer.pieceCount(), 0u);
    splicer.addSource(dir.file("src.bin").c_str());
    ASSERT_TRUE(splicer.cutTail(0, 0));
    EXPECT_EQ(splicer.pieces()[0].name, work.file("USER_FILE0004.tmp"));
}

TEST(FileSplicer, NumbersTheSecondMergesPiecesFromFive) {
    testkit::TempDir dir;
    testkit::TempDir work;
    testkit::writeFile(dir.file("a.bin"), std::string(3000, 'a'));
    testkit::writeFile(dir.file("b.bin"), std::string(2000, 'b'));
    FileSplicer splicer(work.path() + testkit::SEP);
    for (int merge = 0; merge < 2; ++merge) {
        splicer.clearAll();
        splicer.addSource(dir.file("a.bin").c_str());
        ASSERT_TRUE(splicer.cutHead(0, 1000, 0));
        ASSERT_TRUE(splicer.cutTail(1000, 0));
        splicer.addSource(dir.file("b.bin").c_str());
        ASSERT_TRUE(splicer.cutHead(16, 500, 1));
        ASSERT_TRUE(splicer.cutTail(500, 1));
        ASSERT_EQ(splicer.pieceCount(), 4u);
        for (std::size_t i = 0; i < 4; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "USER_FILE%04d.tmp", merge * 4 + static_cast<int>(i) + 1);
            EXPECT_EQ(splicer.pieces()[i].name, work.file(name));
        }
        for (std::size_t piece : {0u, 2u, 1u, 3u}) ASSERT_TRUE(splicer.appendPiece(dir.file("out.bin").c_str(), piece));
        EXPECT_EQ(testkit::readFile(dir.file("out.bin")),
                  std::string(1000, 'a') + std::string(484, 'b') + std::string(2000, 'a') + std::string(1500, 'b'));
    }
}

// Several cuts at once: the two sources are cut at the same time, yet the
// pieces are named and listed in the order given, their bytes are the ranges
// asked for, and a cut that cannot be made leaves no piece of the call.
TEST(FileSplicer, CutsSeveralPiecesAtOnceInTheOrderGiven) {
    testkit::TempDir dir;
    testkit::TempDir work;
    std::string a, b;
    for (int i = 0; i < 700000; ++i) a.push_back(static_cast<char>(i % 251));
    for (int i = 0; i < 500000; ++i) b.push_back(static_cast<char>(i % 241 + 7));
    testkit::writeFile(dir.file("a.bin"), a);
    testkit::writeFile(dir.file("b.bin"), b);
    FileSplicer splicer(work.path() + testkit::SEP);
    splicer.addSource(dir.file("a.bin").c_str());
    splicer.addSource(dir.file("b.bin").c_str());

    // One range beyond its source: nothing is cut and no number is spent.
    EXPECT_FALSE(splicer.cutPieces({PieceCut{0, 0, 1000, false}, PieceCut{1, 10, 500001, false}}));
    EXPECT_EQ(splicer.pieceCount(), 0u);
    EXPECT_EQ(filesIn(work.path()), std::vector<std::string>{});
    EXPECT_EQ(splicer.pieceCounter(), 0);

    ASSERT_TRUE(splicer.cutPieces({PieceCut{0, 0, 300001, false}, PieceCut{0, 300001, 0, true},
                                   PieceCut{1, 16, 123457, false}, PieceCut{1, 123457, 0, true}}));
    ASSERT_EQ(splicer.pieceCount(), 4u);
    const std::string expected[] = {a.substr(0, 300001), a.substr(300001), b.substr(16, 123441), b.substr(123457)};
    for (std::size_t i = 0; i < 4; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "USER_FILE%04d.tmp", static_cast<int>(i) + 1);
        EXPECT_EQ(splicer.pieces()[i].name, work.file(name));
        EXPECT_EQ(splicer.pieces()[i].size, static_cast<std::int64_t>(expected[i].size()));
        EXPECT_TRUE(testkit::readFile(splicer.pieces()[i].name) == expected[i]) << "piece " << i;
    }
    // The split of the last copy, the second file's tail.
    EXPECT_EQ(splicer.lastFullBlocks(), static_cast<std::int64_t>(expected[3].size() / 1024));
    EXPECT_EQ(splicer.lastRemainder(), static_cast<std::int64_t>(expected[3].size() % 1024));

    const std::string target = dir.file("out.bin");
    for (std::size_t piece : {0u, 2u, 1u, 3u}) ASSERT_TRUE(splicer.appendPiece(target.c_str(), piece));
    EXPECT_TRUE(testkit::readFile(target) == expected[0] + expected[2] + expected[1] + expected[3]);
    EXPECT_EQ(filesIn(work.path()), std::vector<std::string>{});

    // A piece that cannot be written (its name is taken by a folder): the
    // piece cut from the other source at the same time is removed again.
    splicer.clearAll();
    splicer.addSource(dir.file("a.bin").c_str());
    splicer.addSource(dir.file("b.bin").c_str());
    ASSERT_EQ(platform::createFolderTree(work.file("USER_FILE0006.tmp").c_str()), platform::FolderResult::CREATED);
    EXPECT_FALSE(splicer.cutPieces({PieceCut{0, 0, 1000, false}, PieceCut{1, 0, 0, true}}));
    EXPECT_EQ(splicer.pieceCount(), 0u);
    EXPECT_EQ(filesIn(work.path()), std::vector<std::string>{"USER_FILE0006.tmp"});
}

TEST(AssetMerge, JoinsHeadersEntriesAndStrings) {
    testkit::TempDir dir;
    testkit::TempDir work;
    TwoFiles files;
    AssetWorkspace workspace(work.path());
    importBoth(workspace, dir, files);
    const std::string target = dir.file("merged.dat");
    testkit::writeFile(target, std::string(100000, 'x'));  // replaced, never appended to
    workspace.setExportPath(target);
    ASSERT_TRUE(workspace.exportMerge()) << workspace.lastError();

    const std::string merged = testkit::readFile(target);
    EXPECT_EQ(merged.size(), files.file0.size() + files.file1.size() - 16);
    EXPECT_EQ(merged.substr(0, 8), files.file0.substr(0, 8));  // tag and headerWord1 of the first
    EXPECT_EQ(wordAt(merged, 8), 5);
    EXPECT_EQ(wordAt(merged, 12), 65);
    const std::size_t entries0 = files.file0.size() - files.strings0.size();
    const std::size_t entries1 = files.file1.size() - files.strings1.size();
    EXPECT_EQ(merged.substr(16), files.file0.substr(16, entries0 - 16) + files.file1.substr(16, entries1 - 16) +
                                     files.strings0 + files.strings1);

    // The merged file reads as one table of five entries.
    workspace.setImportPath(0, target);
    ASSERT_TRUE(workspace.importAssetFile(0));
    AssetFixtureHeader header = files.header0;
    header.entryCount = 5;
    header.headerWord3 = 65;
    std::vector<AssetFixtureEntry> all = files.entries0;
    all.insert(all.end(), files.entries1.begin(), files.entries1.end());
    std::vector<std::string> expected = expectedLines(header, all);
    for (const char* text : {"art/first.w3d", "first label", "art/second.w3d", "second label"})
        expected.push_back(stringLine(text));
    EXPECT_EQ(lines(testkit::readFile(workspace.parser(0).tempName())), expected);
}

TEST(AssetMerge, LeavesNoWorkFileAndNumbersPiecesForTheWholeRun) {
    testkit::TempDir dir;
    testkit::TempDir work;
    testkit::TempDir current;
    testkit::CurrentDirectoryGuard guard(current.path());
    TwoFiles files;
    AssetWorkspace workspace(work.path());
    importBoth(workspace, dir, files);
    ASSERT_TRUE(workspace.publishDump(0));
    ASSERT_TRUE(workspace.publishDump(1));
    workspace.setExportPath(dir.file("one.dat"));
    ASSERT_TRUE(workspace.exportMerge());
    EXPECT_EQ(workspace.splicer().pieceCounter(), 4);
    workspace.setExportPath(dir.file("two.dat"));
    ASSERT_TRUE(workspace.exportMerge());
    EXPECT_EQ(workspace.splicer().pieceCounter(), 8);
    EXPECT_EQ(testkit::readFile(dir.file("one.dat")), testkit::readFile(dir.file("two.dat")));

    EXPECT_EQ(filesIn(work.path()), std::vector<std::string>{});
    EXPECT_EQ(filesIn(current.path()), std::vector<std::string>{});
    EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"ZZZ000_Asset.txt", "ZZZ001_Asset.txt", "first.dat",
                                                             "one.dat", "second.dat", "two.dat"}));
}

TEST(AssetMerge, RefusesAndKeepsTheTarget) {
    testkit::TempDir dir;
    testkit::TempDir work;
    TwoFiles files;
    const std::string target = dir.file("merged.dat");
    const std::string kept = "an earlier merge";

    // Neither slot imported in this run.
    AssetWorkspace fresh(work.path());
    fresh.setImportPath(0, dir.file("first.dat"));
    fresh.setImportPath(1, dir.file("second.dat"));
    fresh.setExportPath(target);
    testkit::writeFile(target, kept);
    EXPECT_FALSE(fresh.exportMerge());
    EXPECT_FALSE(fresh.lastError().empty());
    EXPECT_EQ(testkit::readFile(target), kept);

    // No export path.
    AssetWorkspace workspace(work.path());
    importBoth(workspace, dir, files);
    EXPECT_FALSE(workspace.exportMerge());

    // A slot whose string section was never found (more entries announced
    // than the file holds): its import is refused, and so is the merge.
    AssetFixtureHeader tooMany = files.header1;
    tooMany.entryCount = 100000;
    testkit::writeFile(dir.file("short.dat"), assetFileBytes(tooMany, files.entries1, ""));
    workspace.setImportPath(1, dir.file("short.dat"));
    EXPECT_FALSE(workspace.importAssetFile(1));
    EXPECT_EQ(workspace.parser(1).stringSectionOffset(), 0);
    workspace.setExportPath(target);
    EXPECT_FALSE(workspace.exportMerge());
    EXPECT_EQ(testkit::readFile(target), kept);

    // Changing a slot's path undoes its import.
    workspace.setImportPath(1, dir.file("second.dat"));
    EXPECT_FALSE(workspace.imported(1));
    EXPECT_FALSE(workspace.exportMerge());

    // A source that shrank or vanished after its import.
    ASSERT_TRUE(workspace.importAssetFile(1));
    testkit::writeFile(dir.file("second.dat"), files.file1.substr(0, 20));
    EXPECT_FALSE(workspace.exportMerge());
    platform::deleteFile(dir.file("second.dat").c_str());
    EXPECT_FALSE(workspace.exportMerge());
    EXPECT_EQ(testkit::readFile(target), kept);
    EXPECT_EQ(filesIn(work.path()), (std::vector<std::string>{"USER_ASSET01.tmp", "USER_ASSET02.tmp"}));
    EXPECT_FALSE(testkit::fileExists(target + ".~tmp"));

    // A target in a missing folder: nothing is written, no piece remains.
    testkit::writeFile(dir.file("second.dat"), files.file1);
    ASSERT_TRUE(workspace.importAssetFile(1));
    workspace.setExportPath(dir.file("no/such/merged.dat"));
    EXPECT_FALSE(workspace.exportMerge());
    EXPECT_EQ(filesIn(work.path()), (std::vector<std::string>{"USER_ASSET01.tmp", "USER_ASSET02.tmp"}));

    // After the failures, a merge starts from empty lists and succeeds.
    workspace.setExportPath(target);
    ASSERT_TRUE(workspace.exportMerge());
    EXPECT_EQ(testkit::readFile(target).size(), files.file0.size() + files.file1.size() - 16);
}

TEST(AssetWorkFolder, EachRunWorksInAFolderOfItsOwnInsideTheTemporaryFolder) {
    testkit::TempDir temp;
    testkit::TempDir dir;
    testkit::TempFolderOverride override(temp.path());
    // Something planted under the work files' names in the temporary folder
    // must change nothing.
    testkit::writeFile(dir.file("victim.txt"), "keep");
    const bool planted = testkit::makeFileLink(dir.file("victim.txt"), temp.file("USER_ASSET01.tmp"));
    TwoFiles files;
    std::string first, second;
    {
        AssetWorkspace one, two;
        ASSERT_NE(one.workFolder(), two.workFolder());
        for (const AssetWorkspace* w : {&one, &two}) {
            EXPECT_EQ(w->workFolder().compare(0, temp.path().size(), temp.path()), 0) << w->workFolder();
            EXPECT_NE(platform::fileAttributes(w->workFolder().c_str()) & platform::ATTR_DIRECTORY, 0u);
        }
        // Two runs at the same time, each with its own files in slot 0.
        testkit::writeFile(dir.file("a/first.dat"), files.file0);
        testkit::writeFile(dir.file("b/first.dat"), files.file1);
        one.setImportPath(0, dir.file("a/first.dat"));
        two.setImportPath(0, dir.file("b/first.dat"));
        ASSERT_TRUE(one.importAssetFile(0));
        ASSERT_TRUE(two.importAssetFile(0));
        first = testkit::readFile(one.parser(0).tempName());
        second = testkit::readFile(two.parser(0).tempName());
        ASSERT_TRUE(one.publishDump(0));
        ASSERT_TRUE(two.publishDump(0));
        EXPECT_NE(first, second);
        EXPECT_EQ(testkit::readFile(dir.file("a/ZZZ000_Asset.txt")), first);
        EXPECT_EQ(testkit::readFile(dir.file("b/ZZZ000_Asset.txt")), second);

        // A merge runs in the same private folder and leaves nothing behind in it.
        importBoth(one, dir, files);
        one.setExportPath(dir.file("merged.dat"));
        ASSERT_TRUE(one.exportMerge());
    }
    // The folders went with their runs; only what was planted stays.
    EXPECT_EQ(testkit::folderNames(temp.path()),
              planted ? std::vector<std::string>{"USER_ASSET01.tmp"} : std::vector<std::string>{});
    EXPECT_EQ(testkit::readFile(dir.file("victim.txt")), "keep");
}

// A temporary folder that could not be written used to send the work files
// to a folder of a fixed name in it, through any link planted there.
TEST(AssetWorkFolder, UnwritableTemporaryFolderUsedToFallBackToAFixedFolder) {
    testkit::TempDir dir;
    TwoFiles files;
    testkit::writeFile(dir.file("plain.txt"), "a file, not a folder");
    testkit::writeFile(dir.file("first.dat"), files.file0);
    const std::string temp = dir.file("plain.txt/sub");
    testkit::TempFolderOverride override(temp);
    AssetWorkspace workspace;
    EXPECT_EQ(workspace.workFolder(), "");
    workspace.setImportPath(0, dir.file("first.dat"));
    EXPECT_FALSE(workspace.importAssetFile(0));
    EXPECT_NE(workspace.lastError().find("cannot create a work folder in " + temp), std::string::npos)
        << workspace.lastError();
    EXPECT_FALSE(workspace.publishDump(0));
    EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"first.dat", "plain.txt"}));
}

TEST(AssetWorkFolder, NoResultReplacesAnImportedFile) {
    testkit::TempDir dir;
    testkit::TempDir work;
    TwoFiles files;
    AssetWorkspace workspace(work.path());
    importBoth(workspace, dir, files);
    workspace.setExportPath(dir.file("second.dat"));
    EXPECT_FALSE(workspace.exportMerge());
    EXPECT_EQ(testkit::readFile(dir.file("second.dat")), files.file1);

    // An import that carries the name of its own dump.
    testkit::writeFile(dir.file("dumps/ZZZ000_Asset.txt"), files.file0);
    workspace.setImportPath(0, dir.file("dumps/ZZZ000_Asset.txt"));
    ASSERT_TRUE(workspace.importAssetFile(0));
    EXPECT_FALSE(workspace.publishDump(0));
    EXPECT_EQ(testkit::readFile(dir.file("dumps/ZZZ000_Asset.txt")), files.file0);
}

TEST(AssetStop, ImportAndMergeCountEveryByteAndAStopLeavesNoHalfFile) {
    testkit::TempDir dir;
    testkit::TempDir work;
    TwoFiles files;
    // Zero bytes in the string sections, stepped over by the parser, make
    // files of several stages of the copy; the second spans several of the
    // reader's pieces, so that a stop after the first one is seen.
    files.file0 = assetFileBytes(files.header0, files.entries0, files.strings0 + std::string(600000, '\0'));
    files.file1 = assetFileBytes(files.header1, files.entries1,
                                 files.strings1 + std::string(2 * BackgroundReader::BUFFER_SIZE + 400000, '\0'));
    testkit::writeFile(dir.file("first.dat"), files.file0);
    testkit::writeFile(dir.file("second.dat"), files.file1);
    AssetWorkspace workspace(work.path());
    workspace.setImportPath(0, dir.file("first.dat"));
    workspace.setImportPath(1, dir.file("second.dat"));

    WorkProgress whole;
    ASSERT_TRUE(workspace.importAssetFile(0, &whole));
    EXPECT_EQ(whole.done, whole.total);
    EXPECT_EQ(whole.total, files.file0.size());
    testkit::StopAfter stopImport(BackgroundReader::BUFFER_SIZE);
    EXPECT_FALSE(workspace.importAssetFile(1, &stopImport));
    EXPECT_LT(stopImport.done, stopImport.total);
    EXPECT_FALSE(workspace.imported(1));
    EXPECT_EQ(filesIn(work.path()), std::vector<std::string>{"USER_ASSET01.tmp"}) << "no half dump is left";
    ASSERT_TRUE(workspace.importAssetFile(1));

    const std::string target = dir.file("merged.dat");
    testkit::writeFile(target, "an earlier merge");
    workspace.setExportPath(target);
    testkit::StopAfter stopMerge(300000);
    EXPECT_FALSE(workspace.exportMerge(&stopMerge));
    EXPECT_LT(stopMerge.done, stopMerge.total);
    EXPECT_EQ(testkit::readFile(target), "an earlier merge");
    EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"first.dat", "merged.dat", "second.dat"}));
    EXPECT_EQ(filesIn(work.path()), (std::vector<std::string>{"USER_ASSET01.tmp", "USER_ASSET02.tmp"}));

    WorkProgress merge;
    ASSERT_TRUE(workspace.exportMerge(&merge)) << workspace.lastError();
    EXPECT_EQ(merge.done, merge.total);
    EXPECT_EQ(testkit::readFile(target).size(), files.file0.size() + files.file1.size() - 16);
}
