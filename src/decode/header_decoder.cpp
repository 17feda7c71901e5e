#include "decode/header_decoder.h"

#include <array>
#include <cstdint>
#include <string>

#include "base/byte_find.h"
#include "decode/jis.h"

namespace tavori {
namespace {

constexpr std::string_view kMarker = "=?ISO-2022-JP?B?";

// Base64 values; "=" and every byte outside the alphabet count as 0. CR, LF and "?" cannot
// stand inside a group of four and are marked kNotInGroup.
constexpr std::uint8_t kNotInGroup = 0x80;
constexpr std::array<std::uint8_t, 256> MakeBase64Table() {
    std::array<std::uint8_t, 256> table{};
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < alphabet.size(); ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<std::uint8_t>(i);
    // A bare LF ends a header line as well as CR LF does: taken as base64 it would join two
    // lines into one field.
    table['\r'] = table['\n'] = table['?'] = kNotInGroup;
    return table;
}
constexpr auto kBase64 = MakeBase64Table();

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Position of the marker at or after from, letter case ignored; npos when there is none.
std::size_t FindMarker(std::string_view text, std::size_t from) {
    const std::size_t last = text.size() < kMarker.size() ? 0 : text.size() - kMarker.size();
    for (std::size_t pos = FindPair(text, '=', '?', from);
         pos != std::string_view::npos && pos <= last && text.size() >= kMarker.size();
         pos = FindPair(text, '=', '?', pos + 1)) {
        std::size_t k = 2;  // "=?" found
        while (k < kMarker.size() && Upper(text[pos + k]) == kMarker[k]) ++k;
        if (k == kMarker.size()) return pos;
    }
    return std::string_view::npos;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20 && c != '\r' && c != '\n'; }

// The text between two encoded-words without its surrounding blanks. CR and LF stay: they
// end header lines, and dropping them would join two fields into one.
std::string_view TrimBlanks(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

// DecodeHeader into result, whose buffer is reused. The bytes of one encoded word and their
// decoded text go through the reader's buffers, so a header costs no allocation once they
// have grown to the longest header read. marker: where the first encoded word begins, when
// the caller has looked already. lineStart, when given, is set when decoded text began a line
// with a blank or with nothing.
void DecodeHeaderTo(std::string_view header, std::string& result, std::string& bytes,
                    std::string& decoded, std::size_t marker, bool* lineStart = nullptr) {
    result.clear();
    if (marker == std::string_view::npos) {
        result.assign(header);
        return;
    }
    result.reserve(header.size());
    std::size_t rest = 0;
    const std::size_t n = header.size();
    while (marker != std::string_view::npos) {
        result += TrimBlanks(header.substr(rest, marker - rest));
        std::size_t pos = marker + kMarker.size();
        // Room for every group up to the end of the header; only grown, never cleared.
        if (bytes.size() < (n - pos) / 4 * 3) bytes.resize((n - pos) / 4 * 3);
        std::size_t got = 0;
        const auto* h = reinterpret_cast<const unsigned char*>(header.data());
        for (;;) {
            if (pos + 4 > n) {  // runs to the end of the header
                result.assign(header);
                return;
            }
            const std::uint32_t a = kBase64[h[pos]], b = kBase64[h[pos + 1]],
                                c = kBase64[h[pos + 2]], d = kBase64[h[pos + 3]];
            if ((a | b | c | d) & kNotInGroup) {
                result.assign(header);
                return;
            }
            const std::uint32_t value = a << 18 | b << 12 | c << 6 | d;
            bytes[got] = static_cast<char>((value >> 16) & 0xFF);
            bytes[got + 1] = static_cast<char>((value >> 8) & 0xFF);
            bytes[got + 2] = static_cast<char>(value & 0xFF);
            got += 3;
            pos += 4;
            if (pos + 2 <= n) {
                if (header[pos] == '?' && header[pos + 1] == '=') {
                    pos += 2;
                    break;
                }
                // Ending at a line end: the line end stays with the rest, it ends the line.
                if (header[pos] == '\r' && header[pos + 1] == '\n') break;
            }
        }
        // Decoded text must read back as itself from a mailbox file, where a line end would
        // split the field, a tab becomes a space and a 0x1A byte is dropped.
        if (decoded.size() < got) decoded.resize(got);  // decoding never lengthens the text
        decoded.resize(DecodeJisInto(std::string_view(bytes.data(), got), decoded.data()));
        for (char& c : decoded)
            if (c == '\r' || c == '\n' || c == '\t') c = ' ';
        std::erase(decoded, '\x1A');
        if (lineStart && (result.empty() || result.back() == '\n') &&
            (decoded.empty() || IsBlank(decoded.front())))
            *lineStart = true;
        result += decoded;
        rest = pos;
        marker = FindMarker(header, rest);
    }
    result += header.substr(rest);
}

}  // namespace

std::string DecodeHeader(std::string_view header) {
    HeaderDecodeBuffers buffers;
    DecodeHeaderTo(header, buffers.result, buffers.bytes, buffers.decoded, FindMarker(header, 0));
    return std::move(buffers.result);
}

bool DecodeHeaderInPlace(std::string& header, HeaderDecodeBuffers& buffers) {
    const std::size_t marker = FindMarker(header, 0);
    if (marker == std::string_view::npos) return false;
    bool lineStart = false;
    DecodeHeaderTo(header, buffers.result, buffers.bytes, buffers.decoded, marker, &lineStart);
    header.swap(buffers.result);
    return lineStart;
}

bool DecodeHeaderInPlace(std::string& header) {
    HeaderDecodeBuffers buffers;
    return DecodeHeaderInPlace(header, buffers);
}

}  // namespace tavori
