#include "CsfListing.h"

#include <string>

#include "FileStream.h"
#include "ReplacingFile.h"
#include "platform/Platform.h"

namespace {
const char FRAME[] = "*************************************************************";
static_assert(sizeof FRAME == 62, "the frame is 61 asterisks");
}  // namespace

bool writeCsfListing(const CsfArchive& archive, const char* csfPath, FileStream& out) {
    auto line = [&out](const char* text) { return out.writeLine(text) == StreamResult::WRITTEN; };
    bool ok = line(FRAME);
    ok = line(csfPath ? csfPath : "") && ok;
    ok = line(FRAME) && ok;
    const int count = archive.recordCount();
    for (int i = 0; i < count && ok; ++i) {
        ok = line(archive.labelText(i).c_str()) && ok;
        ok = line(archive.quotedText(i).c_str()) && ok;
        ok = line("END") && ok;
    }
    return ok;
}

ListingResult saveCsfListing(const CsfArchive& archive, const char* csfPath, const char* listingPath) {
    if (!listingPath || !*listingPath) return ListingResult::CANNOT_OPEN;
    if (platform::fileIdentity(archive.resolvedPath().c_str()) == platform::fileIdentity(listingPath))
        return ListingResult::SAME_FILE;
    ReplacingFile file;
    if (!file.create(listingPath, true)) return ListingResult::CANNOT_OPEN;
    FileStream out(FileStream::WRITE, file.temporaryPath().c_str(), 0);
    out.adopt(file.release());
    const bool written = writeCsfListing(archive, csfPath, out);
    if (!file.commit(out.close() == StreamResult::CLOSED && written)) return ListingResult::WRITE_FAILED;
    return ListingResult::SAVED;
}
