// Reading string tables: recognition, the label layout, header counts, and
// damaged or unusual records that must not make the reader lose its place.
#include <gtest/gtest.h>

#include "CsfArchive.h"
#include "CsfFixture.h"
#include "platform/Platform.h"
#include "testkit/TestKit.h"

namespace {

std::string bytes(std::initializer_list<int> list) {
    std::string out;
    for (int b : list) out.push_back(static_cast<char>(b));
    return out;
}

std::string header(int labels, int strings) {
    std::string out = " FSC";
    testkit::putU32(out, 3);
    testkit::putU32(out, static_cast<std::uint32_t>(labels));
    testkit::putU32(out, static_cast<std::uint32_t>(strings));
    testkit::putU32(out, 0);
    testkit::putU32(out, 0);
    return out;
}

// The label "A" with the one text "Hi", written out by hand.
const std::string EXAMPLE_LABEL = bytes({0x20, 0x4C, 0x42, 0x4C, 0x01, 0, 0, 0, 0x01, 0, 0, 0, 0x41, 0x20, 0x52,
                                         0x54, 0x53, 0x02, 0, 0, 0, 0xB7, 0xFF, 0x96, 0xFF});

}  // namespace

TEST(CsfReader, RecognisesTablesByTheirMagic) {
    testkit::TempDir dir;
    CsfArchive archive;
    testkit::writeFile(dir.file("good.csf"), header(0, 0));
    testkit::writeFile(dir.file("bad.csf"), "FSC " + header(0, 0).substr(4));
    testkit::writeFile(dir.file("short.csf"), " FS");
    EXPECT_TRUE(archive.isCsfFile(dir.file("good.csf").c_str()));
    EXPECT_TRUE(archive.ready());
    EXPECT_FALSE(archive.isCsfFile(dir.file("bad.csf").c_str()));
    EXPECT_FALSE(archive.ready());
    EXPECT_FALSE(archive.isCsfFile(dir.file("short.csf").c_str()));
    EXPECT_FALSE(archive.isCsfFile(dir.file("missing.csf").c_str()));
    EXPECT_FALSE(archive.isCsfFile(dir.path().c_str()));
}

TEST(CsfReader, ReadsTheExampleLabelAndMatchesTheTableWriter) {
    ASSERT_EQ(EXAMPLE_LABEL.size(), 25u);
    EXPECT_EQ(csfLabelBytes(csfLabel("A", "Hi")), EXAMPLE_LABEL);

    testkit::TempDir dir;
    std::string path = dir.file("one.csf");
    testkit::writeFile(path, header(1, 1) + EXAMPLE_LABEL);
    CsfArchive archive;
    ASSERT_TRUE(archive.load(path.c_str()));
    ASSERT_EQ(archive.recordCount(), 1);
    EXPECT_EQ(archive.labelText(0), "A");
    EXPECT_EQ(archive.quotedText(0), "\"Hi\"");
    EXPECT_EQ(archive.records()[0].size, 25u);
    EXPECT_EQ(archive.header().secondWord, 3);
    // Out-of-range rows give empty texts.
    EXPECT_EQ(archive.labelText(1), "");
    EXPECT_EQ(archive.quotedText(-1), "");
}

TEST(CsfReader, FollowsTheHeaderAndStringCounts) {
    testkit::TempDir dir;
    CsfArchive archive;

    // Label count 0: no records, yet the table is ready.
    testkit::writeFile(dir.file("empty.csf"), header(0, 0) + EXAMPLE_LABEL);
    ASSERT_TRUE(archive.load(dir.file("empty.csf").c_str()));
    EXPECT_EQ(archive.recordCount(), 0);
    EXPECT_TRUE(archive.ready());

    // String count 0: a name only, both texts empty, quoted as "".
    CsfFixtureLabel nameOnly;
    nameOnly.name = "NOTEXT";
    // String count 5: the first two texts are kept, the others stepped over,
    // and the next label is still found.
    CsfFixtureLabel five;
    five.name = "FIVE";
    for (const char* t : {"one", "two", "three", "four", "five"}) five.texts.push_back({latin1Units(t)});
    testkit::writeFile(dir.file("counts.csf"), csfTableBytes({nameOnly, five, csfLabel("AFTER", "last")}));
    ASSERT_TRUE(archive.load(dir.file("counts.csf").c_str()));
    ASSERT_EQ(archive.recordCount(), 3);
    EXPECT_EQ(archive.labelText(0), "NOTEXT");
    EXPECT_EQ(archive.quotedText(0), "\"\"");
    EXPECT_EQ(archive.slotText(0, 1), "");
    EXPECT_EQ(archive.slotText(1, 0), "one");
    EXPECT_EQ(archive.slotText(1, 1), "two");
    EXPECT_EQ(archive.records()[1].stringRecords, 5);
    EXPECT_EQ(archive.labelText(2), "AFTER");
    EXPECT_EQ(archive.quotedText(2), "\"last\"");

    // A negative string count means no strings.
    CsfFixtureLabel negative = csfLabel("NEG", "");
    negative.texts.clear();
    negative.stringCountField = 0x7FFFFFFF;  // far more than the file holds
    testkit::writeFile(dir.file("huge.csf"), csfTableBytes({csfLabel("OK", "x"), negative}));
    ASSERT_TRUE(archive.load(dir.file("huge.csf").c_str()));
    EXPECT_EQ(archive.recordCount(), 1);
}

TEST(CsfReader, NarrowsTextsForTheListOnly) {
    testkit::TempDir dir;
    CsfFixtureLabel label;
    label.name = "MIXED";
    // 'a', U+00FF (dropped), U+0441 (shown by its low byte 0x41 'A'), 'z'.
    label.texts.push_back({u"a\u00FF\u0441z"});
    testkit::writeFile(dir.file("mixed.csf"), csfTableBytes({label}));
    CsfArchive archive;
    ASSERT_TRUE(archive.load(dir.file("mixed.csf").c_str()));
    EXPECT_EQ(archive.quotedText(0), "\"aAz\"");
}

TEST(CsfReader, KeepsItsPlaceOverLongAndWideRecords) {
    testkit::TempDir dir;
    CsfFixtureLabel longName = csfLabel(std::string(300, 'N'), "after a long name");
    CsfFixtureLabel longText = csfLabel("LONGTEXT", std::string(1500, 'x'));
    CsfFixtureLabel wide;
    wide.name = "WIDE";
    CsfFixtureText wideText;
    wideText.units = latin1Units("spoken");
    wideText.wide = true;
    wideText.extra = "voice_file_01";
    wide.texts.push_back(wideText);
    wide.texts.push_back({latin1Units("second")});
    testkit::writeFile(dir.file("long.csf"),
                       csfTableBytes({longName, longText, wide, csfLabel("END", "still in step")}));
    CsfArchive archive;
    ASSERT_TRUE(archive.load(dir.file("long.csf").c_str()));
    ASSERT_EQ(archive.recordCount(), 4);
    EXPECT_EQ(archive.labelText(0), std::string(128, 'N'));
    EXPECT_EQ(archive.quotedText(0), "\"after a long name\"");
    EXPECT_EQ(archive.slotText(1, 0), std::string(1024, 'x'));
    EXPECT_EQ(archive.slotText(2, 0), "spoken");
    EXPECT_EQ(archive.slotText(2, 1), "second");
    EXPECT_EQ(archive.labelText(3), "END");
    EXPECT_EQ(archive.quotedText(3), "\"still in step\"");
}

TEST(CsfReader, StopsAtTheEndOfDamagedData) {
    testkit::TempDir dir;
    CsfArchive archive;
    const std::string table =
        csfTableBytes({csfLabel("FIRST", "one"), csfLabel("SECOND", "two"), csfLabel("THIRD", "three")});
    const std::size_t firstEnd = 24 + csfLabelBytes(csfLabel("FIRST", "one")).size();
    const std::size_t secondEnd = firstEnd + csfLabelBytes(csfLabel("SECOND", "two")).size();

    // Every cut of the file gives exactly the labels that end before the cut.
    for (std::size_t cut = 24; cut <= table.size(); ++cut) {
        testkit::writeFile(dir.file("cut.csf"), table.substr(0, cut));
        ASSERT_TRUE(archive.load(dir.file("cut.csf").c_str())) << cut;
        int expected = cut < firstEnd ? 0 : cut < secondEnd ? 1 : cut < table.size() ? 2 : 3;
        EXPECT_EQ(archive.recordCount(), expected) << "cut at " << cut;
    }

    // A file shorter than its header is not a table.
    testkit::writeFile(dir.file("tiny.csf"), table.substr(0, 20));
    EXPECT_FALSE(archive.load(dir.file("tiny.csf").c_str()));
    EXPECT_FALSE(archive.ready());
    EXPECT_EQ(archive.recordCount(), 0);

    // Negative name and text lengths end the reading before that label.
    CsfFixtureLabel badName = csfLabel("BAD", "x");
    badName.nameLengthField = static_cast<std::int32_t>(0x80000000u);
    testkit::writeFile(dir.file("name.csf"), csfTableBytes({csfLabel("GOOD", "g"), badName}));
    ASSERT_TRUE(archive.load(dir.file("name.csf").c_str()));
    EXPECT_EQ(archive.recordCount(), 1);
    CsfFixtureLabel badText = csfLabel("BAD", "x");
    badText.texts[0].lengthField = static_cast<std::int32_t>(0xFFFFFFFFu);
    testkit::writeFile(dir.file("text.csf"), csfTableBytes({csfLabel("GOOD", "g"), badText}));
    ASSERT_TRUE(archive.load(dir.file("text.csf").c_str()));
    EXPECT_EQ(archive.recordCount(), 1);
    // A "WRTS" record whose extra length runs past the data.
    CsfFixtureLabel badExtra = csfLabel("BAD", "x");
    badExtra.texts[0].wide = true;
    std::string damaged = csfTableBytes({csfLabel("GOOD", "g"), badExtra});
    damaged[damaged.size() - 4] = 0x40;  // extra length 64, no bytes follow
    testkit::writeFile(dir.file("extra.csf"), damaged);
    ASSERT_TRUE(archive.load(dir.file("extra.csf").c_str()));
    EXPECT_EQ(archive.recordCount(), 1);
}

TEST(CsfReader, LoadStartsOverAndClearEmpties) {
    testkit::TempDir dir;
    testkit::writeFile(dir.file("a.csf"), csfTableBytes({csfLabel("A1", "x"), csfLabel("A2", "y")}));
    CsfArchive archive;
    ASSERT_TRUE(archive.load(dir.file("a.csf").c_str()));
    archive.setExportFlag(0, 0);
    archive.setExportFlag(7, 0);  // out of range: ignored
    EXPECT_EQ(archive.markedCount(), 1);
    ASSERT_TRUE(archive.load(dir.file("a.csf").c_str()));
    EXPECT_EQ(archive.recordCount(), 2);
    EXPECT_EQ(archive.markedCount(), 0);
    EXPECT_FALSE(archive.load(dir.file("missing.csf").c_str()));
    EXPECT_EQ(archive.recordCount(), 0);
    EXPECT_FALSE(archive.ready());

    ASSERT_TRUE(archive.load(dir.file("a.csf").c_str()));
    archive.clear();
    EXPECT_EQ(archive.recordCount(), 0);
    EXPECT_FALSE(archive.ready());
}

TEST(CsfReader, ResolvesRelativePathsAgainstTheCurrentFolder) {
    testkit::TempDir dir;
    testkit::writeFile(dir.file("rel.csf"), csfTableBytes({csfLabel("REL", "r")}));
    testkit::CurrentDirectoryGuard guard(dir.path());
    CsfArchive archive;
    ASSERT_TRUE(archive.load("rel.csf"));
    EXPECT_EQ(archive.labelText(0), "REL");
    EXPECT_NE(archive.resolvedPath(), "rel.csf");
    const std::string cwd = platform::currentDirectory();
    EXPECT_EQ(archive.resolvedPath().substr(0, cwd.size()), cwd);
    EXPECT_EQ(archive.resolvedPath().size(), cwd.size() + 1 + 7);
}

TEST(CsfReader, LoadCountsTheTablesBytesAndAStopEndsAsAFailedLoad) {
    testkit::TempDir dir;
    const std::string table = csfBenchTable(20000);
    ASSERT_GT(table.size(), 2 * CsfArchive::READ_BLOCK);
    testkit::writeFile(dir.file("big.csf"), table);
    testkit::writeFile(dir.file("small.csf"), csfTableBytes({csfLabel("A:One", "one")}));

    CsfArchive archive;
    WorkProgress whole;
    ASSERT_TRUE(archive.load(dir.file("big.csf").c_str(), &whole));
    EXPECT_EQ(archive.recordCount(), 20000);
    EXPECT_EQ(whole.total, table.size());
    EXPECT_EQ(whole.done, whole.total);

    ASSERT_TRUE(archive.load(dir.file("small.csf").c_str()));
    testkit::StopAfter stop(CsfArchive::READ_BLOCK);
    EXPECT_FALSE(archive.load(dir.file("big.csf").c_str(), &stop));
    EXPECT_EQ(stop.done, CsfArchive::READ_BLOCK);
    EXPECT_FALSE(archive.ready());
    EXPECT_EQ(archive.recordCount(), 0);
    EXPECT_EQ(archive.bytes().size(), 0u);
    EXPECT_EQ(archive.labelText(0), "");
}

// The list's UTF-16 form: every unit as it is, at most TEXT_SHOWN of them,
// and never half of a surrogate pair where the text is cut.
TEST(CsfReader, ShowsTextsInUtf16WithoutCuttingAPairInTwo) {
    const std::u16string greek = u"\u039A\u03B1\u03BB\u03B7 \U0001F389";
    const std::u16string cut = std::u16string(CsfArchive::TEXT_SHOWN - 1, u'a') + u"\U0001F389";
    testkit::TempDir dir;
    const std::string path = dir.file("wide.csf");
    CsfFixtureLabel one;
    one.name = "A";
    one.texts = {CsfFixtureText(greek)};
    CsfFixtureLabel two;
    two.name = "B";
    two.texts = {CsfFixtureText(cut)};
    testkit::writeFile(path, csfTableBytes({one, two}));
    CsfArchive archive;
    ASSERT_TRUE(archive.load(path.c_str()));
    char16_t shown[CsfArchive::QUOTED_SIZE];
    EXPECT_EQ(u"\"" + greek + u"\"", std::u16string(shown, archive.quotedWideInto(0, shown)));
    EXPECT_EQ(u"\"" + cut.substr(0, CsfArchive::TEXT_SHOWN - 1) + u"\"",
              std::u16string(shown, archive.quotedWideInto(1, shown)));
}
