// What writing a text listing (of a string table, of an archive directory)
// came to.
#pragma once

enum class ListingResult {
    SAVED,
    CANNOT_OPEN,  // the target could not be opened for writing
    WRITE_FAILED, // not written completely; a file there before is kept
    SAME_FILE,    // refused: the listing would replace the file it lists
};
