// scan: the folder scanner with its filter list.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "CliSupport.h"
#include "Commands.h"
#include "FolderScanner.h"

namespace cli {

namespace {

struct ScanArgs {
    std::string folder, filter;
    CLI::Option* filterOption = nullptr;
    bool folders = false, sizes = false, json = false;
};

// One file's line: its path as shown, and with sizes a blank and the size.
void appendFileLine(std::string& out, const std::string& path, std::int64_t size, bool sizes) {
    appendShownPath(out, path);
    if (sizes) {
        char digits[24];
        char* end = digits + sizeof digits;
        char* p = end;
        // The size as "%lld" gives it.
        const bool negative = size < 0;
        std::uint64_t rest = negative ? 0 - static_cast<std::uint64_t>(size) : static_cast<std::uint64_t>(size);
        do {
            *--p = static_cast<char>('0' + rest % 10);
            rest /= 10;
        } while (rest > 0);
        if (negative) *--p = '-';
        *--p = ' ';
        out.append(p, static_cast<std::size_t>(end - p));
    }
    out += '\n';
}

int scan(const ScanArgs& args) {
    requireFolder(args.folder);
    FolderScanner scanner;
    if (!scanner.setStartFolder(args.folder.c_str())) throw Failure(STATUS_BAD_FILE, args.folder, "cannot be read");
    // The text listing is written while the walk goes on, file by file in
    // the walk's order: only the folders are kept. JSON needs them all first.
    StdoutText text;
    if (!args.json)
        scanner.setFileSink([&text, &args](const std::string& path, std::int64_t size) {
            appendFileLine(text.text(), path, size, args.sizes);
            text.spill();
        });
    if (args.filterOption->count() > 0)
        scanner.scanFiltered(args.filter.c_str());
    else
        scanner.scanAll();
    scanner.reset();
    if (args.json) {
        nlohmann::json files = nlohmann::json::array(), folders = nlohmann::json::array();
        for (std::int32_t i = 0; i < scanner.fileCount(); ++i)
            files.push_back({{"path", shownPath(scanner.filePath(i))}, {"size", scanner.fileSize(i)}});
        for (std::int32_t i = 0; i < scanner.folderCount(); ++i) folders.push_back(shownPath(scanner.folderPath(i)));
        nlohmann::json passed = nlohmann::json::array();
        for (const PassedOver& p : scanner.passedOver())
            passed.push_back({{"path", shownPath(p.path)}, {"reason", passReasonText(p.reason)}});
        printJson({{"folder", args.folder}, {"files", files}, {"folders", folders}, {"foldersLeft", scanner.foldersLeft()},
                   {"passedOver", passed}});
    } else {
        std::string& out = text.text();
        for (std::int32_t i = 0; args.folders && i < scanner.folderCount(); ++i) {
            appendShownPath(out, scanner.folderPath(i));
            out += '\n';
            text.spill();
        }
        text.flush();
    }
    // Nothing below the folder is left out without a line saying why.
    int status = warnPassedOver(scanner.passedOver());
    if (scanner.foldersLeft()) {
        warn(args.folder, "the entry limit stopped the walk; files in deeper folders are left out");
        status = STATUS_PARTIAL;
    }
    return status;
}

}  // namespace

void addScanCommand(CLI::App& app) {
    auto args = std::make_shared<ScanArgs>();
    CLI::App* cmd = app.add_subcommand("scan", "List the files below a folder, breadth first");
    cmd->add_option("FOLDER", args->folder, "The folder to scan")->required();
    args->filterOption = cmd->add_option("--filter", args->filter, "Only files matching this list, e.g. \"*.ini;*.w3d\"");
    cmd->add_flag("--folders", args->folders, "Also list the folders passed (after the files)");
    cmd->add_flag("--sizes", args->sizes, "Give each file's size in bytes after its path");
    cmd->add_flag("--json", args->json, "One JSON document: folder, files (path, size), folders, foldersLeft, passedOver (path, reason)");
    setAction(cmd, [args] { return scan(*args); });
}

}  // namespace cli
