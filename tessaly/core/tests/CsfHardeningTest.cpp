// String tables in careless or hostile hands: texts with characters that
// narrow to a zero byte, appends without a usable configuration, and writes
// aimed at the table that was read.
#include <gtest/gtest.h>

#include "CsfArchive.h"
#include "CsfFixture.h"
#include "CsfListing.h"
#include "platform/Platform.h"
#include "testkit/TestKit.h"

TEST(CsfHardening, TextsWithAZeroLowByteAreShownAndListedWhole) {
    testkit::TempDir dir;
    CsfFixtureLabel label;
    label.name = "WIDE";
    // U+0100, U+4E00 and U+0000 have no 8-bit form: each shows as '?'.
    label.texts.push_back({std::u16string(u"a\u0100b\u4E00c") + char16_t(0) + u"d"});
    testkit::writeFile(dir.file("t.csf"), csfTableBytes({label, csfLabel("NEXT", "n")}));
    CsfArchive archive;
    ASSERT_TRUE(archive.load(dir.file("t.csf").c_str()));
    EXPECT_EQ(archive.quotedText(0), "\"a?b?c?d\"");
    ASSERT_EQ(saveCsfListing(archive, "t.csf", dir.file("list.txt").c_str()), ListingResult::SAVED);
    const std::string frame(61, '*');
    EXPECT_EQ(testkit::readFile(dir.file("list.txt")),
              testkit::textFileBytes(frame + "\nt.csf\n" + frame + "\nWIDE\n\"a?b?c?d\"\nEND\nNEXT\n\"n\"\nEND\n"));
}

TEST(CsfHardening, AppendWithoutAUsableConfigurationWritesNothingAndSaysSo) {
    testkit::TempDir dir;
    const std::string table = csfTableBytes({csfLabel("OLD", "old")});
    testkit::writeFile(dir.file("t.csf"), table);
    ASSERT_EQ(platform::createFolderTree(dir.file("folder.cfg").c_str()), platform::FolderResult::CREATED);
    CsfArchive archive;
    for (const std::string& config : {dir.file("missing.cfg"), dir.file("folder.cfg")}) {
        SCOPED_TRACE(config);
        EXPECT_FALSE(archive.appendFromConfig(dir.file("t.csf").c_str(), config.c_str()));
        EXPECT_EQ(archive.problem(), CsfArchive::Problem::NO_CONFIG);
        EXPECT_FALSE(testkit::fileExists(dir.file("NEW_t.csf")));
    }

    // The list reader's bracket fix: {One*[Two*} names the families One and Two.
    testkit::writeFile(dir.file("add.cfg"), "AppendList = {One*[Two*}\nOne001 = {L1,one}\nTwo001 = {L2,two}\n");
    ASSERT_TRUE(archive.appendFromConfig(dir.file("t.csf").c_str(), dir.file("add.cfg").c_str()));
    EXPECT_EQ(archive.appendList(), (std::vector<std::string>{"One*", "Two*"}));
    EXPECT_EQ(archive.staged().size(), 2u);
    EXPECT_EQ(archive.problem(), CsfArchive::Problem::NONE);

    // A value cut at its limit is appended as cut, and said so.
    testkit::writeFile(dir.file("long.cfg"),
                       "AppendList = {M*}\nM001 = {LONG," + std::string(1100, 'x') + "}\nM002 = {SHORT,s}\n");
    ASSERT_TRUE(archive.appendFromConfig(dir.file("t.csf").c_str(), dir.file("long.cfg").c_str()));
    EXPECT_EQ(archive.problem(), CsfArchive::Problem::VALUE_CUT);
}

TEST(CsfHardening, NoWriteReplacesTheTableThatWasRead) {
    testkit::TempDir dir;
    const std::string table = csfTableBytes({csfLabel("A", "a"), csfLabel("B", "b")});
    testkit::writeFile(dir.file("t.csf"), table);
    CsfArchive archive;
    ASSERT_TRUE(archive.load(dir.file("t.csf").c_str()));
    archive.setExportFlag(0, 0);
    // Spelled another way, it is still the same file.
    ASSERT_EQ(platform::createFolderTree(dir.file("sub").c_str()), platform::FolderResult::CREATED);
    const std::string other = dir.file("sub/../t.csf");
    EXPECT_FALSE(archive.exportTo(dir.file("t.csf").c_str(), other.c_str()));
    EXPECT_EQ(archive.problem(), CsfArchive::Problem::SAME_FILE);
    EXPECT_EQ(saveCsfListing(archive, "t.csf", other.c_str()), ListingResult::SAME_FILE);
    EXPECT_EQ(testkit::readFile(dir.file("t.csf")), table);
    EXPECT_EQ(saveCsfListing(archive, "t.csf", dir.file("list.txt").c_str()), ListingResult::SAVED);
}
