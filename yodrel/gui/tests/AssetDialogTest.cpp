// Yodrel's dialog, created from its real template inside the test process
// and driven the way a user drives it: files dropped or browsed, buttons
// pressed, the system's file dialogs and message boxes answered by the
// harness. Notepad is never started: the shell's "open" is recorded.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "AssetDialog.h"
#include "AssetFixture.h"
#include "DialogFixture.h"
#include "YodrelIds.h"
#include "platform/Platform.h"
#include "testkit/TestKit.h"

using namespace dialogtest;

namespace {

AssetFixtureEntry entry(const std::string& name, const std::vector<AssetFixtureModel>& models) {
    AssetFixtureEntry e;
    e.name = name;
    e.models = models;
    return e;
}

AssetFixtureModel model(const std::string& name, const std::string& tag, int word1, int word2) {
    AssetFixtureModel m;
    m.name = name;
    m.storedTag = tag;
    m.word1 = word1;
    m.word2 = word2;
    return m;
}

// Two index files: 3 entries and headerWord3 40, 2 entries and headerWord3 25.
struct TwoFiles {
    AssetFixtureHeader header0, header1;
    std::vector<AssetFixtureEntry> entries0, entries1;
    std::string strings0, strings1;
    TwoFiles() {
        header0.headerWord1 = 7;
        header0.headerWord3 = 40;
        header1.tag = "BIDX";
        header1.headerWord1 = 9;
        header1.headerWord3 = 25;
        for (int i = 0; i < 3; ++i)
            entries0.push_back(entry("art/first_" + std::to_string(i) + ".w3d", {model("fm" + std::to_string(i), "HSEM", i, 10 + i)}));
        for (int i = 0; i < 2; ++i)
            entries1.push_back(entry("art/second_" + std::to_string(i) + ".w3d",
                                     {model("sm" + std::to_string(i), "XET ", i, 1), model("sh", "REIH", 0, 2)}));
        strings0 = assetStringBytes("art/first_0.w3d") + assetStringBytes("first label");
        strings1 = assetStringBytes("art/second_1.w3d") + assetStringBytes("second label");
    }
    std::string first() const { return assetFileBytes(header0, entries0, strings0); }
    std::string second() const { return assetFileBytes(header1, entries1, strings1); }
    // The first file's header with the counts summed, the entries of both,
    // then the strings of both.
    std::string merged() const {
        AssetFixtureHeader header = header0;
        header.entryCount = 5;
        header.headerWord3 = 65;
        std::string out = assetHeaderBytes(header, 5);
        for (const AssetFixtureEntry& e : entries0) out += assetEntryBytes(e);
        for (const AssetFixtureEntry& e : entries1) out += assetEntryBytes(e);
        return out + strings0 + strings1;
    }
};

class AssetDialogTest : public DialogFixture<AssetDialog> {
protected:
    void SetUp() override {
        workFolder = folder.file("work");
        ASSERT_TRUE(CreateDirectoryA(workFolder.c_str(), nullptr));
        start(IDD_YODREL, workFolder);
        first = folder.file("first.dat");
        second = folder.file("second.dat");
        testkit::writeFile(first, files.first());
        testkit::writeFile(second, files.second());
        recordShellOpens();
    }

    void drop(const std::string& path) {
        dropFiles(dialog, {path});
        pump();
    }
    void setEdit(int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }
    std::string edit(int id) { return itemText(dialog, id); }
    std::string besideInputs(const std::string& name) { return folder.file(name); }
    void importBoth() {
        setEdit(IDC_YODREL_PATH0, first);
        setEdit(IDC_YODREL_PATH1, second);
        press(IDC_YODREL_IMPORT);
    }
    std::vector<std::string> workFiles() {
        std::vector<std::string> names;
        platform::DirectorySearch search;
        platform::FoundEntry found;
        for (bool more = search.first((workFolder + "\\*").c_str(), found); more; more = search.next(found))
            if (found.name != "." && found.name != "..") names.push_back(found.name);
        return names;
    }

    testkit::TempDir folder;
    std::string workFolder;
    TwoFiles files;
    std::string first, second;
};

}  // namespace

TEST_F(AssetDialogTest, DropsAlternateBetweenThePathEditsAndBrowseMovesTheTarget) {
    const std::string a = folder.file("a.dat"), b = folder.file("b.dat"), c = folder.file("c.dat");
    drop(a);
    drop(b);
    dropFiles(dialog, {c, first});  // of several names only the first is taken
    pump();
    EXPECT_EQ(c, edit(IDC_YODREL_PATH0));
    EXPECT_EQ(b, edit(IDC_YODREL_PATH1));

    // A cancelled Browse for slot 0 shows the slot's path (none yet), and the
    // next drop goes to the second edit.
    ModalAnswerer answerer;
    answerer.thenCancel();
    press(IDC_YODREL_BROWSE0);
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ("File Dialog - W3D Yodrel", answerer.seen()[0].title);
    EXPECT_EQ("", edit(IDC_YODREL_PATH0));
    drop(a);
    EXPECT_EQ(a, edit(IDC_YODREL_PATH1));

    // A chosen file for slot 1 fills its edit; the next drop goes to the first.
    answerer.thenTypePath(second);
    press(IDC_YODREL_BROWSE1);
    EXPECT_EQ(second, edit(IDC_YODREL_PATH1));
    drop(c);
    EXPECT_EQ(c, edit(IDC_YODREL_PATH0));
    EXPECT_TRUE(opened.empty());
}

TEST_F(AssetDialogTest, ImportWithOnlyTheFirstPathPublishesOneDumpAndViewOpensIt) {
    setEdit(IDC_YODREL_PATH0, first);
    ModalAnswerer answerer;
    press(IDC_YODREL_IMPORT);
    EXPECT_TRUE(answerer.seen().empty()) << "a successful import shows no message";
    const std::string dump = besideInputs("ZZZ000_Asset.txt");
    const std::string text = testkit::readFile(dump);
    EXPECT_NE(std::string::npos, text.find("HEADER: [AIDX][7 3 40]")) << text;
    EXPECT_NE(std::string::npos, text.find("art/first_2.w3d"));
    EXPECT_FALSE(testkit::fileExists(besideInputs("ZZZ001_Asset.txt")));
    EXPECT_EQ(100, progressPosition(GetDlgItem(dialog, IDC_YODREL_PROGRESS)));

    press(IDC_YODREL_VIEW1);
    EXPECT_TRUE(opened.empty()) << "slot 1 was never imported";
    press(IDC_YODREL_VIEW0);
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ("NotePad.exe", opened[0].first);
    EXPECT_EQ(dump, opened[0].second);
    EXPECT_EQ(0, progressPosition(GetDlgItem(dialog, IDC_YODREL_PROGRESS)));

    // Importing both, then the first alone: the second slot's import is undone.
    importBoth();
    EXPECT_TRUE(testkit::fileExists(besideInputs("ZZZ001_Asset.txt")));
    setEdit(IDC_YODREL_PATH1, "");
    press(IDC_YODREL_IMPORT);
    press(IDC_YODREL_VIEW1);
    EXPECT_EQ(1u, opened.size());
}

TEST_F(AssetDialogTest, ImportOfAMissingFileShowsTheBoxAndPublishesNothing) {
    ModalAnswerer answerer;
    press(IDC_YODREL_IMPORT);
    ASSERT_EQ(1u, answerer.seen().size()) << "the first path is empty";
    EXPECT_EQ(yodreltext::MISSING_FILE, answerer.seen()[0].text);
    EXPECT_EQ(yodreltext::FILE_ERROR_TITLE, answerer.seen()[0].title);
    EXPECT_EQ("exclamation", answerer.seen()[0].icon);
    EXPECT_EQ(GetDlgItem(dialog, IDC_YODREL_PATH0), GetFocus());

    setEdit(IDC_YODREL_PATH0, first);
    setEdit(IDC_YODREL_PATH1, folder.file("missing.dat"));
    press(IDC_YODREL_IMPORT);
    ASSERT_EQ(2u, answerer.seen().size()) << "the second path names no file";
    EXPECT_EQ(yodreltext::MISSING_FILE, answerer.seen()[1].text);
    EXPECT_FALSE(testkit::fileExists(besideInputs("ZZZ000_Asset.txt"))) << "no dump is published for either slot";
    press(IDC_YODREL_VIEW0);
    EXPECT_TRUE(opened.empty());
}

// A file that is no asset index (16 bytes of text) used to be imported: the
// bar filled and a dump of zero entries was written beside it.
TEST_F(AssetDialogTest, ImportOfATextFileUsedToWriteADumpOfZeroEntries) {
    const std::string notes = folder.file("notes.dat");
    testkit::writeFile(notes, "sixteen bytes!!\n");
    setEdit(IDC_YODREL_PATH0, notes);
    ModalAnswerer answerer;
    press(IDC_YODREL_IMPORT);
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ(yodreltext::MISSING_FILE, answerer.seen()[0].text);
    EXPECT_FALSE(testkit::fileExists(besideInputs("ZZZ000_Asset.txt")));
    EXPECT_TRUE(workFiles().empty());
    EXPECT_EQ(0, progressPosition(GetDlgItem(dialog, IDC_YODREL_PROGRESS)));
    press(IDC_YODREL_VIEW0);
    EXPECT_TRUE(opened.empty());
}

TEST_F(AssetDialogTest, ClearForgetsTheImportsButKeepsTheDumpFiles) {
    importBoth();
    press(IDC_YODREL_CLEAR);
    EXPECT_EQ("", edit(IDC_YODREL_PATH0));
    EXPECT_EQ("", edit(IDC_YODREL_PATH1));
    EXPECT_EQ("", edit(IDC_YODREL_EXPORT_PATH));
    EXPECT_EQ(0, progressPosition(GetDlgItem(dialog, IDC_YODREL_PROGRESS)));
    press(IDC_YODREL_VIEW0);
    press(IDC_YODREL_VIEW1);
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(testkit::fileExists(besideInputs("ZZZ000_Asset.txt"))) << "the dump stays on disk";

    drop(second);
    EXPECT_EQ(second, edit(IDC_YODREL_PATH0)) << "drops start again at the first edit";
}

TEST_F(AssetDialogTest, ExportPathChooserWaitsForBothPathsAndTypedPathsAreIgnored) {
    ModalAnswerer answerer;
    setEdit(IDC_YODREL_PATH0, first);
    press(IDC_YODREL_IMPORT);
    press(IDC_YODREL_EXPORT_BROWSE);
    EXPECT_TRUE(answerer.seen().empty()) << "only the first path is set";

    // A typed export path without a chosen one: nothing happens.
    const std::string typed = folder.file("typed.dat");
    setEdit(IDC_YODREL_EXPORT_PATH, typed);
    press(IDC_YODREL_EXPORT);
    EXPECT_TRUE(answerer.seen().empty());
    EXPECT_FALSE(testkit::fileExists(typed));

    // The second path set by the file dialog makes the chooser work.
    answerer.thenTypePath(second);
    press(IDC_YODREL_BROWSE1);
    const std::string chosen = folder.file("chosen.dat");
    answerer.thenTypePath(chosen);
    press(IDC_YODREL_EXPORT_BROWSE);
    ASSERT_EQ(2u, answerer.seen().size());
    EXPECT_EQ(chosen, edit(IDC_YODREL_EXPORT_PATH));

    // A cancelled chooser keeps the chosen path; a typed one is still ignored.
    answerer.thenCancel();
    press(IDC_YODREL_EXPORT_BROWSE);
    EXPECT_EQ(chosen, edit(IDC_YODREL_EXPORT_PATH));
    press(IDC_YODREL_IMPORT);
    setEdit(IDC_YODREL_EXPORT_PATH, typed);
    press(IDC_YODREL_EXPORT);
    ASSERT_EQ(4u, answerer.seen().size());
    EXPECT_EQ("File was successfully saved ... " + chosen, answerer.seen()[3].text);
    EXPECT_TRUE(testkit::fileExists(chosen));
    EXPECT_FALSE(testkit::fileExists(typed));
}

TEST_F(AssetDialogTest, ExportMergesTheTwoImportedFilesByteForByte) {
    const std::string target = folder.file("merged.dat");
    testkit::writeFile(target, std::string(5000, 'x'));  // replaced, never appended to
    ModalAnswerer answerer;
    drop(first);
    drop(second);
    press(IDC_YODREL_IMPORT);
    EXPECT_TRUE(testkit::fileExists(besideInputs("ZZZ001_Asset.txt")));
    answerer.thenTypePath(target);
    answerer.thenPress(IDYES);  // replace the existing file
    press(IDC_YODREL_EXPORT_BROWSE);
    press(IDC_YODREL_EXPORT);
    ASSERT_EQ(3u, answerer.seen().size()) << "save dialog, replace prompt, result";
    EXPECT_EQ("File was successfully saved ... " + target, answerer.seen()[2].text);
    EXPECT_EQ(yodreltext::PROGRAM_TITLE, answerer.seen()[2].title);
    EXPECT_EQ("information", answerer.seen()[2].icon);
    const std::string merged = testkit::readFile(target);
    EXPECT_EQ(files.merged(), merged);
    EXPECT_EQ(files.first().size() + files.second().size() - 16, merged.size());
    EXPECT_TRUE(workFiles().empty()) << "no temporary dump or piece is left behind";

    // A second export in the same run writes the same file.
    press(IDC_YODREL_EXPORT);
    EXPECT_EQ(files.merged(), testkit::readFile(target));
}

TEST_F(AssetDialogTest, ExportRefusesSlotsNotImportedAndKeepsTheTarget) {
    const std::string target = folder.file("target.dat");
    testkit::writeFile(target, "previous");
    ModalAnswerer answerer;
    // Both paths browsed, never imported.
    answerer.thenTypePath(first);
    press(IDC_YODREL_BROWSE0);
    answerer.thenTypePath(second);
    press(IDC_YODREL_BROWSE1);
    answerer.thenTypePath(target);
    answerer.thenPress(IDYES);
    press(IDC_YODREL_EXPORT_BROWSE);
    press(IDC_YODREL_EXPORT);
    ASSERT_EQ(5u, answerer.seen().size());
    EXPECT_EQ(yodreltext::EXPORT_REFUSED, answerer.seen()[4].text);
    EXPECT_EQ(yodreltext::PROGRAM_TITLE, answerer.seen()[4].title);
    EXPECT_EQ("exclamation", answerer.seen()[4].icon);
    EXPECT_EQ("previous", testkit::readFile(target));

    // Imported, then cleared: refused again.
    press(IDC_YODREL_IMPORT);
    press(IDC_YODREL_CLEAR);
    press(IDC_YODREL_EXPORT);
    ASSERT_EQ(6u, answerer.seen().size());
    EXPECT_EQ(yodreltext::EXPORT_REFUSED, answerer.seen()[5].text);
    EXPECT_EQ("previous", testkit::readFile(target));
}

TEST_F(AssetDialogTest, FailedMergeShowsTheWrongSizeBoxAndKeepsTheTarget) {
    const std::string target = folder.file("target.dat");
    testkit::writeFile(target, "previous");
    ModalAnswerer answerer;
    importBoth();
    answerer.thenTypePath(target);
    answerer.thenPress(IDYES);
    press(IDC_YODREL_EXPORT_BROWSE);
    // The second file shrank after its import: its cut range is gone.
    testkit::writeFile(second, files.second().substr(0, 20));
    press(IDC_YODREL_EXPORT);
    ASSERT_EQ(3u, answerer.seen().size());
    EXPECT_EQ("New File has wrong size ..." + target, answerer.seen()[2].text);
    EXPECT_EQ("exclamation", answerer.seen()[2].icon);
    EXPECT_EQ("previous", testkit::readFile(target));
    EXPECT_TRUE(workFiles().empty());
}

TEST_F(AssetDialogTest, PathWithoutAFolderPublishesItsDumpInTheCurrentFolder) {
    testkit::CurrentDirectoryGuard inFolder(folder.path());
    setEdit(IDC_YODREL_PATH0, "first.dat");
    press(IDC_YODREL_IMPORT);
    const std::string dump = besideInputs("ZZZ000_Asset.txt");
    EXPECT_TRUE(testkit::fileExists(dump));
    press(IDC_YODREL_VIEW0);
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(0, lstrcmpiA(dump.c_str(), opened[0].second.c_str())) << opened[0].second;
}

TEST_F(AssetDialogTest, ClosingTheWindowDuringAMergeStopsItAndKeepsTheOldFile) {
    // A string section long enough that the close comes long before the
    // merge's last block (zero bytes, which the import steps over).
    files.strings1 += std::string(48u << 20, '\0');
    testkit::writeFile(second, files.second());
    ASSERT_TRUE(CreateDirectoryA(folder.file("out").c_str(), nullptr));
    const std::string target = folder.file("out\\merged.dat");
    testkit::writeFile(target, "an earlier merge");
    ModalAnswerer answerer;
    importBoth();
    answerer.thenTypePath(target);
    answerer.thenPress(IDYES);
    press(IDC_YODREL_EXPORT_BROWSE);

    // Closes the window as soon as the merge has counted something (the last
    // background work, the publishing of a dump, counted nothing).
    ASSERT_EQ(0u, application->workProgress().done.load());
    CloseWhenCounted closer(application->workProgress().done, dialog);
    ASSERT_TRUE(closer.started());
    press(IDC_YODREL_EXPORT);
    EXPECT_GT(closer.doneAtClose(), 0u);
    pump(200);
    EXPECT_FALSE(IsWindow(dialog));
    dialog = nullptr;
    EXPECT_EQ(2u, answerer.seen().size()) << "save dialog and replace prompt; no result box after the stop";
    EXPECT_EQ("an earlier merge", testkit::readFile(target));
    EXPECT_EQ((std::vector<std::string>{"merged.dat"}), testkit::folderNames(folder.file("out")))
        << "no temporary is left beside it";
    EXPECT_TRUE(workFiles().empty()) << "no piece is left behind";
}
