// asset dump | merge: asset index files through the asset index core.
#include <cstdio>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "AssetWorkspace.h"
#include "CliSupport.h"
#include "Commands.h"
#include "ReplacingFile.h"
#include "platform/Platform.h"

namespace cli {

namespace {

std::string besideInput(const std::string& path, const char* name) {
    const std::size_t sep = platform::lastSeparator(path);
    return sep == std::string::npos ? std::string(name) : path.substr(0, sep + 1) + name;
}

// Imports one slot; the core refuses a file that is no asset index file, as
// Yodrel's Import does. Its messages name the file.
void import(AssetWorkspace& workspace, int slot, const std::string& path) {
    requireFile(path);
    workspace.setImportPath(slot, path);
    if (!workspace.importAssetFile(slot)) throw Failure(STATUS_BAD_FILE, std::string(), workspace.lastError());
}

// Puts a finished work file in place of target: moved when it can be, else
// copied beside the target first.
void placeFile(const std::string& work, const std::string& target) {
    if (platform::replaceFile(work.c_str(), target.c_str())) return;
    ReplacingFile file;
    const bool ok = file.create(target) && file.commit(file.copyFrom(work.c_str()));
    platform::deleteFile(work.c_str());
    if (!ok) throw Failure(STATUS_BAD_FILE, target, "cannot be written: " + file.failureText());
}

// Without an output named, the dump goes beside the input under its usual name.
int dump(const std::string& path, const std::string* output, bool json) {
    const std::string target = output ? *output : besideInput(path, "ZZZ000_Asset.txt");
    requireFile(path);
    requireOutputApart(target, {path});
    requireWritable(target);
    AssetWorkspace workspace;
    import(workspace, 0, path);
    if (!output) {
        if (!workspace.publishDump(0)) throw Failure(STATUS_BAD_FILE, target, workspace.lastError());
    } else {
        placeFile(workspace.parser(0).tempName(), target);
    }
    const AssetDatParser& parser = workspace.parser(0);
    const AssetHeader& header = parser.header();
    if (json) {
        printJson({{"file", path},
                   {"size", platform::fileSize(path.c_str())},
                   {"tag", std::string(header.tag, 4)},
                   {"headerWord1", header.headerWord1},
                   {"entryCount", header.entryCount},
                   {"headerWord3", header.headerWord3},
                   {"entriesRead", parser.entriesSeen()},
                   {"stringSectionOffset", parser.stringSectionOffset()},
                   {"dump", target}});
    } else {
        summary("%s: %u entries, string section at byte %d; dump written to %s\n", path.c_str(),
                parser.entriesSeen(), parser.stringSectionOffset(), target.c_str());
    }
    return STATUS_DONE;
}

int merge(const std::string& first, const std::string& second, const std::string& output) {
    requireFile(first);
    requireFile(second);
    requireOutputApart(output, {first, second});
    requireWritable(output);
    AssetWorkspace workspace;
    import(workspace, 0, first);
    import(workspace, 1, second);
    // Only the merge is wanted: the work dumps go.
    for (int slot = 0; slot < AssetWorkspace::SLOTS; ++slot)
        platform::deleteFile(workspace.parser(slot).tempName().c_str());
    workspace.setExportPath(output);
    if (!workspace.exportMerge()) throw Failure(STATUS_BAD_FILE, output, workspace.lastError());
    summary("%s and %s merged into %s\n", first.c_str(), second.c_str(), output.c_str());
    return STATUS_DONE;
}

}  // namespace

void addAssetCommands(CLI::App& app) {
    CLI::App* asset = app.add_subcommand("asset", "Asset index files: dump, merge");
    asset->require_subcommand(1);

    struct DumpArgs {
        std::string file, output;
        CLI::Option* outputOption = nullptr;
        bool json = false;
    };
    auto dumpArgs = std::make_shared<DumpArgs>();
    CLI::App* dumpCmd = asset->add_subcommand("dump", "Write the text dump of an index file and print a summary");
    dumpCmd->add_option("FILE", dumpArgs->file, "The index file")->required();
    dumpArgs->outputOption =
        dumpCmd->add_option("-o,--output", dumpArgs->output, "The dump to write (default: ZZZ000_Asset.txt beside FILE)");
    dumpCmd->add_flag("--json", dumpArgs->json,
                      "The summary as one JSON document: file, size, tag, headerWord1, entryCount, headerWord3, "
                      "entriesRead, stringSectionOffset, dump");
    setAction(dumpCmd, [dumpArgs] {
        return dump(dumpArgs->file, dumpArgs->outputOption->count() > 0 ? &dumpArgs->output : nullptr, dumpArgs->json);
    });

    struct MergeArgs {
        std::string first, second, output;
    };
    auto mergeArgs = std::make_shared<MergeArgs>();
    CLI::App* mergeCmd = asset->add_subcommand("merge", "Merge two index files into a new one");
    mergeCmd->add_option("FIRST", mergeArgs->first, "The first index file (its header is kept)")->required();
    mergeCmd->add_option("SECOND", mergeArgs->second, "The second index file")->required();
    mergeCmd->add_option("-o,--output", mergeArgs->output, "The merged file to write")->required();
    setAction(mergeCmd, [mergeArgs] { return merge(mergeArgs->first, mergeArgs->second, mergeArgs->output); });
}

}  // namespace cli
