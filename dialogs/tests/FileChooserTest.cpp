// The file and folder chooser: its fields, and the real system dialogs
// opened and answered under the test's hook.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "DialogHarness.h"
#include "FileChooser.h"
#include "TestApplication.h"
#include "testkit/TestKit.h"

using namespace dialogtest;

namespace {

const char FILTER[] = "CSF Files(*.csf)\0*.csf\0Text Files(*.txt)\0*.txt\0All Files (*.*)\0*.*\0";

// The chooser's filter field as a list of strings, up to its double zero.
std::vector<std::string> filterEntries(const dialogs::FileChooser& chooser, bool& terminated) {
    std::vector<std::string> entries;
    std::size_t at = 0;
    terminated = false;
    while (at < dialogs::CHOOSER_FILTER_SIZE) {
        if (chooser.filter()[at] == '\0') {
            terminated = true;
            break;
        }
        const char* entry = chooser.filter() + at;
        std::size_t length = strnlen(entry, dialogs::CHOOSER_FILTER_SIZE - at);
        if (at + length >= dialogs::CHOOSER_FILTER_SIZE) break;
        entries.emplace_back(entry, length);
        at += length + 1;
    }
    return entries;
}

}  // namespace

TEST(FileChooser, TitleAndFilterAreCutWithTheirTerminatorsKept) {
    dialogs::FileChooser chooser;
    chooser.setTitle("File Dialog - Tessaly");
    EXPECT_STREQ("File Dialog - Tessaly", chooser.title());
    const std::string longTitle(100, 'T');
    chooser.setTitle(longTitle.c_str());
    EXPECT_EQ(65u, std::strlen(chooser.title())) << "65 characters and the terminator";

    EXPECT_TRUE(chooser.setFilter(FILTER));
    bool terminated = false;
    EXPECT_EQ((std::vector<std::string>{"CSF Files(*.csf)", "*.csf", "Text Files(*.txt)", "*.txt", "All Files (*.*)",
                                        "*.*"}),
              filterEntries(chooser, terminated));
    EXPECT_TRUE(terminated);

    // 3 pairs of 40 bytes: only two fit the 96-byte field with the closing zero.
    std::string big;
    for (int i = 0; i < 3; ++i) {
        big += std::string(30, static_cast<char>('a' + i)) + '\0' + std::string(8, '*') + '\0';
    }
    big += '\0';
    EXPECT_FALSE(chooser.setFilter(big.c_str()));
    std::vector<std::string> kept = filterEntries(chooser, terminated);
    EXPECT_TRUE(terminated) << "the list still ends with its zeros";
    ASSERT_EQ(4u, kept.size());
    EXPECT_EQ(std::string(30, 'b'), kept[2]);

    // A pair that fits exactly: 94 bytes of pair and the closing zero (95).
    std::string exact = std::string(80, 'd') + '\0' + std::string(12, 'p') + '\0' + '\0';
    EXPECT_TRUE(chooser.setFilter(exact.c_str()));
    EXPECT_EQ(2u, filterEntries(chooser, terminated).size());
    EXPECT_TRUE(terminated);
}

TEST(FileChooser, InitialFolderComesFromThePathAndIsKeptOtherwise) {
    dialogs::FileChooser chooser;
    chooser.takeInitialFolder("C:\\data\\game.csf");
    EXPECT_STREQ("C:\\data", chooser.initialFolder());
    chooser.takeInitialFolder("");
    EXPECT_STREQ("C:\\data", chooser.initialFolder()) << "no backslash: the previous folder stays";
    chooser.takeInitialFolder("plain.csf");
    EXPECT_STREQ("C:\\data", chooser.initialFolder());
    chooser.takeInitialFolder("D:\\deep\\er\\x");
    EXPECT_STREQ("D:\\deep\\er", chooser.initialFolder());
}

TEST(FileChooser, OpenDialogStartsInTheFolderOfThePathAndKeepsIt) {
    testkit::TempDir temp;
    const std::string folder = temp.file("tables");
    testkit::writeFile(folder + "\\game.csf", "x");
    testkit::writeFile(folder + "\\other.csf", "y");
    TestApplication application;
    ASSERT_TRUE(startTestDialog(application));

    dialogs::FileChooser chooser;
    chooser.setTitle("File Dialog - Test");
    chooser.setFilter(FILTER);
    ModalAnswerer answerer;
    // Only a name is typed: the dialog resolves it in the folder it opened in.
    answerer.thenTypePath("other.csf");
    answerer.thenTypePath("game.csf");
    answerer.thenCancel();

    char path[260] = {0};
    std::strcpy(path, (folder + "\\game.csf").c_str());
    ASSERT_NE(0, chooser.openFileDialog(application.mainWindow(), path));
    EXPECT_EQ(folder + "\\other.csf", std::string(path));
    EXPECT_EQ(folder, std::string(chooser.initialFolder()));

    char empty[260] = {0};
    ASSERT_NE(0, chooser.openFileDialog(application.mainWindow(), empty));
    EXPECT_EQ(folder + "\\game.csf", std::string(empty)) << "an empty buffer keeps the previous folder";

    char untouched[260] = "kept as it was";
    EXPECT_EQ(0, chooser.openFileDialog(application.mainWindow(), untouched)) << "cancelled";
    EXPECT_STREQ("kept as it was", untouched);

    ASSERT_EQ(3u, answerer.seen().size());
    EXPECT_EQ("File Dialog - Test", answerer.seen()[0].title);
}

TEST(FileChooser, SaveDialogNeverWritesPastTheCallersBuffer) {
    testkit::TempDir temp;
    const std::string folder = temp.file("out");
    testkit::writeFile(folder + "\\exists.txt", "old");
    TestApplication application;
    ASSERT_TRUE(startTestDialog(application));
    dialogs::FileChooser chooser;
    chooser.setTitle("Save Test");
    chooser.setFilter("Text Files(*.txt)\0*.txt\0\0");

    ModalAnswerer answerer;
    answerer.thenTypePath(folder + "\\new name");
    answerer.thenTypePath(folder + "\\exists.txt");
    answerer.thenPress(IDYES);  // the overwrite question
    answerer.thenTypePath(folder + "\\" + std::string(60, 'n') + ".txt");
    answerer.thenCancel();  // whatever the dialog says about the long name
    answerer.thenCancel();

    char name[260] = {0};
    ASSERT_NE(0, chooser.saveFileDialog(application.mainWindow(), name));
    EXPECT_EQ(folder + "\\new name", std::string(name)) << "no extension is added";

    char again[260] = {0};
    ASSERT_NE(0, chooser.saveFileDialog(application.mainWindow(), again));
    EXPECT_EQ(folder + "\\exists.txt", std::string(again));
    ASSERT_GE(answerer.seen().size(), 3u);
    // The overwrite question came up over the dialog and was answered Yes.
    EXPECT_EQ("Save Test", answerer.seen()[2].title);
    EXPECT_FALSE(answerer.seen()[2].text.empty());

    // A buffer of 32 characters inside a larger block: nothing past it changes.
    char block[96];
    std::memset(block, '#', sizeof block);
    block[0] = '\0';
    int chosen = chooser.saveFileDialog(application.mainWindow(), block, 32);
    if (chosen != 0) {
        EXPECT_LT(std::strlen(block), 32u);
    }
    for (std::size_t i = 32; i < sizeof block; ++i) ASSERT_EQ('#', block[i]) << "byte " << i;
}

TEST(FileChooser, FolderBrowserNeedsTaskMemoryAndReturnsTheChosenFolder) {
    testkit::TempDir temp;
    const std::string folder = temp.file("picked");
    testkit::writeFile(folder + "\\marker.txt", "m");
    TestApplication application;
    ASSERT_TRUE(startTestDialog(application));
    dialogs::FileChooser chooser;
    chooser.setTitle("Folder Test");

    ModalAnswerer answerer;
    char path[260] = {0};
    EXPECT_EQ(0, chooser.browseForFolder(application.mainWindow(), path)) << "no task memory yet";
    pump(300);
    EXPECT_TRUE(answerer.seen().empty()) << "nothing was shown";

    ASSERT_TRUE(chooser.allocateTaskMemory());
    EXPECT_TRUE(chooser.comInitialised());
    answerer.thenChooseFolder(folder);
    ASSERT_EQ(1, chooser.browseForFolder(application.mainWindow(), path));
    EXPECT_EQ(0, _stricmp(folder.c_str(), path)) << path;

    char small[8] = {0};
    answerer.thenChooseFolder(folder);
    ASSERT_EQ(1, chooser.browseForFolder(application.mainWindow(), small));
    EXPECT_EQ(7u, std::strlen(small)) << "cut to the buffer";

    answerer.thenCancel();
    char cancelled[260] = "before";
    EXPECT_EQ(0, chooser.browseForFolder(application.mainWindow(), cancelled));
    EXPECT_STREQ("before", cancelled);
    EXPECT_EQ(3u, answerer.seen().size());

    EXPECT_EQ(1, chooser.releaseTaskMemory());
    EXPECT_EQ(0, chooser.releaseTaskMemory());
}
