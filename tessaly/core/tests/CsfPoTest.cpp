// String tables as PO files: every generated table comes back byte for byte
// over itself, plain tables come back without a base, a translation takes
// its texts from msgstr, and a malformed PO file is refused at its line.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "CsfArchive.h"
#include "CsfFixture.h"
#include "CsfPo.h"
#include "testkit/TestKit.h"

using namespace std::string_literals;

namespace {

CsfFixtureText wideText(std::u16string units, std::string extra) {
    CsfFixtureText text(std::move(units));
    text.wide = true;
    text.extra = std::move(extra);
    return text;
}

CsfFixtureLabel label(std::string name, std::vector<CsfFixtureText> texts) {
    CsfFixtureLabel l;
    l.name = std::move(name);
    l.texts = std::move(texts);
    return l;
}

const std::u16string BREAKS = u"line one\nline two\r\n\t\"quoted\" back\\slash \u0001\u007F end\n";
const std::u16string WIDE = u"\u00E9\u0416\u4E2D\uFEFF\U0001F600\U00010000\U0010FFFF";

// Tables whose every record a PO file holds.
std::vector<std::pair<const char*, std::string>> plainTables() {
    return {
        {"empty", csfTableBytes({})},
        {"texts", csfTableBytes({label("T:Breaks", {BREAKS}), label("T:Wide", {WIDE}), label("T:Empty", {u""s}),
                                 label("Caf\xE9 #", {u"latin-1 name"s}), label("", {u"no name"s})})},
        // A name ending in '#' and digits next to a label whose second record is "#2".
        {"records", csfTableBytes({label("R:Three", {u"one"s, u"two"s, u"\n"s}), label("R:Three#2", {u"x"s, u"y"s}),
                                   label("R:Three#2#1", {u"z"s}), label("R:#07", {u"seven"s})})},
    };
}

// Tables with what only a base keeps.
std::vector<std::pair<const char*, std::string>> baseOnlyTables() {
    std::vector<std::pair<const char*, std::string>> tables;
    tables.push_back({"extras", csfTableBytes({label("R:None", {}), label("R:Extras", {wideText(u"a", "a_01"), wideText(u"", "\0\xFF"s)})})});
    const std::u16string lone = {u'a', 0xD800, u'b'};
    tables.push_back({"unheld", csfTableBytes({label("L:Lone", {u"fine"s, lone}), label("L:Zero", {u"a\0b"s}),
                                               label("L:Ctl\t", {u"tab"s}), label("L:Lone", {u"again"s})})});
    CsfFixtureLabel odd = label("odd", {u"t"s});
    odd.magic = "LBL ";
    odd.texts[0].magic = "XYZ\0"s;
    CsfFixtureLabel negative = label("N:Negative", {});
    negative.stringCountField = -7;
    CsfFixtureHeader header;
    header.secondWord = -2;
    header.fifthWord = 0x7FFFFFFF;
    header.stringCount = 99;
    tables.push_back({"flags", csfTableBytes({odd, negative, csfLabel("Z", "z")}, header)});
    header = CsfFixtureHeader();
    header.labelCount = 3;
    tables.push_back({"cut", csfTableBytes({csfLabel("A", "a"), csfLabel("B", "b")}, header) + " LBL\x01\0\0"s});
    return tables;
}

class CsfPo : public ::testing::Test {
protected:
    CsfArchive& load(const std::string& bytes) {
        const std::string path = dir_.file("t" + std::to_string(archives_.size()) + ".csf");
        testkit::writeFile(path, bytes);
        archives_.emplace_back(new CsfArchive);
        EXPECT_TRUE(archives_.back()->load(path.c_str()));
        return *archives_.back();
    }
    std::string toPo(const CsfArchive& table, const CsfArchive* source = nullptr) {
        std::string po;
        omitted_.clear();
        csfToPo(table, source, "t.csf", po, omitted_);
        return po;
    }
    // The table a PO file builds; empty, with the failure, when it is refused.
    std::string fromPo(const std::string& po, const CsfArchive* base = nullptr) {
        std::vector<CsfPoEntry> entries;
        std::string table;
        EXPECT_TRUE(csfReadPo(po.data(), po.size(), entries, error_)) << error_.line << ": " << error_.reason << "\n" << po;
        EXPECT_TRUE(csfFromPo(entries, base, table, error_)) << error_.line << ": " << error_.reason << "\n" << po;
        return table;
    }

    testkit::TempDir dir_;
    std::vector<std::unique_ptr<CsfArchive>> archives_;
    std::vector<CsfPoOmission> omitted_;
    CsfPoError error_;
};

}  // namespace

TEST_F(CsfPo, EveryGeneratedTableComesBackOverItselfAndPlainOnesWithoutABase) {
    for (const auto& [name, bytes] : plainTables()) {
        SCOPED_TRACE(name);
        const CsfArchive& table = load(bytes);
        const std::string po = toPo(table);
        EXPECT_TRUE(omitted_.empty());
        EXPECT_EQ(fromPo(po), bytes) << po;
        EXPECT_EQ(fromPo(po, &table), bytes) << po;
    }
    for (const auto& [name, bytes] : baseOnlyTables()) {
        SCOPED_TRACE(name);
        const CsfArchive& table = load(bytes);
        const std::string po = toPo(table);
        EXPECT_EQ(fromPo(po, &table), bytes) << po;
        EXPECT_NE(fromPo(po), bytes) << po;
    }
    // What a PO file cannot hold is left out, each named.
    toPo(load(baseOnlyTables()[1].second));
    ASSERT_EQ(omitted_.size(), 4u);
    EXPECT_EQ(omitted_[0].label, "L:Ctl\\x09");
    EXPECT_EQ(omitted_[1].label, "L:Lone");
    EXPECT_EQ(omitted_[1].record, 0u);  // the second label of the name
    EXPECT_EQ(omitted_[2].record, 2u);
    EXPECT_NE(omitted_[2].reason.find("lone surrogate (U+D800)"), std::string::npos) << omitted_[2].reason;
    EXPECT_EQ(omitted_[3].label, "L:Zero");
}

TEST_F(CsfPo, TemplateIsPlainGettextPo) {
    const std::string po = toPo(load(csfTableBytes({label("GUI:Start", {u"Say \"hi\"\\\tnow"s, u"one\ntwo"s}),
                                                    label("MAP#2", {u"\U0001F600\n"s})})));
    EXPECT_EQ(po.substr(0, po.find("\n\n")),
              "msgid \"\"\nmsgstr \"\"\n\"Project-Id-Version: t.csf\\n\"\n\"PO-Revision-Date: \\n\"\n"
              "\"Last-Translator: \\n\"\n\"Language-Team: \\n\"\n\"Language: \\n\"\n\"MIME-Version: 1.0\\n\"\n"
              "\"Content-Type: text/plain; charset=UTF-8\\n\"\n\"Content-Transfer-Encoding: 8bit\\n\"\n"
              "\"X-Generator: modtools\\n\"");
    EXPECT_EQ(po.substr(po.find("\n\n") + 1),
              "\nmsgctxt \"GUI:Start\"\nmsgid \"Say \\\"hi\\\"\\\\\\tnow\"\nmsgstr \"\"\n"
              "\nmsgctxt \"GUI:Start#2\"\nmsgid \"\"\n\"one\\n\"\n\"two\"\nmsgstr \"\"\n"
              "\nmsgctxt \"MAP#2#1\"\nmsgid \"\xF0\x9F\x98\x80\\n\"\nmsgstr \"\"\n");
}

TEST_F(CsfPo, ATranslationTakesMsgstrAndKeepsWhatOnlyOneSideHas) {
    const CsfArchive& source = load(csfTableBytes({label("A", {u"Yes"s, u"No"s}), label("S:Only", {u"New"s}), label("B", {u"Hello"s})}));
    CsfFixtureHeader header;
    header.fifthWord = 5;
    const std::string translated = csfTableBytes({label("B", {wideText(u"Hallo", "b_01")}), label("T:Only", {u"Alt"s}),
                                                  label("A", {u"Ja"s})}, header);
    const CsfArchive& table = load(translated);
    std::string po = toPo(table, &source);
    std::vector<CsfPoEntry> entries;
    ASSERT_TRUE(csfReadPo(po.data(), po.size(), entries, error_)) << error_.reason;
    ASSERT_EQ(entries.size(), 6u) << po;  // the header and one entry a record, the source's order first
    const char* expected[][4] = {{"A", "Yes", "Ja", ""},
                                 {"A#2", "No", "", "#. only in the source table"},
                                 {"S:Only", "New", "", "#. only in the source table"},
                                 {"B", "Hello", "Hallo", ""},
                                 {"T:Only", "Alt", "Alt", "#. not in the source table"}};
    for (std::size_t e = 1; e < entries.size(); ++e) {
        SCOPED_TRACE(e);
        EXPECT_EQ(entries[e].context, expected[e - 1][0]);
        EXPECT_EQ(entries[e].id, expected[e - 1][1]);
        EXPECT_EQ(entries[e].str, expected[e - 1][2]);
        EXPECT_EQ(entries[e].comments, std::vector<std::string>(*expected[e - 1][3] ? 1 : 0, expected[e - 1][3]));
    }
    EXPECT_EQ(fromPo(po, &table), csfTableBytes({label("B", {wideText(u"Hallo", "b_01")}), label("T:Only", {u"Alt"s}),
                                                 label("A", {u"Ja"s, u"No"s}), label("S:Only", {u"New"s})}, header));

    // The translator's edits as gettext's tools write them: escapes, strings
    // over several lines, a fuzzy entry (its msgid is taken), an obsolete one.
    po.replace(po.find("msgid \"No\"\nmsgstr \"\""), 20, "msgid \"No\"\nmsgstr \"N\"\n\"ein\\a\\303\\251\\x41\"");
    po.replace(po.find("msgctxt \"B\""), 0, "#, fuzzy\n");
    po.replace(po.find("msgstr \"Alt\""), 12, "msgstr \"Alt\\v\"");
    po += "\n#~ msgctxt \"Gone\"\n#~ msgid \"Old\"\n#~ msgstr \"Alt\"\n";
    EXPECT_EQ(fromPo(po), csfTableBytes({label("A", {u"Ja"s, u"Nein\a\u00E9A"s}), label("S:Only", {u"New"s}),
                                         label("B", {u"Hello"s}), label("T:Only", {u"Alt\v"s})}));
}

TEST_F(CsfPo, MalformedPoIsRefusedAtItsLine) {
    const std::string head = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
    struct Case {
        std::string text;
        std::size_t line;
    };
    const Case cases[] = {
        {head + "msgctxt \"A\"\nmsgid \"\\q\"\nmsgstr \"\"\n", 5},
        {head + "msgctxt \"A\"\nmsgid \"a\\x\"\nmsgstr \"\"\n", 5},
        {head + "msgctxt \"A\"\nmsgid \"\\000\"\nmsgstr \"\"\n", 5},
        {head + "msgctxt \"A\"\nmsgid \"\\303\"\nmsgstr \"\"\n", 5},
        {head + "msgctxt \"A\"\nmsgstr \"\"\n", 5},
        {head + "msgstr \"x\"\n", 4},
        {head + "msgctxt \"A\"\nmsgid \"a\nmsgstr \"\"\n", 5},
        {head + "msgctxt \"A\"\nmsgid \"a\" b\nmsgstr \"\"\n", 5},
        {head + "msgctxt \"A\"\nmsgid \"\xC3(\"\nmsgstr \"\"\n", 5},
        {head + "# \xFF\n", 4},
        {head + "msgctxt \"A\"\nmsgid \"a\"\nmsgstr \"\"\n\nmsgctxt \"A\"\nmsgid \"a\"\nmsgstr \"x\"\n", 8},
        {head + "msgctxt \"A\"\nmsgid \"a\"\nmsgid_plural \"as\"\nmsgstr[0] \"\"\n", 6},
        {head + "msgctxt \"A\"\nmsgid \"a\"\nmsgstr[0] \"\"\n", 6},
        {head + "msgctxt \"A\"\nmsgid \"a\"\n", 4},
        {head + "msgctxt \"A\"\n# note\nmsgid \"a\"\nmsgstr \"\"\n", 5},
        {head + "msgid \"a\"\nmsgstr \"\"\n", 4},
        {head + "# c\n\"stray\"\n", 5},
        {head + "msgtext \"a\"\n", 4},
        {"msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n", 1},
        // Well-formed PO that makes no table: two entries for one record, a
        // record missing, a name a table cannot hold.
        {head + "msgctxt \"A\"\nmsgid \"a\"\nmsgstr \"\"\n\nmsgctxt \"A\"\nmsgid \"b\"\nmsgstr \"\"\n", 8},
        {head + "msgctxt \"A#3\"\nmsgid \"a\"\nmsgstr \"\"\n\nmsgctxt \"A\"\nmsgid \"b\"\nmsgstr \"\"\n", 4},
        {head + "msgctxt \"A#02\"\nmsgid \"a\"\nmsgstr \"\"\n", 4},
        {head + "msgctxt \"\xE4\xB8\xAD\"\nmsgid \"a\"\nmsgstr \"\"\n", 4},
        {head + "msgctxt \"A\\tB\"\nmsgid \"a\"\nmsgstr \"\"\n", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<CsfPoEntry> entries;
        CsfPoError error;
        std::string table = "left over";
        const bool read = csfReadPo(c.text.data(), c.text.size(), entries, error);
        EXPECT_FALSE(read && csfFromPo(entries, nullptr, table, error));
        EXPECT_EQ(error.line, c.line) << error.reason;
        EXPECT_FALSE(error.reason.empty());
        if (read) {
            EXPECT_TRUE(table.empty());
        }
    }
    // A base whose header does not count its labels takes no new label.
    std::vector<CsfPoEntry> entries;
    const std::string added = head + "msgctxt \"New\"\nmsgid \"a\"\nmsgstr \"\"\n";
    ASSERT_TRUE(csfReadPo(added.data(), added.size(), entries, error_));
    std::string table;
    EXPECT_FALSE(csfFromPo(entries, &load(baseOnlyTables()[3].second), table, error_));
    EXPECT_EQ(error_.line, 4u);
}
