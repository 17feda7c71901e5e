#include "mime/transfer.h"

#include <array>
#include <cstdint>

namespace tavori::mime {
namespace {

constexpr std::uint8_t kSkip = 0xFF, kPad = 0xFE;
constexpr std::array<std::uint8_t, 256> MakeBase64Table() {
    std::array<std::uint8_t, 256> table{};
    table.fill(kSkip);
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < alphabet.size(); ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<std::uint8_t>(i);
    table['='] = kPad;
    return table;
}
constexpr auto kBase64 = MakeBase64Table();

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Quoted-printable with or without "_" for a space and soft line breaks.
std::string DecodeQuoted(std::string_view text, bool underscoreIsSpace) {
    std::string out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c != '=') {
            out += c == '_' && underscoreIsSpace ? ' ' : c;
        } else if (i + 2 < n && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) << 4 | HexValue(text[i + 2]));
            i += 2;
        } else {
            // A soft line break: "=" at a line end, also one a converter gave a second CR.
            std::size_t end = i + 1;
            while (end < n && text[end] == '\r') ++end;
            if (end == n) break;  // "=" at the very end joins with nothing
            if (text[end] == '\n')
                i = end;
            else
                out += c;
        }
    }
    return out;
}

}  // namespace

namespace {

// Base64 as DecodeBase64 reads it, each decoded byte given to emit.
template <class Emit>
void WalkBase64(std::string_view text, Emit emit) {
    std::uint32_t bits = 0;
    int count = 0;  // sextets in bits
    for (char c : text) {
        const std::uint8_t v = kBase64[static_cast<unsigned char>(c)];
        if (v == kSkip) continue;
        if (v == kPad) {
            if (count >= 2) break;  // the padding of the last group: the data ends
            continue;
        }
        bits = bits << 6 | v;
        if (++count == 4) {
            emit(static_cast<char>(bits >> 16));
            emit(static_cast<char>(bits >> 8 & 0xFF));
            emit(static_cast<char>(bits & 0xFF));
            bits = 0;
            count = 0;
        }
    }
    if (count >= 2) emit(static_cast<char>(bits >> (count == 2 ? 4 : 10) & 0xFF));
    if (count == 3) emit(static_cast<char>(bits >> 2 & 0xFF));
}

}  // namespace

std::string DecodeBase64(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3 + 3);
    WalkBase64(text, [&](char c) { out += c; });
    return out;
}

std::size_t DecodedBase64Size(std::string_view text) {
    std::size_t size = 0;
    WalkBase64(text, [&](char) { ++size; });
    return size;
}

std::string DecodeQuotedPrintable(std::string_view text) { return DecodeQuoted(text, false); }

std::string DecodeQEncoding(std::string_view text) { return DecodeQuoted(text, true); }

std::string DecodeTransfer(std::string_view encoding, std::string_view body) {
    std::string name;
    for (char c : encoding)
        if (c != ' ' && c != '\t' && c != '"')
            name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (name == "base64") return DecodeBase64(body);
    if (name == "quoted-printable") return DecodeQuotedPrintable(body);
    return std::string(body);
}

}  // namespace tavori::mime
