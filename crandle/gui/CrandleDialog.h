// Crandle's application object: the main dialog with its run-time controls
// and every command of the archive tool. It owns the BIG archive the
// commands work on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "BigArchive.h"
#include "BigEdit.h"
#include "DialogApplication.h"
#include "ToolPanel.h"
#include "platform/Platform.h"

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

// Editing an imported archive: the changes stay pending until saved.
constexpr const char* UNSAVED_TITLE = "Crandle Helper - unsaved changes";
constexpr const char* EDIT_NOT_IMPORTED = "Edit refused - Import a BIG Archive first ....";
constexpr const char* EDIT_DAMAGED_FORMAT = "Edit refused - the BIG Archive %s ....";
constexpr const char* EDIT_CHANGED = "Edit refused - the BIG Archive changed on disk since it was imported, Import it again ....";
constexpr const char* SELECT_ENTRY = "Edit refused - select an entry first ....";
constexpr const char* EDIT_REFUSED_FORMAT = "Edit refused - %s ....";
constexpr const char* ADDED_FORMAT = "Entries added: %d - not saved yet ....";
constexpr const char* REPLACED = "Entry replaced - not saved yet ....";
constexpr const char* RENAMED = "Entry renamed - not saved yet ....";
constexpr const char* DELETED_FORMAT = "Entries deleted: %d - not saved yet ....";
constexpr const char* NOTHING_TO_SAVE = "Nothing to save - the BIG Archive has no unsaved changes ....";
constexpr const char* ARCHIVE_SAVED = "BIG Archive was saved ....";
constexpr const char* ENTRIES_FORMAT = "%d entries";
constexpr const char* SAVE_FAILED_FORMAT = "Save failed - %s ....";
constexpr const char* STILL_PENDING = "nothing was replaced - the changes are still pending";
constexpr const char* EXPORT_PENDING = "Export refused - the BIG Archive has unsaved changes, Save them first ....";
constexpr const char* OUTPUT_PENDING = "Output refused - the BIG Archive has unsaved changes, Save them first ....";
constexpr const char* ASK_SAVE = "The BIG Archive has unsaved changes.\nSave them now?";
// The questions of the edit commands.
constexpr const char* ADD_CAPTION = "Add to the BIG Archive";
constexpr const char* ADD_PROMPT = "Folder inside the archive (empty: the top):";
constexpr const char* RENAME_CAPTION = "Rename entry";
constexpr const char* RENAME_PROMPT = "New name inside the archive:";
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
    // ---- editing the imported archive (BigEditPlan): the list shows the
    // plan's entries while it is started.
    bool editCommand(int id);
    void editMenu();
    int keyCommand(WORD key);
    void addFiles();
    void addFolder();
    void replaceEntry();
    void renameEntry();
    void deleteEntries();
    void save();
    void saveAs();
    // Starts the plan over the imported archive; false (said why) when
    // there is none or it cannot be edited.
    bool beginEdit();
    // Selects the row and scrolls it into view (the first row added).
    void showRow(int row);
    // The selected entry of the plan; -1 (said so) when none.
    int selectedEntry();
    // Asks for the folder inside the archive new entries go under.
    bool askFolder(std::string& under);
    // Shows the changed plan and says what changed.
    void noteEdit(const std::string& line0, const std::string& line1);
    // The list from the plan, keeping the given check marks.
    void showPlan(const std::vector<bool>& marks);
    std::vector<bool> planMarks();
    void showTitle();
    // Writes the plan to target and, when saved, imports it again.
    bool saveTo(std::string target);
    // With changes pending: asks to save them (Yes), drop them (No) or
    // stay (Cancel, false).
    bool settlePending();
    void dropPlan();
    // The rows of the loaded directory, added or (replacing) in place of
    // the list's rows.
    void listArchive(bool replacing);
    // A right click or right double click on the entry list.
    void rowView(int row);
    static bool isExistingFolder(const char* candidate);
    // Folders (for Create) and BIG files are accepted by Browse and Drop.
    bool isFolderOrBigFile(const char* candidate);

    dialogs::ToolPanel panel_;
    BigArchive archive;
    BigEditPlan plan_;
    platform::FileStamp importStamp_;  // the archive as it was when last read
    std::string exportFolder;  // folder chosen by the last Export
    std::int32_t entryCount;
    std::int32_t exportCount;
};
