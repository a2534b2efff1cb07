#include "CsfListing.h"

#include <string>

#include "FileStream.h"
#include "platform/Platform.h"

namespace {
const char FRAME[] = "*************************************************************";
static_assert(sizeof FRAME == 62, "the frame is 61 asterisks");
}  // namespace

int writeCsfListing(const CsfArchive& archive, const char* csfPath, FileStream& out) {
    int status = out.writeLine(FRAME);
    status |= out.writeLine(csfPath ? csfPath : "");
    status |= out.writeLine(FRAME);
    const int count = archive.recordCount();
    for (int i = 0; i < count && status == FS_WRITTEN; ++i) {
        status |= out.writeLine(archive.labelText(i).c_str());
        status |= out.writeLine(archive.quotedText(i).c_str());
        status |= out.writeLine("END");
    }
    return status == FS_WRITTEN ? FS_WRITTEN : FS_STREAM_ERROR;
}

ListingResult saveCsfListing(const CsfArchive& archive, const char* csfPath, const char* listingPath) {
    if (!listingPath || !*listingPath) return ListingResult::CannotOpen;
    const std::string target = listingPath;
    const std::string temp = target + ".~tmp";
    FileStream out(FileStream::WRITE, temp.c_str(), 0);
    if (out.open() != FS_OPEN) return ListingResult::CannotOpen;
    int written = writeCsfListing(archive, csfPath, out);
    if (out.close() != FS_CLOSED || written != FS_WRITTEN ||
        !platform::replaceFile(temp.c_str(), target.c_str())) {
        platform::deleteFile(temp.c_str());
        return ListingResult::WriteFailed;
    }
    return ListingResult::Saved;
}
