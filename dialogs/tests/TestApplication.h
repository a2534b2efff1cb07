// A small application on the dialog frame for the tests: it records what
// its dialog procedure receives and ends like the programs do.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "DialogApplication.h"
#include "DialogMain.h"
#include "TestDialogIds.h"

namespace dialogtest {

constexpr int EXIT_COMMAND = 11028;

class TestApplication : public dialogs::DialogApplication {
public:
    TestApplication() : DialogApplication(IDC_TEST_PROGRESS) {
        current = this;
        setDialogProcedure(procedure);
        placement.margin = 30;
    }
    ~TestApplication() override {
        if (dialog != nullptr && IsWindow(dialog)) DestroyWindow(dialog);
        // The quit message of that destruction must not end the next test's
        // message boxes or loops.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        current = nullptr;
    }

    INT_PTR handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (refusedWhileBusy(message, wParam, lParam)) return TRUE;
        switch (message) {
        case WM_INITDIALOG:
            initialiseDialog(window);
            return TRUE;
        case WM_COMMAND:
            commands.push_back(LOWORD(wParam));
            if (LOWORD(wParam) == EXIT_COMMAND) DestroyWindow(window);
            return TRUE;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (onNotify && onNotify(header)) return TRUE;
            if (header->code == static_cast<UINT>(NM_CLICK) || header->code == static_cast<UINT>(NM_RCLICK)) {
                const NMITEMACTIVATE* activate = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
                notifications.push_back({static_cast<int>(header->idFrom), static_cast<int>(header->code), activate->iItem});
            }
            return TRUE;
        }
        case WM_DROPFILES: {
            HDROP drop = reinterpret_cast<HDROP>(wParam);
            char name[MAX_PATH] = {0};
            DragQueryFileA(drop, 0, name, sizeof name);
            dropped.push_back(name);
            droppedCount = static_cast<int>(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0));
            DragFinish(drop);
            return TRUE;
        }
        case WM_CLOSE:
            DestroyWindow(window);
            return TRUE;
        case WM_DESTROY:
            PostQuitMessage(0);
            return TRUE;
        default:
            return FALSE;
        }
    }

    void initialiseDialog(HWND window) override {
        dialog = window;
        if (onInit) onInit(window);
        DragAcceptFiles(window, TRUE);
    }

    struct Notification {
        int id;
        int code;
        int item;
    };

    std::function<void(HWND)> onInit;
    // Answers a notification first when it returns true.
    std::function<bool(const NMHDR*)> onNotify;
    std::vector<int> commands;
    std::vector<Notification> notifications;
    std::vector<std::string> dropped;
    int droppedCount = 0;

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (current == nullptr) return FALSE;
        return dialogs::dispatchTo(*current, window, message, wParam, lParam);
    }
    static TestApplication* current;
};

// Creates the test dialog from its template in this process; the application
// is ready for its message loop.
inline bool startTestDialog(TestApplication& application) {
    application.initialise(GetModuleHandleA(nullptr));
    return application.createMainDialog(IDD_TEST) == 1;
}

}  // namespace dialogtest
