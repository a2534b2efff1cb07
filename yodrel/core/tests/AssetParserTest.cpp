// The asset parser and its dump: line formats, the tag table, the scanning
// rules of the string pool, block boundaries, and the import and publishing
// of a slot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "AssetDumpReference.h"
#include "AssetTestSupport.h"
#include "AssetWorkspace.h"
#include "platform/Platform.h"

using namespace assettest;

namespace {

// Imports bytes through slot 0 of a workspace whose work folder is `dir`,
// and returns the lines of its temporary dump.
std::vector<std::string> importLines(const testkit::TempDir& dir, const std::string& bytes,
                                     std::int32_t* stringOffset = nullptr, int* blocks = nullptr) {
    const std::string path = dir.file("input.dat");
    testkit::writeFile(path, bytes);
    AssetWorkspace workspace(dir.path());
    workspace.setImportPath(0, path);
    EXPECT_TRUE(workspace.importAssetFile(0)) << workspace.lastError();
    if (stringOffset) *stringOffset = workspace.parser(0).stringSectionOffset();
    if (blocks) *blocks = workspace.blockCount(0);
    return lines(testkit::readFile(workspace.parser(0).tempName()));
}

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(AssetDump, WritesEveryLineKindExactly) {
    testkit::TempDir dir;
    AssetFixtureHeader header;
    header.tag = "AIDX";
    header.headerWord1 = 7;
    header.headerWord3 = 40;
    std::vector<AssetFixtureEntry> entries = {
        entry("art/tree.w3d", {model("tree01", "HSEM", 5, 9)}),
        entry("art/rock.w3d", {model("rockA", "XOB ", -1, 123456), model("rockB", "ZYXW", 0, 0)}),
    };
    const std::string strings = assetStringBytes("art/tree.w3d") + assetStringBytes("banner") +
                                assetStringBytes("ROCK.W3D") + std::string(1, '\0');
    const std::string file = assetFileBytes(header, entries, strings);
    std::int32_t offset = 0;
    std::vector<std::string> got = importLines(dir, file, &offset);
    const std::vector<std::string> expected = {
        std::string(49, '='),
        "HEADER: [AIDX][7 2 40]",
        std::string(49, '='),
        "ENTRY:  [12] art/tree.w3d [1]",
        " model  [ 6] MESH  tree01 [9 5]",
        "ENTRY:  [12] art/rock.w3d [2]",
        " model  [ 5] BOX   rockA [123456 -1]",
        " model  [ 5] ZYXW  rockB [0 0]",
        "STRING: [12] art/tree.w3d",
        " string [6] banner",
        " string [8] ROCK.W3D",
    };
    EXPECT_EQ(got, expected);
    // The string section starts right after the third model record.
    EXPECT_EQ(offset, static_cast<std::int32_t>(file.size() - strings.size()));
}

TEST(AssetDump, RecognisesTagsByTheirFirstThreeBytes) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"HSEM", "MESH"}, {"REIH", "HIER"}, {"DOLH", "HLOD"}, {"MINA", "ANIM"}, {"TRAP", "PART"},
        {"XOB ", "BOX "}, {"XET ", "TEX "}, {"HSEX", "MESH"}, {"XOBZ", "BOX "}, {"MESH", "MESH"},
        {"HSXM", "HSXM"}, {"ABCD", "ABCD"}, {"hsem", "hsem"},
    };
    for (const auto& c : cases) {
        char shownTag[5];
        AssetDatParser::shownTag(reinterpret_cast<const unsigned char*>(c.first.data()), shownTag);
        EXPECT_EQ(std::string(shownTag), c.second) << c.first;
    }
}

TEST(AssetDump, StringPoolSkipsShortLengthsAndBytesBeforeThem) {
    testkit::TempDir dir;
    AssetFixtureHeader header;
    std::vector<AssetFixtureEntry> entries = {entry("e", {model("m", "HSEM", 1, 2)})};
    // 0x05 followed by 0x02: skipped although 5 would start a text.
    // 0x02 and 0x01 as lengths: skipped. 0x00 as a length: skipped.
    const std::string strings = std::string("\x05\x02\x03" "abc", 6) + std::string("\x01\x03" "xyz", 5) +
                                std::string("\x00\x00\x04" "w3d!", 7) + std::string("\x02\x00", 2) +
                                assetStringBytes("last one");
    std::vector<std::string> got = importLines(dir, assetFileBytes(header, entries, strings));
    EXPECT_EQ(got, concat(expectedLines(header, entries),
                          {" string [3] abc", " string [3] xyz", " string [4] w3d!", " string [8] last one"}));
}

TEST(AssetDump, ReadsA1500ByteFileAsTwoBlocks) {
    testkit::TempDir dir;
    AssetFixtureHeader header;
    std::vector<AssetFixtureEntry> entries;
    for (int i = 0; i < 10; ++i) entries.push_back(entry("entry_" + std::to_string(i), {model("m", "REIH", i, i)}));
    std::string strings;
    std::vector<std::string> stringLines;
    std::string head = assetFileBytes(header, entries, "");
    for (int i = 0; head.size() + strings.size() + 20 < 1500; ++i) {
        std::string text = "pool_text_" + std::to_string(1000 + i);  // 14 characters
        strings += assetStringBytes(text);
        stringLines.push_back(stringLine(text));
    }
    std::string file = head + strings;
    file.resize(1500, '\0');
    int blocks = 0;
    std::vector<std::string> got = importLines(dir, file, nullptr, &blocks);
    EXPECT_EQ(blocks, 2);
    // The zero filling after byte 1500 adds no line.
    EXPECT_EQ(got, concat(expectedLines(header, entries), stringLines));
}

TEST(AssetDump, FindsAStringSectionThatBeginsInTheFinalTail) {
    testkit::TempDir dir;
    AssetFixtureHeader header;
    // 22 entries of 84 bytes and one of 36: the strings begin at byte 1900,
    // inside the last 256 bytes of the zero-filled second block.
    std::vector<AssetFixtureEntry> entries;
    for (int i = 0; i < 22; ++i)
        entries.push_back(entry(std::string(30, static_cast<char>('A' + i)), {model(std::string(30, 'm'), "HSEM", i, 0)}));
    entries.push_back(entry("short1", {model("mod001", "DOLH", 0, 0)}));
    const std::string strings = assetStringBytes("art/late.w3d") + std::string(12, '\0');
    const std::string file = assetFileBytes(header, entries, strings);
    ASSERT_EQ(file.size() - strings.size(), 1900u);

    AssetDatParser parser;
    ASSERT_TRUE(parser.reset(9, dir.path() + testkit::SEP));
    unsigned char block[1024];
    for (std::size_t offset = 0; offset < file.size(); offset += 1024) {
        std::memset(block, 0, sizeof block);
        std::memcpy(block, file.data() + offset, std::min<std::size_t>(1024, file.size() - offset));
        parser.feedBlock(block, 1024);
    }
    EXPECT_EQ(parser.stringSectionOffset(), 0);  // not reached before the tail
    ASSERT_TRUE(parser.finish());
    EXPECT_EQ(parser.stringSectionOffset(), 1900);
    EXPECT_EQ(lines(testkit::readFile(parser.tempName())),
              concat(expectedLines(header, entries), {stringLine("art/late.w3d")}));
}

TEST(AssetDump, ParsesLongRecordsWholeAtEveryBlockAlignment) {
    testkit::TempDir dir;
    AssetFixtureHeader header;
    const std::string strings = assetStringBytes(std::string(200, 'q') + ".w3d") + assetStringBytes("tail text");
    // The first name's length shifts every later record across the block
    // boundaries; names of up to 255 bytes make records longer than the
    // 256-byte reserve.
    for (int shift = 0; shift < 256; shift += 3) {
        std::vector<AssetFixtureEntry> entries;
        entries.push_back(entry(std::string(static_cast<std::size_t>(shift), 'S'), {}));
        for (int i = 0; i < 12; ++i) {
            std::size_t length = static_cast<std::size_t>((i * 53 + shift) % 256);
            entries.push_back(entry(std::string(length, static_cast<char>('a' + i)),
                                    {model(std::string(255 - length, 'M'), "MINA", i, shift),
                                     model("x", "TRAP", 0, 1)}));
        }
        std::int32_t offset = 0;
        const std::string file = assetFileBytes(header, entries, strings);
        std::vector<std::string> got = importLines(dir, file, &offset);
        ASSERT_EQ(got, concat(expectedLines(header, entries),
                              {stringLine(std::string(200, 'q') + ".w3d"), stringLine("tail text")}))
            << "shift " << shift;
        ASSERT_EQ(offset, static_cast<std::int32_t>(file.size() - strings.size())) << "shift " << shift;
    }
}

TEST(AssetDump, EndsTheEntrySectionAtTheLastEntry) {
    testkit::TempDir dir;
    // The last entry has no models: the strings still begin after it.
    AssetFixtureHeader header;
    std::vector<AssetFixtureEntry> entries = {entry("withModel", {model("m", "HSEM", 1, 1)}), entry("noModels", {})};
    const std::string strings = assetStringBytes("a string");
    std::int32_t offset = 0;
    std::string file = assetFileBytes(header, entries, strings);
    EXPECT_EQ(importLines(dir, file, &offset), concat(expectedLines(header, entries), {stringLine("a string")}));
    EXPECT_EQ(offset, static_cast<std::int32_t>(file.size() - strings.size()));

    // No entries at all: the strings follow the header.
    AssetFixtureHeader none;
    file = assetFileBytes(none, {}, strings);
    EXPECT_EQ(importLines(dir, file, &offset), concat(expectedLines(none, {}), {stringLine("a string")}));
    EXPECT_EQ(offset, 16);
}

// Blocks handed over many at a time are parsed where they lie, not through
// the work buffer; the dump, the string-section offset and the carry must be
// those of the same blocks fed one by one, wherever the groups begin and end.
TEST(AssetDump, ParsesGroupsOfBlocksAsBlockByBlock) {
    testkit::TempDir dir;
    std::mt19937 random(4242);
    auto randomBytes = [&](std::size_t size) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(random() % 256);
        return bytes;
    };
    std::vector<std::string> inputs;
    // Entries and models with names of every length up to 255 (records
    // longer than the reserve), then texts with and without ".w3d".
    {
        AssetFixtureHeader header;
        std::vector<AssetFixtureEntry> entries;
        std::string strings;
        for (int i = 0; i < 900; ++i) {
            const std::size_t length = random() % 256;
            std::vector<AssetFixtureModel> models;
            for (std::uint32_t m = random() % 4; m > 0; --m)
                models.push_back(model(std::string(random() % 256, 'm'), i % 2 ? "HSEM" : "ZZZZ",
                                       static_cast<int>(random()), -static_cast<int>(random() % 1000)));
            entries.push_back(entry(std::string(length, static_cast<char>('a' + i % 26)), models));
        }
        for (int i = 0; i < 3000; ++i) {
            std::string text(4 + random() % 252, 't');
            if (i % 3 == 0) text.replace(random() % (text.size() - 3), 4, ".w3d");
            strings += assetStringBytes(text) + std::string(random() % 3, '\0');
        }
        inputs.push_back(assetFileBytes(header, entries, strings));
    }
    // A sample table, the same cut inside its entries, and noise.
    const std::string sample = dir.file("sample.dat");
    ASSERT_TRUE(writeAssetSample(sample, 700 * 1024, 9, 3, nullptr));
    inputs.push_back(testkit::readFile(sample));
    inputs.push_back(inputs.back().substr(0, 200 * 1024 + 77));
    inputs.push_back(randomBytes(300 * 1024 + 5));

    for (std::size_t n = 0; n < inputs.size(); ++n) {
        std::string bytes = inputs[n];
        bytes.resize((bytes.size() + 1023) / 1024 * 1024, '\0');  // whole blocks, as an import feeds them
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        const std::size_t blocks = bytes.size() / 1024;

        AssetDatParser single;
        ASSERT_TRUE(single.reset(1, dir.path() + testkit::SEP));
        for (std::size_t b = 0; b < blocks; ++b) single.feedBlock(data + b * 1024, 1024);
        const std::size_t singleCarry = single.carryLength();
        ASSERT_TRUE(single.finish());

        AssetDatParser grouped;
        ASSERT_TRUE(grouped.reset(2, dir.path() + testkit::SEP));
        for (std::size_t b = 0; b < blocks;) {
            const std::size_t count = std::min<std::size_t>(blocks - b, 1 + random() % 300);
            grouped.feedBlocks(data + b * 1024, count);
            b += count;
        }
        EXPECT_EQ(grouped.carryLength(), singleCarry) << "input " << n;
        ASSERT_TRUE(grouped.finish());

        EXPECT_EQ(grouped.stringSectionOffset(), single.stringSectionOffset()) << "input " << n;
        const std::string expected = testkit::readFile(single.tempName());
        EXPECT_GT(expected.size(), 1000u) << "input " << n;
        EXPECT_TRUE(testkit::readFile(grouped.tempName()) == expected) << "input " << n;

        const ReferenceDump reference = referenceAssetDump(data, bytes.size());
        EXPECT_TRUE(expected == testkit::textFileBytes(reference.text)) << "input " << n;
        EXPECT_EQ(single.stringSectionOffset(), reference.stringSectionOffset) << "input " << n;

        // The import, which reads ahead in large pieces, gives the same dump
        // (of a file whose entries end within it: others are refused).
        const std::int32_t strings = single.stringSectionOffset();
        if (strings >= 16 && static_cast<std::size_t>(strings) <= inputs[n].size()) {
            std::int32_t offset = 0;
            EXPECT_EQ(importLines(dir, inputs[n], &offset), lines(expected)) << "input " << n;
            EXPECT_EQ(offset, strings) << "input " << n;
        }
    }
}

TEST(AssetImport, ReportsFilesThatCannotBeReadOrDumped) {
    testkit::TempDir dir;
    AssetWorkspace workspace(dir.path());
    EXPECT_FALSE(workspace.importAssetFile(0));  // no path
    workspace.setImportPath(0, dir.file("missing.dat"));
    EXPECT_FALSE(workspace.importAssetFile(0));
    EXPECT_FALSE(workspace.imported(0));
    EXPECT_NE(workspace.lastError().find("missing.dat"), std::string::npos);

    // A work folder that does not exist: the dump cannot be written.
    testkit::writeFile(dir.file("a.dat"), assetFileBytes({}, {entry("e", {})}, ""));
    AssetWorkspace nowhere(dir.file("no/such/folder"));
    nowhere.setImportPath(0, dir.file("a.dat"));
    EXPECT_FALSE(nowhere.importAssetFile(0));
    EXPECT_FALSE(nowhere.imported(0));

    // An empty file is shorter than the header: refused, nothing is published.
    testkit::writeFile(dir.file("empty.dat"), "");
    workspace.setImportPath(0, dir.file("empty.dat"));
    EXPECT_FALSE(workspace.importAssetFile(0));
    EXPECT_EQ(workspace.blockCount(0), 0);
    EXPECT_FALSE(workspace.publishDump(0));
    EXPECT_FALSE(testkit::fileExists(dir.file("ZZZ000_Asset.txt")));
}

TEST(AssetImport, PublishesEachSlotsDumpBesideItsFile) {
    testkit::TempDir dir;
    testkit::TempDir work;
    AssetFixtureHeader header;
    const std::string first = assetFileBytes(header, {entry("one", {model("m1", "HSEM", 1, 2)})}, assetStringBytes("first"));
    const std::string second = assetFileBytes(header, {entry("two", {})}, assetStringBytes("second"));
    testkit::writeFile(dir.file("in/first.dat"), first);
    testkit::writeFile(dir.file("in/sub/second.dat"), second);
    AssetWorkspace workspace(work.path());
    workspace.setImportPath(0, dir.file("in/first.dat"));
    workspace.setImportPath(1, dir.file("in/sub/second.dat"));
    ASSERT_TRUE(workspace.importAssetFile(0));
    ASSERT_TRUE(workspace.importAssetFile(1));
    const std::string temp0 = workspace.parser(0).tempName();
    EXPECT_EQ(temp0, work.file("USER_ASSET01.tmp"));
    EXPECT_EQ(workspace.parser(1).tempName(), work.file("USER_ASSET02.tmp"));
    const std::string dump0 = testkit::readFile(temp0);
    ASSERT_TRUE(workspace.publishDump(0));
    ASSERT_TRUE(workspace.publishDump(1));
    EXPECT_EQ(workspace.dumpName(0), dir.file("in/ZZZ000_Asset.txt"));
    EXPECT_EQ(workspace.dumpName(1), dir.file("in/sub/ZZZ001_Asset.txt"));
    EXPECT_EQ(testkit::readFile(workspace.dumpName(0)), dump0);
    EXPECT_EQ(lines(dump0).back(), " string [5] first");
    EXPECT_EQ(lines(testkit::readFile(workspace.dumpName(1))).back(), " string [6] second");
    EXPECT_FALSE(testkit::fileExists(temp0));
    EXPECT_FALSE(testkit::fileExists(dir.file("in/ZZZ000_Asset.txt.~tmp")));
    // Published once: the temporary dump is gone, a second publish writes
    // nothing and keeps the dump file.
    EXPECT_FALSE(workspace.publishDump(0));
    EXPECT_EQ(testkit::readFile(workspace.dumpName(0)), dump0);

    // Clear forgets the dumps and imports.
    workspace.clear();
    EXPECT_EQ(workspace.dumpName(0), "");
    EXPECT_FALSE(workspace.imported(1));
    EXPECT_FALSE(workspace.publishDump(1));

    // A path without a folder publishes into the current folder.
    testkit::CurrentDirectoryGuard guard(dir.file("in"));
    workspace.setImportPath(0, "first.dat");
    ASSERT_TRUE(workspace.importAssetFile(0));
    ASSERT_TRUE(workspace.publishDump(0));
    EXPECT_EQ(workspace.dumpName(0).substr(0, platform::currentDirectory().size()), platform::currentDirectory());
    EXPECT_EQ(testkit::readFile(dir.file("in/ZZZ000_Asset.txt")), dump0);
}

TEST(AssetImport, ASecondImportStartsOver) {
    testkit::TempDir dir;
    AssetFixtureHeader header;
    std::vector<AssetFixtureEntry> big;
    for (int i = 0; i < 40; ++i) big.push_back(entry("entry" + std::to_string(i), {model("m", "HSEM", 0, 0)}));
    std::vector<AssetFixtureEntry> small = {entry("only", {})};
    const std::string path = dir.file("a.dat");
    AssetWorkspace workspace(dir.path());
    workspace.setImportPath(0, path);
    testkit::writeFile(path, assetFileBytes(header, big, assetStringBytes("big")));
    ASSERT_TRUE(workspace.importAssetFile(0));
    testkit::writeFile(path, assetFileBytes(header, small, assetStringBytes("small")));
    ASSERT_TRUE(workspace.importAssetFile(0));
    EXPECT_EQ(lines(testkit::readFile(workspace.parser(0).tempName())),
              concat(expectedLines(header, small), {" string [5] small"}));
    EXPECT_EQ(workspace.parser(0).entriesSeen(), 1u);
}

// The fast dump against the plain formatter, on a small table with every line
// kind and the odd cases (long and zero-holding names, unknown tags, texts
// with ".w3d" past what is shown), damaged at random places, and on random
// bytes; fed in whole blocks as an import feeds them, and in pieces of any
// length that move every record across the block boundaries.
TEST(AssetDump, MatchesThePlainFormatterOnDamagedAndRandomInput) {
    testkit::TempDir dir;
    std::mt19937 random(1717);
    const std::string table = assetFileBytes(
        AssetFixtureHeader(),
        {entry("alpha", {model("m1", "HSEM", 1, -2), model(std::string(70, 'x'), "XOB ", 3, 2147483647)}),
         entry(std::string(40, 'b') + std::string(1, '\0') + "tail", {}),
         entry("gamma", {model(std::string("z\0z", 3), std::string("Q\0RS", 4), -2147483647 - 1, 6)})},
        assetStringBytes("unit.w3d") + std::string(2, '\0') + assetStringBytes(std::string(100, 's') + ".w3d") +
            assetStringBytes(std::string("no\0.w3d", 8)) + assetStringBytes("plain text") + "\x07\x01");
    AssetDatParser blocks, pieces;
    for (int round = 0; round < 200; ++round) {
        std::string bytes = table;
        if (round % 2 == 0) {
            for (int k = 1 + static_cast<int>(random() % 6); k > 0; --k)
                bytes[random() % bytes.size()] = static_cast<char>(random());
            bytes.resize(bytes.size() - random() % 40);
        } else {
            bytes.assign(random() % 5000, '\0');
            for (char& c : bytes) c = static_cast<char>(random() % 4 ? random() % 256 : random() % 3);
        }
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        const ReferenceDump plain = referenceAssetDump(data, bytes.size());

        std::string padded = bytes;
        padded.resize((padded.size() + 1023) / 1024 * 1024, '\0');
        const ReferenceDump paddedPlain =
            referenceAssetDump(reinterpret_cast<const unsigned char*>(padded.data()), padded.size());
        ASSERT_TRUE(blocks.reset(1, dir.path() + testkit::SEP));
        for (std::size_t at = 0; at < padded.size(); at += 1024)
            blocks.feedBlock(reinterpret_cast<const unsigned char*>(padded.data()) + at, 1024);
        ASSERT_TRUE(blocks.finish());
        EXPECT_TRUE(testkit::readFile(blocks.tempName()) == testkit::textFileBytes(paddedPlain.text))
            << "round " << round;
        EXPECT_EQ(blocks.stringSectionOffset(), paddedPlain.stringSectionOffset) << "round " << round;

        const std::size_t step = 16 + random() % (AssetDatParser::BLOCK_SIZE - 15);
        ASSERT_TRUE(pieces.reset(2, dir.path() + testkit::SEP));
        for (std::size_t at = 0; at < bytes.size(); at += step)
            pieces.feedBlock(data + at, std::min(step, bytes.size() - at));
        ASSERT_TRUE(pieces.finish());
        EXPECT_TRUE(testkit::readFile(pieces.tempName()) == testkit::textFileBytes(plain.text)) << "round " << round;
        EXPECT_EQ(pieces.stringSectionOffset(), plain.stringSectionOffset) << "round " << round;
    }
}
