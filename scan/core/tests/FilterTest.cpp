// The filter list: token parsing into the eight kinds, list splitting, and the
// matching rules of each kind.
#include <gtest/gtest.h>

#include "FolderScanner.h"

namespace {

struct TokenCase {
    const char* token;
    const char* name;
    const char* ext;
    FilterKind kind;
};

TEST(FilterParse, EachTokenGivesItsNameExtensionAndKind) {
    const TokenCase cases[] = {
        {"*.*", "*", "*", FilterKind::ANY},        {"*", "*", "", FilterKind::ANY},
        {"*.w3d", "*", "w3d", FilterKind::EXT},    {"*.", "*", "", FilterKind::EXT},
        {"*_skn", "_skn", "", FilterKind::SUFFIX},    {"*_skn.*", "_skn", "*", FilterKind::SUFFIX},
        {"*_skn.w3d", "_skn", "w3d", FilterKind::SUFFIX_EXT}, {"cb*", "cb", "", FilterKind::PREFIX},
        {"cb*.*", "cb", "*", FilterKind::PREFIX},     {"cb*.w3d", "cb", "w3d", FilterKind::PREFIX_EXT},
        {"readme", "readme", "", FilterKind::NAME}, {"readme.*", "readme", "*", FilterKind::NAME},
        {"readme.txt", "readme", "txt", FilterKind::NAME_EXT},
        {"a.b.c", "a.b", "c", FilterKind::NAME_EXT},    // split at the last dot
        {"c*b.txt", "c*b", "txt", FilterKind::NAME_EXT},  // an inner '*' is an ordinary character
    };
    for (const TokenCase& c : cases) {
        FilterToken parsed = FolderScanner::parseToken(c.token);
        EXPECT_EQ(parsed.name, c.name) << c.token;
        EXPECT_EQ(parsed.ext, c.ext) << c.token;
        EXPECT_EQ(parsed.kind, c.kind) << c.token;
        EXPECT_EQ(parsed.nameLength, static_cast<int>(std::string(c.name).size())) << c.token;
    }
}

TEST(FilterParse, ListsSplitAtSemicolonsAndCommasWithoutTrimming) {
    FolderScanner scanner;
    for (const char* text : {"*.txt;*.w3d", "*.txt,*.w3d", "*.txt;;*.w3d", ";*.txt,;,*.w3d;"}) {
        scanner.parseFilterList(text);
        ASSERT_EQ(scanner.tokens().size(), 2u) << text;
        EXPECT_EQ(scanner.tokens()[0].ext, "txt") << text;
        EXPECT_EQ(scanner.tokens()[1].ext, "w3d") << text;
    }
    scanner.parseFilterList(" *.w3d");
    ASSERT_EQ(scanner.tokens().size(), 1u);
    EXPECT_EQ(scanner.tokens()[0].name, " ");  // the blank is kept: " *" is a prefix pattern
    EXPECT_EQ(scanner.tokens()[0].kind, FilterKind::PREFIX_EXT);

    scanner.parseFilterList(";;;");
    EXPECT_TRUE(scanner.tokens().empty());
    scanner.parseFilterList("");
    EXPECT_TRUE(scanner.tokens().empty());

    // A long token is kept whole.
    std::string longToken = std::string(100, 'q') + ".txt";
    scanner.parseFilterList(longToken.c_str());
    ASSERT_EQ(scanner.tokens().size(), 1u);
    EXPECT_EQ(scanner.tokens()[0].name, std::string(100, 'q'));
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
        // "*.*" matches everything only as the first token of the list.
        {"*.w3d;*.*", "a.w3d", true},      {"*.w3d;*.*", "a.txt", false},
        {"*.*;*.w3d", "a.txt", true},
        // A list without tokens restricts nothing.
        {";;;", "a.txt", true},
    };
    FolderScanner scanner;
    for (const MatchCase& c : cases) {
        scanner.parseFilterList(c.filter);
        EXPECT_EQ(scanner.matches(c.file), c.expected) << c.filter << " / " << c.file;
    }
}

}  // namespace
