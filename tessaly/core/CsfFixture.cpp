#include "CsfFixture.h"

#include <cstdio>

#include "ByteOrder.h"

std::u16string latin1Units(const std::string& text) {
    std::u16string units;
    for (char c : text) units.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return units;
}

CsfFixtureLabel csfLabel(const std::string& name, const std::string& latin1Text) {
    CsfFixtureLabel label;
    label.name = name;
    CsfFixtureText text;
    text.units = latin1Units(latin1Text);
    label.texts.push_back(text);
    return label;
}

std::string csfLabelBytes(const CsfFixtureLabel& label) {
    std::string out = label.magic;
    le::appendU32(out,
                  static_cast<std::uint32_t>(label.stringCountField.value_or(static_cast<std::int32_t>(label.texts.size()))));
    le::appendU32(out,
                  static_cast<std::uint32_t>(label.nameLengthField.value_or(static_cast<std::int32_t>(label.name.size()))));
    out += label.name;
    for (const CsfFixtureText& text : label.texts) {
        out += !text.magic.empty() ? text.magic : text.wide ? "WRTS" : " RTS";
        le::appendU32(out,
                      static_cast<std::uint32_t>(text.lengthField.value_or(static_cast<std::int32_t>(text.units.size()))));
        for (char16_t u : text.units) {
            std::uint16_t inverted = static_cast<std::uint16_t>(~u);
            out.push_back(static_cast<char>(inverted & 0xFF));
            out.push_back(static_cast<char>(inverted >> 8));
        }
        if (text.wide) {
            le::appendU32(out, static_cast<std::uint32_t>(text.extra.size()));
            out += text.extra;
        }
    }
    return out;
}

std::string csfTableBytes(const std::vector<CsfFixtureLabel>& labels, const CsfFixtureHeader& header) {
    std::size_t texts = 0;
    for (const CsfFixtureLabel& label : labels) texts += label.texts.size();
    std::string out = " FSC";
    le::appendU32(out, static_cast<std::uint32_t>(header.secondWord));
    le::appendU32(out,
                  static_cast<std::uint32_t>(header.labelCount.value_or(static_cast<std::int32_t>(labels.size()))));
    le::appendU32(out, static_cast<std::uint32_t>(header.stringCount.value_or(static_cast<std::int32_t>(texts))));
    le::appendU32(out, static_cast<std::uint32_t>(header.fifthWord));
    le::appendU32(out, static_cast<std::uint32_t>(header.sixthWord));
    for (const CsfFixtureLabel& label : labels) out += csfLabelBytes(label);
    return out;
}

std::string csfBenchTable(int labels) {
    CsfFixtureHeader header;
    header.labelCount = labels;
    header.stringCount = labels;
    std::string bytes = csfTableBytes({}, header);
    for (int i = 0; i < labels; ++i) {
        char name[40];
        std::snprintf(name, sizeof name, "BENCH:Label%06d", i);
        CsfFixtureLabel label = csfLabel(name, "Text of label number " + std::to_string(i) + ", with some words");
        if (i % 10 == 0) label.texts[0].units += u"\u0416\u4E2D\u00FF";
        bytes += csfLabelBytes(label);
    }
    return bytes;
}
