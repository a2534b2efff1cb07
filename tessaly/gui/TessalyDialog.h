// Tessaly's application object: the main dialog with its run-time controls.
// The commands behind the buttons are not built yet; only Exit works.
#pragma once

#include <windows.h>

#include "DialogApplication.h"
#include "FileChooser.h"
#include "LineEdit.h"
#include "ListBoxControl.h"
#include "ListViewControl.h"
#include "PushButton.h"
#include "TabControl.h"

class TessalyDialog : public dialogs::DialogApplication {
public:
    TessalyDialog();
    ~TessalyDialog() override;

    INT_PTR handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    dialogs::TabControl tab;
    dialogs::LineEdit pathField;
    dialogs::ListViewControl list;
    dialogs::ListBoxControl messageList;
    dialogs::PushButton buttons[8];
    dialogs::FileChooser chooser;
    HWND dialogWindow;
    HWND tabWindow;

private:
    void initialiseDialog(HWND window);
    void exit();
};
