#pragma once
// Finding one byte in a stretch of mail text, sixteen bytes at a time where the processor
// allows. The C runtime's memchr is fast on some systems and goes byte by byte on others (the
// one the Windows build runs on under Wine); the readers search for bytes in every header line
// of every mail, so their speed should not depend on which runtime the program was built for.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// The first position at or after i, below n, of a byte of 0x80 or more, or n: bytes below
// 0x80 are stepped over eight at a time, for most of a page is ASCII markup.
inline std::size_t SkipAscii(const unsigned char* p, std::size_t i, std::size_t n) {
    while (i + 8 <= n) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080u) break;
        i += 8;
    }
    while (i < n && p[i] < 0x80) ++i;
    return i;
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

// The position of the last CR or LF in text before position end, or npos:
// find_last_of("\r\n", end - 1), sixteen bytes a step backwards.
inline std::size_t FindLastLineEnd(std::string_view text, std::size_t end) {
    const char* p = text.data();
    std::size_t i = end < text.size() ? end : text.size();
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; i >= 16; i -= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i - 16));
        const unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
        if (mask != 0) return i - 16 + static_cast<std::size_t>(31 - std::countl_zero(mask));
    }
#endif
    while (i > 0) {
        --i;
        if (p[i] == '\r' || p[i] == '\n') return i;
    }
    return std::string_view::npos;
}

// Whether the line end at p[at] of a text of n bytes is a lone CR or a lone LF rather than
// half of a CR LF pair.
inline bool IsBareLineEnd(const char* p, std::size_t n, std::size_t at) {
    if (p[at] == '\n') return at == 0 || p[at - 1] != '\r';
    return p[at] == '\r' && (at + 1 == n || p[at + 1] != '\n');
}

#if defined(__SSE2__)
// The bare line ends of p[i, i + 16) as bits, with a byte to read on either side: the bytes
// before and after each are found in the same loads shifted by one.
inline unsigned BareLineEndMask(const char* p, std::size_t i) {
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    const auto mask = [&](const char* at, __m128i byte) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, byte)));
    };
    const unsigned lfs = mask(p + i, lf), crs = mask(p + i, cr);
    if ((lfs | crs) == 0) return 0;
    return (lfs & ~mask(p + i - 1, cr)) | (crs & ~mask(p + i + 1, lf));
}
#endif

// How many line ends of text are bare: what joining its lines with CR LF adds, each such end
// growing by one byte. Sixteen bytes a step.
inline std::size_t CountBareLineEnds(std::string_view text) {
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t count = 0, i = 0;
#if defined(__SSE2__)
    // Blocks of 16 with a byte on either side: from 1 to n - 17.
    if (n > 0) count += IsBareLineEnd(p, n, 0) ? 1 : 0;
    for (i = 1; i + 17 <= n; i += 16)
        // Bit by bit: few are set, and a popcount instruction is not in every processor.
        for (unsigned bare = BareLineEndMask(p, i); bare != 0; bare &= bare - 1) ++count;
#endif
    for (; i < n; ++i) count += IsBareLineEnd(p, n, i) ? 1 : 0;
    return count;
}

// The position of the first bare line end in text at or after from, or npos. Text with CR LF
// line ends has few or none, so it is searched sixteen bytes a step, not line by line.
inline std::size_t FindBareLineEnd(std::string_view text, std::size_t from = 0) {
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = from;
#if defined(__SSE2__)
    if (i == 0 && n > 0) {
        if (IsBareLineEnd(p, n, 0)) return 0;
        i = 1;
    }
    for (; i + 17 <= n; i += 16)
        if (const unsigned bare = BareLineEndMask(p, i); bare != 0)
            return i + static_cast<std::size_t>(std::countr_zero(bare));
#endif
    for (; i < n; ++i)
        if (IsBareLineEnd(p, n, i)) return i;
    return std::string_view::npos;
}

// The position of the pair of bytes a, b in text at or after from, or npos: find of the two
// bytes, sixteen places a step, so that the many a that no b follows cost no stop each.
inline std::size_t FindPair(std::string_view text, char a, char b, std::size_t from = 0) {
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi8(a), second = _mm_set1_epi8(b);
    for (; i + 17 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        const unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(x, first), _mm_cmpeq_epi8(y, second))));
        if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(mask));
    }
#endif
    for (; i + 1 < n; ++i)
        if (p[i] == a && p[i + 1] == b) return i;
    return std::string_view::npos;
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
