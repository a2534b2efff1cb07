// The control wrappers on a real dialog: classes, styles and creation
// variants, layout and fonts, and each wrapper's operations and bounds.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <utility>

#include "BitmapButton.h"
#include "ComboBoxControl.h"
#include "DialogHarness.h"
#include "IconButton.h"
#include "LineEdit.h"
#include "ListBoxControl.h"
#include "ListViewControl.h"
#include "MultiLineEdit.h"
#include "OwnedHandle.h"
#include "PushButton.h"
#include "TabControl.h"
#include "TestApplication.h"

using namespace dialogtest;
using dialogs::ControlLayout;

namespace {

// A shown test dialog for the controls; closed at the end of the test.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(startTestDialog(application));
        dialog = application.mainWindow();
    }
    void TearDown() override { pump(); }

    DWORD styleOf(HWND w) { return static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)); }
    DWORD exStyleOf(HWND w) { return static_cast<DWORD>(GetWindowLongA(w, GWL_EXSTYLE)); }
    RECT rectInDialog(HWND w) {
        RECT r{};
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    TestApplication application;
    HWND dialog = nullptr;
};

}  // namespace

TEST_F(ControlTest, ClassesStylesAndCreationVariants) {
    dialogs::PushButton plain, edged;
    dialogs::IconButton icon;
    dialogs::BitmapButton bitmap;
    dialogs::LineEdit line, dropping;
    dialogs::MultiLineEdit multi;
    dialogs::ComboBoxControl combo;
    dialogs::ListBoxControl listBox;
    dialogs::TabControl tab;
    dialogs::ListViewControl listView;

    ASSERT_EQ(1, plain.create(dialog, {101, 5, 5, 70, 24}));
    ASSERT_EQ(1, edged.create(dialog, {102, 5, 35, 70, 24}, BS_MULTILINE));
    ASSERT_EQ(1, icon.create(dialog, {103, 80, 5, 40, 40}));
    ASSERT_EQ(1, bitmap.create(dialog, {104, 80, 50, 40, 40}));
    ASSERT_EQ(1, line.create(dialog, {105, 130, 5, 200, 20}));
    ASSERT_EQ(1, dropping.create(dialog, {106, 130, 30, 200, 20}, WS_BORDER | ES_AUTOHSCROLL));
    ASSERT_EQ(1, multi.create(dialog, {107, 130, 55, 200, 60}));
    ASSERT_EQ(1, combo.create(dialog, {108, 340, 5, 150, 100}));
    ASSERT_EQ(1, listBox.create(dialog, {109, 340, 40, 150, 80}));
    ASSERT_EQ(1, tab.create(dialog, {110, 5, 130, 300, 150}, TCS_FOCUSNEVER));
    ASSERT_EQ(1, listView.create(dialog, {111, 320, 130, 250, 150}, LVS_SINGLESEL));

    EXPECT_EQ("Button", className(plain.handle()));
    EXPECT_EQ("Edit", className(line.handle()));
    EXPECT_EQ("ComboBox", className(combo.handle()));
    EXPECT_EQ("ListBox", className(listBox.handle()));
    EXPECT_EQ("SysTabControl32", className(tab.handle()));
    EXPECT_EQ("SysListView32", className(listView.handle()));

    EXPECT_EQ(0x50000000u, styleOf(plain.handle()) & 0xFFFF00FFu);
    EXPECT_EQ(0u, exStyleOf(plain.handle()) & WS_EX_CLIENTEDGE);
    EXPECT_NE(0u, exStyleOf(edged.handle()) & WS_EX_CLIENTEDGE) << "extra style brings the client edge";
    EXPECT_NE(0u, styleOf(edged.handle()) & BS_MULTILINE);
    EXPECT_EQ(static_cast<DWORD>(BS_ICON), styleOf(icon.handle()) & BS_ICON);
    EXPECT_EQ(static_cast<DWORD>(BS_BITMAP), styleOf(bitmap.handle()) & BS_BITMAP);
    EXPECT_EQ(0u, exStyleOf(line.handle()) & WS_EX_ACCEPTFILES);
    EXPECT_NE(0u, exStyleOf(dropping.handle()) & WS_EX_ACCEPTFILES) << "extra style lets the field take drops";
    EXPECT_NE(0u, styleOf(line.handle()) & WS_TABSTOP);
    EXPECT_NE(0u, styleOf(multi.handle()) & ES_MULTILINE);
    EXPECT_NE(0u, styleOf(multi.handle()) & ES_WANTRETURN);
    EXPECT_NE(0u, styleOf(listBox.handle()) & LBS_NOTIFY);
    EXPECT_NE(0u, styleOf(tab.handle()) & TCS_FOCUSNEVER);
    EXPECT_NE(0u, styleOf(tab.handle()) & WS_CLIPSIBLINGS);
    EXPECT_EQ(static_cast<DWORD>(LVS_REPORT), styleOf(listView.handle()) & LVS_TYPEMASK);
    EXPECT_FALSE(IsWindowVisible(listView.handle())) << "a list view stays hidden until shown";
    listView.show();
    EXPECT_TRUE(IsWindowVisible(listView.handle()));

    // Every control takes the dialog's font and knows its id.
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(nullptr, dialogFont);
    EXPECT_EQ(reinterpret_cast<LRESULT>(dialogFont), SendMessageA(listBox.handle(), WM_GETFONT, 0, 0));
    EXPECT_EQ(listBox.handle(), GetDlgItem(dialog, 109));
    EXPECT_EQ(listBox.handle(), plain.item(109));
    EXPECT_EQ(GetModuleHandleA(nullptr), plain.parentInstance());
}

TEST_F(ControlTest, IsControlTakesOnlySixteenBitIds) {
    dialogs::PushButton button;
    ASSERT_EQ(1, button.create(dialog, {11014, 5, 5, 70, 24}));
    EXPECT_TRUE(button.isControl(11014));
    EXPECT_FALSE(button.isControl(11016));
    EXPECT_FALSE(button.isControl(0x10000u + 11014)) << "the low word matches, but the id is not 16-bit";
    EXPECT_FALSE(button.isControl(0xFFFF0000u | 11014));
}

TEST_F(ControlTest, FailedCreationLeavesNoWindowButKeepsTheLayout) {
    dialogs::PushButton orphan;
    // A child window needs a parent.
    EXPECT_EQ(0, orphan.create(nullptr, {120, 1, 2, 3, 4}));
    EXPECT_EQ(nullptr, orphan.handle());
    int x, y, w, h;
    orphan.currentRect(x, y, w, h);
    EXPECT_EQ(1, x);
    EXPECT_EQ(4, h);
    EXPECT_EQ(nullptr, orphan.item(120)) << "no parent, no item";
    orphan.setText("nothing");  // sent to no window: no effect, no crash
}

TEST_F(ControlTest, MovesNeverShrinkBelowTheLayoutWhenAskedTo) {
    dialogs::PushButton button;
    ASSERT_EQ(1, button.create(dialog, {130, 10, 10, 80, 30}));
    button.moveToAtLeast(20, 25, 40, 10);
    RECT r = rectInDialog(button.handle());
    EXPECT_EQ(20, r.left);
    EXPECT_EQ(25, r.top);
    EXPECT_EQ(80, r.right - r.left) << "smaller width than the layout keeps the layout's";
    EXPECT_EQ(30, r.bottom - r.top);
    button.moveToAtLeast(5, 6, 120, 45);
    r = rectInDialog(button.handle());
    EXPECT_EQ(120, r.right - r.left);
    EXPECT_EQ(45, r.bottom - r.top);
    int x, y, w, h;
    button.currentRect(x, y, w, h);
    EXPECT_EQ(5, x);
    EXPECT_EQ(120, w);
    button.moveTo(1, 2, 10, 11);
    r = rectInDialog(button.handle());
    EXPECT_EQ(10, r.right - r.left) << "a plain move may shrink";
    button.restoreLayout();
    r = rectInDialog(button.handle());
    EXPECT_EQ(10, r.left);
    EXPECT_EQ(80, r.right - r.left);
    button.layoutRect(x, y, w, h);
    EXPECT_EQ(30, h);
    button.currentRect(x, y, w, h);
    EXPECT_EQ(10, x);

    button.addStyle(BS_MULTILINE);
    EXPECT_NE(0u, styleOf(button.handle()) & BS_MULTILINE);
    button.removeStyle(BS_MULTILINE | WS_VISIBLE);
    EXPECT_EQ(0u, styleOf(button.handle()) & BS_MULTILINE);
    EXPECT_FALSE(IsWindowVisible(button.handle()));
}

TEST_F(ControlTest, SetFontKeepsThePreviousFaceForEmptyAndOverlongNames) {
    dialogs::LineEdit edit;
    ASSERT_EQ(1, edit.create(dialog, {140, 10, 10, 200, 24}));
    auto shownFont = [&]() {
        LOGFONTA font{};
        HFONT f = reinterpret_cast<HFONT>(SendMessageA(edit.handle(), WM_GETFONT, 0, 0));
        GetObjectA(f, sizeof font, &font);
        return font;
    };
    edit.setFont("Tahoma", -20, 700);
    LOGFONTA f = shownFont();
    EXPECT_STREQ("Tahoma", f.lfFaceName);
    EXPECT_EQ(-20, f.lfHeight);
    EXPECT_EQ(700, f.lfWeight);
    EXPECT_EQ(DEFAULT_CHARSET, f.lfCharSet);
    EXPECT_EQ(VARIABLE_PITCH | FF_SWISS, f.lfPitchAndFamily);

    edit.setFont("", -12, 0);
    f = shownFont();
    EXPECT_STREQ("Tahoma", f.lfFaceName) << "an empty face keeps the previous one";
    EXPECT_EQ(-12, f.lfHeight) << "but height and weight still apply";
    EXPECT_EQ(FW_NORMAL, f.lfWeight) << "weight 0 means normal";

    const std::string face32(32, 'A');
    edit.setFont(face32.c_str(), -14, 600);
    f = shownFont();
    EXPECT_STREQ("Tahoma", f.lfFaceName) << "32 characters do not fit";
    EXPECT_EQ(-14, f.lfHeight);
    EXPECT_EQ(600, f.lfWeight);

    const std::string face31(31, 'B');
    edit.setFont(face31.c_str(), -14, 0);
    EXPECT_EQ(face31, std::string(edit.fontDescription().lfFaceName));

    edit.setFontHandle(nullptr);  // a null font changes nothing
    EXPECT_EQ(face31, std::string(shownFont().lfFaceName));
    edit.setBackgroundColour(RGB(10, 20, 30));
    edit.setBackgroundColour(RGB(40, 50, 60));  // the first brush is released, the second kept
}

TEST_F(ControlTest, ListBoxFindsByPrefixAndKeepsData) {
    dialogs::ListBoxControl list;
    ASSERT_EQ(1, list.create(dialog, {150, 10, 10, 200, 120}));
    EXPECT_TRUE(list.isMissing("any")) << "an empty list has nothing";
    EXPECT_EQ(0, list.addText("Gamma line"));
    EXPECT_EQ(1, list.addTextWithData("Delta line", 4242));
    EXPECT_EQ(1, list.lastAdded);
    EXPECT_EQ(4242, SendMessageA(list.handle(), LB_GETITEMDATA, 1, 0));
    list.insertText("Alpha line", 0);
    EXPECT_EQ((std::vector<std::string>{"Alpha line", "Gamma line", "Delta line"}), listBoxLines(list.handle()));

    EXPECT_TRUE(list.isMissing("line")) << "no entry begins with it, although all contain it";
    EXPECT_EQ(LB_ERR, list.lastFound);
    EXPECT_FALSE(list.isMissing("delta"));
    EXPECT_EQ(2, list.lastFound);

    char buffer[64] = {0};
    list.textAt(1, buffer);
    EXPECT_STREQ("Gamma line", buffer);
    list.deleteText(1);
    EXPECT_EQ(2, list.count());
    SendMessageA(list.handle(), LB_SETCURSEL, 1, 0);
    EXPECT_EQ(1, list.selectionOnChange(LBN_SELCHANGE));
    EXPECT_EQ(-1, list.selectionOnChange(LBN_DBLCLK));
    list.setScrollWidth(720);
    EXPECT_EQ(720, SendMessageA(list.handle(), LB_GETHORIZONTALEXTENT, 0, 0));
    list.clearAll();
    EXPECT_TRUE(listBoxLines(list.handle()).empty());
}

TEST_F(ControlTest, ComboBoxFindsWholeTextsOnly) {
    dialogs::ComboBoxControl combo;
    ASSERT_EQ(1, combo.create(dialog, {160, 10, 10, 200, 120}, CBS_DROPDOWN));
    combo.addText("models");
    combo.insertText("maps", 0);
    EXPECT_TRUE(combo.isMissing("mod")) << "a prefix is not the text";
    EXPECT_FALSE(combo.isMissing("MODELS"));
    EXPECT_EQ(1, combo.lastFound);
    char buffer[32] = {0};
    combo.textAt(0, buffer);
    EXPECT_STREQ("maps", buffer);
    combo.deleteText(0);
    EXPECT_TRUE(combo.isMissing("maps"));
    SetWindowTextA(combo.handle(), "typed");
    char edited[32] = {0};
    EXPECT_EQ(5, combo.editText(edited, sizeof edited));
    EXPECT_STREQ("typed", edited);
}

TEST_F(ControlTest, ListViewFillsRowsCellByCellWithinItsColumns) {
    dialogs::ListViewControl list;
    ASSERT_EQ(1, list.create(dialog, {170, 10, 10, 500, 200}, LVS_SINGLESEL));
    list.addColumnWithFormat("**", 30, 0x0800);
    list.addColumn("Label", 200);
    list.addColumn("Text information", 200);
    EXPECT_EQ(3, list.columnCount);
    list.setExtendedStyles();
    list.addExtendedStyle(LVS_EX_CHECKBOXES);
    DWORD extended = static_cast<DWORD>(SendMessageA(list.handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(0x39u | LVS_EX_CHECKBOXES, extended & 0x3Du);
    list.show();

    EXPECT_EQ(0, list.addRow(""));
    EXPECT_EQ(1, list.nextColumn);
    EXPECT_TRUE(list.setNextCell("first label"));
    EXPECT_TRUE(list.setNextCell("first text"));
    EXPECT_EQ(3, list.nextColumn);
    // A third cell goes to column 3, which does not exist.
    EXPECT_FALSE(list.setNextCell("nowhere"));
    EXPECT_EQ(3, list.nextColumn);
    EXPECT_EQ(3, Header_GetItemCount(ListView_GetHeader(list.handle())));
    EXPECT_EQ("first label", listViewCell(list.handle(), 0, 1));
    EXPECT_EQ("first text", listViewCell(list.handle(), 0, 2));
    EXPECT_EQ("", listViewCell(list.handle(), 0, 0));

    list.addRow("");
    list.setNextCell("second label");
    EXPECT_EQ(2, list.rowCount);
    EXPECT_EQ(2, list.countItems());
    EXPECT_EQ("second label", listViewCell(list.handle(), 1, 1));
    EXPECT_EQ("first text", listViewCell(list.handle(), 0, 2)) << "the call past the columns changed nothing";

    EXPECT_EQ(1, list.setCell("edited", 1, 2));
    EXPECT_STREQ("edited", list.getCell(1, 2, 256));
    EXPECT_EQ(0, list.setCell("x", 3, 1)) << "row beyond the rows";
    EXPECT_EQ(0, list.setCell("x", 0, 4)) << "column beyond the columns";
    EXPECT_EQ(nullptr, list.getCell(5, 0, 256));
    EXPECT_EQ(nullptr, list.getCell(0, 9, 256));
    EXPECT_EQ(0, list.redrawRows(0, 7));
    EXPECT_EQ(1, list.redrawRows(0, 1));

    EXPECT_FALSE(list.isChecked(0));
    list.setChecked(1, true);
    EXPECT_TRUE(list.isChecked(1));
    EXPECT_EQ(static_cast<UINT>(INDEXTOSTATEIMAGEMASK(2)), list.lastState);
    EXPECT_TRUE(listViewChecked(list.handle(), 1));

    EXPECT_EQ(-1, list.firstSelected());
    ListView_SetItemState(list.handle(), 1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(1, list.firstSelected());

    EXPECT_EQ(0, list.deleteRow(2)) << "no row 2";
    EXPECT_EQ(2, list.rowCount);
    EXPECT_EQ(2, list.deleteRow(0));
    EXPECT_EQ(1, list.rowCount);
    EXPECT_EQ("second label", listViewCell(list.handle(), 0, 1));
    // New rows still go to the end.
    list.addRow("");
    list.setNextCell("third label");
    EXPECT_EQ("third label", listViewCell(list.handle(), 1, 1));

    EXPECT_EQ(1, list.deleteAllRows());
    EXPECT_EQ(0, list.rowCount);
    EXPECT_EQ(0, list.nextColumn);
    EXPECT_EQ(0, list.countItems());
    list.deleteColumn(2);
    EXPECT_EQ(2, list.columnCount);
}

TEST_F(ControlTest, ListViewWithoutColumnsStartsCellsAtColumnZero) {
    dialogs::ListViewControl list;
    ASSERT_EQ(1, list.create(dialog, {171, 10, 10, 300, 100}));
    list.addRow("row text");
    EXPECT_EQ(0, list.nextColumn);
}

TEST_F(ControlTest, TabControlForwardsItsListsClicksToTheDialogOnce) {
    dialogs::TabControl tab;
    ASSERT_EQ(1, tab.create(dialog, {180, 11, 11, 600, 300}, TCS_FOCUSNEVER));
    EXPECT_EQ(0, tab.addTab("First", 0));
    EXPECT_EQ(1, tab.addTab("Second", 1));
    EXPECT_EQ(2, TabCtrl_GetItemCount(tab.handle()));
    tab.selectTab(1);
    EXPECT_EQ(1, tab.selectedTab());
    // Reading a tab back after addTab (whose record points at read-only text).
    EXPECT_TRUE(tab.getTab(1));
    EXPECT_STREQ("Second", tab.tabText);
    EXPECT_EQ(0, tab.loadImages(9999, 2, 16)) << "a missing bitmap gives no image list";
    EXPECT_EQ(1, tab.loadImages(IDB_TEST_FACE, 1, 36));
    EXPECT_NE(nullptr, TabCtrl_GetImageList(tab.handle()));
    EXPECT_EQ(2, tab.addTabWithImage("Third", 2, 0));
    EXPECT_EQ(1, tab.deleteTab(2));
    ASSERT_TRUE(tab.forwardNotifications(dialog));

    dialogs::ListViewControl list;
    ASSERT_EQ(1, list.create(tab.handle(), {190, 16, 40, 500, 200}));
    list.addColumn("Name", 200);
    list.addColumn("Size", 80);
    list.setExtendedStyles();
    list.show();
    for (const char* name : {"alpha", "beta", "gamma"}) {
        list.addRow(name);
        list.setNextCell("1");
    }
    pump();

    clickRow(list.handle(), 1, false);
    clickRow(list.handle(), 2, true);
    pump(50);
    ASSERT_EQ(2u, application.notifications.size()) << "each click reaches the dialog exactly once";
    EXPECT_EQ(190, application.notifications[0].id);
    EXPECT_EQ(NM_CLICK, application.notifications[0].code);
    EXPECT_EQ(1, application.notifications[0].item);
    EXPECT_EQ(NM_RCLICK, application.notifications[1].code);
    EXPECT_EQ(2, application.notifications[1].item);
}

TEST(OwnedHandle, ReleasesExactlyOnceWhereverItMoves) {
    HBRUSH made = CreateSolidBrush(RGB(1, 2, 3));
    ASSERT_NE(nullptr, made);
    {
        dialogs::OwnedBrush first(made);
        dialogs::OwnedBrush second(std::move(first));
        dialogs::OwnedBrush third;
        third = std::move(second);
        EXPECT_EQ(nullptr, first.get());
        EXPECT_EQ(nullptr, second.get());
        EXPECT_EQ(made, third.get());
        EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(made)) << "alive while owned";
    }
    EXPECT_EQ(0u, GetObjectType(made)) << "released when its last owner went";

    dialogs::OwnedBrush owner(CreateSolidBrush(RGB(4, 5, 6)));
    HBRUSH replaced = owner.get();
    owner.reset(CreateSolidBrush(RGB(7, 8, 9)));
    EXPECT_EQ(0u, GetObjectType(replaced)) << "a new handle releases the one held";
    HBRUSH kept = owner.release();
    EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(kept)) << "given up, not released";
    DeleteObject(kept);
}

TEST_F(ControlTest, ButtonsShowCaptionsAndImages) {
    dialogs::PushButton push;
    dialogs::BitmapButton face;
    dialogs::IconButton icon;
    ASSERT_EQ(1, push.create(dialog, {200, 10, 10, 70, 24}));
    ASSERT_EQ(1, face.create(dialog, {201, 10, 40, 50, 50}));
    ASSERT_EQ(1, icon.create(dialog, {202, 70, 40, 50, 50}));
    push.setText("Marker");
    EXPECT_EQ("Marker", itemText(dialog, 200));
    push.setText("Checked");
    EXPECT_EQ("Checked", itemText(dialog, 200));
    face.setBitmap(IDB_TEST_FACE);
    ASSERT_NE(nullptr, face.image());
    EXPECT_EQ(reinterpret_cast<LRESULT>(face.image()), SendMessageA(face.handle(), BM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info{};
    GetObjectA(face.image(), sizeof info, &info);
    EXPECT_EQ(36, info.bmWidth);
    icon.setIcon(IDI_TEST);
    EXPECT_NE(0, SendMessageA(icon.handle(), BM_GETIMAGE, IMAGE_ICON, 0));
    face.releaseImage();
    EXPECT_EQ(nullptr, face.image());
    face.releaseImage();  // a second release finds nothing to release
}

TEST_F(ControlTest, EditsTakeTypedTextAndDroppedFiles) {
    dialogs::LineEdit line;
    dialogs::MultiLineEdit multi;
    ASSERT_EQ(1, line.create(dialog, {210, 10, 10, 300, 22}, WS_BORDER | ES_AUTOHSCROLL));
    ASSERT_EQ(1, multi.create(dialog, {211, 10, 40, 300, 80}));
    typeText(line.handle(), "C:\\data\\game.csf");
    char buffer[256] = {0};
    EXPECT_EQ(16, line.getText(buffer, sizeof buffer));
    EXPECT_STREQ("C:\\data\\game.csf", buffer);
    EXPECT_EQ(16, line.textLength());
    char small[8] = {0};
    EXPECT_EQ(7, line.getText(small, sizeof small)) << "never more than the buffer holds";
    EXPECT_STREQ("C:\\data", small);
    EXPECT_TRUE(dialogs::LineEdit::isChange(EN_CHANGE));
    EXPECT_FALSE(dialogs::LineEdit::isChange(EN_UPDATE));
    multi.setText("one\r\ntwo");
    EXPECT_EQ(8, multi.textLength());

    dropFiles(dialog, {"C:\\first\\one.big", "C:\\second.big"});
    pump(50);
    ASSERT_EQ(1u, application.dropped.size());
    EXPECT_EQ("C:\\first\\one.big", application.dropped[0]);
    EXPECT_EQ(2, application.droppedCount);
}
