// The shared defences against hostile or careless surroundings: the
// replacing writer, inputs that are no regular files, file identity, the
// private work folder, and the configuration reader's limits.
#include <gtest/gtest.h>

#include <set>

#include "ConfigFile.h"
#include "FileStream.h"
#include "ReplacingFile.h"
#include "platform/Platform.h"
#include "testkit/TestKit.h"

using testkit::TempDir;

namespace {

bool writeAndCommit(const std::string& target, const std::string& text) {
    ReplacingFile file;
    if (!file.create(target)) return false;
    std::fwrite(text.data(), 1, text.size(), file.stream());
    return file.commit();
}

}  // namespace

TEST(ReplacingFile, ReplacesWholeOrLeavesTheTargetAndNoTemporary) {
    TempDir dir;
    const std::string target = dir.file("out.txt");
    ASSERT_TRUE(writeAndCommit(target, "first"));
    EXPECT_EQ(testkit::readFile(target), "first");

    // Temporaries are new files under names that differ every time.
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        ReplacingFile file;
        ASSERT_TRUE(file.create(target));
        EXPECT_EQ(file.temporaryPath().compare(0, dir.path().size() + 2, dir.path() + testkit::SEP + "~"), 0);
        names.insert(file.temporaryPath());
    }  // dropped: abandoned
    EXPECT_EQ(names.size(), 20u);
    EXPECT_EQ(testkit::readFile(target), "first");

    // A failed write (ok false) and a refused rename keep the old file.
    {
        ReplacingFile file;
        ASSERT_TRUE(file.create(target));
        std::fputs("half", file.stream());
        EXPECT_FALSE(file.commit(false));
    }
    ASSERT_TRUE(platform::createFolderTree(dir.file("folder.txt").c_str()) == platform::FolderResult::CREATED);
    EXPECT_FALSE(writeAndCommit(dir.file("folder.txt"), "x"));
    EXPECT_EQ(testkit::readFile(target), "first");
    EXPECT_EQ(testkit::folderNames(dir.path()), (std::vector<std::string>{"folder.txt", "out.txt"}));

    // A missing folder: nothing created, and the system's reason kept.
    ReplacingFile nowhere;
    EXPECT_FALSE(nowhere.create(dir.file("none/out.txt")));
    EXPECT_FALSE(nowhere.failureText().empty());
    EXPECT_FALSE(nowhere.commit());
}

TEST(ReplacingFile, APlantedLinkIsReplacedNotWrittenThrough) {
    TempDir dir;
    testkit::writeFile(dir.file("elsewhere/secret.txt"), "keep");
    if (!testkit::makeFileLink(dir.file("elsewhere/secret.txt"), dir.file("out.txt")))
        GTEST_SKIP() << "this system makes no file links without privileges";
    ASSERT_TRUE(writeAndCommit(dir.file("out.txt"), "new"));
    EXPECT_EQ(testkit::readFile(dir.file("elsewhere/secret.txt")), "keep");
    EXPECT_FALSE(platform::isLink(dir.file("out.txt").c_str()));
    EXPECT_EQ(testkit::readFile(dir.file("out.txt")), "new");
}

TEST(RegularInputs, FoldersPipesAndDevicesAreRefusedAtOnce) {
    TempDir dir;
    testkit::writeFile(dir.file("plain.txt"), "K = v\n");
    ASSERT_EQ(platform::createFolderTree(dir.file("folder").c_str()), platform::FolderResult::CREATED);
    struct Case {
        std::string path;
        bool regular;
    };
    std::vector<Case> cases = {{dir.file("plain.txt"), true}, {dir.file("folder"), false},
                               {dir.file("missing.txt"), false}};
#ifdef _WIN32
    cases.push_back({"NUL", false});
#else
    cases.push_back({"/dev/null", false});
    // Opened the ordinary way, a pipe without a writer waits forever.
    if (testkit::makePipe(dir.file("pipe"))) cases.push_back({dir.file("pipe"), false});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(platform::inputProblem(c.path.c_str()) == nullptr, c.regular);
        std::FILE* f = platform::openInputFile(c.path.c_str(), "rb");
        EXPECT_EQ(f != nullptr, c.regular);
        if (f) std::fclose(f);
        FileStream stream(FileStream::READ, c.path.c_str(), 0);
        EXPECT_EQ(stream.open() == StreamResult::OPEN, c.regular);
        stream.close();
        ConfigFile config(c.path.c_str());
        EXPECT_EQ(config.load(), c.regular);
    }
}

TEST(FileIdentity, SameFileWhateverThePathOtherFileWhateverTheSpelling) {
    TempDir dir;
    testkit::writeFile(dir.file("a/file.txt"), "x");
    testkit::writeFile(dir.file("b/other.txt"), "y");
    const platform::FileIdentity id = platform::fileIdentity(dir.file("a/file.txt").c_str());
    ASSERT_TRUE(id.valid);
    EXPECT_EQ(platform::fileIdentity(dir.file("b/../a/file.txt").c_str()), id);
    EXPECT_NE(platform::fileIdentity(dir.file("b/other.txt").c_str()), id);
    EXPECT_FALSE(platform::fileIdentity(dir.file("a/none.txt").c_str()).valid);
    std::FILE* open = platform::openInputFile(dir.file("a/file.txt").c_str());
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(platform::fileIdentity(open), id);
    std::fclose(open);
    if (testkit::makeFolderLink(dir.file("a"), dir.file("link"))) {
        EXPECT_TRUE(platform::isLink(dir.file("link").c_str()));
        EXPECT_FALSE(platform::isLink(dir.file("a").c_str()));
        EXPECT_EQ(platform::fileIdentity(dir.file("link/file.txt").c_str()), id);
    }
}

TEST(PrivateFolder, EveryRunGetsAFolderOfItsOwn) {
    TempDir dir;
    const std::string one = platform::createPrivateFolder(dir.path(), "run-");
    const std::string two = platform::createPrivateFolder(dir.path(), "run-");
    ASSERT_FALSE(one.empty());
    ASSERT_FALSE(two.empty());
    EXPECT_NE(one, two);
    EXPECT_EQ(one.compare(0, dir.path().size() + 5, dir.file("run-")), 0);
    EXPECT_EQ(platform::fileAttributes(one.c_str()) & platform::ATTR_DIRECTORY, platform::ATTR_DIRECTORY);
    EXPECT_TRUE(platform::removeFolder(one.c_str()));
    EXPECT_EQ(platform::fileAttributes(one.c_str()), platform::ATTR_INVALID);
    EXPECT_TRUE(platform::createPrivateFolder(dir.file("missing"), "run-").empty());
}

TEST(SizesAndSparseFiles, StreamSizeIsWholeBeyondFourGigabytes) {
    TempDir dir;
    const std::uint64_t size = (5ull << 30) + 7;  // 5 GiB and a few bytes, sparse
    if (!testkit::makeSizedFile(dir.file("big.bin"), size)) GTEST_SKIP() << "no room for a sparse file";
    std::FILE* f = platform::openInputFile(dir.file("big.bin").c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(platform::streamSize(f), static_cast<std::int64_t>(size));
    std::fclose(f);
    EXPECT_EQ(platform::fileSize(dir.file("big.bin").c_str()), static_cast<std::int64_t>(size));
}

TEST(ConfigLimits, LongLinesAreCutWholeAndListsSplitAfterTheirFirstBracket) {
    TempDir dir;
    // The tail of an over-long line must not become a line, least of all a
    // key that the file has commented out.
    const std::string tail = "Live = 1";
    const std::string text = "# " + std::string(ConfigFile::LINE_LIMIT, 'x') + "\n" + "Note = " +
                             std::string(ConfigFile::LINE_LIMIT, 'y') + tail + "\nAfter = 2\n" +
                             "Root = " + std::string(600, 'r') + "\nBoth = $(Root)$(Root)\n";
    testkit::writeFile(dir.file("cfg.txt"), text);
    ConfigFile config(dir.file("cfg.txt").c_str());
    ASSERT_TRUE(config.load());
    EXPECT_STREQ(config.text("Live"), "");
    EXPECT_STREQ(config.text("After"), "2");
    EXPECT_EQ(std::string(config.text("Both")).size(), ConfigFile::VALUE_LIMIT);
    EXPECT_EQ(config.cutKeys(), (std::vector<std::string>{"Note", "Both"}));

    // The bracket that ended the first item is used up with it.
    using Items = std::vector<std::string>;
    EXPECT_EQ(ConfigFile::splitList("{a[b,c}"), (Items{"a", "b", "c"}));
    EXPECT_EQ(ConfigFile::splitList("{a,b}"), (Items{"a", "b"}));
    EXPECT_EQ(ConfigFile::splitList("[a;;b]"), (Items{"a", "b"}));
    EXPECT_EQ(ConfigFile::splitList("x"), (Items{"x"}));
}
