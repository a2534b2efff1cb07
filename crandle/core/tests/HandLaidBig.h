// An archive builder for the reader's tests, independent of the writer under
// test: it lays the bytes out by hand, and each field can be overridden to
// make one field broken at a time.
#pragma once

#include <string>
#include <vector>

#include "testkit/TestKit.h"

struct HandEntry {
    std::string name;
    std::string data;
};

struct HandLaidBig {
    std::string magic = "BIG4";
    std::vector<HandEntry> entries;
    bool overrideTotal = false;
    std::uint32_t entryTotal = 0;
    bool overrideHeaderSize = false;
    std::uint32_t headerSize = 0;
    std::uint32_t archiveSizeField = 0xDEADBEEF;  // the reader ignores it

    std::uint32_t layoutHeaderSize() const {
        std::uint32_t size = 16 + 8;
        for (const HandEntry& e : entries) size += 8 + static_cast<std::uint32_t>(e.name.size()) + 1;
        return size;
    }

    std::string bytes() const {
        std::string out = magic;
        testkit::putU32(out, archiveSizeField);
        testkit::putBE32(out, overrideTotal ? entryTotal : static_cast<std::uint32_t>(entries.size()));
        std::uint32_t first = layoutHeaderSize();
        testkit::putBE32(out, overrideHeaderSize ? headerSize : first);
        std::uint32_t offset = first;
        for (const HandEntry& e : entries) {
            testkit::putBE32(out, offset);
            testkit::putBE32(out, static_cast<std::uint32_t>(e.data.size()));
            out += e.name;
            out += '\0';
            offset += static_cast<std::uint32_t>(e.data.size());
        }
        out += "L219";
        testkit::putU32(out, 0);
        for (const HandEntry& e : entries) out += e.data;
        return out;
    }
};
