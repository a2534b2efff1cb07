// Yodrel's application object: the main dialog, all of whose controls come
// from its template, and every command of the asset index tool. The import,
// dump, publish and merge work is done by the AssetWorkspace it owns.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

#include "AssetWorkspace.h"
#include "DialogApplication.h"
#include "FileChooser.h"

// Message boxes, exactly as the user sees them.
namespace yodreltext {
constexpr const char* PROGRAM_TITLE = "BFME: W3D Yodrel";
constexpr const char* FILE_ERROR_TITLE = "File Error Message";
constexpr const char* MISSING_FILE = "Please enter missing asset file for import ....";
constexpr const char* SAVED_FORMAT = "File was successfully saved ... %s";
constexpr const char* WRONG_SIZE_FORMAT = "New File has wrong size ...%s";
constexpr const char* EXPORT_REFUSED = "Export refused - both asset files must be imported first ....";
constexpr const char* NOTEPAD = "NotePad.exe";
}  // namespace yodreltext

class AssetDialog : public dialogs::DialogApplication {
public:
    static constexpr int PATH_SIZE = 260;

    // workFolder: where the temporary dumps and merge pieces go (the user's
    // temporary folder when empty).
    explicit AssetDialog(const std::string& workFolder = std::string());
    ~AssetDialog() override;

    INT_PTR handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void browse(int slot);
    void drop(HDROP dropHandle);
    void importFiles();
    void clear();
    void view(int slot);
    void chooseExportPath();
    void exportFiles();

private:
    void initialiseDialog(HWND window) override;
    void setProgress(int position);
    void refuseImport();
    void showBox(const char* format, UINT icon);

    dialogs::FileChooser chooser_;
    AssetWorkspace workspace_;
    // The paths as last read or chosen, each at most PATH_SIZE - 1 characters.
    std::string importPath_[AssetWorkspace::SLOTS];
    std::string exportPath_;
    int dropTarget_;  // the edit that receives the next dropped file
};
