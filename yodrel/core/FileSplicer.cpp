#include "FileSplicer.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <system_error>
#include <thread>

#include "WorkProgress.h"
#include "platform/Platform.h"

namespace {

// The streams of a copy are unbuffered: the copy reads and writes large
// pieces of its own (see copyBytes), which then go straight to the system.
struct Stream {
    std::FILE* file = nullptr;
    Stream(const std::string& path, const char* mode) {
        file = platform::openFile(path.c_str(), mode);
        if (file) std::setvbuf(file, nullptr, _IONBF, 0);
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

}  // namespace

FileSplicer::FileSplicer(std::string workFolder) : workFolder_(std::move(workFolder)) {
    if (workFolder_.empty()) workFolder_ = platform::tempFolder();
}

FileSplicer::~FileSplicer() { clearAll(); }

void FileSplicer::addSource(const char* path) {
    if (!path || !*path) return;
    PieceRecord record;
    record.name = path;
    sources_.push_back(record);
}

bool FileSplicer::copyBytes(std::FILE* in, std::FILE* out, std::int64_t count, CopyState& state,
                            WorkProgress* progress) {
    state.fullBlocks = count / static_cast<std::int64_t>(COPY_SIZE);
    state.remainder = count % static_cast<std::int64_t>(COPY_SIZE);
    if (!state.staging) state.staging.reset(new unsigned char[2 * STAGE_SIZE]);
    unsigned char* const inStage = state.staging.get();
    unsigned char* const outStage = state.staging.get() + STAGE_SIZE;
    // The bytes move block by block through the copy buffer: fullBlocks
    // blocks of 1024 bytes, then the rest. They are read and written in
    // stages of many blocks, so that the system sees few large requests.
    std::int64_t left = count;
    while (left > 0) {
        if (progress && progress->stopped()) return false;
        const std::size_t stage =
            left < static_cast<std::int64_t>(STAGE_SIZE) ? static_cast<std::size_t>(left) : STAGE_SIZE;
        if (std::fread(inStage, 1, stage, in) != stage) return false;
        for (std::size_t at = 0; at < stage; at += COPY_SIZE) {
            const std::size_t block = stage - at < COPY_SIZE ? stage - at : COPY_SIZE;
            std::memcpy(state.copyBuffer, inStage + at, block);
            std::memcpy(outStage + at, state.copyBuffer, block);
        }
        if (std::fwrite(outStage, 1, stage, out) != stage) return false;
        left -= static_cast<std::int64_t>(stage);
        if (progress) progress->advance(stage);
    }
    return true;
}

std::string FileSplicer::nextPieceName() {
    ++pieceCounter_;
    char name[32];
    std::snprintf(name, sizeof name, "USER_FILE%04d.tmp", pieceCounter_);
    return workFolder_ + name;
}

bool FileSplicer::rangeOf(const PieceCut& cut, std::int64_t& end) const {
    if (cut.sourceIndex >= sources_.size()) return false;
    const std::int64_t size = platform::fileSize(sources_[cut.sourceIndex].name.c_str());
    end = cut.toEnd ? size : cut.end;
    return size >= 0 && cut.start >= 0 && cut.start <= end && end <= size;
}

bool FileSplicer::cutRange(const PieceCut& cut, PieceRecord& piece, CopyState& state, WorkProgress* progress) const {
    if (cut.sourceIndex >= sources_.size()) return false;
    Stream in(sources_[cut.sourceIndex].name, "rb");
    if (!in.file || !seekTo(in.file, cut.start)) return false;
    Stream out(piece.name, "wb");
    if (!out.file) return false;
    bool ok = copyBytes(in.file, out.file, piece.size, state, progress);
    if (!out.closeChecked() || !ok) {
        platform::deleteFile(piece.name.c_str());
        return false;
    }
    return true;
}

bool FileSplicer::cutHead(std::int64_t start, std::int64_t end, std::size_t sourceIndex) {
    return cutPieces({PieceCut{sourceIndex, start, end, false}});
}

bool FileSplicer::cutTail(std::int64_t start, std::size_t sourceIndex) {
    return cutPieces({PieceCut{sourceIndex, start, 0, true}});
}

bool FileSplicer::cutPieces(const std::vector<PieceCut>& cuts, WorkProgress* progress) {
    // A range outside its source makes no piece and spends no number.
    std::vector<PieceRecord> made(cuts.size());
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        std::int64_t end = 0;
        if (!rangeOf(cuts[i], end)) return false;
        made[i].size = end - cuts[i].start;
    }
    // Named in order, as one cut after another would name them.
    for (PieceRecord& piece : made) piece.name = nextPieceName();
    std::vector<char> cutOk(cuts.size(), 0);
    auto cutSource = [&](std::size_t source, CopyState& state) {
        for (std::size_t i = 0; i < cuts.size(); ++i)
            if (cuts[i].sourceIndex == source) cutOk[i] = cutRange(cuts[i], made[i], state, progress) ? 1 : 0;
    };
    // The cuts of the first source run on a second thread while those of the
    // others run here: two files read and two written at the same time.
    const std::size_t first = cuts.empty() ? 0 : cuts[0].sourceIndex;
    bool others = false;
    for (const PieceCut& cut : cuts) others = others || cut.sourceIndex != first;
    std::thread worker;
    CopyState workerState;
    if (others) {
        try {
            worker = std::thread(cutSource, first, std::ref(workerState));
        } catch (const std::system_error&) {
            others = false;  // no second thread: one cut after another
        }
    }
    if (others) {
        for (std::size_t i = 0; i < cuts.size(); ++i) {
            if (cuts[i].sourceIndex == first) continue;
            cutOk[i] = cutRange(cuts[i], made[i], copy_, progress) ? 1 : 0;
        }
        worker.join();
        if (cuts.back().sourceIndex == first) {
            copy_.fullBlocks = workerState.fullBlocks;
            copy_.remainder = workerState.remainder;
        }
    } else {
        for (std::size_t i = 0; i < cuts.size(); ++i) cutOk[i] = cutRange(cuts[i], made[i], copy_, progress) ? 1 : 0;
    }
    bool ok = true;
    for (char c : cutOk) ok = ok && c;
    if (!ok) {
        // All or none: the pieces that were cut are removed again.
        for (std::size_t i = 0; i < made.size(); ++i)
            if (cutOk[i]) platform::deleteFile(made[i].name.c_str());
        return false;
    }
    pieces_.insert(pieces_.end(), made.begin(), made.end());
    return true;
}

bool FileSplicer::appendPiece(const char* target, std::size_t pieceIndex, WorkProgress* progress) {
    if (!target || !*target || pieceIndex >= pieces_.size()) return false;
    if (progress && progress->stopped()) return false;
    PieceRecord& piece = pieces_[pieceIndex];
    // The first piece starts the target afresh: on the same volume the
    // piece file simply becomes the target (renamed over it, so that the
    // target is never deleted and a name left free for a moment); else the
    // target is emptied and the piece copied into it.
    if (pieceIndex == 0 && platform::replaceFile(piece.name.c_str(), target)) {
        copy_.fullBlocks = piece.size / static_cast<std::int64_t>(COPY_SIZE);
        copy_.remainder = piece.size % static_cast<std::int64_t>(COPY_SIZE);
        if (progress) progress->advance(static_cast<std::uint64_t>(piece.size));
        piece.size = 0;
        return true;
    }
    Stream in(piece.name, "rb");
    if (!in.file) return false;
    Stream out(target, pieceIndex == 0 ? "wb" : "ab");
    if (!out.file) return false;
    bool ok = copyBytes(in.file, out.file, piece.size, copy_, progress);
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
}
