// Gathrix's dialog, created from its real template inside the test process
// and driven the way a user drives it: folders dropped or chosen, filters
// typed, boxes ticked, buttons pressed, the list double-clicked; the system's
// choosers and message boxes are answered by the harness. Notepad is never
// started: the shell's "open" is recorded. Saved lists are read back byte for
// byte.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CollectionDialog.h"
#include "DialogFixture.h"
#include "GathrixIds.h"
#include "platform/Platform.h"
#include "testkit/TestKit.h"

using namespace dialogtest;
using Lines = std::vector<std::string>;

namespace {

const std::string FRAME(61, '*');

class CollectionDialogTest : public DialogFixture<CollectionDialog> {
protected:
    void SetUp() override { start(FolderScanner::MAX_SIZE); }

    // A dialog whose scanner stops at the given number of entries.
    void start(std::int32_t scanLimit) {
        DialogFixture::start(IDD_GATHRIX, scanLimit);
        recordShellOpens();
    }

    void setFolder(const std::string& text) { SetWindowTextA(application->folderField().handle(), text.c_str()); }
    void setFilter(const std::string& text) { SetWindowTextA(application->filterField().handle(), text.c_str()); }
    std::string folderText() { return windowText(application->folderField().handle()); }
    std::string filterText() { return windowText(application->filterField().handle()); }
    void tick(dialogs::CheckBox& box, bool on) {
        if (on)
            box.check();
        else
            box.uncheck();
    }
    // The three options: Filter, Folder, Size.
    void options(bool files, bool folders, bool sizes) {
        tick(application->filterCheck(), files);
        tick(application->folderCheck(), folders);
        tick(application->sizeCheck(), sizes);
    }
    void scan(const std::string& start, const std::string& filter) {
        setFolder(start);
        setFilter(filter);
        press(IDC_GATHRIX_SCAN);
    }
    Lines shown() { return listBoxLines(application->resultList().handle()); }
    void doubleClickList() {
        HWND list = application->resultList().handle();
        RECT item{};
        SendMessageA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
        LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        // The up message waits in the queue, where the list's capture finds it.
        PostMessageA(list, WM_LBUTTONUP, 0, at);
        SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        pump();
    }

    testkit::TempDir folder;
};

}  // namespace

TEST_F(CollectionDialogTest, ADroppedOrChosenFolderSetsTheDefaultFilterAndOptions) {
    const std::string tree = folder.file("tree");
    ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
    setFilter("*.w3d");
    options(false, true, true);
    dropFiles(dialog, {tree, folder.path()});
    pump();
    EXPECT_EQ(tree, folderText()) << "the first dropped name";
    EXPECT_EQ("*.*", filterText());
    EXPECT_TRUE(application->filterCheck().isChecked());
    EXPECT_FALSE(application->folderCheck().isChecked());
    EXPECT_FALSE(application->sizeCheck().isChecked());

    // The folder browser does the same; cancelled, it applies the folder
    // chosen before once more.
    ModalAnswerer answerer;
    answerer.thenChooseFolder(tree);
    setFolder("");
    press(IDC_GATHRIX_CHOOSE);
    EXPECT_EQ(tree, folderText());
    options(false, true, true);
    answerer.thenCancel();
    press(IDC_GATHRIX_CHOOSE);
    EXPECT_EQ(tree, folderText());
    EXPECT_TRUE(application->filterCheck().isChecked());
    EXPECT_FALSE(application->sizeCheck().isChecked());
    EXPECT_EQ(2u, answerer.seen().size());
}

TEST_F(CollectionDialogTest, ScanListsFoldersBeforeFilesWithSizesWhenAsked) {
    const std::string tree = folder.file("tree");
    testkit::writeFile(tree + "\\top.txt", std::string(1234, 'x'));
    testkit::writeFile(tree + "\\sub\\inner.bin", "12345");
    testkit::writeFile(tree + "\\sub\\deeper\\last.txt", "");

    options(true, false, true);
    scan(tree, "*.*");
    EXPECT_EQ((Lines{tree + "\\top.txt (1234)", tree + "\\sub\\inner.bin (5)", tree + "\\sub\\deeper\\last.txt (0)"}),
              shown());
    EXPECT_EQ(100, progressPosition(GetDlgItem(dialog, IDC_GATHRIX_PROGRESS))) << "the bar ends full";

    options(true, true, false);
    scan(tree, "*.*");
    EXPECT_EQ((Lines{tree + "\\sub", tree + "\\sub\\deeper", tree + "\\top.txt", tree + "\\sub\\inner.bin",
                     tree + "\\sub\\deeper\\last.txt"}),
              shown());

    options(false, true, true);
    scan(tree, "*.*");
    EXPECT_EQ((Lines{tree + "\\sub", tree + "\\sub\\deeper"}), shown()) << "only Folder: no file is listed";
    EXPECT_EQ(5, application->entryTotal()) << "though every file was scanned";
}

TEST_F(CollectionDialogTest, FiltersSelectFilesAndAStarDotStarStartScansEverything) {
    const std::string tree = folder.file("tree");
    testkit::writeFile(tree + "\\model.w3d", "m");
    testkit::writeFile(tree + "\\notes.txt", "n");
    options(true, false, false);

    scan(tree, "*.txt");
    EXPECT_EQ((Lines{tree + "\\notes.txt"}), shown());

    scan(tree, "*.*x");
    EXPECT_EQ(2u, shown().size()) << "begins with *.*: no filter at all";

    scan(tree, "*.w3d;*.txt");
    EXPECT_EQ(2u, shown().size());
}

TEST_F(CollectionDialogTest, RefusedRequestsShowThePreviousResult) {
    const std::string tree = folder.file("tree");
    for (int i = 0; i < 5; ++i) testkit::writeFile(tree + "\\file" + std::to_string(i) + ".txt", "x");
    options(true, false, false);
    scan(tree, "*.*");
    const Lines first = shown();
    ASSERT_EQ(5u, first.size());

    ModalAnswerer answerer;
    // A missing start folder: the same lines again, without a box.
    scan(folder.file("missing"), "*.*");
    EXPECT_EQ(first, shown());
    EXPECT_TRUE(answerer.seen().empty());

    // A filter of two characters, although a valid pattern, is refused.
    scan(tree, "*.");
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ(gathrixtext::ENTER_FILTER, answerer.seen()[0].text);
    EXPECT_EQ("Please, enter default *.* Filter or select Folder options ... ", answerer.seen()[0].text);
    EXPECT_EQ(gathrixtext::TITLE, answerer.seen()[0].title);
    EXPECT_EQ("information", answerer.seen()[0].icon);
    EXPECT_EQ(first, shown());

    // Neither "Filter" nor "Folder" ticked: the same box, nothing scanned.
    testkit::writeFile(tree + "\\later.txt", "x");
    options(false, false, false);
    scan(tree, "*.*");
    ASSERT_EQ(2u, answerer.seen().size());
    EXPECT_EQ(gathrixtext::ENTER_FILTER, answerer.seen()[1].text);
    EXPECT_TRUE(shown().empty()) << "nothing ticked: nothing listed";
    EXPECT_EQ(5, application->entryTotal()) << "the new file was not scanned";

    // A start path that is a file is refused with a box of its own.
    options(true, false, false);
    const std::string file = tree + "\\file0.txt";
    scan(file, "*.*");
    ASSERT_EQ(3u, answerer.seen().size());
    EXPECT_EQ("The start folder is a file, not a folder ... " + file, answerer.seen()[2].text);
    EXPECT_EQ("exclamation", answerer.seen()[2].icon);
    EXPECT_EQ(first, shown());
}

TEST_F(CollectionDialogTest, ALargeTreeShowsTheLimitMessageAndEveryRecordedEntry) {
    start(50);
    const std::string tree = folder.file("tree");
    for (int i = 0; i < 60; ++i) testkit::writeFile(tree + "\\f" + std::to_string(100 + i) + ".dat", "");
    testkit::writeFile(tree + "\\below\\never.dat", "");
    ModalAnswerer answerer;
    options(true, true, false);
    scan(tree, "*.*");
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ("MAX_SIZE of Scanning has been reached ... 61", answerer.seen()[0].text);
    EXPECT_EQ(gathrixtext::TITLE, answerer.seen()[0].title);
    EXPECT_EQ("information", answerer.seen()[0].icon);
    const Lines lines = shown();
    ASSERT_EQ(61u, lines.size()) << "the level is finished: 60 files and one folder";
    EXPECT_EQ(tree + "\\below", lines[0]);
    for (const std::string& line : lines) EXPECT_EQ(std::string::npos, line.find("never.dat"));
}

TEST_F(CollectionDialogTest, SaveListWritesTheHeaderAndEveryLineWhole) {
    ModalAnswerer answerer;
    press(IDC_GATHRIX_SAVE);
    EXPECT_TRUE(answerer.seen().empty()) << "an empty list: no save dialog";

    // A name long enough that its line with the size passes 256 characters.
    const std::string tree = folder.file("tree");
    const std::size_t nameLength = 250 - tree.size() - 1;
    const std::string longName(nameLength - 4, 'n');
    testkit::writeFile(tree + "\\" + longName + ".txt", std::string(1234, 'x'));
    testkit::writeFile(tree + "\\sub\\b.txt", "bb");
    options(true, true, true);
    scan(tree, "*.*");
    const std::string longLine = tree + "\\" + longName + ".txt (1234)";
    ASSERT_GT(longLine.size(), 256u);
    ASSERT_EQ((Lines{tree + "\\sub", longLine, tree + "\\sub\\b.txt (2)"}), shown());

    const std::string saved = folder.file("saved.txt");
    answerer.thenTypePath(saved);
    answerer.thenPress(IDOK);
    press(IDC_GATHRIX_SAVE);
    ASSERT_EQ(2u, answerer.seen().size());
    EXPECT_EQ("File was successfully saved ... " + saved, answerer.seen()[1].text);
    EXPECT_EQ("information", answerer.seen()[1].icon);
    EXPECT_EQ(testkit::textFileBytes(FRAME + "\n" + tree + "\n" + FRAME + "\n" + tree + "\\sub\n" + longLine + "\n" +
                                     tree + "\\sub\\b.txt (2)\n"),
              testkit::readFile(saved));

    // A file that cannot be opened: the box, and the old file is kept.
    const std::string locked = folder.file("locked.txt");
    testkit::writeFile(locked, "keep");
    // Held open without leave to write or delete: the finished file cannot
    // be put in its place.
    testkit::HeldOpen held(locked);
    answerer.thenTypePath(locked);
    answerer.thenPress(IDYES);  // replace the existing file
    answerer.thenPress(IDOK);
    press(IDC_GATHRIX_SAVE);
    ASSERT_EQ(5u, answerer.seen().size());
    EXPECT_EQ("Cannot open SaveFile = <" + locked + ">", answerer.seen()[4].text);
    EXPECT_EQ(gathrixtext::TITLE, answerer.seen()[4].title);
    EXPECT_EQ("exclamation", answerer.seen()[4].icon);
    EXPECT_EQ("keep", testkit::readFile(locked));

    // A read-only file cannot be opened either: the same box (it used to say
    // "File could not be saved completely"), and the file is kept.
    const std::string readOnly = folder.file("readonly.txt");
    testkit::writeFile(readOnly, "keep");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    answerer.thenTypePath(readOnly);
    answerer.thenPress(IDYES);
    answerer.thenPress(IDOK);
    press(IDC_GATHRIX_SAVE);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(8u, answerer.seen().size());
    EXPECT_EQ("Cannot open SaveFile = <" + readOnly + ">", answerer.seen()[7].text);
    EXPECT_EQ("exclamation", answerer.seen()[7].icon);
    EXPECT_EQ("keep", testkit::readFile(readOnly));

    // Cancelled: nothing is written, no box.
    answerer.thenCancel();
    press(IDC_GATHRIX_SAVE);
    EXPECT_EQ(9u, answerer.seen().size());
}

TEST_F(CollectionDialogTest, DoubleClickShowsTheWholeListInTheViewer) {
    doubleClickList();
    EXPECT_TRUE(opened.empty()) << "an empty list: nothing happens";

    const std::string tree = folder.file("tree");
    testkit::writeFile(tree + "\\a.txt", "a");
    testkit::writeFile(tree + "\\sub\\b.txt", "bb");
    options(true, true, false);
    scan(tree, "*.*");
    doubleClickList();
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(gathrixtext::NOTEPAD, opened[0].first);
    const std::string temp = opened[0].second;
    EXPECT_EQ(platform::tempFolder() + "ZZZ_Output.tmp", temp) << "the user's temporary folder";
    EXPECT_EQ(testkit::textFileBytes(tree + "\\sub\n" + tree + "\\a.txt\n" + tree + "\\sub\\b.txt\n"),
              testkit::readFile(temp))
        << "no header lines";
    HWND list = application->resultList().handle();
    EXPECT_EQ(3, static_cast<int>(SendMessageA(list, LB_GETSELCOUNT, 0, 0))) << "every line selected";

    // Another list notification is no double-click.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_GATHRIX_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(1u, opened.size());
    EXPECT_EQ(0, application->itemCount());

    finish();
    EXPECT_FALSE(testkit::fileExists(temp)) << "removed when the program ends";
}

// The four picture buttons used to have no tooltips and the two fields no
// labels: nothing said what they were for.
TEST_F(CollectionDialogTest, ButtonsUsedToHaveNoTooltipsAndFieldsNoLabels) {
    HWND tips = application->buttonTips();
    ASSERT_NE(tips, nullptr);
    ASSERT_EQ(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 4);
    const int buttons[4] = {IDC_GATHRIX_CHOOSE, IDC_GATHRIX_SCAN, IDC_GATHRIX_SAVE, IDC_GATHRIX_EXIT};
    for (int i = 0; i < 4; ++i) {
        char text[200] = "";
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = dialog;
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, buttons[i]));
        tool.lpszText = text;
        SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
        EXPECT_EQ(std::string(text), gathrixtext::BUTTON_TIPS[i]) << i;
    }
    // Each label stands left of its field, on its line, and ends before it.
    const std::pair<int, int> labelled[2] = {{IDC_GATHRIX_FOLDER_LABEL, IDC_GATHRIX_FOLDER},
                                             {IDC_GATHRIX_FILTER_LABEL, IDC_GATHRIX_FILTER}};
    const char* texts[2] = {gathrixtext::FOLDER_LABEL, gathrixtext::FILTER_LABEL};
    for (int i = 0; i < 2; ++i) {
        HWND label = GetDlgItem(dialog, labelled[i].first);
        ASSERT_NE(label, nullptr) << texts[i];
        EXPECT_EQ(windowText(label), texts[i]);
        RECT labelRect{}, fieldRect{};
        GetWindowRect(label, &labelRect);
        GetWindowRect(i == 0 ? application->folderField().handle() : application->filterField().handle(), &fieldRect);
        EXPECT_LE(labelRect.right, fieldRect.left) << texts[i];
        EXPECT_GE(labelRect.top, fieldRect.top) << texts[i];
        EXPECT_LE(labelRect.bottom, fieldRect.bottom) << texts[i];
        // The label's text fits its width in the dialog's font.
        HDC context = GetDC(label);
        SelectObject(context, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
        SIZE extent{};
        const std::string shown = windowText(label);
        GetTextExtentPoint32A(context, shown.c_str(), static_cast<int>(shown.size()), &extent);
        ReleaseDC(label, context);
        EXPECT_LE(extent.cx, labelRect.right - labelRect.left) << texts[i];
    }
}

TEST_F(CollectionDialogTest, ExitEndsTheDialog) {
    // Sent, not posted: the pump would take the quit message away.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_GATHRIX_EXIT, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(dialog));
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0, static_cast<int>(msg.wParam));
}
