#include "TessalyDialog.h"

#include <cstdio>

#include "CsfListing.h"
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
     IDC_TESSALY_MARKER, IDC_TESSALY_CLEARUP, IDC_TESSALY_EXIT},
    {"Browse", "Import", "Export", "Append", "Output", "Marker", "Clearup", "Exit"},
    "File Dialog - Tessaly",
    FILTER,
    tessalytext::IMPROPER_TYPE,
    tessalytext::ERROR_TITLE,
    false,  // a click beside the rows does nothing
    true,   // Clearup clears the Marker
};

const dialogs::ListingTexts LISTING_TEXTS = {
    tessalytext::SAVED,       tessalytext::OUTPUT_FAILED, tessalytext::OUTPUT_REFUSED, tessalytext::CANNOT_OPEN_FORMAT,
    tessalytext::PROGRAM_TITLE, TessalyDialog::LINE_SIZE,
};

}  // namespace

TessalyDialog::TessalyDialog()
    : DialogApplication(IDC_TESSALY_PROGRESS), panel_(*this, PANEL), labelCount(0), exportCount(0) {
    placement.margin = 30;
    panel_.setAcceptance([this](const char* candidate) { return isCsfTableFile(candidate); });
    panel_.setCommands({[this] { browse(); }, [this] { importTable(); }, [this] { exportTable(); },
                        [this] { append(); }, [this] { output(); }, [this] { marker(); }, [this] { clearup(); },
                        [this] { exit(); }});
    panel_.setClose([this] { DestroyWindow(dialogWindow()); });
}

TessalyDialog::~TessalyDialog() = default;

void TessalyDialog::initialiseDialog(HWND window) {
    dialog = window;
    placement.placeCentred(window);
    setWindowIcons(window, IDI_TESSALY);
    setStaticBitmap(window, IDC_TESSALY_BANNER, IDB_TESSALY_BANNER);
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
    const char* path = panel_.path().c_str();
    dialogs::OwnerDataList& list = panel_.list();
    if (path[0] != '\0') {
        resetProgress();
        bool loaded = false;
        runInBackground([&] { loaded = archive.load(path, &workProgress()); });
        // The list never mixes two tables: rows of another table go first.
        panel_.noteImport(loaded);
    }
    labelCount = archive.recordCount();
    if (labelCount == 0) return;
    // The texts go straight from the table into the list's text block. The
    // table's size is a little more than the listed texts take (every label
    // and text record carries more than its quotes), so the block is set
    // aside once and never copied while it fills; what it leaves unused is
    // never touched.
    char quoted[CsfArchive::QUOTED_SIZE];
    list.addRows(
        labelCount,
        [&](int i, dialogs::OwnerDataList::RowWriter& row) {
            row.cell("", 0);
            const std::string_view name = archive.labelView(i);
            row.cell(name.data(), name.size());
            row.cell(quoted, archive.quotedTextInto(i, quoted));
        },
        archive.bytes().size());
    list.showRows();
    sweepProgress();
    panel_.report(tessalytext::IMPORTED);
    panel_.setMarker(false);
}

void TessalyDialog::exportTable() {
    exportCount = 0;
    panel_.takePathField();
    const char* path = panel_.path().c_str();
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
    std::string listingPath;
    if (!panel_.saveFile(listingPath, dialogs::ToolPanel::LISTING_PATH_SIZE)) return;
    const char* listing = listingPath.c_str();
    const ListingResult result = platform::isWriteProtected(listing)
                                     ? ListingResult::CANNOT_OPEN
                                     : saveCsfListing(archive, panel_.path().c_str(), listing);
    panel_.reportListing(result, listing, LISTING_TEXTS);
}

void TessalyDialog::marker() {
    labelCount = archive.recordCount();
    panel_.toggleMarker(labelCount);
}

void TessalyDialog::clearup() {
    panel_.clearup();
    archive.clear();
}

void TessalyDialog::exit() { DestroyWindow(dialogWindow()); }

INT_PTR TessalyDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (answeredByFrame(window, message, wParam, lParam)) return TRUE;
    return panel_.handleMessage(message, wParam, lParam);
}
