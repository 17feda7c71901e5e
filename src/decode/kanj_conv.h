#pragma once
// Detection of the encoding of an HTML page (Shift-JIS, EUC-JP or ISO-2022-JP) and its
// conversion to Shift-JIS. The buffers end at their first NUL byte or at their end; the
// conversions never make a text longer, so they work in place.
#include <string>
#include <string_view>

namespace tavori::kanj {

// The detection results, combined with OR.
constexpr int kSjis = 1;
constexpr int kEuc = 2;
constexpr int kJis = 4;

bool IsSjisFirstByte(unsigned char b);   // 0x80..0xFC, wider than the real lead-byte ranges
bool IsSjisSecondByte(unsigned char b);  // 0x40..0xFC, 0x7F included

int IsSjisText(std::string_view text);  // kSjis or 0
// kEuc or 0; a JIS X 0212 code (0x8F and two bytes) counts as one character of three bytes.
int IsEucText(std::string_view text);
int IsJisText(std::string_view text);  // kJis or 0

// True when text without escape sequences reads better as EUC-JP than as Shift-JIS: it is
// valid EUC-JP and either no valid Shift-JIS or, valid as both, without a Shift-JIS lead byte.
bool ReadsAsEuc(std::string_view text);
// In place; the text is cut behind the last converted byte. A character cut short by the
// end of the text is dropped. EUC-JP half-width katakana (0x8E xx) become the one byte xx,
// and JIS X 0212 codes (0x8F xx yy), which Shift-JIS lacks, the geta mark 〓.
void EucToSjis(std::string& text);
void JisToSjisInPlace(std::string& text);

// Detects the encoding and converts EUC-JP or ISO-2022-JP text to Shift-JIS in place;
// Shift-JIS, plain and undecidable text stay as they are.
void ConvertToSjis(std::string& text);

}  // namespace tavori::kanj
