// The chunk layer: headers, the bounded walk and the writer's size fix-up.
#include <gtest/gtest.h>

#include <cstring>

#include "W3dChunk.h"
#include "W3dFixture.h"
#include "testkit/TestKit.h"

using namespace w3d;
using testkit::TempDir;

namespace {

const unsigned char* bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

std::vector<std::pair<std::uint32_t, std::uint32_t>> walkAll(ChunkInput& in, std::uint32_t begin, std::uint32_t end) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> seen;
    ChunkWalk walk(in, begin, end);
    Chunk c;
    while (walk.next(c)) seen.push_back({c.header.type, c.contentSize});
    return seen;
}

}  // namespace

TEST(ChunkRecords, HeadersNamesAndLittleEndianFields) {
    std::string raw;
    le::appendU32(raw, 0x0102);
    le::appendU32(raw, 0x80000010u);
    ChunkHeader h = ChunkHeader::decode(bytes(raw));
    EXPECT_EQ(h.type, 0x0102u);
    EXPECT_TRUE(h.isContainer());
    EXPECT_EQ(h.contentSize(), 16u);
    unsigned char back[8];
    h.encode(back);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back), 8), raw);

    // A name that fills its field has no terminator and is not read beyond.
    std::string full = std::string(16, 'N') + "TAIL";
    EXPECT_EQ(getName(bytes(full), 16), std::string(16, 'N'));
    std::string padded = w3dfix::field("AB", 16);
    EXPECT_EQ(getName(bytes(padded), 16), "AB");

    std::string header = w3dfix::hierarchy("SKEL", w3dfix::pivotChain("B", 3)).substr(16, 36);
    HierarchyHeader hh = HierarchyHeader::decode(bytes(header));
    EXPECT_EQ(hh.name, "SKEL");
    EXPECT_EQ(hh.numPivots, 3u);

    AnimationChannel c{1, 0x0302, 4, 6, 0xBEEF, 0};
    unsigned char enc[AnimationChannel::SIZE];
    c.encode(enc);
    EXPECT_EQ(enc[2], 0x02);
    EXPECT_EQ(enc[3], 0x03);
    EXPECT_EQ(AnimationChannel::decode(enc).pivot, 0xBEEF);
    EXPECT_STREQ(channelTypeLabel(3), "XR");
    EXPECT_STREQ(channelTypeLabel(0), "X ");
    EXPECT_STREQ(channelTypeLabel(7), "??");
}

TEST(ChunkWalkBounds, SizesAreCappedAndEveryStepMovesOn) {
    TempDir dir;
    // Three top-level chunks: a leaf, a zero-size chunk, and one whose size
    // runs past the end of the file.
    std::string file = w3dfix::chunk(0x10, "abcd") + w3dfix::chunk(0x11, "");
    std::string last;
    le::appendU32(last, 0x12);
    le::appendU32(last, 1000);
    file += last + "xyz";
    testkit::writeFile(dir.file("f.w3d"), file);
    ChunkInput in;
    ASSERT_TRUE(in.open(dir.file("f.w3d").c_str()));
    EXPECT_EQ(in.size(), file.size());
    auto seen = walkAll(in, 0, in.size());
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1], std::make_pair(0x11u, 0u));
    EXPECT_EQ(seen[2], std::make_pair(0x12u, 3u));

    // A child that claims more than its parent holds ends at the parent.
    std::string inner;
    le::appendU32(inner, 0x20);
    le::appendU32(inner, 0x7FFFFFFF);
    std::string parent = w3dfix::container(0x30, inner + "12345678") + w3dfix::chunk(0x31, "after");
    testkit::writeFile(dir.file("p.w3d"), parent);
    ASSERT_TRUE(in.open(dir.file("p.w3d").c_str()));
    ChunkWalk top(in, 0, in.size());
    Chunk outer;
    ASSERT_TRUE(top.next(outer));
    auto children = walkAll(in, outer.contentStart, outer.end());
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0].second, 8u);
    Chunk next;
    ASSERT_TRUE(top.next(next));
    EXPECT_EQ(next.header.type, 0x31u);
    EXPECT_EQ(top.consumed(), parent.size());

    // Fewer than 8 bytes left: no header is read.
    testkit::writeFile(dir.file("short.w3d"), std::string("\x10\x00\x00\x00\x00", 5));
    ASSERT_TRUE(in.open(dir.file("short.w3d").c_str()));
    EXPECT_TRUE(walkAll(in, 0, in.size()).empty());

    // A record longer than its chunk is zero-filled beyond it.
    unsigned char record[12];
    Chunk small;
    small.contentStart = 0;
    small.contentSize = 2;
    std::memset(record, 0xAA, sizeof record);
    EXPECT_EQ(readRecord(in, small, record, sizeof record), 2u);
    EXPECT_EQ(record[0], 0x10);
    EXPECT_EQ(record[2], 0);
    EXPECT_EQ(record[11], 0);
}

TEST(ChunkWriter, TopLevelSizeIsFixedUpAndFailuresKeepTheOldFile) {
    TempDir dir;
    std::string target = dir.file("anim.w3d");
    ChunkOutput out;
    ASSERT_TRUE(out.create(target, 0x0200));
    std::string content(992, 'v');
    out.chunk(0x0202, content.data(), content.size());  // 8 + 992 = 1000 bytes after the header
    ASSERT_TRUE(out.finish());
    std::string written = testkit::readFile(target);
    ASSERT_EQ(written.size(), 1008u);
    EXPECT_EQ(getU32(bytes(written)), 0x0200u);
    EXPECT_EQ(getU32(bytes(written) + 4), 0x800003E8u);
    EXPECT_EQ(getU32(bytes(written) + 12), 992u);
    EXPECT_EQ(testkit::folderNames(dir.path()), std::vector<std::string>{"anim.w3d"});

    // A writer that is dropped before it finishes leaves the old file alone.
    {
        ChunkOutput dropped;
        ASSERT_TRUE(dropped.create(target, 0x0280));
        dropped.chunk(0x0281, "x", 1);
    }
    EXPECT_EQ(testkit::readFile(target), written);
    EXPECT_EQ(testkit::folderNames(dir.path()), std::vector<std::string>{"anim.w3d"});

    // A folder that does not exist: nothing is created.
    ChunkOutput nowhere;
    EXPECT_FALSE(nowhere.create(dir.file("none/anim.w3d"), 0x0200));
    EXPECT_FALSE(nowhere.finish());
    ASSERT_TRUE(ChunkOutput::writeRaw(dir.file("raw.w3d"), "abc", 3));
    EXPECT_EQ(testkit::readFile(dir.file("raw.w3d")), "abc");
}
