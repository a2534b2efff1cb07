// Long work counted and stopped: the counter reaches the whole, and a stop
// between two blocks leaves neither a half-written archive nor a half entry.
#include <gtest/gtest.h>

#include "BigArchive.h"
#include "HandLaidBig.h"
#include "platform/Platform.h"
#include "testkit/TestKit.h"

namespace {

using testkit::StopAfter;
using testkit::TempDir;

const std::size_t BLOCK = BigArchive::COPY_BUFFER_SIZE;

TEST(BigStop, WritingCountsEveryByteAndAStopKeepsTheOldArchive) {
    TempDir dir;
    testkit::writeFile(dir.file("pack/a.txt"), "small");
    testkit::writeFile(dir.file("pack/big.bin"), std::string(3 * BLOCK, 'x'));
    BigArchive archive;
    ASSERT_EQ(archive.collectFolder(dir.file("pack").c_str()), BigStatus::OK);

    testkit::writeFile(dir.file("out/old.big"), "old archive");
    WorkProgress whole;
    ASSERT_EQ(archive.writeArchive(dir.file("out/new.big").c_str(), &whole).status, BigStatus::OK);
    EXPECT_EQ(whole.total, archive.archiveSize());
    EXPECT_EQ(whole.done, whole.total);
    EXPECT_EQ(whole.fraction(100), 100);

    StopAfter stop(BLOCK);
    WriteReport report = archive.writeArchive(dir.file("out/old.big").c_str(), &stop);
    EXPECT_EQ(report.status, BigStatus::WRITE_FAILED);
    EXPECT_LT(stop.done, stop.total);
    EXPECT_EQ(testkit::readFile(dir.file("out/old.big")), "old archive");
    EXPECT_EQ(testkit::folderNames(dir.file("out")), (std::vector<std::string>{"new.big", "old.big"}));
}

TEST(BigStop, ExtractionKeepsFinishedEntriesAndAbandonsTheOneInProgress) {
    TempDir dir;
    HandLaidBig big;
    big.entries = {{"first.txt", "done before"}, {"big.bin", std::string(3 * BLOCK, 'y')}, {"last.txt", "never"}};
    testkit::writeFile(dir.file("in.big"), big.bytes());
    testkit::writeFile(dir.file("out/big.bin"), "old entry");

    BigArchive archive;
    ASSERT_TRUE(archive.openArchive(dir.file("in.big").c_str()));
    StopAfter stop(BLOCK);
    ExtractReport report = archive.extractSelected(dir.file("in.big").c_str(), dir.file("out").c_str(), &stop);
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(report.written, 1);
    EXPECT_EQ(report.failed, 0);
    EXPECT_EQ(stop.total, 11u + 3 * BLOCK + 5u);
    EXPECT_EQ(testkit::readFile(dir.file("out/first.txt")), "done before");
    EXPECT_EQ(testkit::readFile(dir.file("out/big.bin")), "old entry");
    EXPECT_EQ(testkit::folderNames(dir.file("out")), (std::vector<std::string>{"big.bin", "first.txt"}));

    WorkProgress whole;
    report = archive.extractSelected(dir.file("in.big").c_str(), dir.file("again").c_str(), &whole);
    EXPECT_FALSE(report.stopped);
    EXPECT_EQ(report.written, 3);
    EXPECT_EQ(whole.done, whole.total);
}

}  // namespace

TEST(BigStop, ReadingTheDirectoryCountsItsBytesAndAStopLeavesNoDirectory) {
    TempDir dir;
    HandLaidBig big;
    // Long names, so that the directory takes more than one block.
    for (int i = 0; i < 6000; ++i) big.entries.push_back({std::string(200, 'n') + std::to_string(i), "d"});
    testkit::writeFile(dir.file("many.big"), big.bytes());
    HandLaidBig small;
    small.entries = {{"kept.txt", "kept"}};
    testkit::writeFile(dir.file("small.big"), small.bytes());

    BigArchive archive;
    WorkProgress whole;
    ASSERT_TRUE(archive.openArchive(dir.file("many.big").c_str(), &whole));
    EXPECT_EQ(archive.countEntries(), 6000);
    EXPECT_EQ(whole.total, big.layoutHeaderSize());
    EXPECT_EQ(whole.done, whole.total);

    ASSERT_TRUE(archive.openArchive(dir.file("small.big").c_str()));
    StopAfter stop(BLOCK);
    EXPECT_FALSE(archive.openArchive(dir.file("many.big").c_str(), &stop));
    EXPECT_EQ(stop.done, BLOCK);
    EXPECT_EQ(archive.countEntries(), 0) << "as an archive that cannot be read";
    EXPECT_FALSE(archive.directoryDamaged());
    EXPECT_FALSE(archive.directoryTruncated());
}
