// Fixed-order integer and float fields of the file formats, read and written
// byte by byte, so that neither the host's byte order nor the alignment of a
// field matters. `le` holds the little-endian fields every format uses, `be`
// the big-endian ones of the archive directory.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace le {

inline std::uint16_t getU16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t getU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::int32_t getI32(const unsigned char* p) { return static_cast<std::int32_t>(getU32(p)); }

// An IEEE single stored as its bit pattern.
inline float getF32(const unsigned char* p) {
    const std::uint32_t bits = getU32(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

inline void setU16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void setU32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

inline void setI32(unsigned char* p, std::int32_t v) { setU32(p, static_cast<std::uint32_t>(v)); }

inline void setF32(unsigned char* p, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    setU32(p, bits);
}

// The field appended to a byte string.
inline void appendU16(std::string& out, std::uint16_t v) {
    unsigned char b[2];
    setU16(b, v);
    out.append(reinterpret_cast<const char*>(b), sizeof b);
}

inline void appendU32(std::string& out, std::uint32_t v) {
    unsigned char b[4];
    setU32(b, v);
    out.append(reinterpret_cast<const char*>(b), sizeof b);
}

inline void appendF32(std::string& out, float v) {
    unsigned char b[4];
    setF32(b, v);
    out.append(reinterpret_cast<const char*>(b), sizeof b);
}

}  // namespace le

namespace be {

inline std::uint32_t getU32(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

inline void setU32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

inline void appendU32(std::string& out, std::uint32_t v) {
    unsigned char b[4];
    setU32(b, v);
    out.append(reinterpret_cast<const char*>(b), sizeof b);
}

}  // namespace be
