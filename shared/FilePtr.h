// A stdio stream with one owner: closed once, when its owner goes, unless a
// writer closes it first with closeChecked to learn whether what it wrote
// reached the file.
#pragma once

#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Closes the stream now. False when there was none, when its error flag was
// set, or when the close failed (it writes what is still buffered).
inline bool closeChecked(FilePtr& file) {
    if (!file) return false;
    bool ok = std::ferror(file.get()) == 0;
    if (std::fclose(file.release()) != 0) ok = false;
    return ok;
}
