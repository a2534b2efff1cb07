#include "FileStream.h"

#include <cstring>

#include "platform/Platform.h"

FileStream::FileStream(const char* name, const char* mode, bool binary) : mode_(mode), binary_(binary) {
    std::memset(block_, 0, sizeof block_);
    std::memset(name_, 0, sizeof name_);
    std::memset(line_, 0, sizeof line_);
    if (name) std::strncpy(name_, name, NAME_LIMIT);
}

FileStream::FileStream(AppendTag, const char* name, unsigned kind)
    : FileStream(name, kind == 1 ? "ab+" : "a+", kind == 1) {}

FileStream::FileStream(WriteTag, const char* name, bool binary)
    : FileStream(name, binary ? "wb+" : "w+", binary) {}

FileStream::FileStream(ReadTag, const char* name, bool binary)
    : FileStream(name, binary ? "rb+" : "r+", binary) {}

FileStream::~FileStream() {
    if (stream_) std::fclose(stream_);
}

StreamResult FileStream::open() {
    if (stream_) return StreamResult::OPEN;
    if (name_[0] == '\0') return StreamResult::FAILED;
    // Only a regular file is read: a folder, pipe or device is refused
    // before an open that could wait forever.
    if (mode_[0] == 'r' && platform::inputProblem(name_)) return StreamResult::FAILED;
    stream_ = platform::openFile(name_, mode_);
    if (!stream_ && mode_[0] == 'r') {
        // The read modes are update modes; a file that may only be read (a
        // read-only file, a folder without write rights) is still read.
        stream_ = platform::openFile(name_, binary_ ? "rb" : "r");
    }
    return stream_ ? StreamResult::OPEN : StreamResult::FAILED;
}

StreamResult FileStream::adopt(std::FILE* stream) {
    if (stream_) std::fclose(stream_);
    stream_ = stream;
    return stream_ ? StreamResult::OPEN : StreamResult::FAILED;
}

StreamResult FileStream::close() {
    if (!stream_) return StreamResult::CLOSED;
    bool failed = std::ferror(stream_) != 0;
    // fclose flushes: a write that fails only then is a failure too.
    if (std::fclose(stream_) != 0) failed = true;
    stream_ = nullptr;
    return failed ? StreamResult::FAILED : StreamResult::CLOSED;
}

const unsigned char* FileStream::readBlock() {
    std::memset(block_, 0, sizeof block_);
    lastBlockBytes_ = stream_ ? std::fread(block_, 1, static_cast<std::size_t>(blockSize_), stream_) : 0;
    return block_;
}

const char* FileStream::readLine() {
    std::memset(line_, 0, sizeof line_);
    if (stream_ && lineLength_ > 1) {
        if (!std::fgets(line_, lineLength_, stream_)) line_[0] = '\0';
    }
    return line_;
}

StreamResult FileStream::streamError() {
    lastStatus_ = StreamResult::STREAM_ERROR;
    return StreamResult::STREAM_ERROR;
}

StreamResult FileStream::writeResult() {
    if (stream_ && std::ferror(stream_)) return streamError();
    lastStatus_ = StreamResult::WRITTEN;
    return StreamResult::WRITTEN;
}

StreamResult FileStream::writeBlock(const void* data) {
    if (!stream_) {
        return streamError();
    }
    if (std::fwrite(data, static_cast<std::size_t>(blockSize_), 1, stream_) != 1 && !std::ferror(stream_)) {
        return streamError();
    }
    return writeResult();
}

StreamResult FileStream::writeText(const char* text) {
    if (!stream_) {
        return streamError();
    }
    std::fputs(text ? text : "", stream_);
    return writeResult();
}

StreamResult FileStream::writeLine(char* buffer, std::size_t capacity) {
    std::size_t length = buffer ? strnlen(buffer, capacity) : 0;
    if (buffer && length + 1 < capacity) {
        buffer[length] = '\n';
        buffer[length + 1] = '\0';
        return writeText(buffer);
    }
    // No room for the newline (or no terminator within the buffer): write
    // what is there and the line end separately.
    if (!stream_) {
        return streamError();
    }
    if (buffer) std::fwrite(buffer, 1, length, stream_);
    std::fputc('\n', stream_);
    return writeResult();
}

StreamResult FileStream::writeLine(const char* text) {
    if (!stream_) {
        return streamError();
    }
    std::fputs(text ? text : "", stream_);
    std::fputc('\n', stream_);
    return writeResult();
}

bool FileStream::atEnd() {
    const bool end = !stream_ || std::feof(stream_);
    lastStatus_ = end ? StreamResult::AT_END : StreamResult::NONE;
    return end;
}

int FileStream::size() {
    if (!binary_ || !stream_) return 0;
    if (std::fseek(stream_, 0, SEEK_END) != 0) return 0;
    long length = std::ftell(stream_);
    std::fseek(stream_, 0, SEEK_SET);
    return length < 0 ? 0 : static_cast<int>(length);
}

bool FileStream::seek(long offset) {
    if (offset < 0 || !stream_) return true;
    return std::fseek(stream_, offset, SEEK_SET) == 0;
}

bool FileStream::rewind() {
    if (!stream_) return false;
    return std::fseek(stream_, 0, SEEK_SET) == 0;
}

bool FileStream::exists() const { return platform::exists(name_); }

int FileStream::setBlockSize(int n) {
    blockSize_ = n > static_cast<int>(BLOCK_SIZE) ? static_cast<int>(BLOCK_SIZE) : (n < 0 ? 0 : n);
    return blockSize_;
}

int FileStream::setLineLength(int n) {
    lineLength_ = n > static_cast<int>(LINE_SIZE) ? static_cast<int>(LINE_SIZE) : (n < 0 ? 0 : n);
    return lineLength_;
}
