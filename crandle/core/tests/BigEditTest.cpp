// Editing an archive in place: every change read back against an archive
// laid out by hand, the refusals, and the cases where the original must
// stay as it was (changed inputs, a stop at any block).
#include <gtest/gtest.h>

#include "BigArchive.h"
#include "BigEdit.h"
#include "HandLaidBig.h"
#include "WorkProgress.h"
#include "platform/Platform.h"

namespace {

using testkit::TempDir;

class BigEdit : public ::testing::Test {
protected:
    void SetUp() override {
        HandLaidBig big;
        big.magic = "BIGF";
        big.entries = {{"Data\\INI\\a.ini", "alpha"}, {"Data\\b.bin", std::string(3000, 'b')}, {"c.txt", "gamma"}};
        original_ = big.bytes();
        testkit::writeFile(path(), original_);
        testkit::writeFile(dir_.file("new.txt"), "new bytes");
    }
    std::string path() const { return dir_.file("x.big"); }
    void begin() {
        ASSERT_TRUE(archive_.openArchive(path().c_str()));
        std::string reason;
        ASSERT_TRUE(plan_.begin(archive_, path(), reason)) << reason;
    }
    // Only the archive and the new file: no temporary left behind.
    void expectNoLeftovers() {
        EXPECT_EQ(testkit::folderNames(dir_.path()), (std::vector<std::string>{"new.txt", "x.big"}));
    }

    TempDir dir_;
    std::string original_;
    BigArchive archive_;
    BigEditPlan plan_;
};

TEST_F(BigEdit, EachChangeIsSavedInPlaceAndEverythingElseKeptByteForByte) {
    begin();
    ASSERT_EQ(plan_.add("Data\\Text\\new.txt", dir_.file("new.txt")), EditResult::DONE);
    ASSERT_EQ(plan_.replace(plan_.find("c.TXT"), dir_.file("new.txt")), EditResult::DONE);
    ASSERT_EQ(plan_.rename(plan_.find("data\\b.bin"), "Data\\renamed.bin"), EditResult::DONE);
    plan_.remove(plan_.find("Data\\INI\\a.ini"));
    EXPECT_TRUE(plan_.pending());
    EXPECT_TRUE(plan_.at(0).renamed);
    EXPECT_TRUE(plan_.at(1).replaced);
    EXPECT_TRUE(plan_.at(2).added);
    ASSERT_EQ(plan_.save(path()), SaveResult::SAVED);

    // Kept and renamed entries in their old order, the added one last; the
    // magic of the old archive kept.
    HandLaidBig expected;
    expected.magic = "BIGF";
    expected.entries = {{"Data\\renamed.bin", std::string(3000, 'b')}, {"c.txt", "new bytes"},
                        {"Data\\Text\\new.txt", "new bytes"}};
    expected.archiveSizeField = static_cast<std::uint32_t>(expected.bytes().size());
    EXPECT_EQ(testkit::readFile(path()), expected.bytes());
    expectNoLeftovers();

    // Saved elsewhere, the old archive stays as it was.
    begin();
    ASSERT_EQ(plan_.rename(0, "moved.bin"), EditResult::DONE);
    ASSERT_EQ(plan_.save(dir_.file("other.big")), SaveResult::SAVED);
    EXPECT_EQ(testkit::readFile(path()), expected.bytes());
    BigArchive other;
    ASSERT_TRUE(other.openArchive(dir_.file("other.big").c_str()));
    EXPECT_EQ(std::string(other.entryName(0)), "moved.bin");
}

TEST_F(BigEdit, NamesTheFormatCannotHoldAreRefused) {
    begin();
    const std::string file = dir_.file("new.txt");
    EXPECT_EQ(plan_.add("DATA\\ini\\A.INI", file), EditResult::NAME_TAKEN);
    for (const std::string& bad : {std::string(), std::string(256, 'n'), std::string("..\\up.txt"), std::string("a:b"),
                                   std::string("a*b"), std::string("\\root.txt"), std::string("tab\there")})
        EXPECT_EQ(plan_.add(bad, file), EditResult::BAD_NAME) << bad;
    EXPECT_EQ(plan_.add(std::string(255, 'n'), file), EditResult::DONE);
    EXPECT_EQ(plan_.add("missing.txt", dir_.file("missing.txt")), EditResult::NOT_A_FILE);
    EXPECT_EQ(plan_.add("folder", dir_.path()), EditResult::NOT_A_FILE);
    EXPECT_EQ(plan_.rename(plan_.find("c.txt"), "data\\B.BIN"), EditResult::NAME_TAKEN);
    // A change of letter case alone is a rename of its own.
    EXPECT_EQ(plan_.rename(plan_.find("c.txt"), "C.TXT"), EditResult::DONE);
    EXPECT_EQ(plan_.at(plan_.find("c.txt")).name, "C.TXT");
    EXPECT_EQ(plan_.replace(-1, file), EditResult::NO_SUCH_ENTRY);
    // A name freed by a removal may be taken again.
    plan_.remove(plan_.find("c.txt"));
    EXPECT_EQ(plan_.add("c.txt", file), EditResult::DONE);
}

TEST_F(BigEdit, DamagedArchivesAreNotEdited) {
    HandLaidBig big;
    big.entries = {{"a", "0123456789"}, {"b", "abc"}};
    const std::string good = big.bytes();
    big.overrideHeaderSize = true;
    big.headerSize = 0xFFFFFFFF;
    const std::string pastEnd = big.bytes();
    big.overrideHeaderSize = false;
    big.overrideTotal = true;
    big.entryTotal = 3;
    const std::string truncated = big.bytes();
    for (const std::string& bytes : {pastEnd, truncated, good.substr(0, good.size() - 2)}) {
        testkit::writeFile(path(), bytes);
        BigArchive archive;
        archive.openArchive(path().c_str());
        std::string reason;
        EXPECT_FALSE(plan_.begin(archive, path(), reason));
        EXPECT_NE(reason.find("damaged"), std::string::npos) << reason;
        EXPECT_EQ(plan_.save(path()), SaveResult::NOTHING_PLANNED);
        EXPECT_EQ(testkit::readFile(path()), bytes);
    }
}

TEST_F(BigEdit, AnInputChangedWhilePendingLeavesTheArchiveUntouched) {
    begin();
    ASSERT_EQ(plan_.add("late.txt", dir_.file("new.txt")), EditResult::DONE);
    testkit::writeFile(dir_.file("new.txt"), "new");  // shrank since it was added
    EXPECT_EQ(plan_.save(path()), SaveResult::SOURCE_CHANGED);
    EXPECT_EQ(plan_.failedPath(), platform::resolvePath(dir_.file("new.txt").c_str()));
    EXPECT_EQ(testkit::readFile(path()), original_);
    expectNoLeftovers();

    begin();
    ASSERT_EQ(plan_.rename(0, "other.ini"), EditResult::DONE);
    testkit::writeFile(path(), original_ + "more");  // someone else wrote the archive
    EXPECT_EQ(plan_.save(path()), SaveResult::ARCHIVE_CHANGED);
    EXPECT_EQ(testkit::readFile(path()), original_ + "more");
}

struct StopAfter : WorkProgress {
    explicit StopAfter(int blocks) : left(blocks) {}
    void advance(std::uint64_t amount) override {
        WorkProgress::advance(amount);
        if (--left <= 0) stop = true;
    }
    int left;
};

TEST_F(BigEdit, AStopAtAnyBlockLeavesTheOriginalIntact) {
    // Big enough for several copy blocks in one entry.
    testkit::writeFile(dir_.file("new.txt"), std::string(BigEditPlan::COPY_BLOCK * 2 + 7, 'n'));
    int blocks = 0;
    {
        begin();
        ASSERT_EQ(plan_.add("big.bin", dir_.file("new.txt")), EditResult::DONE);
        StopAfter counter(1 << 30);
        ASSERT_EQ(plan_.save(dir_.file("count.big"), &counter), SaveResult::SAVED);
        blocks = static_cast<int>(1 << 30) - counter.left;
        platform::deleteFile(dir_.file("count.big").c_str());
    }
    ASSERT_GE(blocks, 4);  // the header, the kept entries, the new file in blocks
    for (int at = 1; at < blocks; ++at) {
        begin();
        ASSERT_EQ(plan_.add("big.bin", dir_.file("new.txt")), EditResult::DONE);
        StopAfter stop(at);
        EXPECT_EQ(plan_.save(path(), &stop), SaveResult::WRITE_FAILED) << at;
        EXPECT_EQ(testkit::readFile(path()), original_) << at;
        expectNoLeftovers();
    }
}

TEST_F(BigEdit, AnArchivePastFourGigabytesIsRefusedBeforeWriting) {
    if (!testkit::makeSizedFile(dir_.file("huge.bin"), 0xFFFFFFF0ull)) GTEST_SKIP() << "no room for a sparse file";
    begin();
    EXPECT_EQ(plan_.add("huge.bin", dir_.file("huge.bin")), EditResult::ARCHIVE_TOO_LARGE);
    EXPECT_FALSE(plan_.pending());
    ASSERT_EQ(plan_.replace(2, dir_.file("new.txt")), EditResult::DONE);
    EXPECT_EQ(plan_.replace(1, dir_.file("huge.bin")), EditResult::ARCHIVE_TOO_LARGE);
    EXPECT_EQ(plan_.at(1).size, 3000u);  // the refused change left the entry as it was
}

}  // namespace
