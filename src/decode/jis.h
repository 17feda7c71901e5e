#pragma once
// JIS X 0208 and ISO-2022-JP to Shift-JIS, the conversions every Japanese input shares.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavori {

// A JIS X 0208 code (row byte high, cell byte low) as its Shift-JIS code (lead byte high).
// The top bit of both bytes is ignored, so EUC-JP pairs map like JIS pairs. Pure arithmetic,
// without a range check: every pair of bytes yields a pair.
// Inline: the page conversions call it for every character.
constexpr std::uint16_t JisToSjis(std::uint16_t jis) {
    unsigned j1 = (jis >> 8) & 0x7F;
    unsigned j2 = jis & 0x7F;
    unsigned s2 = (j1 & 1) ? j2 + 0x1F : j2 + 0x7D;
    if (s2 > 0x7E) ++s2;
    unsigned s1 = j1 < 0x5F ? (j1 + 0xE1) / 2 : (j1 + 0x161) / 2;
    return static_cast<std::uint16_t>(((s1 & 0xFF) << 8) | (s2 & 0xFF));
}

// The Shift-JIS bytes of every JIS X 0208 pair (row and cell 0x21-0x7E), lead byte first,
// at (row - 0x21) * 94 + cell - 0x21: JisToSjis looked up, for the bulk of a Japanese text.
struct JisPairTable {
    std::array<std::array<char, 2>, std::size_t{94} * 94> bytes{};
    constexpr JisPairTable() {
        for (unsigned row = 0; row < 94; ++row)
            for (unsigned cell = 0; cell < 94; ++cell) {
                const std::uint16_t sjis =
                    JisToSjis(static_cast<std::uint16_t>((row + 0x21) << 8 | (cell + 0x21)));
                bytes[row * 94 + cell] = {static_cast<char>(sjis >> 8),
                                          static_cast<char>(sjis & 0xFF)};
            }
    }
};
inline constexpr JisPairTable kJisPairs;

// Converts the JIS X 0208 pairs at the start of in[0, n) to Shift-JIS, as long as both bytes
// of a pair lie in 0x21-0x7E, writing them to out, which may be in itself or trail it. Returns
// how many bytes were converted (even). Eight pairs a step where the processor allows: runs of
// them are the bulk of Japanese mail.
std::size_t ConvertJisPairs(const unsigned char* in, std::size_t n, char* out);

// The first position at or after i, below n, of ESC, SO or SI (the bytes that switch
// ISO-2022-JP's sets), or n; sixteen bytes a step where the processor allows.
std::size_t FindJisSwitch(const unsigned char* t, std::size_t i, std::size_t n);

// The escape sequences that switch ISO-2022-JP between its one-byte and two-byte modes.
enum class JisEscape { kTwoByte, kOneByte, kOther };
// Classifies the two bytes after an ESC.
JisEscape ClassifyJisEscape(char first, char second);

// ISO-2022-JP text (up to its first NUL byte) as Shift-JIS. Escape sequences other than the
// four known ones are dropped as 3 bytes. A text that ends inside an escape sequence drops the
// partial escape, and a lone byte left at the end in two-byte mode is dropped too.
std::string DecodeJis(std::string_view text);

// The same conversion written to out, which may be the text's own buffer: escape sequences
// give nothing and every pair gives a pair, so the output never overtakes the input. out
// must hold as many bytes as the text; returns the number written.
std::size_t DecodeJisInto(std::string_view text, char* out);

}  // namespace tavori
