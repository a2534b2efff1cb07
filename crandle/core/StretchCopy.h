// Copying a stretch of one file to a place in another, for the archive's
// writers and its extraction: in pieces, so that the progress moves and a
// stop is seen within a large file; each piece inside the system where it
// can be (platform::copyRange), else through a buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

struct WorkProgress;

enum class StretchCopy {
    DONE,
    READ_FAILED,   // `in` ended early or could not be read
    WRITE_FAILED,
    STOPPED,       // the progress was stopped between two pieces
};

// Copies `size` bytes of `in`, from `offset` on, into `out` at `outOffset`,
// in pieces of at most `piece` bytes; `buffer` is grown when a piece must pass
// through it. The positions of both streams are left undefined: a later
// write to `out` gives its own place (another copyStretch, or a seek first).
// A stop is looked for between pieces only: a stretch copied to its end is
// DONE, and the caller decides what a stop at that point means.
StretchCopy copyStretch(std::FILE* in, std::uint64_t offset, std::uint64_t size, std::FILE* out,
                        std::uint64_t outOffset, std::size_t piece, std::vector<char>& buffer,
                        WorkProgress* progress);
