// Extraction and the text view: folders from names, selection, the output
// path limit, names that would leave the destination, truncated archives,
// and the text entries shown through the temporary file.
#include <gtest/gtest.h>

#include "BigArchive.h"
#include "HandLaidBig.h"
#include "platform/Platform.h"

namespace {

using testkit::TempDir;

std::string archiveIn(const TempDir& dir, const HandLaidBig& big) {
    std::string path = dir.file("in.big");
    testkit::writeFile(path, big.bytes());
    return path;
}

TEST(BigExtract, WritesEntriesAndMakesFoldersFromBothSeparators) {
    TempDir dir;
    HandLaidBig big;
    big.entries = {{"ini/sub/x.ini", "[x]"}, {"data\\a.bin", std::string(3 << 20, 'a')},
                   {"top.txt", "top"}, {"ini\\sub\\y.ini", ""}};
    std::string archivePath = archiveIn(dir, big);
    testkit::writeFile(dir.file("out/top.txt"), "old contents are replaced");

    BigArchive archive;
    ASSERT_TRUE(archive.openArchive(archivePath.c_str()));
    ExtractReport report = archive.extractSelected(archivePath.c_str(), dir.file("out").c_str());
    EXPECT_TRUE(report.archiveOpened);
    EXPECT_EQ(report.written, 4);
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(testkit::readFile(dir.file("out/ini/sub/x.ini")), "[x]");
    EXPECT_EQ(testkit::readFile(dir.file("out/data/a.bin")), std::string(3 << 20, 'a'));
    EXPECT_EQ(testkit::readFile(dir.file("out/top.txt")), "top");
    EXPECT_TRUE(testkit::fileExists(dir.file("out/ini/sub/y.ini")));
    EXPECT_FALSE(testkit::fileExists(dir.file("out/top.txt.~tmp")));
}

TEST(BigExtract, WithoutLoadingFirstTheArchiveIsReadOnDemand) {
    TempDir dir;
    HandLaidBig big;
    big.magic = "BIGF";
    big.entries = {{"f.txt", "bigf"}};
    std::string archivePath = archiveIn(dir, big);
    BigArchive archive;
    ExtractReport report = archive.extractSelected(archivePath.c_str(), dir.file("o").c_str());
    EXPECT_EQ(report.written, 1);
    EXPECT_EQ(testkit::readFile(dir.file("o/f.txt")), "bigf");

    BigArchive other;
    ExtractReport missing = other.extractSelected(dir.file("none.big").c_str(), dir.file("o2").c_str());
    EXPECT_FALSE(missing.archiveOpened);
    EXPECT_EQ(missing.written, 0);
}

TEST(BigExtract, SelectionCountsOnlyAfterADeselect) {
    TempDir dir;
    HandLaidBig big;
    big.entries = {{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}};
    std::string archivePath = archiveIn(dir, big);
    BigArchive archive;
    ASSERT_TRUE(archive.openArchive(archivePath.c_str()));

    EXPECT_EQ(archive.extractSelected(archivePath.c_str(), dir.file("all").c_str()).written, 3);

    archive.setSelected(1, 0);
    archive.setSelected(7, 0);  // outside: ignored
    EXPECT_EQ(archive.deselectCount(), 1);
    EXPECT_EQ(archive.extractSelected(archivePath.c_str(), dir.file("two").c_str()).written, 2);
    EXPECT_TRUE(testkit::fileExists(dir.file("two/a.txt")));
    EXPECT_FALSE(testkit::fileExists(dir.file("two/b.txt")));
    EXPECT_TRUE(testkit::fileExists(dir.file("two/c.txt")));

    archive.setSelected(1, 1);
    archive.setSelected(0, 0);
    EXPECT_EQ(archive.deselectCount(), 2);
    EXPECT_EQ(archive.extractSelected(archivePath.c_str(), dir.file("again").c_str()).written, 2);
    EXPECT_FALSE(testkit::fileExists(dir.file("again/a.txt")));
    EXPECT_TRUE(testkit::fileExists(dir.file("again/b.txt")));

    // Reading the directory again starts with everything selected.
    ASSERT_TRUE(archive.openArchive(archivePath.c_str()));
    EXPECT_EQ(archive.deselectCount(), 0);
    EXPECT_EQ(archive.extractSelected(archivePath.c_str(), dir.file("fresh").c_str()).written, 3);
}

TEST(BigExtract, OutputPathsOfMoreThan253CharactersAreSkippedAndCounted) {
    TempDir dir;
    const std::string out = dir.file("o");
    // The output path is folder + '\' + name: at most 253 characters.
    const std::size_t longest = 253 - out.size() - 1;
    ASSERT_GT(longest, 20u);
    HandLaidBig big;
    const std::string fits = std::string(longest - 4, 'k') + ".txt";
    const std::string tooLong = std::string(longest - 3, 's') + ".txt";
    big.entries = {{fits, "fits"}, {tooLong, "skipped"}, {"short.txt", "s"}};
    std::string archivePath = archiveIn(dir, big);
    BigArchive archive;
    ExtractReport report = archive.extractSelected(archivePath.c_str(), out.c_str());
    EXPECT_EQ(report.written, 2);
    EXPECT_EQ(report.skippedTooLong, 1);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].name, tooLong);
    EXPECT_EQ(report.problems[0].problem, EntryProblem::PATH_TOO_LONG);
    EXPECT_EQ(testkit::readFile(out + testkit::SEP + fits), "fits");
    EXPECT_FALSE(testkit::fileExists(out + testkit::SEP + tooLong));
}

TEST(BigExtract, NamesThatWouldLeaveTheDestinationAreSkippedAndCounted) {
    TempDir dir;
    HandLaidBig big;
    const char* unsafe[] = {"..\\evil1.txt", "sub/../../evil2.txt", "/evil3.txt", "\\evil4.txt",
                            "C:\\evil5.txt", "c:evil6.txt", "sub\\.. \\..\\evil7.txt", "ok.txt:stream",
                            "", "folder\\"};
    for (const char* name : unsafe) big.entries.push_back({name, "bad"});
    big.entries.push_back({"sub/../ok.txt", "not quite"});  // ".." anywhere is refused
    big.entries.push_back({"good.txt", "good"});
    big.entries.push_back({"..name.txt", "dots inside a name are fine"});
    std::string archivePath = archiveIn(dir, big);

    BigArchive archive;
    ExtractReport report = archive.extractSelected(archivePath.c_str(), dir.file("dest/inner").c_str());
    EXPECT_EQ(report.written, 2);
    EXPECT_EQ(report.skippedUnsafe, 11);
    for (const EntryReport& r : report.problems) EXPECT_EQ(r.problem, EntryProblem::UNSAFE_NAME) << r.name;
    EXPECT_EQ(testkit::readFile(dir.file("dest/inner/good.txt")), "good");
    EXPECT_EQ(testkit::readFile(dir.file("dest/inner/..name.txt")), "dots inside a name are fine");
    for (const char* escaped : {"dest/evil1.txt", "evil1.txt", "dest/evil2.txt", "evil2.txt", "dest/evil7.txt"})
        EXPECT_FALSE(testkit::fileExists(dir.file(escaped))) << escaped;
    EXPECT_FALSE(testkit::fileExists("/evil3.txt"));
}

TEST(BigExtract, TruncatedArchiveExtractsWhatItHoldsAndLeavesNoHalfFiles) {
    TempDir dir;
    HandLaidBig big;
    big.entries = {{"whole.txt", "complete"}, {"half.bin", std::string(5000, 'h')}, {"gone.txt", "gone"}};
    std::string bytes = big.bytes();
    const std::string archivePath = dir.file("cut.big");
    testkit::writeFile(archivePath, bytes.substr(0, bytes.size() - 4 - 2500));
    testkit::writeFile(dir.file("out/half.bin"), "the good old file");

    BigArchive archive;
    ASSERT_TRUE(archive.openArchive(archivePath.c_str()));
    ASSERT_EQ(archive.countEntries(), 3);
    ExtractReport report = archive.extractSelected(archivePath.c_str(), dir.file("out").c_str());
    EXPECT_EQ(report.written, 1);
    EXPECT_EQ(report.failed, 2);
    ASSERT_EQ(report.problems.size(), 2u);
    EXPECT_EQ(report.problems[0].name, "half.bin");
    EXPECT_EQ(report.problems[0].problem, EntryProblem::DATA_OUTSIDE);
    EXPECT_EQ(report.problems[1].name, "gone.txt");
    EXPECT_EQ(testkit::readFile(dir.file("out/whole.txt")), "complete");
    EXPECT_EQ(testkit::readFile(dir.file("out/half.bin")), "the good old file");
    EXPECT_FALSE(testkit::fileExists(dir.file("out/gone.txt")));
    EXPECT_FALSE(testkit::fileExists(dir.file("out/half.bin.~tmp")));
}

TEST(BigExtract, AnOutputThatCannotBeCreatedIsReportedAndTheRestGoesOn) {
    TempDir dir;
    HandLaidBig big;
    big.entries = {{"a", "file named a"}, {"a\\b.txt", "needs a folder named a"}, {"c.txt", "c"}};
    std::string archivePath = archiveIn(dir, big);
    BigArchive archive;
    ExtractReport report = archive.extractSelected(archivePath.c_str(), dir.file("out").c_str());
    EXPECT_EQ(report.written, 2);
    EXPECT_EQ(report.failed, 1);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].name, "a\\b.txt");
    EXPECT_EQ(report.problems[0].problem, EntryProblem::CANNOT_CREATE);
    EXPECT_EQ(testkit::readFile(dir.file("out/c.txt")), "c");
}

TEST(BigTextView, TextExtensionsBySubstringAreCopiedAndShown) {
    TempDir dir;
    HandLaidBig big;
    big.entries = {{"lang\\x.str", "strings"}, {"y.RU", "ru"}, {"z.Ini", "no"}, {"noext", "no"},
                   {"v.in", "fragment"}, {"w.txt", "no"}, {"cfg/a.ini", std::string(1500000, 'i')}};
    std::string archivePath = archiveIn(dir, big);

    std::vector<std::string> programs, parameters;
    std::vector<void*> owners;
    platform::setShellOpenHandler([&](void* owner, const char* program, const char* parameter) {
        owners.push_back(owner);
        programs.push_back(program);
        parameters.push_back(parameter);
        return true;
    });
    std::string tempPath;
    {
        BigArchive archive;
        tempPath = archive.tempTextPath();
        EXPECT_EQ(tempPath, platform::tempFolder() + "ZZZ_Content.tmp");
        ASSERT_TRUE(archive.openArchive(archivePath.c_str()));
        int owner = 0;
        EXPECT_TRUE(archive.viewTextEntry(0, &owner));
        EXPECT_EQ(testkit::readFile(tempPath), "strings");
        EXPECT_TRUE(archive.viewTextEntry(1, nullptr));
        EXPECT_EQ(testkit::readFile(tempPath), "ru");
        EXPECT_FALSE(archive.viewTextEntry(2, nullptr));
        EXPECT_FALSE(archive.viewTextEntry(3, nullptr));
        EXPECT_TRUE(archive.viewTextEntry(4, nullptr));
        EXPECT_EQ(testkit::readFile(tempPath), "fragment");
        EXPECT_FALSE(archive.viewTextEntry(5, nullptr));
        EXPECT_TRUE(archive.viewTextEntry(6, nullptr));
        EXPECT_EQ(testkit::readFile(tempPath), std::string(1500000, 'i'));
        EXPECT_FALSE(archive.viewTextEntry(7, nullptr));
        EXPECT_FALSE(archive.viewTextEntry(-1, nullptr));
        ASSERT_EQ(programs.size(), 4u);
        EXPECT_EQ(owners[0], &owner);
        for (std::size_t i = 0; i < programs.size(); ++i) {
            EXPECT_EQ(programs[i], "NotePad.exe");
            EXPECT_EQ(parameters[i], tempPath);
        }
    }
    platform::setShellOpenHandler(nullptr);
    EXPECT_FALSE(testkit::fileExists(tempPath));  // removed with the archive object
}

}  // namespace
