// A text file written in text mode through FileStream, beside its target
// under a temporary name, and put in place only when it is complete: a
// failed write never leaves half a report where a good one was.
#pragma once

#include <memory>
#include <string>

#include "ReplacingFile.h"

class FileStream;

class TextOutput {
public:
    TextOutput();
    ~TextOutput();
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;

    bool create(const std::string& path);
    void write(const char* text);
    void write(const std::string& text) { write(text.c_str()); }
    bool finish();

private:
    void abandon();
    void flush();
    std::unique_ptr<FileStream> stream_;
    std::string buffer_;  // written out in blocks of about 64 KB
    ReplacingFile file_;
    bool failed_ = false;
};
