#include "decode/jis.h"

#include <bit>
#include <cstring>

#include "base/byte_find.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavori {

JisEscape ClassifyJisEscape(char first, char second) {
    if (first == '$' && (second == 'B' || second == '@')) return JisEscape::kTwoByte;
    if (first == '(' && (second == 'J' || second == 'B')) return JisEscape::kOneByte;
    return JisEscape::kOther;
}

std::size_t ConvertJisPairs(const unsigned char* in, std::size_t n, char* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    // JisToSjis on eight pairs at once, each a 16-bit lane: row byte low, cell byte high.
    const __m128i k21 = _mm_set1_epi8(0x21), k5D = _mm_set1_epi8(0x5D);
    const __m128i lowByte = _mm_set1_epi16(0x00FF), one = _mm_set1_epi16(1);
    while (i + 16 <= n) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        // Every byte in 0x21-0x7E: less 0x21, none above 0x5D.
        const __m128i d = _mm_sub_epi8(x, k21);
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(d, k5D), k5D)) != 0xFFFF) break;
        const __m128i j1 = _mm_and_si128(x, lowByte);
        const __m128i j2 = _mm_srli_epi16(x, 8);
        const __m128i odd = _mm_cmpeq_epi16(_mm_and_si128(j1, one), one);
        __m128i s2 = _mm_add_epi16(j2, _mm_or_si128(_mm_and_si128(odd, _mm_set1_epi16(0x1F)),
                                                    _mm_andnot_si128(odd, _mm_set1_epi16(0x7D))));
        s2 = _mm_sub_epi16(s2, _mm_cmpgt_epi16(s2, _mm_set1_epi16(0x7E)));  // past 0x7E: one more
        const __m128i low = _mm_cmplt_epi16(j1, _mm_set1_epi16(0x5F));
        const __m128i s1 = _mm_srli_epi16(
            _mm_add_epi16(j1, _mm_or_si128(_mm_and_si128(low, _mm_set1_epi16(0xE1)),
                                           _mm_andnot_si128(low, _mm_set1_epi16(0x161)))),
            1);
        const __m128i y =
            _mm_or_si128(_mm_and_si128(s1, lowByte), _mm_slli_epi16(_mm_and_si128(s2, lowByte), 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), y);  // after the load: in place
        i += 16;
    }
#endif
    for (; i + 1 < n && in[i] - 0x21u < 94u && in[i + 1] - 0x21u < 94u; i += 2)
        std::memcpy(out + i, kJisPairs.bytes[(in[i] - 0x21u) * 94 + (in[i + 1] - 0x21u)].data(), 2);
    return i;
}

std::size_t FindJisSwitch(const unsigned char* t, std::size_t i, std::size_t n) {
#if defined(__SSE2__)
    const __m128i esc = _mm_set1_epi8(0x1B), shift = _mm_set1_epi8(0x0E);
    const __m128i notLow = _mm_set1_epi8(static_cast<char>(0xFE));
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
        const __m128i hit =
            _mm_or_si128(_mm_cmpeq_epi8(x, esc), _mm_cmpeq_epi8(_mm_and_si128(x, notLow), shift));
        if (const int mask = _mm_movemask_epi8(hit))
            return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
    }
#endif
    while (i < n && t[i] != 0x1B && t[i] != 0x0E && t[i] != 0x0F) ++i;
    return i;
}

std::size_t DecodeJisInto(std::string_view text, char* out) {
    if (text.empty()) return 0;  // data() may be null
    if (const std::size_t nul = FindByte(text, '\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0, o = 0;
    bool twoByte = false;
    while (i < n) {
        if (in[i] == 0x1B) {
            if (i + 2 >= n) break;  // escape cut short by the end
            JisEscape kind =
                ClassifyJisEscape(static_cast<char>(in[i + 1]), static_cast<char>(in[i + 2]));
            if (kind == JisEscape::kTwoByte) twoByte = true;
            if (kind == JisEscape::kOneByte) twoByte = false;
            i += 3;
        } else if (twoByte) {
            while (i + 1 < n && in[i] != 0x1B) {
                if (const std::size_t run = ConvertJisPairs(in + i, n - i, out + o)) {
                    i += run;
                    o += run;
                    continue;
                }
                // Both bytes are read before either is written: out may trail in by nothing.
                const unsigned j1 = in[i], j2 = in[i + 1];
                if (j1 - 0x21u < 94u && j2 - 0x21u < 94u) {
                    const auto& sjis = kJisPairs.bytes[(j1 - 0x21u) * 94 + (j2 - 0x21u)];
                    out[o] = sjis[0];
                    out[o + 1] = sjis[1];
                } else {
                    const std::uint16_t sjis =
                        JisToSjis(static_cast<std::uint16_t>((j1 << 8) | j2));
                    out[o] = static_cast<char>(sjis >> 8);
                    out[o + 1] = static_cast<char>(sjis & 0xFF);
                }
                i += 2;
                o += 2;
            }
            // A lone byte at the end is half a character and goes: kept, a byte of 0x80 or
            // above would be a Shift-JIS lead byte swallowing the text after the word.
            if (i < n && in[i] != 0x1B) break;
        } else {
            const std::size_t esc = FindByte(text, '\x1B', i);
            const std::size_t run = esc != std::string_view::npos ? esc - i : n - i;
            if (out + o != text.data() + i) std::memmove(out + o, in + i, run);
            i += run;
            o += run;
        }
    }
    return o;
}

std::string DecodeJis(std::string_view text) {
    std::string out(text.size(), '\0');
    out.resize(DecodeJisInto(text, out.data()));
    return out;
}

}  // namespace tavori
