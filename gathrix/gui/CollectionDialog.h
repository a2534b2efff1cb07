// Gathrix's application object: the main dialog with its run-time controls
// and its commands: choose a folder, scan it, save the list, show the list
// in the text viewer. It owns the folder scanner.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <string>

#include "BitmapButton.h"
#include "CheckBox.h"
#include "DialogApplication.h"
#include "FileChooser.h"
#include "FolderScanner.h"
#include "LineEdit.h"
#include "OwnerDataListBox.h"
#include "TabControl.h"

// Message boxes exactly as the user sees them.
namespace gathrixtext {
constexpr const char* TITLE = "File Collection Utility";
constexpr const char* ENTER_FILTER = "Please, enter default *.* Filter or select Folder options ... ";
constexpr const char* LIMIT_FORMAT = "MAX_SIZE of Scanning has been reached ... %d";
constexpr const char* PASSED_OVER_FORMAT = "%d entries were passed over and are not listed:";
constexpr const char* CANNOT_OPEN_FORMAT = "Cannot open SaveFile = <%s>";
constexpr const char* SAVED_FORMAT = "File was successfully saved ... %s";
constexpr const char* ALL_FILES = "*.*";
constexpr const char* NOTEPAD = "NotePad.exe";
constexpr const char* OUTPUT_TEMP_NAME = "ZZZ_Output.tmp";

// Boxes that say why a command did less than asked.
constexpr const char* START_IS_FILE_FORMAT = "The start folder is a file, not a folder ... %s";
constexpr const char* NOT_SAVED_FORMAT = "File could not be saved completely ... %s";

// The two fields' labels and the four buttons' tooltips, in the buttons' order.
constexpr const char* FOLDER_LABEL = "F&older:";
constexpr const char* FILTER_LABEL = "F&iles:";
constexpr const char* BUTTON_TIPS[4] = {
    "Choose the folder to scan",
    "Scan the folder: list the files (Filter) and folders (Folder), with sizes (Size)",
    "Save the list to a text file",
    "Exit",
};
}  // namespace gathrixtext

class CollectionDialog : public dialogs::DialogApplication {
public:
    static constexpr int FOLDER_SIZE = 260;
    static constexpr int FILTER_SIZE = 256;
    // Narrowest horizontal extent of the result list, in pixels.
    static constexpr int SCROLL_WIDTH = 720;

    // What a scan lists, from the "Filter" and "Folder" boxes; None scans nothing.
    enum class ScanMode { NONE, FOLDERS, FILES, BOTH };

    // scanLimit: the scanner's entry limit (tests give a smaller one).
    explicit CollectionDialog(std::int32_t scanLimit = FolderScanner::MAX_SIZE);
    ~CollectionDialog() override;

    INT_PTR handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void chooseFolder();
    void drop(HDROP dropHandle);
    // Puts a chosen folder in the start-folder edit with the "*.*" filter and
    // "Filter" alone checked; an empty name changes nothing.
    void applyFolder(const char* name);
    void scan();
    void saveList();
    void showInNotepad();
    void exit();

    dialogs::LineEdit& folderField() { return folderField_; }
    dialogs::LineEdit& filterField() { return filterField_; }
    dialogs::CheckBox& filterCheck() { return filterCheck_; }
    dialogs::CheckBox& folderCheck() { return folderCheck_; }
    dialogs::CheckBox& sizeCheck() { return sizeCheck_; }
    dialogs::OwnerDataListBox& resultList() { return resultList_; }
    // The tooltip control of the four buttons.
    HWND buttonTips() const { return buttonTips_; }
    // Files and folders the last scan found, listed or not.
    std::int32_t entryTotal() const { return entryTotal_; }
    std::int32_t itemCount() const { return itemCount_; }

private:
    void initialiseDialog(HWND window) override;
    void inform(const std::string& text);
    void warn(const std::string& text);
    // Widens the list's horizontal extent to its longest line.
    void fitScrollWidth();
    // A static label, placed left of its field (created before it, so that
    // its mnemonic moves the focus there).
    void addLabel(const dialogs::ControlLayout& place, const char* text);
    // A tooltip for each button, saying what it does.
    void addButtonTips();

    dialogs::TabControl tab_;
    dialogs::LineEdit folderField_;
    dialogs::LineEdit filterField_;
    dialogs::CheckBox filterCheck_;
    dialogs::CheckBox folderCheck_;
    dialogs::CheckBox sizeCheck_;
    dialogs::OwnerDataListBox resultList_;
    dialogs::BitmapButton buttons_[4];
    HWND buttonTips_ = nullptr;  // owned by the dialog: destroyed with it
    dialogs::FileChooser chooser_;
    FolderScanner scanner_;
    // The start folder as last read or chosen and the filter of the last scan,
    // at most FOLDER_SIZE - 1 and FILTER_SIZE - 1 characters.
    std::string folderText_;
    std::string filterText_;
    // The temporary list shown in the text viewer, in the user's temporary folder.
    std::string outputTempName_;
    bool outputWritten_;
    std::int32_t itemCount_;
    std::int32_t entryTotal_;
    ScanMode scanMode_;
};
