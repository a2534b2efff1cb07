// The text form of string tables: every generated table comes back byte for
// byte through text, and a malformed line is reported with its number. The
// streamed forms (to-text and from-text between files, through buffers) give
// exactly what the in-memory ones give, across their buffers' edges.
#include <gtest/gtest.h>

#include <cstring>

#include "CsfArchive.h"
#include "CsfFixture.h"
#include "CsfTableReader.h"
#include "CsfText.h"
#include "platform/Platform.h"
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

// Tables that together hold every kind of byte the text form must keep.
std::vector<std::pair<const char*, std::string>> generatedTables() {
    std::vector<std::pair<const char*, std::string>> tables;
    tables.push_back({"empty", csfTableBytes({})});
    tables.push_back({"plain", csfTableBytes({csfLabel("GUI:Start", "Start"), csfLabel("GUI:Quit", "Quit \xE9")})});
    const std::u16string breaks = u"line one\nline two\r\n\t\"quoted\" back\\slash \u0001\u007F end";
    const std::u16string wideChars = u"\u00E9\u0416\u4E2D\uFEFF\U0001F600\U00010000\U0010FFFF";
    const std::u16string loneSurrogates = {0xD800, u'a', 0xDC00, 0xDBFF, 0xDFFF, 0xDFFF, 0xD800, 0, 0xD83D};
    tables.push_back({"texts", csfTableBytes({label("T:Breaks", {breaks}), label("T:Wide", {wideChars}),
                                              label("T:Lone", {loneSurrogates}), label("T:Empty", {u""s})})});
    tables.push_back({"records", csfTableBytes({label("R:None", {}),
                                                label("R:Three", {u"one"s, wideText(u"two", "two_01"), u"three"s}),
                                                label("R:Extras", {wideText(u"", ""), wideText(u"x", "\0\xFF\"\\\n"s)})})});
    CsfFixtureLabel odd = label("odd \"name\" \\ \x01\xE9\0end"s, {u"t"s});
    odd.magic = "LBL ";
    odd.texts[0].magic = "XYZ\0"s;
    CsfFixtureLabel negative = label("N:Negative", {});
    negative.stringCountField = -7;
    CsfFixtureHeader header;
    header.secondWord = -2;
    header.fifthWord = 0x7FFFFFFF;
    header.sixthWord = static_cast<std::int32_t>(0x80000000u);
    header.stringCount = 99;
    tables.push_back({"flags", csfTableBytes({odd, negative, csfLabel("Z", "z")}, header)});
    // Counts that stop the labels early leave bytes no label holds.
    header = CsfFixtureHeader();
    header.labelCount = 1;
    tables.push_back({"fewer", csfTableBytes({csfLabel("A", "a"), csfLabel("B", "b")}, header)});
    header.labelCount = 3;
    tables.push_back({"cut", csfTableBytes({csfLabel("A", "a"), csfLabel("B", "b")}, header) + " LBL\x01\0\0"s});
    return tables;
}

}  // namespace

TEST(CsfText, EveryGeneratedTableComesBackByteForByte) {
    testkit::TempDir dir;
    for (const auto& [name, bytes] : generatedTables()) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(std::string(name) + ".csf");
        testkit::writeFile(path, bytes);
        CsfArchive archive;
        ASSERT_TRUE(archive.load(path.c_str()));
        std::string text;
        csfToText(archive, text);
        std::string back;
        CsfTextError error;
        ASSERT_TRUE(csfFromText(text.data(), text.size(), back, error)) << error.line << ": " << error.reason << "\n"
                                                                        << text;
        EXPECT_EQ(back, bytes) << text;
    }
}

TEST(CsfText, TextIsReadableUtf8WithLoneSurrogatesEscaped) {
    testkit::TempDir dir;
    const std::string path = dir.file("t.csf");
    CsfFixtureLabel l = label("T:One", {std::u16string(u"Caf\u00E9 \"x\"\n\U0001F600") + char16_t(0xDC01)});
    testkit::writeFile(path, csfTableBytes({l, label("T:Two", {wideText(u"Hail", "hail_01")})}));
    CsfArchive archive;
    ASSERT_TRUE(archive.load(path.c_str()));
    std::string text;
    csfToText(archive, text);
    EXPECT_EQ(text,
              "csf-text 1\nversion 3\nwords 0 0\n"
              "label \"T:One\"\n  text \"Caf\xC3\xA9 \\\"x\\\"\\n\xF0\x9F\x98\x80\\uDC01\"\n"
              "label \"T:Two\"\n  text \"Hail\" extra \"hail_01\"\n");
}

TEST(CsfText, HandWrittenTextWithCommentsBomAndCrLfGivesTheTable) {
    const std::string text =
        "\xEF\xBB\xBF# edited by hand\r\ncsf-text 1\r\n\r\nlabel \"A\"\r\n\ttext \"a\\u0041\"  # trailing\r\n"
        "label \"B\" \r\n text \"\xF0\x9F\x98\x80\"\r\n";
    std::string table;
    CsfTextError error;
    ASSERT_FALSE(csfFromText(text.data(), text.size(), table, error));  // a comment after a value is not allowed
    EXPECT_EQ(error.line, 5u);

    const std::string fixed = text.substr(0, text.find("  # trailing")) + text.substr(text.find("\r\nlabel \"B\""));
    ASSERT_TRUE(csfFromText(fixed.data(), fixed.size(), table, error)) << error.reason;
    EXPECT_EQ(table, csfTableBytes({label("A", {u"aA"s}), label("B", {u"\U0001F600"s})}));
}

TEST(CsfText, MalformedLinesAreReportedWithTheirNumber) {
    struct Case {
        const char* text;
        std::size_t line;
    };
    const Case cases[] = {
        {"label \"A\"\n", 1},
        {"csf-text 2\n", 1},
        {"csf-text 1\ntext \"a\"\n", 2},
        {"csf-text 1\nlabel \"A\"\nversion 3\n", 3},
        {"csf-text 1\nlabel A\n", 2},
        {"csf-text 1\nlabel \"A\n", 2},
        {"csf-text 1\nlabel \"A\" count 2\n", 2},
        {"csf-text 1\nlabel \"A\" count -1\ntext \"a\"\n", 3},
        {"csf-text 1\nlabel \"A\" magic \"LB\"\n", 2},
        {"csf-text 1\nlabel \"A\" flags 1\n", 2},
        {"csf-text 1\nlabel \"A\"\n\ntext \"\\q\"\n", 4},
        {"csf-text 1\nlabel \"A\"\ntext \"\\u12\"\n", 3},
        {"csf-text 1\nlabel \"A\"\ntext \"\\x41\"\n", 3},
        {"csf-text 1\nlabel \"\\u0041\"\n", 2},
        {"csf-text 1\nlabel \"A\"\ntext \"\xC0\xAF\"\n", 3},
        {"csf-text 1\nlabel \"A\"\ntext \"\xED\xA0\x80\"\n", 3},
        {"csf-text 1\nlabel \"A\"\ntext \"a\x01\"\n", 3},
        {"csf-text 1\nlabel \"A\"\ntext \"a\" extra \"b\" magic \"WXYZ\"\n", 3},
        {"csf-text 1\nlabel \"A\"\ntext \"a\" magic \"WRTS\"\n", 3},
        {"csf-text 1\nwords 1\n", 2},
        {"csf-text 1\nversion 4294967296\n", 2},
        {"csf-text 1\ntail \"\"\nlabel \"A\"\n", 3},
        {"csf-text 1\nlabel \"A\" \"B\"\n", 2},
        {"csf-text 1\nlabels 1\n", 2},
        {"# only a comment\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string table = "left over";
        CsfTextError error;
        EXPECT_FALSE(csfFromText(c.text, std::strlen(c.text), table, error));
        EXPECT_EQ(error.line, c.line) << error.reason;
        EXPECT_FALSE(error.reason.empty());
        EXPECT_TRUE(table.empty());
    }
}

// A raw DEL used to be taken, though it is a control character the text
// form writes as an escape.
TEST(CsfText, ARawDelUsedToBeTakenAsText) {
    for (const char* text : {"csf-text 1\nlabel \"A\"\n  text \"a\x7F\"\n", "csf-text 1\nlabel \"A\"\nlabel \"B\x7F\"\n"}) {
        std::string table;
        CsfTextError error;
        EXPECT_FALSE(csfFromText(text, std::strlen(text), table, error)) << text;
        EXPECT_EQ(error.line, 3u);
        EXPECT_EQ(error.reason, "a control character must be written as an escape");
    }
}

// A text building a table past its 32-bit offsets used to be written whole,
// a table no reader takes. A smaller limit stands in for the format's own.
TEST(CsfText, ATablePastTheFormatsSizeUsedToBeWritten) {
    const std::string text = "csf-text 1\nlabel \"A\"\n  text \"abc\"\nlabel \"B\"\n";
    const std::string whole = csfTableBytes({label("A", {u"abc"s}), label("B", {})});
    std::string table;
    CsfTextError error;
    ASSERT_TRUE(csfFromText(text.data(), text.size(), table, error, whole.size())) << error.reason;
    EXPECT_EQ(table, whole);
    EXPECT_FALSE(csfFromText(text.data(), text.size(), table, error, whole.size() - 1));
    EXPECT_EQ(error.line, 4u) << "the last label takes it past the limit";
    EXPECT_NE(error.reason.find(std::to_string(whole.size() - 1) + " bytes"), std::string::npos) << error.reason;
    EXPECT_TRUE(table.empty());
}

namespace {

// Tables whose labels, tail or lines run past the streamed forms' buffers,
// and the generated ones cut short at places that leave a label half read.
std::vector<std::pair<std::string, std::string>> streamedTables() {
    std::vector<std::pair<std::string, std::string>> tables;
    for (const auto& [name, bytes] : generatedTables()) tables.push_back({name, bytes});
    std::u16string longText;
    for (int i = 0; i < 300000; ++i) longText += static_cast<char16_t>(i % 7 == 0 ? 0x4E2D : u'a' + i % 26);
    std::vector<CsfFixtureText> manyTexts(70000, CsfFixtureText(u"t"));
    const std::string large = csfTableBytes({csfLabel("A", "a"), label("LONG", {longText, wideText(u"x", "ex")}),
                                             label("MANY", manyTexts), csfLabel("Z", "z")});
    tables.push_back({"large", large});
    CsfFixtureHeader header;
    header.labelCount = 1;
    tables.push_back({"long tail", csfTableBytes({csfLabel("A", "a"), label("LONG", {longText})}, header)});
    const std::string records = generatedTables()[3].second;
    for (std::size_t cut : {std::size_t{30}, records.size() / 2, records.size() - 1})
        tables.push_back({"records cut at " + std::to_string(cut), records.substr(0, cut)});
    tables.push_back({"large cut", large.substr(0, large.size() - 300000)});
    return tables;
}

}  // namespace

TEST(CsfText, StreamedFormsGiveWhatTheInMemoryOnesGive) {
    testkit::TempDir dir;
    const std::string path = dir.file("t.csf"), textPath = dir.file("t.txt"), built = dir.file("built.csf");
    for (const auto& [name, bytes] : streamedTables()) {
        SCOPED_TRACE(name);
        testkit::writeFile(path, bytes);
        CsfArchive archive;
        ASSERT_TRUE(archive.load(path.c_str()));
        std::string text;
        csfToText(archive, text);

        CsfTableReader reader;
        ASSERT_TRUE(reader.open(path.c_str()));
        std::string failure;
        ASSERT_TRUE(csfWriteText(reader, textPath, failure)) << failure;
        EXPECT_EQ(testkit::readFile(textPath), text);
        EXPECT_EQ(reader.labelsRead(), archive.recordCount());

        std::string table;
        CsfTextError error;
        ASSERT_TRUE(csfFromText(text.data(), text.size(), table, error)) << error.reason;
        std::FILE* in = platform::openInputFile(textPath.c_str());
        ASSERT_NE(in, nullptr);
        std::int32_t labels = -1;
        EXPECT_EQ(csfBuildTable(in, built, error, labels, failure), CsfBuildResult::BUILT) << error.reason << failure;
        std::fclose(in);
        EXPECT_EQ(testkit::readFile(built), table);
        EXPECT_EQ(labels, archive.header().labelCount);
    }
    // Only the outputs are left: no temporary file of either writer.
    EXPECT_EQ(testkit::folderNames(dir.path()).size(), 3u);
}

TEST(CsfText, StreamedBuildRefusesWhatTheInMemoryOneRefuses) {
    testkit::TempDir dir;
    const std::string target = dir.file("kept.csf");
    testkit::writeFile(target, "an earlier table");
    const std::string longLine = "csf-text 1\nlabel \"A\"\n  text \"" + std::string(600000, 'x') + "\n";
    const std::string manyTexts = "csf-text 1\nlabel \"A\"\n" + std::string(400000, '\n') + "  text \"\\q\"\n";
    for (const std::string& text : {std::string("csf-text 1\nlabel \"A\"\n  text \"a\" extra\n"), longLine, manyTexts,
                                    std::string("\xEF\xBB\xBF# nothing but a comment")}) {
        SCOPED_TRACE(text.substr(0, 40));
        std::string table;
        CsfTextError expected, error;
        ASSERT_FALSE(csfFromText(text.data(), text.size(), table, expected));
        testkit::writeFile(dir.file("t.txt"), text);
        std::FILE* in = platform::openInputFile(dir.file("t.txt").c_str());
        ASSERT_NE(in, nullptr);
        std::int32_t labels = 0;
        std::string failure;
        EXPECT_EQ(csfBuildTable(in, target, error, labels, failure), CsfBuildResult::BAD_TEXT);
        std::fclose(in);
        EXPECT_EQ(error.line, expected.line);
        EXPECT_EQ(error.reason, expected.reason);
        // A malformed line is named before a target that cannot be written.
        in = platform::openInputFile(dir.file("t.txt").c_str());
        EXPECT_EQ(csfBuildTable(in, dir.file("missing/t.csf"), error, labels, failure), CsfBuildResult::BAD_TEXT);
        std::fclose(in);
    }
    // The format's size, as a smaller limit: the line that passes it is named.
    const std::string text = "csf-text 1\nlabel \"A\"\n  text \"abc\"\nlabel \"B\"\n";
    const std::size_t limit = csfTableBytes({label("A", {u"abc"s}), label("B", {})}).size() - 1;
    testkit::writeFile(dir.file("t.txt"), text);
    std::FILE* in = platform::openInputFile(dir.file("t.txt").c_str());
    std::int32_t labels = 0;
    std::string failure;
    CsfTextError error;
    EXPECT_EQ(csfBuildTable(in, target, error, labels, failure, limit), CsfBuildResult::BAD_TEXT);
    std::fclose(in);
    EXPECT_EQ(error.line, 4u);
    in = platform::openInputFile(dir.file("t.txt").c_str());
    EXPECT_EQ(csfBuildTable(in, dir.file("missing/t.csf"), error, labels, failure), CsfBuildResult::CANNOT_WRITE);
    std::fclose(in);
    EXPECT_FALSE(failure.empty());
    EXPECT_EQ(testkit::readFile(target), "an earlier table");
    EXPECT_EQ(testkit::folderNames(dir.path()).size(), 2u);
}
