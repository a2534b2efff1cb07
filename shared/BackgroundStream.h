// Streams a file through a second thread and a small fixed ring of buffers,
// so that the caller's parsing or formatting overlaps the system's reading or
// writing. Memory is fixed whatever the file size: BUFFERS × BUFFER_SIZE.
// The buffers are larger on Windows, where every hand-over between the
// threads waits on a kernel object (the thread library's condition
// variables): a quarter of the hand-overs for the same bytes.
//
// The streams are borrowed, never closed here. Both classes are used from one
// caller thread; the background thread only ever touches the stream and the
// buffers it was handed. When no thread can be started (or none is wanted)
// the same work is done in the caller's thread, at the same points.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#ifdef _WIN32
constexpr std::size_t BACKGROUND_BUFFER_SIZE = 1024 * 1024;
#else
constexpr std::size_t BACKGROUND_BUFFER_SIZE = 256 * 1024;
#endif

class BackgroundWriter {
public:
    static constexpr std::size_t BUFFER_SIZE = BACKGROUND_BUFFER_SIZE;
    static constexpr int BUFFERS = 3;

    explicit BackgroundWriter(std::FILE* out, bool background = true);
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;
    // Writes what was submitted and stops the thread.
    ~BackgroundWriter();

    // An empty buffer of BUFFER_SIZE bytes; waits while all are being written.
    char* acquire();
    // Hands a buffer from acquire() over, with the number of bytes filled.
    void submit(char* buffer, std::size_t length);
    // Waits until everything submitted is written and stops the thread;
    // false when any write fell short. The stream is flushed, not closed.
    bool finish();

private:
    struct Job {
        char* buffer;
        std::size_t length;
    };
    void run();
    // Writes one job; false when the write fell short.
    bool write(const Job& job);

    std::FILE* out_;
    bool inline_ = false;  // no thread: submit() writes at once
    std::unique_ptr<char[]> memory_;
    std::deque<char*> free_;
    std::deque<Job> pending_;
    bool stopping_ = false;
    bool failed_ = false;
    bool finished_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};

class BackgroundReader {
public:
    static constexpr std::size_t BUFFER_SIZE = BACKGROUND_BUFFER_SIZE;
    static constexpr int BUFFERS = 3;

    // Reads `in` from its current position, at most `limit` bytes.
    BackgroundReader(std::FILE* in, std::int64_t limit, bool background = true);
    BackgroundReader(const BackgroundReader&) = delete;
    BackgroundReader& operator=(const BackgroundReader&) = delete;
    ~BackgroundReader();

    // The next piece of the file, valid until the next call; 0 at the end
    // of the file, at the limit, or after a read error.
    std::size_t next(const unsigned char*& data);
    // Whether the stream reported an error.
    bool failed() const { return failed_; }

private:
    struct Piece {
        unsigned char* buffer;
        std::size_t length;  // 0 marks the end
    };
    void run();
    // Fills one buffer from the stream, as far as the limit allows.
    std::size_t fill(unsigned char* buffer, bool& end);
    void stop();

    std::FILE* in_;
    std::int64_t left_;
    bool inline_ = false;  // no thread: next() reads at once
    std::unique_ptr<unsigned char[]> memory_;
    std::deque<unsigned char*> free_;
    std::deque<Piece> ready_;
    unsigned char* held_ = nullptr;  // the piece the caller is looking at
    bool stopping_ = false;
    bool ended_ = false;
    bool failed_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};
