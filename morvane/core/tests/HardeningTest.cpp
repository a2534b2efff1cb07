// Morvane run as a process against careless or hostile configurations:
// outputs that cannot be written, outputs that would replace the run's own
// files, inputs that are no regular files or too large, and configuration
// values cut at their limits. Every entry not written shows in the exit status.
#include <gtest/gtest.h>

#include <filesystem>

#include "ModelJob.h"
#include "W3dFixture.h"
#include "testkit/TestKit.h"

using namespace w3dfix;
using testkit::TempDir;

namespace {

testkit::ProcessResult runMorvane(const TempDir& dir, const std::string& config) {
    testkit::writeFile(dir.file("run.cfg"), config);
    return testkit::runProgram(testkit::programPath("Morvane"), {"run.cfg"}, dir.path());
}

std::string model() {
    return hierarchy("SKL", pivotChain("B", 2)) + mesh({"M", "BODY", 2, 1, {1, 1}, {}, "", "", true}) +
           hlod("M", "SKL", {{{1, "M.BODY"}}});
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos || text.find(testkit::textFileBytes(part)) != std::string::npos;
}

}  // namespace

TEST(MorvaneHardening, OutputsThatCannotBeWrittenAreReportedAndCounted) {
    TempDir dir;
    testkit::writeFile(dir.file("m.w3d"), model());
    testkit::writeFile(dir.file("readonly.txt"), "kept");
    std::filesystem::permissions(dir.file("readonly.txt"), std::filesystem::perms::owner_read |
                                                               std::filesystem::perms::group_read);
    ASSERT_EQ(platform::createFolderTree(dir.file("folder.txt").c_str()), platform::FolderResult::CREATED);
    testkit::ProcessResult run = runMorvane(dir,
                                            "ModelList = {Model*,Out*}\n"
                                            "Model001 = m.w3d\nOut001 = readonly.txt\n"
                                            "Model002 = m.w3d\nOut002 = folder.txt\n"
                                            "Model003 = m.w3d\nOut003 = good.txt\n");
    EXPECT_EQ(run.exitCode, EXIT_ENTRIES_FAILED);
    for (const char* path : {"readonly.txt", "folder.txt"})
        EXPECT_TRUE(contains(run.output, std::string("ERROR: Output File cannot be written ....\n") + path + "\nERROR: "))
            << path << "\n" << run.output;
    EXPECT_EQ(testkit::readFile(dir.file("readonly.txt")), "kept");
    EXPECT_TRUE(testkit::fileExists(dir.file("good.txt")));

    // Animation mode creates no folders: a missing one is a failed write.
    testkit::writeFile(dir.file("walk.w3d"), hierarchy("SKL", pivotChain("B", 2)) +
                                                 animation("WALK", "SKL", 2, 15, {{0, 1, 1, 0, 1, {1, 2}}}));
    run = runMorvane(dir, "ModelList = {Anim*,Out*}\nAnimation = TRUE\nAnim001 = walk.w3d\nOut001 = none\\walk.txt\n");
    EXPECT_EQ(run.exitCode, EXIT_ENTRIES_FAILED);
    EXPECT_TRUE(contains(run.output, "ERROR: Output File cannot be written ....\nnone\\walk.txt\nERROR: ")) << run.output;

    // A run whose every entry is written still ends with 0.
    run = runMorvane(dir, "ModelList = {Anim*,Out*}\nAnimation = TRUE\nAnim001 = walk.w3d\nOut001 = walk.txt\n");
    EXPECT_EQ(run.exitCode, 0);
}

TEST(MorvaneHardening, NoOutputReplacesAnInputOrAnEarlierOutputOfTheRun) {
    TempDir dir;
    const std::string skeleton = hierarchy("UNITSKL", pivotChain("B", 2));
    const std::string walk = animation("WALK", "UNITSKL", 2, 15, {{0, 1, 1, 0, 1, {1, 2}}});
    // An animation holding its own hierarchy of the same name as the
    // skeleton file the first entry reads beside it.
    const std::string spin = hierarchy("UNITSKL", pivotChain("X", 3)) +
                             compressedAnimation("SPIN", "UNITSKL", 3, 30, {{false, 1, 1, 0, 0, {0, 2}, {7, 8}}});
    testkit::writeFile(dir.file("a/UNITSKL.w3d"), skeleton);
    testkit::writeFile(dir.file("a/walk.w3d"), walk);
    testkit::writeFile(dir.file("a/spin.w3d"), spin);
    testkit::ProcessResult run = runMorvane(dir,
                                            "ModelList = {Anim*,Out*}\nAnimation = TRUE\n"
                                            "Anim001 = a\\walk.w3d\nOut001 = a\\walk.txt\n"
                                            "Anim002 = a\\spin.w3d\nOut002 = a\\spin2.w3d\n"
                                            "Anim003 = a\\walk.w3d\nOut003 = a\\walk.w3d\n"
                                            "Anim004 = a\\walk.w3d\nOut004 = a\\walk.txt\n");
    EXPECT_EQ(run.exitCode, EXIT_ENTRIES_FAILED);
    EXPECT_EQ(testkit::readFile(dir.file("a/UNITSKL.w3d")), skeleton);
    EXPECT_EQ(testkit::readFile(dir.file("a/walk.w3d")), walk);
    EXPECT_TRUE(testkit::fileExists(dir.file("a/spin2.w3d")));
    EXPECT_TRUE(contains(run.output, "ERROR: Skeleton File would replace a file of this run ....\na\\UNITSKL.w3d\n"))
        << run.output;
    for (const char* path : {"a\\walk.w3d", "a\\walk.txt"})
        EXPECT_TRUE(contains(run.output, std::string("ERROR: Output File would replace a file of this run ....\n") +
                                             path + "\n"))
            << path;
}

TEST(MorvaneHardening, InputsThatAreNoRegularFileOrTooLargeAreRefusedAtOnce) {
    TempDir dir;
    ASSERT_EQ(platform::createFolderTree(dir.file("folder.w3d").c_str()), platform::FolderResult::CREATED);
    std::string config = "ModelList = {Model*,Out*}\nModel001 = folder.w3d\nOut001 = 1.txt\n";
    std::vector<std::pair<std::string, std::string>> expected = {{"folder.w3d", "The path is a folder, not a file."}};
    // A sparse file of 3 GiB: W3D sizes reach 2 GiB; it is refused, never read in part.
    if (testkit::makeSizedFile(dir.file("huge.w3d"), 3ull << 30)) {
        config += "Model002 = huge.w3d\nOut002 = 2.txt\n";
        expected.push_back({"huge.w3d", "The file is 2 GiB or larger"});
    }
    if (testkit::makePipe(dir.file("pipe.w3d"))) {  // opened plainly, a pipe waits for ever
        config += "Model00" + std::to_string(expected.size() + 1) + " = pipe.w3d\nOut00" +
                  std::to_string(expected.size() + 1) + " = 3.txt\n";
        expected.push_back({"pipe.w3d", "The path is not a regular file"});
    }
    testkit::ProcessResult run = runMorvane(dir, config);
    EXPECT_EQ(run.exitCode, EXIT_ENTRIES_FAILED);
    for (const auto& e : expected)
        EXPECT_TRUE(contains(run.output, "ERROR: Input File cannot be read ....\n" + e.first + "\nERROR: " + e.second))
            << e.first << "\n" << run.output;
    EXPECT_EQ(testkit::folderNames(dir.path()).size(), 1 + expected.size());  // the inputs and run.cfg alone
}

TEST(MorvaneHardening, CutConfigurationValuesAreToldAndListsSplitAfterTheirBracket) {
    TempDir dir;
    testkit::writeFile(dir.file("m.w3d"), model());
    // {Model*[Out*} gives the prefixes Model and Out; the over-long line's
    // tail must not define the key hidden in it.
    testkit::ProcessResult run = runMorvane(dir,
                                            "ModelList = {Model*[Out*}\nModel001 = m.w3d\nOut001 = m.txt\n"
                                            "Note = " + std::string(1100, 'n') + "Out002 = x.txt\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(testkit::fileExists(dir.file("m.txt")));
    EXPECT_TRUE(contains(run.output, "WARNING: Configuration value was cut at its limit .... Note\n")) << run.output;
}

// An entry with no output key, or every entry of a one-item model list, used
// to be passed over without a word, and the run ended with 0.
TEST(MorvaneHardening, EntriesWithoutAnOutputUsedToEndTheRunWithZero) {
    TempDir dir;
    testkit::writeFile(dir.file("m.w3d"), model());
    testkit::writeFile(dir.file("bare.w3d"), hierarchy("SKL", pivotChain("B", 2)));
    testkit::ProcessResult run = runMorvane(dir,
                                            "ModelList = {Model*,Out*}\n"
                                            "Model001 = m.w3d\nOut001 = m.txt\n"
                                            "Model002 = m.w3d\n"
                                            "Model003 = bare.w3d\nOut003 = bare.txt\n");
    EXPECT_EQ(run.exitCode, EXIT_ENTRIES_FAILED);
    EXPECT_TRUE(testkit::fileExists(dir.file("m.txt")));
    EXPECT_TRUE(contains(run.output, "ERROR: Output File is not written ....\nm.w3d\n"
                                     "ERROR: No key Out002 names this entry's output.\n")) << run.output;
    EXPECT_TRUE(contains(run.output, "ERROR: Output File is not written ....\nbare.w3d\n"
                                     "ERROR: The model's HLOD has no sub-object to report.\n")) << run.output;

    run = runMorvane(dir, "ModelList = {Model*}\nModel001 = m.w3d\n");
    EXPECT_EQ(run.exitCode, EXIT_ENTRIES_FAILED);
    EXPECT_TRUE(contains(run.output, "ERROR: Output File is not written ....\nm.w3d\n"
                                     "ERROR: The model list has no output prefix")) << run.output;
}

// The hierarchy extracted beside an animation used to replace the output it
// was extracted for when that bore its name, and a skeleton file that a later
// entry of the run reads.
TEST(MorvaneHardening, ExtractedSkeletonUsedToReplaceItsOwnOutputAndALaterEntrysSkeleton) {
    TempDir dir;
    const std::string skeleton = hierarchy("UNITSKL", pivotChain("B", 2));
    const std::string danceAnimation =
        compressedAnimation("DANCE", "DANCER", 3, 30, {{false, 1, 1, 0, 0, {0, 2}, {7, 8}}});
    testkit::writeFile(dir.file("data/dance.w3d"), hierarchy("DANCER", pivotChain("LIMB", 3)) + danceAnimation);
    testkit::writeFile(dir.file("data/spin.w3d"),
                       hierarchy("UNITSKL", pivotChain("X", 3)) +
                           compressedAnimation("SPIN", "UNITSKL", 3, 30, {{false, 1, 1, 0, 0, {0, 2}, {7, 8}}}));
    testkit::writeFile(dir.file("data/UNITSKL.w3d"), skeleton);
    testkit::writeFile(dir.file("data/walk.w3d"), animation("WALK", "UNITSKL", 2, 15, {{0, 1, 1, 0, 1, {1, 2}}}));
    ASSERT_EQ(platform::createFolderTree(dir.file("out").c_str()), platform::FolderResult::CREATED);
    testkit::ProcessResult run = runMorvane(dir,
                                            "ModelList = {Anim*,Out*}\nAnimation = TRUE\n"
                                            "Anim001 = data\\dance.w3d\nOut001 = out\\DANCER.w3d\n"
                                            "Anim002 = data\\spin.w3d\nOut002 = data\\spin2.w3d\n"
                                            "Anim003 = data\\walk.w3d\nOut003 = out\\walk.txt\n");
    EXPECT_EQ(run.exitCode, EXIT_ENTRIES_FAILED);
    EXPECT_EQ(testkit::readFile(dir.file("out/DANCER.w3d")), danceAnimation);
    EXPECT_EQ(testkit::readFile(dir.file("data/UNITSKL.w3d")), skeleton);
    EXPECT_TRUE(testkit::fileExists(dir.file("data/spin2.w3d")));
    EXPECT_NE(testkit::readFile(dir.file("out/walk.txt")).find("] B01 "), std::string::npos);
    for (const char* path : {"out\\DANCER.w3d", "data\\UNITSKL.w3d"})
        EXPECT_TRUE(contains(run.output, std::string("ERROR: Skeleton File would replace a file of this run ....\n") +
                                             path + "\n"))
            << path << "\n" << run.output;
}
