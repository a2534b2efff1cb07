// Crandle's dialog, created from its real template inside the test process
// and driven the way a user drives it: paths typed or dropped, buttons
// pressed, rows clicked, the system's choosers answered by the harness.
// Notepad is never started: the shell's "open" is recorded. Every file the
// commands write is read back, byte for byte where it is determined.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CrandleDialog.h"
#include "CrandleIds.h"
#include "DialogFixture.h"
#include "HandLaidBig.h"
#include "InputBoxes.h"
#include "platform/Platform.h"
#include "testkit/TestKit.h"

using namespace dialogtest;
using Lines = std::vector<std::string>;
using Checks = std::vector<bool>;

namespace {

const std::string FRAME(61, '*');

// Three entries in three folders: a settings text, a picture, a string file.
HandLaidBig threeEntries() {
    HandLaidBig big;
    big.entries = {
        {"data\\one.ini", "alpha=1\r\n"},
        {"art\\two.tga", std::string("\x00\x01\x02\xff", 4)},
        {"text\\three.str", "hello there"},
    };
    return big;
}

class CrandleDialogTest : public DialogFixture<CrandleDialog> {
protected:
    void SetUp() override {
        start(IDD_CRANDLE);
        archivePath = folder.file("three.big");
        testkit::writeFile(archivePath, threeEntries().bytes());
        recordShellOpens();
    }

    void setPath(const std::string& text) { SetWindowTextA(application->panel().pathField().handle(), text.c_str()); }
    std::string pathText() { return windowText(application->panel().pathField().handle()); }
    Lines messages() { return listBoxLines(application->panel().messageList().handle()); }
    HWND list() { return application->panel().list().handle(); }
    int rows() { return listViewRows(list()); }
    Checks checks() {
        Checks states;
        for (int i = 0; i < rows(); ++i) states.push_back(listViewChecked(list(), i));
        return states;
    }
    std::string markerCaption() { return itemText(dialog, IDC_CRANDLE_MARKER); }
    void importArchive(const std::string& file) {
        setPath(file);
        press(IDC_CRANDLE_IMPORT);
    }
    // Export into a fresh folder chosen in the folder browser.
    std::string exportTo(ModalAnswerer& answerer, const std::string& name) {
        const std::string target = folder.file(name);
        CreateDirectoryA(target.c_str(), nullptr);
        answerer.thenChooseFolder(target);
        press(IDC_CRANDLE_EXPORT);
        return target;
    }
    // Selects a row as the arrow keys do, without touching its check mark.
    void selectRow(int row) {
        ListView_SetItemState(list(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    void key(WORD virtualKey) {
        SendMessageA(list(), WM_KEYDOWN, virtualKey, 1);
        pump();
    }
    // What typing into the find field does: the whole text at once.
    void find(const std::u16string& text) {
        SetWindowTextW(application->panel().findField(), reinterpret_cast<const wchar_t*>(text.c_str()));
        pump();
    }
    Lines names() {
        Lines shown;
        for (int i = 0; i < rows(); ++i) shown.push_back(listViewCell(list(), i, 1));
        return shown;
    }
    // The bytes of an archive of these entries as the writer lays it out.
    static std::string archiveOf(const std::vector<HandEntry>& entries) {
        HandLaidBig big;
        big.entries = entries;
        big.archiveSizeField = static_cast<std::uint32_t>(big.bytes().size());
        return big.bytes();
    }
    std::string extracted(const std::string& target, const std::string& entry) {
        return testkit::readFile(target + "\\" + entry);
    }
    bool wasExtracted(const std::string& target, const std::string& entry) {
        return testkit::fileExists(target + "\\" + entry);
    }

    testkit::TempDir folder;
    std::string archivePath;
};

// Keeps a file read-only for the length of a test, then makes it deletable again.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path) : path_(path) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    }
    ~ReadOnlyFile() { SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL); }

private:
    std::string path_;
};

// Answers a one-line box with this text (or what it offers) and OK; the text
// it offered goes into `offered`.
ModalAnswerer::Answer typeLine(const char* text, std::string* offered = nullptr) {
    return [text, offered](HWND box) {
        if (offered != nullptr) *offered = itemText(box, dialogs::INPUT_NAME_FIELD);
        if (text != nullptr) SetDlgItemTextA(box, dialogs::INPUT_NAME_FIELD, text);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    };
}

}  // namespace

TEST_F(CrandleDialogTest, ImportListsEveryEntryAndASecondImportAddsTheRowsAgain) {
    importArchive(archivePath);
    ASSERT_EQ(3, rows());
    EXPECT_EQ("data\\one.ini", listViewCell(list(), 0, 1));
    EXPECT_EQ("9", listViewCell(list(), 0, 2));
    EXPECT_EQ("art\\two.tga", listViewCell(list(), 1, 1));
    EXPECT_EQ("4", listViewCell(list(), 1, 2));
    EXPECT_EQ("text\\three.str", listViewCell(list(), 2, 1));
    EXPECT_EQ("", listViewCell(list(), 2, 0)) << "the check box cell holds no text";
    EXPECT_EQ((Checks{false, false, false}), checks()) << "new rows start unchecked";
    EXPECT_EQ((Lines{crandletext::IMPORTED}), messages());
    EXPECT_EQ(100, progressPosition(GetDlgItem(dialog, IDC_CRANDLE_PROGRESS))) << "the bar ends full";

    importArchive(archivePath);
    ASSERT_EQ(6, rows()) << "the same archive again: its rows once more";
    EXPECT_EQ("data\\one.ini", listViewCell(list(), 3, 1));
    EXPECT_EQ(3, application->bigArchive().countEntries()) << "the directory holds the archive once";

    // Output still lists every entry once, after the path between two frames.
    ModalAnswerer answerer;
    const std::string listing = folder.file("listing.txt");
    answerer.thenTypePath(listing);
    press(IDC_CRANDLE_OUTPUT);
    EXPECT_EQ((Lines{crandletext::SAVED, listing}), messages());
    const std::string expected = FRAME + "\n" + archivePath + "\n" + FRAME + "\n" +
                                 "Name: data\\one.ini   (Size: 9)\n"
                                 "Name: art\\two.tga   (Size: 4)\n"
                                 "Name: text\\three.str   (Size: 11)\n";
    EXPECT_EQ(testkit::textFileBytes(expected), testkit::readFile(listing));

    // Marker acts on the first three rows only.
    press(IDC_CRANDLE_MARKER);
    EXPECT_EQ((Checks{true, true, true, false, false, false}), checks());
}

TEST_F(CrandleDialogTest, ImportTakesOnlyBigArchivesAndAnotherArchiveReplacesTheRows) {
    HandLaidBig single;
    single.magic = "BIGF";
    single.entries = {{"only.bin", "1234567"}};
    const std::string other = folder.file("other.big");
    testkit::writeFile(other, single.bytes());
    importArchive(archivePath);
    importArchive(other);
    ASSERT_EQ(1, rows()) << "the list never shows two archives at once";
    EXPECT_EQ("only.bin", listViewCell(list(), 0, 1));
    EXPECT_EQ("7", listViewCell(list(), 0, 2));

    // A text file, a missing file or a folder is refused with the type box;
    // the rows and the loaded directory stay.
    const std::string text = folder.file("notes.txt");
    testkit::writeFile(text, "BIG is not the start of this file");
    ModalAnswerer answerer;
    for (const std::string& refused : {text, folder.file("missing.big"), folder.path()}) {
        importArchive(refused);
        EXPECT_EQ(1, rows()) << refused;
        EXPECT_EQ(1, application->bigArchive().countEntries()) << refused;
    }
    ASSERT_EQ(3u, answerer.seen().size());
    for (const SeenWindow& box : answerer.seen()) {
        EXPECT_EQ(crandletext::IMPROPER_TYPE, box.text);
        EXPECT_EQ(crandletext::ERROR_TITLE, box.title);
        EXPECT_EQ("exclamation", box.icon);
    }

    // An empty path field adds the rows of the directory still in memory.
    setPath("");
    press(IDC_CRANDLE_IMPORT);
    EXPECT_EQ(2, rows());
}

TEST_F(CrandleDialogTest, MarkerThenExportWritesNothingAndMarkerAgainLetsEveryEntryOut) {
    press(IDC_CRANDLE_MARKER);
    EXPECT_EQ(crandletext::MARKER, markerCaption()) << "nothing imported: nothing happens";

    importArchive(archivePath);
    press(IDC_CRANDLE_MARKER);
    EXPECT_EQ((Checks{true, true, true}), checks());
    EXPECT_EQ(crandletext::CHECKED, markerCaption());
    EXPECT_TRUE(application->panel().markerOn());

    ModalAnswerer answerer;
    const std::string none = exportTo(answerer, "none");
    EXPECT_EQ((Lines{crandletext::NOTHING_EXPORTED, none}), messages());
    EXPECT_FALSE(wasExtracted(none, "data\\one.ini"));
    EXPECT_FALSE(wasExtracted(none, "text\\three.str"));

    press(IDC_CRANDLE_MARKER);
    EXPECT_EQ((Checks{false, false, false}), checks());
    EXPECT_EQ(crandletext::MARKER, markerCaption());
    const std::string all = exportTo(answerer, "all");
    EXPECT_EQ((Lines{crandletext::EXPORTED, all, "3 of 3 entries written"}), messages());
    HandLaidBig big = threeEntries();
    for (const HandEntry& e : big.entries) EXPECT_EQ(e.data, extracted(all, e.name)) << e.name;
}

TEST_F(CrandleDialogTest, RowClicksToggleOneRowAndTheCheckedRowIsLeftOut) {
    importArchive(archivePath);
    clickRow(list(), 1, false);
    EXPECT_EQ((Checks{false, true, false}), checks()) << "a click arrives exactly once";
    EXPECT_TRUE(application->panel().markerOn());
    clickRow(list(), 1, false);
    EXPECT_EQ((Checks{false, false, false}), checks());
    EXPECT_FALSE(application->panel().markerOn());
    clickRow(list(), 0, false);

    ModalAnswerer answerer;
    const std::string target = exportTo(answerer, "part");
    EXPECT_EQ((Lines{crandletext::EXPORTED, target, "2 of 2 entries written"}), messages());
    EXPECT_FALSE(wasExtracted(target, "data\\one.ini")) << "the checked row is left out";
    EXPECT_EQ(std::string("\x00\x01\x02\xff", 4), extracted(target, "art\\two.tga"));
    EXPECT_EQ("hello there", extracted(target, "text\\three.str"));

    // A click notification of another control is no row click.
    NMITEMACTIVATE foreign{};
    foreign.hdr.hwndFrom = application->panel().tab().handle();
    foreign.hdr.idFrom = IDC_CRANDLE_TAB;
    foreign.hdr.code = NM_CLICK;
    foreign.iItem = 1;
    SendMessageA(dialog, WM_NOTIFY, IDC_CRANDLE_TAB, reinterpret_cast<LPARAM>(&foreign));
    EXPECT_EQ((Checks{true, false, false}), checks());

    // The list's own index -1 (beside every row) checks every row.
    NMITEMACTIVATE beside{};
    beside.hdr.hwndFrom = list();
    beside.hdr.idFrom = IDC_CRANDLE_LIST;
    beside.hdr.code = NM_CLICK;
    beside.iItem = -1;
    SendMessageA(dialog, WM_NOTIFY, IDC_CRANDLE_LIST, reinterpret_cast<LPARAM>(&beside));
    EXPECT_EQ((Checks{true, true, true}), checks());
    EXPECT_TRUE(application->panel().markerOn());
}

TEST_F(CrandleDialogTest, ExportRefusesWhatItCannotExtractFromAndSaysWhy) {
    ModalAnswerer answerer;

    // Nothing imported, or another file than the imported one: refused
    // before any chooser comes up.
    setPath(archivePath);
    press(IDC_CRANDLE_EXPORT);
    EXPECT_EQ((Lines{crandletext::EXPORT_NOT_IMPORTED}), messages());
    const std::string copy = folder.file("copy.big");
    testkit::writeFile(copy, threeEntries().bytes());
    importArchive(archivePath);
    setPath(copy);
    press(IDC_CRANDLE_EXPORT);
    EXPECT_EQ((Lines{crandletext::EXPORT_NOT_IMPORTED}), messages());
    EXPECT_TRUE(answerer.seen().empty()) << "no folder browser";

    // A folder or an empty path: the "no files" lines and the previous folder.
    setPath(folder.path());
    press(IDC_CRANDLE_EXPORT);
    EXPECT_EQ((Lines{crandletext::NOTHING_EXPORTED, ""}), messages());

    // The same file named relative to the current folder, in other case, is the imported one.
    testkit::CurrentDirectoryGuard inFolder(folder.path());
    setPath("THREE.big");
    answerer.thenCancel();
    press(IDC_CRANDLE_EXPORT);
    EXPECT_EQ((Lines{crandletext::NOTHING_EXPORTED, ""}), messages()) << "browser cancelled: an empty second line";
    EXPECT_EQ(1u, answerer.seen().size()) << "the folder browser came up";

    const std::string first = exportTo(answerer, "first");
    EXPECT_EQ(3u, messages().size());
    setPath("");
    press(IDC_CRANDLE_EXPORT);
    EXPECT_EQ((Lines{crandletext::NOTHING_EXPORTED, first}), messages()) << "the previous export folder";
}

TEST_F(CrandleDialogTest, ReadOnlyArchiveImportsButExportExtractsNothing) {
    ReadOnlyFile guard(archivePath);
    importArchive(archivePath);
    EXPECT_EQ(3, rows());
    ModalAnswerer answerer;
    press(IDC_CRANDLE_EXPORT);
    EXPECT_EQ((Lines{crandletext::NOTHING_EXPORTED, ""}), messages());
    EXPECT_TRUE(answerer.seen().empty()) << "no folder browser";
}

TEST_F(CrandleDialogTest, ExportCountsTheEntriesItCouldNotWriteAndTellsWhy) {
    HandLaidBig hostile;
    hostile.entries = {{"..\\escape.txt", "out"}, {"C:\\rooted.txt", "out"}, {"safe.txt", "in"}};
    const std::string hostilePath = folder.file("hostile.big");
    testkit::writeFile(hostilePath, hostile.bytes());
    importArchive(hostilePath);
    ModalAnswerer answerer;
    const std::string target = exportTo(answerer, "inside");
    EXPECT_EQ((Lines{crandletext::EXPORT_INCOMPLETE, target, "1 of 3 entries written",
                     "2 not written - name would leave the destination folder"}),
              messages());
    EXPECT_EQ("in", extracted(target, "safe.txt"));
    EXPECT_FALSE(testkit::fileExists(folder.file("escape.txt")));
}

TEST_F(CrandleDialogTest, CreateCollectsAFolderIntoAnArchiveThatImportsAgain) {
    const std::string tree = folder.file("tree");
    testkit::writeFile(tree + "\\top.txt", "top level");
    testkit::writeFile(tree + "\\sub\\inner.ini", "x=1");
    ModalAnswerer answerer;

    // Not a folder: refused with a line, no save dialog.
    setPath(archivePath);
    press(IDC_CRANDLE_CREATE);
    EXPECT_EQ((Lines{crandletext::CREATE_NOT_FOLDER, archivePath}), messages());
    EXPECT_TRUE(answerer.seen().empty());

    const std::string created = folder.file("created.big");
    setPath(tree);
    answerer.thenTypePath(created);
    press(IDC_CRANDLE_CREATE);
    EXPECT_EQ((Lines{crandletext::COLLECTED, crandletext::CREATED, created}), messages());

    // Read back through the reader: the names and the data.
    BigArchive check;
    ASSERT_TRUE(check.openArchive(created.c_str()));
    ASSERT_EQ(2, check.countEntries());
    EXPECT_EQ("top.txt", std::string(check.entryName(0))) << "files of the start folder first";
    EXPECT_EQ("sub\\inner.ini", std::string(check.entryName(1)));
    const std::string bytes = testkit::readFile(created);
    EXPECT_EQ("BIG4", bytes.substr(0, 4));
    EXPECT_EQ("top levelx=1", bytes.substr(bytes.size() - 12));

    // Cancelled save dialog: nothing happens.
    answerer.thenCancel();
    press(IDC_CRANDLE_CREATE);
    EXPECT_EQ((Lines{crandletext::COLLECTED, crandletext::CREATED, created}), messages());
}

TEST_F(CrandleDialogTest, CreateThatCannotWriteTheArchiveSaysSoAndKeepsTheOldFile) {
    const std::string tree = folder.file("tree");
    testkit::writeFile(tree + "\\top.txt", "top level");
    const std::string locked = folder.file("locked.big");
    testkit::writeFile(locked, "keep");
    // Held open without leave to write or delete: the finished file cannot
    // be put in its place.
    testkit::HeldOpen held(locked);
    ModalAnswerer answerer;
    setPath(tree);
    answerer.thenTypePath(locked);
    answerer.thenPress(IDYES);  // replace the existing file
    press(IDC_CRANDLE_CREATE);
    const Lines shown = messages();
    ASSERT_EQ(3u, shown.size());
    EXPECT_EQ(crandletext::COLLECTED, shown[0]);
    EXPECT_EQ("creation of BIG Archive failed - the archive cannot be created ....", shown[1]);
    EXPECT_EQ(locked, shown[2]);
    EXPECT_EQ("keep", testkit::readFile(locked));
}

TEST_F(CrandleDialogTest, CreateNamesTheFilesItCouldNotReadAndLeavesItselfOut) {
    const std::string tree = folder.file("tree");
    testkit::writeFile(tree + "\\open.txt", "readable");
    testkit::writeFile(tree + "\\locked.txt", "held by another program");
    const std::string inside = tree + "\\self.big";
    ModalAnswerer answerer;
    setPath(tree);
    answerer.thenTypePath(inside);
    press(IDC_CRANDLE_CREATE);
    ASSERT_TRUE(testkit::fileExists(inside));

    // Again into the same file, now part of the folder, while another
    // program holds one file without sharing it.
    HANDLE held = CreateFileA((tree + "\\locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    answerer.thenTypePath(inside);
    answerer.thenPress(IDYES);  // replace the existing file
    press(IDC_CRANDLE_CREATE);
    CloseHandle(held);
    EXPECT_EQ((Lines{crandletext::COLLECTED,
                     "creation of BIG Archive is incomplete - 1 files could not be read and are left out ....", inside,
                     "locked.txt", crandletext::EXCLUDED_SELF}),
              messages());
    BigArchive check;
    ASSERT_TRUE(check.openArchive(inside.c_str()));
    ASSERT_EQ(1, check.countEntries()) << "neither the held file nor the archive itself is collected";
    EXPECT_EQ("open.txt", check.entry(0)->name);
}

TEST_F(CrandleDialogTest, OutputWritesOnlyAWholeListing) {
    ModalAnswerer answerer;
    press(IDC_CRANDLE_OUTPUT);
    EXPECT_TRUE(answerer.seen().empty()) << "nothing imported: no save dialog";

    importArchive(archivePath);
    answerer.thenCancel();
    press(IDC_CRANDLE_OUTPUT);
    EXPECT_EQ((Lines{crandletext::IMPORTED}), messages()) << "cancelled: nothing reported";

    // A target that cannot be opened: the box, the old file kept.
    const std::string locked = folder.file("locked.txt");
    testkit::writeFile(locked, "keep");
    // Held open without leave to write or delete: the finished file cannot
    // be put in its place.
    testkit::HeldOpen held(locked);
    answerer.thenTypePath(locked);
    answerer.thenPress(IDYES);
    press(IDC_CRANDLE_OUTPUT);
    ASSERT_EQ(4u, answerer.seen().size());
    EXPECT_EQ("Cannot open SaveFile = <" + locked + ">", answerer.seen()[3].text);
    EXPECT_EQ(crandletext::PROGRAM_TITLE, answerer.seen()[3].title);
    EXPECT_EQ("exclamation", answerer.seen()[3].icon);
    EXPECT_EQ("keep", testkit::readFile(locked));

    // A read-only file cannot be opened either: the same box (it used to get
    // the line "Output failed - ..."), the file kept, no line.
    const std::string readOnly = folder.file("readonly.txt");
    testkit::writeFile(readOnly, "keep");
    {
        ReadOnlyFile guard(readOnly);
        answerer.thenTypePath(readOnly);
        answerer.thenPress(IDYES);
        press(IDC_CRANDLE_OUTPUT);
    }
    ASSERT_EQ(7u, answerer.seen().size());
    EXPECT_EQ("Cannot open SaveFile = <" + readOnly + ">", answerer.seen()[6].text);
    EXPECT_EQ(crandletext::PROGRAM_TITLE, answerer.seen()[6].title);
    EXPECT_EQ("keep", testkit::readFile(readOnly));
    EXPECT_EQ((Lines{crandletext::IMPORTED}), messages());
}

TEST_F(CrandleDialogTest, RightClickShowsTextEntriesInTheViewerAndListsTheName) {
    importArchive(archivePath);
    clickRow(list(), 2, true);
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(crandletext::NOTEPAD, opened[0].first);
    EXPECT_EQ(application->bigArchive().tempTextPath(), opened[0].second);
    EXPECT_EQ("ZZZ_Content.tmp", opened[0].second.substr(opened[0].second.size() - 15));
    EXPECT_EQ("hello there", testkit::readFile(opened[0].second));
    EXPECT_EQ((Lines{crandletext::IMPORTED, "text\\three.str"}), messages()) << "appended, not replaced";

    clickRow(list(), 1, true);
    EXPECT_EQ(1u, opened.size()) << "a picture is not shown";
    EXPECT_EQ((Lines{crandletext::IMPORTED, "text\\three.str", "art\\two.tga"}), messages());
    EXPECT_EQ((Checks{false, false, false}), checks()) << "a right click checks nothing";

    const std::string temp = application->bigArchive().tempTextPath();
    finish();
    EXPECT_FALSE(testkit::fileExists(temp)) << "removed when the program ends";
}

TEST_F(CrandleDialogTest, BrowseAndDropTakeFoldersAndBigFilesAndRefuseOthers) {
    const std::string text = folder.file("notes.txt");
    testkit::writeFile(text, "plain text");
    ModalAnswerer answerer;

    dropFiles(dialog, {text, archivePath});
    pump();
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ(crandletext::IMPROPER_TYPE, answerer.seen()[0].text);
    EXPECT_EQ(crandletext::ERROR_TITLE, answerer.seen()[0].title);
    EXPECT_EQ(text, pathText()) << "the rejected path stays in the field";

    // A read-only folder is a folder like any other.
    const std::string sub = folder.file("sub");
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    SetFileAttributesA(sub.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
    dropFiles(dialog, {sub});
    pump();
    EXPECT_EQ(1u, answerer.seen().size()) << "a folder is taken without a box";
    EXPECT_EQ(sub, pathText());
    EXPECT_EQ(0, application->panel().tab().selectedTab());
    SetFileAttributesA(sub.c_str(), FILE_ATTRIBUTE_DIRECTORY);

    dropFiles(dialog, {archivePath});
    pump();
    EXPECT_EQ(1u, answerer.seen().size());
    EXPECT_EQ(archivePath, pathText());
    EXPECT_EQ(0, rows()) << "a drop reads nothing";

    answerer.thenTypePath(text);
    press(IDC_CRANDLE_BROWSE);
    ASSERT_EQ(3u, answerer.seen().size()) << "the open dialog, then the box";
    EXPECT_EQ(crandletext::IMPROPER_TYPE, answerer.seen()[2].text);
    EXPECT_EQ(text, pathText());

    answerer.thenTypePath(archivePath);
    press(IDC_CRANDLE_BROWSE);
    EXPECT_EQ(4u, answerer.seen().size());
    EXPECT_EQ(archivePath, pathText());

    answerer.thenCancel();
    press(IDC_CRANDLE_BROWSE);
    EXPECT_EQ(archivePath, pathText()) << "a cancelled Browse leaves the field";
}

TEST_F(CrandleDialogTest, AFailedTypeTestAfterImportDoesNotLoseTheRowSelection) {
    // A drop refuses a text file; the loaded directory stays, and the next
    // Export still leaves the checked row out.
    importArchive(archivePath);
    clickRow(list(), 0, false);
    const std::string text = folder.file("notes.txt");
    testkit::writeFile(text, "plain text");
    ModalAnswerer answerer;
    dropFiles(dialog, {text});
    pump();
    ASSERT_TRUE(application->bigArchive().loaded()) << "a type test changes nothing";
    setPath(archivePath);
    const std::string target = exportTo(answerer, "after");
    EXPECT_EQ((Lines{crandletext::EXPORTED, target, "2 of 2 entries written"}), messages());
    EXPECT_FALSE(wasExtracted(target, "data\\one.ini"));
}

TEST_F(CrandleDialogTest, ClearupEmptiesTheDialogAndForgetsTheArchive) {
    importArchive(archivePath);
    press(IDC_CRANDLE_MARKER);
    press(IDC_CRANDLE_CLEARUP);
    EXPECT_EQ(0, rows());
    EXPECT_EQ("", pathText());
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(0, progressPosition(GetDlgItem(dialog, IDC_CRANDLE_PROGRESS)));
    EXPECT_EQ(0, application->bigArchive().countEntries());
    EXPECT_EQ(crandletext::CHECKED, markerCaption()) << "Clearup leaves the Marker state";

    ModalAnswerer answerer;
    press(IDC_CRANDLE_OUTPUT);
    setPath(archivePath);
    press(IDC_CRANDLE_EXPORT);
    EXPECT_EQ((Lines{crandletext::EXPORT_NOT_IMPORTED}), messages()) << "the archive is forgotten";
    EXPECT_TRUE(answerer.seen().empty());
}

TEST_F(CrandleDialogTest, ExitEndsTheDialog) {
    // Sent, not posted: the pump would take the quit message away.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CRANDLE_EXIT, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(dialog));
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0, static_cast<int>(msg.wParam));
}

TEST_F(CrandleDialogTest, AClickOnTheCheckBoxItselfTogglesItsRowOnce) {
    importArchive(archivePath);
    // The list keeps no check marks: the dialog toggles them, on the box too.
    LVHITTESTINFO hit{};
    RECT row{};
    row.left = LVIR_BOUNDS;
    SendMessageA(list(), LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
    hit.pt.y = (row.top + row.bottom) / 2;
    for (hit.pt.x = row.left; hit.pt.x < row.left + 40; ++hit.pt.x) {
        SendMessageA(list(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if ((hit.flags & LVHT_ONITEMSTATEICON) != 0 && hit.iItem == 2) break;
    }
    ASSERT_TRUE((hit.flags & LVHT_ONITEMSTATEICON) != 0) << "the row shows a check box";
    const LPARAM at = MAKELPARAM(hit.pt.x, hit.pt.y);
    PostMessageA(list(), WM_LBUTTONUP, 0, at);
    SendMessageA(list(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    pump();
    EXPECT_EQ((Checks{false, false, true}), checks());
    EXPECT_TRUE(application->panel().markerOn());
    press(IDC_CRANDLE_MARKER);
    EXPECT_EQ((Checks{false, false, false}), checks()) << "Marker follows the click and unchecks every row";
}

TEST_F(CrandleDialogTest, ClosingTheWindowDuringAnImportEndsItWholeOrNotAtAllAndCloses) {
    setPath(archivePath);
    // The close comes while the import runs (it stops the reading) or right
    // after it; either way the directory is read whole or not at all before
    // the window goes.
    clickButton(dialog, IDC_CRANDLE_IMPORT);
    closeBox(dialog);
    pump(200);
    EXPECT_FALSE(IsWindow(dialog));
    const int counted = application->countedEntries();
    EXPECT_TRUE(counted == 0 || counted == 3) << counted << " entries after the close";
    EXPECT_EQ(0, application->panel().list().rowCount()) << "Exit's Clearup emptied the list";
    dialog = nullptr;
}

TEST_F(CrandleDialogTest, ClosingTheWindowDuringCreateStopsItAndKeepsTheOldArchive) {
    const std::string tree = folder.file("tree");
    testkit::writeFile(tree + "\\first.txt", "small");
    // Enough blocks that the close comes long before the last one.
    ASSERT_TRUE(testkit::makeSizedFile(tree + "\\large.bin", 256ull * BigArchive::COPY_BUFFER_SIZE));
    const std::string target = folder.file("out\\kept.big");
    testkit::writeFile(target, "the old archive");

    // Closes the window as soon as the work has counted something: during the
    // walk or the first blocks of the archive.
    CloseWhenCounted closer(application->workProgress().done, dialog);
    ASSERT_TRUE(closer.started());

    ModalAnswerer answerer;
    setPath(tree);
    answerer.thenTypePath(target);
    press(IDC_CRANDLE_CREATE);
    EXPECT_GT(closer.doneAtClose(), 0u);
    pump(200);
    EXPECT_FALSE(IsWindow(dialog));
    dialog = nullptr;
    EXPECT_EQ("the old archive", testkit::readFile(target));
    EXPECT_EQ((std::vector<std::string>{"kept.big"}), testkit::folderNames(folder.file("out")))
        << "no temporary is left beside it";
}

TEST_F(CrandleDialogTest, EditsStayPendingAndMarkedUntilSaveWritesThemOverTheArchive) {
    const std::string newIni = folder.file("new.ini");
    testkit::writeFile(newIni, "alpha=2\r\nbeta=3\r\n");
    const std::string added = folder.file("added.txt");
    testkit::writeFile(added, "fresh");
    importArchive(archivePath);
    ModalAnswerer answerer;

    selectRow(0);
    answerer.thenTypePath(newIni);
    press(IDM_CRANDLE_REPLACE);
    selectRow(1);
    answerer.then(typeLine("art/renamed.tga"));
    key(VK_F2);
    // Ins adds files under the folder of the selected entry unless told otherwise.
    selectRow(2);
    std::string offered;
    answerer.thenTypePath(added);
    answerer.then(typeLine(nullptr, &offered));
    key(VK_INSERT);
    EXPECT_EQ("text", offered);
    // Del takes the checked rows.
    clickRow(list(), 2, false);
    key(VK_DELETE);
    EXPECT_EQ((Lines{"* data\\one.ini", "> art\\renamed.tga", "+ text\\added.txt"}), names());
    EXPECT_EQ("17", listViewCell(list(), 0, 2));
    EXPECT_EQ((Lines{"Entries deleted: 1 - not saved yet ...."}), messages());
    EXPECT_EQ(crandletext::UNSAVED_TITLE, windowText(dialog));
    EXPECT_EQ(threeEntries().bytes(), testkit::readFile(archivePath)) << "nothing is written before Save";

    // The rows are the plan's: Export waits for the save.
    setPath(archivePath);
    press(IDC_CRANDLE_EXPORT);
    EXPECT_EQ((Lines{crandletext::EXPORT_PENDING}), messages());

    press(IDC_CRANDLE_SAVE);
    EXPECT_EQ((Lines{crandletext::ARCHIVE_SAVED, archivePath, "3 entries"}), messages());
    EXPECT_EQ(crandletext::PROGRAM_TITLE, windowText(dialog));
    EXPECT_EQ((Lines{"data\\one.ini", "art\\renamed.tga", "text\\added.txt"}), names()) << "imported again";
    EXPECT_EQ(archiveOf({{"data\\one.ini", "alpha=2\r\nbeta=3\r\n"},
                         {"art\\renamed.tga", std::string("\x00\x01\x02\xff", 4)},
                         {"text\\added.txt", "fresh"}}),
              testkit::readFile(archivePath));
    press(IDC_CRANDLE_SAVE);
    EXPECT_EQ((Lines{crandletext::NOTHING_TO_SAVE}), messages());
}

TEST_F(CrandleDialogTest, AFolderGoesUnderTheChosenFolderATakenNameIsRefusedAndSaveAsLeavesTheArchive) {
    const std::string tree = folder.file("tree");
    testkit::writeFile(tree + "\\a.txt", "aa");
    testkit::writeFile(tree + "\\sub\\b.ini", "b=1");
    const std::string taken = folder.file("ONE.INI");
    testkit::writeFile(taken, "same name");
    importArchive(archivePath);
    ModalAnswerer answerer;

    answerer.thenChooseFolder(tree);
    answerer.then(typeLine("mods/new"));
    press(IDM_CRANDLE_ADD_FOLDER);
    EXPECT_EQ((Lines{"data\\one.ini", "art\\two.tga", "text\\three.str", "+ mods\\new\\a.txt",
                     "+ mods\\new\\sub\\b.ini"}),
              names());

    // Names are compared without regard to letter case.
    selectRow(0);
    answerer.thenTypePath(taken);
    answerer.then(typeLine(nullptr));
    press(IDM_CRANDLE_ADD_FILES);
    EXPECT_EQ((Lines{"Edit refused - another entry already has that name (letter case aside) ....", "data\\ONE.INI"}),
              messages());
    EXPECT_EQ(5, rows());

    const std::string copy = folder.file("copy.big");
    answerer.thenTypePath(copy);
    press(IDM_CRANDLE_SAVE_AS);
    EXPECT_EQ((Lines{crandletext::ARCHIVE_SAVED, copy, "5 entries"}), messages());
    EXPECT_EQ(threeEntries().bytes(), testkit::readFile(archivePath));
    std::vector<HandEntry> entries = threeEntries().entries;
    entries.push_back({"mods\\new\\a.txt", "aa"});
    entries.push_back({"mods\\new\\sub\\b.ini", "b=1"});
    EXPECT_EQ(archiveOf(entries), testkit::readFile(copy));
    EXPECT_EQ(copy, pathText()) << "the copy is the imported archive now";
}

TEST_F(CrandleDialogTest, UnsavedChangesAreAskedForBeforeAnotherImportAndBeforeTheWindowCloses) {
    HandLaidBig single;
    single.entries = {{"only.bin", "1234567"}};
    const std::string other = folder.file("other.big");
    testkit::writeFile(other, single.bytes());
    importArchive(archivePath);
    selectRow(1);
    key(VK_DELETE);
    ModalAnswerer answerer;

    // Cancel: the import does not happen, the changes stay pending.
    answerer.thenPress(IDCANCEL);
    importArchive(other);
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ(crandletext::ASK_SAVE, answerer.seen()[0].text);
    EXPECT_EQ(crandletext::PROGRAM_TITLE, answerer.seen()[0].title);
    EXPECT_EQ("question", answerer.seen()[0].icon);
    EXPECT_EQ((Lines{"data\\one.ini", "text\\three.str"}), names());
    EXPECT_EQ(crandletext::UNSAVED_TITLE, windowText(dialog));

    // Yes: saved, then the other archive is imported.
    answerer.thenPress(IDYES);
    importArchive(other);
    EXPECT_EQ(archiveOf({{"data\\one.ini", "alpha=1\r\n"}, {"text\\three.str", "hello there"}}),
              testkit::readFile(archivePath));
    EXPECT_EQ((Lines{"only.bin"}), names());

    // On closing: Cancel keeps the window, No drops the changes.
    selectRow(0);
    key(VK_DELETE);
    answerer.thenPress(IDCANCEL);
    closeBox(dialog);
    pump();
    ASSERT_TRUE(IsWindow(dialog));
    answerer.thenPress(IDNO);
    closeBox(dialog);
    pump();
    EXPECT_EQ(4u, answerer.seen().size());
    EXPECT_FALSE(IsWindow(dialog));
    dialog = nullptr;
    EXPECT_EQ(single.bytes(), testkit::readFile(other));
}

TEST_F(CrandleDialogTest, FindNarrowsByEntryNameLetterCaseAsideAndTheMarkLeavesOutTheRightEntry) {
    importArchive(archivePath);
    find(u"TWO.T");
    ASSERT_EQ((Lines{"art\\two.tga"}), names());
    clickRow(list(), 0, false);
    find(u"\\");  // every name holds a folder
    EXPECT_EQ(3, rows());
    find(u"one.ini\\");  // no name goes on past its end
    EXPECT_EQ(0, rows());
    // Esc anywhere in the dialog shows every entry again.
    MSG msg{list(), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
    IsDialogMessageW(dialog, &msg);
    pump();
    ASSERT_EQ(3, rows());
    EXPECT_EQ((Checks{false, true, false}), checks());

    ModalAnswerer answerer;
    const std::string target = exportTo(answerer, "part");
    EXPECT_FALSE(wasExtracted(target, "art\\two.tga")) << "the entry checked while narrowed is left out";
    EXPECT_EQ("alpha=1\r\n", extracted(target, "data\\one.ini"));
    EXPECT_EQ("hello there", extracted(target, "text\\three.str"));
}
