// W3dAnimation: plain and compressed animations, the time-code table, the
// text dumps (expected texts written by hand from the dump rules), the W3D
// write-back, skeleton extraction and the selection interface.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "TextOutput.h"
#include "W3dAnimation.h"
#include "W3dChunk.h"
#include "W3dFixture.h"
#include "testkit/TestKit.h"

using namespace w3dfix;
using testkit::TempDir;

namespace {

const std::string EQ = std::string(58, '=') + "\n";
const std::string DASH = std::string(58, '-') + "\n";
const std::string BANNER = "****VRMOX*************************************************\n";

bool load(W3dAnimation& a, const std::string& path) {
    if (!a.open(path)) return false;
    a.read();
    a.close();
    return true;
}

std::string skeleton() {
    return hierarchy("SKL", {{"ROOTTRANSFORM", 0xFFFFFFFFu}, {"PELVIS", 0}, {"SPINE", 1}, {"HEAD", 2}, {"ARM", 2},
                             {"HAND", 4}});
}

std::vector<FixturePlainChannel> plainChannels() {
    return {{0, 2, 1, 0, 1, {1.0f, 2.0f, 3.0f}}, {1, 3, 4, 6, 5, std::vector<float>(12, 0.5f)},
            {0, 1, 1, 4, 9, {7.0f, 8.0f}}};
}

std::vector<FixtureCompressedChannel> compressedChannels() {
    return {{false, 0, 1, 0, 0, {0}, {11}},               // a leading pivot-0 run forms no group
            {false, 1, 1, 0, 0, {0, 3}, {100, 101}},
            {false, 1, 2, 1, 0, {1}, {200, 201}},
            {false, 2, 3, 3, 0, {2}, {300, 301, 302}},
            {false, 5, 4, 6, 0, {3, 4}, {1, 2, 3, 4, 5, 6, 7, 8}},
            {true, 5, 0, 2, 1, {1, 4}, {}}};
}

struct Bytes {
    std::string data;
    std::uint32_t u32(std::size_t at) const {
        return w3d::getU32(reinterpret_cast<const unsigned char*>(data.data()) + at);
    }
};

}  // namespace

TEST(AnimationDump, PlainAnimationWholeDump) {
    TempDir dir;
    testkit::writeFile(dir.file("walk.w3d"), animation("WALK", "SKL", 4, 15, plainChannels(), {{0, 3, 0, 1, 1, "x"}}));
    testkit::writeFile(dir.file("SKL.w3d"), skeleton());
    W3dAnimation a;
    ASSERT_TRUE(load(a, dir.file("walk.w3d")));
    EXPECT_EQ(a.mode(), W3dAnimation::Mode::PLAIN);
    EXPECT_EQ(a.channelCount(), 3u);  // the bit channel is stepped over
    EXPECT_FALSE(a.embeddedSkeleton());
    ASSERT_TRUE(a.write(dir.file("walk.txt")));
    std::string expected = BANNER + EQ + "Name: WALK   Skeleton: SKL\n" + "MaxFrames: 4   FrameRate: 15\n" + EQ +
                           "Type: W3D_CHUNK_ANIMATION_CHANNEL\nBone: [1] PELVIS   Length: 0-2  X [1]\n" + DASH +
                           "Type: W3D_CHUNK_ANIMATION_CHANNEL\nBone: [5] HAND   Length: 1-3  Q [4]\n" + DASH +
                           // pivot 9 has no bone: its own number and "???"
                           "Type: W3D_CHUNK_ANIMATION_CHANNEL\nBone: [9] ???   Length: 0-1  YR[1]\n" + DASH;
    EXPECT_EQ(testkit::readFile(dir.file("walk.txt")), testkit::textFileBytes(expected));
}

TEST(AnimationDump, CompressedAnimationWholeDump) {
    TempDir dir;
    testkit::writeFile(dir.file("fire.w3d"), skeleton() + compressedAnimation("FIRE", "SKL", 5, 30, compressedChannels()));
    W3dAnimation a;
    ASSERT_TRUE(load(a, dir.file("fire.w3d")));
    EXPECT_EQ(a.mode(), W3dAnimation::Mode::COMPRESSED);
    EXPECT_TRUE(a.embeddedSkeleton());
    EXPECT_EQ(a.skeletonFileName(), "");
    ASSERT_TRUE(a.write(dir.file("fire.dump")));
    // Rows of 4-character cells, the last group's cell 5 characters.
    std::string expected = BANNER + EQ + "Name: FIRE   Skeleton: SKL\n" + "MaxFrames: 5   FrameRate: 30\n" + EQ +
               "F/B [01][02][05] \n" +
               "0000" + "  * " + "    " + "     " + "\n" +
               "0001" + "  * " + "    " + "  *  " + "\n" +
               "0002" + "    " + "  * " + "     " + "\n" +
               "0003" + "  * " + "    " + "  *  " + "\n" +
               "0004" + "    " + "    " + "  *  " + "\n" + EQ;
    expected += "Type: W3D_COMPRESSED_ANIMATION_CHANNEL\nBone: [0] ROOTTRANSFORM   Length: 1  X [1]\n" + DASH +
                "Vector: 0  11\n" + DASH;
    expected += "Type: W3D_COMPRESSED_ANIMATION_CHANNEL\nBone: [1] PELVIS   Length: 2  X [1]\n" + DASH +
                "Vector: 0  100\nVector: 3  101\n" + DASH;
    expected += "Type: W3D_COMPRESSED_ANIMATION_CHANNEL\nBone: [1] PELVIS   Length: 1  Y [2]\n" + DASH +
                "Vector: 1  200  201\n" + DASH;
    expected += "Type: W3D_COMPRESSED_ANIMATION_CHANNEL\nBone: [2] SPINE   Length: 1  XR[3]\n" + DASH +
                "Vector: 2  300  301  302\n" + DASH;
    expected += "Type: W3D_COMPRESSED_ANIMATION_CHANNEL\nBone: [5] HAND   Length: 2  Q [4]\n" + DASH +
                "Vector: 3  1  2  3  4\nVector: 4  5  6  7  8\n" + DASH;
    expected += "Type: W3D_COMPRESSED_BIT_CHANNEL\nBone: [5] HAND   Length: 2  Z [1]\n" + DASH +
                "Vector: 1\nVector: 4\n" + DASH;
    EXPECT_EQ(testkit::readFile(dir.file("fire.dump")), testkit::textFileBytes(expected));
}

TEST(AnimationReader, TheAnimationReadLastWithChannelsDecidesTheMode) {
    TempDir dir;
    std::string skl = skeleton();
    std::string plain = animation("WALK", "SKL", 4, 15, plainChannels());
    std::string compressed = compressedAnimation("FIRE", "SKL", 2, 30, {{false, 1, 1, 0, 0, {1}, {42}}});

    // Plain, then compressed: the compressed animation is dumped and written.
    testkit::writeFile(dir.file("both.w3d"), skl + plain + compressed);
    W3dAnimation a;
    ASSERT_TRUE(load(a, dir.file("both.w3d")));
    EXPECT_EQ(a.mode(), W3dAnimation::Mode::COMPRESSED);
    ASSERT_TRUE(a.write(dir.file("both.txt")));
    std::string expected = BANNER + EQ + "Name: FIRE   Skeleton: SKL\n" + "MaxFrames: 2   FrameRate: 30\n" + EQ +
                           "F/B [01] \n" + "0000     \n" + "0001  *  \n" + EQ +
                           "Type: W3D_COMPRESSED_ANIMATION_CHANNEL\nBone: [1] PELVIS   Length: 1  X [1]\n" + DASH +
                           "Vector: 1  42\n" + DASH;
    EXPECT_EQ(testkit::readFile(dir.file("both.txt")), testkit::textFileBytes(expected));
    ASSERT_TRUE(a.write(dir.file("both.out.w3d")));
    EXPECT_EQ(testkit::readFile(dir.file("both.out.w3d")), compressed);

    // Compressed, then plain: the plain animation.
    testkit::writeFile(dir.file("back.w3d"), skl + compressed + plain);
    ASSERT_TRUE(load(a, dir.file("back.w3d")));
    EXPECT_EQ(a.mode(), W3dAnimation::Mode::PLAIN);
    ASSERT_TRUE(a.write(dir.file("back.out.w3d")));
    EXPECT_EQ(testkit::readFile(dir.file("back.out.w3d")), plain);

    // A later animation chunk without channels changes nothing.
    testkit::writeFile(dir.file("empty.w3d"), skl + compressed + animation("NONE", "SKL", 4, 15, {}));
    ASSERT_TRUE(load(a, dir.file("empty.w3d")));
    EXPECT_EQ(a.mode(), W3dAnimation::Mode::COMPRESSED);
}

TEST(AnimationTimeCodes, GroupsHeaderCellsAndRows) {
    TempDir dir;
    std::vector<FixtureCompressedChannel> channels = {{false, 1, 1, 0, 0, {0}, {1}},
                                                   {false, 1, 1, 1, 0, {1}, {1}},
                                                   {false, 2, 1, 0, 0, {7}, {1}},
                                                   {false, 5, 1, 0, 0, {0, 29, 30, 99}, {1, 1, 1, 1}}};
    testkit::writeFile(dir.file("t.w3d"), skeleton() + compressedAnimation("T", "SKL", 30, 30, channels));
    W3dAnimation a;
    ASSERT_TRUE(load(a, dir.file("t.w3d")));
    ASSERT_EQ(a.timeCodeLineCount(), 31u);  // the header and frames 0 to 29
    EXPECT_EQ(a.timeCodeLine(0), "F/B [01][02][05] ");
    EXPECT_EQ(a.timeCodeLine(8), "0007" + std::string("    ") + "  * " + "     ");
    EXPECT_EQ(a.timeCodeLine(30), "0029" + std::string("    ") + "    " + "  *  ");
    EXPECT_EQ(a.timeCodeLine(11).substr(0, 4), "0010");
    EXPECT_EQ(a.timeCodeLine(31), "");

    // 130 groups (pivots 1 and 2 taking turns): the lines have room for 127.
    std::vector<FixtureCompressedChannel> many;
    for (std::uint16_t g = 0; g < 130; ++g)
        many.push_back({false, static_cast<std::uint16_t>(1 + g % 2), 1, 0, 0, {2}, {0}});
    testkit::writeFile(dir.file("many.w3d"), skeleton() + compressedAnimation("M", "SKL", 3, 30, many));
    ASSERT_TRUE(load(a, dir.file("many.w3d")));
    EXPECT_EQ(a.timeCodeLine(0).size(), 4u + 127u * 4u + 1u);
    EXPECT_EQ(a.timeCodeLine(3).size(), 4u + 126u * 4u + 5u);
    EXPECT_EQ(a.timeCodeLine(3).substr(4 + 126 * 4), "  *  ");
    // Three-digit pivots make longer cells; the line is cut at 519 characters.
    std::vector<FixtureCompressedChannel> wide;
    for (std::uint16_t p = 100; p < 230; ++p) wide.push_back({false, p, 1, 0, 0, {0}, {0}});
    testkit::writeFile(dir.file("wide.w3d"), skeleton() + compressedAnimation("W", "SKL", 1, 30, wide));
    ASSERT_TRUE(load(a, dir.file("wide.w3d")));
    EXPECT_EQ(a.timeCodeLine(0).size(), W3dAnimation::TABLE_LINE_LIMIT);
    EXPECT_EQ(a.timeCodeLine(0).substr(0, 14), "F/B [100][101]");
}

TEST(AnimationOutput, OutputNameSpellingsChooseTheWriter) {
    TempDir dir;
    testkit::writeFile(dir.file("a.w3d"), skeleton() + animation("A", "SKL", 3, 30, plainChannels()));
    W3dAnimation a;
    ASSERT_TRUE(load(a, dir.file("a.w3d")));
    std::string w3dMagic("\x00\x02\x00\x00", 4);
    ASSERT_TRUE(a.write(dir.file("anim.txt")));
    EXPECT_EQ(testkit::readFile(dir.file("anim.txt")).substr(0, 9), "****VRMOX");
    ASSERT_TRUE(a.write(dir.file("anim.w3d")));
    EXPECT_EQ(testkit::readFile(dir.file("anim.w3d")).substr(0, 4), w3dMagic);
    ASSERT_TRUE(a.write(dir.file("UPPER.W3D")));
    EXPECT_EQ(testkit::readFile(dir.file("UPPER.W3D")).substr(0, 4), w3dMagic);
    ASSERT_TRUE(a.write(dir.file("mixed.W3d")));
    EXPECT_EQ(testkit::readFile(dir.file("mixed.W3d")).substr(0, 9), "****VRMOX");
    ASSERT_TRUE(a.write(dir.file("more.w3dx")));  // begins with ".w3d"
    EXPECT_EQ(testkit::readFile(dir.file("more.w3dx")).substr(0, 4), w3dMagic);
    EXPECT_FALSE(a.write(dir.file("nodot")));
    EXPECT_FALSE(testkit::fileExists(dir.file("nodot")));
    // A folder that does not exist: nothing is written, no skeleton follows.
    EXPECT_FALSE(a.write(dir.file("absent/x.w3d")));
    EXPECT_FALSE(testkit::fileExists(dir.file("absent/SKL.w3d")));
}

TEST(AnimationOutput, PlainWriteBackKeepsHeadersChannelsAndValues) {
    TempDir dir;
    std::string input = animation("WALK", "SKL", 4, 15, plainChannels(), {{0, 3, 0, 1, 1, "bits"}});
    testkit::writeFile(dir.file("walk.w3d"), input);
    testkit::writeFile(dir.file("SKL.w3d"), skeleton());
    W3dAnimation a;
    ASSERT_TRUE(load(a, dir.file("walk.w3d")));
    ASSERT_TRUE(a.write(dir.file("copy.w3d")));
    Bytes out{testkit::readFile(dir.file("copy.w3d"))};
    // The bit channel is lost: the copy is the input without it, with the
    // top-level size recomputed.
    std::string expected = animation("WALK", "SKL", 4, 15, plainChannels());
    ASSERT_EQ(out.data.size(), expected.size());
    EXPECT_EQ(out.u32(4), static_cast<std::uint32_t>(expected.size() - 8) | 0x80000000u);
    EXPECT_EQ(out.data.substr(8), expected.substr(8));

    W3dAnimation back;
    ASSERT_TRUE(load(back, dir.file("copy.w3d")));
    ASSERT_EQ(back.channelCount(), a.channelCount());
    for (std::size_t i = 0; i < a.channelCount(); ++i) {
        EXPECT_EQ(back.plainChannel(i).pivot, a.plainChannel(i).pivot);
        EXPECT_EQ(back.plainChannel(i).lastFrame, a.plainChannel(i).lastFrame);
        EXPECT_EQ(back.channelValues(i), a.channelValues(i));
        EXPECT_EQ(back.channelRecord(i).contentSize, a.channelRecord(i).contentSize);
    }
}

TEST(AnimationOutput, CompressedWriteBackAndSkeletonExtraction) {
    TempDir dir;
    std::string skl = skeleton();
    std::string anim = compressedAnimation("FIRE", "SKL", 5, 30, compressedChannels());
    testkit::writeFile(dir.file("in/fire.w3d"), skl + anim);
    testkit::writeFile(dir.file("out/keep.txt"), "x");
    W3dAnimation a;
    ASSERT_TRUE(load(a, dir.file("in/fire.w3d")));
    ASSERT_TRUE(a.write(dir.file("out/run.w3d")));
    std::string copy = testkit::readFile(dir.file("out/run.w3d"));
    ASSERT_EQ(copy.size(), anim.size());
    EXPECT_EQ(Bytes{copy}.u32(4), static_cast<std::uint32_t>(anim.size() - 8) | 0x80000000u);
    EXPECT_EQ(copy.substr(8), anim.substr(8));
    // The animation's own hierarchy lands beside the output, byte for byte.
    EXPECT_EQ(testkit::readFile(dir.file("out/SKL.w3d")), skl);
    EXPECT_EQ(a.extractedSkeletonPath("C:\\out\\run.w3d"), "C:\\out\\SKL.w3d");
    EXPECT_EQ(a.extractedSkeletonPath("run.w3d"), "SKL.w3d");
    // A hierarchy name cannot lead the copy out of the output's folder.
    a.rename("", "..\\x/y:z");
    EXPECT_EQ(a.extractedSkeletonPath("C:\\out\\run.w3d"), "C:\\out\\.._x_y_z.w3d");

    // A text dump extracts nothing.
    TempDir other;
    ASSERT_TRUE(a.write(other.file("fire.txt")));
    EXPECT_FALSE(testkit::fileExists(other.file("SKL.w3d")));
}

TEST(AnimationOutput, ValuesComeFromTheFileAtTheWriteWhichMayReplaceItButNeverFromAChangedFile) {
    TempDir dir;
    const std::string anim = compressedAnimation("FIRE", "SKL", 5, 30, compressedChannels());
    testkit::writeFile(dir.file("SKL.w3d"), skeleton());
    testkit::writeFile(dir.file("fire.w3d"), anim);
    W3dAnimation a;
    ASSERT_TRUE(load(a, dir.file("fire.w3d")));
    ASSERT_TRUE(a.write(dir.file("fire.txt")));
    const std::string dump = testkit::readFile(dir.file("fire.txt"));
    // Written over the animation it reads (the file is let go before the
    // copy takes its place): the same bytes, and a dump read again from them.
    ASSERT_TRUE(a.write(dir.file("fire.w3d")));
    EXPECT_EQ(testkit::readFile(dir.file("fire.w3d")).substr(8), anim.substr(8));
    ASSERT_TRUE(a.write(dir.file("again.txt")));
    EXPECT_EQ(testkit::readFile(dir.file("again.txt")), dump);

    // A file that has grown or shrunk since it was read gives neither a dump
    // nor a copy, and an earlier output stays as it was.
    for (const std::string& changed : {anim + "more", anim.substr(0, anim.size() - 3)}) {
        testkit::writeFile(dir.file("fire.w3d"), changed);
        EXPECT_FALSE(a.write(dir.file("fire.txt")));
        EXPECT_FALSE(a.write(dir.file("copy.w3d")));
        EXPECT_EQ(testkit::readFile(dir.file("fire.txt")), dump);
        EXPECT_FALSE(testkit::fileExists(dir.file("copy.w3d")));
    }
}

TEST(AnimationSelection, RecordsRenameAndSelectedChannels) {
    TempDir dir;
    std::string skl = skeleton();
    testkit::writeFile(dir.file("walk.w3d"), skl + animation("WALK", "SKL", 4, 15, plainChannels()));
    W3dAnimation a;
    ASSERT_TRUE(load(a, dir.file("walk.w3d")));
    EXPECT_EQ(a.boneRecord(3), "HEAD;3;");
    EXPECT_EQ(a.boneRecord(6), "");
    EXPECT_EQ(a.skeletonRecord(0), "SKL;6;");
    EXPECT_EQ(a.skeletonRecord(1), "");
    EXPECT_EQ(a.channelKey(1), "3;5;");
    EXPECT_EQ(a.channelRecordText(1), "3;5;Q ;");
    EXPECT_EQ(a.channelRecordText(3), "");
    EXPECT_EQ(a.animationRecord(), "WALK;SKL;4;ANIM_TIMEFRAMES;");

    a.rename("STROLL", "BODY");
    EXPECT_EQ(a.animationRecord(), "STROLL;BODY;4;ANIM_TIMEFRAMES;");
    EXPECT_EQ(a.skeletonRecord(0), "BODY;6;");
    EXPECT_FALSE(a.selectChannel("NOSUCHBONE", 0));
    EXPECT_FALSE(a.selectChannel("HEAD", 3));
    ASSERT_TRUE(a.selectChannel("HEAD", 2));
    ASSERT_TRUE(a.selectChannel("PELVIS", 0));
    ASSERT_TRUE(a.write(dir.file("sel.w3d")));

    W3dAnimation back;
    ASSERT_TRUE(load(back, dir.file("sel.w3d")));  // its skeleton: the extracted BODY.w3d
    ASSERT_EQ(back.channelCount(), 2u);
    EXPECT_EQ(back.plainHeader().name, "STROLL");
    EXPECT_EQ(back.plainHeader().hierarchyName, "BODY");
    EXPECT_EQ(back.plainChannel(0).pivot, 3);  // channel 2, now on HEAD
    EXPECT_EQ(back.plainChannel(0).lastFrame, 1);
    EXPECT_EQ(back.channelValues(0), a.channelValues(2));
    EXPECT_EQ(back.plainChannel(1).pivot, 1);
    EXPECT_EQ(back.channelValues(1), a.channelValues(0));
    EXPECT_EQ(back.boneCount(), 6u);
    EXPECT_EQ(back.skeletonRecord(0), "BODY;6;");
    // The extracted skeleton differs from the input's only in its name.
    std::string extracted = testkit::readFile(dir.file("BODY.w3d"));
    std::string renamed = hierarchy("BODY", {{"ROOTTRANSFORM", 0xFFFFFFFFu}, {"PELVIS", 0}, {"SPINE", 1},
                                             {"HEAD", 2}, {"ARM", 2}, {"HAND", 4}});
    EXPECT_EQ(extracted, renamed);

    // Compressed: keys are the table's lines.
    testkit::writeFile(dir.file("fire.w3d"), skl + compressedAnimation("FIRE", "SKL", 5, 30, compressedChannels()));
    ASSERT_TRUE(load(a, dir.file("fire.w3d")));
    // The header's start is "F/B " and a blank; every rest begins at the
    // line's seventh character.
    EXPECT_EQ(a.channelKey(0), "F/B  ;1][02][05] ;");
    EXPECT_EQ(a.channelKey(2), "0001;*       *  ;");
    EXPECT_EQ(a.channelKey(3), "0002;    *      ;");
    EXPECT_EQ(a.channelKey(6), "");
    EXPECT_EQ(a.channelRecordText(5), "2;5;Z ;");
    EXPECT_EQ(a.animationRecord(), "FIRE;SKL;5;ANIM_FLAVOR_TIMECODED;");
}

TEST(TextOutputNumbers, DigitsAreThoseOfPrintf) {
    std::vector<std::uint64_t> values = {0ull, 101ull, 65535ull, 4294967295ull, 4294967296ull, 18446744073709551615ull};
    // Both sides of every change in the count of digits.
    for (std::uint64_t power = 10; power != 0 && power <= 10000000000000000000ull; power = power * 10) {
        values.push_back(power - 1);
        values.push_back(power);
        if (power == 10000000000000000000ull) break;
    }
    for (std::uint64_t v : values) {
        char ours[24];
        char theirs[24];
        const std::string text(ours, TextOutput::putUnsigned(ours, v));
        std::snprintf(theirs, sizeof theirs, "%llu", static_cast<unsigned long long>(v));
        EXPECT_EQ(text, theirs);
    }
}
