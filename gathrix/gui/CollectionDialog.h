// Gathrix's application object: the main dialog with its run-time controls.
// The commands behind the buttons are not built yet; only Exit works.
#pragma once

#include <windows.h>

#include "BitmapButton.h"
#include "CheckBox.h"
#include "DialogApplication.h"
#include "FileChooser.h"
#include "LineEdit.h"
#include "ListBoxControl.h"
#include "TabControl.h"

class CollectionDialog : public dialogs::DialogApplication {
public:
    CollectionDialog();
    ~CollectionDialog() override;

    INT_PTR handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    dialogs::TabControl tab;
    dialogs::LineEdit folderField;
    dialogs::LineEdit filterField;
    CheckBox filterCheck;
    CheckBox folderCheck;
    CheckBox sizeCheck;
    dialogs::ListBoxControl resultList;
    dialogs::BitmapButton buttons[4];
    dialogs::FileChooser chooser;
    HWND dialogWindow;

private:
    void initialiseDialog(HWND window);
    void exit();
};
