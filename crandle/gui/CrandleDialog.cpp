#include "CrandleDialog.h"

#include <cstdio>
#include <map>

#include "BigListing.h"
#include "CrandleIds.h"
#include "platform/Platform.h"

namespace {

// Filter pairs: description and pattern, each ended by a zero, the list by one more.
const char FILTER[] = "BIG Files(*.big)\0*.big\0All Files (*.*)\0*.*\0";

const dialogs::ToolPanelLayout PANEL = {
    IDC_CRANDLE_TAB, "BIG Files", IDC_CRANDLE_PATH, IDC_CRANDLE_LIST,
    {{"**", 30, dialogs::IMAGE_COLUMN_FORMAT}, {"Filename", 436, LVCFMT_LEFT}, {"Size", 80, LVCFMT_RIGHT}},
    IDC_CRANDLE_MESSAGES,
    {IDC_CRANDLE_BROWSE, IDC_CRANDLE_IMPORT, IDC_CRANDLE_EXPORT, IDC_CRANDLE_CREATE, IDC_CRANDLE_OUTPUT,
     IDC_CRANDLE_MARKER, IDC_CRANDLE_CLEARUP, IDC_CRANDLE_EXIT},
    {"Browse", "Import", "Export", "Create", "Output", "Marker", "Clearup", "Exit"},
    "File Dialog - Crandle",
    FILTER,
    crandletext::IMPROPER_TYPE,
    crandletext::ERROR_TITLE,
    true,   // a click beside the rows checks them all
    false,  // Clearup leaves the Marker as it is
};

const dialogs::ListingTexts LISTING_TEXTS = {
    crandletext::SAVED,         crandletext::OUTPUT_FAILED, crandletext::OUTPUT_REFUSED, crandletext::CANNOT_OPEN_FORMAT,
    crandletext::PROGRAM_TITLE, dialogs::DialogApplication::MESSAGE_TEXT_SIZE,
};

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
                        [this] { create(); }, [this] { output(); }, [this] { marker(); }, [this] { clearup(); },
                        [this] { exit(); }});
    panel_.setClose([this] { exit(); });
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
    dialogs::OwnerDataList& list = panel_.list();
    if (path[0] != '\0') {
        // Only a BIG archive is read: anything else would fill the list with
        // whatever its bytes happen to say. The loaded directory and the
        // list stay as they were.
        if (isExistingFolder(path) || !archive.isBigFile(path)) {
            panel_.warn(crandletext::IMPROPER_TYPE, crandletext::ERROR_TITLE);
            return;
        }
        resetProgress();
        bool opened = false;
        runInBackground([&] { opened = archive.openArchive(path, &workProgress()); });
        // The list never shows two archives: rows of another archive go first.
        panel_.noteImport(opened);
    }
    entryCount = archive.countEntries();
    // A damaged header is said so, never shown as an empty archive.
    if (archive.directoryDamaged()) panel_.report(crandletext::DAMAGED, path);
    if (entryCount < 1) return;
    list.addRows(entryCount, [&](int i, dialogs::OwnerDataList::RowWriter& row) {
        row.cell("", 0);
        const std::string& name = archive.entry(i)->name;
        row.cell(name.data(), name.size());
        row.cell(archive.entrySizeText(i));
    });
    list.showRows();
    sweepProgress();
    if (!archive.directoryDamaged()) panel_.report(crandletext::IMPORTED);
}

void CrandleDialog::exportArchive() {
    exportCount = 0;
    panel_.takePathField();
    const char* path = panel_.path().c_str();
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
    std::string chosen;
    if (!panel_.saveFile(chosen, dialogs::ToolPanel::LISTING_PATH_SIZE)) return;
    const char* name = chosen.c_str();
    panel_.reportListing(saveBigListing(archive, panel_.path().c_str(), panel_.importedPath(), name), name,
                         LISTING_TEXTS);
}

void CrandleDialog::marker() {
    entryCount = archive.countEntries();
    panel_.toggleMarker(entryCount);
}

void CrandleDialog::clearup() {
    panel_.clearup();
    archive.clearLists();
}

void CrandleDialog::exit() {
    panel_.chooser().releaseTaskMemory();
    clearup();
    DestroyWindow(dialogWindow());
}

void CrandleDialog::rowView(int row) {
    if (row < 0 || row >= archive.countEntries()) return;
    archive.viewTextEntry(row, dialogWindow());
    panel_.messageList().addText(archive.entryName(row));
}

INT_PTR CrandleDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (answeredByFrame(window, message, wParam, lParam)) return TRUE;
    return panel_.handleMessage(message, wParam, lParam);
}
