#pragma once
// Finding one byte in a stretch of mail text, sixteen bytes at a time where the processor
// allows. The C runtime's memchr is fast on some systems and goes byte by byte on others (the
// one the Windows build runs on under Wine); the readers search for bytes in every header line
// of every mail, so their speed should not depend on which runtime the program was built for.
#include <bit>
#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavori {

// The first byte c in [p, end), or nullptr.
inline const char* FindByte(const char* p, const char* end, char c) {
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(c);
    for (; end - p >= 32; p += 32) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const unsigned low = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, wanted)));
        const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, wanted)));
        if ((low | high) != 0) return p + std::countr_zero(low | high << 16);
    }
    if (end - p >= 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, wanted)));
        if (mask != 0) return p + std::countr_zero(mask);
        p += 16;
    }
#endif
    for (; p < end; ++p)
        if (*p == c) return p;
    return nullptr;
}

// The position of c in text at or after from, or npos: string_view::find(c, from).
inline std::size_t FindByte(std::string_view text, char c, std::size_t from = 0) {
    if (from >= text.size()) return std::string_view::npos;
    const char* hit = FindByte(text.data() + from, text.data() + text.size(), c);
    return hit == nullptr ? std::string_view::npos : static_cast<std::size_t>(hit - text.data());
}

// The position of the first CR or LF in text at or after from, or npos:
// find_first_of("\r\n", from), which searches byte by byte, in two fast searches.
inline std::size_t FindLineEnd(std::string_view text, std::size_t from = 0) {
    const std::size_t lf = FindByte(text, '\n', from);
    const std::size_t cr =
        FindByte(text.substr(0, lf == std::string_view::npos ? text.size() : lf), '\r', from);
    return cr != std::string_view::npos ? cr : lf;
}

// The position of pattern in text at or after from, or npos: string_view::find(pattern, from).
inline std::size_t FindText(std::string_view text, std::string_view pattern, std::size_t from = 0) {
    if (pattern.empty()) return from <= text.size() ? from : std::string_view::npos;
    if (from >= text.size() || text.size() - from < pattern.size()) return std::string_view::npos;
    const char* const last = text.data() + text.size() - pattern.size();  // the last place it fits
    for (const char* p = text.data() + from; p <= last; ++p) {
        p = FindByte(p, last + 1, pattern[0]);
        if (p == nullptr) break;
        std::size_t k = 1;
        while (k < pattern.size() && p[k] == pattern[k]) ++k;
        if (k == pattern.size()) return static_cast<std::size_t>(p - text.data());
    }
    return std::string_view::npos;
}

}  // namespace tavori
