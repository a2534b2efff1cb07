#include "TessalyDialog.h"

#include <cstdio>

#include "CsfListing.h"
#include "InputBoxes.h"
#include "TessalyIds.h"
#include "platform/Platform.h"

namespace {

// Filter pairs: description and pattern, each ended by a zero, the list by one more.
const char FILTER[] = "CSF Files(*.csf)\0*.csf\0Text Files(*.txt)\0*.txt\0All Files (*.*)\0*.*\0";

const dialogs::ToolPanelLayout PANEL = {
    IDC_TESSALY_TAB, "CSF Files", IDC_TESSALY_PATH, IDC_TESSALY_LIST,
    {{"**", 30, dialogs::IMAGE_COLUMN_FORMAT}, {"Label", 200, LVCFMT_LEFT}, {"Text information", 324, LVCFMT_LEFT}},
    IDC_TESSALY_MESSAGES,
    {IDC_TESSALY_BROWSE, IDC_TESSALY_IMPORT, IDC_TESSALY_EXPORT, IDC_TESSALY_APPEND, IDC_TESSALY_OUTPUT,
     IDC_TESSALY_EDIT, IDC_TESSALY_SAVE, IDC_TESSALY_MARKER, IDC_TESSALY_CLEARUP, IDC_TESSALY_EXIT},
    {"Browse", "Import", "Export", "Append", "Output", "Edit", "Save", "Marker", "Clearup", "Exit"},
    "File Dialog - Tessaly",
    FILTER,
    tessalytext::IMPROPER_TYPE,
    tessalytext::ERROR_TITLE,
    false,  // a click beside the rows does nothing
    true,   // Clearup clears the Marker
    IDC_TESSALY_FIND,
    (1u << 1) | (1u << 2),  // label names and texts
    "Find a label or text (Ctrl+F; Esc clears)",
};

// The list's column of texts, shown in UTF-16.
constexpr int TEXT_COLUMN = 2;

const dialogs::ListingTexts LISTING_TEXTS = {
    tessalytext::SAVED,       tessalytext::OUTPUT_FAILED, tessalytext::OUTPUT_REFUSED, tessalytext::CANNOT_OPEN_FORMAT,
    tessalytext::PROGRAM_TITLE, TessalyDialog::LINE_SIZE,
};

// The Edit button's and the list's right-click menu; the keys shown work on
// the list.
const dialogs::ToolMenuItem EDIT_MENU[] = {
    {IDM_TESSALY_EDIT_TEXT, "Edit text...\tF4"},
    {IDM_TESSALY_ADD, "Add label...\tIns"},
    {IDM_TESSALY_RENAME, "Rename...\tF2"},
    {IDM_TESSALY_DELETE, "Delete\tDel"},
    {0, nullptr},
    {IDC_TESSALY_SAVE, "Save\tCtrl+S"},
    {IDM_TESSALY_SAVE_AS, "Save as...\tCtrl+Shift+S"},
};

std::string formatted(const char* pattern, int number) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, pattern, number);
    return buffer;
}

std::string formatted(const char* pattern, const char* text) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, text);
    return buffer;
}

// A row's name with what the plan does to it in front: "+ " added,
// "* " text changed, "> " renamed ("*> " both).
std::string markedName(const PlannedLabel& label) {
    std::string marker;
    if (label.added) marker = "+";
    if (label.textSet && !label.added) marker += "*";
    if (label.renamed) marker += ">";
    return marker.empty() ? label.name : marker + " " + label.name;
}

// A planned text in the list's form: quoted, in UTF-16 as the table's own
// texts are shown (CsfArchive::quotedWideInto), at most TEXT_SHOWN units.
std::size_t quotedInto(const std::u16string& text, char16_t* buffer) {
    const std::size_t units = text.size() < CsfArchive::TEXT_SHOWN + 1 ? text.size() : CsfArchive::TEXT_SHOWN + 1;
    unsigned char stored[2 * (CsfArchive::TEXT_SHOWN + 1)];
    for (std::size_t i = 0; i < units; ++i) {
        stored[2 * i] = static_cast<unsigned char>(~(text[i] & 0xFF));
        stored[2 * i + 1] = static_cast<unsigned char>(~(text[i] >> 8));
    }
    return CsfArchive::quoteWideInto(stored, units, buffer);
}

}  // namespace

TessalyDialog::TessalyDialog()
    : DialogApplication(IDC_TESSALY_PROGRESS), panel_(*this, PANEL), labelCount(0), exportCount(0) {
    placement.margin = 30;
    panel_.setAcceptance([this](const char* candidate) { return isCsfTableFile(candidate); });
    panel_.setCommands({[this] { browse(); }, [this] { importTable(); }, [this] { exportTable(); },
                        [this] { append(); }, [this] { output(); }, [this] { editMenu(nullptr); },
                        [this] { save(); }, [this] { marker(); }, [this] { clearup(); }, [this] { exit(); }});
    panel_.setClose([this] { closeWindow(); });
    panel_.setKeys([this](WORD key) { return keyCommand(key); });
    // A right click on the list has no other meaning here: the edit menu.
    panel_.setRightClick([this](int) {
        POINT at{};
        GetCursorPos(&at);
        editMenu(&at);
    });
}

TessalyDialog::~TessalyDialog() = default;

void TessalyDialog::initialiseDialog(HWND window) {
    dialog = window;
    placement.placeCentred(window);
    setWindowIcons(window, IDI_TESSALY);
    setStaticBitmap(window, IDC_TESSALY_BANNER, IDB_TESSALY_BANNER);
    panel_.list().setWideColumn(TEXT_COLUMN);
    panel_.create(window);
}

// ---- helpers

bool TessalyDialog::isPlainFile(const char* candidate) {
    // Exactly the archive attribute: read-only, hidden or system files and
    // folders are refused.
    return *candidate != '\0' && platform::fileAttributes(candidate) == platform::ATTR_NORMAL_FILE;
}

bool TessalyDialog::isCsfTableFile(const char* candidate) {
    std::uint32_t attributes = platform::fileAttributes(candidate);
    bool folder = attributes != platform::ATTR_INVALID && (attributes & platform::ATTR_DIRECTORY) != 0;
    return !folder && archive.isCsfFile(candidate);
}

// ---- commands

// Ready for Import or Export when the chosen file is a string table.
void TessalyDialog::browse() { panel_.browse(); }

void TessalyDialog::importTable() {
    panel_.takePathField();
    // Unsaved changes are saved or dropped first (a save imports what it
    // wrote); the list then shows tables again, not the plan.
    const std::string requested = panel_.path();
    const bool showingPlan = plan_.started();
    if (!settlePending()) return;
    if (showingPlan) {
        dropPlan();
        panel_.list().deleteAllRows();
    }
    if (panel_.path() != requested) {
        panel_.pathField().setText(requested.c_str());
        panel_.takePathField();
    }
    const char* path = panel_.path().c_str();
    if (path[0] != '\0') {
        resetProgress();
        bool loaded = false;
        // An edit starts from the table read now: the file must still be as
        // it was before the reading.
        importStamp_ = platform::fileStamp(path);
        // The rows shown may be read from the table that is read anew.
        panel_.list().keepSourceRows();
        runInBackground([&] { loaded = archive.load(path, &workProgress()); });
        // The list never mixes two tables: rows of another table go first.
        panel_.noteImport(loaded);
    }
    listTable(false);
}

void TessalyDialog::listTable(bool replacing) {
    dialogs::OwnerDataList& list = panel_.list();
    labelCount = archive.recordCount();
    if (replacing && labelCount == 0) {
        list.replaceRows(0, nullptr);
        list.showRows();
    }
    if (labelCount == 0) return;
    const auto fill = [this](int i, dialogs::OwnerDataList::RowWriter& row) {
        row.cell("", 0);
        const std::string_view name = archive.labelView(i);
        row.cell(name.data(), name.size());
        char16_t quoted[CsfArchive::QUOTED_SIZE];
        row.wideCell(quoted, archive.quotedWideInto(i, quoted));
    };
    if (replacing || list.rowCount() == 0) {
        // The rows are read from the table when they are shown: it stays as
        // it is until the next import, which copies them in first.
        list.replaceRowsBySource(labelCount, fill);
    } else {
        // The same table imported again adds its rows again. The table's
        // size is a little more than the listed texts take (every label and
        // text record carries more than its quotes), so the list's text block
        // is set aside once and never copied while it fills.
        list.addRows(labelCount, fill, archive.bytes().size());
    }
    list.showRows();
    sweepProgress();
    panel_.report(tessalytext::IMPORTED);
    panel_.setMarker(false);
}

void TessalyDialog::exportTable() {
    exportCount = 0;
    panel_.takePathField();
    const char* path = panel_.path().c_str();
    // The rows are the plan's, not the loaded table's.
    if (plan_.pending()) {
        panel_.report(tessalytext::EXPORT_PENDING);
        return;
    }
    if (isPlainFile(path)) {
        if (!archive.ready()) {
            panel_.warn(tessalytext::EXPORT_ERROR, tessalytext::ERROR_TITLE);
        } else if (!panel_.isImportedFile(path)) {
            panel_.report(tessalytext::EXPORT_NOT_IMPORTED);
            return;
        } else if (panel_.saveFile(savePath)) {
            labelCount = archive.recordCount();
            for (int i = 0; i < labelCount; ++i) {
                bool unmarked = !panel_.list().isChecked(i);
                archive.setExportFlag(i, unmarked ? 1 : 0);
                if (unmarked) ++exportCount;
            }
            if (exportCount > 0) {
                resetProgress();
                bool written = false;
                runInBackground([&] { written = archive.exportTo(path, savePath.c_str()); });
                sweepProgress();
                if (!written) {
                    panel_.report(archive.problem() == CsfArchive::Problem::SAME_FILE ? tessalytext::EXPORT_REFUSED
                                                                                      : tessalytext::EXPORT_FAILED,
                                  savePath.c_str());
                    return;
                }
            }
        }
    }
    panel_.report(exportCount > 0 ? tessalytext::EXPORTED : tessalytext::NOTHING_EXPORTED, savePath.c_str());
}

void TessalyDialog::append() {
    panel_.takePathField();
    const char* path = panel_.path().c_str();
    if (!isPlainFile(path)) return;
    if (!panel_.isImportedFile(path)) {
        panel_.report(tessalytext::APPEND_NOT_IMPORTED);
        return;
    }
    if (plan_.pending()) {
        panel_.report(tessalytext::APPEND_PENDING);
        return;
    }
    std::string configPath;
    if (!panel_.openFile(configPath)) return;
    resetProgress();
    bool written = false;
    runInBackground([&] { written = archive.appendFromConfig(path, configPath.c_str()); });
    sweepProgress();
    if (!written) {
        panel_.report(archive.problem() == CsfArchive::Problem::NO_CONFIG ? tessalytext::APPEND_REFUSED
                                                                         : tessalytext::APPEND_FAILED);
        return;
    }
    if (archive.appendDone())
        panel_.report(archive.problem() == CsfArchive::Problem::VALUE_CUT ? tessalytext::APPENDED_CUT
                                                                         : tessalytext::APPENDED,
                      archive.newPath().c_str());
    if (archive.familiesLeftOut() > 0) {
        const std::size_t listed = archive.familiesListed();
        char line[LINE_SIZE];
        std::snprintf(line, sizeof line, tessalytext::APPEND_LIST_CUT_FORMAT,
                      std::to_string(listed - archive.familiesLeftOut()).c_str(), std::to_string(listed).c_str());
        if (archive.appendDone())
            panel_.addLine(line);
        else
            panel_.report(line);
    }
}

void TessalyDialog::output() {
    labelCount = archive.recordCount();
    if (labelCount < 1) return;
    if (plan_.pending()) {
        panel_.report(tessalytext::OUTPUT_PENDING);
        return;
    }
    std::string listingPath;
    if (!panel_.saveFile(listingPath, dialogs::ToolPanel::LISTING_PATH_SIZE)) return;
    const char* listing = listingPath.c_str();
    const ListingResult result = platform::isWriteProtected(listing)
                                     ? ListingResult::CANNOT_OPEN
                                     : saveCsfListing(archive, panel_.path().c_str(), listing);
    panel_.reportListing(result, listing, LISTING_TEXTS);
}

void TessalyDialog::marker() {
    labelCount = plan_.started() ? plan_.count() : archive.recordCount();
    panel_.toggleMarker(labelCount);
}

void TessalyDialog::clearup() {
    if (!settlePending()) return;
    dropPlan();
    panel_.clearup();
    archive.clear();
}

void TessalyDialog::exit() { closeWindow(); }

void TessalyDialog::closeWindow() {
    if (!settlePending()) return;
    DestroyWindow(dialogWindow());
}

// ---- editing

bool TessalyDialog::editCommand(int id) {
    switch (id) {
    case IDM_TESSALY_EDIT_TEXT: editText(); return true;
    case IDM_TESSALY_ADD: addLabel(); return true;
    case IDM_TESSALY_RENAME: renameLabel(); return true;
    case IDM_TESSALY_DELETE: deleteLabels(); return true;
    case IDM_TESSALY_SAVE_AS: saveAs(); return true;
    default: return false;
    }
}

void TessalyDialog::editMenu(const POINT* at) {
    panel_.popupMenu(EDIT_MENU, sizeof EDIT_MENU / sizeof EDIT_MENU[0], IDC_TESSALY_EDIT, at);
}

int TessalyDialog::keyCommand(WORD key) {
    switch (key) {
    case VK_F4: return IDM_TESSALY_EDIT_TEXT;
    case VK_INSERT: return IDM_TESSALY_ADD;
    case VK_F2: return IDM_TESSALY_RENAME;
    case VK_DELETE: return IDM_TESSALY_DELETE;
    case 'S':
        if (GetKeyState(VK_CONTROL) >= 0) return 0;
        return GetKeyState(VK_SHIFT) < 0 ? IDM_TESSALY_SAVE_AS : IDC_TESSALY_SAVE;
    default: return 0;
    }
}

bool TessalyDialog::beginEdit() {
    if (plan_.started()) return true;
    const std::string& imported = panel_.importedPath();
    if (!archive.ready() || imported.empty()) {
        panel_.report(tessalytext::EDIT_NOT_IMPORTED);
        return false;
    }
    if (platform::fileStamp(imported.c_str()) != importStamp_) {
        panel_.report(tessalytext::EDIT_CHANGED, imported.c_str());
        return false;
    }
    std::string reason;
    if (!plan_.begin(archive, reason)) {
        panel_.report(formatted(tessalytext::EDIT_DAMAGED_FORMAT, reason.c_str()).c_str(), imported.c_str());
        return false;
    }
    // The list shows the table once, with the check marks of its first rows.
    showPlan(planMarks());
    return true;
}

std::vector<bool> TessalyDialog::planMarks() {
    std::vector<bool> marks(static_cast<std::size_t>(plan_.count()), false);
    for (int i = 0; i < plan_.count(); ++i) marks[static_cast<std::size_t>(i)] = panel_.list().isChecked(i);
    return marks;
}

void TessalyDialog::showPlan(const std::vector<bool>& marks) {
    dialogs::OwnerDataList& list = panel_.list();
    char16_t quoted[CsfArchive::QUOTED_SIZE];
    list.replaceRows(
        plan_.count(),
        [&](int i, dialogs::OwnerDataList::RowWriter& row) {
            const PlannedLabel& label = plan_.at(i);
            row.cell("", 0);
            if (label.added || label.textSet || label.renamed) {
                const std::string name = markedName(label);
                row.cell(name.data(), name.size());
            } else {
                row.cell(label.name.data(), label.name.size());
            }
            if (label.textSet)
                row.wideCell(quoted, quotedInto(label.text, quoted));
            else
                row.wideCell(quoted, archive.quotedWideInto(label.record, quoted));
        },
        archive.bytes().size());
    list.showRows();
    list.setCheckMarks(marks);
    labelCount = plan_.count();
    showTitle();
}

void TessalyDialog::showTitle() {
    SetWindowTextA(dialogWindow(), plan_.pending() ? tessalytext::UNSAVED_TITLE : tessalytext::PROGRAM_TITLE);
}

int TessalyDialog::selectedLabel() {
    const int row = panel_.list().selectedRow();
    if (row < 0 || row >= plan_.count()) {
        panel_.report(tessalytext::SELECT_LABEL);
        return -1;
    }
    return row;
}

bool TessalyDialog::edited(LabelEdit result, const std::string& name) {
    if (result == LabelEdit::DONE) return true;
    panel_.report(formatted(tessalytext::EDIT_REFUSED_FORMAT, labelEditText(result)).c_str(), name.c_str());
    return false;
}

void TessalyDialog::noteEdit(const char* line0, const std::string& line1) {
    std::vector<bool> marks = planMarks();
    marks.resize(static_cast<std::size_t>(plan_.count()), false);
    showPlan(marks);
    panel_.report(line0, line1.c_str());
}

void TessalyDialog::editText() {
    if (!beginEdit()) return;
    const int index = selectedLabel();
    if (index < 0) return;
    std::string name = plan_.at(index).name;
    std::u16string text = plan_.text(index);
    if (!dialogs::editLabel(dialogWindow(), tessalytext::EDIT_TEXT_CAPTION, name, false, text)) return;
    if (!edited(plan_.setText(index, text), plan_.at(index).name)) return;
    noteEdit(tessalytext::TEXT_CHANGED, plan_.at(index).name);
}

void TessalyDialog::addLabel() {
    if (!beginEdit()) return;
    std::string name;
    std::u16string text;
    if (!dialogs::editLabel(dialogWindow(), tessalytext::ADD_CAPTION, name, true, text)) return;
    if (!edited(plan_.add(name, text), name)) return;
    noteEdit(tessalytext::LABEL_ADDED, name);
    // The new label is the last row: shown and selected (unless a find
    // hides it).
    panel_.list().selectRow(plan_.count() - 1);
}

void TessalyDialog::renameLabel() {
    if (!beginEdit()) return;
    const int index = selectedLabel();
    if (index < 0) return;
    std::string name = plan_.at(index).name;
    if (!dialogs::askLine(dialogWindow(), tessalytext::RENAME_CAPTION, tessalytext::RENAME_PROMPT, name)) return;
    if (!edited(plan_.rename(index, name), name)) return;
    noteEdit(tessalytext::LABEL_RENAMED, name);
}

void TessalyDialog::deleteLabels() {
    if (!beginEdit()) return;
    // The checked rows, else the selected one.
    std::vector<bool> drop = planMarks();
    int count = 0;
    for (bool flag : drop) count += flag ? 1 : 0;
    if (count == 0) {
        const int index = selectedLabel();
        if (index < 0) return;
        drop[static_cast<std::size_t>(index)] = true;
        count = 1;
    }
    plan_.remove(drop);
    showPlan({});
    panel_.report(formatted(tessalytext::DELETED_FORMAT, count).c_str());
}

void TessalyDialog::save() {
    if (!plan_.pending()) {
        panel_.report(tessalytext::NOTHING_TO_SAVE);
        return;
    }
    saveTo(panel_.importedPath());
}

void TessalyDialog::saveAs() {
    if (!beginEdit()) return;
    std::string target;
    if (!panel_.saveFile(target)) return;
    saveTo(target);
}

bool TessalyDialog::saveTo(std::string target) {
    resetProgress();
    TableSave saved = TableSave::NOTHING_PLANNED;
    runInBackground([&] { saved = plan_.save(target, &workProgress()); });
    if (saved != TableSave::SAVED) {
        panel_.report(formatted(tessalytext::SAVE_FAILED_FORMAT, tableSaveText(saved)).c_str(), target.c_str());
        panel_.addLine(tessalytext::STILL_PENDING);
        return false;
    }
    // The table as written becomes the imported one and fills the list.
    dropPlan();
    panel_.pathField().setText(target.c_str());
    panel_.takePathField();
    bool loaded = false;
    importStamp_ = platform::fileStamp(target.c_str());
    panel_.list().keepSourceRows();
    runInBackground([&] { loaded = archive.load(target.c_str(), &workProgress()); });
    panel_.noteImport(loaded);
    listTable(true);
    panel_.report(tessalytext::TABLE_SAVED, target.c_str());
    panel_.addLine(formatted(tessalytext::LABELS_FORMAT, archive.recordCount()));
    return true;
}

bool TessalyDialog::settlePending() {
    if (!plan_.pending()) return true;
    switch (MessageBoxA(dialogWindow(), tessalytext::ASK_SAVE, tessalytext::PROGRAM_TITLE,
                        MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return saveTo(panel_.importedPath());
    case IDNO: dropPlan(); return true;
    default: return false;
    }
}

void TessalyDialog::dropPlan() {
    plan_ = CsfEditPlan();
    showTitle();
}

INT_PTR TessalyDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (answeredByFrame(window, message, wParam, lParam)) return TRUE;
    if (message == WM_COMMAND && editCommand(LOWORD(wParam))) return TRUE;
    return panel_.handleMessage(message, wParam, lParam);
}
