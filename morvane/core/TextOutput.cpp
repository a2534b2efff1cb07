#include "TextOutput.h"

#include <cstdarg>
#include <cstring>

#include "platform/Platform.h"

TextOutput::TextOutput() = default;

TextOutput::~TextOutput() { abandon(); }

bool TextOutput::create(const std::string& path) {
    abandon();
    failed_ = false;
    used_ = 0;
    if (!file_.create(path, true)) return false;
    if (!buffer_) buffer_.reset(new char[BUFFER_SIZE]);
    stream_ = file_.release();
    return true;
}

void TextOutput::write(const char* text) { write(text, std::strlen(text)); }

void TextOutput::write(const char* text, std::size_t length) {
    if (!stream_) return;
    if (length > BUFFER_SIZE - used_) {
        flush();
        if (length >= BUFFER_SIZE) {
            if (!platform::writeStream(stream_, text, length)) failed_ = true;
            return;
        }
    }
    std::memcpy(buffer_.get() + used_, text, length);
    used_ += length;
}

char* TextOutput::room(std::size_t n) {
    if (!buffer_) buffer_.reset(new char[BUFFER_SIZE]);  // written to, never to a file, before create
    if (n > BUFFER_SIZE - used_) flush();
    return buffer_.get() + used_;
}

void TextOutput::print(std::size_t limit, const char* format, ...) {
    char* at = room(limit + 1);
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(at, limit + 1, format, args);
    va_end(args);
    if (length < 0) length = 0;
    advance(at + (static_cast<std::size_t>(length) < limit ? static_cast<std::size_t>(length) : limit));
}

namespace {

const char PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The digits of v, written backwards from `end`, two at a time.
template <class Unsigned>
void putDigits(char* end, Unsigned v) {
    char* p = end;
    while (v >= 100) {
        const std::size_t pair = static_cast<std::size_t>(v % 100) * 2;
        v /= 100;
        *--p = PAIRS[pair + 1];
        *--p = PAIRS[pair];
    }
    if (v >= 10) {
        *--p = PAIRS[v * 2 + 1];
        *--p = PAIRS[v * 2];
    } else {
        *--p = static_cast<char>('0' + v);
    }
}

}  // namespace

char* TextOutput::putUnsigned(char* out, std::uint64_t v) {
    if (v <= 0xFFFFFFFFu) {
        // Most numbers written fit 32 bits, whose arithmetic is the cheaper.
        const std::uint32_t small = static_cast<std::uint32_t>(v);
        const std::size_t length = small < 10u           ? 1
                                   : small < 100u        ? 2
                                   : small < 1000u       ? 3
                                   : small < 10000u      ? 4
                                   : small < 100000u     ? 5
                                   : small < 1000000u    ? 6
                                   : small < 10000000u   ? 7
                                   : small < 100000000u  ? 8
                                   : small < 1000000000u ? 9
                                                         : 10;
        putDigits(out + length, small);
        return out + length;
    }
    std::size_t length = 1;
    for (std::uint64_t limit = 10; v >= limit && length < 20; limit *= 10) ++length;
    putDigits(out + length, v);
    return out + length;
}

void TextOutput::flush() {
    if (stream_ && used_ > 0 && !platform::writeStream(stream_, buffer_.get(), used_)) failed_ = true;
    used_ = 0;
}

bool TextOutput::finish() {
    if (!stream_) return false;
    flush();
    // fclose flushes: a write that fails only then is a failure too.
    bool ok = !failed_ && std::ferror(stream_) == 0;
    if (std::fclose(stream_) != 0) ok = false;
    stream_ = nullptr;
    return file_.commit(ok);
}

void TextOutput::abandon() {
    used_ = 0;
    if (stream_) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    file_.abandon();
}
