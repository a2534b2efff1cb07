#include "W3dChunk.h"

#include <cstring>

#include "platform/Platform.h"

namespace w3d {

std::string getName(const unsigned char* p, std::size_t width) {
    std::size_t n = 0;
    while (n < width && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

void setName(unsigned char* p, std::size_t width, const std::string& text) {
    std::memset(p, 0, width);
    std::memcpy(p, text.data(), text.size() < width ? text.size() : width);
}

const char* channelTypeLabel(unsigned type) {
    static const char* const labels[] = {"X ", "Y ", "Z ", "XR", "YR", "ZR", "Q "};
    return type < 7 ? labels[type] : "??";
}

MeshHeader MeshHeader::decode(const unsigned char* p) {
    MeshHeader h;
    h.version = getU32(p);
    h.attributes = getU32(p + 4);
    h.meshName = getName(p + 8, 16);
    h.containerName = getName(p + 24, 16);
    h.numTris = getU32(p + 40);
    h.numVertices = getU32(p + 44);
    return h;
}

MaterialInfo MaterialInfo::decode(const unsigned char* p) {
    return {getU32(p), getU32(p + 4), getU32(p + 8), getU32(p + 12)};
}

HierarchyHeader HierarchyHeader::decode(const unsigned char* p) {
    HierarchyHeader h;
    h.version = getU32(p);
    h.name = getName(p + 4, 16);
    h.numPivots = getU32(p + 20);
    for (int i = 0; i < 3; ++i) h.center[i] = getF32(p + 24 + 4 * i);
    return h;
}

Pivot Pivot::decode(const unsigned char* p) {
    Pivot v;
    v.name = getName(p, 16);
    v.parentIndex = getU32(p + 16);
    for (int i = 0; i < 3; ++i) v.translation[i] = getF32(p + 20 + 4 * i);
    for (int i = 0; i < 3; ++i) v.eulerAngles[i] = getF32(p + 32 + 4 * i);
    for (int i = 0; i < 4; ++i) v.rotation[i] = getF32(p + 44 + 4 * i);
    return v;
}

HlodHeader HlodHeader::decode(const unsigned char* p) {
    HlodHeader h;
    h.version = getU32(p);
    h.lodCount = getU32(p + 4);
    h.name = getName(p + 8, 16);
    h.hierarchyName = getName(p + 24, 16);
    return h;
}

HlodSubObject HlodSubObject::decode(const unsigned char* p) { return {getU32(p), getName(p + 4, 32)}; }

Box Box::decode(const unsigned char* p) { return {getU32(p), getU32(p + 4), getName(p + 8, 32)}; }

namespace {

// Both animation headers hold the animation's name at byte 4 and its
// hierarchy's at byte 20, 16 bytes each; an empty new name keeps the old.
void renameAnimation(unsigned char* raw, std::string& name, std::string& hierarchyName,
                     const std::string& animationName, const std::string& hierarchy) {
    if (!animationName.empty()) {
        setName(raw + 4, 16, animationName);
        name = getName(raw + 4, 16);
    }
    if (!hierarchy.empty()) {
        setName(raw + 20, 16, hierarchy);
        hierarchyName = getName(raw + 20, 16);
    }
}

}  // namespace

AnimationHeader AnimationHeader::decode(const unsigned char* p) {
    AnimationHeader h;
    std::memcpy(h.raw, p, SIZE);
    h.version = getU32(p);
    h.name = getName(p + 4, 16);
    h.hierarchyName = getName(p + 20, 16);
    h.numFrames = getU32(p + 36);
    h.frameRate = getU32(p + 40);
    return h;
}

void AnimationHeader::setNames(const std::string& animationName, const std::string& hierarchy) {
    renameAnimation(raw, name, hierarchyName, animationName, hierarchy);
}

CompressedAnimationHeader CompressedAnimationHeader::decode(const unsigned char* p) {
    CompressedAnimationHeader h;
    std::memcpy(h.raw, p, SIZE);
    h.version = getU32(p);
    h.name = getName(p + 4, 16);
    h.hierarchyName = getName(p + 20, 16);
    h.numFrames = getU32(p + 36);
    h.frameRate = getU16(p + 40);
    h.flavor = getU16(p + 42);
    return h;
}

void CompressedAnimationHeader::setNames(const std::string& animationName, const std::string& hierarchy) {
    renameAnimation(raw, name, hierarchyName, animationName, hierarchy);
}

AnimationChannel AnimationChannel::decode(const unsigned char* p) {
    return {getU16(p), getU16(p + 2), getU16(p + 4), getU16(p + 6), getU16(p + 8), getU16(p + 10)};
}

void AnimationChannel::encode(unsigned char* p) const {
    setU16(p, firstFrame);
    setU16(p + 2, lastFrame);
    setU16(p + 4, vectorLen);
    setU16(p + 6, type);
    setU16(p + 8, pivot);
    setU16(p + 10, padding);
}

CompressedChannel CompressedChannel::decode(const unsigned char* p) { return {getU32(p), getU16(p + 4), p[6], p[7]}; }

void CompressedChannel::encode(unsigned char* p) const {
    setU32(p, numTimeCodes);
    setU16(p + 4, pivot);
    p[6] = byte6;
    p[7] = byte7;
}

// ---------------------------------------------------------------- reading

ChunkInput::~ChunkInput() { close(); }

bool ChunkInput::open(const char* path) {
    close();
    std::FILE* f = platform::openInputFile(path, "rb");
    if (!f) return false;
    // Offsets in the format are 31-bit sizes: a larger file cannot be read
    // whole and is refused rather than read in part.
    std::int64_t size = platform::streamSize(f);
    if (size < 0 || size > static_cast<std::int64_t>(SIZE_MASK)) {
        std::fclose(f);
        return false;
    }
    stream_ = f;
    owned_ = true;
    size_ = static_cast<std::uint32_t>(size);
    positionKnown_ = false;
    return true;
}

void ChunkInput::attach(std::FILE* stream, std::uint32_t size) {
    close();
    stream_ = stream;
    owned_ = false;
    size_ = size & SIZE_MASK;
    positionKnown_ = false;
}

void ChunkInput::close() {
    if (stream_ && owned_) std::fclose(stream_);
    stream_ = nullptr;
    owned_ = false;
    size_ = 0;
    positionKnown_ = false;
}

std::size_t ChunkInput::readAt(std::uint32_t offset, void* dst, std::size_t n) {
    unsigned char* out = static_cast<unsigned char*>(dst);
    std::size_t want = 0;
    if (stream_ && offset < size_) want = n < size_ - offset ? n : size_ - offset;
    std::size_t got = 0;
    if (want > 0) {
        if (!positionKnown_ || position_ != offset) {
            if (std::fseek(stream_, static_cast<long>(offset), SEEK_SET) != 0) {
                positionKnown_ = false;
                want = 0;
            }
        }
        if (want > 0) {
            got = std::fread(out, 1, want, stream_);
            position_ = offset + static_cast<std::uint32_t>(got);
            positionKnown_ = got == want;
        }
    }
    if (got < n) std::memset(out + got, 0, n - got);
    return got;
}

ChunkWalk::ChunkWalk(ChunkInput& input, std::uint32_t begin, std::uint32_t end)
    : input_(input), begin_(begin), cursor_(begin), end_(end < input.size() ? end : input.size()) {}

ChunkWalk::ChunkWalk(ChunkInput& input, const Chunk& parent) : ChunkWalk(input, parent.contentStart, parent.end()) {}

bool ChunkWalk::next(Chunk& chunk) {
    if (cursor_ >= end_ || end_ - cursor_ < ChunkHeader::SIZE) return false;
    unsigned char raw[ChunkHeader::SIZE];
    if (input_.readAt(cursor_, raw, sizeof raw) != sizeof raw) {
        cursor_ = end_;
        return false;
    }
    chunk.header = ChunkHeader::decode(raw);
    chunk.offset = cursor_;
    chunk.contentStart = cursor_ + ChunkHeader::SIZE;
    std::uint32_t room = end_ - chunk.contentStart;
    std::uint32_t size = chunk.header.contentSize();
    chunk.cut = size > room;
    chunk.contentSize = chunk.cut ? room : size;
    cursor_ = chunk.end();
    return true;
}

std::size_t readRecord(ChunkInput& input, const Chunk& chunk, unsigned char* buf, std::size_t size) {
    std::size_t n = size < chunk.contentSize ? size : chunk.contentSize;
    std::size_t got = input.readAt(chunk.contentStart, buf, n);
    if (got < size) std::memset(buf + got, 0, size - got);
    return got;
}

// ---------------------------------------------------------------- writing

ChunkOutput::~ChunkOutput() { file_.abandon(); }

bool ChunkOutput::create(const std::string& path, std::uint32_t topType) {
    failed_ = false;
    if (!file_.create(path)) return false;
    header(topType, 0);
    return true;
}

void ChunkOutput::header(std::uint32_t type, std::uint32_t size) {
    unsigned char raw[ChunkHeader::SIZE];
    ChunkHeader{type, size}.encode(raw);
    bytes(raw, sizeof raw);
}

void ChunkOutput::bytes(const void* data, std::size_t size) {
    std::FILE* stream = file_.stream();
    if (!stream || size == 0) return;
    if (std::fwrite(data, 1, size, stream) != size) failed_ = true;
}

void ChunkOutput::chunk(std::uint32_t type, const void* content, std::size_t size) {
    header(type, static_cast<std::uint32_t>(size) & SIZE_MASK);
    bytes(content, size);
}

bool ChunkOutput::finish() {
    std::FILE* f = file_.stream();
    if (!f) return false;
    // Take the length and rewrite the top-level size in the same stream.
    bool ok = !failed_ && std::fflush(f) == 0 && std::fseek(f, 0, SEEK_END) == 0;
    long length = ok ? std::ftell(f) : -1;
    unsigned char raw[ChunkHeader::SIZE];
    ok = ok && length >= static_cast<long>(ChunkHeader::SIZE) && std::fseek(f, 0, SEEK_SET) == 0 &&
         std::fread(raw, 1, sizeof raw, f) == sizeof raw;
    if (ok) {
        ChunkHeader top = ChunkHeader::decode(raw);
        top.size = (static_cast<std::uint32_t>(length - 8) & SIZE_MASK) | CONTAINER_BIT;
        top.encode(raw);
        ok = std::fseek(f, 0, SEEK_SET) == 0 && std::fwrite(raw, 1, sizeof raw, f) == sizeof raw;
    }
    return file_.commit(ok);
}

bool ChunkOutput::writeRaw(const std::string& path, const void* data, std::size_t size) {
    ReplacingFile file;
    if (!file.create(path)) return false;
    return file.commit(std::fwrite(data, 1, size, file.stream()) == size);
}

}  // namespace w3d
