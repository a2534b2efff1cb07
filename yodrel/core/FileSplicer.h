// Cuts files into numbered piece files and joins pieces onto a target. Every
// copy moves block by block through a 1024-byte copy buffer (one for each
// thread that copies), read and written in fixed stages of many blocks, so
// no file is ever held whole.
//
// Piece files are named "USER_FILE%04d.tmp" with a counter that only grows
// for the life of the splicer, so the pieces of every merge of one run have
// names of their own. They go to the work folder (the user's temporary
// folder unless told otherwise).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct WorkProgress;

struct PieceRecord {
    std::string name;
    std::int64_t size = 0;
};

// One cut: bytes [start, end) of a source, or from start to its end.
struct PieceCut {
    std::size_t sourceIndex;
    std::int64_t start;
    std::int64_t end;
    bool toEnd;
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
    // Makes the pieces of several cuts, named and listed in the order given,
    // as the same cuts one after another would. The cuts of the first source
    // named run at the same time as those of the others. All or nothing:
    // when one fails, no piece of the call is kept. With a progress, counts
    // the bytes copied; a stop fails the call.
    bool cutPieces(const std::vector<PieceCut>& cuts, WorkProgress* progress = nullptr);
    std::size_t pieceCount() const { return pieces_.size(); }
    // Appends a piece to target and deletes the piece file; piece 0 deletes
    // the target first, so a result is never appended to an old file. With a
    // progress, counts the piece's bytes; a stop fails the append, leaving
    // the piece file for clearAll.
    bool appendPiece(const char* target, std::size_t pieceIndex, WorkProgress* progress = nullptr);
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
    std::int64_t lastFullBlocks() const { return copy_.fullBlocks; }
    std::int64_t lastRemainder() const { return copy_.remainder; }

private:
    // What one copy works with; each thread that copies has its own.
    struct CopyState {
        unsigned char copyBuffer[COPY_SIZE] = {0};
        // The stages of a copy, in and out: many blocks each, fixed in size.
        std::unique_ptr<unsigned char[]> staging;
        std::int64_t fullBlocks = 0;
        std::int64_t remainder = 0;
    };
    static constexpr std::size_t STAGE_SIZE = 256 * COPY_SIZE;

    // Counts into progress (when given) stage by stage and fails at a stop.
    static bool copyBytes(std::FILE* in, std::FILE* out, std::int64_t count, CopyState& state,
                          WorkProgress* progress);
    std::string nextPieceName();
    // Whether a cut lies inside its source, and where it ends.
    bool rangeOf(const PieceCut& cut, std::int64_t& end) const;
    // Copies the cut's piece.size bytes into the piece file.
    bool cutRange(const PieceCut& cut, PieceRecord& piece, CopyState& state, WorkProgress* progress) const;

    std::string workFolder_;
    std::vector<PieceRecord> sources_;
    std::vector<PieceRecord> pieces_;
    CopyState copy_;
    int pieceCounter_ = 0;
};
