// The application frame: creation from a template, the message loop and how
// it ends, icons, banner, progress bar and window placement.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <regex>
#include <stdexcept>

#include "DialogHarness.h"
#include "DialogMain.h"
#include "TestApplication.h"

using namespace dialogtest;

namespace {

// Runs the loop of an application whose dialog will be closed by the action.
int runUntilClosed(TestApplication& application, const std::function<void(HWND)>& action) {
    action(application.mainWindow());
    application.runMessageLoop();
    return application.exitCode();
}

VOID CALLBACK quitWith99(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

}  // namespace

TEST(DialogApplication, EndsWithCodeZeroByCloseBoxAltF4AndExitCommand) {
    struct Way {
        const char* name;
        std::function<void(HWND)> close;
    };
    const Way ways[] = {
        {"close box", [](HWND d) { closeBox(d); }},
        {"Alt+F4", [](HWND d) { altF4(d); }},
        {"Exit command", [](HWND d) { clickButton(d, EXIT_COMMAND); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        TestApplication application;
        ASSERT_TRUE(startTestDialog(application));
        HWND dialog = application.mainWindow();
        ASSERT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(0, runUntilClosed(application, way.close));
        EXPECT_EQ(0, application.lastGetResult());
        EXPECT_FALSE(IsWindow(dialog));
    }
}

TEST(DialogApplication, ExitCodeIsTheCodeGivenToPostQuitMessage) {
    TestApplication application;
    application.onInit = [](HWND) { PostQuitMessage(7); };
    ASSERT_TRUE(startTestDialog(application));
    application.runMessageLoop();
    EXPECT_EQ(7, application.exitCode());
}

TEST(DialogApplication, MissingTemplateShowsErrorBoxWithLowerCaseHexCode) {
    TestApplication application;
    application.initialise(GetModuleHandleA(nullptr));
    ModalAnswerer answerer;
    answerer.thenPress(IDOK);
    EXPECT_EQ(0, application.createMainDialog(IDD_MISSING));
    EXPECT_EQ(nullptr, application.mainWindow());
    ASSERT_EQ(1u, answerer.seen().size());
    const SeenWindow& box = answerer.seen()[0];
    EXPECT_EQ("Client Dialog Error", box.title);
    EXPECT_EQ("exclamation", box.icon);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(box.text, match, std::regex("System Message ===>> : x([1-9a-f][0-9a-f]*)")))
        << box.text;
    // A resource that is not there: "resource type/name not found" (x715/x716).
    unsigned long code = std::strtoul(match[1].str().c_str(), nullptr, 16);
    EXPECT_TRUE(code == ERROR_RESOURCE_TYPE_NOT_FOUND || code == ERROR_RESOURCE_NAME_NOT_FOUND) << code;
    EXPECT_EQ(box.text, std::string(application.messageText()));
}

TEST(DialogApplication, WithoutInstanceNothingIsCreatedOrShown) {
    TestApplication application;
    ModalAnswerer answerer;
    EXPECT_EQ(0, application.createMainDialog(IDD_TEST));
    pump(300);
    EXPECT_TRUE(answerer.seen().empty());
}

TEST(DialogProgram, EndsWithNonZeroCodeWithoutLoopWhenDialogIsMissing) {
    // Regression guard: after the error box the program used to wait in a
    // message loop with no window to close. Should a loop run, this timer
    // ends it with code 99 after a while.
    UINT_PTR guard = SetTimer(nullptr, 0, 4000, quitWith99);
    TestApplication application;
    ModalAnswerer answerer;
    answerer.thenPress(IDOK);
    int code = dialogs::runDialogProgram(application, nullptr, GetModuleHandleA(nullptr), SW_SHOW, IDD_MISSING);
    KillTimer(nullptr, guard);
    EXPECT_EQ(dialogs::EXIT_NO_DIALOG, code);
    EXPECT_NE(0, code);
    EXPECT_EQ(1u, answerer.seen().size());
    EXPECT_EQ(0u, application.lastMessage().message) << "the loop ran";
}

TEST(DialogProgram, ExceptionsEndTheProgramWithMinusOneAndNeverLeaveTheProcedure) {
    struct Throwing {
        void setDialogProcedure(DLGPROC) {}
        int initialise(HINSTANCE) { throw std::runtime_error("no"); }
        int createMainDialog(WORD) { return 1; }
        int runMessageLoop() { return 0; }
        int exitCode() const { return 0; }
        INT_PTR handleMessage(HWND, UINT, WPARAM, LPARAM) { throw 5; }
    } throwing;
    EXPECT_EQ(-1, dialogs::runDialogProgram(throwing, nullptr, nullptr, SW_SHOW, IDD_TEST));
    EXPECT_EQ(FALSE, dialogs::dispatchTo(throwing, nullptr, WM_COMMAND, 0, 0));
}

TEST(DialogApplication, ProgressResetAndSweep) {
    TestApplication application;
    ASSERT_TRUE(startTestDialog(application));
    HWND bar = GetDlgItem(application.mainWindow(), IDC_TEST_PROGRESS);
    SendMessageA(bar, PBM_SETPOS, 40, 0);
    application.resetProgress();
    EXPECT_EQ(0, progressPosition(bar));
    // Default range 0 to 100: positions above it are clamped, the bar ends full.
    application.sweepProgress();
    EXPECT_EQ(100, progressPosition(bar));
    // With room above 110 the sweep shows it stops at 110.
    SendMessageA(bar, PBM_SETRANGE32, 0, 500);
    application.sweepProgress();
    EXPECT_EQ(110, progressPosition(bar));
}

TEST(DialogApplication, IconsAndBannerFromResources) {
    TestApplication application;
    application.onInit = [&application](HWND window) {
        application.setWindowIcons(window, IDI_TEST);
        application.setStaticBitmap(window, IDC_TEST_BANNER, IDB_TEST_BANNER);
    };
    ASSERT_TRUE(startTestDialog(application));
    HWND dialog = application.mainWindow();
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), application.iconMetric(0));
    EXPECT_EQ(GetSystemMetrics(SM_CYSMICON), application.iconMetric(3));
    ASSERT_NE(nullptr, application.largeIcon());
    ASSERT_NE(nullptr, application.smallIcon());
    EXPECT_EQ(reinterpret_cast<LRESULT>(application.largeIcon()), SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(reinterpret_cast<LRESULT>(application.smallIcon()), SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(application.smallIcon(), &info));
    BITMAP colour{};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(application.iconMetric(2), colour.bmWidth);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    ASSERT_NE(nullptr, application.bannerBitmap());
    HBITMAP shown = reinterpret_cast<HBITMAP>(SendDlgItemMessageA(dialog, IDC_TEST_BANNER, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(nullptr, shown);
    BITMAP banner{};
    GetObjectA(shown, sizeof banner, &banner);
    EXPECT_EQ(650, banner.bmWidth);
    EXPECT_EQ(42, banner.bmHeight);
}

TEST(WindowPlacement, CornersWithMarginAndCentre) {
    TestApplication application;
    ASSERT_TRUE(startTestDialog(application));
    HWND parent = application.mainWindow();
    RECT client{};
    GetClientRect(parent, &client);
    HWND child = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 50, parent, nullptr, nullptr, nullptr);
    dialogs::WindowPlacement placement;
    placement.margin = 30;
    auto positionOf = [&]() {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    placement.placeTopLeft(child);
    EXPECT_EQ(30, positionOf().left);
    EXPECT_EQ(30, positionOf().top);
    placement.placeTopRight(child);
    EXPECT_EQ(client.right - 30 - 100, positionOf().left);
    placement.placeBottomLeft(child);
    EXPECT_EQ(client.bottom - 30 - 50, positionOf().top);
    placement.placeBottomRight(child);
    EXPECT_EQ(client.right - 130, positionOf().left);
    EXPECT_EQ(client.bottom - 80, positionOf().top);
    EXPECT_EQ(100, positionOf().right - positionOf().left);
    placement.placeCentred(child);
    EXPECT_EQ((client.right - 100) / 2, positionOf().left);
    EXPECT_EQ((client.bottom - 50) / 2, positionOf().top);

    // Wider than its parent: a negative x, rounded toward zero.
    HWND wide = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 0, 0, client.right + 101, 20, parent, nullptr,
                                nullptr, nullptr);
    placement.placeCentred(wide);
    EXPECT_EQ(-50, placement.x);
    RECT r{};
    GetWindowRect(wide, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(-50, r.left);

    // A window without a parent is centred on the desktop.
    placement.placeCentred(parent);
    EXPECT_EQ(GetDesktopWindow(), placement.parent);
    RECT desktop{};
    GetClientRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ((desktop.right - placement.width) / 2, placement.x);
}
