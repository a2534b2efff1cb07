// Editing a string table in place: each change read back against a table
// built by the fixture writer, the refusals, and the original left as it was
// when the table changed on disk or the save was stopped.
#include <gtest/gtest.h>

#include "CsfArchive.h"
#include "CsfEdit.h"
#include "CsfFixture.h"
#include "WorkProgress.h"
#include "testkit/TestKit.h"

namespace {

using testkit::TempDir;

CsfFixtureText wideText(const std::u16string& units, const std::string& extra) {
    CsfFixtureText t(units);
    t.wide = true;
    t.extra = extra;
    return t;
}

class CsfEdit : public ::testing::Test {
protected:
    void SetUp() override {
        CsfFixtureLabel noText;
        noText.name = "EMPTY:None";
        noText.stringCountField = -1;
        CsfFixtureLabel spoken;
        spoken.name = "SPEECH:Hail";
        spoken.texts = {wideText(u"Hail", "hail_01"), CsfFixtureText(u"second")};
        labels_ = {csfLabel("GUI:Ok", "OK"), spoken, noText, csfLabel("GUI:Quit", "Quit")};
        header_.fifthWord = 7;
        header_.sixthWord = -2;
        testkit::writeFile(path(), csfTableBytes(labels_, header_) + tail_);
    }
    std::string path() const { return dir_.file("t.csf"); }
    void begin() {
        ASSERT_TRUE(table_.load(path().c_str()));
        std::string reason;
        ASSERT_TRUE(plan_.begin(table_, reason)) << reason;
    }

    TempDir dir_;
    std::vector<CsfFixtureLabel> labels_;
    CsfFixtureHeader header_;
    const std::string tail_ = std::string("\x01\x02tail", 6);
    CsfArchive table_;
    CsfEditPlan plan_;
};

TEST_F(CsfEdit, EachChangeIsSavedAndEverythingElseKeptByteForByte) {
    begin();
    const std::u16string text = u"\u041f\u0440\u0438\u0432\u0435\u0442\n\"\u4e16\u754c\"\t\U0001F600";
    ASSERT_EQ(plan_.setText(plan_.find("SPEECH:Hail"), text), LabelEdit::DONE);
    ASSERT_EQ(plan_.setText(plan_.find("EMPTY:None"), u"now"), LabelEdit::DONE);
    ASSERT_EQ(plan_.rename(plan_.find("GUI:Ok"), "GUI:Okay"), LabelEdit::DONE);
    ASSERT_EQ(plan_.add("NEW:One", u"first"), LabelEdit::DONE);
    ASSERT_EQ(plan_.add("NEW:Two", u"second"), LabelEdit::DONE);
    plan_.remove(plan_.find("NEW:One"));
    plan_.remove(plan_.find("GUI:Quit"));
    EXPECT_EQ(plan_.text(plan_.find("SPEECH:Hail")), text);
    ASSERT_EQ(plan_.save(path()), TableSave::SAVED);

    // The edited record keeps its magic and 8-bit part, the second record
    // stays; the label without texts gets one; the new label goes last, before
    // the bytes that followed the labels; the header's other words stay.
    std::vector<CsfFixtureLabel> expected = labels_;
    expected[0].name = "GUI:Okay";
    expected[1].texts[0] = wideText(text, "hail_01");
    expected[2].stringCountField.reset();
    expected[2].texts = {CsfFixtureText(u"now")};
    expected[3] = csfLabel("NEW:Two", "second");
    EXPECT_EQ(testkit::readFile(path()), csfTableBytes(expected, header_) + tail_);
    EXPECT_EQ(testkit::folderNames(dir_.path()), std::vector<std::string>{"t.csf"});

    // Nothing changed: the save gives the table back as it was.
    CsfArchive again;
    CsfEditPlan same;
    std::string reason;
    ASSERT_TRUE(again.load(path().c_str()));
    ASSERT_TRUE(same.begin(again, reason));
    ASSERT_EQ(same.save(dir_.file("copy.csf")), TableSave::SAVED);
    EXPECT_EQ(testkit::readFile(dir_.file("copy.csf")), testkit::readFile(path()));
}

TEST_F(CsfEdit, NamesAreComparedExactlyAndBadOnesRefused) {
    begin();
    EXPECT_EQ(plan_.add("GUI:Ok", u"x"), LabelEdit::NAME_TAKEN);
    EXPECT_EQ(plan_.add("gui:ok", u"x"), LabelEdit::DONE);  // labels differ by letter case
    EXPECT_EQ(plan_.rename(plan_.find("GUI:Quit"), "GUI:Ok"), LabelEdit::NAME_TAKEN);
    for (const std::string& bad : {std::string(), std::string(129, 'L'), std::string(" lead"), std::string("trail "),
                                   std::string("tab\tin"), std::string("caf\xC3\xA9")})
        EXPECT_EQ(plan_.add(bad, u"x"), LabelEdit::BAD_NAME) << bad;
    EXPECT_EQ(plan_.setText(99, u"x"), LabelEdit::NO_SUCH_LABEL);
    EXPECT_EQ(plan_.find("NOPE"), -1);
}

TEST_F(CsfEdit, ADamagedOrChangedTableIsLeftAsItWas) {
    const std::string whole = testkit::readFile(path());
    testkit::writeFile(path(), whole.substr(0, 40));  // ends inside the second label
    CsfArchive damaged;
    ASSERT_TRUE(damaged.load(path().c_str()));
    std::string reason;
    EXPECT_FALSE(plan_.begin(damaged, reason));
    EXPECT_NE(reason.find("damaged"), std::string::npos) << reason;

    testkit::writeFile(path(), whole);
    begin();
    ASSERT_EQ(plan_.add("NEW:One", u"x"), LabelEdit::DONE);
    testkit::writeFile(path(), whole + "x");  // written by someone else meanwhile
    EXPECT_EQ(plan_.save(path()), TableSave::TABLE_CHANGED);
    EXPECT_EQ(testkit::readFile(path()), whole + "x");
    EXPECT_EQ(testkit::folderNames(dir_.path()), std::vector<std::string>{"t.csf"});
}

TEST_F(CsfEdit, AStoppedSaveLeavesTheTableAsItWas) {
    const std::string whole = testkit::readFile(path());
    begin();
    ASSERT_EQ(plan_.add("NEW:One", u"x"), LabelEdit::DONE);
    WorkProgress progress;
    progress.stop = true;
    EXPECT_EQ(plan_.save(path(), &progress), TableSave::WRITE_FAILED);
    EXPECT_EQ(testkit::readFile(path()), whole);
    EXPECT_EQ(testkit::folderNames(dir_.path()), std::vector<std::string>{"t.csf"});
}

TEST(CsfEditText, Utf8IsCheckedBothWays) {
    std::u16string out = u"kept";
    for (const std::string& bad : {std::string("\xC0\xAF"), std::string("\xED\xA0\x80"), std::string("\xF4\x90\x80\x80"),
                                   std::string("\xE2\x82"), std::string("\x80")}) {
        EXPECT_FALSE(CsfEditPlan::utf16FromUtf8(bad, out));
        EXPECT_EQ(out, u"kept");
    }
    ASSERT_TRUE(CsfEditPlan::utf16FromUtf8("a\xC3\xA9\xE4\xB8\x96\xF0\x9F\x98\x80", out));
    EXPECT_EQ(out, u"a\u00e9\u4e16\U0001F600");
    EXPECT_EQ(CsfEditPlan::utf8FromUtf16(out), "a\xC3\xA9\xE4\xB8\x96\xF0\x9F\x98\x80");
    EXPECT_EQ(CsfEditPlan::utf8FromUtf16(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
