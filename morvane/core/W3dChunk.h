// The W3D chunk layer: chunk identifiers, the on-disk records as plain
// structs with explicit little-endian decoding, a bounded walk over chunk
// sequences, and the writer that fixes up the top-level size at the end.
//
// Every size read from a file is capped: a chunk never reaches past its
// parent or past the end of the file, a record shorter than its layout is
// read as far as it goes and zero-filled beyond, and a walk always moves on
// by at least one header. The meaning of the fields the tools pass over
// (normals, triangles, shaders, colours, texture coordinates) is not checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "ReplacingFile.h"
#include "ByteOrder.h"

namespace w3d {

// Chunk identifiers.
constexpr std::uint32_t MESH = 0x0000;
constexpr std::uint32_t VERTICES = 0x0002;
constexpr std::uint32_t VERTEX_NORMALS = 0x0003;
constexpr std::uint32_t MESH_USER_TEXT = 0x000C;
constexpr std::uint32_t VERTEX_INFLUENCES = 0x000E;
constexpr std::uint32_t MESH_HEADER = 0x001F;
constexpr std::uint32_t TRIANGLES = 0x0020;
constexpr std::uint32_t VERTEX_SHADE_INDICES = 0x0022;
constexpr std::uint32_t MATERIAL_INFO = 0x0028;
constexpr std::uint32_t SHADERS = 0x0029;
constexpr std::uint32_t VERTEX_MATERIALS = 0x002A;
constexpr std::uint32_t VERTEX_MATERIAL = 0x002B;
constexpr std::uint32_t VERTEX_MATERIAL_NAME = 0x002C;
constexpr std::uint32_t VERTEX_MATERIAL_INFO = 0x002D;
constexpr std::uint32_t TEXTURES = 0x0030;
constexpr std::uint32_t TEXTURE = 0x0031;
constexpr std::uint32_t TEXTURE_NAME = 0x0032;
constexpr std::uint32_t TEXTURE_INFO = 0x0033;
constexpr std::uint32_t MATERIAL_PASS = 0x0038;
constexpr std::uint32_t VERTEX_MATERIAL_IDS = 0x0039;
constexpr std::uint32_t SHADER_IDS = 0x003A;
constexpr std::uint32_t DIFFUSE_COLORS = 0x003B;
constexpr std::uint32_t TEXTURE_STAGE = 0x0048;
constexpr std::uint32_t TEXTURE_IDS = 0x0049;
constexpr std::uint32_t STAGE_TEXCOORDS = 0x004A;
constexpr std::uint32_t SHADER_MATERIALS = 0x0050;
constexpr std::uint32_t SHADER_MATERIAL = 0x0051;
constexpr std::uint32_t SHADER_MATERIAL_HEADER = 0x0052;
constexpr std::uint32_t SHADER_MATERIAL_PROPERTY = 0x0053;
constexpr std::uint32_t HIERARCHY = 0x0100;
constexpr std::uint32_t HIERARCHY_HEADER = 0x0101;
constexpr std::uint32_t PIVOTS = 0x0102;
constexpr std::uint32_t ANIMATION = 0x0200;
constexpr std::uint32_t ANIMATION_HEADER = 0x0201;
constexpr std::uint32_t ANIMATION_CHANNEL = 0x0202;
constexpr std::uint32_t BIT_CHANNEL = 0x0203;
constexpr std::uint32_t COMPRESSED_ANIMATION = 0x0280;
constexpr std::uint32_t COMPRESSED_ANIMATION_HEADER = 0x0281;
constexpr std::uint32_t COMPRESSED_CHANNEL = 0x0282;
constexpr std::uint32_t COMPRESSED_BIT_CHANNEL = 0x0283;
constexpr std::uint32_t HLOD = 0x0700;
constexpr std::uint32_t HLOD_HEADER = 0x0701;
constexpr std::uint32_t HLOD_LOD_ARRAY = 0x0702;
constexpr std::uint32_t HLOD_ARRAY_HEADER = 0x0703;
constexpr std::uint32_t HLOD_SUB_OBJECT = 0x0704;
constexpr std::uint32_t BOX = 0x0740;

constexpr std::uint32_t CONTAINER_BIT = 0x80000000u;
constexpr std::uint32_t SIZE_MASK = 0x7FFFFFFFu;

// Little-endian field access, byte by byte.
using le::getF32;
using le::getU16;
using le::getU32;
using le::setF32;
using le::setU16;
using le::setU32;

// A name field of `width` bytes: the text up to the first zero byte, or the
// whole field when it has no terminator.
std::string getName(const unsigned char* p, std::size_t width);
// Writes text zero-padded into a field of `width` bytes, cut to the field.
void setName(unsigned char* p, std::size_t width, const std::string& text);

// The two-character label of a channel type ("X ", "Y ", "Z ", "XR", "YR",
// "ZR", "Q "); "??" for any other value.
const char* channelTypeLabel(unsigned type);

struct ChunkHeader {
    static constexpr std::size_t SIZE = 8;
    std::uint32_t type = 0;
    std::uint32_t size = 0;  // as stored, bit 31 included

    std::uint32_t contentSize() const { return size & SIZE_MASK; }
    bool isContainer() const { return (size & CONTAINER_BIT) != 0; }
    static ChunkHeader decode(const unsigned char* p) { return {getU32(p), getU32(p + 4)}; }
    void encode(unsigned char* p) const {
        setU32(p, type);
        setU32(p + 4, size);
    }
};

struct MeshHeader {
    static constexpr std::size_t SIZE = 116;
    std::uint32_t version = 0;
    std::uint32_t attributes = 0;
    std::string meshName;       // 16 bytes at 8
    std::string containerName;  // 16 bytes at 24
    std::uint32_t numTris = 0;
    std::uint32_t numVertices = 0;
    static MeshHeader decode(const unsigned char* p);
};

struct MaterialInfo {
    static constexpr std::size_t SIZE = 16;
    std::uint32_t passCount = 0;
    std::uint32_t vertexMaterialCount = 0;
    std::uint32_t shaderCount = 0;
    std::uint32_t textureCount = 0;
    static MaterialInfo decode(const unsigned char* p);
};

// One vertex influence: only the bone index is used.
struct VertexInfluence {
    static constexpr std::size_t SIZE = 8;
    std::uint16_t boneIndex = 0;
    static VertexInfluence decode(const unsigned char* p) { return {getU16(p)}; }
};

struct HierarchyHeader {
    static constexpr std::size_t SIZE = 36;
    std::uint32_t version = 0;
    std::string name;  // 16 bytes at 4
    std::uint32_t numPivots = 0;
    float center[3] = {0, 0, 0};
    static HierarchyHeader decode(const unsigned char* p);
};

struct Pivot {
    static constexpr std::size_t SIZE = 60;
    std::string name;  // 16 bytes at 0
    std::uint32_t parentIndex = 0;
    float translation[3] = {0, 0, 0};
    float eulerAngles[3] = {0, 0, 0};
    float rotation[4] = {0, 0, 0, 1};
    static Pivot decode(const unsigned char* p);
};

struct HlodHeader {
    static constexpr std::size_t SIZE = 40;
    std::uint32_t version = 0;
    std::uint32_t lodCount = 0;
    std::string name;           // 16 bytes at 8
    std::string hierarchyName;  // 16 bytes at 24
    static HlodHeader decode(const unsigned char* p);
};

struct HlodSubObject {
    static constexpr std::size_t SIZE = 36;
    std::uint32_t boneIndex = 0;
    std::string name;  // 32 bytes at 4
    static HlodSubObject decode(const unsigned char* p);
};

struct Box {
    static constexpr std::size_t SIZE = 68;
    std::uint32_t version = 0;
    std::uint32_t attributes = 0;
    std::string name;  // 32 bytes at 8
    static Box decode(const unsigned char* p);
};

// The plain animation header (0x0201).
struct AnimationHeader {
    static constexpr std::size_t SIZE = 44;
    std::uint32_t version = 0;
    std::string name;           // 16 bytes at 4
    std::string hierarchyName;  // 16 bytes at 20
    std::uint32_t numFrames = 0;
    std::uint32_t frameRate = 0;
    unsigned char raw[SIZE] = {0};  // the record as read, written back as it was
    static AnimationHeader decode(const unsigned char* p);
    void setNames(const std::string& animationName, const std::string& hierarchy);
};

// The compressed animation header (0x0281).
struct CompressedAnimationHeader {
    static constexpr std::size_t SIZE = 44;
    std::uint32_t version = 0;
    std::string name;
    std::string hierarchyName;
    std::uint32_t numFrames = 0;
    std::uint16_t frameRate = 0;
    std::uint16_t flavor = 0;
    unsigned char raw[SIZE] = {0};
    static CompressedAnimationHeader decode(const unsigned char* p);
    void setNames(const std::string& animationName, const std::string& hierarchy);
};

// The 12-byte header of a plain channel (0x0202).
struct AnimationChannel {
    static constexpr std::size_t SIZE = 12;
    std::uint16_t firstFrame = 0;
    std::uint16_t lastFrame = 0;
    std::uint16_t vectorLen = 0;
    std::uint16_t type = 0;
    std::uint16_t pivot = 0;
    std::uint16_t padding = 0;
    static AnimationChannel decode(const unsigned char* p);
    void encode(unsigned char* p) const;
};

// The 8-byte header of a compressed channel (0x0282) or compressed bit
// channel (0x0283). Bytes 6 and 7 are VectorLen and type for the first kind,
// type and default value for the second.
struct CompressedChannel {
    static constexpr std::size_t SIZE = 8;
    std::uint32_t numTimeCodes = 0;
    std::uint16_t pivot = 0;
    std::uint8_t byte6 = 0;
    std::uint8_t byte7 = 0;
    static CompressedChannel decode(const unsigned char* p);
    void encode(unsigned char* p) const;
};

// A file opened for bounded reading. Reads never go past the end of the file;
// what is missing is zero-filled.
class ChunkInput {
public:
    ChunkInput() = default;
    ~ChunkInput();
    ChunkInput(const ChunkInput&) = delete;
    ChunkInput& operator=(const ChunkInput&) = delete;

    // Opens a file for binary reading; false when it cannot be opened.
    bool open(const char* path);
    // Reads from a stream the caller owns (closing is then the caller's job).
    void attach(std::FILE* stream, std::uint32_t size);
    void close();
    bool isOpen() const { return stream_ != nullptr; }
    std::uint32_t size() const { return size_; }

    // Reads up to n bytes at offset into dst, zero-fills the rest of dst, and
    // returns the number of bytes that were really there.
    std::size_t readAt(std::uint32_t offset, void* dst, std::size_t n);

private:
    std::FILE* stream_ = nullptr;
    bool owned_ = false;
    std::uint32_t size_ = 0;
    std::uint32_t position_ = 0;
    bool positionKnown_ = false;
};

// One chunk met in a walk. contentSize is the stored size capped at the end
// of the enclosing chunk (or file); cut tells that the cap was applied.
struct Chunk {
    ChunkHeader header;
    std::uint32_t offset = 0;        // of the header
    std::uint32_t contentStart = 0;  // offset + 8
    std::uint32_t contentSize = 0;
    bool cut = false;
    std::uint32_t end() const { return contentStart + contentSize; }
};

// The walk over a chunk sequence that fills [begin, end): each step reads one
// header and moves past its content. It stops when fewer than 8 bytes are
// left, so it always ends.
class ChunkWalk {
public:
    ChunkWalk(ChunkInput& input, std::uint32_t begin, std::uint32_t end);
    ChunkWalk(ChunkInput& input, const Chunk& parent);
    bool next(Chunk& chunk);
    // The running count of bytes consumed, headers included.
    std::uint32_t consumed() const { return cursor_ - begin_; }

private:
    ChunkInput& input_;
    std::uint32_t begin_;
    std::uint32_t cursor_;
    std::uint32_t end_;
};

// Reads a fixed-size record from the start of a chunk's content into buf
// (size bytes); bytes beyond the content are zero. Returns the bytes read.
std::size_t readRecord(ChunkInput& input, const Chunk& chunk, unsigned char* buf, std::size_t size);

// Writes a chunk file: the top-level header goes out with size 0, the
// sub-chunks follow, and finish() sets the top-level size to the file length
// minus 8 with bit 31 set. The file is written beside the target under a
// temporary name and put in place only when complete.
class ChunkOutput {
public:
    ChunkOutput() = default;
    ~ChunkOutput();
    ChunkOutput(const ChunkOutput&) = delete;
    ChunkOutput& operator=(const ChunkOutput&) = delete;

    bool create(const std::string& path, std::uint32_t topType);
    void chunk(std::uint32_t type, const void* content, std::size_t size);
    // A chunk header whose content the caller writes with bytes().
    void header(std::uint32_t type, std::uint32_t size);
    void bytes(const void* data, std::size_t size);
    // Closes, fixes the top-level size and puts the file in place.
    bool finish();
    // Writes bytes as they stand to path (no size fix-up), through a
    // temporary file as above.
    static bool writeRaw(const std::string& path, const void* data, std::size_t size);

private:
    ReplacingFile file_;
    bool failed_ = false;
};

}  // namespace w3d
