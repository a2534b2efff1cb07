#include "BigListing.h"

#include <cstdio>

#include "FileStream.h"
#include "ReplacingFile.h"
#include "platform/Platform.h"

namespace {
// One line of the listing: the entry's name (255 characters, up to three
// bytes each where names are UTF-8) and its size text.
constexpr std::size_t LINE_SIZE = 1024;
}  // namespace

ListingResult saveBigListing(BigArchive& archive, const char* archivePath, const std::string& importedPath,
                             const char* listingPath) {
    if (!importedPath.empty() && platform::fileIdentity(importedPath.c_str()) == platform::fileIdentity(listingPath))
        return ListingResult::SAME_FILE;
    ReplacingFile file;
    FileStream out(FileStream::WRITE, listingPath, 0);
    if (platform::isWriteProtected(listingPath) || !file.create(listingPath, true) || out.adopt(file.release()) != StreamResult::OPEN)
        return ListingResult::CANNOT_OPEN;
    const std::string frame(61, '*');
    bool ok = out.writeLine(frame.c_str()) == StreamResult::WRITTEN;
    ok = out.writeLine(archivePath) == StreamResult::WRITTEN && ok;
    ok = out.writeLine(frame.c_str()) == StreamResult::WRITTEN && ok;
    char line[LINE_SIZE];
    const int entryCount = archive.countEntries();
    for (int i = 0; i < entryCount && ok; ++i) {
        std::snprintf(line, sizeof line, "Name: %s   (Size: %s)", archive.entryName(i), archive.entrySizeText(i));
        ok = out.writeLine(line) == StreamResult::WRITTEN;
    }
    if (!file.commit(out.close() == StreamResult::CLOSED && ok)) return ListingResult::WRITE_FAILED;
    return ListingResult::SAVED;
}
