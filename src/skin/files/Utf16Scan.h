// Fast searches over UTF-16 units, eight at a time where the processor allows. The parser spends
// most of its time looking for the next '<', '>' or quote; these keep that off the critical path.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumetta {

// First unit in [p, end) equal to `a` or `b`, or `end`.
inline const char16_t* FindEitherUnit(const char16_t* p, const char16_t* end, char16_t a,
                                      char16_t b) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi16(static_cast<short>(a));
    const __m128i vb = _mm_set1_epi16(static_cast<short>(b));
    while (end - p >= 8) {
        __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i hit = _mm_or_si128(_mm_cmpeq_epi16(units, va), _mm_cmpeq_epi16(units, vb));
        int mask = _mm_movemask_epi8(hit);
        if (mask != 0) {
            return p + (__builtin_ctz(static_cast<unsigned>(mask)) >> 1);
        }
        p += 8;
    }
#endif
    while (p < end && *p != a && *p != b) {
        ++p;
    }
    return p;
}

// First unit in [p, end) equal to `a`, `b` or `c`, or `end`.
inline const char16_t* FindAnyOfThree(const char16_t* p, const char16_t* end, char16_t a,
                                      char16_t b, char16_t c) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi16(static_cast<short>(a));
    const __m128i vb = _mm_set1_epi16(static_cast<short>(b));
    const __m128i vc = _mm_set1_epi16(static_cast<short>(c));
    while (end - p >= 8) {
        __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(units, va), _mm_cmpeq_epi16(units, vb)),
                         _mm_cmpeq_epi16(units, vc));
        int mask = _mm_movemask_epi8(hit);
        if (mask != 0) {
            return p + (__builtin_ctz(static_cast<unsigned>(mask)) >> 1);
        }
        p += 8;
    }
#endif
    while (p < end && *p != a && *p != b && *p != c) {
        ++p;
    }
    return p;
}

inline const char16_t* FindUnit(const char16_t* p, const char16_t* end, char16_t c) {
    return FindEitherUnit(p, end, c, c);
}

// Widens `count` ASCII bytes (all below 0x80) to UTF-16 units.
inline void WidenAscii(const char* src, size_t count, char16_t* dst) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 8), _mm_unpackhi_epi8(bytes, zero));
    }
#endif
    for (; i < count; ++i) {
        dst[i] = static_cast<unsigned char>(src[i]);
    }
}

// Number of leading bytes of [src, src + count) below 0x80 (and, with `stopAtZero`, not 0).
inline size_t AsciiPrefix(const char* src, size_t count, bool stopAtZero = false) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        int mask = _mm_movemask_epi8(bytes);
        if (stopAtZero) {
            mask |= _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero));
        }
        if (mask != 0) {
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        }
    }
#endif
    while (i < count && static_cast<unsigned char>(src[i]) < 0x80 && !(stopAtZero && src[i] == 0)) {
        ++i;
    }
    return i;
}

} // namespace lumetta
