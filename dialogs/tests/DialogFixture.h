// The fixture of every program's dialog tests: the program's real dialog,
// made from its template inside the test process, driven through the
// harness and torn down after each test.
//
//   class TessalyDialogTest : public dialogtest::DialogFixture<TessalyDialog> {
//       void SetUp() override { start(IDD_TESSALY); }
//   };
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DialogHarness.h"
#include "DialogMain.h"
#include "platform/Platform.h"

namespace dialogtest {

template <class Dialog>
class DialogFixture : public ::testing::Test {
protected:
    void TearDown() override { finish(); }

    // Makes a new dialog (the arguments go to its constructor) from the
    // template and lets it settle; one started before is finished first.
    template <class... Arguments>
    void start(WORD templateId, Arguments&&... arguments) {
        finish();
        application = std::make_unique<Dialog>(std::forward<Arguments>(arguments)...);
        current() = application.get();
        application->setDialogProcedure(procedure);
        application->initialise(GetModuleHandleA(nullptr));
        ASSERT_TRUE(application->createMainDialog(templateId));
        dialog = application->mainWindow();
        pump();
    }

    // Destroys the window and the application object.
    void finish() {
        platform::setShellOpenHandler(nullptr);
        if (dialog != nullptr && IsWindow(dialog)) DestroyWindow(dialog);
        dialog = nullptr;
        // The quit message of that destruction must not end the next test's loops.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        current() = nullptr;
        application.reset();
    }

    // From now on the shell's "open" starts nothing: each call is recorded
    // in opened as (program, parameter).
    void recordShellOpens() {
        platform::setShellOpenHandler([this](void*, const char* program, const char* parameter) {
            opened.emplace_back(program, parameter);
            return true;
        });
    }

    void press(int id) {
        clickButton(dialog, id);
        pump();
    }

    std::unique_ptr<Dialog> application;
    HWND dialog = nullptr;
    std::vector<std::pair<std::string, std::string>> opened;

private:
    static Dialog*& current() {
        static Dialog* running = nullptr;
        return running;
    }
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (current() == nullptr) return FALSE;
        return dialogs::dispatchTo(*current(), window, message, wParam, lParam);
    }
};

}  // namespace dialogtest
