// Tessaly's dialog, created from its real template inside the test process
// and driven the way a user drives it: paths typed or dropped, buttons
// pressed, rows clicked, the system's file dialogs answered by the harness.
// Every file the commands write is read back, byte for byte where it is
// determined.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "CsfFixture.h"
#include "CsfEdit.h"
#include "DialogFixture.h"
#include "InputBoxes.h"
#include "TessalyDialog.h"
#include "TessalyIds.h"
#include "testkit/TestKit.h"

using namespace dialogtest;
using Lines = std::vector<std::string>;

namespace {

const std::vector<CsfFixtureLabel> THREE_LABELS = {
    csfLabel("GUI:One", "First text"),
    csfLabel("GUI:Two", ""),
    csfLabel("GUI:Three", "Third text"),
};

const std::string FRAME(61, '*');

// Texts in four scripts: Greek, Cyrillic, Chinese and one beyond the Basic
// Multilingual Plane (a surrogate pair).
const std::vector<std::pair<std::string, std::u16string>> SCRIPTS = {
    {"LANG:Greek", u"\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1"},
    {"LANG:Russian", u"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440"},
    {"LANG:Chinese", u"\u4F60\u597D\uFF0C\u4E16\u754C"},
    {"LANG:Party", u"Party \U0001F389!"},
};

std::string scriptsTable(std::size_t first = 0, std::size_t end = 4) {
    std::vector<CsfFixtureLabel> labels;
    for (std::size_t i = first; i < end; ++i) {
        CsfFixtureLabel label;
        label.name = SCRIPTS[i].first;
        label.texts = {CsfFixtureText(SCRIPTS[i].second)};
        labels.push_back(label);
    }
    return csfTableBytes(labels);
}

class TessalyDialogTest : public DialogFixture<TessalyDialog> {
protected:
    void SetUp() override {
        start(IDD_TESSALY);
        table = folder.file("three.csf");
        testkit::writeFile(table, csfTableBytes(THREE_LABELS));
    }

    void setPath(const std::string& text) { SetWindowTextA(application->panel().pathField().handle(), text.c_str()); }
    std::string pathText() { return windowText(application->panel().pathField().handle()); }
    Lines messages() { return listBoxLines(application->panel().messageList().handle()); }
    HWND list() { return application->panel().list().handle(); }
    int rows() { return listViewRows(list()); }
    std::vector<bool> checks() {
        std::vector<bool> states;
        for (int i = 0; i < rows(); ++i) states.push_back(listViewChecked(list(), i));
        return states;
    }
    std::string markerCaption() { return itemText(dialog, IDC_TESSALY_MARKER); }
    void importTable(const std::string& file) {
        setPath(file);
        press(IDC_TESSALY_IMPORT);
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
    // The Esc key in the find field, through the dialog's keyboard handling.
    void escape() {
        MSG msg{application->panel().findField(), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
        IsDialogMessageW(dialog, &msg);
        pump();
    }
    Lines column(int which) {
        Lines shown;
        for (int i = 0; i < rows(); ++i) shown.push_back(listViewCell(list(), i, which));
        return shown;
    }

    testkit::TempDir folder;
    std::string table;
};

// Keeps a file read-only for the length of a test, then makes it deletable again.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path) : path_(path) { SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY); }
    ~ReadOnlyFile() { SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL); }

private:
    std::string path_;
};

// Fills the fields of an input box that are given and presses OK; what the
// box showed goes into `shown` (name, text, whether the name is read-only).
struct BoxSeen {
    std::string name;
    std::wstring text;
    bool nameReadOnly = false;
};
ModalAnswerer::Answer fillBox(const char* name, const wchar_t* text, BoxSeen* shown = nullptr) {
    return [name, text, shown](HWND box) {
        if (shown != nullptr) {
            shown->name = itemText(box, dialogs::INPUT_NAME_FIELD);
            wchar_t buffer[1024] = {0};
            GetDlgItemTextW(box, dialogs::INPUT_TEXT_FIELD, buffer, 1024);
            shown->text = buffer;
            shown->nameReadOnly = (GetWindowLongA(GetDlgItem(box, dialogs::INPUT_NAME_FIELD), GWL_STYLE) & ES_READONLY) != 0;
        }
        if (name != nullptr) SetDlgItemTextA(box, dialogs::INPUT_NAME_FIELD, name);
        if (text != nullptr) SetDlgItemTextW(box, dialogs::INPUT_TEXT_FIELD, text);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    };
}

// The labels of a table file and their first texts, read by the core.
std::vector<std::pair<std::string, std::u16string>> readBack(const std::string& path) {
    CsfArchive table;
    CsfEditPlan plan;
    std::string reason;
    std::vector<std::pair<std::string, std::u16string>> labels;
    if (!table.load(path.c_str()) || !plan.begin(table, reason)) return labels;
    for (int i = 0; i < plan.count(); ++i) labels.emplace_back(plan.at(i).name, plan.text(i));
    return labels;
}

}  // namespace

TEST_F(TessalyDialogTest, ImportShowsEachLabelAndASecondImportAddsTheRowsAgain) {
    importTable(table);
    ASSERT_EQ(3, rows());
    EXPECT_EQ("GUI:One", listViewCell(list(), 0, 1));
    EXPECT_EQ("\"First text\"", listViewCell(list(), 0, 2));
    EXPECT_EQ("\"\"", listViewCell(list(), 1, 2));
    EXPECT_EQ("GUI:Three", listViewCell(list(), 2, 1));
    EXPECT_EQ((std::vector<bool>{false, false, false}), checks()) << "new rows start unchecked";
    EXPECT_EQ((Lines{tessalytext::IMPORTED}), messages());
    EXPECT_EQ(100, progressPosition(GetDlgItem(dialog, IDC_TESSALY_PROGRESS))) << "the bar ends full";

    importTable(table);
    ASSERT_EQ(6, rows());
    EXPECT_EQ("GUI:One", listViewCell(list(), 3, 1));
    EXPECT_EQ(3, application->csfArchive().recordCount()) << "the archive holds the table once";

    // Marker and Export act on the first three rows only.
    press(IDC_TESSALY_MARKER);
    EXPECT_EQ((std::vector<bool>{true, true, true, false, false, false}), checks());
    ModalAnswerer answerer;
    const std::string target = folder.file("none.csf");
    answerer.thenTypePath(target);
    press(IDC_TESSALY_EXPORT);
    EXPECT_EQ((Lines{tessalytext::NOTHING_EXPORTED, target}), messages());
    EXPECT_FALSE(testkit::fileExists(target)) << "every label was marked: nothing is written";
}

TEST_F(TessalyDialogTest, ImportOfAnotherTableReplacesTheRowsAndAMissingFileAddsNone) {
    const std::string other = folder.file("other.csf");
    testkit::writeFile(other, csfTableBytes({csfLabel("OTHER:Only", "Alone")}));
    importTable(table);
    importTable(other);
    ASSERT_EQ(1, rows()) << "the list never shows two tables at once";
    EXPECT_EQ("OTHER:Only", listViewCell(list(), 0, 1));

    setPath(folder.file("missing.csf"));
    press(IDC_TESSALY_IMPORT);
    EXPECT_EQ(1, rows()) << "no rows are added";
    EXPECT_EQ((Lines{tessalytext::IMPORTED}), messages()) << "and no message is shown";
    press(IDC_TESSALY_MARKER);
    EXPECT_EQ(tessalytext::MARKER, markerCaption()) << "the archive holds no records: Marker stops";
    EXPECT_EQ((std::vector<bool>{false}), checks());
}

TEST_F(TessalyDialogTest, MarkerChecksEveryRowThenUnchecksThem) {
    press(IDC_TESSALY_MARKER);
    EXPECT_EQ(tessalytext::MARKER, markerCaption()) << "nothing imported: nothing happens";

    importTable(table);
    press(IDC_TESSALY_MARKER);
    EXPECT_EQ((std::vector<bool>{true, true, true}), checks());
    EXPECT_EQ(tessalytext::CHECKED, markerCaption());
    EXPECT_TRUE(application->panel().markerOn());
    press(IDC_TESSALY_MARKER);
    EXPECT_EQ((std::vector<bool>{false, false, false}), checks());
    EXPECT_EQ(tessalytext::MARKER, markerCaption());
}

TEST_F(TessalyDialogTest, RowClicksToggleTheirRowOnceAndOnlyListClicksCount) {
    importTable(table);
    clickRow(list(), 1, false);
    EXPECT_EQ((std::vector<bool>{false, true, false}), checks()) << "a click arrives exactly once";
    EXPECT_TRUE(application->panel().markerOn());
    clickRow(list(), 1, false);
    EXPECT_EQ((std::vector<bool>{false, false, false}), checks());
    EXPECT_FALSE(application->panel().markerOn());

    // A click notification from another control changes nothing.
    NMITEMACTIVATE foreign{};
    foreign.hdr.hwndFrom = application->panel().tab().handle();
    foreign.hdr.idFrom = IDC_TESSALY_TAB;
    foreign.hdr.code = NM_CLICK;
    foreign.iItem = 0;
    SendMessageA(dialog, WM_NOTIFY, IDC_TESSALY_TAB, reinterpret_cast<LPARAM>(&foreign));
    EXPECT_EQ((std::vector<bool>{false, false, false}), checks());
}

TEST_F(TessalyDialogTest, ExportWritesTheUncheckedRowsOrReportsWhyNothingWasWritten) {
    importTable(table);
    ModalAnswerer answerer;

    // No row checked: the table byte for byte.
    const std::string whole = folder.file("whole.csf");
    answerer.thenTypePath(whole);
    press(IDC_TESSALY_EXPORT);
    EXPECT_EQ((Lines{tessalytext::EXPORTED, whole}), messages());
    EXPECT_EQ(csfTableBytes(THREE_LABELS), testkit::readFile(whole));

    // A clicked row is left out, and the header counts what was written.
    clickRow(list(), 1, false);
    const std::string part = folder.file("part.csf");
    answerer.thenTypePath(part);
    press(IDC_TESSALY_EXPORT);
    EXPECT_EQ((Lines{tessalytext::EXPORTED, part}), messages());
    EXPECT_EQ(csfTableBytes({THREE_LABELS[0], THREE_LABELS[2]}), testkit::readFile(part));

    // Cancelled save dialog: the "no items" lines with an empty path.
    answerer.thenCancel();
    press(IDC_TESSALY_EXPORT);
    EXPECT_EQ((Lines{tessalytext::NOTHING_EXPORTED, ""}), messages());
    ASSERT_EQ(3u, answerer.seen().size()) << "one save dialog per export";

    // A target that cannot be written is reported, never called exported, and kept.
    const std::string locked = folder.file("locked.csf");
    testkit::writeFile(locked, "keep");
    // Held open without leave to write or delete: the finished file cannot
    // be put in its place.
    testkit::HeldOpen held(locked);
    answerer.thenTypePath(locked);
    answerer.thenPress(IDYES);  // replace the existing file
    press(IDC_TESSALY_EXPORT);
    EXPECT_EQ((Lines{tessalytext::EXPORT_FAILED, locked}), messages());
    EXPECT_EQ("keep", testkit::readFile(locked));
}

TEST_F(TessalyDialogTest, ExportAndAppendRefuseAPathThatIsNotTheImportedFile) {
    const std::string other = folder.file("other.csf");
    testkit::writeFile(other, csfTableBytes({csfLabel("OTHER:Only", "Alone")}));
    ModalAnswerer answerer;

    // Recognised by Browse but never imported.
    answerer.thenTypePath(table);
    press(IDC_TESSALY_BROWSE);
    press(IDC_TESSALY_EXPORT);
    EXPECT_EQ((Lines{tessalytext::EXPORT_NOT_IMPORTED}), messages());

    importTable(table);
    setPath(other);
    press(IDC_TESSALY_EXPORT);
    EXPECT_EQ((Lines{tessalytext::EXPORT_NOT_IMPORTED}), messages());
    press(IDC_TESSALY_APPEND);
    EXPECT_EQ((Lines{tessalytext::APPEND_NOT_IMPORTED}), messages());
    EXPECT_EQ(1u, answerer.seen().size()) << "no chooser was shown after the Browse";
    EXPECT_FALSE(testkit::fileExists(folder.file("NEW_other.csf")));

    // The same file named relative to the current folder, in other case, is the imported one.
    testkit::CurrentDirectoryGuard inFolder(folder.path());
    setPath("THREE.csf");
    answerer.thenCancel();
    press(IDC_TESSALY_EXPORT);
    EXPECT_EQ((Lines{tessalytext::NOTHING_EXPORTED, ""}), messages());
    EXPECT_EQ(2u, answerer.seen().size()) << "the save dialog came up";
}

TEST_F(TessalyDialogTest, ExportWithoutARecognisedTableShowsTheErrorBox) {
    const std::string text = folder.file("notes.txt");
    testkit::writeFile(text, "plain text");
    ModalAnswerer answerer;
    setPath(text);
    press(IDC_TESSALY_EXPORT);
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ(tessalytext::EXPORT_ERROR, answerer.seen()[0].text);
    EXPECT_EQ(tessalytext::ERROR_TITLE, answerer.seen()[0].title);
    EXPECT_EQ("exclamation", answerer.seen()[0].icon);
    EXPECT_EQ((Lines{tessalytext::NOTHING_EXPORTED, ""}), messages());
}

TEST_F(TessalyDialogTest, ReadOnlyTableImportsButExportAndAppendRefuseItSilently) {
    ReadOnlyFile guard(table);
    importTable(table);
    EXPECT_EQ(3, rows());
    ModalAnswerer answerer;
    press(IDC_TESSALY_EXPORT);
    EXPECT_EQ((Lines{tessalytext::NOTHING_EXPORTED, ""}), messages());
    press(IDC_TESSALY_APPEND);
    EXPECT_EQ((Lines{tessalytext::NOTHING_EXPORTED, ""}), messages()) << "Append shows nothing";
    EXPECT_TRUE(answerer.seen().empty()) << "no save or open dialog";
}

// A hidden or a system table used to be taken by Export and Append, which
// refuse any source that is not a plain file.
TEST_F(TessalyDialogTest, HiddenOrSystemTableUsedToBeTakenByExportAndAppend) {
    importTable(table);
    ModalAnswerer answerer;
    for (DWORD mark : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        ASSERT_TRUE(SetFileAttributesA(table.c_str(), mark));
        press(IDC_TESSALY_EXPORT);
        EXPECT_EQ((Lines{tessalytext::NOTHING_EXPORTED, ""}), messages());
        press(IDC_TESSALY_APPEND);
        EXPECT_EQ((Lines{tessalytext::NOTHING_EXPORTED, ""}), messages()) << "Append shows nothing";
    }
    EXPECT_TRUE(answerer.seen().empty()) << "no save or open dialog";
}

TEST_F(TessalyDialogTest, AppendWritesTheNewCopyOrSaysWhyNothingWasWritten) {
    const std::string config = folder.file("append.cfg");
    testkit::writeFile(config, testkit::textFileBytes("AppendList = {MSG*}\n"
                                                       "MSG001 = {LABEL:ONE,First appended}\n"
                                                       "MSG002 = {LABEL:TWO,Second appended}\n"));
    importTable(table);
    ModalAnswerer answerer;
    answerer.thenTypePath(config);
    press(IDC_TESSALY_APPEND);
    const std::string copy = folder.file("NEW_three.csf");
    EXPECT_EQ((Lines{tessalytext::APPENDED, copy}), messages());
    std::vector<CsfFixtureLabel> appended = THREE_LABELS;
    appended.push_back(csfLabel("LABEL:ONE", "First appended"));
    appended.push_back(csfLabel("LABEL:TWO", "Second appended"));
    EXPECT_EQ(csfTableBytes(appended), testkit::readFile(copy));
    EXPECT_EQ(csfTableBytes(THREE_LABELS), testkit::readFile(table)) << "the table itself never changes";

    // Cancelling the chooser does nothing.
    press(IDC_TESSALY_IMPORT);
    answerer.thenCancel();
    press(IDC_TESSALY_APPEND);
    EXPECT_EQ((Lines{tessalytext::IMPORTED}), messages());

    // The copy cannot take its place (a folder holds the name): one line says so.
    const std::string otherTable = folder.file("blocked.csf");
    testkit::writeFile(otherTable, csfTableBytes(THREE_LABELS));
    ASSERT_TRUE(CreateDirectoryA(folder.file("NEW_blocked.csf").c_str(), nullptr));
    importTable(otherTable);
    answerer.thenTypePath(config);
    press(IDC_TESSALY_APPEND);
    EXPECT_EQ((Lines{tessalytext::APPEND_FAILED}), messages());
}

// An AppendList past its limit used to be cut without a word after Append.
TEST_F(TessalyDialogTest, AppendOfAListPastItsLimitUsedToSayNothingOfTheCut) {
    std::string families;
    for (int i = 1; i <= 2000; ++i) families += "F" + std::to_string(i) + "*,";
    const std::string config = folder.file("long.cfg");
    testkit::writeFile(config, testkit::textFileBytes("AppendList = {" + families + "}\nF1001 = {LABEL:ONE,First}\n"));
    importTable(table);
    ModalAnswerer answerer;
    answerer.thenTypePath(config);
    press(IDC_TESSALY_APPEND);
    EXPECT_EQ((Lines{tessalytext::APPENDED, folder.file("NEW_three.csf"),
                     "AppendList cut at its limit - only 104 of its 2000 families were taken ...."}),
              messages());
}

TEST_F(TessalyDialogTest, OutputListsEveryRecordWithItsQuotedText) {
    ModalAnswerer answerer;
    press(IDC_TESSALY_OUTPUT);
    EXPECT_TRUE(answerer.seen().empty()) << "nothing imported: no save dialog";

    importTable(table);
    press(IDC_TESSALY_MARKER);  // marked rows are listed too
    const std::string listing = folder.file("listing.txt");
    answerer.thenTypePath(listing);
    press(IDC_TESSALY_OUTPUT);
    EXPECT_EQ((Lines{tessalytext::SAVED, listing}), messages());
    const std::string expected = FRAME + "\n" + table + "\n" + FRAME + "\n" +
                                 "GUI:One\n\"First text\"\nEND\n"
                                 "GUI:Two\n\"\"\nEND\n"
                                 "GUI:Three\n\"Third text\"\nEND\n";
    EXPECT_EQ(testkit::textFileBytes(expected), testkit::readFile(listing));

    // Cancelled: nothing written, nothing reported.
    answerer.thenCancel();
    press(IDC_TESSALY_OUTPUT);
    EXPECT_EQ((Lines{tessalytext::SAVED, listing}), messages());
}

// A read-only listing used to get the message-list line "Output failed - ...
// could not be written completely" instead of the box naming the file.
TEST_F(TessalyDialogTest, OutputToAFileThatCannotBeOpenedShowsTheBoxAndKeepsTheFile) {
    ModalAnswerer answerer;
    importTable(table);
    const std::string locked = folder.file("locked.txt");
    testkit::writeFile(locked, "keep");
    ReadOnlyFile guard(locked);
    answerer.thenTypePath(locked);
    answerer.thenPress(IDYES);  // the overwrite question
    press(IDC_TESSALY_OUTPUT);
    ASSERT_FALSE(answerer.seen().empty());
    EXPECT_EQ("Cannot open SaveFile = <" + locked + ">", answerer.seen().back().text);
    EXPECT_EQ("Tessaly Helper", answerer.seen().back().title);
    EXPECT_EQ("exclamation", answerer.seen().back().icon);
    EXPECT_EQ((Lines{tessalytext::IMPORTED}), messages()) << "no line for a listing that was not written";
    EXPECT_EQ("keep", testkit::readFile(locked));
}

TEST_F(TessalyDialogTest, BrowseAndDropTakeCsfFilesAndRefuseOthers) {
    const std::string text = folder.file("notes.txt");
    testkit::writeFile(text, "plain text");
    ModalAnswerer answerer;

    dropFiles(dialog, {text, table});
    pump();
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ(tessalytext::IMPROPER_TYPE, answerer.seen()[0].text);
    EXPECT_EQ(tessalytext::ERROR_TITLE, answerer.seen()[0].title);
    EXPECT_EQ("exclamation", answerer.seen()[0].icon);
    EXPECT_EQ(text, pathText()) << "the first dropped name stays in the path field";

    dropFiles(dialog, {folder.path()});
    pump();
    EXPECT_EQ(2u, answerer.seen().size()) << "a folder is refused";

    dropFiles(dialog, {table});
    pump();
    EXPECT_EQ(2u, answerer.seen().size()) << "a CSF file is taken without a box";
    EXPECT_EQ(table, pathText());

    answerer.thenTypePath(text);
    press(IDC_TESSALY_BROWSE);
    ASSERT_EQ(4u, answerer.seen().size()) << "the open dialog, then the box";
    EXPECT_EQ(tessalytext::IMPROPER_TYPE, answerer.seen()[3].text);
    EXPECT_EQ(text, pathText());

    answerer.thenTypePath(table);
    press(IDC_TESSALY_BROWSE);
    EXPECT_EQ(5u, answerer.seen().size());
    EXPECT_EQ(table, pathText());

    answerer.thenCancel();
    press(IDC_TESSALY_BROWSE);
    EXPECT_EQ(table, pathText()) << "a cancelled Browse leaves the field";
}

TEST_F(TessalyDialogTest, ClearupEmptiesTheDialogAndForgetsTheTable) {
    importTable(table);
    press(IDC_TESSALY_MARKER);
    press(IDC_TESSALY_CLEARUP);
    EXPECT_EQ(0, rows());
    EXPECT_EQ("", pathText());
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(tessalytext::MARKER, markerCaption());
    EXPECT_EQ(0, progressPosition(GetDlgItem(dialog, IDC_TESSALY_PROGRESS)));
    EXPECT_EQ(0, application->csfArchive().recordCount());

    ModalAnswerer answerer;
    press(IDC_TESSALY_OUTPUT);
    press(IDC_TESSALY_MARKER);
    setPath(table);
    press(IDC_TESSALY_EXPORT);
    ASSERT_EQ(1u, answerer.seen().size()) << "only the Export Error box: the table is forgotten";
    EXPECT_EQ(tessalytext::EXPORT_ERROR, answerer.seen()[0].text);
}

TEST_F(TessalyDialogTest, ExitEndsTheDialog) {
    // Sent, not posted: the pump would take the quit message away.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_TESSALY_EXIT, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(dialog));
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0, static_cast<int>(msg.wParam));
}

TEST_F(TessalyDialogTest, ClosingTheWindowDuringALongImportStopsItAndCloses) {
    // Many read blocks and label blocks, so the close usually comes while
    // the table is still being read; whenever it comes, the table is loaded
    // whole or not at all, and the window goes.
    constexpr int LABELS = 100000;
    const std::string large = folder.file("large.csf");
    testkit::writeFile(large, csfBenchTable(LABELS));
    setPath(large);
    CloseWhenCounted closer(application->workProgress().done, dialog);
    ASSERT_TRUE(closer.started());
    press(IDC_TESSALY_IMPORT);
    EXPECT_GT(closer.doneAtClose(), 0u);
    pump(200);
    EXPECT_FALSE(IsWindow(dialog));
    dialog = nullptr;
    const int loaded = application->csfArchive().recordCount();
    EXPECT_TRUE(loaded == 0 || loaded == LABELS) << loaded << " labels after the close";
}

TEST_F(TessalyDialogTest, EditsStayPendingAndMarkedUntilSaveWritesThemOverTheTable) {
    importTable(table);
    ModalAnswerer answerer;

    // F4: the whole text in Unicode, line breaks included; the name cannot change.
    selectRow(0);
    BoxSeen shown;
    answerer.then(fillBox(nullptr, L"Line one\r\nline two \x03A9\x6F22", &shown));
    key(VK_F4);
    EXPECT_EQ("GUI:One", shown.name);
    EXPECT_EQ(L"First text", shown.text);
    EXPECT_TRUE(shown.nameReadOnly);
    answerer.then(fillBox("GUI:Four", L"Fourth"));
    key(VK_INSERT);
    selectRow(2);
    answerer.then(fillBox("GUI:Drei", nullptr));
    key(VK_F2);
    // A name already present is refused and changes nothing.
    selectRow(0);
    answerer.then(fillBox("GUI:Two", nullptr));
    press(IDM_TESSALY_RENAME);
    EXPECT_EQ((Lines{"Edit refused - another label already has that name ....", "GUI:Two"}), messages());
    // Del without a checked row takes the selected one.
    selectRow(1);
    key(VK_DELETE);
    EXPECT_EQ((Lines{"* GUI:One", "> GUI:Drei", "+ GUI:Four"}), column(1));
    EXPECT_EQ(u"\"Line one\nline two \u03A9\u6F22\"", listViewWideCell(list(), 0, 2)) << "the list shows the text itself";
    EXPECT_EQ(u"\"Fourth\"", listViewWideCell(list(), 2, 2));
    EXPECT_EQ((Lines{"Labels deleted: 1 - not saved yet ...."}), messages());
    EXPECT_EQ(tessalytext::UNSAVED_TITLE, windowText(dialog));
    EXPECT_EQ(csfTableBytes(THREE_LABELS), testkit::readFile(table)) << "nothing is written before Save";
    press(IDC_TESSALY_EXPORT);
    EXPECT_EQ((Lines{tessalytext::EXPORT_PENDING}), messages());

    press(IDC_TESSALY_SAVE);
    EXPECT_EQ((Lines{tessalytext::TABLE_SAVED, table, "3 labels"}), messages());
    EXPECT_EQ(tessalytext::PROGRAM_TITLE, windowText(dialog));
    EXPECT_EQ((Lines{"GUI:One", "GUI:Drei", "GUI:Four"}), column(1)) << "imported again";
    const std::vector<std::pair<std::string, std::u16string>> expected = {
        {"GUI:One", u"Line one\nline two \u03A9\u6F22"}, {"GUI:Drei", u"Third text"}, {"GUI:Four", u"Fourth"}};
    EXPECT_EQ(expected, readBack(table));
}

TEST_F(TessalyDialogTest, UnsavedChangesAreAskedForBeforeAnotherImportAndBeforeTheWindowCloses) {
    importTable(table);
    selectRow(1);
    key(VK_DELETE);
    ModalAnswerer answerer;

    // No: the changes are dropped and the table imported as it is.
    answerer.thenPress(IDNO);
    importTable(table);
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ(tessalytext::ASK_SAVE, answerer.seen()[0].text);
    EXPECT_EQ("question", answerer.seen()[0].icon);
    EXPECT_EQ((Lines{"GUI:One", "GUI:Two", "GUI:Three"}), column(1));
    EXPECT_EQ(tessalytext::PROGRAM_TITLE, windowText(dialog));

    // On closing: Cancel keeps the window, Yes saves, then it closes.
    selectRow(0);
    key(VK_DELETE);
    answerer.thenPress(IDCANCEL);
    closeBox(dialog);
    pump();
    ASSERT_TRUE(IsWindow(dialog));
    EXPECT_EQ(csfTableBytes(THREE_LABELS), testkit::readFile(table));
    answerer.thenPress(IDYES);
    press(IDC_TESSALY_EXIT);
    EXPECT_FALSE(IsWindow(dialog));
    dialog = nullptr;
    EXPECT_EQ(csfTableBytes({csfLabel("GUI:Two", ""), csfLabel("GUI:Three", "Third text")}), testkit::readFile(table));
}

// Every text used to show as the low bytes of its characters (Greek as
// "\x9A\xB1\xBB..."): the list now gives the UTF-16 text itself.
TEST_F(TessalyDialogTest, TextsInOtherScriptsUsedToShowAsTheirLowBytes) {
    const std::string file = folder.file("scripts.csf");
    testkit::writeFile(file, scriptsTable());
    importTable(file);
    ASSERT_EQ(4, rows());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(SCRIPTS[static_cast<std::size_t>(i)].first, listViewCell(list(), i, 1));
        EXPECT_EQ(u"\"" + SCRIPTS[static_cast<std::size_t>(i)].second + u"\"", listViewWideCell(list(), i, 2)) << i;
    }
}

TEST_F(TessalyDialogTest, FindNarrowsByNameOrTextLetterCaseAsideAndMarksLandOnTheRealRows) {
    const std::string file = folder.file("scripts.csf");
    testkit::writeFile(file, scriptsTable());
    importTable(file);
    // Ctrl+F on the list goes to the find field.
    BYTE keys[256] = {0};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SetFocus(list());
    key('F');
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(application->panel().findField(), GetFocus()) << "the focus was on the list";

    find(u"lang:p");  // a name, in other letter case
    EXPECT_EQ((Lines{"LANG:Party"}), column(1));
    // Marker while narrowed checks the shown rows only.
    find(u"\u039A\u0391\u039B\u0397");  // capital Greek: the start of the Greek text
    EXPECT_EQ((Lines{"LANG:Greek"}), column(1));
    press(IDC_TESSALY_MARKER);
    // A click on the one shown row checks the real row behind it.
    find(u"\u041F\u0420\u0418\u0412\u0415\u0422");  // capital Cyrillic: the Russian text
    ASSERT_EQ((Lines{"LANG:Russian"}), column(1));
    clickRow(list(), 0, false);
    EXPECT_EQ((std::vector<bool>{true}), checks());
    find(u"\u4E16\u754C");  // Chinese, with no case at all
    EXPECT_EQ((Lines{"LANG:Chinese"}), column(1));
    find(u"text nowhere");
    EXPECT_EQ(0, rows());

    escape();
    EXPECT_EQ(0, GetWindowTextLengthW(application->panel().findField())) << "Esc empties the field";
    ASSERT_EQ(4, rows());
    EXPECT_EQ((std::vector<bool>{true, true, false, false}), checks());
    ModalAnswerer answerer;
    const std::string part = folder.file("part.csf");
    answerer.thenTypePath(part);
    press(IDC_TESSALY_EXPORT);
    EXPECT_EQ(scriptsTable(2, 4), testkit::readFile(part)) << "the two checked labels are left out";
}
