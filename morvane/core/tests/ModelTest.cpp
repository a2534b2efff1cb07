// W3dModel: reading models with their skeletons, the three report lists,
// and the text and HTML reports. Expected texts are written out by hand from
// the report rules.
#include <gtest/gtest.h>

#include <cstdio>

#include "W3dFixture.h"
#include "W3dModel.h"
#include "testkit/TestKit.h"

using namespace w3dfix;
using testkit::TempDir;

namespace {

const std::string EQ(48, '=');
const std::string DASH(48, '-');

std::string hex(std::size_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(v));
    return text;
}

std::vector<FixturePivot> tankBones() {
    return {{"ROOTTRANSFORM", 0xFFFFFFFFu}, {"A", 0}, {"B", 1}, {"C", 1}, {"D", 3}, {"E", 4}};
}

// Reads a model file into the reader; true when it was read.
bool load(W3dModel& model, const std::string& path) {
    if (!model.open(path)) return false;
    model.read();
    model.close();
    return true;
}

void build(W3dModel& model, bool html) {
    model.buildSkeletonList();
    model.buildMeshList(html);
    model.buildHlodList();
}

struct Tank {
    std::string hull, gun, hlodChunk, boxChunk;
    std::string file() const { return hull + gun + hlodChunk + boxChunk; }
};

Tank tank() {
    Tank t;
    t.hull = mesh({"TANK", "HULL", 5, 3, {3, 3, 3, 5, 5}, {}, "hull.tga", "hull_n.tga", true});
    t.gun = mesh({"TANK", "GUN", 4, 2, {2, 2, 2, 2}, {"gun.tga"}, "", "", true});
    t.hlodChunk = hlod("TANK", "TANKSKL", {{{3, "TANK.HULL"}, {5, "TANK.GUN"}, {0, "TANK.BOXFRONT"}}});
    t.boxChunk = box("TANK.BOXFRONT");
    return t;
}

// The report of the tank, as the rules give it, with the given mesh separator.
std::string tankReport(const Tank& t, const std::string& sep, const std::string& end) {
    std::size_t gunOffset = t.hull.size();
    std::size_t boxOffset = t.hull.size() + t.gun.size() + t.hlodChunk.size();
    std::string r;
    r += EQ + end + "Hier: TANK    Skel: TANKSKL" + end + EQ + end;
    r += "Bone: [3] \t\t HULL \t\t (Offset: 0)" + end;
    r += "Bone: [5] \t\t GUN \t\t (Offset: " + hex(gunOffset) + ")" + end;
    r += "Bone: [0] \t\t BOXFRONT \t\t (Offset: " + hex(boxOffset) + ")" + end;
    r += EQ + end;
    r += EQ + end + "Skel: TANKSKL [ 6]" + end + EQ + end;
    r += "Bone: [ 0] ROOTTRANSFORM" + end + "Bone: [ 1] A" + end + "Bone: [ 2] B" + end + "Bone: [ 3] C" + end +
         "Bone: [ 4] D" + end + "Bone: [ 5] E" + end;
    r += "\n" + end;
    r += sep + end + "Mesh: TANK.HULL (5 vertices)" + end + "Text: hull.tga" + end + "Text: hull_n.tga" + end;
    r += sep + end + "Vertex_Link: [   1    3] ---> [ 3] C" + end + "Vertex_Link: [   4    5] ---> [ 5] E" + end;
    r += sep + end + "Mesh: TANK.GUN (4 vertices)" + end + "Text: gun.tga" + end;
    r += sep + end + "Vertex_Link: [   1    4] ---> [ 2] B" + end;
    r += sep + end;
    return r;
}

}  // namespace

TEST(ModelReport, WholeTextReportWithSkeletonFileBesideTheModel) {
    TempDir dir;
    Tank t = tank();
    testkit::writeFile(dir.file("models/tank.w3d"), t.file());
    testkit::writeFile(dir.file("models/TANKSKL.w3d"), hierarchy("TANKSKL", tankBones()));

    W3dModel model;
    ASSERT_TRUE(load(model, dir.file("models/tank.w3d")));
    EXPECT_EQ(model.skeletonFileName(), "TANKSKL.w3d");
    ASSERT_EQ(model.boneCount(), 6u);
    build(model, false);
    ASSERT_TRUE(model.writeText(dir.file("tank.txt")));
    EXPECT_EQ(testkit::readFile(dir.file("tank.txt")), testkit::textFileBytes(tankReport(t, DASH, "\n")));
    EXPECT_EQ(testkit::folderNames(dir.path()), (std::vector<std::string>{"models", "tank.txt"}));
}

TEST(ModelReport, WholeHtmlReportThroughTheTemplate) {
    TempDir dir;
    Tank t = tank();
    testkit::writeFile(dir.file("tank.w3d"), t.file());
    testkit::writeFile(dir.file("TANKSKL.w3d"), hierarchy("TANKSKL", tankBones()));
    testkit::writeFile(dir.file("page.html"), testkit::textFileBytes("<html><head>\n"
                                                                     "### INSERT_NAME\n"
                                                                     "<title>Model $(ModelName) report</title>\n"
                                                                     "</head><body>\n"
                                                                     "### INSERT_HLOD\n"
                                                                     "<p>before ### INSERT_SKEL after</p>\n"
                                                                     "### INSERT_MESH\n"
                                                                     "\n"
                                                                     "### INSERT_NAME\n"
                                                                     "<b>$(x)</b>\n"
                                                                     "</body></html>\n"));
    W3dModel model;
    ASSERT_TRUE(load(model, dir.file("tank.w3d")));
    build(model, true);
    ASSERT_TRUE(model.writeHtml(dir.file("tank.html"), dir.file("page.html")));

    // Every list line gets "<br>" before its line end; the name line keeps
    // its own line end after the inserted one; a short rest is empty.
    std::string lists = tankReport(t, EQ, "<br>\n");
    std::string expected = "<html><head>\n<title>Model TANK report</title>\n\n</head><body>\n" + lists +
                           "\n<b>TANK\n</body></html>\n";
    EXPECT_EQ(testkit::readFile(dir.file("tank.html")), testkit::textFileBytes(expected));

    // A template that cannot be opened leaves the report created and empty.
    ASSERT_TRUE(model.writeHtml(dir.file("empty.html"), dir.file("no-template.html")));
    EXPECT_TRUE(testkit::fileExists(dir.file("empty.html")));
    EXPECT_EQ(testkit::readFile(dir.file("empty.html")), "");
}

TEST(ModelReport, VertexLinksForTheFirstTenOfThirteenMeshes) {
    TempDir dir;
    std::string file = hierarchy("SKL", pivotChain("B", 4));
    std::vector<FixtureSubObject> subs;
    for (int i = 0; i < 13; ++i) {
        std::string name = "M" + std::to_string(i);
        file += mesh({"C", name, 2, 1, {3, 3}, {}, "", "", false});
        subs.push_back({3, "C." + name});
    }
    file += hlod("C", "SKL", {subs});
    testkit::writeFile(dir.file("c.w3d"), file);
    W3dModel model;
    ASSERT_TRUE(load(model, dir.file("c.w3d")));
    ASSERT_EQ(model.meshCount(), 13u);
    EXPECT_EQ(model.vertexBones(11).size(), 2u);  // the first twelve keep their bones
    EXPECT_TRUE(model.vertexBones(12).empty());
    build(model, false);
    int meshes = 0, links = 0;
    for (const std::string& line : model.meshList()) {
        if (line.compare(0, 5, "Mesh:") == 0) ++meshes;
        if (line.compare(0, 12, "Vertex_Link:") == 0) ++links;
    }
    EXPECT_EQ(meshes, 13);
    EXPECT_EQ(links, 10);
    EXPECT_EQ(model.meshList().back(), DASH);
}

TEST(ModelReport, LinkRunsEndAtBoneChangesAndTheLastRunNeedsABoneAboveOne) {
    TempDir dir;
    std::string file = hierarchy("SKL", pivotChain("B", 6)) +
                       mesh({"C", "A", 5, 1, {3, 3, 3, 5, 5}, {}, "", "", false}) +
                       mesh({"C", "B", 4, 1, {3, 3, 1, 1}, {}, "", "", false}) +
                       mesh({"C", "D", 3, 1, {1, 0, 0}, {}, "", "", false}) +
                       mesh({"C", "E", 0, 0, {}, {}, "", "", false}) + hlod("C", "SKL", {{{0, "C.A"}}});
    testkit::writeFile(dir.file("runs.w3d"), file);
    W3dModel model;
    ASSERT_TRUE(load(model, dir.file("runs.w3d")));
    build(model, false);
    std::vector<std::string> expected = {
        DASH, "Mesh: C.A (5 vertices)", "Text: ?", DASH, "Vertex_Link: [   1    3] ---> [ 3] B03",
        "Vertex_Link: [   4    5] ---> [ 5] B05",
        DASH, "Mesh: C.B (4 vertices)", "Text: ?", DASH, "Vertex_Link: [   1    2] ---> [ 3] B03",
        DASH, "Mesh: C.D (3 vertices)", "Text: ?", DASH, "Vertex_Link: [   1    1] ---> [ 1] B01",
        // The last mesh has no vertex: no closing separator.
        DASH, "Mesh: C.E (0 vertices)", "Text: ?"};
    EXPECT_EQ(model.meshList(), expected);
}

TEST(ModelReport, TextureAndNormalMapLines) {
    TempDir dir;
    std::string longName(31, 'L');
    std::string file = hierarchy("SKL", pivotChain("B", 2));
    file += mesh({"C", "PLAIN", 1, 1, {}, {}, "", "", false});                        // no texture: "?"
    file += mesh({"C", "SHADED", 1, 1, {}, {}, "d.tga", "n.tga", false});              // two lines
    file += mesh({"C", "NAMED", 1, 1, {}, {"semi;colon.tga"}, "", "", false});        // split at ';'
    file += mesh({"C", "ONLYMAP", 1, 1, {}, {}, "", "lone_nrm.tga", false});          // "?", one map more
    file += mesh({"C", "LONG", 1, 1, {}, {}, longName + "A", longName + "B", false});  // names cut to 31
    file += hlod("C", "SKL", {{{0, "C.PLAIN"}}});
    testkit::writeFile(dir.file("t.w3d"), file);
    W3dModel model;
    ASSERT_TRUE(load(model, dir.file("t.w3d")));
    ASSERT_EQ(model.textureCount(), 5u);
    ASSERT_EQ(model.normalMapCount(), 3u);
    EXPECT_EQ(model.texture(1).normalMap, 0);
    EXPECT_EQ(model.texture(4).normalMap, 2);
    build(model, false);
    std::vector<std::string> texts;
    for (const std::string& line : model.meshList())
        if (line.compare(0, 5, "Text:") == 0) texts.push_back(line);
    std::vector<std::string> expected = {"Text: ?",          "Text: d.tga",           "Text: n.tga",
                                         "Text: semi",       "Text: colon.tga",       "Text: ?",
                                         "Text: " + longName, "Text: " + longName};
    EXPECT_EQ(texts, expected);
}

TEST(ModelReport, TextureRecordsPairWithMeshesByPosition) {
    TempDir dir;
    // Texture names of 31 characters in a name chunk, several per mesh, so
    // that records and meshes drift apart by position.
    std::string n31(31, 'x');
    std::string file = hierarchy("SKL", pivotChain("B", 2));
    file += mesh({"C", "ONE", 1, 1, {}, {n31 + ";" , "b.tga", "c.tga"}, "", "", false});
    file += mesh({"C", "TWO", 1, 1, {}, {}, "", "", false});
    file += mesh({"C", "THREE", 1, 1, {}, {}, "", "", false});
    file += mesh({"C", "FOUR", 1, 1, {}, {}, "", "", false});
    file += mesh({"C", "FIVE", 1, 1, {}, {}, "", "", false});
    file += mesh({"C", "SIX", 1, 1, {}, {}, "", "", false});
    file += mesh({"C", "SEVEN", 1, 1, {}, {}, "", "", false});
    file += hlod("C", "SKL", {{{0, "C.ONE"}}});
    testkit::writeFile(dir.file("t.w3d"), file);
    W3dModel model;
    ASSERT_TRUE(load(model, dir.file("t.w3d")));
    // Names are read to 31 characters: the ';' of the first is cut away.
    EXPECT_EQ(model.texture(0).name, n31);
    EXPECT_EQ(model.textureCount(), 3u + 6u);
    build(model, false);
    std::vector<std::string> texts;
    for (const std::string& line : model.meshList())
        if (line.compare(0, 5, "Text:") == 0) texts.push_back(line);
    std::vector<std::string> expected = {"Text: " + n31, "Text: b.tga", "Text: c.tga", "Text: ?",
                                         "Text: ?",      "Text: ?",     "Text: ?"};
    EXPECT_EQ(texts, expected);
}

TEST(ModelReport, HlodSubObjectsBoxNamesAndTheLimitOfTwentyFour) {
    TempDir dir;
    std::string a = mesh({"U", "BODY", 1, 1, {}, {}, "", "", false});
    std::vector<FixtureSubObject> first = {{1, "U.BODY"}};
    std::vector<FixtureSubObject> last = {{1, "U.BODY"},       {2, "U.BOXFRONT"}, {3, "U.OBX"}, {4, "U.OB"},
                                       {5, "U.BOUNDINGBOX"}, {6, "NODOT"},      {12345, "U.BODY"}};
    for (int i = 0; i < 23; ++i) last.push_back({7, "U.BODY"});  // 30 in all
    std::string h = hlod("U", "SKL", {first, last});
    std::string boxChunk = box("U.BOXFRONT");
    std::string obx = mesh({"U", "OBX", 1, 1, {}, {}, "", "", false});
    std::string file = hierarchy("SKL", pivotChain("B", 8)) + a + h + obx + boxChunk;
    testkit::writeFile(dir.file("u.w3d"), file);
    W3dModel model;
    ASSERT_TRUE(load(model, dir.file("u.w3d")));
    ASSERT_EQ(model.subObjectCount(), 24u);  // the last LOD array, cut to 24
    build(model, false);
    std::size_t base = hierarchy("SKL", pivotChain("B", 8)).size();
    std::string body = hex(base), obxAt = hex(base + a.size() + h.size());
    std::string boxAt = hex(base + a.size() + h.size() + obx.size());
    const std::vector<std::string>& list = model.hlodList();
    ASSERT_EQ(list.size(), 3u + 24u + 1u);
    EXPECT_EQ(list[1], "Hier: U    Skel: SKL");
    EXPECT_EQ(list[3], "Bone: [1] \t\t BODY \t\t (Offset: " + body + ")");
    EXPECT_EQ(list[4], "Bone: [2] \t\t BOXFRONT \t\t (Offset: " + boxAt + ")");
    EXPECT_EQ(list[5], "Bone: [3] \t\t OBX \t\t (Offset: " + obxAt + ")");
    EXPECT_EQ(list[6], "Bone: [4] \t\t OB \t\t (Offset: " + boxAt + ")");
    EXPECT_EQ(list[7], "Bone: [5] \t\t BOUNDINGBOX \t\t (Offset: " + boxAt + ")");
    // No full stop: the whole name; no chunk of that name: FFFFFFFF.
    EXPECT_EQ(list[8], "Bone: [6] \t\t NODOT \t\t (Offset: FFFFFFFF)");
    // The bone index is shown with at most four digits.
    EXPECT_EQ(list[9], "Bone: [1234] \t\t BODY \t\t (Offset: " + body + ")");
    EXPECT_EQ(list.back(), EQ);
    EXPECT_EQ(model.modelName(), "U");
}

TEST(ModelSkeleton, EmbeddedHierarchyFileBesideAndMissingSkeleton) {
    TempDir dir;
    // Own hierarchy: no skeleton file is named or needed.
    std::string own = hierarchy("OWN", pivotChain("B", 3)) + mesh({"O", "M", 1, 1, {}, {}, "", "", false}) +
                      hlod("O", "ELSEWHERE", {{{1, "O.M"}}});
    testkit::writeFile(dir.file("own.w3d"), own);
    W3dModel model;
    ASSERT_TRUE(load(model, dir.file("own.w3d")));
    EXPECT_EQ(model.skeletonFileName(), "");
    EXPECT_EQ(model.boneCount(), 3u);
    EXPECT_EQ(model.skeletonHeader().name, "OWN");

    // The HLOD names a skeleton file that is not there: no bones, its name.
    std::string bare = mesh({"O", "M", 1, 1, {}, {}, "", "", false}) + hlod("O", "GONE", {{{1, "O.M"}}});
    testkit::writeFile(dir.file("bare.w3d"), bare);
    ASSERT_TRUE(load(model, dir.file("bare.w3d")));
    EXPECT_EQ(model.boneCount(), 0u);
    EXPECT_EQ(model.skeletonFileName(), "GONE.w3d");
    EXPECT_FALSE(model.skeletonError().empty());

    // Only the skeleton file's hierarchy chunks count; its first hierarchy
    // gives the bones; a pivot array with no pivots gives none.
    testkit::writeFile(dir.file("GONE.w3d"), mesh({"X", "Y", 1, 1, {}, {}, "", "", false}) +
                                                 hierarchy("GONE", pivotChain("G", 2)) +
                                                 hierarchy("SECOND", pivotChain("S", 5)));
    ASSERT_TRUE(load(model, dir.file("bare.w3d")));
    EXPECT_EQ(model.meshCount(), 1u);
    EXPECT_EQ(model.boneCount(), 2u);
    EXPECT_EQ(model.bone(1).name, "G01");
    testkit::writeFile(dir.file("GONE.w3d"), hierarchy("GONE", {}));
    ASSERT_TRUE(load(model, dir.file("bare.w3d")));
    EXPECT_EQ(model.boneCount(), 0u);
    EXPECT_EQ(model.skeletonHeaderCount(), 1u);
}

TEST(ModelReader, UnknownChunksAreSteppedOverAndEachReadStartsEmpty) {
    TempDir dir;
    std::string file = hierarchy("SKL", pivotChain("B", 2)) + mesh({"C", "ONE", 1, 1, {1}, {}, "", "", false}) +
                       chunk(0x0999, std::string(21, 'z')) + container(0x0998, chunk(1, "abc")) +
                       mesh({"C", "TWO", 1, 1, {}, {}, "", "", false}) + hlod("C", "SKL", {{{1, "C.TWO"}}});
    testkit::writeFile(dir.file("m.w3d"), file);
    W3dModel model;
    ASSERT_TRUE(load(model, dir.file("m.w3d")));
    ASSERT_EQ(model.meshCount(), 2u);
    EXPECT_EQ(model.mesh(1).name, "TWO");
    EXPECT_EQ(model.mesh(1).offset, file.find(mesh({"C", "TWO", 1, 1, {}, {}, "", "", false})));

    // An empty file does not open, and nothing of the previous file remains.
    testkit::writeFile(dir.file("empty.w3d"), "");
    EXPECT_FALSE(model.open(dir.file("empty.w3d")));
    model.close();
    EXPECT_EQ(model.meshCount(), 0u);
    EXPECT_EQ(model.boneCount(), 0u);
    EXPECT_EQ(model.subObjectCount(), 0u);
    EXPECT_FALSE(model.open(dir.file("absent.w3d")));
    EXPECT_EQ(model.textureCount(), 0u);
}
