#include "CsfEdit.h"

#include <algorithm>
#include <cstring>

#include "ByteOrder.h"
#include "CsfArchive.h"
#include "ReplacingFile.h"
#include "Utf8.h"
#include "WorkProgress.h"

namespace {

const char LABEL_MAGIC[4] = {' ', 'L', 'B', 'L'};
const char STRING_MAGIC[4] = {' ', 'R', 'T', 'S'};
const char WIDE_EXTRA_MAGIC[4] = {'W', 'R', 'T', 'S'};
constexpr std::size_t WRITE_BLOCK = 1u << 20;

void appendI32(std::string& out, std::int32_t value) {
    unsigned char b[4];
    le::setI32(b, value);
    out.append(reinterpret_cast<const char*>(b), 4);
}

// Where a loaded label's first string record ends (the label's name end
// when it has none).
std::size_t firstRecordEnd(const CsfLabelRecord& rec) {
    const std::size_t nameEnd = rec.nameOffset + static_cast<std::size_t>(rec.nameLength);
    if (rec.stringRecords < 1) return nameEnd;
    const CsfTextSlot& s = rec.slot[0];
    std::size_t end = s.textOffset + 2 * static_cast<std::size_t>(s.length);
    if (s.extraLength >= 0) end = s.extraOffset + static_cast<std::size_t>(s.extraLength);
    return end;
}

bool writeBlocks(std::FILE* out, const unsigned char* data, std::size_t size, WorkProgress* progress) {
    while (size > 0) {
        if (progress && progress->stopped()) return false;
        const std::size_t chunk = std::min(size, WRITE_BLOCK);
        if (std::fwrite(data, 1, chunk, out) != chunk) return false;
        if (progress) progress->advance(chunk);
        data += chunk;
        size -= chunk;
    }
    return true;
}

}  // namespace

const char* labelEditText(LabelEdit result) {
    switch (result) {
        case LabelEdit::DONE: return "done";
        case LabelEdit::NO_SUCH_LABEL: return "no label has that name";
        case LabelEdit::NAME_TAKEN: return "another label already has that name";
        case LabelEdit::BAD_NAME: return "not a label name (1 to 128 printable ASCII characters, no blank at either end)";
        case LabelEdit::TABLE_TOO_LARGE: return "the table would exceed the format's 4 GiB";
    }
    return "unknown";
}

const char* tableSaveText(TableSave result) {
    switch (result) {
        case TableSave::SAVED: return "saved";
        case TableSave::NOTHING_PLANNED: return "no table is being edited";
        case TableSave::TABLE_CHANGED: return "the table changed on disk since it was read; nothing was written";
        case TableSave::TABLE_TOO_LARGE: return "the table would exceed the format's 4 GiB; nothing was written";
        case TableSave::CANNOT_CREATE: return "the new table cannot be created";
        case TableSave::WRITE_FAILED: return "writing failed; nothing was replaced";
    }
    return "unknown";
}

bool CsfEditPlan::isValidName(const std::string& name) {
    if (name.empty() || name.size() > NAME_LIMIT || name.front() == ' ' || name.back() == ' ') return false;
    for (unsigned char c : name)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

void CsfEditPlan::noteName(const std::string& name, int delta) {
    int& n = names_[name];
    n += delta;
    if (n <= 0) names_.erase(name);
}

bool CsfEditPlan::begin(const CsfArchive& table, std::string& reason) {
    table_ = nullptr;
    labels_.clear();
    names_.clear();
    stringDelta_ = 0;
    changes_ = 0;
    if (table.bytes().size() < CsfArchive::HEADER_SIZE) {
        reason = "no table is loaded";
        return false;
    }
    if (table.recordCount() < table.header().labelCount) {
        reason = "is damaged: " + std::to_string(table.recordCount()) + " of " +
                 std::to_string(table.header().labelCount) + " labels could be read";
        return false;
    }
    stamp_ = platform::fileStamp(table.resolvedPath().c_str());
    labels_.reserve(static_cast<std::size_t>(table.recordCount()));
    for (int i = 0; i < table.recordCount(); ++i) {
        const CsfLabelRecord& rec = table.records()[static_cast<std::size_t>(i)];
        PlannedLabel label;
        label.record = i;
        label.name.assign(reinterpret_cast<const char*>(table.bytes().data() + rec.nameOffset),
                          static_cast<std::size_t>(rec.nameLength));
        noteName(label.name, 1);
        labels_.push_back(std::move(label));
    }
    size_ = table.bytes().size();
    table_ = &table;
    return true;
}

int CsfEditPlan::find(const std::string& name) const {
    if (!names_.count(name)) return -1;
    for (std::size_t i = 0; i < labels_.size(); ++i)
        if (labels_[i].name == name) return static_cast<int>(i);
    return -1;
}

std::u16string CsfEditPlan::text(int index) const {
    if (index < 0 || index >= count()) return std::u16string();
    const PlannedLabel& label = labels_[static_cast<std::size_t>(index)];
    if (label.textSet || label.record < 0) return label.text;
    const CsfLabelRecord& rec = table_->records()[static_cast<std::size_t>(label.record)];
    if (rec.stringRecords < 1) return std::u16string();
    const unsigned char* p = table_->bytes().data() + rec.slot[0].textOffset;
    std::u16string out(static_cast<std::size_t>(rec.slot[0].length), u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(~(p[2 * i] | p[2 * i + 1] << 8) & 0xFFFF);
    return out;
}

std::uint64_t CsfEditPlan::labelSize(const PlannedLabel& label) const {
    if (label.record < 0) return 12 + label.name.size() + 8 + 2 * std::uint64_t{label.text.size()};
    const CsfLabelRecord& rec = table_->records()[static_cast<std::size_t>(label.record)];
    if (untouched(label)) return rec.size;
    const std::size_t first = firstRecordEnd(rec);
    const std::uint64_t rest = rec.offset + std::uint64_t{rec.size} - first;
    std::uint64_t size = 12 + label.name.size() + rest;
    if (!label.textSet) return size + (first - rec.nameOffset - static_cast<std::size_t>(rec.nameLength));
    size += 8 + 2 * std::uint64_t{label.text.size()};
    if (rec.stringRecords >= 1 && rec.slot[0].extraLength >= 0) size += 4 + static_cast<std::uint64_t>(rec.slot[0].extraLength);
    return size;
}

bool CsfEditPlan::resize(std::uint64_t before, std::uint64_t after) {
    const std::uint64_t next = size_ - before + after;
    if (next > TABLE_LIMIT) return false;
    size_ = next;
    return true;
}

LabelEdit CsfEditPlan::setText(int index, const std::u16string& text) {
    if (index < 0 || index >= count()) return LabelEdit::NO_SUCH_LABEL;
    PlannedLabel& label = labels_[static_cast<std::size_t>(index)];
    if (text.size() > TABLE_LIMIT / 2) return LabelEdit::TABLE_TOO_LARGE;
    PlannedLabel changed = label;
    changed.text = text;
    changed.textSet = true;
    if (!resize(labelSize(label), labelSize(changed))) return LabelEdit::TABLE_TOO_LARGE;
    // A label without string records gets one.
    if (label.record >= 0 && !label.textSet &&
        table_->records()[static_cast<std::size_t>(label.record)].stringRecords < 1)
        ++stringDelta_;
    label = std::move(changed);
    ++changes_;
    return LabelEdit::DONE;
}

LabelEdit CsfEditPlan::add(const std::string& name, const std::u16string& text) {
    if (!isValidName(name)) return LabelEdit::BAD_NAME;
    if (names_.count(name)) return LabelEdit::NAME_TAKEN;
    if (text.size() > TABLE_LIMIT / 2) return LabelEdit::TABLE_TOO_LARGE;
    PlannedLabel label;
    label.name = name;
    label.text = text;
    label.textSet = label.added = true;
    if (!resize(0, labelSize(label))) return LabelEdit::TABLE_TOO_LARGE;
    noteName(name, 1);
    ++stringDelta_;
    labels_.push_back(std::move(label));
    ++changes_;
    return LabelEdit::DONE;
}

LabelEdit CsfEditPlan::rename(int index, const std::string& newName) {
    if (index < 0 || index >= count()) return LabelEdit::NO_SUCH_LABEL;
    if (!isValidName(newName)) return LabelEdit::BAD_NAME;
    PlannedLabel& label = labels_[static_cast<std::size_t>(index)];
    if (newName == label.name) return LabelEdit::DONE;
    if (names_.count(newName)) return LabelEdit::NAME_TAKEN;
    PlannedLabel changed = label;
    changed.name = newName;
    changed.renamed = !changed.added;
    if (!resize(labelSize(label), labelSize(changed))) return LabelEdit::TABLE_TOO_LARGE;
    noteName(label.name, -1);
    noteName(newName, 1);
    label = std::move(changed);
    ++changes_;
    return LabelEdit::DONE;
}

void CsfEditPlan::remove(const std::vector<bool>& drop) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        PlannedLabel& label = labels_[i];
        if (i < drop.size() && drop[i]) {
            size_ -= labelSize(label);
            noteName(label.name, -1);
            if (label.record < 0) {
                --stringDelta_;
            } else {
                const CsfLabelRecord& rec = table_->records()[static_cast<std::size_t>(label.record)];
                stringDelta_ -= std::max(rec.stringRecords, label.textSet ? 1 : 0);
            }
            ++changes_;
            continue;
        }
        if (kept != i) labels_[kept] = std::move(label);
        ++kept;
    }
    labels_.resize(kept);
}

void CsfEditPlan::remove(int index) {
    if (index < 0 || index >= count()) return;
    std::vector<bool> drop(labels_.size(), false);
    drop[static_cast<std::size_t>(index)] = true;
    remove(drop);
}

void CsfEditPlan::buildLabel(const PlannedLabel& label, std::string& out) const {
    const CsfLabelRecord* rec =
        label.record < 0 ? nullptr : &table_->records()[static_cast<std::size_t>(label.record)];
    const unsigned char* d = table_->bytes().data();
    const bool hasRecord = rec && rec->stringRecords >= 1;
    out.append(rec ? rec->magic : LABEL_MAGIC, 4);
    appendI32(out, rec && (hasRecord || !label.textSet) ? rec->stringCount : 1);
    appendI32(out, static_cast<std::int32_t>(label.name.size()));
    out += label.name;
    if (label.textSet) {
        const bool wide = hasRecord && rec->slot[0].extraLength >= 0;
        out.append(hasRecord ? rec->slot[0].magic : STRING_MAGIC, 4);
        appendI32(out, static_cast<std::int32_t>(label.text.size()));
        for (char16_t unit : label.text) {
            const unsigned inverted = ~static_cast<unsigned>(unit) & 0xFFFFu;
            out += static_cast<char>(inverted & 0xFF);
            out += static_cast<char>(inverted >> 8);
        }
        if (wide) {
            appendI32(out, rec->slot[0].extraLength);
            out.append(reinterpret_cast<const char*>(d + rec->slot[0].extraOffset),
                       static_cast<std::size_t>(rec->slot[0].extraLength));
        }
    }
    if (!rec) return;
    // The records after the first (all of them when the text was not set).
    const std::size_t from = label.textSet ? firstRecordEnd(*rec) : rec->nameOffset + static_cast<std::size_t>(rec->nameLength);
    out.append(reinterpret_cast<const char*>(d + from), rec->offset + std::size_t{rec->size} - from);
}

TableSave CsfEditPlan::save(const std::string& target, WorkProgress* progress) {
    if (!table_) return TableSave::NOTHING_PLANNED;
    if (size_ > TABLE_LIMIT) return TableSave::TABLE_TOO_LARGE;
    if (platform::fileStamp(table_->resolvedPath().c_str()) != stamp_) return TableSave::TABLE_CHANGED;
    const std::vector<unsigned char>& d = table_->bytes();

    ReplacingFile file;
    if (!file.create(target)) return TableSave::CANNOT_CREATE;
    std::FILE* out = file.stream();
    if (progress) progress->begin(size_);

    unsigned char head[CsfArchive::HEADER_SIZE];
    std::memcpy(head, d.data(), sizeof head);
    le::setI32(head + 8, static_cast<std::int32_t>(table_->header().labelCount + count() - table_->recordCount()));
    le::setI32(head + 12, static_cast<std::int32_t>(table_->header().stringCount + stringDelta_));
    bool ok = writeBlocks(out, head, sizeof head, progress);

    // Runs of untouched labels lying one after another go out as one piece;
    // an edited label is built in a small buffer of its own.
    std::size_t runStart = 0, runEnd = 0;
    std::string built;
    for (const PlannedLabel& label : labels_) {
        if (!ok) break;
        if (untouched(label)) {
            const CsfLabelRecord& rec = table_->records()[static_cast<std::size_t>(label.record)];
            if (rec.offset != runEnd) {
                ok = writeBlocks(out, d.data() + runStart, runEnd - runStart, progress);
                runStart = rec.offset;
            }
            runEnd = std::size_t{rec.offset} + rec.size;
            continue;
        }
        ok = writeBlocks(out, d.data() + runStart, runEnd - runStart, progress);
        runStart = runEnd = 0;
        built.clear();
        buildLabel(label, built);
        ok = ok && writeBlocks(out, reinterpret_cast<const unsigned char*>(built.data()), built.size(), progress);
    }
    ok = ok && writeBlocks(out, d.data() + runStart, runEnd - runStart, progress);
    // Whatever followed the last label stays at the end.
    const std::size_t tail = table_->labelsEnd();
    ok = ok && writeBlocks(out, d.data() + tail, d.size() - tail, progress);
    if (!ok) return TableSave::WRITE_FAILED;
    if (platform::fileStamp(table_->resolvedPath().c_str()) != stamp_) return TableSave::TABLE_CHANGED;
    if (!file.commit()) return TableSave::WRITE_FAILED;
    return TableSave::SAVED;
}

bool CsfEditPlan::utf16FromUtf8(const std::string& in, std::u16string& out) {
    std::u16string result;
    result.reserve(in.size());
    const char* const stop = in.data() + in.size();
    for (const char* p = in.data(); p < stop;) {
        std::uint32_t cp = 0;
        const std::size_t length = decodeUtf8(p, stop, cp);
        if (length == 0) return false;
        if (cp >= 0x10000) {
            result += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            result += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            result += static_cast<char16_t>(cp);
        }
        p += length;
    }
    out = std::move(result);
    return true;
}

std::string CsfEditPlan::utf8FromUtf16(const std::u16string& in) {
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        unsigned u = in[i];
        if (u >= 0xD800 && u <= 0xDFFF) {
            const unsigned low = i + 1 < in.size() ? in[i + 1] : 0;
            if (u <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
            u = 0xFFFD;
        }
        appendUtf8(out, u);
    }
    return out;
}
