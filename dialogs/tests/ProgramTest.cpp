// The four dialog programs as processes: each shows its dialog from its
// template with its run-time controls, and ends with code 0 however it is
// closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "DialogHarness.h"
#include "testkit/TestKit.h"

using namespace dialogtest;

namespace {

struct Program {
    const char* name;
    const char* caption;
    std::vector<int> controls;            // ids that must exist in the dialog
    std::vector<std::pair<int, const char*>> captions;
    int exitCommand;                      // 0: the program has no Exit button
};

const Program PROGRAMS[] = {
    {"Tessaly", "Tessaly Helper", {11006, 11014, 11028, 11030, 11032},
     {{11014, "Browse"}, {11020, "Append"}, {11024, "Marker"}, {11028, "Exit"}}, 11028},
    {"Crandle", "Crandle Helper", {11006, 11014, 11028, 11030, 11032},
     {{11014, "Browse"}, {11020, "Create"}, {11026, "Clearup"}}, 11028},
    {"Gathrix", "File Collection Utility", {11004, 11006, 11008, 11010, 11012, 11014, 11016, 11022, 11032},
     {{11010, "Folder"}, {11012, "Size"}}, 11022},
    {"Yodrel", "BFME: W3D Yodrel", {11006, 11008, 11014, 11028, 11036, 11038},
     {{11006, "Asset Import"}, {11020, "View 1st File ..."}, {11022, "View 2nd File ..."}, {11032, "Export"}}, 0},
};

class RunningProgram {
public:
    explicit RunningProgram(const Program& program) {
        std::string path = testkit::programPath(program.name);
        std::string commandLine = "\"" + path + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        started = CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info);
        if (!started) return;
        // The dialog is shown once its initialisation has finished.
        HWND found = nullptr;
        for (int i = 0; i < 300; ++i) {
            found = FindWindowA(nullptr, program.caption);
            if (found != nullptr && IsWindowVisible(found)) break;
            Sleep(50);
        }
        if (found != nullptr && IsWindowVisible(found)) window = found;
    }
    ~RunningProgram() {
        if (!started) return;
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    // The exit code, or 259 (still active) when it did not end in time.
    DWORD waitForExit() {
        WaitForSingleObject(info.hProcess, 20000);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }

    BOOL started = FALSE;
    PROCESS_INFORMATION info{};
    HWND window = nullptr;
};

}  // namespace

TEST(DialogPrograms, ShowTheirDialogWithItsControls) {
    for (const Program& program : PROGRAMS) {
        SCOPED_TRACE(program.name);
        RunningProgram running(program);
        ASSERT_TRUE(running.started);
        ASSERT_NE(nullptr, running.window);
        EXPECT_TRUE(IsWindowVisible(running.window));
        EXPECT_NE(0u, static_cast<DWORD>(GetWindowLongA(running.window, GWL_EXSTYLE)) & WS_EX_ACCEPTFILES);
        for (int id : program.controls) EXPECT_NE(nullptr, GetDlgItem(running.window, id)) << id;
        for (const auto& caption : program.captions) EXPECT_EQ(caption.second, itemText(running.window, caption.first));
        // Centred on the desktop.
        RECT r{}, desktop{};
        GetWindowRect(running.window, &r);
        GetClientRect(GetDesktopWindow(), &desktop);
        EXPECT_EQ((desktop.right - (r.right - r.left)) / 2, r.left);
        closeBox(running.window);
        EXPECT_EQ(0u, running.waitForExit());
    }
}

TEST(DialogPrograms, EndWithCodeZeroByAltF4AndExitCommand) {
    for (const Program& program : PROGRAMS) {
        SCOPED_TRACE(program.name);
        {
            RunningProgram running(program);
            ASSERT_NE(nullptr, running.window);
            altF4(running.window);
            EXPECT_EQ(0u, running.waitForExit()) << "Alt+F4";
        }
        if (program.exitCommand != 0) {
            RunningProgram running(program);
            ASSERT_NE(nullptr, running.window);
            clickButton(running.window, program.exitCommand);
            EXPECT_EQ(0u, running.waitForExit()) << "Exit";
        }
    }
}

TEST(DialogPrograms, TessalysListShowsItsColumnsAndCheckBoxes) {
    RunningProgram running(PROGRAMS[0]);
    ASSERT_NE(nullptr, running.window);
    HWND tab = GetDlgItem(running.window, 11006);
    HWND list = GetDlgItem(tab, 11010);
    ASSERT_NE(nullptr, list) << "the list is a child of the tab control";
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_EQ(3, SendMessageA(reinterpret_cast<HWND>(SendMessageA(list, 0x101F /* LVM_GETHEADER */, 0, 0)),
                              0x1200 /* HDM_GETITEMCOUNT */, 0, 0));
    DWORD extended = static_cast<DWORD>(SendMessageA(list, 0x1037 /* LVM_GETEXTENDEDLISTVIEWSTYLE */, 0, 0));
    EXPECT_EQ(0x3Du, extended & 0x3Du);
    EXPECT_EQ(0u, static_cast<DWORD>(GetWindowLongA(GetDlgItem(tab, 11012), GWL_STYLE)) & WS_VSCROLL);
    closeBox(running.window);
    EXPECT_EQ(0u, running.waitForExit());
}
