// Bytes gathered before they are written out a block at a time. A writer
// formats straight into it: it asks for room for the longest form of what
// it writes, writes, and keeps what it wrote. The room is not filled first,
// and the buffer keeps its size once grown, so a buffer that is emptied
// after each block costs nothing more after the first ones.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

class OutputBuffer {
public:
    OutputBuffer() = default;
    explicit OutputBuffer(std::size_t capacity) { grow(capacity); }
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // Room for `count` more bytes at the end; give the end of what was
    // written there to keep().
    char* room(std::size_t count) {
        if (capacity_ - size_ < count) grow(size_ + count);
        return data_.get() + size_;
    }
    void keep(const char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }

    void append(const char* data, std::size_t count) {
        if (count == 0) return;
        std::memcpy(room(count), data, count);
        size_ += count;
    }
    void append(std::string_view text) { append(text.data(), text.size()); }
    void push(char c) {
        if (size_ == capacity_) grow(size_ + 1);
        data_[size_++] = c;
    }
    // Sets bytes already gathered.
    void overwrite(std::size_t at, const char* data, std::size_t count) { std::memcpy(data_.get() + at, data, count); }
    // Forgets the bytes from `size` on.
    void truncate(std::size_t size) { size_ = size; }
    void clear() { size_ = 0; }

    const char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::string_view view() const { return std::string_view(data_.get(), size_); }

private:
    // Out of line, so that the calls above stay small enough to be inlined.
    void grow(std::size_t wanted);

    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};
