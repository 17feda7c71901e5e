#include "decode/jis.h"

#include <cstring>

#include "base/byte_find.h"

namespace tavori {

JisEscape ClassifyJisEscape(char first, char second) {
    if (first == '$' && (second == 'B' || second == '@')) return JisEscape::kTwoByte;
    if (first == '(' && (second == 'J' || second == 'B')) return JisEscape::kOneByte;
    return JisEscape::kOther;
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
