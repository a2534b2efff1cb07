// The text listing of a loaded archive directory: a frame of 61 asterisks
// round the archive's path, then one line per entry with its name and size.
#pragma once

#include <string>

#include "BigArchive.h"
#include "ListingResult.h"

// Writes the listing of the archive's loaded directory into listingPath
// through a temporary file beside it, so a failed write leaves an existing
// file as it was. archivePath is the path shown in the frame; the listing
// never replaces importedPath, the archive it lists (empty: no such file).
ListingResult saveBigListing(BigArchive& archive, const char* archivePath, const std::string& importedPath,
                             const char* listingPath);
