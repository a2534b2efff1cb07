// The owner-data list view and list box as other code reads them: the same
// messages a list with stored items answers, also from another thread and in
// Unicode; and long work that keeps the dialog answering, shows its progress
// and is stopped by a close.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "DialogHarness.h"
#include "OwnerDataList.h"
#include "OwnerDataListBox.h"
#include "TabControl.h"
#include "TestApplication.h"
#include "testkit/TestKit.h"

using namespace dialogtest;

namespace {

const dialogs::ControlLayout TAB = {11006, 11, 11, 683, 444};
const dialogs::ControlLayout LIST = {11010, 16, 62, 572, 225};
const dialogs::ControlLayout LINES = {11014, 16, 62, 530, 190};
constexpr int ROWS = 1000;

// Runs the reader on a thread of its own while this thread answers the
// messages it sends, as a window's thread does.
void readFromAnotherThread(const std::function<void()>& reader) {
    struct Call {
        static DWORD WINAPI run(LPVOID job) {
            (*static_cast<const std::function<void()>*>(job))();
            return 0;
        }
    };
    HANDLE thread = CreateThread(nullptr, 0, Call::run, const_cast<std::function<void()>*>(&reader), 0, nullptr);
    ASSERT_NE(nullptr, thread);
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) pump();
    CloseHandle(thread);
}

// A dialog holding a list of a check column, Name and Text (wideColumn:
// the column of UTF-16 texts, -1 for none) that answers its requests.
bool startListDialog(TestApplication& application, dialogs::OwnerDataList& list, int wideColumn) {
    application.onInit = [&list, wideColumn](HWND dialog) {
        ASSERT_EQ(1, list.create(dialog, LIST, LVS_SINGLESEL));
        list.addColumn("**", 30);
        list.addColumn("Name", 200);
        list.addColumn("Text", 200);
        list.setWideColumn(wideColumn);
        list.show();
    };
    application.onNotify = [&](const NMHDR* header) { return list.answerNotification(application.mainWindow(), header); };
    return startTestDialog(application);
}

UINT stateImage(HWND list, int row) {
    return static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
}

}  // namespace

TEST(OwnerDataList, OnATabItAnswersTextsChecksAndSelectionToAnotherThread) {
    TestApplication application;
    dialogs::TabControl tab;
    dialogs::OwnerDataList list;
    application.onInit = [&](HWND dialog) {
        ASSERT_EQ(1, tab.create(dialog, TAB));
        // Windows leaves the list's notifications with the tab control.
        tab.forwardNotifications(dialog);
        ASSERT_EQ(1, list.create(tab.handle(), LIST, WS_DLGFRAME | LVS_SINGLESEL));
        list.addColumnWithFormat("**", 30, 0x0800);
        list.addColumn("Name", 200);
        list.addColumn("Size", 80);
        list.setExtendedStyles();
        list.addExtendedStyle(LVS_EX_CHECKBOXES);
        list.show();
    };
    application.onNotify = [&](const NMHDR* header) { return list.answerNotification(application.mainWindow(), header); };
    ASSERT_TRUE(startTestDialog(application));
    char name[32];
    for (int i = 0; i < ROWS; ++i) {
        std::snprintf(name, sizeof name, "folder\\entry%04d.ini", i);
        list.addRow("");
        list.setNextCell(name);
        list.setNextCell(std::to_string(i * 7).c_str());
        EXPECT_EQ(dialogs::OwnerDataList::CellResult::NO_COLUMN, list.setNextCell("past the last column")) << "changes nothing";
    }
    list.showRows();
    list.setCheckedRange(10, 5, true);
    list.setCheckedRange(ROWS - 2, 10, true);  // cut at the last row
    list.setChecked(3, true);
    list.setChecked(3, false);
    pump();

    HWND window = list.handle();
    int count = 0, firstSelected = 0, firstRow = 0;
    std::string first, last, size, outside;
    std::wstring wide;
    UINT checks[6] = {0};
    readFromAnotherThread([&] {
        count = static_cast<int>(SendMessageA(window, LVM_GETITEMCOUNT, 0, 0));
        first = listViewCell(window, 0, 1);
        last = listViewCell(window, ROWS - 1, 1);
        size = listViewCell(window, 500, 2);
        outside = listViewCell(window, 0, 0);
        wchar_t buffer[64] = {0};
        LVITEMW item{};
        item.iSubItem = 1;
        item.pszText = buffer;
        item.cchTextMax = 64;
        SendMessageW(window, LVM_GETITEMTEXTW, 7, reinterpret_cast<LPARAM>(&item));
        wide = buffer;
        const int rows[6] = {3, 9, 10, 14, 15, ROWS - 1};
        for (int i = 0; i < 6; ++i) checks[i] = stateImage(window, rows[i]);
        firstRow = static_cast<int>(SendMessageA(window, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_ALL));
        LVITEMA select{};
        select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        select.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(window, LVM_SETITEMSTATE, 42, reinterpret_cast<LPARAM>(&select));
        firstSelected = static_cast<int>(SendMessageA(window, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    });
    EXPECT_EQ(ROWS, count);
    EXPECT_EQ("folder\\entry0000.ini", first);
    EXPECT_EQ("folder\\entry0999.ini", last);
    EXPECT_EQ("3500", size);
    EXPECT_EQ("", outside) << "the check box column is empty";
    EXPECT_EQ(L"folder\\entry0007.ini", wide);
    const UINT off = INDEXTOSTATEIMAGEMASK(1), on = INDEXTOSTATEIMAGEMASK(2);
    EXPECT_EQ(off, checks[0]);
    EXPECT_EQ(off, checks[1]);
    EXPECT_EQ(on, checks[2]);
    EXPECT_EQ(on, checks[3]);
    EXPECT_EQ(off, checks[4]);
    EXPECT_EQ(on, checks[5]);
    EXPECT_EQ(0, firstRow);
    EXPECT_EQ(42, firstSelected);
    SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(window, WM_KEYUP, VK_SPACE, 0);
    pump();
    EXPECT_TRUE(list.isChecked(42)) << "the space bar toggles the focused row once";
    EXPECT_EQ(INDEXTOSTATEIMAGEMASK(2), stateImage(window, 42));

    EXPECT_EQ(1, list.deleteAllRows());
    EXPECT_EQ(0, listViewRows(window));
    EXPECT_STREQ("", list.cell(0, 1));
    EXPECT_FALSE(list.isChecked(10));
}

TEST(OwnerDataList, RowsGivenInBulkReadAsRowsAddedOneByOne) {
    TestApplication application;
    dialogs::OwnerDataList list;
    ASSERT_TRUE(startListDialog(application, list, -1));
    list.addRow("");
    list.setNextCell("one by one");
    list.setChecked(0, true);
    const char names[] = "entry0entry1entry2";
    EXPECT_EQ(1, list.addRows(3, [&](int i, dialogs::OwnerDataList::RowWriter& row) {
        row.cell("");
        if (i == 2) return;  // the rest of the row stays empty
        row.cell(names + 6 * i, 6);
        row.cell(i == 0 ? "\"\"" : "\"text\"");
        row.cell("past the last column");
    }));
    list.addRow("");
    list.setNextCell("after");
    list.showRows();

    HWND window = list.handle();
    int count = 0;
    std::string cells[5][2];
    UINT checks[5] = {0};
    readFromAnotherThread([&] {
        count = listViewRows(window);
        for (int r = 0; r < 5; ++r) {
            for (int c = 0; c < 2; ++c) cells[r][c] = listViewCell(window, r, c + 1);
            checks[r] = stateImage(window, r);
        }
    });
    EXPECT_EQ(5, count);
    const std::string expected[5][2] = {
        {"one by one", ""}, {"entry0", "\"\""}, {"entry1", "\"text\""}, {"", ""}, {"after", ""}};
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(expected[r][0], cells[r][0]) << "row " << r;
        EXPECT_EQ(expected[r][1], cells[r][1]) << "row " << r;
        EXPECT_EQ(r == 0 ? INDEXTOSTATEIMAGEMASK(2) : INDEXTOSTATEIMAGEMASK(1), checks[r]) << "row " << r;
    }
}

TEST(OwnerDataList, RowsFromASourceAreReadWhenAskedForAndCopiedInBeforeTheirOwnerChangesThem) {
    TestApplication application;
    dialogs::OwnerDataList list;
    ASSERT_TRUE(startListDialog(application, list, 2));
    std::vector<std::string> names = {"alpha", "beta", "gamma", "delta"};
    std::vector<std::u16string> texts = {u"\u043e\u0434\u0438\u043d", u"two", u"\u0442\u0440\u0438", u"four"};
    int asked = 0;
    const auto source = [&](int i, dialogs::OwnerDataList::RowWriter& row) {
        ++asked;
        row.cell("");
        row.cell(names[static_cast<std::size_t>(i)].c_str());
        row.wideCell(texts[static_cast<std::size_t>(i)].data(), texts[static_cast<std::size_t>(i)].size());
    };
    list.replaceRowsBySource(4, source);
    list.showRows();
    EXPECT_EQ(4, list.rowCount());
    std::string read[2];
    HWND window = list.handle();
    readFromAnotherThread([&] {
        read[0] = listViewCell(window, 3, 1);
        read[1] = listViewCell(window, 1, 2);
    });
    EXPECT_EQ("delta", read[0]);
    EXPECT_EQ("two", read[1]);
    EXPECT_STREQ("gamma", list.cell(2, 1));
    EXPECT_EQ(texts[2], std::u16string(list.wideCellText(2)));
    EXPECT_STREQ("", list.cell(4, 1));

    // A find reads every row from the source, letters of any case.
    list.setChecked(1, true);
    list.setFind(u"\u0422\u0420\u0418", 1u << 2);
    ASSERT_EQ(1, list.shownCount());
    EXPECT_EQ(2, list.realRow(0));
    list.setFind(u"", 1u << 2);

    // Rows added afterwards copy the source's rows in first, check marks
    // and all: the owner may then change what the source read.
    EXPECT_EQ(4, list.addRows(1, [](int, dialogs::OwnerDataList::RowWriter& row) {
        row.cell("");
        row.cell("added");
    }));
    names.assign(4, "changed");
    texts.assign(4, u"changed");
    const int askedBefore = asked;
    EXPECT_STREQ("beta", list.cell(1, 1));
    EXPECT_EQ(u"\u043e\u0434\u0438\u043d", std::u16string(list.wideCellText(0)));
    EXPECT_STREQ("added", list.cell(4, 1));
    EXPECT_TRUE(list.isChecked(1));
    EXPECT_FALSE(list.isChecked(2));
    EXPECT_EQ(askedBefore, asked);

    // Replaced or deleted rows never ask their source again.
    list.replaceRowsBySource(2, source);
    EXPECT_STREQ("changed", list.cell(1, 1));
    list.deleteAllRows();
    names.clear();
    texts.clear();
    EXPECT_EQ(0, list.rowCount());
    EXPECT_STREQ("", list.cell(0, 1));
    EXPECT_EQ(u"", std::u16string(list.wideCellText(0)));
}

TEST(OwnerDataListBox, ReadersGetEveryLineWithoutTheListBoxStoringThem) {
    TestApplication application;
    dialogs::OwnerDataListBox lines;
    application.onInit = [&](HWND dialog) {
        ASSERT_EQ(1, lines.create(dialog, LINES, WS_DLGFRAME | WS_HSCROLL | LBS_DISABLENOSCROLL | LBS_EXTENDEDSEL));
    };
    ASSERT_TRUE(startTestDialog(application));
    const std::string longLine(700, 'x');
    for (int i = 0; i < ROWS; ++i) lines.addLine(i == 500 ? longLine.c_str() : ("C:\\tree\\file" + std::to_string(i)).c_str());
    lines.showLines();
    EXPECT_GT(lines.widestLine(), 700) << "the long line is the widest";

    HWND window = lines.handle();
    int count = 0, length = 0, outside = 0;
    std::string first, longest;
    std::wstring wide;
    readFromAnotherThread([&] {
        count = static_cast<int>(SendMessageA(window, LB_GETCOUNT, 0, 0));
        char buffer[800] = {0};
        SendMessageA(window, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer));
        first = buffer;
        length = static_cast<int>(SendMessageA(window, LB_GETTEXTLEN, 500, 0));
        SendMessageA(window, LB_GETTEXT, 500, reinterpret_cast<LPARAM>(buffer));
        longest = buffer;
        wchar_t wideBuffer[64] = {0};
        SendMessageW(window, LB_GETTEXT, ROWS - 1, reinterpret_cast<LPARAM>(wideBuffer));
        wide = wideBuffer;
        outside = static_cast<int>(SendMessageA(window, LB_GETTEXTLEN, ROWS, 0));
    });
    EXPECT_EQ(ROWS, count);
    EXPECT_EQ("C:\\tree\\file0", first);
    EXPECT_EQ(700, length);
    EXPECT_EQ(longLine, longest);
    EXPECT_EQ(L"C:\\tree\\file999", wide);
    EXPECT_EQ(LB_ERR, outside);

    lines.clearAll();
    EXPECT_EQ(0, static_cast<int>(SendMessageA(window, LB_GETCOUNT, 0, 0)));
    EXPECT_STREQ("", lines.line(0));
}

TEST(BackgroundWork, TheDialogAnswersMeanwhileRefusesCommandsAndClosesOnlyAfterTheWork) {
    testkit::TempDir folder;
    TestApplication application;
    ASSERT_TRUE(startTestDialog(application));
    HWND dialog = application.mainWindow();
    const std::string target = folder.file("whole.txt");
    bool aliveAfterClose = false;
    DWORD workThread = 0;
    application.runInBackground([&] {
        workThread = GetCurrentThreadId();
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(EXIT_COMMAND, BN_CLICKED), 0);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        // Each answered message means the window's thread took the next posted one.
        for (int i = 0; i < 3; ++i) SendMessageA(dialog, WM_NULL, 0, 0);
        aliveAfterClose = IsWindow(dialog) != FALSE;
        testkit::writeFile(target, std::string(100000, 'z'));
    });
    EXPECT_NE(GetCurrentThreadId(), workThread);
    EXPECT_TRUE(aliveAfterClose) << "a close waits for the work";
    EXPECT_TRUE(application.commands.empty()) << "commands are refused while the work runs";
    EXPECT_EQ(std::string(100000, 'z'), testkit::readFile(target));
    EXPECT_TRUE(IsWindow(dialog)) << "the command that started the work reports first";
    pump();
    EXPECT_FALSE(IsWindow(dialog)) << "then the deferred close comes";

    TestApplication again;
    ASSERT_TRUE(startTestDialog(again));
    EXPECT_THROW(again.runInBackground([] { throw std::runtime_error("failed"); }), std::runtime_error);
    EXPECT_FALSE(again.busy());
    again.runInBackground([] {});
    pump();
    EXPECT_TRUE(IsWindow(again.mainWindow())) << "no close was asked for";
}

TEST(BackgroundWork, TheBarFollowsTheCountedFractionAndACloseStopsTheWork) {
    TestApplication application;
    ASSERT_TRUE(startTestDialog(application));
    HWND dialog = application.mainWindow();
    HWND bar = GetDlgItem(dialog, IDC_TEST_PROGRESS);
    int shownAtFour = -1;
    bool stopped = false;
    std::uint64_t doneAtStop = 0;
    application.runInBackground([&] {
        WorkProgress& progress = application.workProgress();
        progress.begin(10);
        progress.advance(4);
        // The window's thread sets the bar between its messages.
        for (int wait = 0; wait < 500 && shownAtFour != 40; ++wait) {
            Sleep(10);
            shownAtFour = progressPosition(bar);
        }
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        for (int wait = 0; wait < 500 && !progress.stopped(); ++wait) Sleep(10);
        stopped = progress.stopped();
        doneAtStop = progress.done;
    });
    EXPECT_EQ(40, shownAtFour);
    EXPECT_TRUE(stopped) << "a close asks the work to stop";
    EXPECT_EQ(4u, doneAtStop);
    EXPECT_TRUE(IsWindow(dialog));
    pump();
    EXPECT_FALSE(IsWindow(dialog));

    TestApplication again;
    ASSERT_TRUE(startTestDialog(again));
    again.workProgress().stop = true;  // left from a run that was stopped
    bool stopAtStart = true;
    again.runInBackground([&] { stopAtStart = again.workProgress().stopped(); });
    EXPECT_FALSE(stopAtStart) << "each run begins without a stop";
}
