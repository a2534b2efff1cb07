#include "OutputBuffer.h"

void OutputBuffer::grow(std::size_t wanted) {
    std::size_t capacity = capacity_ < 256 ? 256 : capacity_;
    while (capacity < wanted) capacity = capacity > static_cast<std::size_t>(-1) / 2 ? wanted : 2 * capacity;
    std::unique_ptr<char[]> larger(new char[capacity]);
    if (size_ > 0) std::memcpy(larger.get(), data_.get(), size_);
    data_ = std::move(larger);
    capacity_ = capacity;
}
