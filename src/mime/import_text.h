#pragma once
// The encoding of a file the import reads (a saved web page or a text) and its text as
// Shift-JIS: a byte-order mark first, then an HTML page's own charset, then UTF-8 when the
// text is valid UTF-8 with multi-byte characters, and only then the Japanese encodings' rules.
#include <optional>
#include <string>
#include <string_view>

#include "mime/charset.h"

namespace tavori::mime {

enum class ImportEncoding { kJapanese, kUtf8Bom, kUtf16Le, kUtf16Be, kMeta, kUtf8 };

struct DetectedEncoding {
    ImportEncoding kind = ImportEncoding::kJapanese;
    std::string charset;   // of kMeta: the page's charset, lower case
    std::size_t skip = 0;  // bytes of the byte-order mark
};

// html: the text is a page whose first 4 KB may name its charset in a <meta> tag.
DetectedEncoding DetectImportEncoding(std::string_view bytes, bool html);

// The text in Shift-JIS when its bytes are in an encoding other than the Japanese ones, with
// 〓 for what Shift-JIS lacks (UTF-16 of odd length loses its last byte as one). Nothing for a
// kJapanese text: its bytes stay as they are, for the Japanese rules to decide where the text
// is read (a page's parse converts it, a text mail keeps it).
std::optional<SjisText> ImportTextAsSjis(std::string_view bytes, bool html);

// True when a mail text's header names the charset of its text (a Content-Type with a
// charset): such a text keeps its bytes, for the mail client reads it in that charset.
bool NamesItsCharset(std::string_view mailText);

}  // namespace tavori::mime
