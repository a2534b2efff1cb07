// Reading a string table label by label through a block buffer, and the one
// rule for walking a label's records that the whole-table load keeps too.
//
// A label is read completely or not at all: every length is checked against
// the bytes there are before it is used. The walk tells a label that needs
// more bytes (SHORT, with how many) from one that no number of bytes can
// complete (BROKEN: a negative length), so the reader never reads further
// than a label can reach, and never beyond the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CsfArchive.h"

enum class CsfLabelFit { WHOLE, SHORT, BROKEN };

// Reads the string record at pos of the `size` bytes at d. WHOLE moves pos
// past it; SHORT sets `needed` to the bytes (counted from d) the record takes
// at least; BROKEN for a negative length.
CsfLabelFit csfReadTextSlot(const unsigned char* d, std::size_t size, std::size_t& pos, CsfTextSlot& slot,
                            std::uint64_t& needed);

// Walks the label starting at d: its head, its name and every string record
// its count announces (none for a negative count). WHOLE fills rec with
// offsets counted from d (rec.offset 0, rec.size the label's bytes); SHORT
// and BROKEN as csfReadTextSlot.
CsfLabelFit csfWalkLabel(const unsigned char* d, std::size_t size, CsfLabelRecord& rec, std::uint64_t& needed);

// Every string record of a label walked whole, in file order, into slots
// (emptied first); base is what the record's offsets count from.
void csfTextSlots(const unsigned char* base, const CsfLabelRecord& rec, std::vector<CsfTextSlot>& slots);

class CsfTableReader {
public:
    // Bytes read at a time; the buffer grows beyond it only for a label that
    // does not fit it.
    static constexpr std::size_t BLOCK = 1u << 18;

    CsfTableReader() = default;
    ~CsfTableReader();
    CsfTableReader(const CsfTableReader&) = delete;
    CsfTableReader& operator=(const CsfTableReader&) = delete;

    // Opens the table and reads its header. False as CsfArchive::load is
    // false: no such file, shorter than its header, larger than SIZE_LIMIT,
    // or unreadable.
    bool open(const char* path);
    const CsfHeader& header() const { return header_; }

    // The next label read completely: its bytes (valid until the next call)
    // and its record, offsets counted from those bytes. False once the
    // header's count of labels is read, or at a label that does not fit the
    // bytes left in the file (the table is damaged: the labels end there).
    bool next(const unsigned char*& bytes, CsfLabelRecord& rec);
    int labelsRead() const { return labelsRead_; }
    // The string records of the labels read.
    std::int64_t stringsRead() const { return stringsRead_; }

    // After the labels: the bytes that belong to no label, up to the end of
    // the file, a piece at a time (valid until the next call). False when
    // there are no more.
    bool nextTailPiece(const unsigned char*& bytes, std::size_t& size);

private:
    // Makes at least `wanted` bytes from the label start present (or all the
    // file holds); false when the file ends before.
    bool fill(std::uint64_t wanted);

    std::FILE* file_ = nullptr;
    CsfHeader header_;
    std::unique_ptr<unsigned char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t start_ = 0;  // the next label's first byte in the buffer
    std::size_t end_ = 0;    // bytes present in the buffer
    std::uint64_t left_ = 0;  // bytes of the file not read yet
    int labelsRead_ = 0;
    std::int64_t stringsRead_ = 0;
    bool labelsDone_ = false;
};
