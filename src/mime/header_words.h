#pragma once
// Mail header text as a person reads it: lines unfolded as RFC 5322 does, RFC 2047 encoded
// words in any charset, raw 8-bit and ISO-2022-JP values, and the parameters of structured
// fields with RFC 2231 continuations and charsets.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "mime/charset.h"

namespace tavori::mime {

// The header with each line end that a blank follows removed, the blank kept; tabs become
// spaces. Lines stay separated by CR LF (a bare LF or CR ends a line too).
std::string UnfoldHeader(std::string_view header);

// Calls line with each line of the header unfolded as UnfoldHeader does, in order; a line
// that was not folded is given where it lies, without a copy.
void ForEachUnfoldedLine(std::string_view header,
                         const std::function<void(std::string_view)>& line);

// A header text (one unfolded line, or a value) decoded and appended: encoded words
// ("=?charset?B?...?=", "=?charset?Q?...?=") in a charset the system knows; the blanks
// between two adjacent encoded words dropped, and adjacent words of one charset joined
// before they are converted, so a character split between them survives; a word in an
// unknown charset, or broken, left as written. Text outside encoded words: ISO-2022-JP
// escapes decoded, other 8-bit text read as UTF-8 when it is valid UTF-8, else kept as the
// system's Shift-JIS. Line ends and tabs that decoding produces become spaces and NUL and
// 0x1A bytes go, so a value stays one line.
void AppendDecodedText(std::string_view text, SjisText& out);

// A structured field's value split at its ";": the lower-cased value before the first one
// ("text/plain") and the parameters, names lower-cased, values unquoted and decoded (RFC 2231
// charsets and continuations, and the encoded words many mailers put in a quoted name).
struct FieldParams {
    std::string value;
    std::vector<std::pair<std::string, std::string>> params;
    // The named parameter's value (name in lower case); empty when there is none.
    std::string Get(std::string_view name) const;
    bool Has(std::string_view name) const;
    std::size_t unmapped = 0;  // characters of the values that Shift-JIS lacks
};
FieldParams ParseFieldParams(std::string_view fieldValue);

}  // namespace tavori::mime
