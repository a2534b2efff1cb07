// The texts of an owner-data list: one growing block of zero-ended texts,
// each found by where it starts. One allocation for many thousand rows.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace dialogs {

class TextBlock {
public:
    TextBlock() : texts_(1, '\0') {}  // offset 0: the empty text, shared by every empty cell

    // Copies the text in and gives where it starts; false (and nothing
    // added) when the block would pass 4 GB.
    bool add(const char* text, std::uint32_t& start) { return add(text, std::strlen(text), start); }
    // The same for `length` bytes that need not end with a zero.
    bool add(const char* text, std::size_t length, std::uint32_t& start) {
        if (length == 0) {
            start = 0;
            return true;
        }
        if (length + 1 > std::numeric_limits<std::uint32_t>::max() - texts_.size()) return false;
        start = static_cast<std::uint32_t>(texts_.size());
        texts_.insert(texts_.end(), text, text + length);
        texts_.push_back('\0');
        return true;
    }
    void reserve(std::size_t bytes) {
        if (bytes > texts_.size()) texts_.reserve(bytes);
    }
    std::size_t size() const { return texts_.size(); }
    // Drops every text that starts at `size` or later.
    void truncate(std::size_t size) {
        if (size >= 1 && size < texts_.size()) texts_.resize(size);
    }
    const char* at(std::uint32_t start) const { return texts_.data() + start; }
    const char* empty() const { return texts_.data(); }
    void clear() {
        texts_.assign(1, '\0');
        texts_.shrink_to_fit();
    }

private:
    std::vector<char> texts_;
};

}  // namespace dialogs
