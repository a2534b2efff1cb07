// Reading archives: the type test, the directory, its bounds on malformed
// input, and the listing texts.
#include <gtest/gtest.h>

#include "BigArchive.h"
#include "BigListing.h"
#include "HandLaidBig.h"

namespace {

using testkit::TempDir;

std::string writeArchive(const TempDir& dir, const std::string& name, const std::string& bytes) {
    std::string path = dir.file(name);
    testkit::writeFile(path, bytes);
    return path;
}

HandLaidBig threeEntries() {
    HandLaidBig big;
    big.entries = {{"data\\a1.ini", "[a]\nx=1\n"}, {"art/tank.w3d", std::string(300, 'w')}, {"readme", ""}};
    return big;
}

TEST(BigTypeTest, AcceptsBigfAndBig4Only) {
    TempDir dir;
    BigArchive archive;
    HandLaidBig big = threeEntries();
    EXPECT_TRUE(archive.isBigFile(writeArchive(dir, "a.big", big.bytes()).c_str()));
    big.magic = "BIGF";
    EXPECT_TRUE(archive.isBigFile(writeArchive(dir, "f.big", big.bytes()).c_str()));
    big.magic = "BIG5";
    EXPECT_FALSE(archive.isBigFile(writeArchive(dir, "5.big", big.bytes()).c_str()));

    EXPECT_FALSE(archive.isBigFile(writeArchive(dir, "short.big", "BIG").c_str()));
    EXPECT_FALSE(archive.isBigFile(writeArchive(dir, "empty.big", "").c_str()));
    EXPECT_FALSE(archive.isBigFile(writeArchive(dir, "zero.big", std::string("\0BIG4", 5)).c_str()));
    EXPECT_FALSE(archive.isBigFile(writeArchive(dir, "lower.big", "big4....").c_str()));
    EXPECT_FALSE(archive.isBigFile(dir.file("missing.big").c_str()));
    EXPECT_FALSE(archive.isBigFile(nullptr));
}

TEST(BigTypeTest, AFailedTestLeavesTheLoadedDirectoryIntact) {
    TempDir dir;
    BigArchive archive;
    ASSERT_TRUE(archive.openArchive(writeArchive(dir, "a.big", threeEntries().bytes()).c_str()));
    archive.setSelected(1, 0);
    EXPECT_FALSE(archive.isBigFile(writeArchive(dir, "notes.txt", "plain text").c_str()));
    EXPECT_FALSE(archive.isBigFile(dir.file("missing.big").c_str()));
    EXPECT_TRUE(archive.loaded());
    ASSERT_EQ(archive.countEntries(), 3);
    EXPECT_STREQ(archive.entryName(0), "data\\a1.ini");
    EXPECT_EQ(archive.entry(1)->selected, 0);
}

TEST(BigDirectory, ReadsBothMagicsAlikeWithOffsetsSizesAndNames) {
    TempDir dir;
    for (const char* magic : {"BIG4", "BIGF"}) {
        HandLaidBig big = threeEntries();
        big.magic = magic;
        BigArchive archive;
        ASSERT_TRUE(archive.openArchive(writeArchive(dir, "x.big", big.bytes()).c_str())) << magic;
        ASSERT_EQ(archive.countEntries(), 3) << magic;
        EXPECT_FALSE(archive.directoryTruncated());
        EXPECT_STREQ(archive.entryName(0), "data\\a1.ini");
        EXPECT_STREQ(archive.entryName(1), "art/tank.w3d");
        EXPECT_STREQ(archive.entryName(2), "readme");
        EXPECT_STREQ(archive.entrySizeText(0), "8");
        EXPECT_STREQ(archive.entrySizeText(1), "300");
        EXPECT_STREQ(archive.entrySizeText(2), "0");
        EXPECT_EQ(archive.entry(0)->dataOffset, big.layoutHeaderSize());
        EXPECT_EQ(archive.entry(1)->dataOffset, big.layoutHeaderSize() + 8);
        EXPECT_EQ(archive.entry(1)->nameLength, 12);
        EXPECT_EQ(archive.entry(2)->selected, 1);
        // Outside the directory: empty texts.
        EXPECT_STREQ(archive.entryName(3), "");
        EXPECT_STREQ(archive.entryName(-1), "");
        EXPECT_STREQ(archive.entrySizeText(3), "");
    }
}

TEST(BigDirectory, EmptyDirectoriesFromCountOrHeaderSize) {
    TempDir dir;
    BigArchive archive;
    HandLaidBig big = threeEntries();
    big.overrideTotal = true;
    big.entryTotal = 0;
    ASSERT_TRUE(archive.openArchive(writeArchive(dir, "t0.big", big.bytes()).c_str()));
    EXPECT_EQ(archive.countEntries(), 0);

    big = threeEntries();
    big.overrideHeaderSize = true;
    for (std::uint32_t headerSize : {0u, 0x80000000u, 0xFFFFFFFFu}) {
        big.headerSize = headerSize;
        ASSERT_TRUE(archive.openArchive(writeArchive(dir, "h0.big", big.bytes()).c_str()));
        EXPECT_EQ(archive.countEntries(), 0) << headerSize;
    }

    // Shorter than a header, or missing: nothing listed.
    EXPECT_TRUE(archive.openArchive(writeArchive(dir, "tiny.big", "BIG4\1\2\3").c_str()));
    EXPECT_EQ(archive.countEntries(), 0);
    EXPECT_FALSE(archive.openArchive(dir.file("none.big").c_str()));
    EXPECT_EQ(archive.countEntries(), 0);
    EXPECT_FALSE(archive.openArchive(dir.path().c_str()));  // a folder
}

TEST(BigDirectory, NameOf255CharactersIsReadWholeAndTheNextEntryToo) {
    TempDir dir;
    HandLaidBig big;
    big.entries = {{std::string(251, 'n') + ".ini", "long"}, {"next.str", "after"}};
    BigArchive archive;
    ASSERT_TRUE(archive.openArchive(writeArchive(dir, "n.big", big.bytes()).c_str()));
    ASSERT_EQ(archive.countEntries(), 2);
    EXPECT_EQ(std::string(archive.entryName(0)).size(), 255u);
    EXPECT_STREQ(archive.entryName(1), "next.str");
    EXPECT_STREQ(archive.entrySizeText(1), "5");
    EXPECT_FALSE(archive.directoryTruncated());
}

TEST(BigDirectory, MalformedDirectoriesEndWithTheEntriesReadCompletely) {
    TempDir dir;
    BigArchive archive;

    // A name without a zero within 255 characters ends the directory.
    HandLaidBig big;
    big.entries = {{"first.ini", "1"}, {std::string(256, 'x'), "2"}, {"third.ini", "3"}};
    ASSERT_TRUE(archive.openArchive(writeArchive(dir, "n256.big", big.bytes()).c_str()));
    EXPECT_EQ(archive.countEntries(), 1);
    EXPECT_TRUE(archive.directoryTruncated());

    // More entries announced than the directory bytes hold.
    big = threeEntries();
    big.overrideTotal = true;
    big.entryTotal = 0x7FFFFFFF;
    std::string bytes = big.bytes();
    ASSERT_TRUE(archive.openArchive(writeArchive(dir, "many.big", bytes).c_str()));
    EXPECT_GE(archive.countEntries(), 3);
    EXPECT_TRUE(archive.directoryTruncated());

    // A header size far beyond the file: only the file's bytes are read.
    big = threeEntries();
    big.overrideHeaderSize = true;
    big.headerSize = 0x7FFFFFF0;
    ASSERT_TRUE(archive.openArchive(writeArchive(dir, "wide.big", big.bytes()).c_str()));
    EXPECT_EQ(archive.countEntries(), 3);

    // A header size that ends inside the second name: the first entry only.
    big = threeEntries();
    big.overrideHeaderSize = true;
    big.headerSize = 32;  // read from offset 16: entry 1 (20 bytes), entry 2's fields, 4 name bytes
    ASSERT_TRUE(archive.openArchive(writeArchive(dir, "cut.big", big.bytes()).c_str()));
    EXPECT_EQ(archive.countEntries(), 1);
    EXPECT_TRUE(archive.directoryTruncated());

    // The file ends in the middle of the directory.
    bytes = threeEntries().bytes();
    ASSERT_TRUE(archive.openArchive(writeArchive(dir, "trunc.big", bytes.substr(0, 16 + 8 + 5)).c_str()));
    EXPECT_EQ(archive.countEntries(), 0);
    EXPECT_TRUE(archive.directoryTruncated());
}

TEST(BigDirectory, ParserStaysWithinTheBytesGiven) {
    // Every prefix of a valid directory parses without reading past it.
    std::string bytes = threeEntries().bytes().substr(16);
    for (std::size_t n = 0; n <= bytes.size(); ++n) {
        std::vector<unsigned char> exact(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        std::vector<BigEntry> out;
        bool truncated = BigArchive::parseDirectory(exact.data(), exact.size(), 3, out);
        std::size_t complete = n >= 8 + 12 + 8 + 13 + 8 + 7 ? 3 : n >= 8 + 12 + 8 + 13 ? 2 : n >= 8 + 12 ? 1 : 0;
        EXPECT_EQ(out.size(), complete) << n;
        EXPECT_EQ(truncated, complete < 3) << n;
    }
}

TEST(BigListing, SizesOf2GiBAndMoreShowAsSignedNumbers) {
    TempDir dir;
    HandLaidBig big;
    big.entries = {{"huge.bin", ""}};
    std::string bytes = big.bytes();
    // Patch the size field of the one entry (after header and offset).
    std::string size;
    testkit::putBE32(size, 0x80000000u);
    bytes.replace(16 + 4, 4, size);
    BigArchive archive;
    ASSERT_TRUE(archive.openArchive(writeArchive(dir, "h.big", bytes).c_str()));
    EXPECT_STREQ(archive.entrySizeText(0), "-2147483648");
}

TEST(BigListingTest, ListsEveryEntryOnceAndNeverReplacesTheArchive) {
    TempDir dir;
    BigArchive archive;
    const std::string path = writeArchive(dir, "three.big", threeEntries().bytes());
    ASSERT_TRUE(archive.openArchive(path.c_str()));
    const std::string listing = dir.file("list.txt");
    ASSERT_EQ(ListingResult::SAVED, saveBigListing(archive, path.c_str(), path, listing.c_str()));
    const std::string frame(61, '*');
    EXPECT_EQ(testkit::textFileBytes(frame + "\n" + path + "\n" + frame + "\n" +
                                     "Name: data\\a1.ini   (Size: 8)\n"
                                     "Name: art/tank.w3d   (Size: 300)\n"
                                     "Name: readme   (Size: 0)\n"),
              testkit::readFile(listing));

    const std::string archiveBytes = testkit::readFile(path);
    EXPECT_EQ(ListingResult::SAME_FILE, saveBigListing(archive, path.c_str(), path, path.c_str()));
    EXPECT_EQ(archiveBytes, testkit::readFile(path)) << "the archive is left as it was";
}

}  // namespace
