// The texts of an owner-data list: one growing block of zero-ended texts,
// each found by where it starts. One allocation for many thousand rows.
// TextBlock holds 8-bit texts, WideTextBlock UTF-16 ones.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace dialogs {

template <class Char>
class BasicTextBlock {
public:
    BasicTextBlock() : texts_(1, Char(0)) {}  // offset 0: the empty text, shared by every empty cell

    // Copies the text in and gives where it starts; false (and nothing
    // added) when the block would pass 4 GB.
    bool add(const Char* text, std::uint32_t& start) { return add(text, std::char_traits<Char>::length(text), start); }
    // The same for `length` characters that need not end with a zero.
    bool add(const Char* text, std::size_t length, std::uint32_t& start) {
        if (length == 0) {
            start = 0;
            return true;
        }
        if (length + 1 > std::numeric_limits<std::uint32_t>::max() - texts_.size()) return false;
        start = static_cast<std::uint32_t>(texts_.size());
        texts_.insert(texts_.end(), text, text + length);
        texts_.push_back(Char(0));
        return true;
    }
    void reserve(std::size_t characters) {
        if (characters > texts_.size()) texts_.reserve(characters);
    }
    std::size_t size() const { return texts_.size(); }
    // Drops every text that starts at `size` or later.
    void truncate(std::size_t size) {
        if (size >= 1 && size < texts_.size()) texts_.resize(size);
    }
    const Char* at(std::uint32_t start) const { return texts_.data() + start; }
    const Char* empty() const { return texts_.data(); }
    void clear() {
        texts_.assign(1, Char(0));
        texts_.shrink_to_fit();
    }

private:
    std::vector<Char> texts_;
};

using TextBlock = BasicTextBlock<char>;
using WideTextBlock = BasicTextBlock<char16_t>;

}  // namespace dialogs
