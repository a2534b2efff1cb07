// The two import slots of the asset index tool and what the dialog does with
// them without any window: import a file through its slot's parser, publish
// the slot's dump as "ZZZ00<slot>_Asset.txt" beside the file, and merge the
// two imported files into a new index file.
//
// Work files (the temporary dumps "USER_ASSET01.tmp"/"USER_ASSET02.tmp" and
// the merge's pieces) go to the work folder. Unless a folder is given, that
// is a folder of this run's own, created exclusively under an unguessable
// name inside the user's temporary folder and removed with the workspace:
// two runs never see each other's work files, and nothing planted in the
// temporary folder is written through. When that folder cannot be created
// there is no other: every import fails and says why. Results that replace a
// file are built beside it and moved into place only when complete.
#pragma once

#include <cstdint>
#include <string>

#include "AssetDatParser.h"
#include "FileSplicer.h"

struct WorkProgress;

// Every long operation takes an optional progress: it counts the bytes done
// against their total and, when asked to stop, ends as the same operation
// failing would, leaving no half-written file.
class AssetWorkspace {
public:
    static constexpr int SLOTS = 2;

    explicit AssetWorkspace(std::string workFolder = std::string());
    ~AssetWorkspace();
    AssetWorkspace(const AssetWorkspace&) = delete;
    AssetWorkspace& operator=(const AssetWorkspace&) = delete;

    void setImportPath(int slot, const std::string& path);
    const std::string& importPath(int slot) const { return importPath_[clampSlot(slot)]; }
    void setExportPath(const std::string& path) { exportPath_ = path; }
    const std::string& exportPath() const { return exportPath_; }
    const std::string& dumpName(int slot) const { return dumpName_[clampSlot(slot)]; }
    bool imported(int slot) const { return imported_[clampSlot(slot)]; }
    int blockCount(int slot) const { return blockCount_[clampSlot(slot)]; }
    const AssetDatParser& parser(int slot) const { return parsers_[clampSlot(slot)]; }
    const FileSplicer& splicer() const { return splicer_; }
    // Empty when no folder of this run's own could be created.
    const std::string& workFolder() const { return workFolder_; }
    // What went wrong in the last failed operation, for a message.
    const std::string& lastError() const { return lastError_; }

    // Reads the slot's file block by block through its parser into the
    // temporary dump. False when the file or the dump cannot be opened or
    // read, and when the file is no asset index file (shorter than its
    // header, or its entries run past its end: no dump is left for it); the
    // slot then counts as not imported. A stop also removes the unfinished
    // temporary dump.
    bool importAssetFile(int slot, WorkProgress* progress = nullptr);
    // Puts the slot's temporary dump in place as its dump file beside the
    // imported file (in the current folder when the path has no folder).
    // True when the dump file was written.
    bool publishDump(int slot);
    // Merges the two imported files into the export path: the first file's
    // header and entries, the second's entries, the first's strings, the
    // second's strings, with the entry counts and third header words summed.
    // False, writing nothing, unless both slots were imported in this run and
    // found their string sections, and every piece could be cut and joined.
    bool exportMerge(WorkProgress* progress = nullptr);
    // Forgets the dumps and the imports; paths and parsers stay.
    void clear();

private:
    static constexpr std::size_t BLOCK = AssetDatParser::BLOCK_SIZE;
    static int clampSlot(int slot) { return slot <= 0 ? 0 : 1; }
    // Keeps the message for lastError and gives false.
    bool fail(const std::string& message);
    // True when path is one of the two import files (by file identity).
    bool isImported(const std::string& path) const;
    // Hands `count` whole consecutive blocks to the slot's parser and counts them.
    void feed(int slot, const unsigned char* blocks, std::size_t count);

    std::string workFolder_;
    bool ownFolder_ = false;    // created for this run, removed at the end
    std::string noWorkFolder_;  // why there is no work folder, when there is none
    AssetDatParser parsers_[SLOTS];
    FileSplicer splicer_;
    unsigned char headers_[SLOTS][16];
    std::string importPath_[SLOTS];
    std::string exportPath_;
    std::string dumpName_[SLOTS];
    std::int64_t bytesRead_ = 0;
    std::int64_t fileSize_ = 0;
    const int tempNumber_[SLOTS] = {1, 2};
    int blockCount_[SLOTS] = {0, 0};
    bool imported_[SLOTS] = {false, false};
    std::string lastError_;
};
