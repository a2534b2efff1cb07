// Tessaly's application object: the main dialog with its run-time controls
// and every command of the string-table editor. It owns the CSF archive the
// commands work on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CsfArchive.h"
#include "CsfEdit.h"
#include "DialogApplication.h"
#include "ToolPanel.h"
#include "platform/Platform.h"

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

// Editing an imported table: the changes stay pending until saved.
constexpr const char* UNSAVED_TITLE = "Tessaly Helper - unsaved changes";
constexpr const char* EDIT_NOT_IMPORTED = "Edit refused - Import a CSF Archive first ....";
constexpr const char* EDIT_DAMAGED_FORMAT = "Edit refused - the CSF Archive %s ....";
constexpr const char* EDIT_CHANGED = "Edit refused - the CSF Archive changed on disk since it was imported, Import it again ....";
constexpr const char* SELECT_LABEL = "Edit refused - select a label first ....";
constexpr const char* EDIT_REFUSED_FORMAT = "Edit refused - %s ....";
constexpr const char* TEXT_CHANGED = "Label text changed - not saved yet ....";
constexpr const char* LABEL_ADDED = "Label added - not saved yet ....";
constexpr const char* LABEL_RENAMED = "Label renamed - not saved yet ....";
constexpr const char* DELETED_FORMAT = "Labels deleted: %d - not saved yet ....";
constexpr const char* NOTHING_TO_SAVE = "Nothing to save - the CSF Archive has no unsaved changes ....";
constexpr const char* TABLE_SAVED = "CSF Archive was saved ....";
constexpr const char* LABELS_FORMAT = "%d labels";
constexpr const char* SAVE_FAILED_FORMAT = "Save failed - %s ....";
constexpr const char* STILL_PENDING = "nothing was replaced - the changes are still pending";
constexpr const char* EXPORT_PENDING = "Export refused - the CSF Archive has unsaved changes, Save them first ....";
constexpr const char* APPEND_PENDING = "Append refused - the CSF Archive has unsaved changes, Save them first ....";
constexpr const char* OUTPUT_PENDING = "Output refused - the CSF Archive has unsaved changes, Save them first ....";
constexpr const char* ASK_SAVE = "The CSF Archive has unsaved changes.\nSave them now?";
// The captions of the edit boxes.
constexpr const char* EDIT_TEXT_CAPTION = "Edit label text";
constexpr const char* ADD_CAPTION = "Add label";
constexpr const char* RENAME_CAPTION = "Rename label";
constexpr const char* RENAME_PROMPT = "New label name:";
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
    // ---- editing the imported table (CsfEditPlan): the list shows the
    // plan's labels once an edit was made.
    bool editCommand(int id);
    void editMenu(const POINT* at);
    int keyCommand(WORD key);
    void editText();
    void addLabel();
    void renameLabel();
    void deleteLabels();
    void save();
    void saveAs();
    // Starts the plan over the imported table; false (said why) when there
    // is none or it cannot be edited.
    bool beginEdit();
    // The selected label of the plan; -1 (said so) when none.
    int selectedLabel();
    void showPlan(const std::vector<bool>& marks);
    std::vector<bool> planMarks();
    void showTitle();
    // Reports a refused change; true when it was DONE.
    bool edited(LabelEdit result, const std::string& name);
    void noteEdit(const char* line0, const std::string& line1);
    // Writes the plan to target and, when saved, imports it again.
    bool saveTo(std::string target);
    // With changes pending: asks to save them (Yes), drop them (No) or
    // stay (Cancel, false).
    bool settlePending();
    void dropPlan();
    // The rows of the loaded table, added or (replacing) in place of the
    // list's rows.
    void listTable(bool replacing);
    void closeWindow();
    static bool isPlainFile(const char* candidate);
    bool isCsfTableFile(const char* candidate);

    dialogs::ToolPanel panel_;
    CsfArchive archive;
    CsfEditPlan plan_;
    platform::FileStamp importStamp_;  // the table as it was when last read
    std::string savePath;  // target of the last Export
    std::int32_t labelCount;
    std::int32_t exportCount;
};
