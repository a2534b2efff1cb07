// The text listing of a loaded string table: a frame of 61 asterisks round
// the table's path, then for every label its name, its first text in double
// quotes and "END", one line each.
#pragma once

#include "CsfArchive.h"
#include "ListingResult.h"

class FileStream;

// Writes the listing to an open text stream; false when a write failed.
bool writeCsfListing(const CsfArchive& archive, const char* csfPath, FileStream& out);

// Writes the listing into listingPath through a temporary file beside it, so
// a failed write leaves an existing file as it was.
ListingResult saveCsfListing(const CsfArchive& archive, const char* csfPath, const char* listingPath);
