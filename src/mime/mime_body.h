#pragma once
// The text a person reads of a mail: its body decoded from its transfer encoding and its
// charset, the text part of a multipart mail (the plain one, else HTML reduced to text), the
// text of the mails attached to it, and one line naming each other part.
#include <string_view>

#include "mime/charset.h"

namespace tavori::mime {

// header: the message's header as it stands in the file (folded lines and all); body: the
// bytes after the empty line that ends it. The text has CR LF line ends; it is not trimmed.
SjisText DecodeBodyText(std::string_view header, std::string_view body);
// The same into out, whose buffer is reused (a reader decodes many bodies).
void DecodeBodyTextInto(std::string_view header, std::string_view body, SjisText& out);

// The header and body of a message or part: the header ends at the first empty line (CR LF or
// LF line ends); a text that begins with an empty line has no header.
struct HeadAndBody {
    std::string_view header;
    std::string_view body;
};
HeadAndBody SplitHeadAndBody(std::string_view text);

}  // namespace tavori::mime
