// Tessaly's application object: the main dialog with its run-time controls
// and every command of the string-table editor. It owns the CSF archive the
// commands work on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "CsfArchive.h"
#include "DialogApplication.h"
#include "ToolPanel.h"

// Message boxes and message-list lines, exactly as the user sees them.
namespace tessalytext {
constexpr const char* ERROR_TITLE = "Dialog Error Message";
constexpr const char* PROGRAM_TITLE = "Tessaly Helper";
constexpr const char* IMPROPER_TYPE = "Improper Type: Please enter CSF files only ....";
constexpr const char* EXPORT_ERROR = "Export Error: Please import your CSF file at first ....";
constexpr const char* CANNOT_OPEN_FORMAT = "Cannot open SaveFile = <%s>";
constexpr const char* IMPORTED = "CSF Archive was successfully imported ....";
constexpr const char* EXPORTED = "CSF Archive was successfully exported as ....";
constexpr const char* NOTHING_EXPORTED = "No items selected for CSF Archive export as ....";
constexpr const char* APPENDED = "Append to CSF Archive has finished successfully ....";
constexpr const char* SAVED = "File was successfully saved ...";
constexpr const char* EXPORT_NOT_IMPORTED = "Export refused - the path is not the imported file, Import it first ....";
constexpr const char* APPEND_NOT_IMPORTED = "Append refused - the path is not the imported file, Import it first ....";
constexpr const char* EXPORT_FAILED = "Export failed - the new CSF Archive could not be written ....";
constexpr const char* APPEND_FAILED = "Append failed - nothing was written, the NEW_ copy could not be made ....";
constexpr const char* OUTPUT_FAILED = "Output failed - the file could not be written completely ....";
constexpr const char* EXPORT_REFUSED = "Export refused - nothing was written, the target is the imported CSF Archive ....";
constexpr const char* APPEND_REFUSED = "Append refused - nothing was written, the configuration file is missing or not a file ....";
constexpr const char* APPENDED_CUT = "Append finished - but a configuration value was cut at its limit ....";
constexpr const char* APPEND_LIST_CUT_FORMAT = "AppendList cut at its limit - only %s of its %s families were taken ....";
constexpr const char* OUTPUT_REFUSED = "Output refused - the listing would replace the imported CSF Archive ....";
constexpr const char* MARKER = dialogs::MARKER_CAPTION;
constexpr const char* CHECKED = dialogs::CHECKED_CAPTION;
}  // namespace tessalytext

class TessalyDialog : public dialogs::DialogApplication {
public:
    // A message box line.
    static constexpr int LINE_SIZE = 1024;

    TessalyDialog();
    ~TessalyDialog() override;

    INT_PTR handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // The path field, label list, message list, buttons and chooser.
    dialogs::ToolPanel& panel() { return panel_; }
    HWND dialogWindow() const { return panel_.dialogWindow(); }
    CsfArchive& csfArchive() { return archive; }

private:
    void initialiseDialog(HWND window) override;
    void browse();
    void importTable();
    void exportTable();
    void append();
    void output();
    void marker();
    void clearup();
    void exit();
    static bool isPlainFile(const char* candidate);
    bool isCsfTableFile(const char* candidate);

    dialogs::ToolPanel panel_;
    CsfArchive archive;
    std::string savePath;  // target of the last Export
    std::int32_t labelCount;
    std::int32_t exportCount;
};
