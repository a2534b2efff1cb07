#include "W3dAnimation.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "TextOutput.h"
#include "platform/Platform.h"

using namespace w3d;

namespace {

const std::string EQUALS_58 = std::string(58, '=') + "\n";
const std::string DASHES_58 = std::string(58, '-') + "\n";
const char* const BANNER = "****VRMOX*************************************************\n";

std::string format(const char* fmt, ...) {
    char text[W3dAnimation::TABLE_LINE_LIMIT + 1];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return text;
}

// Counts print as the 32-bit signed values they are on the target system,
// the same on every build.
long asLong(std::uint32_t v) { return static_cast<long>(static_cast<std::int32_t>(v)); }

std::uint8_t typeOf(const CompressedChannel& c, W3dAnimation::ChannelKind kind) { return kind == W3dAnimation::ChannelKind::CHANNEL ? c.byte7 : c.byte6; }

}  // namespace

bool W3dAnimation::open(const std::string& path) {
    reset();
    path_ = path;
    if (!input_.open(path.c_str())) return false;
    readSize_ = input_.size();
    return input_.size() != 0;
}

bool W3dAnimation::attach(std::FILE* stream, std::uint32_t size, const std::string& path) {
    reset();
    path_ = path;
    input_.attach(stream, size);
    attached_ = stream;
    readSize_ = input_.size();
    return input_.size() != 0;
}

void W3dAnimation::close() { input_.close(); }

void W3dAnimation::reset() {
    input_.close();
    path_.clear();
    mode_ = Mode::NONE;
    plainHeader_ = AnimationHeader();
    compressedHeader_ = CompressedAnimationHeader();
    plainChannels_.clear();
    compressedChannels_.clear();
    plainRecords_.clear();
    compressedRecords_.clear();
    valueInput_.close();
    attached_ = nullptr;
    readSize_ = 0;
    bones_.clear();
    pivotsRead_ = false;
    skeletons_.clear();
    skeletonBytes_.clear();
    embedded_ = false;
    renamed_ = false;
    skeletonFile_.clear();
    skeletonError_.clear();
    selection_.clear();
    groups_.clear();
    cells_.clear();
    rowWords_ = 0;
}

std::string W3dAnimation::skeletonFileName() const {
    return skeletonFile_.empty() ? skeletonFile_ : skeletonFile_.substr(1);
}

std::string W3dAnimation::skeletonFilePath() const {
    if (skeletonFile_.empty()) return skeletonFile_;
    std::size_t sep = platform::lastSeparator(path_);
    return sep == std::string::npos ? skeletonFile_.substr(1) : path_.substr(0, sep) + skeletonFile_;
}

void W3dAnimation::read() {
    if (!input_.isOpen()) return;
    readFile(Scope::ALL);
    if (!compressedChannels_.empty()) buildTable();
    input_.close();
    if (!skeletonFile_.empty()) loadSkeletonFile();
}

void W3dAnimation::readSkeletonName() {
    if (!input_.isOpen()) return;
    readFile(Scope::SKELETON_NAME);
    input_.close();
}

void W3dAnimation::readFile(Scope scope) {
    ChunkWalk walk(input_, 0, input_.size());
    Chunk chunk;
    while (walk.next(chunk)) {
        switch (chunk.header.type) {
            case HIERARCHY:
                readHierarchy(chunk, scope == Scope::ALL);
                break;
            case ANIMATION:
                if (scope != Scope::HIERARCHIES) readPlain(chunk, scope == Scope::SKELETON_NAME);
                break;
            case COMPRESSED_ANIMATION:
                if (scope != Scope::HIERARCHIES) readCompressed(chunk, scope == Scope::SKELETON_NAME);
                break;
            default:
                break;
        }
    }
}

void W3dAnimation::readHierarchy(const Chunk& chunk, bool embedded) {
    if (embedded && !embedded_) {
        embedded_ = true;
        std::uint32_t length = chunk.end() - chunk.offset;
        skeletonBytes_.assign(length, '\0');
        std::size_t got = input_.readAt(chunk.offset, &skeletonBytes_[0], length);
        skeletonBytes_.resize(got);
    }
    bool first = !pivotsRead_;
    pivotsRead_ = true;
    std::uint32_t numPivots = 0;
    ChunkWalk walk(input_, chunk);
    Chunk sub;
    while (walk.next(sub)) {
        if (sub.header.type == HIERARCHY_HEADER) {
            unsigned char raw[HierarchyHeader::SIZE];
            readRecord(input_, sub, raw, sizeof raw);
            HierarchyHeader h = HierarchyHeader::decode(raw);
            numPivots = h.numPivots;
            skeletons_.push_back({h.name, h.numPivots});
        } else if (sub.header.type == PIVOTS && first) {
            std::uint32_t count = sub.contentSize / Pivot::SIZE;
            if (numPivots < count) count = numPivots;
            bones_.clear();
            bones_.reserve(count);
            for (std::uint32_t i = 0; i < count; ++i) {
                unsigned char raw[Pivot::SIZE];
                if (input_.readAt(sub.contentStart + i * Pivot::SIZE, raw, sizeof raw) < sizeof raw) break;
                Pivot p = Pivot::decode(raw);
                bones_.push_back({p.name, p.parentIndex, i});
            }
        }
    }
}

W3dAnimation::ChannelRecord W3dAnimation::recordValues(const Chunk& chunk, std::uint32_t headerSize,
                                                       std::uint32_t bytes, std::uint32_t bytesPerKey,
                                                       ChannelKind kind) const {
    ChannelRecord r;
    r.contentSize = chunk.contentSize;
    r.bytesPerKey = bytesPerKey;
    r.kind = kind;
    // The values that the file really holds.
    const std::size_t size = input_.size();
    r.first = std::min<std::size_t>(std::size_t{chunk.contentStart} + headerSize, size);
    r.end = std::min<std::size_t>(r.first + bytes, size);
    return r;
}

bool W3dAnimation::openValues() const {
    if (attached_) {
        valueInput_.attach(attached_, readSize_);
        return true;
    }
    // The file read is read again: one of another size since is not.
    if (!valueInput_.open(path_.c_str())) return false;
    if (valueInput_.size() == readSize_) return true;
    valueInput_.close();
    return false;
}

bool W3dAnimation::readBlocks(ChunkInput& in, std::size_t first, std::size_t end, std::size_t unit,
                              std::vector<unsigned char>& buffer,
                              const std::function<void(const unsigned char*, std::size_t)>& use) {
    constexpr std::size_t BLOCK = 64 * 1024;
    if (unit == 0) unit = 1;
    const std::size_t step = unit <= BLOCK ? BLOCK / unit * unit : unit;
    if (buffer.size() < step) buffer.resize(step);
    for (std::size_t at = first; at + unit <= end;) {
        const std::size_t n = std::min(step, (end - at) / unit * unit);
        if (in.readAt(static_cast<std::uint32_t>(at), buffer.data(), n) != n) return false;
        use(buffer.data(), n);
        at += n;
    }
    return true;
}

void W3dAnimation::readPlain(const Chunk& chunk, bool headerOnly) {
    ChunkWalk walk(input_, chunk);
    Chunk sub;
    while (walk.next(sub)) {
        if (sub.header.type == ANIMATION_HEADER) {
            unsigned char raw[AnimationHeader::SIZE];
            readRecord(input_, sub, raw, sizeof raw);
            plainHeader_ = AnimationHeader::decode(raw);
            if (bones_.empty()) skeletonFile_ = "\\" + plainHeader_.hierarchyName + ".w3d";
        } else if (sub.header.type == ANIMATION_CHANNEL && !headerOnly) {
            unsigned char raw[AnimationChannel::SIZE];
            readRecord(input_, sub, raw, sizeof raw);
            AnimationChannel c = AnimationChannel::decode(raw);
            std::uint32_t bytes = sub.contentSize > AnimationChannel::SIZE ? sub.contentSize - AnimationChannel::SIZE : 0;
            plainChannels_.push_back(c);
            plainRecords_.push_back(
                recordValues(sub, AnimationChannel::SIZE, bytes, c.vectorLen * 4u, ChannelKind::CHANNEL));
        }
        // bit channels and everything else are stepped over
    }
    // The animation chunk read last with channels decides the mode.
    if (!plainChannels_.empty()) mode_ = Mode::PLAIN;
}

void W3dAnimation::readCompressed(const Chunk& chunk, bool headerOnly) {
    ChunkWalk walk(input_, chunk);
    Chunk sub;
    while (walk.next(sub)) {
        if (sub.header.type == COMPRESSED_ANIMATION_HEADER) {
            unsigned char raw[CompressedAnimationHeader::SIZE];
            readRecord(input_, sub, raw, sizeof raw);
            compressedHeader_ = CompressedAnimationHeader::decode(raw);
            if (bones_.empty()) skeletonFile_ = "\\" + compressedHeader_.hierarchyName + ".w3d";
        } else if (!headerOnly &&
                   (sub.header.type == COMPRESSED_CHANNEL || sub.header.type == COMPRESSED_BIT_CHANNEL)) {
            ChannelKind kind = sub.header.type == COMPRESSED_CHANNEL ? ChannelKind::CHANNEL : ChannelKind::BIT_CHANNEL;
            unsigned char raw[CompressedChannel::SIZE];
            readRecord(input_, sub, raw, sizeof raw);
            CompressedChannel c = CompressedChannel::decode(raw);
            std::uint32_t keySize = kind == ChannelKind::CHANNEL ? 4u + 4u * c.byte6 : 4u;
            // The keys the count promises and the chunk holds; the count then
            // says how many there are.
            std::uint32_t room = sub.contentSize > CompressedChannel::SIZE ? sub.contentSize - CompressedChannel::SIZE : 0;
            std::uint32_t count = room / keySize;
            if (c.numTimeCodes < count) count = c.numTimeCodes;
            ChannelRecord r = recordValues(sub, CompressedChannel::SIZE, count * keySize, keySize, kind);
            c.numTimeCodes = static_cast<std::uint32_t>((r.end - r.first) / keySize);
            r.end = r.first + c.numTimeCodes * keySize;
            compressedChannels_.push_back(c);
            compressedRecords_.push_back(r);
        }
    }
    if (!compressedChannels_.empty()) mode_ = Mode::COMPRESSED;
}

void W3dAnimation::loadSkeletonFile() {
    if (!input_.open(skeletonFilePath().c_str())) {
        skeletonError_ = platform::lastErrorText(256);
        return;
    }
    readFile(Scope::HIERARCHIES);
    input_.close();
}

std::string W3dAnimation::channelValues(std::size_t i) const {
    const ChannelRecord& r = channelRecord(i);
    std::string values;
    if (r.end <= r.first || !openValues()) return values;
    values.resize(r.end - r.first);
    if (valueInput_.readAt(static_cast<std::uint32_t>(r.first), &values[0], values.size()) != values.size())
        values.clear();
    valueInput_.close();
    return values;
}

// ---------------------------------------------------------------- binding

std::uint32_t W3dAnimation::boundIndex(std::uint32_t pivot) const {
    for (const Bone& b : bones_)
        if (b.index == pivot) return b.index;
    return pivot;
}

std::string W3dAnimation::boundName(std::uint32_t pivot) const { return boundNameText(pivot); }

const char* W3dAnimation::boundNameText(std::uint32_t pivot) const {
    for (const Bone& b : bones_)
        if (b.index == pivot) return b.name.c_str();
    return "???";
}

// ---------------------------------------------------------------- time codes

void W3dAnimation::buildTable() {
    groups_.clear();
    cells_.clear();
    rowWords_ = 0;
    std::size_t i = 0;
    // A run of pivot-0 channels at the very start forms no group.
    while (i < compressedChannels_.size() && compressedChannels_[i].pivot == 0) ++i;
    const std::size_t first = i;
    // The groups: a run of channels of one pivot each.
    std::vector<std::uint8_t> groupOf;
    for (; i < compressedChannels_.size(); ++i) {
        const CompressedChannel& c = compressedChannels_[i];
        if (i == 0 || groups_.empty() || c.pivot != compressedChannels_[i - 1].pivot) {
            if (groups_.size() == MAX_GROUPS) break;  // the lines have no room for more
            groups_.push_back(c.pivot);
        }
        groupOf.push_back(static_cast<std::uint8_t>(groups_.size() - 1));
    }
    if (groups_.empty()) return;
    // The cells: a bit per group in every row, marked where the group's
    // channels have a key in that frame.
    const std::uint32_t rows = compressedHeader_.numFrames < MAX_TABLE_ROWS ? compressedHeader_.numFrames : MAX_TABLE_ROWS;
    rowWords_ = (groups_.size() + 63) / 64;
    cells_.assign(static_cast<std::size_t>(rows) * rowWords_, 0);
    std::vector<unsigned char> keyBuffer;
    for (std::size_t n = 0; n < groupOf.size(); ++n) {
        const std::size_t group = groupOf[n];
        const std::size_t word = group / 64;
        const std::uint64_t bit = std::uint64_t{1} << (group % 64);
        const ChannelRecord& r = compressedRecords_[first + n];
        // Only the keys' time codes are looked at, read from the file being
        // read; keys it no longer holds mark nothing.
        readBlocks(input_, r.first, r.end, r.bytesPerKey, keyBuffer, [&](const unsigned char* keys, std::size_t bytes) {
            for (std::size_t k = 0; k + 4 <= bytes; k += r.bytesPerKey) {
                const std::uint32_t frame = getU32(keys + k);
                if (frame < rows) cells_[frame * rowWords_ + word] |= bit;
            }
        });
    }
}

std::size_t W3dAnimation::timeCodeLineCount() const {
    if (compressedChannels_.empty()) return 0;
    std::uint32_t rows = compressedHeader_.numFrames < MAX_TABLE_ROWS ? compressedHeader_.numFrames : MAX_TABLE_ROWS;
    return 1 + static_cast<std::size_t>(rows);
}

std::string W3dAnimation::timeCodeLine(std::size_t i) const {
    if (i >= timeCodeLineCount()) return std::string();
    if (i == 0) return tableHeader();
    char line[TABLE_ROW_ROOM];
    return std::string(line, tableRow(i - 1, line));
}

std::string W3dAnimation::tableHeader() const {
    std::string line = "F/B ";
    for (std::uint16_t pivot : groups_) line += format("[%02d]", static_cast<int>(pivot));
    line += " ";
    if (line.size() > TABLE_LINE_LIMIT) line.resize(TABLE_LINE_LIMIT);
    return line;
}

std::size_t W3dAnimation::tableRow(std::size_t frame, char* line) const {
    // The frame (at least four digits), then a cell of four characters per
    // group, "  * " where the group has a key, and one blank more after the
    // last; cut to the line's field.
    char digits[20];
    char* end = TextOutput::putUnsigned(digits, frame);
    std::size_t length = static_cast<std::size_t>(end - digits);
    std::size_t pad = length < 4 ? 4 - length : 0;
    std::memset(line, '0', pad);
    std::memcpy(line + pad, digits, length);
    length += pad;
    const std::size_t cells = 4 * groups_.size() + (groups_.empty() ? 0 : 1);
    std::memset(line + length, ' ', cells);
    if (rowWords_ > 0) {
        // Only the groups with a key in this frame: the set bits.
        const std::uint64_t* marks = &cells_[frame * rowWords_];
        for (std::size_t w = 0; w < rowWords_; ++w) {
            for (std::uint64_t bits = marks[w]; bits != 0; bits &= bits - 1) {
                const std::size_t g = w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits));
                if (g < groups_.size()) line[length + 4 * g + 2] = '*';
            }
        }
    }
    length += cells;
    return length > TABLE_LINE_LIMIT ? TABLE_LINE_LIMIT : length;
}

// ---------------------------------------------------------------- output

bool W3dAnimation::write(const std::string& outputPath, const std::function<bool(const std::string&)>& mayWrite) {
    skeletonOutcome_ = SkeletonOutcome::NONE;
    skeletonOutput_.clear();
    std::string path = outputPath.size() > OUTPUT_LIMIT ? outputPath.substr(0, OUTPUT_LIMIT) : outputPath;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || mode_ == Mode::NONE) return false;
    std::string extension = path.substr(dot);
    if (extension.compare(0, 4, ".w3d") == 0 || extension.compare(0, 4, ".W3D") == 0) {
        if (!writeW3d(path)) return false;
        if (embedded_) {
            skeletonOutput_ = extractedSkeletonPath(path);
            if (isOwnFile(skeletonOutput_, path) || (mayWrite && !mayWrite(skeletonOutput_)))
                skeletonOutcome_ = SkeletonOutcome::REFUSED;
            else
                skeletonOutcome_ = extractSkeleton(path) ? SkeletonOutcome::WRITTEN : SkeletonOutcome::FAILED;
        }
        return true;
    }
    return writeDump(path);
}

bool W3dAnimation::writeDump(const std::string& outputPath) const {
    if (mode_ == Mode::NONE) return false;
    TextOutput out;
    if (!out.create(outputPath)) return false;
    // Every line is formatted straight into the output's buffer; the longest
    // lines are cut to the table's field, as all lines of the dump always were.
    const std::size_t limit = TABLE_LINE_LIMIT;
    out.write(BANNER);
    out.write(EQUALS_58);
    if (mode_ == Mode::PLAIN) {
        out.print(limit, "Name: %s   Skeleton: %s\n", plainHeader_.name.c_str(), plainHeader_.hierarchyName.c_str());
        out.print(limit, "MaxFrames: %ld   FrameRate: %ld\n", asLong(plainHeader_.numFrames),
                  asLong(plainHeader_.frameRate));
        out.write(EQUALS_58);
        for (const AnimationChannel& c : plainChannels_) {
            out.write("Type: W3D_CHUNK_ANIMATION_CHANNEL\n");
            out.print(limit, "Bone: [%d] %s   Length: %d-%d  %s[%d]\n", static_cast<int>(boundIndex(c.pivot)),
                      boundNameText(c.pivot), c.firstFrame, c.lastFrame, channelTypeLabel(c.type), c.vectorLen);
            out.write(DASHES_58);
        }
        return out.finish();
    }

    out.print(limit, "Name: %s   Skeleton: %s\n", compressedHeader_.name.c_str(),
              compressedHeader_.hierarchyName.c_str());
    out.print(limit, "MaxFrames: %ld   FrameRate: %d\n", asLong(compressedHeader_.numFrames),
              static_cast<int>(compressedHeader_.frameRate));
    out.write(EQUALS_58);
    const std::size_t lines = timeCodeLineCount();
    if (lines > 0) {
        out.write(tableHeader());
        out.write("\n", 1);
    }
    for (std::size_t i = 1; i < lines; ++i) {
        char* line = out.room(TABLE_ROW_ROOM + 1);
        char* end = line + tableRow(i - 1, line);
        *end++ = '\n';
        out.advance(end);
    }
    out.write(EQUALS_58);
    static const char VECTOR[] = "Vector: ";
    if (!openValues()) return false;
    std::vector<unsigned char> keyBuffer;
    for (std::size_t i = 0; i < compressedChannels_.size(); ++i) {
        const CompressedChannel& c = compressedChannels_[i];
        const ChannelRecord& r = compressedRecords_[i];
        bool bits = r.kind == ChannelKind::BIT_CHANNEL;
        out.write(bits ? "Type: W3D_COMPRESSED_BIT_CHANNEL\n" : "Type: W3D_COMPRESSED_ANIMATION_CHANNEL\n");
        out.print(limit, "Bone: [%d] %s   Length: %ld  %s[%d]\n", static_cast<int>(boundIndex(c.pivot)),
                  boundNameText(c.pivot), asLong(c.numTimeCodes), channelTypeLabel(typeOf(c, r.kind)),
                  bits ? c.byte7 : c.byte6);
        out.write(DASHES_58);
        // A key's line: its time code, then its values (a bit channel's key
        // is the time code alone); other value counts print nothing.
        const unsigned values = bits ? 0u : c.byte6;
        if (bits || (values >= 1 && values <= 4)) {
            const bool read = readBlocks(
                valueInput_, r.first, r.end, r.bytesPerKey, keyBuffer, [&](const unsigned char* keys, std::size_t bytes) {
                    for (std::size_t k = 0; k + r.bytesPerKey <= bytes; k += r.bytesPerKey) {
                        const unsigned char* key = keys + k;
                        char* line = out.room(sizeof VECTOR + 5 * 12);
                        std::memcpy(line, VECTOR, sizeof VECTOR - 1);
                        char* end = TextOutput::putUnsigned(line + sizeof VECTOR - 1, getU32(key));
                        for (unsigned v = 1; v <= values; ++v) {
                            *end++ = ' ';
                            *end++ = ' ';
                            end = TextOutput::putUnsigned(end, getU32(key + 4 * v));
                        }
                        *end++ = '\n';
                        out.advance(end);
                    }
                });
            // The file lost bytes since it was read: no dump is put in place.
            if (!read) {
                valueInput_.close();
                return false;
            }
        }
        out.write(DASHES_58);
    }
    valueInput_.close();
    return out.finish();
}

std::vector<std::size_t> W3dAnimation::channelsToWrite() const {
    // The channels of the mode's own list: a file may hold both kinds.
    std::size_t count = mode_ == Mode::PLAIN ? plainChannels_.size() : compressedChannels_.size();
    std::vector<std::size_t> chosen;
    if (!selection_.empty()) {
        for (std::size_t i : selection_)
            if (i < count) chosen.push_back(i);
        return chosen;
    }
    for (std::size_t i = 0; i < count; ++i) chosen.push_back(i);
    return chosen;
}

bool W3dAnimation::writeW3d(const std::string& outputPath) const {
    if (mode_ == Mode::NONE || !openValues()) return false;
    ChunkOutput out;
    std::vector<unsigned char> buffer;
    bool read = true;
    const auto copyValues = [&](const ChannelRecord& r) {
        read = read && readBlocks(valueInput_, r.first, r.end, 1, buffer,
                                  [&](const unsigned char* bytes, std::size_t n) { out.bytes(bytes, n); });
    };
    // The file is closed before the output is put in place, which may be
    // over it; an output missing bytes of the file is not put in place.
    const auto finish = [&] {
        valueInput_.close();
        return read && out.finish();
    };
    if (mode_ == Mode::PLAIN) {
        if (!out.create(outputPath, ANIMATION)) {
            valueInput_.close();
            return false;
        }
        out.chunk(ANIMATION_HEADER, plainHeader_.raw, AnimationHeader::SIZE);
        for (std::size_t i : channelsToWrite()) {
            const ChannelRecord& r = plainRecords_[i];
            unsigned char raw[AnimationChannel::SIZE];
            plainChannels_[i].encode(raw);
            out.header(ANIMATION_CHANNEL, static_cast<std::uint32_t>(AnimationChannel::SIZE + (r.end - r.first)));
            out.bytes(raw, sizeof raw);
            copyValues(r);
        }
        return finish();
    }
    if (!out.create(outputPath, COMPRESSED_ANIMATION)) {
        valueInput_.close();
        return false;
    }
    out.chunk(COMPRESSED_ANIMATION_HEADER, compressedHeader_.raw, CompressedAnimationHeader::SIZE);
    for (std::size_t i : channelsToWrite()) {
        const ChannelRecord& r = compressedRecords_[i];
        unsigned char raw[CompressedChannel::SIZE];
        compressedChannels_[i].encode(raw);
        out.header(r.kind == ChannelKind::CHANNEL ? COMPRESSED_CHANNEL : COMPRESSED_BIT_CHANNEL,
                   static_cast<std::uint32_t>(CompressedChannel::SIZE + (r.end - r.first)));
        out.bytes(raw, sizeof raw);
        copyValues(r);
    }
    return finish();
}

std::string W3dAnimation::extractedSkeletonPath(const std::string& outputPath) const {
    if (!embedded_) return std::string();
    std::string name = !skeletons_.empty() ? skeletons_[0].name
                       : mode_ == Mode::COMPRESSED ? compressedHeader_.hierarchyName
                                                  : plainHeader_.hierarchyName;
    // The name comes from the file: it must not lead out of the output's folder.
    for (char& c : name)
        if (platform::isSeparator(c) || c == ':') c = '_';
    std::size_t sep = platform::lastSeparator(outputPath);
    if (sep == std::string::npos) return name + ".w3d";
    return outputPath.substr(0, sep) + "\\" + name + ".w3d";
}

bool W3dAnimation::isOwnFile(const std::string& target, const std::string& outputPath) const {
    const platform::FileIdentity id = platform::fileIdentity(target.c_str());
    if (!id.valid) return false;
    if (id == platform::fileIdentity(outputPath.c_str()) || id == platform::fileIdentity(path_.c_str())) return true;
    return !skeletonFile_.empty() && id == platform::fileIdentity(skeletonFilePath().c_str());
}

bool W3dAnimation::extractSkeleton(const std::string& outputPath) const {
    std::string target = extractedSkeletonPath(outputPath);
    if (target.empty()) return false;
    std::string bytes = skeletonBytes_;
    // After a rename or with a selection, the copy carries the first skeleton
    // record's name in its header (the first sub-chunk, when it is one).
    if ((renamed_ || !selection_.empty()) && !skeletons_.empty() && bytes.size() >= 16 + HierarchyHeader::SIZE) {
        unsigned char* p = reinterpret_cast<unsigned char*>(&bytes[0]);
        if (getU32(p + 8) == HIERARCHY_HEADER && (getU32(p + 12) & SIZE_MASK) >= 20)
            setName(p + 16 + 4, 16, skeletons_[0].name);
    }
    return ChunkOutput::writeRaw(target, bytes.data(), bytes.size());
}

// ---------------------------------------------------------------- selection

std::string W3dAnimation::boneRecord(std::size_t i) const {
    if (i >= bones_.size()) return std::string();
    return format("%s;%d;", bones_[i].name.c_str(), static_cast<int>(bones_[i].index));
}

std::string W3dAnimation::skeletonRecord(std::size_t i) const {
    if (i >= skeletons_.size()) return std::string();
    return format("%s;%ld;", skeletons_[i].name.c_str(), asLong(skeletons_[i].numPivots));
}

std::string W3dAnimation::channelKey(std::size_t i) const {
    if (mode_ == Mode::PLAIN) {
        if (i >= plainChannels_.size()) return std::string();
        return format("%d;%d;", plainChannels_[i].lastFrame, plainChannels_[i].pivot);
    }
    if (mode_ != Mode::COMPRESSED || i >= timeCodeLineCount()) return std::string();
    std::string line = timeCodeLine(i);
    std::string start = i == 0 ? std::string("F/B  ") : line.substr(0, line.find(' '));
    std::string rest = line.size() > 6 ? line.substr(6) : std::string();
    return format("%s;%s;", start.c_str(), rest.c_str());
}

std::string W3dAnimation::channelRecordText(std::size_t i) const {
    if (mode_ == Mode::PLAIN) {
        if (i >= plainChannels_.size()) return std::string();
        const AnimationChannel& c = plainChannels_[i];
        return format("%d;%d;%s;", c.lastFrame, c.pivot, channelTypeLabel(c.type));
    }
    if (mode_ != Mode::COMPRESSED || i >= compressedChannels_.size()) return std::string();
    const CompressedChannel& c = compressedChannels_[i];
    return format("%ld;%d;%s;", asLong(c.numTimeCodes), c.pivot,
                  channelTypeLabel(typeOf(c, compressedRecords_[i].kind)));
}

std::string W3dAnimation::animationRecord() const {
    if (mode_ == Mode::PLAIN)
        return format("%s;%s;%ld;ANIM_TIMEFRAMES;", plainHeader_.name.c_str(), plainHeader_.hierarchyName.c_str(),
                      asLong(plainHeader_.numFrames));
    if (mode_ == Mode::COMPRESSED)
        return format("%s;%s;%ld;ANIM_FLAVOR_TIMECODED;", compressedHeader_.name.c_str(),
                      compressedHeader_.hierarchyName.c_str(), asLong(compressedHeader_.numFrames));
    return std::string();
}

void W3dAnimation::rename(const std::string& animationName, const std::string& hierarchyName) {
    plainHeader_.setNames(animationName, hierarchyName);
    compressedHeader_.setNames(animationName, hierarchyName);
    if (!hierarchyName.empty()) {
        if (!skeletons_.empty()) skeletons_[0].name = hierarchyName.substr(0, 16);
        renamed_ = true;
    }
}

bool W3dAnimation::selectChannel(const std::string& boneName, std::size_t i) {
    if (i >= channelCount()) return false;
    const Bone* found = nullptr;
    for (const Bone& b : bones_) {
        if (b.name == boneName) {
            found = &b;
            break;
        }
    }
    if (!found) return false;
    std::uint16_t pivot = static_cast<std::uint16_t>(found->index);
    if (!plainChannels_.empty())
        plainChannels_[i].pivot = pivot;
    else
        compressedChannels_[i].pivot = pivot;
    selection_.push_back(i);
    return true;
}
