// Writing archives: the exact layout, the empty archive, a round trip of a
// tree, and the cases where the writer must refuse or report.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "BigArchive.h"
#include "HandLaidBig.h"
#include "WorkProgress.h"
#include "platform/Platform.h"

namespace {

using testkit::TempDir;

std::uint32_t be32(const std::string& bytes, std::size_t at) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

TEST(BigWriter, OneFileArchiveIsLaidOutByteForByte) {
    TempDir dir;
    testkit::writeFile(dir.file("pack/fa.bin"), "0123456789");
    BigArchive archive;
    ASSERT_EQ(archive.collectFolder(dir.file("pack").c_str()), BigStatus::OK);
    EXPECT_EQ(archive.headerSize(), 39u);
    EXPECT_EQ(archive.archiveSize(), 49u);
    WriteReport report = archive.writeArchive(dir.file("one.big").c_str());
    ASSERT_EQ(report.status, BigStatus::OK);
    EXPECT_EQ(report.entriesWritten, 1);

    std::string expected = "BIG4";
    testkit::putU32(expected, 49);
    testkit::putBE32(expected, 1);
    testkit::putBE32(expected, 39);
    testkit::putBE32(expected, 39);
    testkit::putBE32(expected, 10);
    expected += std::string("fa.bin\0", 7);
    expected += std::string("L219\0\0\0\0", 8);
    expected += "0123456789";
    ASSERT_EQ(expected.size(), 49u);
    EXPECT_EQ(testkit::readFile(dir.file("one.big")), expected);

    // A root given with a trailing separator gives the same names.
    BigArchive again;
    ASSERT_EQ(again.collectFolder((dir.file("pack") + testkit::SEP).c_str()), BigStatus::OK);
    ASSERT_EQ(again.collection().size(), 1u);
    EXPECT_EQ(again.collection()[0].name, "fa.bin");

    // The hand-laid builder agrees with the writer.
    HandLaidBig big;
    big.archiveSizeField = 49;
    big.entries = {{"fa.bin", "0123456789"}};
    EXPECT_EQ(big.bytes(), expected);
}

TEST(BigWriter, EmptyFolderGivesAValidEmptyArchiveThatOpensAgain) {
    TempDir dir;
    ASSERT_EQ(platform::createFolderTree(dir.file("empty").c_str()), platform::FolderResult::CREATED);
    BigArchive archive;
    ASSERT_EQ(archive.collectFolder(dir.file("empty").c_str()), BigStatus::OK);
    const std::string path = dir.file("empty.big");
    ASSERT_EQ(archive.writeArchive(path.c_str()).status, BigStatus::OK);

    std::string expected = "BIG4";
    testkit::putU32(expected, 24);
    testkit::putBE32(expected, 0);
    testkit::putBE32(expected, 24);
    expected += std::string("L219\0\0\0\0", 8);
    EXPECT_EQ(testkit::readFile(path), expected);

    BigArchive reader;
    EXPECT_TRUE(reader.isBigFile(path.c_str()));
    EXPECT_TRUE(reader.openArchive(path.c_str()));
    EXPECT_EQ(reader.countEntries(), 0);
    EXPECT_FALSE(reader.directoryTruncated());
}

TEST(BigWriter, RoundTripOfATreeGivesBackEveryFile) {
    TempDir dir;
    std::map<std::string, std::string> files = {
        {"root.ini", "[root]\n"},
        {"a.txt", "one-character base name"},
        {".hidden", "dot name"},
        {"empty.bin", ""},
        {"data/big.bin", std::string((5 << 20) / 2 + 17, '\x5A')},  // crosses the copy buffer twice
        {"data/deep/er/leaf.str", "leaf"},
        {"Mixed Case/Name With Blanks.W3D", std::string(1000, '\0')},
    };
    for (const auto& f : files) testkit::writeFile(dir.file("tree/" + f.first), f.second);

    BigArchive writer;
    ASSERT_EQ(writer.collectFolder(dir.file("tree").c_str()), BigStatus::OK);
    ASSERT_EQ(writer.collection().size(), files.size());
    std::uint32_t expectedOffset = writer.headerSize();
    for (const BigEntry& e : writer.collection()) {
        EXPECT_EQ(e.dataOffset, expectedOffset) << e.name;  // data follows without gaps
        expectedOffset += e.dataSize;
        EXPECT_EQ(e.name.find('/'), std::string::npos);
        EXPECT_NE(e.name.front(), '\\');
    }
    EXPECT_EQ(writer.archiveSize(), expectedOffset);
    const std::string archivePath = dir.file("tree.big");
    WriteReport written = writer.writeArchive(archivePath.c_str());
    ASSERT_EQ(written.status, BigStatus::OK);
    EXPECT_TRUE(written.problems.empty());

    const std::string bytes = testkit::readFile(archivePath);
    EXPECT_EQ(bytes.size(), writer.archiveSize());
    EXPECT_EQ(be32(bytes, 8), files.size());
    EXPECT_EQ(be32(bytes, 12), writer.headerSize());
    EXPECT_EQ(bytes.substr(writer.headerSize() - 8, 4), "L219");

    BigArchive reader;
    ASSERT_TRUE(reader.isBigFile(archivePath.c_str()));
    ASSERT_TRUE(reader.openArchive(archivePath.c_str()));
    ASSERT_EQ(reader.countEntries(), static_cast<int>(files.size()));
    std::map<std::string, std::string> names;
    for (int i = 0; i < reader.countEntries(); ++i) names[reader.entryName(i)] = reader.entrySizeText(i);
    EXPECT_EQ(names["data\\deep\\er\\leaf.str"], "4");
    EXPECT_EQ(names["Mixed Case\\Name With Blanks.W3D"], "1000");

    ExtractReport extracted = reader.extractSelected(archivePath.c_str(), dir.file("back").c_str());
    EXPECT_EQ(extracted.written, static_cast<int>(files.size()));
    EXPECT_TRUE(extracted.problems.empty());
    for (const auto& f : files) EXPECT_EQ(testkit::readFile(dir.file("back/" + f.first)), f.second) << f.first;
}

// Names outside ASCII used to be stored in each build's own bytes (UTF-8 on
// Linux), so that an archive extracted under other names on the other system.
TEST(BigWriter, NamesOutsideAsciiUsedToDifferBetweenTheBuilds) {
    TempDir dir;
    // "caf\xE9.str" and "\xC9t\xE9" as this system names them on disk.
#ifdef _WIN32
    std::string cafe, folder;
    if (!platform::fromArchiveName("caf\xE9.str", cafe) || !platform::fromArchiveName("\xC9t\xE9", folder))
        GTEST_SKIP() << "the system's code page has no accented letters";
#else
    const std::string cafe = "caf\xC3\xA9.str", folder = "\xC3\x89t\xC3\xA9";
    // What Windows-1252 cannot hold: Cyrillic, and a name that is not UTF-8.
    testkit::writeFile(dir.file("pack/\xD0\x96\xD1\x83\xD0\xBA.str"), "cyrillic");
    testkit::writeFile(dir.file("pack/latin\xE9.ini"), "not utf-8");
#endif
    testkit::writeFile(dir.file("pack/" + cafe), "accent");
    testkit::writeFile(dir.file("pack/" + folder + "/x.ini"), "x");
    BigArchive archive;
    ASSERT_EQ(archive.collectFolder(dir.file("pack").c_str()), BigStatus::OK);
    const std::string target = dir.file("names.big");
    ASSERT_EQ(archive.writeArchive(target.c_str()).status, BigStatus::OK);
    const std::string bytes = testkit::readFile(target);
    EXPECT_EQ(be32(bytes, 8), 2u);
    EXPECT_NE(bytes.find(std::string("caf\xE9.str\0", 9)), std::string::npos);
    EXPECT_NE(bytes.find(std::string("\xC9t\xE9\\x.ini\0", 10)), std::string::npos);
#ifndef _WIN32
    std::set<std::string> passed;
    for (const PassedOver& p : archive.passedOver()) {
        EXPECT_EQ(p.reason, PassReason::NO_ARCHIVE_NAME) << p.path;
        passed.insert(p.path.substr(platform::lastSeparator(p.path) + 1));
    }
    EXPECT_EQ(passed, (std::set<std::string>{"\xD0\x96\xD1\x83\xD0\xBA.str", "latin\xE9.ini"}));
#endif

    BigArchive reader;
    ASSERT_TRUE(reader.openArchive(target.c_str()));
    EXPECT_EQ(std::string(reader.entryName(0)), cafe);  // as the listings show it
    const ExtractReport back = reader.extractSelected(target.c_str(), dir.file("back").c_str());
    EXPECT_EQ(back.written, 2);
    EXPECT_EQ(testkit::readFile(dir.file("back/" + cafe)), "accent");
    EXPECT_EQ(testkit::readFile(dir.file("back/" + folder + "/x.ini")), "x");
}

TEST(BigWriter, AnArchiveInsideTheCollectedFolderIsNotCollectedIntoItself) {
    TempDir dir;
    testkit::writeFile(dir.file("pack/a.ini"), "a");
    testkit::writeFile(dir.file("pack/b.ini"), "b");
    const std::string target = dir.file("pack/out.big");
    BigArchive archive;
    ASSERT_EQ(archive.collectFolder(dir.file("pack").c_str()), BigStatus::OK);
    ASSERT_EQ(archive.writeArchive(target.c_str()).status, BigStatus::OK);

    // The second run finds the first archive in the folder.
    ASSERT_EQ(archive.collectFolder(dir.file("pack").c_str()), BigStatus::OK);
    ASSERT_EQ(archive.collection().size(), 3u);
    WriteReport report = archive.writeArchive(target.c_str());
    ASSERT_EQ(report.status, BigStatus::OK);
    EXPECT_EQ(report.excludedSelf, 1);
    EXPECT_EQ(report.entriesWritten, 2);

    BigArchive reader;
    ASSERT_TRUE(reader.openArchive(target.c_str()));
    ASSERT_EQ(reader.countEntries(), 2);
    EXPECT_EQ(testkit::readFile(target).size(), reader.entry(1)->dataOffset + 1u);
    ExtractReport back = reader.extractSelected(target.c_str(), dir.file("back").c_str());
    EXPECT_EQ(back.written, 2);
    EXPECT_EQ(testkit::readFile(dir.file("back/b.ini")), "b");
}

// Shrinks a file once a whole copy block has been written: while the
// copy of a file larger than a block is under way.
struct ShrinkAtFirstBlock : WorkProgress {
    explicit ShrinkAtFirstBlock(std::string file) : path(std::move(file)) {}
    void advance(std::uint64_t amount) override {
        WorkProgress::advance(amount);
        if (path.empty() || amount < BigArchive::COPY_BUFFER_SIZE) return;
        testkit::writeFile(path, "t");
        path.clear();
    }
    std::string path;
};

std::map<std::string, std::string> entriesOf(const std::string& archivePath) {
    BigArchive reader;
    std::map<std::string, std::string> out;
    if (!reader.openArchive(archivePath.c_str())) return out;
    const std::string bytes = testkit::readFile(archivePath);
    for (std::int32_t i = 0; i < reader.countEntries(); ++i)
        out[reader.entry(i)->name] = bytes.substr(reader.entry(i)->dataOffset, reader.entry(i)->dataSize);
    return out;
}

// Files that could not be read or had shrunk used to be stored as zeros in a
// published archive, and Windows builds could not read paths of 260 characters.
TEST(BigWriter, UnreadableOrShrinkingFilesUsedToBeStoredAsZeros) {
    TempDir dir;
    testkit::writeFile(dir.file("pack/1.bin"), "first");
    testkit::writeFile(dir.file("pack/2.bin"), "vanishes");
    testkit::writeFile(dir.file("pack/3.bin"), "third");
    // The folder stays below the limit of a directory search, the file's full path passes 260 characters.
    const std::string deep = std::string(150, 'd') + "\\" + std::string(100, 'f') + ".bin";
    testkit::writeFile(dir.file("pack/" + deep), "deep");
    ASSERT_GE(dir.file("pack/" + deep).size(), 260u);
    BigArchive archive;
    ASSERT_EQ(archive.collectFolder(dir.file("pack").c_str()), BigStatus::OK);
    ASSERT_EQ(archive.collection().size(), 4u);
    ASSERT_TRUE(platform::deleteFile(dir.file("pack/2.bin").c_str()));  // gone since the walk: left out, named
    testkit::writeFile(dir.file("pack/3.bin"), "thi");                   // shrank since the walk: stored as it is now

    WriteReport report = archive.writeArchive(dir.file("p.big").c_str());
    ASSERT_EQ(report.status, BigStatus::OK);
    EXPECT_EQ(report.entriesWritten, 3);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].name, "2.bin");
    EXPECT_EQ(report.problems[0].problem, EntryProblem::SOURCE_UNREADABLE);
    EXPECT_EQ(report.problems[0].path.substr(report.problems[0].path.size() - 5), "2.bin");
    EXPECT_EQ(testkit::readFile(dir.file("p.big")).size(), archive.archiveSize());
    const std::map<std::string, std::string> stored = {{"1.bin", "first"}, {"3.bin", "thi"}, {deep, "deep"}};
    EXPECT_EQ(entriesOf(dir.file("p.big")), stored);

    // A file that shrinks while it is copied ends the write: the old archive
    // stays and no temporary is left.
    testkit::writeFile(dir.file("pack/3.bin"), std::string(2 * BigArchive::COPY_BUFFER_SIZE + 1, 'z'));
    ASSERT_EQ(archive.collectFolder(dir.file("pack").c_str()), BigStatus::OK);
    ShrinkAtFirstBlock shrink(dir.file("pack/3.bin"));
    report = archive.writeArchive(dir.file("p.big").c_str(), &shrink);
    EXPECT_EQ(report.status, BigStatus::SOURCE_CHANGED);
    EXPECT_EQ(report.problemPath.substr(report.problemPath.size() - 5), "3.bin");
    EXPECT_EQ(entriesOf(dir.file("p.big")), stored);
    EXPECT_EQ(testkit::folderNames(dir.path()), (std::vector<std::string>{"p.big", "pack"}));
}

#ifndef _WIN32
// The writer looks at the files without opening them first: one that is
// there but does not open for its copy (a pipe now) has the archive begun
// again from a measurement that opens every file, with the same result.
TEST(BigWriter, AFileThatNoLongerOpensIsLeftOutAsWhenMeasuredFirst) {
    TempDir dir;
    testkit::writeFile(dir.file("pack/1.bin"), "first");
    testkit::writeFile(dir.file("pack/2.bin"), "becomes a pipe");
    testkit::writeFile(dir.file("pack/3.bin"), std::string(3 * BigArchive::COPY_BUFFER_SIZE + 7, 'z'));
    BigArchive archive;
    ASSERT_EQ(archive.collectFolder(dir.file("pack").c_str()), BigStatus::OK);
    ASSERT_TRUE(platform::deleteFile(dir.file("pack/2.bin").c_str()));
    ASSERT_TRUE(testkit::makePipe(dir.file("pack/2.bin")));

    WriteReport report = archive.writeArchive(dir.file("p.big").c_str());
    ASSERT_EQ(report.status, BigStatus::OK);
    EXPECT_EQ(report.entriesWritten, 2);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].name, "2.bin");
    EXPECT_EQ(report.problems[0].problem, EntryProblem::SOURCE_UNREADABLE);
    EXPECT_EQ(testkit::readFile(dir.file("p.big")).size(), archive.archiveSize());
    const std::map<std::string, std::string> stored = {
        {"1.bin", "first"}, {"3.bin", std::string(3 * BigArchive::COPY_BUFFER_SIZE + 7, 'z')}};
    EXPECT_EQ(entriesOf(dir.file("p.big")), stored);
    EXPECT_EQ(testkit::folderNames(dir.path()), (std::vector<std::string>{"p.big", "pack"}));
}
#endif

TEST(BigWriter, RefusalsWriteNothingAndKeepTheOldArchive) {
    TempDir dir;
    const std::string target = dir.file("keep.big");
    testkit::writeFile(target, "the previous archive");
    BigArchive archive;
    EXPECT_EQ(archive.writeArchive(target.c_str()).status, BigStatus::NOT_COLLECTED);
    EXPECT_EQ(archive.collectFolder(dir.file("missing").c_str()), BigStatus::NOT_A_FOLDER);
    EXPECT_EQ(archive.writeArchive(target.c_str()).status, BigStatus::NOT_A_FOLDER);
    EXPECT_EQ(testkit::readFile(target), "the previous archive");

    // A target in a folder that does not exist cannot be created.
    testkit::writeFile(dir.file("small/x.txt"), "x");
    ASSERT_EQ(archive.collectFolder(dir.file("small").c_str()), BigStatus::OK);
    EXPECT_EQ(archive.writeArchive(dir.file("no/such/folder/x.big").c_str()).status, BigStatus::CANNOT_CREATE);
    EXPECT_FALSE(testkit::fileExists(dir.file("no")));

    // clearLists forgets the collection.
    archive.clearLists();
    EXPECT_EQ(archive.writeArchive(target.c_str()).status, BigStatus::NOT_COLLECTED);
}

// Sparse files stand in for huge ones: a seek past the end and one byte.
bool makeSparse(const std::string& path, std::uint64_t size) {
    std::FILE* f = platform::openFile(path.c_str(), "wb");
    if (!f) return false;
    bool ok = platform::seekFile(f, size - 1) && std::fputc('z', f) == 'z';
    ok = std::fclose(f) == 0 && ok;
    return ok && platform::fileSize(path.c_str()) == static_cast<std::int64_t>(size);
}

TEST(BigWriter, FilesAndArchivesBeyond32BitFieldsAreRefusedBeforeWriting) {
    TempDir dir;
    const std::string target = dir.file("keep.big");
    testkit::writeFile(target, "the previous archive");
    testkit::writeFile(dir.file("huge/small.txt"), "s");
    if (!makeSparse(dir.file("huge/four.bin"), 0x100000000ull)) GTEST_SKIP() << "no room for a sparse 4 GiB file";
    BigArchive archive;
    EXPECT_EQ(archive.collectFolder(dir.file("huge").c_str()), BigStatus::FILE_TOO_LARGE);
    EXPECT_EQ(archive.collectProblemPath().substr(archive.collectProblemPath().size() - 8), "four.bin");
    EXPECT_EQ(archive.writeArchive(target.c_str()).status, BigStatus::FILE_TOO_LARGE);
    EXPECT_EQ(testkit::readFile(target), "the previous archive");
    platform::deleteFile(dir.file("huge/four.bin").c_str());

    ASSERT_TRUE(makeSparse(dir.file("huge/two1.bin"), 0x7FFFFFF0ull));
    ASSERT_TRUE(makeSparse(dir.file("huge/two2.bin"), 0x7FFFFFF0ull));
    EXPECT_EQ(archive.collectFolder(dir.file("huge").c_str()), BigStatus::ARCHIVE_TOO_LARGE);
    EXPECT_TRUE(archive.collection().empty());
    EXPECT_EQ(archive.writeArchive(target.c_str()).status, BigStatus::ARCHIVE_TOO_LARGE);
    EXPECT_EQ(testkit::readFile(target), "the previous archive");
}

TEST(BigWriter, ArchiveNamesLongerThan255CharactersAreRefused) {
    TempDir dir;
    const std::string deep = std::string(130, 'd') + "/" + std::string(130, 'f') + ".txt";
    testkit::writeFile(dir.file("root/" + deep), "deep");
    if (!testkit::fileExists(dir.file("root/" + deep))) GTEST_SKIP() << "this system cannot create the long path";
    BigArchive archive;
    EXPECT_EQ(archive.collectFolder(dir.file("root").c_str()), BigStatus::NAME_TOO_LONG);
    EXPECT_NE(archive.collectProblemPath().find(std::string(130, 'f')), std::string::npos);
}

}  // namespace
