#pragma once
// The normal form of a message written the straightforward way, one byte at a time: the
// oracle that the scanning reader of the mailbox files is compared with.
#include <string>
#include <string_view>

namespace tavori::reference {

// Encoded words of ISO-2022-JP decoded, as the header decoder does it.
std::string RefDecodeHeader(std::string_view header);
// The header of a message text: split at the first empty line, unfolded, decoded, its empty
// lines and lone dots taken care of.
std::string RefParsedHeader(std::string text);
// The body rules one line at a time.
std::string RefNormaliseBody(std::string_view body);
// The field lookup, scanning the lines from the start for every name.
std::string RefGetField(std::string_view header, std::string_view name);

}  // namespace tavori::reference
