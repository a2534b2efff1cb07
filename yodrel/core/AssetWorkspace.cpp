#include "AssetWorkspace.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "FileStream.h"
#include "platform/Platform.h"

namespace {

std::int32_t getI32(const unsigned char* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                     (static_cast<std::uint32_t>(p[2]) << 16) |
                                     (static_cast<std::uint32_t>(p[3]) << 24));
}

void putI32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// The input's stdio buffer: reads in large pieces, fixed in size.
constexpr std::size_t READ_BUFFER = 1 << 16;

// The size of an open file as FileStream reports it: 0 when unknown.
std::int64_t sizeOf(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return 0;
    const long length = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    return length < 0 ? 0 : static_cast<int>(length);
}

}  // namespace

AssetWorkspace::AssetWorkspace(std::string workFolder) : workFolder_(std::move(workFolder)) {
    if (workFolder_.empty()) workFolder_ = platform::tempFolder();
    if (!platform::isSeparator(workFolder_.back())) workFolder_ += workFolder_.find('/') != std::string::npos ? '/' : '\\';
    splicer_.setWorkFolder(workFolder_);
    std::memset(headers_, 0, sizeof headers_);
}

int AssetWorkspace::fail(const std::string& message) {
    lastError_ = message;
    return 0;
}

void AssetWorkspace::setImportPath(int slot, const std::string& path) {
    slot = clampSlot(slot);
    if (path != importPath_[slot]) imported_[slot] = false;  // the import was of another file
    importPath_[slot] = path;
}

int AssetWorkspace::importAssetFile(int slot) {
    slot = clampSlot(slot);
    imported_[slot] = false;
    const std::string& path = importPath_[slot];
    if (path.empty()) return fail("no asset file given");
    // Read through a 64 KB stdio buffer (fixed, whatever the file size) and
    // handed to the parser in zero-filled 1024-byte blocks.
    std::FILE* in = platform::openFile(path.c_str(), "rb");
    if (!in) return fail("cannot open the asset file " + path);
    std::setvbuf(in, nullptr, _IOFBF, READ_BUFFER);
    fileSize_ = sizeOf(in);
    bytesRead_ = 0;
    blockCount_[slot] = 0;
    AssetDatParser& parser = parsers_[slot];
    if (!parser.reset(tempNumber_[slot], workFolder_)) {
        std::fclose(in);
        return fail("cannot write the temporary dump " + parser.tempName());
    }
    bool shortRead = false;
    unsigned char block[AssetDatParser::BLOCK_SIZE];
    while (bytesRead_ < fileSize_) {
        std::memset(block, 0, sizeof block);
        if (std::fread(block, 1, sizeof block, in) == 0) {
            shortRead = true;  // the file shrank while it was read
            break;
        }
        parser.feedBlock(block, AssetDatParser::BLOCK_SIZE);
        bytesRead_ += static_cast<std::int64_t>(AssetDatParser::BLOCK_SIZE);
        ++blockCount_[slot];
    }
    const bool readFailed = std::ferror(in) != 0;
    std::fclose(in);
    bool dumped = parser.finish();
    if (readFailed || shortRead) return fail("cannot read the asset file " + path);
    if (!dumped) return fail("cannot write the temporary dump " + parser.tempName());
    imported_[slot] = true;
    return 1;
}

int AssetWorkspace::publishDump(int slot) {
    slot = clampSlot(slot);
    if (blockCount_[slot] < 1 || !imported_[slot]) return 0;
    const std::string& temp = parsers_[slot].tempName();
    const std::string& path = importPath_[slot];
    std::size_t sep = platform::lastSeparator(path);
    std::string folder;
    if (sep != std::string::npos) {
        folder = path.substr(0, sep + 1);
    } else {
        folder = platform::currentDirectory();
        if (!folder.empty() && !platform::isSeparator(folder.back()))
            folder += folder.find('/') != std::string::npos ? '/' : '\\';
    }
    char file[32];
    std::snprintf(file, sizeof file, "ZZZ00%d_Asset.txt", slot);
    const std::string name = folder + file;
    const std::string partial = name + ".~tmp";

    if (!platform::exists(temp.c_str())) return fail("the temporary dump " + temp + " is missing");
    // On the same volume the temporary dump simply moves into place; else
    // it is copied beside the dump file and that copy moves into place.
    if (platform::replaceFile(temp.c_str(), name.c_str())) {
        dumpName_[slot] = name;
        return 1;
    }
    std::FILE* in = platform::openFile(temp.c_str(), "rb");
    if (!in) return fail("the temporary dump " + temp + " is missing");
    std::FILE* out = platform::openFile(partial.c_str(), "wb");
    if (!out) {
        std::fclose(in);
        return fail("cannot write the dump " + name);
    }
    // The temporary dump was written in text mode, so its bytes are already
    // those of the dump file.
    // Copied in large pieces, so that a long dump takes few system calls.
    const std::size_t bufferSize = 65536;
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[bufferSize]);
    bool ok = true;
    std::size_t got;
    while ((got = std::fread(buffer.get(), 1, bufferSize, in)) > 0)
        if (std::fwrite(buffer.get(), 1, got, out) != got) ok = false;
    if (std::ferror(in)) ok = false;
    std::fclose(in);
    if (std::fclose(out) != 0) ok = false;
    if (!ok || !platform::replaceFile(partial.c_str(), name.c_str())) {
        platform::deleteFile(partial.c_str());
        return fail("cannot write the dump " + name);
    }
    platform::deleteFile(temp.c_str());
    dumpName_[slot] = name;
    return 1;
}

int AssetWorkspace::exportMerge() {
    const std::string& target = exportPath_;
    if (target.empty()) return fail("no export file chosen");
    for (int slot = 0; slot < SLOTS; ++slot) {
        if (!imported_[slot]) return fail("both asset files must be imported before a merge");
        if (parsers_[slot].stringSectionOffset() < static_cast<std::int32_t>(AssetDatParser::HEADER_SIZE))
            return fail("no string section was found in " + importPath_[slot]);
    }
    const std::int64_t s0 = parsers_[0].stringSectionOffset();
    const std::int64_t s1 = parsers_[1].stringSectionOffset();
    const std::string partial = target + ".~tmp";

    splicer_.clearAll();  // every merge starts from empty lists
    splicer_.addSource(importPath_[0].c_str());
    bool ok = splicer_.cutHead(0, s0, 0) && splicer_.cutTail(s0, 0);
    splicer_.addSource(importPath_[1].c_str());
    ok = ok && splicer_.cutHead(static_cast<std::int64_t>(AssetDatParser::HEADER_SIZE), s1, 1) && splicer_.cutTail(s1, 1);
    if (!ok || splicer_.pieceCount() != 4) {
        splicer_.clearAll();
        return fail("cannot cut the asset files into pieces in " + workFolder_);
    }
    for (std::size_t piece : {0u, 2u, 1u, 3u}) ok = ok && splicer_.appendPiece(partial.c_str(), piece);
    std::memset(headers_, 0, sizeof headers_);
    ok = ok && splicer_.readAt(partial.c_str(), headers_[0], 0, 16) &&
         splicer_.readAt(importPath_[1].c_str(), headers_[1], 0, 16);
    if (ok) {
        // Sums wrap as 32-bit values; tag and headerWord1 stay the first file's.
        putI32(headers_[0] + 8, static_cast<std::uint32_t>(getI32(headers_[0] + 8)) +
                                    static_cast<std::uint32_t>(getI32(headers_[1] + 8)));
        putI32(headers_[0] + 12, static_cast<std::uint32_t>(getI32(headers_[0] + 12)) +
                                     static_cast<std::uint32_t>(getI32(headers_[1] + 12)));
        ok = splicer_.writeAt(partial.c_str(), headers_[0], 0, 16);
    }
    splicer_.clearAll();
    if (!ok || !platform::replaceFile(partial.c_str(), target.c_str())) {
        platform::deleteFile(partial.c_str());
        return fail("cannot write the merged file " + target);
    }
    return 1;
}

void AssetWorkspace::clear() {
    for (int slot = 0; slot < SLOTS; ++slot) {
        dumpName_[slot].clear();
        imported_[slot] = false;
    }
}
