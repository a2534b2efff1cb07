#include "CsfArchive.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ByteOrder.h"
#include "ConfigFile.h"
#include "CsfTableReader.h"
#include "FilePtr.h"
#include "ReplacingFile.h"
#include "WorkProgress.h"
#include "platform/Platform.h"

namespace {

const char LABEL_MAGIC[4] = {' ', 'L', 'B', 'L'};
const char STRING_MAGIC[4] = {' ', 'R', 'T', 'S'};

bool writeAll(std::FILE* out, const void* data, std::size_t size) {
    return size == 0 || std::fwrite(data, 1, size, out) == size;
}

}  // namespace

CsfHeader CsfArchive::decodeHeader(const unsigned char* p) {
    CsfHeader h;
    h.magic = le::getI32(p);
    h.secondWord = le::getI32(p + 4);
    h.labelCount = le::getI32(p + 8);
    h.stringCount = le::getI32(p + 12);
    h.fifthWord = le::getI32(p + 16);
    h.sixthWord = le::getI32(p + 20);
    return h;
}

std::string CsfArchive::narrow(const unsigned char* data, std::size_t units) {
    std::string out(units, '\0');
    out.resize(narrowInto(data, units, &out[0]));
    return out;
}

std::size_t CsfArchive::narrowInto(const unsigned char* data, std::size_t units, char* out) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < units; ++i) {
        unsigned char low = data[2 * i];
        if (low == 0) continue;
        // A character whose own low byte is zero (U+0000, U+0100, ...) has
        // no 8-bit form: it is shown as '?', so that no text ends early.
        out[length++] = low == 0xFF ? '?' : static_cast<char>(static_cast<unsigned char>(~low));
    }
    return length;
}

std::string CsfArchive::widen(const std::string& text) {
    std::string out(text.size() * 2, '\xFF');
    for (std::size_t i = 0; i < text.size(); ++i)
        out[2 * i] = static_cast<char>(static_cast<unsigned char>(~static_cast<unsigned char>(text[i])));
    return out;
}

bool CsfArchive::isCsfFile(const char* path) {
    ready_ = false;
    if (!path || !*path) return false;
    std::FILE* f = platform::openInputFile(path, "rb");
    if (!f) return false;
    char magic[4] = {0, 0, 0, 0};
    std::size_t got = std::fread(magic, 1, 4, f);
    std::fclose(f);
    ready_ = got == 4 && std::memcmp(magic, " FSC", 4) == 0;
    return ready_;
}

bool CsfArchive::load(const char* path, WorkProgress* progress) {
    sourcePath_ = path ? path : "";
    records_.clear();
    appendList_.clear();
    staged_.clear();
    values_.clear();
    data_.clear();
    data_.shrink_to_fit();
    header_ = CsfHeader();
    ready_ = false;
    markedCount_ = 0;

    resolvedPath_ = platform::resolvePath(sourcePath_.c_str());
    if (resolvedPath_.empty() || !platform::exists(resolvedPath_.c_str())) return false;
    std::int64_t size = platform::fileSize(resolvedPath_.c_str());
    // Offsets are kept in 32 bits; a table beyond 4 GB is not a string table.
    if (size < static_cast<std::int64_t>(HEADER_SIZE) || static_cast<std::uint64_t>(size) > SIZE_LIMIT) return false;
    std::FILE* f = platform::openInputFile(resolvedPath_.c_str(), "rb");
    if (!f) return false;
    FilePtr closer(f);
    data_.resize(static_cast<std::size_t>(size));
    if (progress) progress->begin(data_.size());
    // Read in blocks, so that a stop is seen between two of them.
    std::size_t got = 0;
    while (got < data_.size()) {
        if (progress && progress->stopped()) return abandonLoad();
        const std::size_t wanted = std::min(READ_BLOCK, data_.size() - got);
        const std::size_t read = std::fread(data_.data() + got, 1, wanted, f);
        got += read;
        if (progress) progress->advance(read);
        if (read < wanted) break;
    }
    // The file may have shrunk since its size was taken: keep what was read.
    data_.resize(got);
    if (got < HEADER_SIZE) {
        data_.clear();
        return false;
    }
    header_ = decodeHeader(data_.data());
    if (!parse(progress)) return abandonLoad();
    ready_ = true;
    return true;
}

bool CsfArchive::abandonLoad() {
    records_.clear();
    records_.shrink_to_fit();
    data_.clear();
    data_.shrink_to_fit();
    header_ = CsfHeader();
    return false;
}

// Walks the labels the header announces. Every length is checked against the
// bytes left before it is used, so a short or damaged file ends the walk at
// the last label read completely; nothing is read past the data.
bool CsfArchive::parse(WorkProgress* progress) {
    const unsigned char* d = data_.data();
    const std::size_t size = data_.size();
    std::size_t pos = HEADER_SIZE;
    // Every label takes at least 12 bytes, which bounds what is reserved.
    if (header_.labelCount > 0)
        records_.reserve(std::min(static_cast<std::size_t>(header_.labelCount), (size - pos) / 12));
    for (std::int32_t i = 0; i < header_.labelCount; ++i) {
        if (progress && i % STOP_CHECK_LABELS == 0 && progress->stopped()) return false;
        CsfLabelRecord rec;
        std::uint64_t needed = 0;
        if (csfWalkLabel(d + pos, size - pos, rec, needed) != CsfLabelFit::WHOLE) return true;
        // The walk counts from the label's first byte; the records count from the table's.
        const std::uint32_t at = static_cast<std::uint32_t>(pos);
        rec.offset = at;
        rec.nameOffset += at;
        for (std::int32_t j = 0; j < rec.stringRecords && j < 2; ++j) {
            rec.slot[j].textOffset += at;
            if (rec.slot[j].extraLength >= 0) rec.slot[j].extraOffset += at;
        }
        pos += rec.size;
        records_.push_back(rec);
    }
    return true;
}

void CsfArchive::textSlots(int index, std::vector<CsfTextSlot>& slots) const {
    slots.clear();
    if (index < 0 || index >= recordCount()) return;
    const CsfLabelRecord& rec = records_[static_cast<std::size_t>(index)];
    slots.reserve(static_cast<std::size_t>(rec.stringRecords));
    csfTextSlots(data_.data(), rec, slots);
}

std::size_t CsfArchive::labelsEnd() const {
    if (records_.empty()) return data_.empty() ? 0 : HEADER_SIZE;
    return static_cast<std::size_t>(records_.back().offset) + records_.back().size;
}

std::string CsfArchive::labelText(int index) const { return std::string(labelView(index)); }

std::string_view CsfArchive::labelView(int index) const {
    if (index < 0 || index >= recordCount()) return std::string_view();
    const CsfLabelRecord& rec = records_[static_cast<std::size_t>(index)];
    std::size_t n = static_cast<std::size_t>(rec.nameLength);
    if (n > NAME_SHOWN) n = NAME_SHOWN;
    const char* name = reinterpret_cast<const char*>(data_.data() + rec.nameOffset);
    // The name is shown as the text it holds up to a zero byte.
    return std::string_view(name, strnlen(name, n));
}

std::string CsfArchive::slotText(int index, int slotIndex) const {
    if (index < 0 || index >= recordCount() || slotIndex < 0 || slotIndex > 1) return std::string();
    const CsfLabelRecord& rec = records_[static_cast<std::size_t>(index)];
    if (slotIndex >= rec.stringRecords) return std::string();
    const CsfTextSlot& slot = rec.slot[slotIndex];
    std::size_t units = static_cast<std::size_t>(slot.length);
    if (units > TEXT_SHOWN) units = TEXT_SHOWN;
    return narrow(data_.data() + slot.textOffset, units);
}

std::string CsfArchive::quotedText(int index) const {
    if (index < 0 || index >= recordCount()) return std::string();
    char quoted[QUOTED_SIZE];
    return std::string(quoted, quotedTextInto(index, quoted));
}

std::size_t CsfArchive::quotedTextInto(int index, char* buffer) const {
    if (index < 0 || index >= recordCount()) return 0;
    const CsfLabelRecord& rec = records_[static_cast<std::size_t>(index)];
    std::size_t length = 0;
    buffer[length++] = '"';
    if (rec.stringRecords > 0) {
        std::size_t units = static_cast<std::size_t>(rec.slot[0].length);
        if (units > TEXT_SHOWN) units = TEXT_SHOWN;
        length += narrowInto(data_.data() + rec.slot[0].textOffset, units, buffer + length);
    }
    buffer[length++] = '"';
    return length;
}

std::size_t CsfArchive::quotedWideInto(int index, char16_t* buffer) const {
    if (index < 0 || index >= recordCount()) return 0;
    const CsfLabelRecord& rec = records_[static_cast<std::size_t>(index)];
    if (rec.stringRecords == 0) return quoteWideInto(nullptr, 0, buffer);
    return quoteWideInto(data_.data() + rec.slot[0].textOffset, static_cast<std::size_t>(rec.slot[0].length), buffer);
}

std::size_t CsfArchive::quoteWideInto(const unsigned char* data, std::size_t units, char16_t* buffer) {
    std::size_t shown = units > TEXT_SHOWN ? TEXT_SHOWN : units;
    const auto unitAt = [data](std::size_t i) {
        return static_cast<char16_t>(static_cast<unsigned>(static_cast<unsigned char>(~data[2 * i])) |
                                     static_cast<unsigned>(static_cast<unsigned char>(~data[2 * i + 1])) << 8);
    };
    // A high surrogate whose low half lies beyond what is shown goes too.
    if (shown < units && shown > 0 && unitAt(shown - 1) >= 0xD800 && unitAt(shown - 1) <= 0xDBFF) --shown;
    std::size_t length = 0;
    buffer[length++] = u'"';
    for (std::size_t i = 0; i < shown; ++i) buffer[length++] = unitAt(i);
    buffer[length++] = u'"';
    return length;
}

void CsfArchive::setExportFlag(int index, int flag) {
    if (index < 0 || index >= recordCount()) return;
    records_[static_cast<std::size_t>(index)].exportFlag = flag != 0 ? 1 : 0;
    if (flag == 0) ++markedCount_;
}

bool CsfArchive::exportTo(const char* sourcePath, const char* targetPath) {
    lastExportLabels_ = 0;
    const int marked = markedCount_;
    markedCount_ = 0;
    if (!targetPath || !*targetPath) return false;
    const std::string target = targetPath;
    problem_ = Problem::NONE;
    // The table is never written over the file it was read from.
    const char* source = !data_.empty() ? resolvedPath_.c_str() : sourcePath;
    if (source && platform::fileIdentity(source) == platform::fileIdentity(targetPath)) {
        problem_ = Problem::SAME_FILE;
        return false;
    }
    ReplacingFile file;
    if (!file.create(target)) return false;

    if (data_.empty()) {
        // Nothing loaded: the only export there is is a copy of the source.
        if (marked > 0 || !sourcePath || !*sourcePath) return false;
        return file.commit(file.copyFrom(sourcePath));
    }

    std::FILE* out = file.stream();
    // Every write below is a large piece of the loaded bytes (or the header
    // once): they go straight to the file, without a pass through a buffer.
    std::setvbuf(out, nullptr, _IONBF, 0);
    bool ok = true;
    if (marked == 0) {
        // No marked label: the table as it was loaded, byte for byte.
        ok = writeAll(out, data_.data(), data_.size());
        lastExportLabels_ = recordCount();
    } else {
        // The counts of what is kept go into the header first, so the file
        // is written front to back, once.
        std::int32_t labels = 0;
        std::uint32_t strings = 0;
        for (const CsfLabelRecord& rec : records_) {
            if (rec.exportFlag == 0) continue;
            ++labels;
            strings += static_cast<std::uint32_t>(rec.stringRecords);
        }
        unsigned char head[HEADER_SIZE];
        std::memcpy(head, data_.data(), HEADER_SIZE);
        le::setI32(head + 8, labels);
        le::setI32(head + 12, static_cast<std::int32_t>(strings));
        ok = writeAll(out, head, HEADER_SIZE);
        // Runs of kept labels lie one after another in the loaded bytes and
        // are written with one call each.
        std::size_t runStart = 0, runEnd = 0;
        for (const CsfLabelRecord& rec : records_) {
            if (rec.exportFlag == 0) continue;
            if (rec.offset != runEnd) {
                ok = ok && writeAll(out, data_.data() + runStart, runEnd - runStart);
                runStart = rec.offset;
            }
            runEnd = static_cast<std::size_t>(rec.offset) + rec.size;
        }
        ok = ok && writeAll(out, data_.data() + runStart, runEnd - runStart);
        lastExportLabels_ = labels;
    }
    if (!file.commit(ok)) {
        lastExportLabels_ = 0;
        return false;
    }
    return true;
}

void CsfArchive::stageFamily(ConfigFile& config, const std::string& prefix) {
    char entry[64];
    for (int n = 1;; ++n) {
        int length = std::snprintf(entry, sizeof entry, "%s%03d", prefix.c_str(), n);
        // The entry name must fit the 32-character buffer it is formed in.
        if (length < 0 || static_cast<std::size_t>(length) > PREFIX_LIMIT) return;
        values_.clear();
        config.textList(entry, values_);
        if (values_.empty()) return;
        if (values_[0].size() > NAME_LIMIT) continue;  // a name that does not fit is refused
        CsfStagedLabel label;
        label.name = values_[0];
        for (std::size_t i = 1; i < values_.size(); ++i) {
            if (values_[i].size() > TEXT_LIMIT) continue;
            label.texts.push_back(widen(values_[i]));
        }
        staged_.push_back(std::move(label));
    }
}

bool CsfArchive::appendFromConfig(const char* csfPath, const char* configPath) {
    appendList_.clear();
    staged_.clear();
    lastAppendLabels_ = 0;
    familiesListed_ = 0;
    familiesLeftOut_ = 0;
    problem_ = Problem::NONE;
    // Without a readable configuration there is nothing to append: nothing
    // is written, and the caller is told why.
    if (!configPath || platform::inputProblem(configPath)) {
        problem_ = Problem::NO_CONFIG;
        return false;
    }
    {
        ConfigFile config(configPath, 1024);
        if (!config.load()) {
            problem_ = Problem::NO_CONFIG;
            return false;
        }
        const char* key = config.textList("AppendList", appendList_) ? "AppendList" : "APPENDLIST";
        if (appendList_.empty()) config.textList(key, appendList_);
        familiesListed_ = std::max(config.wholeListSize(key), appendList_.size());
        familiesLeftOut_ = familiesListed_ - appendList_.size();
        for (const std::string& value : appendList_) {
            if (value.size() > PREFIX_LIMIT) continue;  // longer than the prefix buffer: refused
            std::size_t star = value.rfind('*');
            if (star == std::string::npos) continue;
            stageFamily(config, value.substr(0, star));
        }
        // A cut AppendList is told by the families it left out.
        for (const std::string& cutKey : config.cutKeys())
            if (cutKey != key) problem_ = Problem::VALUE_CUT;
    }

    sourcePath_ = csfPath ? csfPath : "";
    appendDone_ = false;
    resolvedPath_ = platform::resolvePath(sourcePath_.c_str());
    newPath_.clear();
    if (resolvedPath_.empty() || !platform::exists(resolvedPath_.c_str())) return false;
    std::size_t sep = platform::lastSeparator(resolvedPath_);
    if (sep == std::string::npos)
        newPath_ = "NEW_" + resolvedPath_;
    else
        newPath_ = resolvedPath_.substr(0, sep + 1) + "NEW_" + resolvedPath_.substr(sep + 1);

    // The copy is built beside the "NEW_" file and put in its place only when
    // complete, so a failure leaves an earlier copy as it was. The table
    // itself is never its own "NEW_" copy.
    if (platform::fileIdentity(resolvedPath_.c_str()) == platform::fileIdentity(newPath_.c_str())) {
        problem_ = Problem::SAME_FILE;
        return false;
    }
    ReplacingFile file;
    if (!file.create(newPath_) || !file.copyFrom(resolvedPath_.c_str()) || std::fflush(file.stream()) != 0 ||
        std::fseek(file.stream(), 0, SEEK_SET) != 0)
        return false;
    std::FILE* f = file.stream();
    unsigned char head[HEADER_SIZE];
    bool ok = std::fread(head, 1, HEADER_SIZE, f) == HEADER_SIZE && std::fseek(f, 0, SEEK_END) == 0;
    std::uint32_t strings = 0;
    std::string block;
    for (const CsfStagedLabel& label : staged_) {
        if (!ok) break;
        block.clear();
        block.append(LABEL_MAGIC, 4);
        le::appendU32(block, static_cast<std::uint32_t>(label.texts.size()));
        le::appendU32(block, static_cast<std::uint32_t>(label.name.size()));
        block += label.name;
        for (const std::string& text : label.texts) {
            block.append(STRING_MAGIC, 4);
            le::appendU32(block, static_cast<std::uint32_t>(text.size() / 2));
            block += text;
        }
        ok = writeAll(f, block.data(), block.size());
        strings += static_cast<std::uint32_t>(label.texts.size());
    }
    if (ok) {
        std::uint32_t labels = static_cast<std::uint32_t>(staged_.size());
        le::setU32(head + 8, le::getU32(head + 8) + labels);
        le::setU32(head + 12, le::getU32(head + 12) + strings);
        ok = std::fseek(f, 0, SEEK_SET) == 0 && writeAll(f, head, HEADER_SIZE);
    }
    if (!file.commit(ok)) return false;
    lastAppendLabels_ = staged_.size();
    appendDone_ = !staged_.empty();
    return true;
}

void CsfArchive::clear() {
    records_.clear();
    staged_.clear();
    appendList_.clear();
    values_.clear();
    data_.clear();
    data_.shrink_to_fit();
    header_ = CsfHeader();
    ready_ = false;
    markedCount_ = 0;
}
