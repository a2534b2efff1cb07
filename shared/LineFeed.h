// The search for a line feed that line-by-line readers and writers share:
// sixteen bytes at a time where the processor has SSE2, eight at a time
// elsewhere. Lines are short, and a call into the C library for each costs
// more (Wine's, under which the Windows programs are tried, looks at one
// byte at a time).
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The first line feed in [p, end), or end.
inline const char* lineFeed(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i feed = _mm_set1_epi8('\n');
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, feed)));
        if (mask != 0) return p + __builtin_ctz(mask);
    }
#else
    constexpr std::uint64_t ONES = 0x0101010101010101u;
    constexpr std::uint64_t HIGHS = 0x8080808080808080u;
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        const std::uint64_t x = word ^ (ONES * '\n');
        if (((x - ONES) & ~x & HIGHS) != 0) break;  // a line feed among these eight
    }
#endif
    while (p < end && *p != '\n') ++p;
    return p;
}
