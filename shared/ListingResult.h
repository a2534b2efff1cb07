// What writing a text listing (of a string table, of an archive directory)
// came to.
#pragma once

enum class ListingResult {
    Saved,
    CannotOpen,   // the target could not be opened for writing
    WriteFailed,  // not written completely; a file there before is kept
    SameFile,     // refused: the listing would replace the file it lists
};
