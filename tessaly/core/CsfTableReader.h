// Reading a string table label by label through a block buffer, and the one
// rule for walking a label's records that the whole-table load keeps too.
//
// A label is read completely or not at all: every length is checked against
// the bytes there are before it is used. The walk tells a label that needs
// more bytes (SHORT, with how many) from one that no number of bytes can
// complete (BROKEN: a negative length), so the reader never reads further
// than a label can reach, and never beyond the end of the file. It is
// inline, as the whole-table load takes it for every label.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ByteOrder.h"
#include "CsfArchive.h"

enum class CsfLabelFit { WHOLE, SHORT, BROKEN };

// Reads the string record at pos of the `size` bytes at d. WHOLE moves pos
// past it; SHORT sets `needed` to the bytes (counted from d) the record takes
// at least; BROKEN for a negative length.
inline CsfLabelFit csfReadTextSlot(const unsigned char* d, std::size_t size, std::size_t& pos, CsfTextSlot& slot,
                                   std::uint64_t& needed) {
    static constexpr char WIDE_EXTRA_MAGIC[4] = {'W', 'R', 'T', 'S'};
    if (size - pos < 8) {
        needed = std::uint64_t{pos} + 8;
        return CsfLabelFit::SHORT;
    }
    std::memcpy(slot.magic, d + pos, 4);
    slot.length = le::getI32(d + pos + 4);
    if (slot.length < 0) return CsfLabelFit::BROKEN;
    const std::uint64_t bytes = 2 * std::uint64_t(slot.length);
    if (bytes > size - pos - 8) {
        needed = std::uint64_t{pos} + 8 + bytes;
        return CsfLabelFit::SHORT;
    }
    pos += 8;
    slot.textOffset = static_cast<std::uint32_t>(pos);
    pos += static_cast<std::size_t>(bytes);
    if (std::memcmp(slot.magic, WIDE_EXTRA_MAGIC, 4) == 0) {
        if (size - pos < 4) {
            needed = std::uint64_t{pos} + 4;
            return CsfLabelFit::SHORT;
        }
        const std::int32_t extra = le::getI32(d + pos);
        if (extra < 0) return CsfLabelFit::BROKEN;
        if (static_cast<std::size_t>(extra) > size - pos - 4) {
            needed = std::uint64_t{pos} + 4 + static_cast<std::uint64_t>(extra);
            return CsfLabelFit::SHORT;
        }
        pos += 4;
        slot.extraLength = extra;
        slot.extraOffset = static_cast<std::uint32_t>(pos);
        pos += static_cast<std::size_t>(extra);
    }
    return CsfLabelFit::WHOLE;
}

// Walks the label starting at d: its head, its name and every string record
// its count announces (none for a negative count). WHOLE fills rec with
// offsets counted from d (rec.offset 0, rec.size the label's bytes); SHORT
// and BROKEN as csfReadTextSlot.
inline CsfLabelFit csfWalkLabel(const unsigned char* d, std::size_t size, CsfLabelRecord& rec, std::uint64_t& needed) {
    // The record's fields are set one by one (a whole new record copied in
    // costs more than the walk of a short label).
    rec.offset = 0;
    rec.size = 0;
    rec.stringRecords = 0;
    rec.exportFlag = 1;
    for (CsfTextSlot& slot : rec.slot) slot = CsfTextSlot();
    if (size < 12) {
        std::memset(rec.magic, 0, 4);
        rec.stringCount = rec.nameLength = 0;
        rec.nameOffset = 0;
        needed = 12;
        return CsfLabelFit::SHORT;
    }
    std::memcpy(rec.magic, d, 4);
    rec.stringCount = le::getI32(d + 4);
    rec.nameLength = le::getI32(d + 8);
    rec.nameOffset = 0;
    std::size_t pos = 12;
    if (rec.nameLength < 0) return CsfLabelFit::BROKEN;
    if (static_cast<std::size_t>(rec.nameLength) > size - pos) {
        needed = std::uint64_t{pos} + static_cast<std::uint64_t>(rec.nameLength);
        return CsfLabelFit::SHORT;
    }
    rec.nameOffset = static_cast<std::uint32_t>(pos);
    pos += static_cast<std::size_t>(rec.nameLength);
    const std::int32_t strings = rec.stringCount < 0 ? 0 : rec.stringCount;
    CsfTextSlot further;
    for (std::int32_t j = 0; j < strings; ++j) {
        CsfTextSlot& slot = j < 2 ? rec.slot[j] : further;
        const CsfLabelFit fit = csfReadTextSlot(d, size, pos, slot, needed);
        if (fit != CsfLabelFit::WHOLE) return fit;
    }
    rec.stringRecords = strings;
    rec.size = static_cast<std::uint32_t>(pos);
    return CsfLabelFit::WHOLE;
}

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
