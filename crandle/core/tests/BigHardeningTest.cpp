// Archives in hostile surroundings: links and junctions inside the
// destination or the collected folder, the archive reached by another
// spelling of its path, special files, and headers that cannot be right.
#include <gtest/gtest.h>

#include "BigArchive.h"
#include "HandLaidBig.h"
#include "platform/Platform.h"

namespace {

using testkit::TempDir;

// Wine 8 has no FSCTL_SET_REPARSE_POINT, so no junction can be made there.
const char* const NO_LINKS = "this system cannot make a folder link or junction (Wine 8 lacks FSCTL_SET_REPARSE_POINT)";

std::vector<std::string> names(const BigArchive& archive) {
    std::vector<std::string> out;
    for (const BigEntry& e : archive.collection()) out.push_back(e.name);
    return out;
}

TEST(BigHardening, ExtractionNeverWritesThroughALinkInTheDestination) {
    TempDir dir;
    HandLaidBig big;
    big.entries = {{"sub\\x.txt", "into the link"}, {"sub\\deeper\\y.txt", "deeper"}, {"plain.txt", "ok"}};
    testkit::writeFile(dir.file("in.big"), big.bytes());
    testkit::writeFile(dir.file("elsewhere/keep.txt"), "keep");
    testkit::writeFile(dir.file("out/.keep"), "");
    if (!testkit::makeFolderLink(dir.file("elsewhere"), dir.file("out/sub"))) GTEST_SKIP() << NO_LINKS;

    BigArchive archive;
    ExtractReport report = archive.extractSelected(dir.file("in.big").c_str(), dir.file("out").c_str());
    EXPECT_EQ(report.written, 1);
    ASSERT_EQ(report.problems.size(), 2u);
    for (const EntryReport& problem : report.problems) EXPECT_EQ(problem.problem, EntryProblem::LINKED_PATH);
    EXPECT_EQ(testkit::folderNames(dir.file("elsewhere")), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(testkit::readFile(dir.file("out/plain.txt")), "ok");
}

TEST(BigHardening, TemporariesUnderTheOldFixedNamesAreNeverWrittenThrough) {
    TempDir dir;
    HandLaidBig big;
    big.entries = {{"a.txt", "new"}};
    testkit::writeFile(dir.file("in.big"), big.bytes());
    testkit::writeFile(dir.file("victim.txt"), "keep");
    ASSERT_EQ(platform::createFolderTree(dir.file("out").c_str()), platform::FolderResult::CREATED);
    if (!testkit::makeFileLink(dir.file("victim.txt"), dir.file("out/a.txt.~tmp")))
        GTEST_SKIP() << "this system makes no file links without privileges";
    BigArchive archive;
    EXPECT_EQ(archive.extractSelected(dir.file("in.big").c_str(), dir.file("out").c_str()).written, 1);
    EXPECT_EQ(testkit::readFile(dir.file("out/a.txt")), "new");
    EXPECT_EQ(testkit::readFile(dir.file("victim.txt")), "keep");
}

TEST(BigHardening, CollectingNeitherFollowsLinksNorLoopsAndSaysWhatItPassedOver) {
    TempDir dir;
    testkit::writeFile(dir.file("pack/a/f.txt"), "f");
    testkit::writeFile(dir.file("outside/secret.txt"), "secret");
    // A loop back to the folder itself, and a way out of it.
    if (!testkit::makeFolderLink(dir.file("pack"), dir.file("pack/a/up")) ||
        !testkit::makeFolderLink(dir.file("outside"), dir.file("pack/out")))
        GTEST_SKIP() << NO_LINKS;
    BigArchive archive;
    ASSERT_EQ(archive.collectFolder(dir.file("pack").c_str()), BigStatus::OK);
    EXPECT_EQ(names(archive), std::vector<std::string>{"a\\f.txt"});
    ASSERT_EQ(archive.passedOver().size(), 2u);
    for (const PassedOver& passed : archive.passedOver()) EXPECT_EQ(passed.reason, PassReason::LINK) << passed.path;
}

TEST(BigHardening, TheArchiveIsKnownByIdentityNotBySpelling) {
    TempDir dir;
    testkit::writeFile(dir.file("pack/a.ini"), "a");
    BigArchive archive;
    ASSERT_EQ(archive.collectFolder(dir.file("pack").c_str()), BigStatus::OK);
    ASSERT_EQ(archive.writeArchive(dir.file("pack/out.big").c_str()).status, BigStatus::OK);

    // Reached through a linked folder, the archive is still itself.
    if (testkit::makeFolderLink(dir.file("pack"), dir.file("via"))) {
        ASSERT_EQ(archive.collectFolder(dir.file("pack").c_str()), BigStatus::OK);
        WriteReport through = archive.writeArchive(dir.file("via/out.big").c_str());
        ASSERT_EQ(through.status, BigStatus::OK);
        EXPECT_EQ(through.excludedSelf, 1);
        EXPECT_EQ(through.entriesWritten, 1);
    }
#ifndef _WIN32
    // Where letter case makes another file, a twin in case is collected.
    testkit::writeFile(dir.file("pack/OUT.big"), "twin");
    ASSERT_EQ(archive.collectFolder(dir.file("pack").c_str()), BigStatus::OK);
    WriteReport twin = archive.writeArchive(dir.file("pack/out.big").c_str());
    EXPECT_EQ(twin.excludedSelf, 1);
    EXPECT_EQ(twin.entriesWritten, 2);  // a.ini and OUT.big
#endif
}

TEST(BigHardening, PipesAreNeitherOpenedNorCollected) {
    TempDir dir;
    testkit::writeFile(dir.file("pack/a.ini"), "a");
    if (!testkit::makePipe(dir.file("pack/pipe")) || !testkit::makePipe(dir.file("pipe.big")))
        GTEST_SKIP() << "this system has no named pipes in folders";
    BigArchive archive;
    EXPECT_FALSE(archive.isBigFile(dir.file("pipe.big").c_str()));
    EXPECT_FALSE(archive.openArchive(dir.file("pipe.big").c_str()));
    ASSERT_EQ(archive.collectFolder(dir.file("pack").c_str()), BigStatus::OK);
    EXPECT_EQ(names(archive), std::vector<std::string>{"a.ini"});
    ASSERT_EQ(archive.passedOver().size(), 1u);
    EXPECT_EQ(archive.passedOver()[0].reason, PassReason::NOT_A_FILE);
}

TEST(BigHardening, DamagedHeadersAreReportedNotListedAsEmpty) {
    TempDir dir;
    HandLaidBig good;
    good.entries = {{"a.txt", "aaaa"}, {"b.txt", "bb"}};
    HandLaidBig pastEnd = good;
    pastEnd.overrideHeaderSize = true;
    pastEnd.headerSize = 1u << 20;
    HandLaidBig tooMany = good;
    tooMany.overrideTotal = true;
    tooMany.entryTotal = 0x10000000;
    HandLaidBig belowHeader = good;
    belowHeader.overrideHeaderSize = true;
    belowHeader.headerSize = 8;
    HandLaidBig zeroSize = good, hugeSize = good;
    zeroSize.overrideHeaderSize = hugeSize.overrideHeaderSize = true;
    hugeSize.headerSize = 0xFFFFFFFF;
    struct Case {
        const char* label;
        std::string bytes;
        HeaderDamage damage;
    };
    const Case cases[] = {{"good", good.bytes(), HeaderDamage::NONE},
                          {"empty archive", HandLaidBig().bytes(), HeaderDamage::NONE},
                          {"magic only", "BIG4", HeaderDamage::FILE_TOO_SHORT},
                          {"15 bytes", good.bytes().substr(0, 15), HeaderDamage::FILE_TOO_SHORT},
                          {"header size past the end", pastEnd.bytes(), HeaderDamage::SIZE_PAST_END},
                          {"impossible entry total", tooMany.bytes(), HeaderDamage::TOTAL_TOO_LARGE},
                          {"header size below the header", belowHeader.bytes(), HeaderDamage::SIZE_BELOW_HEADER},
                          {"header size 0", zeroSize.bytes(), HeaderDamage::SIZE_BELOW_HEADER},
                          {"header size 0xFFFFFFFF", hugeSize.bytes(), HeaderDamage::SIZE_TOO_LARGE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        testkit::writeFile(dir.file("t.big"), c.bytes);
        BigArchive archive;
        ASSERT_TRUE(archive.openArchive(dir.file("t.big").c_str()));
        EXPECT_EQ(archive.headerDamage(), c.damage);
        EXPECT_EQ(archive.directoryDamaged(), c.damage != HeaderDamage::NONE);
    }
}

}  // namespace

namespace {

TEST(BigHardening, ExtractionReplacesNeitherTheArchiveNorAnEntryItWrote) {
    TempDir dir;
    HandLaidBig big;
    // The archive lies in the destination under the name of an entry, and
    // two entries share a name.
    big.entries = {{"pack.big", "over the archive"}, {"a.txt", "first"}, {"a.txt", "second"}, {"b.txt", "b"}};
    const std::string archivePath = dir.file("out/pack.big");
    const std::string bytes = big.bytes();
    testkit::writeFile(archivePath, bytes);
    BigArchive archive;
    ExtractReport report = archive.extractSelected(archivePath.c_str(), dir.file("out").c_str());
    EXPECT_EQ(report.written, 2);
    ASSERT_EQ(report.problems.size(), 2u);
    for (const EntryReport& problem : report.problems) EXPECT_EQ(problem.problem, EntryProblem::REPLACES_OWN);
    EXPECT_EQ(testkit::readFile(archivePath), bytes);
    EXPECT_EQ(testkit::readFile(dir.file("out/a.txt")), "first");
}

}  // namespace
