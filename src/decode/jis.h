#pragma once
// JIS X 0208 and ISO-2022-JP to Shift-JIS, the conversions every Japanese input shares.
#include <cstdint>
#include <string>
#include <string_view>

namespace tavori {

// A JIS X 0208 code (row byte high, cell byte low) as its Shift-JIS code (lead byte high).
// The top bit of both bytes is ignored, so EUC-JP pairs map like JIS pairs. Pure arithmetic,
// without a range check: every pair of bytes yields a pair.
std::uint16_t JisToSjis(std::uint16_t jis);

// The escape sequences that switch ISO-2022-JP between its one-byte and two-byte modes.
enum class JisEscape { kTwoByte, kOneByte, kOther };
// Classifies the two bytes after an ESC.
JisEscape ClassifyJisEscape(char first, char second);

// ISO-2022-JP text (up to its first NUL byte) as Shift-JIS. Escape sequences other than the
// four known ones are dropped as 3 bytes. A text that ends inside an escape sequence drops the
// partial escape, and a lone byte left at the end in two-byte mode is dropped too.
std::string DecodeJis(std::string_view text);

}  // namespace tavori
