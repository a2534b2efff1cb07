// Shared helpers of the asset tests: the dump lines a table should give,
// computed from the fixture description, and reading a dump back.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "AssetDatParser.h"
#include "AssetFixture.h"
#include "testkit/TestKit.h"

namespace assettest {

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            out.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line.push_back(c);
        }
    }
    if (!line.empty()) out.push_back(line);
    return out;
}

inline std::string shown(const std::string& text) {
    std::string s = text.substr(0, 63);
    return s.substr(0, s.find('\0'));
}

// The lines of the header and entry section of a table.
inline std::vector<std::string> expectedLines(const AssetFixtureHeader& header,
                                              const std::vector<AssetFixtureEntry>& entries) {
    std::vector<std::string> out;
    const std::string sep(49, '=');
    char line[256];
    int count = header.entryCount.value_or(static_cast<int>(entries.size()));
    out.push_back(sep);
    std::snprintf(line, sizeof line, "HEADER: [%s][%d %d %d]", header.tag.c_str(), header.headerWord1, count,
                  header.headerWord3);
    out.push_back(line);
    out.push_back(sep);
    for (const AssetFixtureEntry& e : entries) {
        std::snprintf(line, sizeof line, "ENTRY:  [%2d] %s [%d]", static_cast<int>(e.name.size()),
                      shown(e.name).c_str(), static_cast<int>(e.models.size()));
        out.push_back(line);
        for (const AssetFixtureModel& m : e.models) {
            char tag[5];
            AssetDatParser::shownTag(reinterpret_cast<const unsigned char*>(m.storedTag.c_str()), tag);
            std::snprintf(line, sizeof line, " model  [%2d] %s  %s [%d %d]", static_cast<int>(m.name.size()), tag,
                          shown(m.name).c_str(), m.word2, m.word1);
            out.push_back(line);
        }
    }
    return out;
}

// The line of one string-pool text.
inline std::string stringLine(const std::string& text) {
    bool model = text.find(".w3d") != std::string::npos;
    return std::string(model ? "STRING: [" : " string [") + std::to_string(text.size()) + "] " + shown(text);
}

inline AssetFixtureEntry entry(const std::string& name, std::vector<AssetFixtureModel> models) {
    AssetFixtureEntry e;
    e.name = name;
    e.models = std::move(models);
    return e;
}

inline AssetFixtureModel model(const std::string& name, const std::string& tag, int word1, int word2) {
    AssetFixtureModel m;
    m.name = name;
    m.storedTag = tag;
    m.word1 = word1;
    m.word2 = word2;
    return m;
}

}  // namespace assettest
