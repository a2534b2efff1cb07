// The two input boxes, opened for real and answered under the test's hook:
// what they show, what comes back after OK, and nothing changed after Cancel.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "DialogHarness.h"
#include "InputBoxes.h"

using namespace dialogtest;

namespace {

std::wstring fieldText(HWND box, int id) {
    wchar_t buffer[1024] = {0};
    GetDlgItemTextW(box, id, buffer, 1024);
    return buffer;
}

// Runs the box's messages as its own loop does (keys go through the dialog
// manager) until none is waiting.
void pumpBox(HWND box) {
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(box, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        Sleep(10);
    }
}

// A key pressed in a field of the box, through the box's message loop.
void postKey(HWND box, int id, WPARAM key, int scanCode) {
    PostMessageW(GetDlgItem(box, id), WM_KEYDOWN, key, 1 | (scanCode << 16));
}

void typeUnits(HWND field, const std::u16string& units) {
    SetFocus(field);
    const int end = GetWindowTextLengthW(field);  // the caret goes to the end
    SendMessageW(field, EM_SETSEL, static_cast<WPARAM>(end), end);
    for (char16_t unit : units) SendMessageW(field, WM_CHAR, unit, 1);
}

}  // namespace

TEST(InputBoxes, AskLineGivesBackTheTypedNameAndCancelLeavesIt) {
    ModalAnswerer answerer;
    std::string shown;
    answerer.then([&](HWND box) {
        shown = itemText(box, dialogs::INPUT_NAME_FIELD);
        SetDlgItemTextW(box, dialogs::INPUT_NAME_FIELD, L"Data\\INI\\Weapon.ini");
        postKey(box, dialogs::INPUT_NAME_FIELD, VK_RETURN, 0x1C);  // Enter in the field is OK
    });
    std::string value = "data\\old.ini";
    EXPECT_TRUE(dialogs::askLine(nullptr, "Rename", "New name of the entry:", value));
    EXPECT_EQ("data\\old.ini", shown);
    EXPECT_EQ("Data\\INI\\Weapon.ini", value);
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ("Rename", answerer.seen()[0].title);
    EXPECT_EQ("New name of the entry:", answerer.seen()[0].text);

    answerer.then([](HWND box) {
        SetDlgItemTextW(box, dialogs::INPUT_NAME_FIELD, L"typed.ini");
        postKey(box, dialogs::INPUT_NAME_FIELD, VK_ESCAPE, 0x01);
    });
    EXPECT_FALSE(dialogs::askLine(nullptr, "Rename", "New name:", value));
    EXPECT_EQ("Data\\INI\\Weapon.ini", value);

    // A character no 8-bit code page holds is refused with a box, which the
    // input box outlives; the name typed after it comes back.
    bool stayedOpen = false;
    answerer.then([&](HWND box) {
        SetDlgItemTextW(box, dialogs::INPUT_NAME_FIELD, L"smile\xD83D\xDE00.ini");
        SendMessageW(box, WM_COMMAND, IDOK, 0);  // returns when the warning is answered
        stayedOpen = IsWindowVisible(box) != FALSE;
        SetDlgItemTextW(box, dialogs::INPUT_NAME_FIELD, L"smile.ini");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    answerer.thenPress(IDOK);
    EXPECT_TRUE(dialogs::askLine(nullptr, "Rename", "New name:", value));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ("smile.ini", value);
    ASSERT_EQ(4u, answerer.seen().size());
    EXPECT_EQ("exclamation", answerer.seen()[3].icon);
}

TEST(InputBoxes, EditLabelShowsAndGivesBackEveryUnicodeCharacter) {
    ModalAnswerer answerer;
    const std::u16string original = u"Привет, мир\n漢字とかな \U0001F600\nend";
    std::wstring shown;
    bool unicodeField = false;
    bool nameReadOnly = false;
    answerer.then([&](HWND box) {
        HWND text = GetDlgItem(box, dialogs::INPUT_TEXT_FIELD);
        unicodeField = IsWindowUnicode(text) != FALSE;
        nameReadOnly = (GetWindowLongW(GetDlgItem(box, dialogs::INPUT_NAME_FIELD), GWL_STYLE) & ES_READONLY) != 0;
        shown = fieldText(box, dialogs::INPUT_TEXT_FIELD);
        SetDlgItemTextW(box, dialogs::INPUT_NAME_FIELD, L"OTHER:Name");  // read-only: not taken
        SetWindowTextW(text, L"Новый 新しい\r\n");
        // Typed: a letter, an emoji as its two units, Enter (a new line, not
        // OK), one more letter.
        typeUnits(text, u"Ж\xD83D\xDE00");
        postKey(box, dialogs::INPUT_TEXT_FIELD, VK_RETURN, 0x1C);
        pumpBox(box);
        typeUnits(text, u"x");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    std::string name = "GUI:Title";
    std::u16string text = original;
    EXPECT_TRUE(dialogs::editLabel(nullptr, "Edit label", name, false, text));
    EXPECT_TRUE(unicodeField);
    EXPECT_TRUE(nameReadOnly);
    EXPECT_EQ(L"Привет, мир\r\n漢字とかな \U0001F600\r\nend", shown);
    EXPECT_EQ("GUI:Title", name);
    EXPECT_EQ(u"Новый 新しい\nЖ\U0001F600\nx", text);
}

TEST(InputBoxes, EditLabelRenamesOnOkAndChangesNothingOnCancel) {
    ModalAnswerer answerer;
    answerer.then([](HWND box) {
        SetDlgItemTextW(box, dialogs::INPUT_NAME_FIELD, L"GUI:New");
        SetDlgItemTextW(box, dialogs::INPUT_TEXT_FIELD, L"changed");
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    std::string name = "GUI:Old";
    std::u16string text = u"kept";
    EXPECT_FALSE(dialogs::editLabel(nullptr, "Edit label", name, true, text));
    EXPECT_EQ("GUI:Old", name);
    EXPECT_EQ(u"kept", text);

    // A text holding U+0000 cannot live in an edit field: it is shown
    // read-only and comes back whole, while the name still changes.
    const std::u16string withNull(u"before\0after", 12);
    text = withNull;
    std::wstring shown;
    bool readOnly = false;
    answerer.then([&](HWND box) {
        HWND field = GetDlgItem(box, dialogs::INPUT_TEXT_FIELD);
        shown = fieldText(box, dialogs::INPUT_TEXT_FIELD);
        readOnly = (GetWindowLongW(field, GWL_STYLE) & ES_READONLY) != 0;
        SetDlgItemTextW(box, dialogs::INPUT_NAME_FIELD, L"GUI:New");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(dialogs::editLabel(nullptr, "Edit label", name, true, text));
    EXPECT_EQ(L"before\x2400" L"after", shown);
    EXPECT_TRUE(readOnly);
    EXPECT_EQ("GUI:New", name);
    EXPECT_EQ(withNull, text);
}
