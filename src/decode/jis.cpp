#include "decode/jis.h"

#include <cstring>

namespace tavori {

std::uint16_t JisToSjis(std::uint16_t jis) {
    unsigned j1 = (jis >> 8) & 0x7F;
    unsigned j2 = jis & 0x7F;
    unsigned s2 = (j1 & 1) ? j2 + 0x1F : j2 + 0x7D;
    if (s2 > 0x7E) ++s2;
    unsigned s1 = j1 < 0x5F ? (j1 + 0xE1) / 2 : (j1 + 0x161) / 2;
    return static_cast<std::uint16_t>(((s1 & 0xFF) << 8) | (s2 & 0xFF));
}

JisEscape ClassifyJisEscape(char first, char second) {
    if (first == '$' && (second == 'B' || second == '@')) return JisEscape::kTwoByte;
    if (first == '(' && (second == 'J' || second == 'B')) return JisEscape::kOneByte;
    return JisEscape::kOther;
}

std::string DecodeJis(std::string_view text) {
    if (const void* nul = std::memchr(text.data(), '\0', text.size()))
        text =
            text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
    std::string out;
    out.reserve(text.size());
    bool twoByte = false;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        char c = text[i];
        if (c == '\x1B') {
            if (i + 2 >= n) break;  // escape cut short by the end
            JisEscape kind = ClassifyJisEscape(text[i + 1], text[i + 2]);
            if (kind == JisEscape::kTwoByte) twoByte = true;
            if (kind == JisEscape::kOneByte) twoByte = false;
            i += 3;
        } else if (twoByte) {
            // A lone byte at the end is half a character and goes: kept, a byte of 0x80 or
            // above would be a Shift-JIS lead byte swallowing the text after the word.
            if (i + 1 >= n) break;
            std::uint16_t sjis = JisToSjis(static_cast<std::uint16_t>(
                (static_cast<unsigned char>(c) << 8) | static_cast<unsigned char>(text[i + 1])));
            out += static_cast<char>(sjis >> 8);
            out += static_cast<char>(sjis & 0xFF);
            i += 2;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

}  // namespace tavori
