// A command-line driver of the string table core, for the sample run and for
// trying the core without the dialog.
//   CsfTool sample FOLDER             writes sample.csf and append.cfg
//   CsfTool list TABLE LISTING        writes the text listing
//   CsfTool export TABLE TARGET [ROW...]  exports without the given rows
//   CsfTool append TABLE CONFIG       appends into the "NEW_" copy
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CsfArchive.h"
#include "CsfFixture.h"
#include "CsfListing.h"
#include "platform/Platform.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: CsfTool sample FOLDER\n"
                 "       CsfTool list TABLE LISTING\n"
                 "       CsfTool export TABLE TARGET [MARKED-ROW...]\n"
                 "       CsfTool append TABLE CONFIG\n");
    return 2;
}

bool writeBytes(const std::string& path, const std::string& bytes) {
    std::FILE* f = platform::openFile(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

int sample(const std::string& folder) {
    std::vector<CsfFixtureLabel> labels = {
        csfLabel("GUI:Start", "Start the campaign"),
        csfLabel("GUI:Quit", "Quit to the desktop"),
        csfLabel("GUI:Options", "Options"),
        csfLabel("UNIT:Archer", "Archer: a ranged unit"),
        csfLabel("UNIT:Knight", "Knight: \xE9lite mounted unit"),
    };
    CsfFixtureLabel greek;
    greek.name = "LANG:Greeting";
    greek.texts.push_back({u"\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1"});
    labels.push_back(greek);
    CsfFixtureLabel spoken;
    spoken.name = "SPEECH:Hail";
    CsfFixtureText text;
    text.units = latin1Units("Hail, friend!");
    text.wide = true;
    text.extra = "hail_01";
    spoken.texts.push_back(text);
    labels.push_back(spoken);
    CsfFixtureLabel empty;
    empty.name = "GUI:Blank";
    labels.push_back(empty);
    const std::string sep(1, '/');
    std::string table = folder + sep + "sample.csf";
    std::string config = folder + sep + "append.cfg";
    if (!writeBytes(table, csfTableBytes(labels)) ||
        !writeBytes(config,
                    "# Labels appended into NEW_sample.csf\n"
                    "AppendList = {MSG*}\n"
                    "MSG001 = {LABEL:ONE,First appended text}\n"
                    "MSG002 = {LABEL:TWO,Second appended text}\n")) {
        std::fprintf(stderr, "CsfTool: cannot write the sample files into %s\n", folder.c_str());
        return 1;
    }
    std::printf("wrote %s (%zu labels) and %s\n", table.c_str(), labels.size(), config.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string command = argv[1];
    if (command == "sample") return sample(argv[2]);
    if (argc < 4) return usage();
    CsfArchive archive;
    if (command == "append") {
        if (!archive.appendFromConfig(argv[2], argv[3])) {
            std::fprintf(stderr, "CsfTool: cannot append into a copy of %s\n", argv[2]);
            return 1;
        }
        std::printf("appended %d labels into %s\n", archive.lastAppendLabels(), archive.newPath().c_str());
        return 0;
    }
    if (!archive.load(argv[2])) {
        std::fprintf(stderr, "CsfTool: cannot read %s as a string table\n", argv[2]);
        return 1;
    }
    if (command == "list") {
        ListingResult result = saveCsfListing(archive, argv[2], argv[3]);
        if (result != ListingResult::Saved) {
            std::fprintf(stderr, "CsfTool: cannot write the listing %s\n", argv[3]);
            return 1;
        }
        std::printf("listed %d labels into %s\n", archive.recordCount(), argv[3]);
        return 0;
    }
    if (command == "export") {
        for (int i = 0; i < archive.recordCount(); ++i) {
            bool marked = false;
            for (int a = 4; a < argc; ++a) marked = marked || std::atoi(argv[a]) == i;
            archive.setExportFlag(i, marked ? 0 : 1);
        }
        if (!archive.exportTo(argv[2], argv[3])) {
            std::fprintf(stderr, "CsfTool: cannot write %s\n", argv[3]);
            return 1;
        }
        std::printf("exported %d of %d labels into %s\n", archive.lastExportLabels(), archive.recordCount(), argv[3]);
        return 0;
    }
    return usage();
}
