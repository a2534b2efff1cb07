// Animation mode's reader: one plain or compressed W3D animation at a time,
// its channels bound to the bones of its skeleton (embedded or from the
// skeleton file beside it), the time-code table, the text dumps, the W3D
// writers and the extraction of an embedded skeleton. A selection of channels
// (renamed, re-pointed at other bones) limits what the W3D writers write.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "W3dChunk.h"

class W3dAnimation {
public:
    // What the last read found: no animation, a plain or a compressed one.
    enum class Mode { NONE, PLAIN, COMPRESSED };
    // The two kinds of a compressed animation's channels.
    enum class ChannelKind { CHANNEL, BIT_CHANNEL };
    // Time-code table lines live in 519-character fields: 127 groups at most.
    static constexpr std::size_t TABLE_LINE_LIMIT = 519;
    static constexpr std::size_t MAX_GROUPS = 127;
    // Rows of the table beyond this frame count are not produced.
    static constexpr std::uint32_t MAX_TABLE_ROWS = 1000000;
    static constexpr std::size_t OUTPUT_LIMIT = 260;

    struct ChannelRecord {
        std::uint32_t contentSize = 0;   // of the channel's chunk in the input
        std::uint32_t bytesPerKey = 0;   // per frame (plain) or per key (compressed)
        ChannelKind kind = ChannelKind::CHANNEL;
        std::size_t first = 0;           // the values' bytes in the animation file: [first, end)
        std::size_t end = 0;
    };
    struct Bone {
        std::string name;
        std::uint32_t parent = 0;
        std::uint32_t index = 0;
    };
    struct SkeletonRecord {
        std::string name;
        std::uint32_t numPivots = 0;
    };

    W3dAnimation() = default;
    W3dAnimation(const W3dAnimation&) = delete;
    W3dAnimation& operator=(const W3dAnimation&) = delete;

    // Empties everything, then opens the file; true when it opened and is
    // not empty.
    bool open(const std::string& path);
    // Reads a stream the caller owns, in place of opening `path`: the
    // writers and channelValues read the values from it too, so it stays
    // open until the last of them.
    bool attach(std::FILE* stream, std::uint32_t size, const std::string& path);
    void read();
    // Reads only what decides the skeleton file (the hierarchies and the
    // animation headers), not the skeleton file itself, and closes the file:
    // enough for skeletonFilePath().
    void readSkeletonName();
    void close();

    Mode mode() const { return mode_; }
    std::size_t plainChannelCount() const { return plainChannels_.size(); }
    std::size_t compressedChannelCount() const { return compressedChannels_.size(); }
    std::size_t boneCount() const { return bones_.size(); }
    std::size_t skeletonCount() const { return skeletons_.size(); }
    std::size_t channelCount() const {
        return plainChannels_.empty() ? compressedChannels_.size() : plainChannels_.size();
    }
    bool embeddedSkeleton() const { return embedded_; }
    std::string skeletonFileName() const;
    // The skeleton file read beside the animation: its folder and
    // skeletonFileName(). Empty when the animation names none.
    std::string skeletonFilePath() const;
    const std::string& skeletonError() const { return skeletonError_; }

    const w3d::AnimationHeader& plainHeader() const { return plainHeader_; }
    const w3d::CompressedAnimationHeader& compressedHeader() const { return compressedHeader_; }
    const w3d::AnimationChannel& plainChannel(std::size_t i) const { return plainChannels_[i]; }
    const w3d::CompressedChannel& compressedChannel(std::size_t i) const { return compressedChannels_[i]; }
    // The record of channel i of the list channelCount counts.
    const ChannelRecord& channelRecord(std::size_t i) const {
        return plainChannels_.empty() ? compressedRecords_[i] : plainRecords_[i];
    }
    const Bone& bone(std::size_t i) const { return bones_[i]; }
    const SkeletonRecord& skeleton(std::size_t i) const { return skeletons_[i]; }
    // The stored bytes of channel i (frame values or keys).
    std::string channelValues(std::size_t i) const;

    // The time-code table: line 0 is the header, line f + 1 the row of frame f.
    std::size_t timeCodeLineCount() const;
    std::string timeCodeLine(std::size_t i) const;

    // Writes the output chosen by the output path's extension: a text dump,
    // or a W3D file and, for an animation that holds its own hierarchy, that
    // hierarchy as NAME.w3d beside it. The hierarchy never replaces the file
    // just written, the animation read or the skeleton file read (known by
    // identity), and is written only when mayWrite (if given) allows its
    // path too. skeletonOutcome() tells what became of the hierarchy.
    enum class SkeletonOutcome { NONE, WRITTEN, REFUSED, FAILED };
    bool write(const std::string& outputPath, const std::function<bool(const std::string&)>& mayWrite = nullptr);
    SkeletonOutcome skeletonOutcome() const { return skeletonOutcome_; }
    const std::string& skeletonOutput() const { return skeletonOutput_; }
    bool writeDump(const std::string& outputPath) const;
    bool writeW3d(const std::string& outputPath) const;
    // The embedded skeleton's file beside the output; empty when there is none.
    std::string extractedSkeletonPath(const std::string& outputPath) const;

    // The selection interface. Every record is empty for an index beyond
    // its count.
    std::string boneRecord(std::size_t i) const;
    std::string skeletonRecord(std::size_t i) const;
    std::string channelKey(std::size_t i) const;
    std::string channelRecordText(std::size_t i) const;
    std::string animationRecord() const;
    void rename(const std::string& animationName, const std::string& hierarchyName);
    // Points channel i at the first bone of that name and appends i to the
    // selection. False, and nothing changes, when there is no such channel
    // or bone.
    bool selectChannel(const std::string& boneName, std::size_t i);
    const std::vector<std::size_t>& selection() const { return selection_; }

    // The bone a pivot binds to: its index (the pivot itself when no bone
    // has it) and its name ("???" when no bone has it).
    std::uint32_t boundIndex(std::uint32_t pivot) const;
    std::string boundName(std::uint32_t pivot) const;

private:
    // What a walk over a file reads: all of it, only what decides the
    // skeleton file, or only the hierarchies (of the skeleton file).
    enum class Scope { ALL, SKELETON_NAME, HIERARCHIES };

    void reset();
    void readFile(Scope scope);
    void readHierarchy(const w3d::Chunk& chunk, bool embedded);
    ChannelRecord recordValues(const w3d::Chunk& chunk, std::uint32_t headerSize, std::uint32_t bytes,
                               std::uint32_t bytesPerKey, ChannelKind kind) const;
    bool openValues() const;
    // Hands the bytes of [first, end) of `in` to use(), a block of whole
    // pieces of `unit` bytes at a time (unit 1: any bytes); false when the
    // file no longer holds them all.
    static bool readBlocks(w3d::ChunkInput& in, std::size_t first, std::size_t end, std::size_t unit,
                           std::vector<unsigned char>& buffer,
                           const std::function<void(const unsigned char*, std::size_t)>& use);
    void readPlain(const w3d::Chunk& chunk, bool headerOnly);
    void readCompressed(const w3d::Chunk& chunk, bool headerOnly);
    void buildTable();
    // The table's first line; the row of a frame (below the row count) put
    // at line (room for TABLE_ROW_ROOM characters), its length (at most
    // TABLE_LINE_LIMIT) returned.
    static constexpr std::size_t TABLE_ROW_ROOM = 20 + 4 * MAX_GROUPS + 1;
    std::string tableHeader() const;
    std::size_t tableRow(std::size_t frame, char* line) const;
    const char* boundNameText(std::uint32_t pivot) const;
    void loadSkeletonFile();
    std::vector<std::size_t> channelsToWrite() const;
    bool extractSkeleton(const std::string& outputPath) const;
    // True when target is the file just written at outputPath, the
    // animation read or its skeleton file.
    bool isOwnFile(const std::string& target, const std::string& outputPath) const;

    w3d::ChunkInput input_;
    SkeletonOutcome skeletonOutcome_ = SkeletonOutcome::NONE;
    std::string skeletonOutput_;
    std::string path_;
    Mode mode_ = Mode::NONE;
    w3d::AnimationHeader plainHeader_;
    w3d::CompressedAnimationHeader compressedHeader_;
    std::vector<w3d::AnimationChannel> plainChannels_;
    std::vector<w3d::CompressedChannel> compressedChannels_;
    std::vector<ChannelRecord> plainRecords_;
    std::vector<ChannelRecord> compressedRecords_;
    // The channels' values are not held: they are read from the animation
    // file when they are written, a block at a time, through valueInput_,
    // opened again by its path (or the attached stream) for each write and
    // closed before the output is put in place (Windows refuses to replace
    // a file that is open). A file whose size is no longer the one read is
    // not read.
    mutable w3d::ChunkInput valueInput_;
    std::FILE* attached_ = nullptr;
    std::uint32_t readSize_ = 0;
    std::vector<Bone> bones_;
    bool pivotsRead_ = false;
    std::vector<SkeletonRecord> skeletons_;
    std::string skeletonBytes_;  // the first hierarchy chunk of the file, header included
    bool embedded_ = false;
    bool renamed_ = false;
    std::string skeletonFile_;
    std::string skeletonError_;
    std::vector<std::size_t> selection_;

    // The table: its groups' pivots and, for every row, a bit per group set
    // where the group has a key in that frame (rowWords_ words a row).
    std::vector<std::uint16_t> groups_;
    std::vector<std::uint64_t> cells_;
    std::size_t rowWords_ = 0;
};
