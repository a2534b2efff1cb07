// A command-line driver of the asset index core, for the sample run and for
// trying the core without the dialog.
//   AssetTool sample FOLDER             writes first.dat and second.dat
//   AssetTool dump FIRST [SECOND]       imports and publishes the dumps
//   AssetTool merge FIRST SECOND OUT    imports both, publishes, merges
#include <cstdio>
#include <string>

#include "AssetFixture.h"
#include "AssetWorkspace.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: AssetTool sample FOLDER\n"
                 "       AssetTool dump FIRST [SECOND]\n"
                 "       AssetTool merge FIRST SECOND OUT\n");
    return 2;
}

int sample(const std::string& folder) {
    AssetSampleInfo first, second;
    const std::string a = folder + "/first.dat";
    const std::string b = folder + "/second.dat";
    if (!writeAssetSample(a, 6000, 1, 40, &first) || !writeAssetSample(b, 3500, 2, 25, &second)) {
        std::fprintf(stderr, "AssetTool: cannot write the sample files into %s\n", folder.c_str());
        return 1;
    }
    std::printf("wrote %s (%lld bytes, %d entries) and %s (%lld bytes, %d entries)\n", a.c_str(),
                static_cast<long long>(first.size), first.entries, b.c_str(), static_cast<long long>(second.size),
                second.entries);
    return 0;
}

// Imports the given slots and publishes their dumps; false after a message.
bool importAndPublish(AssetWorkspace& workspace, int slots) {
    for (int slot = 0; slot < slots; ++slot) {
        if (!workspace.importAssetFile(slot)) {
            std::fprintf(stderr, "AssetTool: %s\n", workspace.lastError().c_str());
            return false;
        }
    }
    for (int slot = 0; slot < slots; ++slot) {
        if (!workspace.publishDump(slot)) {
            std::fprintf(stderr, "AssetTool: %s\n", workspace.lastError().c_str());
            return false;
        }
        std::printf("dump of %s: %s (string section at byte %d)\n", workspace.importPath(slot).c_str(),
                    workspace.dumpName(slot).c_str(), workspace.parser(slot).stringSectionOffset());
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string command = argv[1];
    if (command == "sample") return sample(argv[2]);
    AssetWorkspace workspace;
    if (command == "dump") {
        workspace.setImportPath(0, argv[2]);
        if (argc > 3) workspace.setImportPath(1, argv[3]);
        return importAndPublish(workspace, argc > 3 ? 2 : 1) ? 0 : 1;
    }
    if (command == "merge" && argc == 5) {
        workspace.setImportPath(0, argv[2]);
        workspace.setImportPath(1, argv[3]);
        if (!importAndPublish(workspace, 2)) return 1;
        workspace.setExportPath(argv[4]);
        if (!workspace.exportMerge()) {
            std::fprintf(stderr, "AssetTool: %s\n", workspace.lastError().c_str());
            return 1;
        }
        std::printf("merged into %s\n", argv[4]);
        return 0;
    }
    return usage();
}
