#include "AssetDumpReference.h"

#include <cstdarg>
#include <cstdio>

namespace {

class Input {
public:
    Input(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    unsigned char at(std::size_t i) const { return i < size_ ? bytes_[i] : 0; }
    std::string text(std::size_t from, std::size_t length) const {
        std::string out;
        for (std::size_t i = 0; i < length; ++i) out.push_back(static_cast<char>(at(from + i)));
        return out;
    }
    std::uint32_t u16(std::size_t from) const { return at(from) | (at(from + 1) << 8u); }
    std::int32_t i32(std::size_t from) const {
        std::uint32_t v = 0;
        for (int k = 3; k >= 0; --k) v = (v << 8) | at(from + static_cast<std::size_t>(k));
        return static_cast<std::int32_t>(v);
    }
    std::size_t size() const { return size_; }

private:
    const unsigned char* bytes_;
    std::size_t size_;
};

// Up to the first zero byte.
std::string untilZero(const std::string& text) { return text.substr(0, text.find('\0')); }

// A name or text as a line shows it: up to its first zero byte, at most 63
// characters.
std::string shown(const std::string& text) { return untilZero(text.substr(0, 63)); }

// A stored type tag as a line shows it: a known one by its name (its first
// three bytes decide), any other as its bytes up to a zero byte.
std::string shownTag(const std::string& stored) {
    static const char* const TAGS[][2] = {{"HSEM", "MESH"}, {"REIH", "HIER"}, {"DOLH", "HLOD"}, {"MINA", "ANIM"},
                                          {"TRAP", "PART"}, {"XOB ", "BOX "}, {"XET ", "TEX "}};
    for (const auto& tag : TAGS)
        if (stored.compare(0, 3, tag[0], 3) == 0) return tag[1];
    return untilZero(stored);
}

// Formats one line and appends it with its line end.
void addLine(std::string& out, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    out += line;
    out += '\n';
}

}  // namespace

ReferenceDump referenceAssetDump(const unsigned char* bytes, std::size_t size) {
    ReferenceDump dump;
    if (size == 0) return dump;
    const Input in(bytes, size);
    const std::string separator(49, '=');
    const std::uint32_t entryCount = static_cast<std::uint32_t>(in.i32(8));
    addLine(dump.text, "%s", separator.c_str());
    addLine(dump.text, "HEADER: [%s][%d %d %d]", untilZero(in.text(0, 4)).c_str(), in.i32(4), in.i32(8),
            in.i32(12));
    addLine(dump.text, "%s", separator.c_str());

    enum class Section { ENTRIES, MODELS, STRINGS };
    Section section = entryCount == 0 ? Section::STRINGS : Section::ENTRIES;
    std::uint32_t entriesSeen = 0;
    std::uint32_t modelsLeft = 0;
    for (std::size_t p = 16; p < in.size();) {
        const std::size_t n = in.at(p);
        const std::string name = in.text(p + 1, n);
        if (section == Section::ENTRIES) {
            modelsLeft = in.u16(p + 1 + n + 8);
            addLine(dump.text, "ENTRY:  [%2d] %s [%d]", static_cast<int>(n), shown(name).c_str(),
                    static_cast<int>(modelsLeft));
            ++entriesSeen;
            if (modelsLeft > 0)
                section = Section::MODELS;
            else if (entriesSeen == entryCount)
                section = Section::STRINGS;
            p += n + 11;
        } else if (section == Section::MODELS) {
            const std::size_t fields = p + 1 + n;
            addLine(dump.text, " model  [%2d] %s  %s [%d %d]", static_cast<int>(n),
                    shownTag(in.text(fields, 4)).c_str(), shown(name).c_str(), in.i32(fields + 8),
                    in.i32(fields + 4));
            if (modelsLeft > 0) --modelsLeft;
            if (modelsLeft == 0) section = entriesSeen == entryCount ? Section::STRINGS : Section::ENTRIES;
            p += n + 13;
        } else {
            if (dump.stringSectionOffset == 0) dump.stringSectionOffset = static_cast<std::int32_t>(p);
            // A byte before a byte 0, 1 or 2, and a length 0, 1 or 2, are
            // stepped over; anything else is a length and its text.
            if (in.at(p + 1) <= 2 || n <= 2) {
                ++p;
                continue;
            }
            const bool modelFile = untilZero(name).find(".w3d") != std::string::npos;
            addLine(dump.text, "%s[%d] %s", modelFile ? "STRING: " : " string ", static_cast<int>(n),
                    shown(name).c_str());
            p += n + 1;
        }
    }
    return dump;
}
