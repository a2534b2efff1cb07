// A file name bound to one of six standard-I/O update modes, with fixed-size
// block I/O, bounded line I/O and a result for every open, write and close.
#pragma once

#include <cstddef>
#include <cstdio>

// The result of every FileStream operation that reports one.
enum class StreamResult {
    WRITTEN,       // a write found no error
    CLOSED,        // the stream was closed (or there was none)
    OPEN,          // open succeeded
    FAILED,        // open failed, or the stream was in error when closed
    STREAM_ERROR,  // the stream's error indicator is set after a write
    AT_END,        // an end-of-file test found the end
    NONE,          // nothing to report: no test or write yet, or a test found no end
};

class FileStream {
public:
    static constexpr std::size_t BLOCK_SIZE = 1024;
    static constexpr std::size_t NAME_SIZE = 258;   // at most 256 characters are kept
    static constexpr std::size_t NAME_LIMIT = 256;
    static constexpr std::size_t LINE_SIZE = 256;

    // The three constructors; none of them opens the file.
    enum AppendTag { APPEND };
    enum WriteTag { WRITE };
    enum ReadTag { READ };
    // kind 0 gives "a+", kind 1 "ab+", any other kind "a+" (text).
    FileStream(AppendTag, const char* name, unsigned kind);
    // false gives "w+", true "wb+".
    FileStream(WriteTag, const char* name, bool binary);
    // false gives "r+", true "rb+".
    FileStream(ReadTag, const char* name, bool binary);

    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;
    // Closing is the user's job; the destructor still releases a stream that
    // was left open, so that no handle outlives its object.
    ~FileStream();

    StreamResult open();
    // Takes an already open stream (such as a ReplacingFile's temporary) in
    // place of opening the name; OPEN, or FAILED for none.
    StreamResult adopt(std::FILE* stream);
    StreamResult close();

    // Zero-fills the block buffer, then reads up to block-size bytes into it.
    const unsigned char* readBlock();
    // The number of bytes the last readBlock delivered.
    std::size_t lastBlockBytes() const { return lastBlockBytes_; }
    // Zero-fills the line buffer, then reads at most line-length - 1
    // characters, stopping after a newline (kept). Empty at end of file.
    const char* readLine();

    // WRITTEN, or STREAM_ERROR when the stream reports an error afterwards.
    StreamResult writeBlock(const void* data);
    StreamResult writeText(const char* text);
    // Appends "\n" to the caller's buffer of the given capacity, then writes
    // it. When the buffer has no room for the newline it is left as it is and
    // the text and a line end are written all the same.
    StreamResult writeLine(char* buffer, std::size_t capacity);
    // Writes the text and a line end, without touching the caller's text.
    StreamResult writeLine(const char* text);

    // True at the end of the file (or without a stream).
    bool atEnd();
    int size();
    // Moves to the offset from the start. False only when the stream refused
    // the move; a negative offset, or no stream, leaves everything as it was.
    bool seek(long offset);
    // Back to the start; false without a stream or when the stream refused.
    bool rewind();
    bool exists() const;
    int setBlockSize(int n);
    int setLineLength(int n);

    const char* name() const { return name_; }
    const char* mode() const { return mode_; }
    bool binary() const { return binary_; }
    int blockSize() const { return blockSize_; }
    int lineLength() const { return lineLength_; }
    // AT_END after an end-of-file test that found the end, STREAM_ERROR after
    // a write that found the stream in error, WRITTEN after one that did not,
    // else NONE.
    StreamResult lastStatus() const { return lastStatus_; }
    bool isOpen() const { return stream_ != nullptr; }

private:
    FileStream(const char* name, const char* mode, bool binary);
    StreamResult writeResult();
    StreamResult streamError();

    unsigned char block_[BLOCK_SIZE];
    char name_[NAME_SIZE];
    const char* mode_;
    std::FILE* stream_ = nullptr;
    bool binary_;
    int blockSize_ = static_cast<int>(BLOCK_SIZE);
    StreamResult lastStatus_ = StreamResult::NONE;
    char line_[LINE_SIZE];
    int lineLength_ = static_cast<int>(LINE_SIZE);
    std::size_t lastBlockBytes_ = 0;
};
