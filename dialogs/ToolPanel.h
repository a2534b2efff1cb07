// The working face shared by the path-field tool programs (Tessaly and
// Crandle): one tab holding a path field, an owner-data list with check
// boxes, a find field under it and a message list, ten push buttons beside
// it and the file chooser. The panel owns these controls, the path last taken, the file
// whose rows the list shows and the Marker state; the program's dialog holds
// one panel and keeps only its own commands.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "ControlLayout.h"
#include "DialogApplication.h"
#include "FileChooser.h"
#include "ListingResult.h"
#include "LineEdit.h"
#include "ListBoxControl.h"
#include "OwnerDataList.h"
#include "PushButton.h"
#include "TabControl.h"

namespace dialogs {

constexpr int TOOL_BUTTON_COUNT = 10;
constexpr int TOOL_COLUMN_COUNT = 3;

// The caption of the Marker button while it would check every row, and
// while it would clear them.
constexpr const char* MARKER_CAPTION = "Marker";
constexpr const char* CHECKED_CAPTION = "Checked";

// One line of a pop-up menu: its command id (sent to the dialog as
// WM_COMMAND when chosen) and caption; a null caption is a separator.
struct ToolMenuItem {
    int id;
    const char* caption;
};

struct ToolColumn {
    const char* title;
    int width;
    int format;  // LVCFMT_LEFT, LVCFMT_RIGHT or IMAGE_COLUMN_FORMAT
};

// What an Output listing's outcomes say. The box of a target that cannot be
// opened shows cannotOpenFormat with the target, cut to boxLimit - 1
// characters, under boxTitle.
struct ListingTexts {
    const char* saved;
    const char* failed;
    const char* refused;
    const char* cannotOpenFormat;
    const char* boxTitle;
    std::size_t boxLimit;
};

// One program's panel: its control ids and what it says. Every panel has
// the same geometry (ToolPanel::create places the controls).
struct ToolPanelLayout {
    int tabId;
    const char* tabText;
    int pathId;
    int listId;
    ToolColumn columns[TOOL_COLUMN_COUNT];
    int messagesId;
    // Top to bottom: five commands, Edit and Save, then Marker, Clearup and Exit.
    int buttonIds[TOOL_BUTTON_COUNT];
    const char* captions[TOOL_BUTTON_COUNT];
    const char* chooserTitle;
    const char* chooserFilter;  // pairs of zero-ended strings, ended by one more zero
    // The box shown when a browsed or dropped path is not one the program takes.
    const char* improperType;
    const char* errorTitle;
    // A click beside the rows checks them all (else it does nothing).
    bool clickBesideChecksAll;
    // Clearup also clears the Marker state and caption.
    bool clearupResetsMarker;
    // The find field: its id, the list's columns it searches (bit i:
    // column i) and the hint it shows while empty.
    int findId;
    unsigned findColumns;
    const char* findHint;
};

class ToolPanel {
public:
    // A path taken from the field, a chooser or a drop: at most 255 characters.
    static constexpr std::size_t PATH_SIZE = 256;
    // The target chosen for an Output listing: up to MAX_PATH - 1 characters.
    static constexpr std::size_t LISTING_PATH_SIZE = 260;

    // The panel reports progress through the application that holds it.
    ToolPanel(DialogApplication& application, const ToolPanelLayout& layout);
    ToolPanel(const ToolPanel&) = delete;
    ToolPanel& operator=(const ToolPanel&) = delete;

    // Creates the controls on the dialog and lets it take dropped files.
    void create(HWND dialog);
    // Browse and Drop accept a path when this says so (unset: every path).
    void setAcceptance(std::function<bool(const char*)> accepts) { accepts_ = std::move(accepts); }
    // Called with the row of a right click or right double click on the list.
    void setRightClick(std::function<void(int)> handler) { rightClick_ = std::move(handler); }
    // What the buttons do, in the order of the layout's buttonIds, and what
    // closing the window does.
    using Command = std::function<void()>;
    void setCommands(std::array<Command, TOOL_BUTTON_COUNT> commands) { commands_ = std::move(commands); }
    void setClose(Command close) { close_ = std::move(close); }
    // Called with a key pressed on the list (its virtual-key code; the space
    // bar toggles a check mark): the id of the command the key stands for,
    // which comes to the dialog as WM_COMMAND like a menu's, or 0.
    void setKeys(std::function<int(WORD)> keys) { keys_ = std::move(keys); }
    // Shows a pop-up menu at a point of the screen, or below the button of
    // the given id when at is null; the chosen item comes as WM_COMMAND.
    void popupMenu(const ToolMenuItem* items, std::size_t count, int buttonId, const POINT* at = nullptr);

    // The program's messages after those of the frame (answeredByFrame):
    // the buttons' commands, the find field (each change narrows the list;
    // Esc, which comes as IDCANCEL, empties it), the list's notifications
    // (texts, check states, clicks; Ctrl+F goes to the find field), dropped
    // files and the close. FALSE for the rest.
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // ---- the path
    const std::string& path() const { return path_; }
    // Reads the path field into the path.
    void takePathField();
    // The open dialog: the chosen path goes into the path and the field; a
    // path not accepted is warned of. False when nothing was chosen.
    bool browse();
    // The first dropped file goes into the path and the field; an accepted
    // one shows the tab, any other is warned of.
    void drop(HDROP dropHandle);
    // The choosers, starting empty; false when cancelled.
    bool openFile(std::string& chosen, std::size_t capacity = PATH_SIZE);
    bool saveFile(std::string& chosen, std::size_t capacity = PATH_SIZE);
    bool chooseFolder(std::string& chosen, std::size_t capacity = PATH_SIZE);
    // The open dialog taking several files at once.
    bool openFiles(std::vector<std::string>& chosen) { return chooser_.openFilesDialog(dialog_, chosen); }

    // ---- what the user reads
    // Empties the message list and shows one or two lines.
    void report(const char* line0, const char* line1 = nullptr);
    void addLine(const std::string& text);
    void warn(const char* text, const char* title);
    // The outcome of writing an Output listing into target.
    void reportListing(ListingResult result, const char* target, const ListingTexts& texts);

    // ---- the file the list shows
    const std::string& importedPath() const { return importedPath_; }
    // True when the path names the file last imported.
    bool isImportedFile(const char* candidate) const;
    // After an import of the path: a loaded file becomes the imported one,
    // the rows of another file going first (the same file again adds its
    // rows again); a failed load leaves no file imported.
    void noteImport(bool loaded);

    // ---- find
    // Narrows the list to the rows holding the find field's text (in the
    // layout's columns); an empty field shows every row.
    void applyFind();
    // Empties the find field: every row shown again.
    void clearFind();
    // Puts the focus into the find field, its text selected.
    void focusFind();

    // ---- Marker, row clicks, Clearup
    bool markerOn() const { return markerOn_; }
    void setMarker(bool on) { markerOn_ = on; }
    // Marker: flips the state, checks or clears the first rows (while a find
    // narrows the list: the shown rows) and shows the caption for the next
    // press; nothing without rows.
    void toggleMarker(int rows);
    // A click or double click on a (real) row toggles its check mark (the
    // list keeps none of its own); row -1 is beside every row, and a click
    // there that checks them all checks only the shown ones while a find
    // narrows the list.
    void rowClicked(int row);
    // Clearup: empties the list, the field, the find and the messages,
    // forgets the path and the imported file.
    void clearup();

    // ---- the controls, for the program and its tests
    HWND dialogWindow() const { return dialog_; }
    TabControl& tab() { return tab_; }
    LineEdit& pathField() { return pathField_; }
    OwnerDataList& list() { return list_; }
    ListBoxControl& messageList() { return messageList_; }
    HWND findField() const { return findField_; }
    FileChooser& chooser() { return chooser_; }

private:
    bool accepted(const char* candidate) const { return !accepts_ || accepts_(candidate); }
    void runCommand(int controlId);
    INT_PTR answerList(LPARAM lParam);
    void showMarkerCaption();
    void createFindField(HWND tabWindow);
    static constexpr int MARKER_BUTTON = 7;

    DialogApplication& application_;
    const ToolPanelLayout& layout_;
    std::function<bool(const char*)> accepts_;
    std::function<void(int)> rightClick_;
    std::function<int(WORD)> keys_;
    std::array<Command, TOOL_BUTTON_COUNT> commands_;
    Command close_;
    HWND dialog_;
    TabControl tab_;
    LineEdit pathField_;
    OwnerDataList list_;
    ListBoxControl messageList_;
    PushButton buttons_[TOOL_BUTTON_COUNT];
    HWND findField_;
    FileChooser chooser_;
    std::string path_;
    std::string importedPath_;
    bool markerOn_;
};

}  // namespace dialogs
