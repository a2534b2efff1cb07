// Morvane run as a process in model mode and animation mode: configuration
// with backslash paths and CR LF line ends, the files it writes, and its
// messages for entries it cannot report.
#include <gtest/gtest.h>

#include <regex>

#include "W3dFixture.h"
#include "testkit/TestKit.h"

using namespace w3dfix;
using testkit::TempDir;

namespace {

const std::string ROW(53, '=');

std::string runMorvane(const std::string& config, const std::string& folder, int* status = nullptr) {
    testkit::ProcessResult r = testkit::runProgram(testkit::programPath("Morvane"), {config}, folder);
    if (status) *status = r.exitCode;
    std::string out = std::regex_replace(r.output, std::regex("\r\n"), "\n");
    out = std::regex_replace(out, std::regex("\\d\\d\\.\\d\\d\\.\\d\\d\\d\\d \\d\\d:\\d\\d:\\d\\d"), "<time>");
    return out;
}

const std::string LOG_BLOCK = "\n** " + ROW + "\n** Morvane.exe:  started = <time>\n** Morvane.exe:  stopped = <time>\n** " +
                              ROW + "\n\n";

// Configuration text with CR LF line ends, as written on Windows.
std::string crlf(const std::string& text) { return std::regex_replace(text, std::regex("\n"), "\r\n"); }

void writeUnit(const TempDir& dir) {
    testkit::writeFile(dir.file("data/unit.w3d"),
                       mesh({"UNIT", "BODY", 3, 1, {2, 2, 3}, {}, "body.tga", "body_nrm.tga", true}) +
                           hlod("UNIT", "UNITSKL", {{{2, "UNIT.BODY"}, {0, "UNIT.BOXA"}}}) + box("UNIT.BOXA"));
    testkit::writeFile(dir.file("data/UNITSKL.w3d"), hierarchy("UNITSKL", pivotChain("B", 4)));
}

}  // namespace

TEST(MorvaneModelMode, TextAndHtmlReportsInNewFolders) {
    TempDir dir;
    writeUnit(dir);
    testkit::writeFile(dir.file("data/lost.w3d"), mesh({"L", "M", 1, 1, {}, {}, "", "", false}) +
                                                      hlod("L", "LOSTSKL", {{{1, "L.M"}}}));
    testkit::writeFile(dir.file("data/empty.w3d"), "");
    testkit::writeFile(dir.file("page.html"), "<h1>\n### INSERT_NAME\nModel $(ModelName)</h1>\n<pre>\n### INSERT_SKEL\n</pre>\n");
    testkit::writeFile(dir.file("text.cfg"), crlf("Data = .\\data\n"
                                                  "ModelList = {Model*,Report*}\n"
                                                  "Model001 = $(Data)\\unit.w3d\n"
                                                  "Report001 = out\\deep\\unit.txt\n"
                                                  "Model002 = $(Data)\\lost.w3d\n"
                                                  "Report002 = out\\deep\\lost.txt\n"
                                                  "Model003 = $(Data)\\empty.w3d\n"
                                                  "Report003 = out\\deep\\empty.txt\n"
                                                  "Model004 = data\\unit.w3d\n"
                                                  "Report004 = out\\deep\\again.txt\n"));
    int status = -1;
    std::string out = runMorvane("text.cfg", dir.path(), &status);
    EXPECT_EQ(status, 4);  // finished, but two entries could not be read
    std::string expected = "\n" + ROW + "\nERROR: Skeleton File does not exist .... LOSTSKL.w3d\nERROR: ";
    EXPECT_EQ(out.substr(0, expected.size()), expected);
    EXPECT_NE(out.find("\nERROR: Input File cannot be read ....\n.\\data\\empty.w3d\nERROR: The file is empty.\n" +
                       ROW + "\n\n"),
              std::string::npos);
    EXPECT_EQ(out.substr(out.size() - LOG_BLOCK.size()), LOG_BLOCK);

    std::string report = testkit::readFile(dir.file("out/deep/unit.txt"));
    std::string head = std::string(48, '=') + "\nHier: UNIT    Skel: UNITSKL\n" + std::string(48, '=') +
                       "\nBone: [2] \t\t BODY \t\t (Offset: 0)\n";
    EXPECT_EQ(report.substr(0, testkit::textFileBytes(head).size()), testkit::textFileBytes(head));
    EXPECT_NE(report.find(testkit::textFileBytes("Vertex_Link: [   1    2] ---> [ 2] B02\n"
                                                 "Vertex_Link: [   3    3] ---> [ 3] B03\n")),
              std::string::npos);
    // Both entries share the new folder; the unreadable ones wrote nothing.
    EXPECT_EQ(testkit::readFile(dir.file("out/deep/again.txt")), report);
    EXPECT_FALSE(testkit::fileExists(dir.file("out/deep/lost.txt")));
    EXPECT_FALSE(testkit::fileExists(dir.file("out/deep/empty.txt")));

    testkit::writeFile(dir.file("html.cfg"), crlf("ModelList = {Model*,Report*}\n"
                                                  "Model001 = .\\data\\unit.w3d\n"
                                                  "Report001 = html\\unit.html\n"
                                                  "ModelHtml = page.html\n"));
    runMorvane("html.cfg", dir.path());
    std::string html = "<h1>\nModel UNIT</h1>\n\n<pre>\n" + std::string(48, '=') + "<br>\nSkel: UNITSKL [ 4]<br>\n" +
                       std::string(48, '=') + "<br>\nBone: [ 0] ROOTTRANSFORM<br>\nBone: [ 1] B01<br>\n" +
                       "Bone: [ 2] B02<br>\nBone: [ 3] B03<br>\n\n<br>\n</pre>\n";
    EXPECT_EQ(testkit::readFile(dir.file("html/unit.html")), testkit::textFileBytes(html));
}

TEST(MorvaneAnimationMode, DumpsWriteBackAndExtractedSkeleton) {
    TempDir dir;
    std::string skl = hierarchy("DANCER", pivotChain("LIMB", 3));
    std::string spin = compressedAnimation("SPIN", "DANCER", 3, 30, {{false, 1, 1, 0, 0, {0, 2}, {7, 8}}});
    testkit::writeFile(dir.file("anims/spin.w3d"), skl + spin);
    testkit::writeFile(dir.file("anims/walk.w3d"), animation("WALK", "UNITSKL", 2, 15, {{0, 1, 1, 0, 1, {1, 2}}}));
    testkit::writeFile(dir.file("anims/orphan.w3d"), animation("O", "NOSKL", 2, 15, {{0, 1, 1, 0, 1, {1, 2}}}));
    testkit::writeFile(dir.file("anims/UNITSKL.w3d"), hierarchy("UNITSKL", pivotChain("B", 2)));
    testkit::writeFile(dir.file("out/.keep"), "");
    testkit::writeFile(dir.file("anim.cfg"), crlf("ModelList = {Anim*,Out*}\n"
                                                  "Animation = TRUE\n"
                                                  "Anim001 = .\\anims\\spin.w3d\n"
                                                  "Out001 = out\\spin.w3d\n"
                                                  "Anim002 = anims\\spin.w3d\n"
                                                  "Out002 = out\\spin.txt\n"
                                                  "Anim003 = anims\\walk.w3d\n"
                                                  "Out003 = out\\walk.txt\n"
                                                  "Anim004 = anims\\orphan.w3d\n"
                                                  "Out004 = out\\orphan.txt\n"
                                                  "Anim005 = anims\\walk.w3d\n"
                                                  "Out005 = out\\walk\n"));
    std::string out = runMorvane("anim.cfg", dir.path());
    std::string expected = "\n" + ROW + "\nERROR: Skeleton File does not exist .... NOSKL.w3d\nERROR: ";
    EXPECT_EQ(out.substr(0, expected.size()), expected);
    EXPECT_EQ(out.substr(out.size() - LOG_BLOCK.size()), LOG_BLOCK);

    std::string copy = testkit::readFile(dir.file("out/spin.w3d"));
    ASSERT_EQ(copy.size(), spin.size());
    EXPECT_EQ(copy.substr(8), spin.substr(8));
    EXPECT_EQ(testkit::readFile(dir.file("out/DANCER.w3d")), skl);
    std::string dumpHead = "****VRMOX*************************************************\n" + std::string(58, '=') +
                           "\nName: SPIN   Skeleton: DANCER\nMaxFrames: 3   FrameRate: 30\n" + std::string(58, '=') +
                           "\nF/B [01] \n0000  *  \n0001     \n0002  *  \n" + std::string(58, '=') + "\n";
    std::string dump = testkit::readFile(dir.file("out/spin.txt"));
    EXPECT_EQ(dump.substr(0, testkit::textFileBytes(dumpHead).size()), testkit::textFileBytes(dumpHead));
    EXPECT_NE(testkit::readFile(dir.file("out/walk.txt")).find(testkit::textFileBytes("Bone: [1] B01   Length: 0-1  X [1]\n")),
              std::string::npos);
    EXPECT_FALSE(testkit::fileExists(dir.file("out/orphan.txt")));
    EXPECT_FALSE(testkit::fileExists(dir.file("out/walk")));
    EXPECT_FALSE(testkit::fileExists(dir.file("out/UNITSKL.w3d")));
}
