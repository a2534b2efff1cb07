#include "CsfListing.h"

#include <string>

#include "FileStream.h"
#include "ReplacingFile.h"
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
    if (platform::fileIdentity(archive.resolvedPath().c_str()) == platform::fileIdentity(listingPath))
        return ListingResult::SameFile;
    ReplacingFile file;
    if (!file.create(listingPath, true)) return ListingResult::CannotOpen;
    FileStream out(FileStream::WRITE, file.temporaryPath().c_str(), 0);
    out.adopt(file.release());
    int written = writeCsfListing(archive, csfPath, out);
    if (!file.commit(out.close() == FS_CLOSED && written == FS_WRITTEN)) return ListingResult::WriteFailed;
    return ListingResult::Saved;
}
