// Cuts files into numbered piece files and joins pieces onto a target, all
// through one 1024-byte copy buffer, so no file is ever held whole.
//
// Piece files are named "USER_FILE%04d.tmp" with a counter that only grows
// for the life of the splicer, so the pieces of every merge of one run have
// names of their own. They go to the work folder (the user's temporary
// folder unless told otherwise).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PieceRecord {
    std::string name;
    std::int64_t size = 0;
};

class FileSplicer {
public:
    static constexpr std::size_t COPY_SIZE = 1024;

    explicit FileSplicer(std::string workFolder = std::string());
    ~FileSplicer();
    FileSplicer(const FileSplicer&) = delete;
    FileSplicer& operator=(const FileSplicer&) = delete;

    void setWorkFolder(const std::string& folder) { workFolder_ = folder; }
    const std::string& workFolder() const { return workFolder_; }

    // Adds an input file; an empty path adds nothing.
    void addSource(const char* path);
    // Cuts bytes [start, end) of a source into the next piece file. False
    // (and no piece) when the source does not open, the range is not inside
    // it, or the piece cannot be written.
    bool cutHead(std::int64_t start, std::int64_t end, std::size_t sourceIndex);
    // Cuts bytes from start to the end of a source into the next piece file.
    bool cutTail(std::int64_t start, std::size_t sourceIndex);
    std::size_t pieceCount() const { return pieces_.size(); }
    // Appends a piece to target and deletes the piece file; piece 0 deletes
    // the target first, so a result is never appended to an old file.
    bool appendPiece(const char* target, std::size_t pieceIndex);
    // Reads or writes the bytes [start, end) of a file in place.
    bool readAt(const char* path, void* buffer, std::int64_t start, std::int64_t end);
    bool writeAt(const char* path, const void* data, std::int64_t start, std::int64_t end);
    // Deletes every piece file not yet appended and empties both lists; the
    // piece counter keeps counting.
    void clearAll();

    const std::vector<PieceRecord>& sources() const { return sources_; }
    const std::vector<PieceRecord>& pieces() const { return pieces_; }
    int pieceCounter() const { return pieceCounter_; }
    // The split of the last copy into full blocks and a rest.
    std::int64_t lastFullBlocks() const { return fullBlocks_; }
    std::int64_t lastRemainder() const { return remainder_; }

private:
    bool cutPiece(std::FILE* in, std::int64_t start, std::int64_t end);
    bool copyBytes(std::FILE* in, std::FILE* out, std::int64_t count);

    std::string workFolder_;
    std::vector<PieceRecord> sources_;
    std::vector<PieceRecord> pieces_;
    unsigned char copyBuffer_[COPY_SIZE];
    std::int64_t byteCount_ = 0;
    std::int64_t fullBlocks_ = 0;
    std::int64_t remainder_ = 0;
    std::int64_t sourceSize_ = 0;
    int pieceCounter_ = 0;
};
