#include "FileSplicer.h"

#include <cstdio>
#include <cstring>

#include "platform/Platform.h"

namespace {

// A larger stdio buffer than the default keeps the 1024-byte copies cheap;
// it is fixed in size, so memory does not grow with the file.
constexpr std::size_t STREAM_BUFFER = 1 << 16;

struct Stream {
    std::FILE* file = nullptr;
    Stream(const std::string& path, const char* mode) {
        file = platform::openFile(path.c_str(), mode);
        if (file) std::setvbuf(file, nullptr, _IOFBF, STREAM_BUFFER);
    }
    ~Stream() {
        if (file) std::fclose(file);
    }
    bool closeChecked() {
        if (!file) return false;
        bool ok = std::ferror(file) == 0;
        if (std::fclose(file) != 0) ok = false;
        file = nullptr;
        return ok;
    }
};

bool seekTo(std::FILE* f, std::int64_t offset) {
    if (offset < 0 || offset > 0x7FFFFFFFLL) return false;
    return std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0;
}

std::int64_t sizeOf(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    long size = std::ftell(f);
    return size < 0 ? -1 : size;
}

}  // namespace

FileSplicer::FileSplicer(std::string workFolder) : workFolder_(std::move(workFolder)) {
    std::memset(copyBuffer_, 0, sizeof copyBuffer_);
    if (workFolder_.empty()) workFolder_ = platform::tempFolder();
}

FileSplicer::~FileSplicer() { clearAll(); }

void FileSplicer::addSource(const char* path) {
    if (!path || !*path) return;
    PieceRecord record;
    record.name = path;
    sources_.push_back(record);
}

bool FileSplicer::copyBytes(std::FILE* in, std::FILE* out, std::int64_t count) {
    fullBlocks_ = count / static_cast<std::int64_t>(COPY_SIZE);
    remainder_ = count % static_cast<std::int64_t>(COPY_SIZE);
    for (std::int64_t i = 0; i < fullBlocks_; ++i) {
        if (std::fread(copyBuffer_, 1, COPY_SIZE, in) != COPY_SIZE) return false;
        if (std::fwrite(copyBuffer_, 1, COPY_SIZE, out) != COPY_SIZE) return false;
    }
    std::size_t rest = static_cast<std::size_t>(remainder_);
    if (rest > 0) {
        if (std::fread(copyBuffer_, 1, rest, in) != rest) return false;
        if (std::fwrite(copyBuffer_, 1, rest, out) != rest) return false;
    }
    return true;
}

bool FileSplicer::cutPiece(std::FILE* in, std::int64_t start, std::int64_t end) {
    byteCount_ = end - start;
    if (byteCount_ < 0 || !seekTo(in, start)) return false;
    ++pieceCounter_;
    char name[32];
    std::snprintf(name, sizeof name, "USER_FILE%04d.tmp", pieceCounter_);
    PieceRecord piece;
    piece.name = workFolder_ + name;
    piece.size = byteCount_;
    Stream out(piece.name, "wb");
    if (!out.file) return false;
    bool ok = copyBytes(in, out.file, byteCount_);
    if (!out.closeChecked() || !ok) {
        platform::deleteFile(piece.name.c_str());
        return false;
    }
    pieces_.push_back(piece);
    return true;
}

bool FileSplicer::cutHead(std::int64_t start, std::int64_t end, std::size_t sourceIndex) {
    if (sourceIndex >= sources_.size()) return false;
    Stream in(sources_[sourceIndex].name, "rb");
    if (!in.file) return false;
    sourceSize_ = sizeOf(in.file);
    if (start < 0 || end < start || end > sourceSize_) return false;
    return cutPiece(in.file, start, end);
}

bool FileSplicer::cutTail(std::int64_t start, std::size_t sourceIndex) {
    if (sourceIndex >= sources_.size()) return false;
    Stream in(sources_[sourceIndex].name, "rb");
    if (!in.file) return false;
    sourceSize_ = sizeOf(in.file);
    if (start < 0 || start > sourceSize_) return false;
    return cutPiece(in.file, start, sourceSize_);
}

bool FileSplicer::appendPiece(const char* target, std::size_t pieceIndex) {
    if (!target || !*target || pieceIndex >= pieces_.size()) return false;
    PieceRecord& piece = pieces_[pieceIndex];
    if (pieceIndex == 0) platform::deleteFile(target);
    Stream in(piece.name, "rb");
    if (!in.file) return false;
    Stream out(target, "ab");
    if (!out.file) return false;
    bool ok = copyBytes(in.file, out.file, piece.size);
    if (!out.closeChecked() || !ok) return false;
    in.closeChecked();
    platform::deleteFile(piece.name.c_str());
    piece.size = 0;
    return true;
}

bool FileSplicer::readAt(const char* path, void* buffer, std::int64_t start, std::int64_t end) {
    if (!path || !*path || end - start <= 0) return false;
    Stream f(path, "rb");
    if (!f.file || !seekTo(f.file, start)) return false;
    std::size_t count = static_cast<std::size_t>(end - start);
    return std::fread(buffer, 1, count, f.file) == count;
}

bool FileSplicer::writeAt(const char* path, const void* data, std::int64_t start, std::int64_t end) {
    if (!path || !*path || end - start <= 0) return false;
    Stream f(path, "rb+");
    if (!f.file || !seekTo(f.file, start)) return false;
    std::size_t count = static_cast<std::size_t>(end - start);
    bool ok = std::fwrite(data, 1, count, f.file) == count;
    return f.closeChecked() && ok;
}

void FileSplicer::clearAll() {
    // A piece that was cut but never appended still has its size; an empty
    // piece that was never appended has a file too, so every piece whose file
    // remains is deleted.
    for (const PieceRecord& piece : pieces_) {
        if (platform::exists(piece.name.c_str())) platform::deleteFile(piece.name.c_str());
    }
    sources_.clear();
    pieces_.clear();
    sourceSize_ = 0;
}
