// The filter list: token parsing into the eight kinds, list splitting, and the
// matching rules of each kind.
#include <gtest/gtest.h>

#include "FolderScanner.h"

namespace {

struct TokenCase {
    const char* token;
    const char* name;
    const char* ext;
    int kind;
};

TEST(FilterParse, EachTokenGivesItsNameExtensionAndKind) {
    const TokenCase cases[] = {
        {"*.*", "*", "*", 1000},        {"*", "*", "", 1000},
        {"*.w3d", "*", "w3d", 1001},    {"*.", "*", "", 1001},
        {"*_skn", "_skn", "", 1010},    {"*_skn.*", "_skn", "*", 1010},
        {"*_skn.w3d", "_skn", "w3d", 1011}, {"cb*", "cb", "", 1100},
        {"cb*.*", "cb", "*", 1100},     {"cb*.w3d", "cb", "w3d", 1101},
        {"readme", "readme", "", 1110}, {"readme.*", "readme", "*", 1110},
        {"readme.txt", "readme", "txt", 1111},
        {"a.b.c", "a.b", "c", 1111},    // split at the last dot
        {"c*b.txt", "c*b", "txt", 1111},  // an inner '*' is an ordinary character
    };
    for (const TokenCase& c : cases) {
        FilterSpec spec = FolderScanner::parseToken(c.token);
        EXPECT_EQ(spec.name, c.name) << c.token;
        EXPECT_EQ(spec.ext, c.ext) << c.token;
        EXPECT_EQ(spec.kind, c.kind) << c.token;
        EXPECT_EQ(spec.nameLength, static_cast<int>(std::string(c.name).size())) << c.token;
    }
}

TEST(FilterParse, ListsSplitAtSemicolonsAndCommasWithoutTrimming) {
    FolderScanner scanner;
    for (const char* text : {"*.txt;*.w3d", "*.txt,*.w3d", "*.txt;;*.w3d", ";*.txt,;,*.w3d;"}) {
        scanner.parseFilterList(text);
        ASSERT_EQ(scanner.specs().size(), 2u) << text;
        EXPECT_EQ(scanner.specs()[0].ext, "txt") << text;
        EXPECT_EQ(scanner.specs()[1].ext, "w3d") << text;
    }
    scanner.parseFilterList(" *.w3d");
    ASSERT_EQ(scanner.specs().size(), 1u);
    EXPECT_EQ(scanner.specs()[0].name, " ");  // the blank is kept: " *" is a prefix pattern
    EXPECT_EQ(scanner.specs()[0].kind, 1101);

    scanner.parseFilterList(";;;");
    EXPECT_TRUE(scanner.specs().empty());
    scanner.parseFilterList("");
    EXPECT_TRUE(scanner.specs().empty());

    // A long token is kept whole.
    std::string longToken = std::string(100, 'q') + ".txt";
    scanner.parseFilterList(longToken.c_str());
    ASSERT_EQ(scanner.specs().size(), 1u);
    EXPECT_EQ(scanner.specs()[0].name, std::string(100, 'q'));
}

struct MatchCase {
    const char* filter;
    const char* file;
    bool expected;
};

TEST(FilterMatch, EachKindMatchesAndRejectsCaseSensitively) {
    const MatchCase cases[] = {
        {"*.w3d", "tank.w3d", true},       {"*.w3d", "tank.W3D", false},
        {"*.w3d", "tank.w3dx", false},     {"*.w3d", "w3d", false},
        {"*.w3d", "a.b.w3d", true},        {"*.w3d", "a.w3d.bak", false},
        {"*.W3D", "tank.w3d", false},
        {"*_skn.w3d", "tank_skn.w3d", true}, {"*_skn.w3d", "skn.w3d", false},
        {"*_skn.w3d", "tank_skn.txt", false},
        {"*_skn", "tank_skn.w3d", true},   {"*_skn", "tank_skn", true},
        {"*_skn", "tank.w3d", false},
        {"cb*.w3d", "cb_tank.w3d", true},  {"cb*.w3d", "cb.w3d", true},
        {"cb*.w3d", "c.w3d", false},       {"cb*.w3d", "xcb.w3d", false},
        {"cb*.w3d", "cb_tank.txt", false},
        {"cb*", "cbx.txt", true},          {"cb*", "c", false},
        {"readme", "readme.txt", true},    {"readme", "readme.md", true},
        {"readme", "readme", true},        {"readme", "readme2.txt", false},
        {"readme", "README.txt", false},
        {"readme.txt", "readme.txt", true}, {"readme.txt", "readme.md", false},
        {"*.*", "anything.at.all", true},  {"*", "noext", true},
        {"*.txt;*.w3d", "a.txt", true},    {"*.txt;*.w3d", "b.w3d", true},
        {"*.txt;*.w3d", "x.ini", false},
        {"*.", "noext", true},             {"*.", "a.", true},
        {"*.", "a.b", false},
        // "*.*" matches everything only as the first spec of the list.
        {"*.w3d;*.*", "a.w3d", true},      {"*.w3d;*.*", "a.txt", false},
        {"*.*;*.w3d", "a.txt", true},
        // A list without specs restricts nothing.
        {";;;", "a.txt", true},
    };
    FolderScanner scanner;
    for (const MatchCase& c : cases) {
        scanner.parseFilterList(c.filter);
        EXPECT_EQ(scanner.matches(c.file), c.expected) << c.filter << " / " << c.file;
    }
}

}  // namespace
