// A text file written in text mode, beside its target under a temporary
// name, and put in place only when it is complete: a failed write never
// leaves half a report where a good one was.
//
// Text is gathered in one fixed buffer and handed to the stream a full
// buffer at a time (platform::writeStream: on Windows the line ends are put
// in large pieces), so memory stays at the buffer's size whatever the length
// of the file. Callers format straight into the buffer: room(n) gives space
// for n characters, advance(end) keeps what was put there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "ReplacingFile.h"

class TextOutput {
public:
    // The buffer's size, and the most room() may ask for at once.
    static constexpr std::size_t BUFFER_SIZE = 256 * 1024;
    static constexpr std::size_t MAX_ROOM = 4096;

    TextOutput();
    ~TextOutput();
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;

    bool create(const std::string& path);
    // The text up to its first NUL.
    void write(const char* text);
    void write(const std::string& text) { write(text.c_str()); }
    void write(const char* text, std::size_t length);
    // Space for up to n (at most MAX_ROOM) characters at the end of the
    // buffer; advance(end) then keeps the characters up to end.
    char* room(std::size_t n);
    void advance(char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }
    // printf into the buffer, the result cut to at most limit (below
    // MAX_ROOM) characters.
    void print(std::size_t limit, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
    bool finish();

    // The decimal digits of v at out; the end of what was written (at most
    // 20 characters).
    static char* putUnsigned(char* out, std::uint64_t v);

private:
    void abandon();
    void flush();
    std::FILE* stream_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    ReplacingFile file_;
    bool failed_ = false;
};
