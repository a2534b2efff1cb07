// UTF-8 one character at a time. Reading is strict: the PO reader and the
// string tables' text conversions take text only in this form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// One UTF-8 character at p (before end): no overlong forms, no encoded
// surrogates, nothing beyond U+10FFFF. 0 when invalid, else its length.
inline std::size_t decodeUtf8(const char* p, const char* end, std::uint32_t& cp) {
    const unsigned char c = static_cast<unsigned char>(*p);
    std::size_t length;
    std::uint32_t min;
    if (c < 0x80) return cp = c, 1;
    if (c >= 0xC2 && c < 0xE0) {
        cp = c & 0x1F, length = 2, min = 0x80;
    } else if (c >= 0xE0 && c < 0xF0) {
        cp = c & 0x0F, length = 3, min = 0x800;
    } else if (c >= 0xF0 && c < 0xF5) {
        cp = c & 0x07, length = 4, min = 0x10000;
    } else {
        return 0;
    }
    if (static_cast<std::size_t>(end - p) < length) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char t = static_cast<unsigned char>(p[k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (t & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

// Writes the UTF-8 form of cp (at most U+10FFFF) at o; gives the end.
inline char* encodeUtf8(std::uint32_t cp, char* o) {
    if (cp < 0x80) {
        *o++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *o++ = static_cast<char>(0xC0 | (cp >> 6));
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *o++ = static_cast<char>(0xE0 | (cp >> 12));
        *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *o++ = static_cast<char>(0xF0 | (cp >> 18));
        *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return o;
}

inline void appendUtf8(std::string& out, std::uint32_t cp) {
    char bytes[4];
    out.append(bytes, encodeUtf8(cp, bytes));
}
