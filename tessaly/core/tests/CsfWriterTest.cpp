// Writing string tables: export without the marked labels, append from a
// configuration file into the "NEW_" copy, and the text listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "CsfArchive.h"
#include "CsfFixture.h"
#include "CsfListing.h"
#include "FileStream.h"
#include "platform/Platform.h"
#include "testkit/TestKit.h"

namespace {

std::int32_t wordAt(const std::string& data, std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[offset + static_cast<std::size_t>(i)]);
    return static_cast<std::int32_t>(v);
}

std::vector<CsfFixtureLabel> sevenLabels() {
    std::vector<CsfFixtureLabel> labels;
    for (int i = 0; i < 7; ++i) labels.push_back(csfLabel("LABEL" + std::to_string(i), "text " + std::to_string(i)));
    return labels;
}

// Exports `source` with the given rows marked and returns the target's bytes.
std::string exportMarked(const testkit::TempDir& dir, const std::string& table, std::vector<int> marked) {
    const std::string source = dir.file("source.csf");
    const std::string target = dir.file("target.csf");
    testkit::writeFile(source, table);
    CsfArchive archive;
    EXPECT_TRUE(archive.load(source.c_str()));
    for (int i = 0; i < archive.recordCount(); ++i) {
        bool isMarked = std::find(marked.begin(), marked.end(), i) != marked.end();
        archive.setExportFlag(i, isMarked ? 0 : 1);
    }
    EXPECT_TRUE(archive.exportTo(source.c_str(), target.c_str()));
    EXPECT_EQ(archive.markedCount(), 0);
    EXPECT_FALSE(testkit::fileExists(target + ".~tmp"));
    return testkit::readFile(target);
}

}  // namespace

TEST(CsfExport, LeavesOutMarkedLabelsAndCountsWhatItWrites) {
    testkit::TempDir dir;
    CsfFixtureHeader odd;
    odd.stringCount = 99;  // whatever the source says, the output counts its own
    odd.fifthWord = 0x11223344;
    std::vector<CsfFixtureLabel> labels = sevenLabels();
    std::string out = exportMarked(dir, csfTableBytes(labels, odd), {1, 4});
    std::vector<CsfFixtureLabel> kept = {labels[0], labels[2], labels[3], labels[5], labels[6]};
    CsfFixtureHeader expectedHeader;
    expectedHeader.fifthWord = 0x11223344;
    EXPECT_EQ(out, csfTableBytes(kept, expectedHeader));
    EXPECT_EQ(wordAt(out, 8), 5);
    EXPECT_EQ(wordAt(out, 12), 5);

    // Labels with several texts, or none, are written whole and counted by
    // their string records.
    CsfFixtureLabel two = csfLabel("TWO", "first");
    two.texts.push_back({latin1Units("second")});
    CsfFixtureLabel none;
    none.name = "NONE";
    out = exportMarked(dir, csfTableBytes({two, csfLabel("GONE", "x"), none}), {1});
    EXPECT_EQ(out, csfTableBytes({two, none}));
    EXPECT_EQ(wordAt(out, 8), 2);
    EXPECT_EQ(wordAt(out, 12), 2);
}

TEST(CsfExport, KeepsEveryTextByteForByte) {
    testkit::TempDir dir;
    CsfFixtureLabel latin = csfLabel("LATIN", "y\xFF" "e");  // U+00FF in the middle
    CsfFixtureLabel other;
    other.name = "OTHER";
    other.texts.push_back({u"\u0410\u0411\u4E2D\uFFFE\u00FF"});
    CsfFixtureLabel wide;
    wide.name = "WIDE";
    CsfFixtureText spoken;
    spoken.units = u"\u00FF\u0100";
    spoken.wide = true;
    spoken.extra = "audio";
    wide.texts.push_back(spoken);
    CsfFixtureLabel longText = csfLabel("LONG", std::string(2000, 'q'));
    std::vector<CsfFixtureLabel> all = {latin, csfLabel("DROP", "d"), other, wide, longText};
    std::string out = exportMarked(dir, csfTableBytes(all), {1});
    EXPECT_EQ(out, csfTableBytes({latin, other, wide, longText}));
}

TEST(CsfExport, WithNoMarkedRowCopiesTheTable) {
    testkit::TempDir dir;
    // Trailing bytes after the last label are part of the table as loaded.
    std::string table = csfTableBytes(sevenLabels()) + "tail";
    EXPECT_EQ(exportMarked(dir, table, {}), table);

    // Without a load, the source file itself is copied.
    testkit::writeFile(dir.file("plain.csf"), table);
    CsfArchive archive;
    ASSERT_TRUE(archive.exportTo(dir.file("plain.csf").c_str(), dir.file("copy.csf").c_str()));
    EXPECT_EQ(testkit::readFile(dir.file("copy.csf")), table);
}

TEST(CsfExport, WritesTheLoadedTableEvenWhenTheSourceChanged) {
    testkit::TempDir dir;
    const std::string source = dir.file("source.csf");
    std::vector<CsfFixtureLabel> labels = sevenLabels();
    testkit::writeFile(source, csfTableBytes(labels));
    CsfArchive archive;
    ASSERT_TRUE(archive.load(source.c_str()));
    testkit::writeFile(source, csfTableBytes({csfLabel("OTHER", "file")}));
    archive.setExportFlag(0, 0);
    ASSERT_TRUE(archive.exportTo(source.c_str(), dir.file("out.csf").c_str()));
    EXPECT_EQ(testkit::readFile(dir.file("out.csf")),
              csfTableBytes(std::vector<CsfFixtureLabel>(labels.begin() + 1, labels.end())));
}

TEST(CsfExport, FailureKeepsAnExistingTarget) {
    testkit::TempDir dir;
    const std::string source = dir.file("source.csf");
    testkit::writeFile(source, csfTableBytes(sevenLabels()));
    CsfArchive archive;
    ASSERT_TRUE(archive.load(source.c_str()));
    archive.setExportFlag(2, 0);
    // A target inside a missing folder cannot be written.
    EXPECT_FALSE(archive.exportTo(source.c_str(), dir.file("missing/out.csf").c_str()));
    // A target that is a folder is not replaced.
    platform::createFolderTree(dir.file("folder.csf").c_str());
    archive.setExportFlag(2, 0);
    EXPECT_FALSE(archive.exportTo(source.c_str(), dir.file("folder.csf").c_str()));
    EXPECT_EQ(platform::fileAttributes(dir.file("folder.csf").c_str()) & platform::ATTR_DIRECTORY,
              platform::ATTR_DIRECTORY);
    EXPECT_FALSE(testkit::fileExists(dir.file("folder.csf.~tmp")));
    // An empty archive with nothing to copy writes nothing.
    CsfArchive empty;
    EXPECT_FALSE(empty.exportTo(dir.file("none.csf").c_str(), dir.file("out.csf").c_str()));
    EXPECT_FALSE(testkit::fileExists(dir.file("out.csf")));
}

TEST(CsfAppend, BuildsLabelsFromStarredFamilies) {
    testkit::TempDir dir;
    const std::string table = csfTableBytes({csfLabel("OLD", "old text")});
    testkit::writeFile(dir.file("table.csf"), table);
    testkit::writeFile(dir.file("add.cfg"),
                       "AppendList = {A*,B}\n"
                       "A001 = {LABEL:ONE,First text}\n"
                       "A002 = {LABEL:TWO,Second text,Another}\n"
                       "A003 = {LABEL:NAMEONLY}\n"
                       "A005 = {LABEL:UNREACHED,after a gap}\n"
                       "B001 = {LABEL:NOSTAR,not a family}\n");
    CsfArchive archive;
    ASSERT_TRUE(archive.appendFromConfig(dir.file("table.csf").c_str(), dir.file("add.cfg").c_str()));
    EXPECT_TRUE(archive.appendDone());
    EXPECT_EQ(archive.newPath(), dir.file("NEW_table.csf"));
    EXPECT_EQ(archive.appendList(), (std::vector<std::string>{"A*", "B"}));
    ASSERT_EQ(archive.staged().size(), 3u);

    CsfFixtureLabel one = csfLabel("LABEL:ONE", "First text");
    CsfFixtureLabel two = csfLabel("LABEL:TWO", "Second text");
    two.texts.push_back({latin1Units("Another")});
    CsfFixtureLabel nameOnly;
    nameOnly.name = "LABEL:NAMEONLY";
    std::string expected = table + csfLabelBytes(one) + csfLabelBytes(two) + csfLabelBytes(nameOnly);
    // Header: 1 + 3 labels, 1 + 3 string records (the name-only label has none).
    expected[8] = 4;
    expected[12] = 4;
    EXPECT_EQ(testkit::readFile(dir.file("NEW_table.csf")), expected);
    EXPECT_EQ(testkit::readFile(dir.file("table.csf")), table);

    // What was appended reads back as labels.
    ASSERT_TRUE(archive.load(dir.file("NEW_table.csf").c_str()));
    ASSERT_EQ(archive.recordCount(), 4);
    EXPECT_EQ(archive.labelText(2), "LABEL:TWO");
    EXPECT_EQ(archive.slotText(2, 1), "Another");
    EXPECT_EQ(archive.quotedText(3), "\"\"");
}

TEST(CsfAppend, RefusesValuesThatDoNotFit) {
    testkit::TempDir dir;
    const std::string table = csfTableBytes({csfLabel("OLD", "old")});
    testkit::writeFile(dir.file("t.csf"), table);
    const std::string longPrefix(40, 'P');
    testkit::writeFile(dir.file("add.cfg"),
                       "APPENDLIST = {" + longPrefix + "*,ABCDEFGHIJKLMNOPQRSTUVWXYZABC*,M*}\n" +
                       longPrefix + "001 = {LABEL:LONGPREFIX,x}\n"
                       "ABCDEFGHIJKLMNOPQRSTUVWXYZABC001 = {LABEL:LONGENTRY,x}\n"
                       "M001 = {" + std::string(129, 'N') + ",too long a name}\n"
                       "M002 = {" + std::string(128, 'K') + ",fits}\n");
    CsfArchive archive;
    ASSERT_TRUE(archive.appendFromConfig(dir.file("t.csf").c_str(), dir.file("add.cfg").c_str()));
    ASSERT_EQ(archive.staged().size(), 1u);
    EXPECT_EQ(archive.staged()[0].name, std::string(128, 'K'));
    ASSERT_TRUE(archive.load(dir.file("NEW_t.csf").c_str()));
    EXPECT_EQ(archive.recordCount(), 2);
    EXPECT_EQ(archive.quotedText(1), "\"fits\"");
}

TEST(CsfAppend, ReportsWhatItCouldNotWrite) {
    testkit::TempDir dir;
    const std::string table = csfTableBytes({csfLabel("OLD", "old")});
    testkit::writeFile(dir.file("t.csf"), table);
    testkit::writeFile(dir.file("add.cfg"), "AppendList = {M*}\nM001 = {NEW,text}\n");
    CsfArchive archive;

    // The CSF file is missing.
    EXPECT_FALSE(archive.appendFromConfig(dir.file("missing.csf").c_str(), dir.file("add.cfg").c_str()));
    EXPECT_FALSE(archive.appendDone());

    // "NEW_t.csf" is a folder: the copy cannot take its place.
    platform::createFolderTree(dir.file("NEW_t.csf").c_str());
    EXPECT_FALSE(archive.appendFromConfig(dir.file("t.csf").c_str(), dir.file("add.cfg").c_str()));
    EXPECT_FALSE(archive.appendDone());
    EXPECT_FALSE(testkit::fileExists(dir.file("NEW_t.csf.~tmp")));

    // A copy shorter than a header is not appended to; an earlier copy stays.
    testkit::writeFile(dir.file("short.csf"), " FSC");
    testkit::writeFile(dir.file("NEW_short.csf"), "earlier");
    EXPECT_FALSE(archive.appendFromConfig(dir.file("short.csf").c_str(), dir.file("add.cfg").c_str()));
    EXPECT_EQ(testkit::readFile(dir.file("NEW_short.csf")), "earlier");

    // No usable entries: the copy is made, nothing is appended.
    testkit::writeFile(dir.file("t2.csf"), table);
    testkit::writeFile(dir.file("none.cfg"), "AppendList = {Z*}\n");
    EXPECT_TRUE(archive.appendFromConfig(dir.file("t2.csf").c_str(), dir.file("none.cfg").c_str()));
    EXPECT_FALSE(archive.appendDone());
    EXPECT_EQ(testkit::readFile(dir.file("NEW_t2.csf")), table);
}

TEST(CsfListing, ListsEveryLabelBetweenFrames) {
    testkit::TempDir dir;
    CsfFixtureLabel empty;
    empty.name = "EMPTY";
    testkit::writeFile(dir.file("t.csf"), csfTableBytes({csfLabel("LABEL1", "Hello"), empty}));
    CsfArchive archive;
    ASSERT_TRUE(archive.load(dir.file("t.csf").c_str()));
    archive.setExportFlag(0, 0);  // marked rows are listed too
    ASSERT_EQ(saveCsfListing(archive, "C:\\data\\t.csf", dir.file("list.txt").c_str()), ListingResult::SAVED);
    const std::string frame(61, '*');
    EXPECT_EQ(testkit::readFile(dir.file("list.txt")),
              testkit::textFileBytes(frame + "\nC:\\data\\t.csf\n" + frame +
                                     "\nLABEL1\n\"Hello\"\nEND\nEMPTY\n\"\"\nEND\n"));
    EXPECT_EQ(saveCsfListing(archive, "x", dir.file("missing/list.txt").c_str()), ListingResult::CANNOT_OPEN);
}
