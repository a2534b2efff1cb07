#include "AssetWorkspace.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "BackgroundStream.h"
#include "ByteOrder.h"
#include "FileStream.h"
#include "ReplacingFile.h"
#include "WorkProgress.h"
#include "platform/Platform.h"

namespace {

// The whole 64-bit size of an open file: 0 when unknown.
std::int64_t sizeOf(std::FILE* f) {
    const std::int64_t length = platform::streamSize(f);
    return length < 0 ? 0 : length;
}

}  // namespace

AssetWorkspace::AssetWorkspace(std::string workFolder) : workFolder_(std::move(workFolder)) {
    if (workFolder_.empty()) {
        const std::string temp = platform::tempFolder();
        workFolder_ = platform::createPrivateFolder(temp, "yodrel-");
        ownFolder_ = !workFolder_.empty();
        // Without a folder of its own there is no work folder at all (a
        // folder of a fixed name could be planted, and links in it): every
        // import then fails with this message.
        if (!ownFolder_) noWorkFolder_ = "cannot create a work folder in " + temp + ": " + platform::lastErrorText();
    }
    if (!workFolder_.empty() && !platform::isSeparator(workFolder_.back()))
        workFolder_ += workFolder_.find('/') != std::string::npos ? '/' : '\\';
    splicer_.setWorkFolder(workFolder_);
    std::memset(headers_, 0, sizeof headers_);
}

AssetWorkspace::~AssetWorkspace() {
    if (!ownFolder_) return;
    // The folder is this run's alone: whatever is in it is a work file.
    std::vector<std::string> names;
    platform::DirectorySearch search;
    platform::FoundEntry entry;
    for (bool more = search.first((workFolder_ + "*").c_str(), entry); more; more = search.next(entry))
        if (entry.name != "." && entry.name != "..") names.push_back(workFolder_ + entry.name);
    search.close();
    for (const std::string& name : names) platform::deleteFile(name.c_str());
    platform::removeFolder(workFolder_.c_str());
}

bool AssetWorkspace::isImported(const std::string& path) const {
    const platform::FileIdentity id = platform::fileIdentity(path.c_str());
    for (const std::string& input : importPath_)
        if (!input.empty() && platform::fileIdentity(input.c_str()) == id) return true;
    return false;
}

bool AssetWorkspace::fail(const std::string& message) {
    lastError_ = message;
    return false;
}

void AssetWorkspace::setImportPath(int slot, const std::string& path) {
    slot = clampSlot(slot);
    if (path != importPath_[slot]) imported_[slot] = false;  // the import was of another file
    importPath_[slot] = path;
}

bool AssetWorkspace::importAssetFile(int slot, WorkProgress* progress) {
    slot = clampSlot(slot);
    imported_[slot] = false;
    const std::string& path = importPath_[slot];
    if (path.empty()) return fail("no asset file given");
    if (workFolder_.empty()) return fail(noWorkFolder_);
    if (const char* problem = platform::inputProblem(path.c_str())) return fail(problem + (" " + path));
    std::FILE* in = platform::openInputFile(path.c_str(), "rb");
    if (!in) return fail("cannot open the asset file " + path);
    fileSize_ = sizeOf(in);
    if (fileSize_ < static_cast<std::int64_t>(AssetDatParser::HEADER_SIZE)) {
        std::fclose(in);
        return fail(path + " is not an asset index file: shorter than its header");
    }
    bytesRead_ = 0;
    blockCount_[slot] = 0;
    AssetDatParser& parser = parsers_[slot];
    if (!parser.reset(tempNumber_[slot], workFolder_)) {
        std::fclose(in);
        return fail("cannot write the temporary dump " + parser.tempName());
    }
    // Whole 1024-byte blocks, as many as cover the size taken at the start;
    // the last one is zero-filled beyond the end of the file. The file is
    // read ahead on a second thread in large pieces of fixed size, and the
    // blocks are handed to the parser straight from those pieces.
    const std::int64_t blocks = (fileSize_ + static_cast<std::int64_t>(BLOCK) - 1) / static_cast<std::int64_t>(BLOCK);
    if (progress) progress->begin(static_cast<std::uint64_t>(fileSize_));
    bool shortRead = false;
    bool readFailed = false;
    bool stopped = false;
    {
        BackgroundReader reader(in, blocks * static_cast<std::int64_t>(BLOCK));
        unsigned char partial[BLOCK];
        std::size_t partialLength = 0;
        const unsigned char* piece = nullptr;
        std::size_t length;
        while ((length = reader.next(piece)) > 0) {
            if (progress) {
                if (progress->stopped()) {
                    stopped = true;
                    break;
                }
                progress->advance(length);
            }
            std::size_t at = 0;
            if (partialLength > 0) {
                // A block split across two pieces is put together first.
                const std::size_t take = std::min(BLOCK - partialLength, length);
                std::memcpy(partial + partialLength, piece, take);
                partialLength += take;
                at = take;
                if (partialLength == BLOCK) {
                    feed(slot, partial, 1);
                    partialLength = 0;
                }
            }
            const std::size_t whole = (length - at) / BLOCK;
            feed(slot, piece + at, whole);
            at += whole * BLOCK;
            if (at < length) {
                partialLength = length - at;
                std::memcpy(partial, piece + at, partialLength);
            }
        }
        readFailed = reader.failed();
        if (partialLength > 0 && !stopped) {
            std::memset(partial + partialLength, 0, BLOCK - partialLength);
            feed(slot, partial, 1);
        }
        // A file that shrank while it was read has fewer blocks than its size.
        shortRead = bytesRead_ < fileSize_;
    }
    if (std::ferror(in)) readFailed = true;
    std::fclose(in);
    bool dumped = parser.finish();
    if (stopped) {
        platform::deleteFile(parser.tempName().c_str());
        return fail("the import of " + path + " was stopped");
    }
    if (readFailed || shortRead) return fail("cannot read the asset file " + path);
    if (!dumped) return fail("cannot write the temporary dump " + parser.tempName());
    // The last block is read zero-filled: entries that end past the file's
    // end are found there, and say the file is no index (or is cut short).
    const std::int64_t strings = parser.stringSectionOffset();
    if (strings < static_cast<std::int64_t>(AssetDatParser::HEADER_SIZE) || strings > fileSize_) {
        platform::deleteFile(parser.tempName().c_str());
        return fail(path + " is not an asset index file: its entries run past its end");
    }
    imported_[slot] = true;
    return true;
}

void AssetWorkspace::feed(int slot, const unsigned char* blocks, std::size_t count) {
    parsers_[slot].feedBlocks(blocks, count);
    bytesRead_ += static_cast<std::int64_t>(count * BLOCK);
    blockCount_[slot] += static_cast<int>(count);
}

bool AssetWorkspace::publishDump(int slot) {
    slot = clampSlot(slot);
    if (blockCount_[slot] < 1 || !imported_[slot]) return false;
    const std::string& temp = parsers_[slot].tempName();
    const std::string& path = importPath_[slot];
    std::size_t sep = platform::lastSeparator(path);
    std::string folder;
    if (sep != std::string::npos) {
        folder = path.substr(0, sep + 1);
    } else {
        folder = platform::joinPath(platform::currentDirectory(), "");
    }
    char file[32];
    std::snprintf(file, sizeof file, "ZZZ00%d_Asset.txt", slot);
    const std::string name = folder + file;

    if (!platform::exists(temp.c_str())) return fail("the temporary dump " + temp + " is missing");
    if (isImported(name)) return fail("the dump would replace an imported file " + name);
    // On the same volume the temporary dump simply moves into place; else
    // it is copied beside the dump file and that copy moves into place.
    if (platform::replaceFile(temp.c_str(), name.c_str())) {
        dumpName_[slot] = name;
        return true;
    }
    // The temporary dump was written in text mode, so its bytes are already
    // those of the dump file.
    ReplacingFile dump;
    if (!dump.create(name) || !dump.commit(dump.copyFrom(temp.c_str()))) return fail("cannot write the dump " + name);
    platform::deleteFile(temp.c_str());
    dumpName_[slot] = name;
    return true;
}

bool AssetWorkspace::exportMerge(WorkProgress* progress) {
    const std::string& target = exportPath_;
    if (target.empty()) return fail("no export file chosen");
    for (int slot = 0; slot < SLOTS; ++slot) {
        if (!imported_[slot]) return fail("both asset files must be imported before a merge");
        if (parsers_[slot].stringSectionOffset() < static_cast<std::int32_t>(AssetDatParser::HEADER_SIZE))
            return fail("no string section was found in " + importPath_[slot]);
    }
    if (isImported(target)) return fail("the merged file would replace an imported file " + target);
    const std::int64_t s0 = parsers_[0].stringSectionOffset();
    const std::int64_t s1 = parsers_[1].stringSectionOffset();
    splicer_.clearAll();  // every merge starts from empty lists
    splicer_.addSource(importPath_[0].c_str());
    splicer_.addSource(importPath_[1].c_str());
    if (progress) {
        // Every byte of the merged file is copied twice: into a piece, then
        // onto the merged file.
        const std::int64_t merged = platform::fileSize(importPath_[0].c_str()) +
                                    platform::fileSize(importPath_[1].c_str()) -
                                    static_cast<std::int64_t>(AssetDatParser::HEADER_SIZE);
        progress->begin(merged > 0 ? 2 * static_cast<std::uint64_t>(merged) : 0);
    }
    // The first file's header and entries, its strings, the second file's
    // entries and its strings; the two files are cut at the same time.
    bool ok = splicer_.cutPieces({PieceCut{0, 0, s0, false}, PieceCut{0, s0, 0, true},
                                  PieceCut{1, static_cast<std::int64_t>(AssetDatParser::HEADER_SIZE), s1, false},
                                  PieceCut{1, s1, 0, true}},
                                 progress);
    if (!ok || splicer_.pieceCount() != 4) {
        splicer_.clearAll();
        return fail("cannot cut the asset files into pieces in " + workFolder_);
    }
    // The merged file is built in an exclusive temporary beside the target,
    // which the splicer fills by name.
    ReplacingFile file;
    ok = file.create(target) && std::fclose(file.release()) == 0;
    const std::string& partial = file.temporaryPath();
    for (std::size_t piece : {0u, 2u, 1u, 3u}) ok = ok && splicer_.appendPiece(partial.c_str(), piece, progress);
    std::memset(headers_, 0, sizeof headers_);
    ok = ok && splicer_.readAt(partial.c_str(), headers_[0], 0, 16) &&
         splicer_.readAt(importPath_[1].c_str(), headers_[1], 0, 16);
    if (ok) {
        // Sums wrap as 32-bit values; tag and headerWord1 stay the first file's.
        le::setU32(headers_[0] + 8, le::getU32(headers_[0] + 8) + le::getU32(headers_[1] + 8));
        le::setU32(headers_[0] + 12, le::getU32(headers_[0] + 12) + le::getU32(headers_[1] + 12));
        ok = splicer_.writeAt(partial.c_str(), headers_[0], 0, 16);
    }
    splicer_.clearAll();
    if (!file.commit(ok)) return fail("cannot write the merged file " + target);
    return true;
}

void AssetWorkspace::clear() {
    for (int slot = 0; slot < SLOTS; ++slot) {
        dumpName_[slot].clear();
        imported_[slot] = false;
    }
}
