#include "CsfTableReader.h"

#include <algorithm>
#include <cstring>

#include "ByteOrder.h"
#include "platform/Platform.h"

void csfTextSlots(const unsigned char* base, const CsfLabelRecord& rec, std::vector<CsfTextSlot>& slots) {
    slots.clear();
    // The record keeps its first two as the walk found them.
    if (rec.stringRecords <= 2) {
        slots.assign(rec.slot, rec.slot + rec.stringRecords);
        return;
    }
    // A label walked whole holds every record within its span.
    const std::size_t end = static_cast<std::size_t>(rec.offset) + rec.size;
    std::size_t pos = rec.nameOffset + static_cast<std::size_t>(rec.nameLength);
    std::uint64_t needed = 0;
    for (std::int32_t j = 0; j < rec.stringRecords; ++j) {
        CsfTextSlot slot;
        if (csfReadTextSlot(base, end, pos, slot, needed) != CsfLabelFit::WHOLE) break;
        slots.push_back(slot);
    }
}

CsfTableReader::~CsfTableReader() {
    if (file_) std::fclose(file_);
}

bool CsfTableReader::open(const char* path) {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    header_ = CsfHeader();
    start_ = end_ = 0;
    left_ = 0;
    labelsRead_ = 0;
    stringsRead_ = 0;
    labelsDone_ = false;
    const std::string resolved = platform::resolvePath(path ? path : "");
    if (resolved.empty() || !platform::exists(resolved.c_str())) return false;
    const std::int64_t size = platform::fileSize(resolved.c_str());
    if (size < static_cast<std::int64_t>(CsfArchive::HEADER_SIZE) ||
        static_cast<std::uint64_t>(size) > CsfArchive::SIZE_LIMIT)
        return false;
    file_ = platform::openInputFile(resolved.c_str(), "rb");
    if (!file_) return false;
    // Reads go straight into the buffer below, in blocks.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (!buffer_) {
        capacity_ = BLOCK;
        buffer_.reset(new unsigned char[capacity_]);
    }
    left_ = static_cast<std::uint64_t>(size);
    if (!fill(CsfArchive::HEADER_SIZE)) {
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    header_ = CsfArchive::decodeHeader(buffer_.get());
    start_ = CsfArchive::HEADER_SIZE;
    return true;
}

bool CsfTableReader::fill(std::uint64_t wanted) {
    std::size_t present = end_ - start_;
    if (present >= wanted) return true;
    if (wanted - present > left_) return false;
    // The label begun keeps its bytes; it moves to the front of the buffer,
    // which grows (at least twice) only when the label does not fit it.
    if (wanted > capacity_) {
        const std::uint64_t twice = std::min<std::uint64_t>(2 * std::uint64_t{capacity_}, present + left_);
        const std::size_t grown = static_cast<std::size_t>(std::max(wanted, twice));
        std::unique_ptr<unsigned char[]> larger(new unsigned char[grown]);
        std::memcpy(larger.get(), buffer_.get() + start_, present);
        buffer_ = std::move(larger);
        capacity_ = grown;
    } else if (start_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + start_, present);
    }
    start_ = 0;
    end_ = present;
    while (end_ < wanted) {
        const std::size_t room = static_cast<std::size_t>(std::min<std::uint64_t>(capacity_ - end_, left_));
        const std::size_t got = room == 0 ? 0 : std::fread(buffer_.get() + end_, 1, room, file_);
        end_ += got;
        left_ -= got;
        // The file may have shrunk since its size was taken: what was read is kept.
        if (got < room || room == 0) {
            left_ = 0;
            return end_ >= wanted;
        }
    }
    return true;
}

bool CsfTableReader::next(const unsigned char*& bytes, CsfLabelRecord& rec) {
    if (labelsDone_ || labelsRead_ >= header_.labelCount) {
        labelsDone_ = true;
        return false;
    }
    for (;;) {
        std::uint64_t needed = 0;
        const CsfLabelFit fit = csfWalkLabel(buffer_.get() + start_, end_ - start_, rec, needed);
        if (fit == CsfLabelFit::WHOLE) {
            bytes = buffer_.get() + start_;
            start_ += rec.size;
            ++labelsRead_;
            stringsRead_ += rec.stringRecords;
            return true;
        }
        if (fit == CsfLabelFit::BROKEN || !fill(needed)) {
            labelsDone_ = true;
            return false;
        }
    }
}

bool CsfTableReader::nextTailPiece(const unsigned char*& bytes, std::size_t& size) {
    labelsDone_ = true;
    if (end_ == start_) {
        // The buffer is used up: the next block of the file, if any.
        start_ = end_ = 0;
        if (left_ == 0 || !fill(std::min<std::uint64_t>(left_, capacity_))) {
            left_ = 0;
            if (end_ == 0) return false;
        }
    }
    bytes = buffer_.get() + start_;
    size = end_ - start_;
    start_ = end_;
    return size > 0;
}
