#pragma once
// The transfer encodings of mail: base64 and quoted-printable bodies (RFC 2045) and the B and
// Q encodings of encoded words (RFC 2047).
#include <cstddef>
#include <string>
#include <string_view>

namespace tavori::mime {

// Base64 as mail writes it: line ends and every other byte outside the alphabet are skipped,
// the data ends at its padding, and a last group of a single character gives nothing.
std::string DecodeBase64(std::string_view text);
// The length DecodeBase64 gives, without the bytes: the size of an attachment.
std::size_t DecodedBase64Size(std::string_view text);

// Quoted-printable: "=" and two hex digits (either case) is that byte, "=" at a line end joins
// the lines, and any other "=" stays as it is.
std::string DecodeQuotedPrintable(std::string_view text);

// The Q encoding of an encoded word: quoted-printable with "_" for a space.
std::string DecodeQEncoding(std::string_view text);

// A body by its Content-Transfer-Encoding value (letter case ignored): base64 and
// quoted-printable are decoded, everything else (7bit, 8bit, binary, unknown) stays.
std::string DecodeTransfer(std::string_view encoding, std::string_view body);

}  // namespace tavori::mime
