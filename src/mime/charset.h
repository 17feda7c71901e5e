#pragma once
// Text in the charsets of today's mail as the system's Shift-JIS (code page 932). A character
// that Shift-JIS lacks becomes the geta mark "〓" and is counted, so a run can say how many.
#include <cstddef>
#include <string>
#include <string_view>

namespace tavori::mime {

// Converted text and the characters that Shift-JIS lacks in it, each written as "〓".
struct SjisText {
    std::string text;
    std::size_t unmapped = 0;
};

// UTF-8 as Shift-JIS. The characters that Mac and Unix mail write for the wave dash, the
// double vertical line, the minus sign, cent, pound, not and the em dash become the code
// page's own characters for them; every other character is converted exactly or becomes 〓,
// as is every invalid sequence. Both builds give the same bytes.
void AppendUtf8AsSjis(std::string_view utf8, SjisText& out);
// The same for text that is to be UTF-8 only if its bytes are: false, out then to be
// dropped, at an invalid sequence other than a last character cut short (which is one 〓).
bool AppendValidUtf8AsSjis(std::string_view utf8, SjisText& out);

// text in the named charset (a MIME name or alias, letter case ignored), appended to out.
// ISO-2022-JP and its variants, EUC-JP and the Shift-JIS names are converted here, the rest
// by the system. False, with nothing appended, when the charset is unknown.
bool AppendCharsetAsSjis(std::string_view charset, std::string_view text, SjisText& out);

// text whose charset nobody named, taken as ISO-2022-JP when it holds escape sequences, as
// UTF-8 when it is valid UTF-8, else as EUC-JP or Shift-JIS, whichever it reads as.
void AppendDetectedAsSjis(std::string_view text, SjisText& out);

// The same as AppendCharsetAsSjis, with an unknown charset read as AppendDetectedAsSjis does.
void AppendTextAsSjis(std::string_view charset, std::string_view text, SjisText& out);

// The same as AppendCharsetAsSjis for text whose charset may be named wrongly: false, out
// then to be dropped, when its bytes plainly are not in the charset (invalid UTF-8, 8-bit
// bytes in ASCII or ISO-2022-JP, bytes EUC-JP or Shift-JIS cannot have; a last character cut
// short is let pass) or the charset is unknown. Other charsets are taken at their word.
bool AppendReadableAsSjis(std::string_view charset, std::string_view text, SjisText& out);

// True for the names of Shift-JIS (and of the system's code page 932), whose text is kept.
bool IsShiftJisCharset(std::string_view charset);
bool IsUtf8Charset(std::string_view charset);

// True when text is valid UTF-8 (ASCII included).
bool IsValidUtf8(std::string_view text);
// True when text holds a byte of 0x80 or more.
bool HasEightBit(std::string_view text);

}  // namespace tavori::mime
