#include <gtest/gtest.h>

#include "ConfigFile.h"
#include "platform/Platform.h"
#include "testkit/TestKit.h"

using testkit::TempDir;

namespace {
// Writes a configuration file and loads it.
struct Loaded {
    TempDir dir;
    ConfigFile config;
    explicit Loaded(const std::string& text) : config((dir.file("cfg.txt")).c_str()) {
        testkit::writeFile(dir.file("cfg.txt"), text);
        EXPECT_TRUE(config.load());
    }
};
}  // namespace

TEST(ConfigSyntax, ConsecutiveKeysFirstWinsLaterLinesReplace) {
    EXPECT_STREQ(Loaded("A = 1\nA = 2\n").config.text("A"), "1");
    EXPECT_STREQ(Loaded("A = 1\nB = 3\nA = 2\n").config.text("A"), "2");
    // An empty value stores nothing but still becomes the last key.
    Loaded empty("A =\nA = 5\n");
    EXPECT_EQ(empty.config.entries().count("A"), 0u);
    EXPECT_STREQ(empty.config.text("A"), "");
}

TEST(ConfigSyntax, CommentsOnlyInColumnOne) {
    Loaded l("# c = 1\n* d = 2\n/ e = 3\n  # note = x\n");
    EXPECT_EQ(l.config.entries().size(), 1u);
    EXPECT_STREQ(l.config.text("#"), "note = x");
}

TEST(ConfigSyntax, KeysValuesAndBlanks) {
    Loaded l("\tKey1=Value one  \nKey2 ==  = v2\nnoequals here\n==Lead = x\nTab\t= y\r\n   \n");
    EXPECT_STREQ(l.config.text("Key1"), "Value one  ");
    EXPECT_STREQ(l.config.text("Key2"), "v2");
    EXPECT_STREQ(l.config.text("Lead"), "x");
    EXPECT_STREQ(l.config.text("Tab\t"), "y");  // a tab does not end a key
    EXPECT_STREQ(l.config.text("noequals"), "");
    EXPECT_EQ(l.config.text(""), nullptr);
}

TEST(ConfigSyntax, WindowsLineEndsReadTheSame) {
    Loaded l("Dir = C:\\x\r\nFile = $(Dir)\\y.w3d\r\n");
    EXPECT_STREQ(l.config.text("Dir"), "C:\\x");
    EXPECT_STREQ(l.config.text("File"), "C:\\x\\y.w3d");
}

TEST(ConfigExpansion, ReferencesSeeEarlierKeysOnly) {
    Loaded l("Dir = C:\\x\nFile = $(Dir)\\y.w3d\nNone = $(Nope)\\y\nPath = a)b$(Dir\nEarly = $(Late)z\nLate = L\n"
             "Twice = $(Dir)$(Dir)\n");
    EXPECT_STREQ(l.config.text("File"), "C:\\x\\y.w3d");
    EXPECT_STREQ(l.config.text("None"), "\\y");
    EXPECT_STREQ(l.config.text("Path"), "abC:\\x");
    EXPECT_STREQ(l.config.text("Early"), "z");
    EXPECT_STREQ(l.config.text("Twice"), "C:\\xC:\\x");
}

TEST(ConfigExpansion, AtMostTwentyFivePiecesAndValueLimit) {
    std::string value = "q$(Nope)";
    for (int i = 0; i < 30; ++i) value += "p)";
    Loaded l("V = " + value + "\nBig = " + std::string(1000, 'b') + "\nLong = $(Big)$(Big)\n");
    EXPECT_EQ(std::string(l.config.text("V")), "q" + std::string(24, 'p'));
    EXPECT_EQ(std::string(l.config.text("Long")).size(), 1023u);
}

TEST(ConfigLookups, BooleanIntegerAndAbsentKeys) {
    Loaded l("F1 = true\nF2 = TRUE \nF3 = false\nF4 = 1\nF5 = rue\nN = -42abc\nM = x\n");
    EXPECT_TRUE(l.config.boolean("F1"));
    EXPECT_TRUE(l.config.boolean("F2"));
    EXPECT_FALSE(l.config.boolean("F3"));
    EXPECT_FALSE(l.config.boolean("F4"));
    EXPECT_TRUE(l.config.boolean("F5"));
    EXPECT_FALSE(l.config.boolean("Absent"));
    EXPECT_EQ(l.config.integer("N"), -42);
    EXPECT_EQ(l.config.integer("M"), 0);
    EXPECT_EQ(l.config.integer(""), 0);
    EXPECT_EQ(l.config.entries().count("Absent"), 1u);  // a lookup inserts the key
}

TEST(ConfigLookups, ListsAndMaps) {
    Loaded l("L1 = {x, y}\nL2 = [x;y]\nL3 = x\nL4 = {a,,b;}\nI = [1, -2,x]\nM = {a=1,b=two,c}\nMI = {a=7;b=x}\n");
    std::vector<std::string> list;
    EXPECT_TRUE(l.config.textList("L1", list));
    EXPECT_EQ(list, (std::vector<std::string>{"x", " y"}));
    list.clear();
    l.config.textList("L2", list);
    EXPECT_EQ(list, (std::vector<std::string>{"x", "y"}));
    l.config.textList("L3", list);  // appends, does not clear
    EXPECT_EQ(list, (std::vector<std::string>{"x", "y", "x"}));
    list.clear();
    l.config.textList("L4", list);
    EXPECT_EQ(list, (std::vector<std::string>{"a", "b"}));
    list.clear();
    EXPECT_FALSE(l.config.textList("Absent", list));

    std::vector<int> ints;
    EXPECT_TRUE(l.config.integerList("I", ints));
    EXPECT_EQ(ints, (std::vector<int>{1, -2, 0}));

    std::map<std::string, std::string> map;
    EXPECT_TRUE(l.config.textMap("M", map));
    EXPECT_EQ(map, (std::map<std::string, std::string>{{"a", "1"}, {"b", "two"}}));
    std::map<std::string, int> imap;
    EXPECT_TRUE(l.config.integerMap("MI", imap));
    EXPECT_EQ(imap, (std::map<std::string, int>{{"a", 7}, {"b", 0}}));
}

TEST(ConfigLookups, ListValueIsCutAt512Characters) {
    std::string items;
    for (int i = 0; i < 200; ++i) items += "abcd,";
    std::vector<std::string> list = ConfigFile::splitList("{" + items + "}");
    // 512 characters: '{' and 102 whole items of five characters, then "a".
    ASSERT_EQ(list.size(), 103u);
    EXPECT_EQ(list.back(), "a");
}

TEST(ConfigNumberedNames, PrefixAndCount) {
    Loaded l("Names = Part: 3-7\nDown = P: 9-2\nOne = Q: 4\nNone = nothing\nLong = R: 12345-1\n");
    ASSERT_EQ(l.config.numberedNames("Names"), 5);
    EXPECT_STREQ(l.config.numberedName(0), "Part001");
    EXPECT_STREQ(l.config.numberedName(4), "Part005");
    EXPECT_EQ(l.config.numberedName(5), nullptr);
    EXPECT_EQ(l.config.numberedNames("Down"), 8);
    EXPECT_EQ(l.config.numberedNames("One"), 5);  // first 4, last 0
    EXPECT_EQ(l.config.numberedNames("None"), 0);
    EXPECT_EQ(l.config.numberedName(0), nullptr);
    EXPECT_EQ(l.config.numberedNames("Long"), 123);  // three digits at most: 123 and 1
}

TEST(ConfigFileLocation, DotBackslashUsesTheCurrentDirectory) {
    TempDir dir;
    testkit::writeFile(dir.file("cfg.txt"), "K = v\n");
    testkit::CurrentDirectoryGuard guard(dir.path());
    ConfigFile config(".\\cfg.txt");
    ASSERT_TRUE(config.load());
    EXPECT_STREQ(config.text("K"), "v");
    EXPECT_EQ(std::string(config.fileName()), platform::currentDirectory() + "\\cfg.txt");

    ConfigFile missing(".\\none.txt");
    EXPECT_FALSE(missing.load());
    EXPECT_STREQ(missing.text("K"), "");
}

TEST(ConfigFileLocation, LineLengthAndLongLinesCut) {
    EXPECT_EQ(ConfigFile("x", 80).lineLength(), 80);
    EXPECT_EQ(ConfigFile("x", 0).lineLength(), 1024);
    EXPECT_EQ(ConfigFile("x", 1023).lineLength(), 1023);
    EXPECT_EQ(ConfigFile("x", 5000).lineLength(), 1024);
    // A line of 1023 + 7 characters is cut at 1023; its rest is skipped,
    // never read as a line of its own, and the cut is told.
    Loaded l("A = " + std::string(1019, 'a') + "B = 22\nC = 3\n");
    EXPECT_EQ(std::string(l.config.text("A")).size(), 1019u);
    EXPECT_STREQ(l.config.text("B"), "");
    EXPECT_STREQ(l.config.text("C"), "3");
    EXPECT_EQ(l.config.cutKeys(), std::vector<std::string>{"A"});
}

TEST(ConfigLineLevel, HasTagSplitItemAndRange) {
    TempDir dir;
    testkit::writeFile(dir.file("tagged.txt"), "# CSFAPPEND list\nK = v\n");
    ConfigFile tagged(dir.file("tagged.txt").c_str());
    EXPECT_TRUE(tagged.hasTag("CSFAPPEND"));
    EXPECT_FALSE(tagged.hasTag("CSFAPPENX"));
    ConfigFile missing(dir.file("none.txt").c_str());
    EXPECT_FALSE(missing.hasTag("CSFAPPEND"));
    EXPECT_TRUE(missing.hasTag(""));

    ConfigFile c("x");
    EXPECT_STREQ(c.splitItem("Part= 3-7"), " 3-7");
    EXPECT_STREQ(c.itemName(), "Part");
    EXPECT_EQ(c.range(), 4);
    EXPECT_EQ(c.rangeFirst(), 3);
    EXPECT_EQ(c.rangeLast(), 7);
    EXPECT_EQ(c.splitItem("novalue"), nullptr);

    ASSERT_TRUE(tagged.open());
    EXPECT_EQ(tagged.isComment(), nullptr);  // nothing read yet counts as no comment
    tagged.readLine();
    EXPECT_EQ(tagged.isComment(), nullptr);
    tagged.readLine();
    EXPECT_STREQ(tagged.isComment(), "K = v\n");
    EXPECT_TRUE(tagged.close());
    EXPECT_TRUE(tagged.close());
}
