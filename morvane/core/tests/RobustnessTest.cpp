// Damaged W3D files: every read stays inside its chunk and its file, counts
// that do not fit their chunk are cut to what is there, nothing is allocated
// beyond what the file holds, and each read ends.
#include <gtest/gtest.h>

#include "W3dAnimation.h"
#include "W3dChunk.h"
#include "W3dFixture.h"
#include "W3dModel.h"
#include "testkit/TestKit.h"

using namespace w3dfix;
using testkit::TempDir;

namespace {

void setU32At(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

template <typename Reader>
bool load(Reader& r, const std::string& path) {
    if (!r.open(path)) return false;
    r.read();
    r.close();
    return true;
}

std::string sampleModel() {
    return hierarchy("SKL", pivotChain("B", 4)) +
           mesh({"U", "BODY", 6, 2, {1, 1, 2, 2, 3, 3}, {"a.tga"}, "d.tga", "n.tga", true}) +
           mesh({"U", "ARM", 3, 1, {3, 3, 3}, {}, "", "", true}) +
           hlod("U", "SKL", {{{1, "U.BODY"}, {3, "U.ARM"}, {0, "U.BOXA"}}}) + box("U.BOXA");
}

std::string sampleAnimations() {
    return hierarchy("SKL", pivotChain("B", 4)) +
           animation("P", "SKL", 3, 30, {{0, 2, 1, 0, 1, {1, 2, 3}}, {0, 2, 4, 6, 2, std::vector<float>(12, 1)}},
                     {{0, 2, 0, 1, 0, "x"}}) +
           compressedAnimation("C", "SKL", 4, 30,
                               {{false, 1, 2, 0, 0, {0, 3}, {1, 2, 3, 4}}, {true, 2, 0, 1, 1, {1, 2}, {}}});
}

}  // namespace

TEST(DamagedModels, EveryTruncationIsReadAsFarAsItGoes) {
    TempDir dir;
    std::string full = sampleModel();
    W3dModel model;
    for (std::size_t n = 1; n <= full.size(); ++n) {
        testkit::writeFile(dir.file("cut.w3d"), full.substr(0, n));
        ASSERT_TRUE(load(model, dir.file("cut.w3d"))) << n;
        EXPECT_LE(model.meshCount(), 2u);
        EXPECT_LE(model.boneCount(), 4u);
        EXPECT_LE(model.subObjectCount(), 3u);
        for (std::size_t m = 0; m < model.meshCount(); ++m) EXPECT_LE(model.vertexBones(m).size(), 6u);
        model.buildSkeletonList();
        model.buildMeshList(false);
        model.buildHlodList();
    }
    EXPECT_EQ(model.meshCount(), 2u);
    EXPECT_EQ(model.subObjectCount(), 3u);
}

TEST(DamagedModels, CountsThatDoNotFitTheirChunkAreCut) {
    TempDir dir;
    std::string skl = hierarchy("SKL", pivotChain("B", 3));
    std::string body = mesh({"U", "BODY", 4, 2, {1, 2, 2, 2}, {"t.tga"}, "", "", true});
    // NumVertices and NumTris far beyond the arrays; NumPivots likewise.
    std::size_t header = 8 + 8;  // mesh header content starts after two headers
    setU32At(body, header + 40, 0x7FFFFFFF);
    setU32At(body, header + 44, 0x7FFFFFFF);
    std::size_t pivotsCount = 8 + 8 + 20;
    setU32At(skl, pivotsCount, 0x10000000);
    std::string file = skl + body + hlod("U", "SKL", {{{1, "U.BODY"}}});
    testkit::writeFile(dir.file("big.w3d"), file);
    W3dModel model;
    ASSERT_TRUE(load(model, dir.file("big.w3d")));
    EXPECT_EQ(model.boneCount(), 3u);
    ASSERT_EQ(model.meshCount(), 1u);
    EXPECT_EQ(model.vertexBones(0).size(), 4u);  // all the influences there are
    EXPECT_EQ(model.subObjectCount(), 1u);

    // A texture count above the textures present, and a texture chunk with
    // more textures than the count: as many as both allow.
    std::string t = mesh({"U", "T", 1, 1, {}, {"one.tga", "two.tga"}, "", "", false});
    std::size_t info = t.find(std::string("\x28\x00\x00\x00\x10\x00\x00\x00", 8));
    ASSERT_NE(info, std::string::npos);
    setU32At(t, info + 8 + 12, 1000);
    testkit::writeFile(dir.file("t.w3d"), skl + t + hlod("U", "SKL", {{{1, "U.T"}}}));
    ASSERT_TRUE(load(model, dir.file("t.w3d")));
    EXPECT_EQ(model.textureCount(), 2u);
    setU32At(t, info + 8 + 12, 1);
    testkit::writeFile(dir.file("t.w3d"), skl + t + hlod("U", "SKL", {{{1, "U.T"}}}));
    ASSERT_TRUE(load(model, dir.file("t.w3d")));
    EXPECT_EQ(model.textureCount(), 1u);
}

TEST(DamagedModels, OversizedChildrenZeroSizeChunksAndUnterminatedNames) {
    TempDir dir;
    // A zero-size user text in the middle of the mesh: the influences after it are read.
    std::string header = mesh({"U", "M", 2, 1, {}, {}, "", "", false}).substr(8, 8 + 116);
    std::string influences;
    le::appendU16(influences, 2);
    influences.append(6, '\0');
    le::appendU16(influences, 2);
    influences.append(6, '\0');
    std::string m = container(0x0000, header + chunk(0x000C, "") + chunk(0x000E, influences));
    // A vertex-normals chunk whose size runs past its mesh ends at the mesh;
    // the HLOD after the mesh is still read.
    std::string runaway;
    le::appendU32(runaway, 0x0003);
    le::appendU32(runaway, 0x7FFFFF00);
    std::string m2 = container(0x0000, header + runaway + std::string(12, 'n'));
    std::string hname(16, 'H');  // fills its field: no terminator
    std::string file = m + m2 + hlod("LONGNAMEMODEL", hname, {{{2, "U.M"}, {0, ""}}, {}}) +
                       hlod("SECOND", hname, {{{2, "U.M"}}});
    testkit::writeFile(dir.file("z.w3d"), file);
    W3dModel model;
    ASSERT_TRUE(load(model, dir.file("z.w3d")));
    ASSERT_EQ(model.meshCount(), 2u);
    EXPECT_EQ(model.vertexBones(0), (std::vector<std::uint16_t>{2, 2}));
    EXPECT_EQ(model.hlod().name, "SECOND");
    EXPECT_EQ(model.skeletonFileName(), hname + ".w3d");
    EXPECT_EQ(model.subObjectCount(), 1u);

    // A top-level chunk that claims more than the file: read up to its end.
    std::string cut = sampleModel();
    setU32At(cut, 4, 0xFFFFFFFF);
    testkit::writeFile(dir.file("c.w3d"), cut);
    ASSERT_TRUE(load(model, dir.file("c.w3d")));
    EXPECT_EQ(model.boneCount(), 4u);
    EXPECT_EQ(model.meshCount(), 0u);  // everything else is inside the runaway hierarchy
}

TEST(DamagedAnimations, TruncationsAndCountsBeyondTheChunk) {
    TempDir dir;
    std::string full = sampleAnimations();
    W3dAnimation a;
    for (std::size_t n = 1; n <= full.size(); ++n) {
        testkit::writeFile(dir.file("cut.w3d"), full.substr(0, n));
        ASSERT_TRUE(load(a, dir.file("cut.w3d"))) << n;
        EXPECT_LE(a.plainChannelCount(), 2u);
        EXPECT_LE(a.compressedChannelCount(), 2u);
        for (std::size_t i = 0; i < a.channelCount(); ++i) {
            const W3dAnimation::ChannelRecord& r = a.channelRecord(i);
            EXPECT_LE(r.end - r.first, static_cast<std::size_t>(r.contentSize));
        }
        a.write(dir.file("cut.txt"));
        a.write(dir.file("cut-out.w3d"));
    }

    // NumTimeCodes far beyond the keys: the keys that are there, and the
    // count says so; NumFrames far beyond: the table stops at its row limit.
    std::string c = compressedAnimation("C", "SKL", 3, 30, {{false, 1, 1, 0, 0, {0, 1}, {5, 6}}});
    std::size_t channel = c.find(std::string("\x82\x02\x00\x00", 4));
    ASSERT_NE(channel, std::string::npos);
    setU32At(c, channel + 8, 0x40000000);
    setU32At(c, 16 + 36, 0xFFFFFFFF);
    testkit::writeFile(dir.file("c.w3d"), hierarchy("SKL", pivotChain("B", 2)) + c);
    ASSERT_TRUE(load(a, dir.file("c.w3d")));
    ASSERT_EQ(a.compressedChannelCount(), 1u);
    EXPECT_EQ(a.compressedChannel(0).numTimeCodes, 2u);
    EXPECT_EQ(a.timeCodeLineCount(), 1u + W3dAnimation::MAX_TABLE_ROWS);
    EXPECT_EQ(a.timeCodeLine(2), "0001  *  ");

    // A VectorLen of 255 gives keys the chunk cannot hold: none are kept.
    std::string v = compressedAnimation("V", "SKL", 3, 30, {{false, 1, 1, 0, 0, {0, 1}, {5, 6}}});
    v[channel + 8 + 6] = static_cast<char>(255);
    testkit::writeFile(dir.file("v.w3d"), hierarchy("SKL", pivotChain("B", 2)) + v);
    ASSERT_TRUE(load(a, dir.file("v.w3d")));
    EXPECT_EQ(a.compressedChannel(0).numTimeCodes, 0u);
    EXPECT_TRUE(a.write(dir.file("v.txt")));
}
