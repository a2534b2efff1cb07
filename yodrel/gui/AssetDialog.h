// Yodrel's application object: the main dialog, all of whose controls come
// from its template. The commands behind the buttons are not built yet.
#pragma once

#include <windows.h>

#include "DialogApplication.h"
#include "FileChooser.h"

class AssetDialog : public dialogs::DialogApplication {
public:
    AssetDialog();
    ~AssetDialog() override;

    INT_PTR handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    dialogs::FileChooser chooser;
    HWND dialogWindow;

private:
    void initialiseDialog(HWND window);
};
