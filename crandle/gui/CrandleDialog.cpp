#include "CrandleDialog.h"

#include <charconv>
#include <cstdio>
#include <map>

#include "BigListing.h"
#include "CrandleIds.h"
#include "FolderScanner.h"
#include "InputBoxes.h"
#include "platform/Platform.h"

namespace {

// Filter pairs: description and pattern, each ended by a zero, the list by one more.
const char FILTER[] = "BIG Files(*.big)\0*.big\0All Files (*.*)\0*.*\0";

const dialogs::ToolPanelLayout PANEL = {
    IDC_CRANDLE_TAB, "BIG Files", IDC_CRANDLE_PATH, IDC_CRANDLE_LIST,
    {{"**", 30, dialogs::IMAGE_COLUMN_FORMAT}, {"Filename", 436, LVCFMT_LEFT}, {"Size", 80, LVCFMT_RIGHT}},
    IDC_CRANDLE_MESSAGES,
    {IDC_CRANDLE_BROWSE, IDC_CRANDLE_IMPORT, IDC_CRANDLE_EXPORT, IDC_CRANDLE_CREATE, IDC_CRANDLE_OUTPUT,
     IDC_CRANDLE_EDIT, IDC_CRANDLE_SAVE, IDC_CRANDLE_MARKER, IDC_CRANDLE_CLEARUP, IDC_CRANDLE_EXIT},
    {"Browse", "Import", "Export", "Create", "Output", "Edit", "Save", "Marker", "Clearup", "Exit"},
    "File Dialog - Crandle",
    FILTER,
    crandletext::IMPROPER_TYPE,
    crandletext::ERROR_TITLE,
    true,   // a click beside the rows checks them all
    false,  // Clearup leaves the Marker as it is
    IDC_CRANDLE_FIND,
    1u << 1,  // entry names
    "Find an entry name (Ctrl+F; Esc clears)",
};

const dialogs::ListingTexts LISTING_TEXTS = {
    crandletext::SAVED,         crandletext::OUTPUT_FAILED, crandletext::OUTPUT_REFUSED, crandletext::CANNOT_OPEN_FORMAT,
    crandletext::PROGRAM_TITLE, dialogs::DialogApplication::MESSAGE_TEXT_SIZE,
};

// The Edit button's menu; the keys shown work on the list.
const dialogs::ToolMenuItem EDIT_MENU[] = {
    {IDM_CRANDLE_ADD_FILES, "Add files...\tIns"},
    {IDM_CRANDLE_ADD_FOLDER, "Add folder..."},
    {IDM_CRANDLE_REPLACE, "Replace..."},
    {IDM_CRANDLE_RENAME, "Rename...\tF2"},
    {IDM_CRANDLE_DELETE, "Delete\tDel"},
    {0, nullptr},
    {IDC_CRANDLE_SAVE, "Save\tCtrl+S"},
    {IDM_CRANDLE_SAVE_AS, "Save as...\tCtrl+Shift+S"},
};

// Archive names use '\' between folders; the user may type '/'. Separators
// at either end are dropped.
std::string archiveName(std::string name) {
    for (char& c : name)
        if (c == '/') c = '\\';
    while (!name.empty() && name.back() == '\\') name.pop_back();
    const std::size_t first = name.find_first_not_of('\\');
    if (first == std::string::npos) return std::string();
    // Names are stored in Windows-1252: one the code page cannot carry is
    // refused as a name no entry can have.
    std::string bytes;
    return platform::toArchiveName(name.substr(first), bytes) ? bytes : std::string();
}

std::string joinName(const std::string& under, const std::string& name) {
    return under.empty() ? name : under + "\\" + name;
}

std::string baseName(const std::string& path) {
    const std::size_t sep = platform::lastSeparator(path);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

// A row's name with what the plan does to it in front: "+ " added,
// "* " replaced, "> " renamed ("*> " both).
std::string markedName(const PlannedEntry& entry) {
    std::string marker;
    if (entry.added) marker = "+";
    if (entry.replaced) marker += "*";
    if (entry.renamed) marker += ">";
    return marker.empty() ? entry.name : marker + " " + entry.name;
}

// Room for a size column's text: "-2147483648" and its zero.
constexpr std::size_t SIZE_TEXT = 12;

// A Create that could not read some files names at most this many of them.
constexpr std::size_t MAX_NAMED_PROBLEMS = 20;

// The patterns below take (number, number), (number, text) or (text).
std::string format(const char* pattern, int first, int second) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, first, second);
    return buffer;
}

std::string format(const char* pattern, int number, const char* text) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, number, text);
    return buffer;
}

std::string format(const char* pattern, const char* text) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, text);
    return buffer;
}

}  // namespace

CrandleDialog::CrandleDialog()
    : DialogApplication(IDC_CRANDLE_PROGRESS), panel_(*this, PANEL), entryCount(0), exportCount(0) {
    placement.margin = 30;
    panel_.setAcceptance([this](const char* candidate) { return isFolderOrBigFile(candidate); });
    panel_.setRightClick([this](int row) { rowView(row); });
    panel_.setCommands({[this] { browse(); }, [this] { importArchive(); }, [this] { exportArchive(); },
                        [this] { create(); }, [this] { output(); }, [this] { editMenu(); }, [this] { save(); },
                        [this] { marker(); }, [this] { clearup(); }, [this] { exit(); }});
    panel_.setClose([this] { exit(); });
    panel_.setKeys([this](WORD key) { return keyCommand(key); });
}

CrandleDialog::~CrandleDialog() = default;

void CrandleDialog::initialiseDialog(HWND window) {
    dialog = window;
    placement.placeCentred(window);
    setWindowIcons(window, IDI_CRANDLE);
    setStaticBitmap(window, IDC_CRANDLE_BANNER, IDB_CRANDLE_BANNER);
    panel_.create(window);
    panel_.chooser().allocateTaskMemory();
}

// ---- helpers

bool CrandleDialog::isExistingFolder(const char* candidate) {
    // Read-only, hidden or system folders are folders like any other.
    std::uint32_t attributes = platform::fileAttributes(candidate);
    return attributes != platform::ATTR_INVALID && (attributes & platform::ATTR_DIRECTORY) != 0;
}

bool CrandleDialog::isFolderOrBigFile(const char* candidate) {
    return isExistingFolder(candidate) || archive.isBigFile(candidate);
}

// ---- commands

void CrandleDialog::browse() { panel_.browse(); }

void CrandleDialog::importArchive() {
    panel_.takePathField();
    const char* path = panel_.path().c_str();
    if (path[0] != '\0') {
        // Only a BIG archive is read: anything else would fill the list with
        // whatever its bytes happen to say. The loaded directory and the
        // list stay as they were.
        if (isExistingFolder(path) || !archive.isBigFile(path)) {
            panel_.warn(crandletext::IMPROPER_TYPE, crandletext::ERROR_TITLE);
            return;
        }
    }
    // Unsaved changes are saved or dropped first (a save imports what it
    // wrote); the list then shows archives again, not the plan.
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
    path = panel_.path().c_str();
    if (path[0] != '\0') {
        resetProgress();
        bool opened = false;
        // An edit starts from the directory read now: the file must still
        // be as it was before the reading.
        importStamp_ = platform::fileStamp(path);
        // The rows shown may be read from the directory that is read anew.
        panel_.list().keepSourceRows();
        runInBackground([&] { opened = archive.openArchive(path, &workProgress()); });
        // The list never shows two archives: rows of another archive go first.
        panel_.noteImport(opened);
    }
    listArchive(false);
}

void CrandleDialog::listArchive(bool replacing) {
    const char* path = panel_.path().c_str();
    dialogs::OwnerDataList& list = panel_.list();
    entryCount = archive.countEntries();
    // A damaged header is said so, never shown as an empty archive.
    if (archive.directoryDamaged()) panel_.report(crandletext::DAMAGED, path);
    if (replacing && entryCount < 1) {
        list.replaceRows(0, nullptr);
        list.showRows();
    }
    if (entryCount < 1) return;
    const auto fill = [this](int i, dialogs::OwnerDataList::RowWriter& row) {
        row.cell("", 0);
        row.cell(archive.entryName(i));
        // As entrySizeText gives it ("%d" of the 32-bit field), without a
        // formatted print per row.
        char size[SIZE_TEXT];
        const std::to_chars_result written = std::to_chars(
            size, size + sizeof size, static_cast<int>(static_cast<std::int32_t>(archive.entry(i)->dataSize)));
        row.cell(size, static_cast<std::size_t>(written.ptr - size));
    };
    if (replacing || list.rowCount() == 0) {
        // The rows are read from the directory when they are shown: it stays
        // as it is until the next import, which copies them in first.
        list.replaceRowsBySource(entryCount, fill);
    } else {
        // The same archive imported again adds its rows again. The texts'
        // size, so that the list's text block is set aside once and never
        // copied while it fills: each name and size with its zero (the names
        // as stored; a code page that widens them only makes the block grow
        // a little once).
        std::size_t textBytes = 0;
        for (int i = 0; i < entryCount; ++i) textBytes += archive.entry(i)->name.size() + 1 + SIZE_TEXT;
        list.addRows(entryCount, fill, textBytes);
    }
    list.showRows();
    sweepProgress();
    if (!archive.directoryDamaged()) panel_.report(crandletext::IMPORTED);
}

void CrandleDialog::exportArchive() {
    exportCount = 0;
    panel_.takePathField();
    const char* path = panel_.path().c_str();
    // The rows are the plan's, not the loaded directory's.
    if (plan_.pending()) {
        panel_.report(crandletext::EXPORT_PENDING);
        return;
    }
    ExtractReport result;
    bool extracted = false;
    std::uint32_t attributes = path[0] != '\0' ? platform::fileAttributes(path) : platform::ATTR_INVALID;
    if (attributes == platform::ATTR_NORMAL_FILE || attributes == FILE_ATTRIBUTE_NORMAL) {
        // The loaded directory's offsets are only meaningful in the file it
        // was read from.
        if (!panel_.isImportedFile(path)) {
            panel_.report(crandletext::EXPORT_NOT_IMPORTED);
            return;
        }
        if (panel_.chooseFolder(exportFolder)) {
            entryCount = archive.countEntries();
            for (int i = 0; i < entryCount; ++i) {
                std::uint8_t flag = panel_.list().isChecked(i) ? 0 : 1;
                archive.setSelected(i, flag);
                exportCount += flag;
            }
            if (exportCount < 1) {
                panel_.report(crandletext::NOTHING_EXPORTED, exportFolder.c_str());
                return;
            }
            resetProgress();
            runInBackground([&] { result = archive.extractSelected(path, exportFolder.c_str(), &workProgress()); });
            extracted = true;
            sweepProgress();
        }
    }
    if (!extracted) {
        panel_.report(exportCount > 0 ? crandletext::EXPORTED : crandletext::NOTHING_EXPORTED, exportFolder.c_str());
        return;
    }
    if (!result.archiveOpened) {
        panel_.report(crandletext::EXPORT_UNREADABLE, exportFolder.c_str());
        return;
    }
    const bool complete = result.written == exportCount;
    panel_.report(complete ? crandletext::EXPORTED : crandletext::EXPORT_INCOMPLETE, exportFolder.c_str());
    panel_.addLine(format(crandletext::WRITTEN_FORMAT, result.written, exportCount));
    // One line per reason, with the number of entries it kept out.
    std::map<EntryProblem, int> reasons;
    for (const EntryReport& problem : result.problems) ++reasons[problem.problem];
    for (const auto& reason : reasons)
        panel_.addLine(format(crandletext::NOT_WRITTEN_FORMAT, reason.second, entryProblemText(reason.first)));
}

void CrandleDialog::create() {
    panel_.takePathField();
    const char* path = panel_.path().c_str();
    if (path[0] == '\0') return;
    if (!isExistingFolder(path)) {
        panel_.report(crandletext::CREATE_NOT_FOLDER, path);
        return;
    }
    std::string savePath;
    if (!panel_.saveFile(savePath)) return;
    resetProgress();
    panel_.messageList().clearAll();

    BigStatus collected = BigStatus::OK;
    WriteReport written;
    runInBackground([&] {
        collected = archive.collectFolder(path, nullptr, &workProgress());
        if (collected == BigStatus::OK) written = archive.writeArchive(savePath.c_str(), &workProgress());
    });
    if (collected != BigStatus::OK) {
        const std::string refused = format(crandletext::COLLECT_REFUSED_FORMAT, bigStatusText(collected));
        panel_.report(refused.c_str(),
                      archive.collectProblemPath().empty() ? nullptr : archive.collectProblemPath().c_str());
        sweepProgress();
        return;
    }
    panel_.messageList().insertText(crandletext::COLLECTED, 0);

    if (written.status != BigStatus::OK) {
        panel_.addLine(format(crandletext::CREATE_FAILED_FORMAT, bigStatusText(written.status)));
        panel_.addLine(savePath);
        if (!written.problemPath.empty()) panel_.addLine(written.problemPath);  // the file that ended it
    } else if (!written.problems.empty()) {
        panel_.addLine(format(crandletext::CREATE_INCOMPLETE_FORMAT, static_cast<int>(written.problems.size()), 0));
        panel_.addLine(savePath);
        for (std::size_t i = 0; i < written.problems.size() && i < MAX_NAMED_PROBLEMS; ++i)
            panel_.addLine(written.problems[i].name);
    } else {
        panel_.addLine(crandletext::CREATED);
        panel_.addLine(savePath);
    }
    if (archive.collectLimitReached()) panel_.addLine(crandletext::COLLECT_LIMIT);
    if (written.excludedSelf > 0) panel_.addLine(crandletext::EXCLUDED_SELF);
    const std::vector<PassedOver>& passed = archive.passedOver();
    if (!passed.empty()) panel_.addLine(format(crandletext::PASSED_OVER_FORMAT, static_cast<int>(passed.size()), 0));
    for (std::size_t i = 0; i < passed.size() && i < MAX_NAMED_PROBLEMS; ++i)
        panel_.addLine(passed[i].path + " - " + passReasonText(passed[i].reason));
    sweepProgress();
}

void CrandleDialog::output() {
    entryCount = archive.countEntries();
    if (entryCount < 1) return;
    if (plan_.pending()) {
        panel_.report(crandletext::OUTPUT_PENDING);
        return;
    }
    std::string chosen;
    if (!panel_.saveFile(chosen, dialogs::ToolPanel::LISTING_PATH_SIZE)) return;
    const char* name = chosen.c_str();
    panel_.reportListing(saveBigListing(archive, panel_.path().c_str(), panel_.importedPath(), name), name,
                         LISTING_TEXTS);
}

void CrandleDialog::marker() {
    entryCount = plan_.started() ? plan_.count() : archive.countEntries();
    panel_.toggleMarker(entryCount);
}

void CrandleDialog::clearup() {
    if (!settlePending()) return;
    dropPlan();
    panel_.clearup();
    archive.clearLists();
}

void CrandleDialog::exit() {
    if (!settlePending()) return;
    panel_.chooser().releaseTaskMemory();
    clearup();
    DestroyWindow(dialogWindow());
}

void CrandleDialog::rowView(int row) {
    if (row < 0) return;
    int index = row;
    if (plan_.started()) {
        // Only an entry still holding its bytes in the archive is viewed.
        if (row >= plan_.count()) return;
        const PlannedEntry& planned = plan_.at(row);
        index = -1;
        if (!planned.added && !planned.replaced) {
            for (std::int32_t i = 0; i < archive.countEntries() && index < 0; ++i) {
                const BigEntry* entry = archive.entry(i);
                if (entry->dataOffset == planned.oldOffset && entry->name == planned.oldName) index = i;
            }
        }
        if (index < 0) {
            panel_.addLine(planned.name);
            return;
        }
    }
    if (index >= archive.countEntries()) return;
    archive.viewTextEntry(index, dialogWindow());
    panel_.messageList().addText(plan_.started() ? plan_.at(row).name.c_str() : archive.entryName(index));
}

// ---- editing

bool CrandleDialog::editCommand(int id) {
    switch (id) {
    case IDM_CRANDLE_ADD_FILES: addFiles(); return true;
    case IDM_CRANDLE_ADD_FOLDER: addFolder(); return true;
    case IDM_CRANDLE_REPLACE: replaceEntry(); return true;
    case IDM_CRANDLE_RENAME: renameEntry(); return true;
    case IDM_CRANDLE_DELETE: deleteEntries(); return true;
    case IDM_CRANDLE_SAVE_AS: saveAs(); return true;
    default: return false;
    }
}

void CrandleDialog::editMenu() {
    panel_.popupMenu(EDIT_MENU, sizeof EDIT_MENU / sizeof EDIT_MENU[0], IDC_CRANDLE_EDIT);
}

int CrandleDialog::keyCommand(WORD key) {
    const bool control = GetKeyState(VK_CONTROL) < 0;
    switch (key) {
    case VK_INSERT: return IDM_CRANDLE_ADD_FILES;
    case VK_DELETE: return IDM_CRANDLE_DELETE;
    case VK_F2: return IDM_CRANDLE_RENAME;
    case 'S':
        if (!control) return 0;
        return GetKeyState(VK_SHIFT) < 0 ? IDM_CRANDLE_SAVE_AS : IDC_CRANDLE_SAVE;
    default: return 0;
    }
}

bool CrandleDialog::beginEdit() {
    if (plan_.started()) return true;
    if (!archive.loaded() || panel_.importedPath().empty()) {
        panel_.report(crandletext::EDIT_NOT_IMPORTED);
        return false;
    }
    std::string reason;
    if (platform::fileStamp(panel_.importedPath().c_str()) != importStamp_) {
        panel_.report(crandletext::EDIT_CHANGED, panel_.importedPath().c_str());
        return false;
    }
    if (!plan_.begin(archive, panel_.importedPath(), reason)) {
        panel_.report(format(crandletext::EDIT_DAMAGED_FORMAT, reason.c_str()).c_str(), panel_.importedPath().c_str());
        return false;
    }
    // The list shows the archive once, with the check marks of its first rows.
    showPlan(planMarks());
    return true;
}

std::vector<bool> CrandleDialog::planMarks() {
    std::vector<bool> marks(static_cast<std::size_t>(plan_.count()), false);
    for (std::int32_t i = 0; i < plan_.count(); ++i) marks[static_cast<std::size_t>(i)] = panel_.list().isChecked(i);
    return marks;
}

void CrandleDialog::showPlan(const std::vector<bool>& marks) {
    dialogs::OwnerDataList& list = panel_.list();
    char size[16];
    list.replaceRows(plan_.count(), [&](int i, dialogs::OwnerDataList::RowWriter& row) {
        const PlannedEntry& entry = plan_.at(i);
        row.cell("", 0);
        if (entry.added || entry.replaced || entry.renamed) {
            const std::string name = markedName(entry);
            row.cell(name.data(), name.size());
        } else {
            row.cell(entry.name.data(), entry.name.size());
        }
        const int length = std::snprintf(size, sizeof size, "%lu", static_cast<unsigned long>(entry.size));
        row.cell(size, static_cast<std::size_t>(length));
    });
    list.showRows();
    list.setCheckMarks(marks);
    entryCount = plan_.count();
    showTitle();
}

void CrandleDialog::showTitle() {
    SetWindowTextA(dialogWindow(), plan_.pending() ? crandletext::UNSAVED_TITLE : crandletext::PROGRAM_TITLE);
}

void CrandleDialog::showRow(int row) { panel_.list().selectRow(row); }

int CrandleDialog::selectedEntry() {
    const int row = panel_.list().selectedRow();
    if (row < 0 || row >= plan_.count()) {
        panel_.report(crandletext::SELECT_ENTRY);
        return -1;
    }
    return row;
}

bool CrandleDialog::askFolder(std::string& under) {
    // The folder of the selected entry, else the top.
    under.clear();
    const int row = panel_.list().selectedRow();
    if (row >= 0 && row < plan_.count()) {
        const std::string& name = plan_.at(row).name;
        const std::size_t sep = name.rfind('\\');
        if (sep != std::string::npos) under = name.substr(0, sep);
    }
    if (!dialogs::askLine(dialogWindow(), crandletext::ADD_CAPTION, crandletext::ADD_PROMPT, under)) return false;
    under = archiveName(under);
    return true;
}

void CrandleDialog::noteEdit(const std::string& line0, const std::string& line1) {
    std::vector<bool> marks = planMarks();
    marks.resize(static_cast<std::size_t>(plan_.count()), false);
    showPlan(marks);
    panel_.report(line0.c_str(), line1.empty() ? nullptr : line1.c_str());
}

void CrandleDialog::addFiles() {
    if (!beginEdit()) return;
    std::vector<std::string> files;
    if (!panel_.openFiles(files)) return;
    std::string under;
    if (!askFolder(under)) return;
    // Every file is added, or none.
    BigEditPlan changed = plan_;
    for (const std::string& file : files) {
        const std::string name = joinName(under, archiveName(baseName(file)));
        const EditResult result = changed.add(name, file);
        if (result != EditResult::DONE) {
            panel_.report(format(crandletext::EDIT_REFUSED_FORMAT, editResultText(result)).c_str(),
                          result == EditResult::NOT_A_FILE || result == EditResult::FILE_TOO_LARGE ? file.c_str()
                                                                                                  : name.c_str());
            return;
        }
    }
    const int first = plan_.count();
    plan_ = std::move(changed);
    noteEdit(format(crandletext::ADDED_FORMAT, static_cast<int>(files.size()), 0), under);
    showRow(first);
}

void CrandleDialog::addFolder() {
    if (!beginEdit()) return;
    std::string source;
    if (!panel_.chooseFolder(source)) return;
    std::string under;
    if (!askFolder(under)) return;
    // Every file below the folder, named by its path inside it, is added,
    // or none.
    BigEditPlan changed = plan_;
    FolderScanner scanner;
    EditResult result = EditResult::DONE;
    std::string failed;
    int added = 0;
    resetProgress();
    runInBackground([&] {
        if (!scanner.setStartFolder(source.c_str())) {
            result = EditResult::NOT_A_FILE;
            failed = source;
            return;
        }
        scanner.setProgress(&workProgress());
        scanner.scanAll();
        const std::size_t prefix = source.size() + (platform::isSeparator(source.back()) ? 0 : 1);
        for (std::int32_t i = 0; i < scanner.fileCount() && result == EditResult::DONE; ++i) {
            const std::string& path = scanner.filePath(i);
            failed = joinName(under, archiveName(path.substr(prefix)));
            result = changed.add(failed, path);
            if (result == EditResult::NOT_A_FILE || result == EditResult::FILE_TOO_LARGE) failed = path;
            ++added;
        }
    });
    sweepProgress();
    if (scanner.stopped()) return;
    if (result != EditResult::DONE) {
        panel_.report(format(crandletext::EDIT_REFUSED_FORMAT, editResultText(result)).c_str(), failed.c_str());
        return;
    }
    const int first = plan_.count();
    plan_ = std::move(changed);
    noteEdit(format(crandletext::ADDED_FORMAT, added, 0), under);
    if (added > 0) showRow(first);
    if (scanner.foldersLeft()) panel_.addLine(crandletext::COLLECT_LIMIT);
    const std::vector<PassedOver>& passed = scanner.passedOver();
    if (!passed.empty()) panel_.addLine(format(crandletext::PASSED_OVER_FORMAT, static_cast<int>(passed.size()), 0));
    for (std::size_t i = 0; i < passed.size() && i < MAX_NAMED_PROBLEMS; ++i)
        panel_.addLine(passed[i].path + " - " + passReasonText(passed[i].reason));
}

void CrandleDialog::replaceEntry() {
    if (!beginEdit()) return;
    const int index = selectedEntry();
    if (index < 0) return;
    std::string file;
    if (!panel_.openFile(file)) return;
    const EditResult result = plan_.replace(index, file);
    if (result != EditResult::DONE) {
        panel_.report(format(crandletext::EDIT_REFUSED_FORMAT, editResultText(result)).c_str(), file.c_str());
        return;
    }
    noteEdit(crandletext::REPLACED, plan_.at(index).name);
}

void CrandleDialog::renameEntry() {
    if (!beginEdit()) return;
    const int index = selectedEntry();
    if (index < 0) return;
    std::string name = plan_.at(index).name;
    if (!dialogs::askLine(dialogWindow(), crandletext::RENAME_CAPTION, crandletext::RENAME_PROMPT, name)) return;
    name = archiveName(name);
    const EditResult result = plan_.rename(index, name);
    if (result != EditResult::DONE) {
        panel_.report(format(crandletext::EDIT_REFUSED_FORMAT, editResultText(result)).c_str(), name.c_str());
        return;
    }
    noteEdit(crandletext::RENAMED, name);
}

void CrandleDialog::deleteEntries() {
    if (!beginEdit()) return;
    // The checked rows, else the selected one.
    std::vector<bool> drop = planMarks();
    int count = 0;
    for (bool flag : drop) count += flag ? 1 : 0;
    if (count == 0) {
        const int index = selectedEntry();
        if (index < 0) return;
        drop[static_cast<std::size_t>(index)] = true;
        count = 1;
    }
    plan_.remove(drop);
    showPlan({});
    panel_.report(format(crandletext::DELETED_FORMAT, count, 0).c_str());
}

void CrandleDialog::save() {
    if (!plan_.pending()) {
        panel_.report(crandletext::NOTHING_TO_SAVE);
        return;
    }
    saveTo(plan_.archivePath());
}

void CrandleDialog::saveAs() {
    if (!beginEdit()) return;
    std::string target;
    if (!panel_.saveFile(target)) return;
    saveTo(target);
}

bool CrandleDialog::saveTo(std::string target) {
    resetProgress();
    SaveResult saved = SaveResult::NOTHING_PLANNED;
    runInBackground([&] { saved = plan_.save(target, &workProgress()); });
    if (saved != SaveResult::SAVED) {
        panel_.report(format(crandletext::SAVE_FAILED_FORMAT, saveResultText(saved)).c_str(),
                      plan_.failedPath().empty() ? target.c_str() : plan_.failedPath().c_str());
        panel_.addLine(crandletext::STILL_PENDING);
        return false;
    }
    // The archive as written becomes the imported one and fills the list.
    dropPlan();
    panel_.pathField().setText(target.c_str());
    panel_.takePathField();
    bool opened = false;
    importStamp_ = platform::fileStamp(target.c_str());
    panel_.list().keepSourceRows();
    runInBackground([&] { opened = archive.openArchive(target.c_str(), &workProgress()); });
    panel_.noteImport(opened);
    listArchive(true);
    panel_.report(crandletext::ARCHIVE_SAVED, target.c_str());
    panel_.addLine(format(crandletext::ENTRIES_FORMAT, archive.countEntries(), 0));
    return true;
}

bool CrandleDialog::settlePending() {
    if (!plan_.pending()) return true;
    switch (MessageBoxA(dialogWindow(), crandletext::ASK_SAVE, crandletext::PROGRAM_TITLE,
                        MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return saveTo(plan_.archivePath());
    case IDNO: dropPlan(); return true;
    default: return false;
    }
}

void CrandleDialog::dropPlan() {
    plan_ = BigEditPlan();
    showTitle();
}

INT_PTR CrandleDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (answeredByFrame(window, message, wParam, lParam)) return TRUE;
    if (message == WM_COMMAND && editCommand(LOWORD(wParam))) return TRUE;
    return panel_.handleMessage(message, wParam, lParam);
}
