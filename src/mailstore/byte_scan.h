#pragma once
// Visiting the places of one byte, or of a byte followed by one of a few others, in a text, for
// the scanners of the mailbox reader. Nearly all the places searched for are rare in mail text;
// the caller copies whole stretches between the places it changes.
#include <bit>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "base/byte_find.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavori {

// Calls found(pos) for each position in [from, to) whose byte is c, in order. found returns
// the position from which the search goes on (pos + 1 to go on as usual, more to skip, to or
// beyond to stop).
template <class Found>
void ForEachByte(const char* data, std::size_t from, std::size_t to, char c, Found found) {
    std::size_t pos = from;
    while (pos < to) {
        const char* hit = FindByte(data + pos, data + to, c);
        if (hit == nullptr) return;
        pos = found(static_cast<std::size_t>(hit - data));
    }
}

// As ForEachByte, for the positions pos in [from, to - 1) whose byte is first and whose next
// byte is one of seconds (one to three bytes). Searching for the pair, sixteen positions at a
// time where the processor allows, passes over the many single bytes that match first alone:
// a line feed begins every line, but few lines begin with what the scanners look for.
template <class Found>
void ForEachPair(const char* data, std::size_t from, std::size_t to, char first,
                 std::string_view seconds, Found found) {
    const char s0 = seconds[0];
    const char s1 = seconds.size() > 1 ? seconds[1] : s0;
    const char s2 = seconds.size() > 2 ? seconds[2] : s0;
    std::size_t pos = from;
#if defined(__SSE2__)
    const __m128i a = _mm_set1_epi8(first);
    const __m128i b0 = _mm_set1_epi8(s0), b1 = _mm_set1_epi8(s1), b2 = _mm_set1_epi8(s2);
    while (pos + 17 <= to) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos + 1));
        const __m128i next = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(y, b0), _mm_cmpeq_epi8(y, b1)), _mm_cmpeq_epi8(y, b2));
        const unsigned mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(x, a), next)));
        if (mask == 0) {
            pos += 16;
            continue;
        }
        // Places are rare: after each, the search starts again where found says.
        pos = found(pos + static_cast<std::size_t>(std::countr_zero(mask)));
    }
#endif
    while (pos + 1 < to) {
        const char* hit = FindByte(data + pos, data + to - 1, first);
        if (hit == nullptr) return;
        const std::size_t at = static_cast<std::size_t>(hit - data);
        const char next = data[at + 1];
        pos = next == s0 || next == s1 || next == s2 ? found(at) : at + 1;
    }
}

// Asks for the first bytes of text to be brought near this processor while it works on
// something else: text read, or a message parsed, on another thread, whose cache holds it; a
// header is about as long as this.
inline void BringNear(std::string_view text) {
    constexpr std::size_t kLine = 64, kMost = 1024;
    const std::size_t n = text.size() < kMost ? text.size() : kMost;
    for (std::size_t at = 0; at < n; at += kLine) __builtin_prefetch(text.data() + at);
}

}  // namespace tavori
