#include "BackgroundStream.h"

#include "platform/Platform.h"

#include <system_error>

namespace {

// Starts `work` on `thread`; false when no thread can be started.
template <class Work>
bool startThread(std::thread& thread, Work work) {
    try {
        thread = std::thread(work);
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

}  // namespace

BackgroundWriter::BackgroundWriter(std::FILE* out, bool background)
    : out_(out), memory_(new char[BUFFER_SIZE * BUFFERS]) {
    for (int i = 0; i < BUFFERS; ++i) free_.push_back(memory_.get() + BUFFER_SIZE * static_cast<std::size_t>(i));
    inline_ = !background || !startThread(thread_, [this] { run(); });
}

BackgroundWriter::~BackgroundWriter() { finish(); }

char* BackgroundWriter::acquire() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !free_.empty(); });
    char* buffer = free_.front();
    free_.pop_front();
    return buffer;
}

void BackgroundWriter::submit(char* buffer, std::size_t length) {
    if (inline_) {
        if (!failed_ && !write(Job{buffer, length})) failed_ = true;
        std::lock_guard<std::mutex> lock(mutex_);
        free_.push_back(buffer);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(Job{buffer, length});
    }
    changed_.notify_all();
}

bool BackgroundWriter::finish() {
    if (!finished_) {
        if (thread_.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                stopping_ = true;
            }
            changed_.notify_all();
            thread_.join();
        }
        finished_ = true;
        if (out_ && std::fflush(out_) != 0) failed_ = true;
    }
    return !failed_;
}

bool BackgroundWriter::write(const Job& job) {
    return job.length == 0 || (out_ && platform::writeStream(out_, job.buffer, job.length));
}

void BackgroundWriter::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
        if (pending_.empty()) return;  // stopping, and everything is written
        Job job = pending_.front();
        pending_.pop_front();
        const bool skip = failed_;
        lock.unlock();
        // After a failed write nothing more is written: the file is already
        // incomplete, and the caller learns it from finish().
        bool ok = skip || write(job);
        lock.lock();
        if (!ok) failed_ = true;
        free_.push_back(job.buffer);
        changed_.notify_all();
    }
}

BackgroundReader::BackgroundReader(std::FILE* in, std::int64_t limit, bool background)
    : in_(in), left_(limit < 0 ? 0 : limit), memory_(new unsigned char[BUFFER_SIZE * BUFFERS]) {
    for (int i = 0; i < BUFFERS; ++i) free_.push_back(memory_.get() + BUFFER_SIZE * static_cast<std::size_t>(i));
    inline_ = !background || !startThread(thread_, [this] { run(); });
}

BackgroundReader::~BackgroundReader() { stop(); }

void BackgroundReader::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::size_t BackgroundReader::fill(unsigned char* buffer, bool& end) {
    const std::size_t want =
        left_ < static_cast<std::int64_t>(BUFFER_SIZE) ? static_cast<std::size_t>(left_) : BUFFER_SIZE;
    std::size_t got = 0;
    // A piece is filled completely unless the file ends, so that the
    // caller sees the same pieces on every system.
    while (got < want) {
        std::size_t n = std::fread(buffer + got, 1, want - got, in_);
        if (n == 0) {
            if (std::ferror(in_)) failed_ = true;
            break;
        }
        got += n;
    }
    left_ -= static_cast<std::int64_t>(got);
    end = got < want || left_ == 0;
    return got;
}

std::size_t BackgroundReader::next(const unsigned char*& data) {
    if (inline_) {
        if (ended_) return 0;
        bool end = false;
        const std::size_t got = fill(memory_.get(), end);
        ended_ = end;  // a last piece is still handed out
        data = memory_.get();
        return got;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (held_) {
        free_.push_back(held_);
        held_ = nullptr;
        changed_.notify_all();
    }
    if (ended_) return 0;
    changed_.wait(lock, [this] { return !ready_.empty(); });
    Piece piece = ready_.front();
    ready_.pop_front();
    if (piece.length == 0) {
        ended_ = true;
        if (piece.buffer) free_.push_back(piece.buffer);
        return 0;
    }
    held_ = piece.buffer;
    data = piece.buffer;
    return piece.length;
}

void BackgroundReader::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !free_.empty(); });
        if (stopping_) return;
        unsigned char* buffer = free_.front();
        free_.pop_front();
        lock.unlock();
        bool end = false;
        const std::size_t got = fill(buffer, end);
        lock.lock();
        if (got > 0) ready_.push_back(Piece{buffer, got});
        if (end) ready_.push_back(Piece{got > 0 ? nullptr : buffer, 0});
        changed_.notify_all();
        if (end) return;
    }
}
