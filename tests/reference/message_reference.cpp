#include "reference/message_reference.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "base/sjis_text.h"
#include "decode/jis.h"

namespace tavori::reference {
namespace {

// No empty line and no CR LF at the end: what unfolding or decoding made of them goes.
std::string RefCloseEmptyLines(std::string out) {
    for (std::size_t at; (at = out.find("\r\n\r\n")) != std::string::npos;) out.erase(at, 2);
    if (out.ends_with("\r\n")) out.resize(out.size() - 2);
    return out;
}

std::string RefUnfold(std::string_view header) {
    std::string out;
    for (std::size_t i = 0; i < header.size(); ++i) {
        out += header[i];
        std::size_t n = out.size();
        if (header[i] == ' ' && n >= 3 && out[n - 2] == '\n' && out[n - 3] == '\r') {
            out.resize(n - 3);
            while (i + 1 < header.size() && header[i + 1] == ' ') ++i;
        }
    }
    return out == header ? out : RefCloseEmptyLines(out);
}

bool RefIsLoneDotLine(std::string_view text, std::size_t dot) {
    bool startsLine = dot == 0 || (dot >= 2 && text[dot - 2] == '\r' && text[dot - 1] == '\n');
    bool endsLine = dot + 1 == text.size() ||
                    (dot + 2 < text.size() && text[dot + 1] == '\r' && text[dot + 2] == '\n');
    return startsLine && endsLine;
}

std::string RefProtectLoneDots(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.' && RefIsLoneDotLine(text, i)) out += ' ';
        out += text[i];
    }
    return out;
}

std::string RefUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

}  // namespace

std::string RefDecodeHeader(std::string_view header) {
    constexpr std::string_view kMarker = "=?ISO-2022-JP?B?";
    constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    auto value = [&](char c) -> std::uint32_t {
        std::size_t v = kAlphabet.find(c);
        return v == std::string_view::npos ? 0 : static_cast<std::uint32_t>(v);
    };
    auto isBlank = [](char c) {
        return static_cast<unsigned char>(c) <= 0x20 && c != '\r' && c != '\n';
    };
    auto trim = [&](std::string_view t) {
        while (!t.empty() && isBlank(t.front())) t.remove_prefix(1);
        while (!t.empty() && isBlank(t.back())) t.remove_suffix(1);
        return t;
    };
    const std::string upper = RefUpper(header);
    std::size_t marker = upper.find(kMarker);
    if (marker == std::string::npos) return std::string(header);
    std::string result;
    std::size_t rest = 0;
    const std::size_t n = header.size();
    while (marker != std::string::npos) {
        result += trim(header.substr(rest, marker - rest));
        std::size_t pos = marker + kMarker.size();
        std::string bytes;
        for (;;) {
            if (pos + 4 > n) return std::string(header);
            std::uint32_t v = 0;
            for (std::size_t k = 0; k < 4; ++k) {
                char c = header[pos + k];
                if (c == '\r' || c == '\n' || c == '?') return std::string(header);
                v = (v << 6) | value(c);
            }
            bytes += static_cast<char>((v >> 16) & 0xFF);
            bytes += static_cast<char>((v >> 8) & 0xFF);
            bytes += static_cast<char>(v & 0xFF);
            pos += 4;
            if (pos + 2 <= n) {
                if (header[pos] == '?' && header[pos + 1] == '=') {
                    pos += 2;
                    break;
                }
                if (header[pos] == '\r' && header[pos + 1] == '\n') break;
            }
        }
        std::string decoded = DecodeJis(bytes);
        std::replace(decoded.begin(), decoded.end(), '\r', ' ');
        std::replace(decoded.begin(), decoded.end(), '\n', ' ');
        std::replace(decoded.begin(), decoded.end(), '\t', ' ');
        std::erase(decoded, '\x1A');
        result += decoded;
        rest = pos;
        marker = upper.find(kMarker, rest);
    }
    result += header.substr(rest);
    return result;
}

std::string RefParsedHeader(std::string text) {
    std::erase(text, '\x1A');
    const std::size_t split = text.find("\r\n\r\n");
    if (split == std::string::npos) return {};
    std::string header = text.substr(0, split);
    std::replace(header.begin(), header.end(), '\t', ' ');
    const std::string unfolded = RefUnfold(header);
    std::string decoded = RefDecodeHeader(unfolded);
    // Decoded text is unfolded and closed once more.
    if (decoded != unfolded) decoded = RefCloseEmptyLines(RefUnfold(decoded));
    return RefProtectLoneDots(decoded);
}

// The body rules one line at a time.
std::string RefNormaliseBody(std::string_view body) {
    std::string out;
    std::size_t i = 0;
    while (i < body.size()) {
        if (body[i] == '#' || (body[i] == '.' && RefIsLoneDotLine(body, i))) out += ' ';
        std::size_t end = body.find('\n', i);
        end = end == std::string_view::npos ? body.size() : end + 1;
        out += body.substr(i, end - i);
        i = end;
        if (end >= 2 && body[end - 2] == '\r' && body[end - 1] == '\n') {
            bool empty = false;
            while (body.substr(i, 2) == "\r\n") {
                empty = true;
                i += 2;
            }
            if (empty) out += "\r\n";
        }
    }
    return out;
}

// The field lookup, scanning the lines from the start for every name.
std::string RefGetField(std::string_view h, std::string_view name) {
    std::size_t line = 0;
    while (line < h.size()) {
        bool match = h.size() - line >= name.size();
        for (std::size_t k = 0; match && k < name.size(); ++k)
            match = LowerAscii(h[line + k]) == LowerAscii(name[k]);
        if (match) {
            std::size_t start = line + name.size();
            std::size_t end = h.find_first_of("\r\n", start);
            if (end == std::string_view::npos) end = h.size();
            return std::string(TrimMailText(h.substr(start, end - start)));
        }
        std::size_t lf = h.find('\n', line);
        if (lf == std::string_view::npos) break;
        line = lf + 1;
        while (line < h.size() && h[line] == '\r') ++line;
        if (line >= h.size() || h[line] == '\n') break;
    }
    return {};
}

}  // namespace tavori::reference
