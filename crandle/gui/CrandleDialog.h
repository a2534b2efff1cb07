// Crandle's application object: the main dialog with its run-time controls
// and every command of the archive tool. It owns the BIG archive the
// commands work on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "BigArchive.h"
#include "DialogApplication.h"
#include "ToolPanel.h"

// Message boxes and message-list lines, exactly as the user sees them.
namespace crandletext {
constexpr const char* ERROR_TITLE = "Dialog Error Message";
constexpr const char* PROGRAM_TITLE = "Crandle Helper";
constexpr const char* IMPROPER_TYPE = "Improper Type: Please enter BIG files only ....";
constexpr const char* CANNOT_OPEN_FORMAT = "Cannot open SaveFile = <%s>";
constexpr const char* IMPORTED = "BIG Archive was successfully imported ....";
constexpr const char* EXPORTED = "BIG Archive was successfully exported to ....";
constexpr const char* NOTHING_EXPORTED = "No Files selected for BIG Archive export to ....";
constexpr const char* COLLECTED = "Collection of files has finished successfully ....";
constexpr const char* CREATED = "creation of BIG Archive has finished successfully ....";
constexpr const char* SAVED = "File was successfully saved ...";
constexpr const char* MARKER = dialogs::MARKER_CAPTION;
constexpr const char* CHECKED = dialogs::CHECKED_CAPTION;
constexpr const char* NOTEPAD = "NotePad.exe";

// Lines that say why a command did less than asked.
constexpr const char* EXPORT_NOT_IMPORTED = "Export refused - the path is not the imported file, Import it first ....";
constexpr const char* EXPORT_INCOMPLETE = "BIG Archive was exported incompletely to ....";
constexpr const char* EXPORT_UNREADABLE = "Export failed - the BIG Archive could not be read ....";
constexpr const char* WRITTEN_FORMAT = "%d of %d entries written";
constexpr const char* NOT_WRITTEN_FORMAT = "%d not written - %s";
constexpr const char* CREATE_NOT_FOLDER = "Create refused - the path is not an existing folder ....";
constexpr const char* COLLECT_REFUSED_FORMAT = "Creation of BIG Archive refused - %s ....";
constexpr const char* COLLECT_LIMIT = "The folder holds too many entries - files in deeper folders were not collected ....";
constexpr const char* CREATE_FAILED_FORMAT = "creation of BIG Archive failed - %s ....";
constexpr const char* CREATE_INCOMPLETE_FORMAT = "creation of BIG Archive is incomplete - %d files could not be read and are left out ....";
constexpr const char* EXCLUDED_SELF = "the archive itself was left out of the collection";
constexpr const char* OUTPUT_FAILED = "Output failed - the file could not be written completely ....";
constexpr const char* OUTPUT_REFUSED = "Output refused - the listing would replace the imported BIG Archive ....";
constexpr const char* DAMAGED = "The BIG Archive is damaged - its header does not fit the file ....";
constexpr const char* PASSED_OVER_FORMAT = "%d entries passed over - not collected:";
}  // namespace crandletext

class CrandleDialog : public dialogs::DialogApplication {
public:
    CrandleDialog();
    ~CrandleDialog() override;

    INT_PTR handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // The path field, entry list, message list, buttons and chooser.
    dialogs::ToolPanel& panel() { return panel_; }
    HWND dialogWindow() const { return panel_.dialogWindow(); }
    BigArchive& bigArchive() { return archive; }
    // The entries the last command counted in the loaded directory.
    std::int32_t countedEntries() const { return entryCount; }

private:
    void initialiseDialog(HWND window) override;
    void browse();
    void importArchive();
    void exportArchive();
    void create();
    void output();
    void marker();
    void clearup();
    void exit();
    // A right click or right double click on the entry list.
    void rowView(int row);
    static bool isExistingFolder(const char* candidate);
    // Folders (for Create) and BIG files are accepted by Browse and Drop.
    bool isFolderOrBigFile(const char* candidate);

    dialogs::ToolPanel panel_;
    BigArchive archive;
    std::string exportFolder;  // folder chosen by the last Export
    std::int32_t entryCount;
    std::int32_t exportCount;
};
