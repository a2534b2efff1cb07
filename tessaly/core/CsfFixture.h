// Builds CSF string tables as bytes, for tests, benchmarks and the sample
// run. Texts are given as 16-bit code units and stored inverted, as the
// format wants; every field can be set to any value, broken ones included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct CsfFixtureText {
    CsfFixtureText() = default;
    CsfFixtureText(std::u16string text) : units(std::move(text)) {}
    std::u16string units;
    bool wide = false;          // "WRTS" record: carries `extra` after the text
    std::string extra;
    std::optional<std::int32_t> lengthField;  // unset: the real number of units
    std::string magic;          // four bytes; empty: " RTS" or "WRTS" as `wide` says
};

struct CsfFixtureLabel {
    std::string name;
    std::vector<CsfFixtureText> texts;
    std::optional<std::int32_t> stringCountField;  // unset: the real number of texts
    std::optional<std::int32_t> nameLengthField;   // unset: the real name length
    std::string magic = " LBL";                    // four bytes
};

struct CsfFixtureHeader {
    std::int32_t secondWord = 3;
    std::optional<std::int32_t> labelCount;   // unset: the real number of labels
    std::optional<std::int32_t> stringCount;  // unset: the real number of texts
    std::int32_t fifthWord = 0;
    std::int32_t sixthWord = 0;
};

// One label record with its string records.
std::string csfLabelBytes(const CsfFixtureLabel& label);
// A whole table: the header, then the labels in order.
std::string csfTableBytes(const std::vector<CsfFixtureLabel>& labels, const CsfFixtureHeader& header = {});
// A label with one text, the text given as 8-bit Latin-1 characters.
CsfFixtureLabel csfLabel(const std::string& name, const std::string& latin1Text);
// Latin-1 characters as code units.
std::u16string latin1Units(const std::string& text);
// The benchmarks' table: `labels` labels "BENCH:Label000000"... with one text
// each, every tenth with characters beyond Latin-1.
std::string csfBenchTable(int labels);
