#pragma once
// The encoding of a file the import reads (a saved web page or a text) and its text as
// Shift-JIS: a byte-order mark first, then an HTML page's own charset, then UTF-8 when the
// text is valid UTF-8 with multi-byte characters, and only then the Japanese encodings' rules.
#include <string>
#include <string_view>

#include "mime/charset.h"

namespace tavori::mime {

// What a file's text was read as: the Japanese rules (its bytes untouched), a byte-order mark,
// the charset a page's <meta> names, or valid UTF-8.
enum class ImportEncoding { kJapanese, kUtf8Bom, kUtf16Le, kUtf16Be, kMeta, kUtf8 };

// Converts a file's text to Shift-JIS in place: by its byte-order mark (UTF-8, UTF-16 LE or
// BE; UTF-16 of odd length loses its last byte as one 〓), else for a page (html) by the
// charset a <meta> names in its first 4 KB unless its bytes plainly contradict it, else as
// UTF-8 when it is valid UTF-8 with multi-byte characters (a last character cut short
// becomes 〓). What Shift-JIS lacks becomes 〓, counted in unmapped. kJapanese: the text is
// untouched, for the Japanese rules to decide where it is read (a page's parse converts it,
// a text mail keeps its bytes).
ImportEncoding ConvertImportText(std::string& text, bool html, std::size_t& unmapped);

// True when a mail text's header names the charset of its text (a Content-Type with a
// charset): such a text keeps its bytes, for the mail client reads it in that charset.
bool NamesItsCharset(std::string_view mailText);

}  // namespace tavori::mime
