// scan: the folder scanner with its filter list.
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

int scan(const ScanArgs& args) {
    requireFolder(args.folder);
    FolderScanner scanner;
    if (!scanner.setStartFolder(args.folder.c_str())) throw Failure(STATUS_BAD_FILE, args.folder, "cannot be read");
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
        StdoutText text;
        std::string& out = text.text();
        char size[32];
        for (std::int32_t i = 0; i < scanner.fileCount(); ++i) {
            appendShownPath(out, scanner.filePath(i));
            if (args.sizes)
                out.append(size, static_cast<std::size_t>(std::snprintf(size, sizeof size, " %lld",
                                                                         static_cast<long long>(scanner.fileSize(i)))));
            out += '\n';
            text.spill();
        }
        for (std::int32_t i = 0; args.folders && i < scanner.folderCount(); ++i) {
            appendShownPath(out, scanner.folderPath(i));
            out += '\n';
            text.spill();
        }
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
