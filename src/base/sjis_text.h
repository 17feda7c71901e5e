#pragma once
// Small helpers on Shift-JIS byte strings shared by every layer.
#include <string>
#include <string_view>

namespace tavori {

// True for a Shift-JIS lead byte (0x81-0x9F, 0xE0-0xFC): the byte after it is its second
// byte, which can look like "\" or an ASCII letter.
inline bool IsSjisLeadByte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 0x81 && u <= 0x9F) || (u >= 0xE0 && u <= 0xFC);
}

// The text without leading and trailing bytes of value 0x20 or less (blanks, control bytes).
inline std::string_view TrimWhite(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
    return s.substr(b, e - b);
}

// TrimWhite for mail text, which may be ISO-2022-JP: ESC (0x1B) stays. It begins the escape
// sequence that switches the text into its double-byte set, and a body or a field that starts
// with Japanese starts with one; without it the first line would read as ASCII garbage.
inline std::string_view TrimMailText(std::string_view s) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20 && c != '\x1B'; };
    std::size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Mail data quoted in an error message: at most max bytes, cut before a double-byte
// character that would not fit whole, then "…" when anything was left out. A field can hold
// megabytes; the message only has to let the user find it.
inline std::string QuoteExcerpt(std::string_view text, std::size_t max = 100) {
    if (text.size() <= max) return std::string(text);
    std::size_t end = 0;
    while (end < max) {
        const std::size_t next = end + (IsSjisLeadByte(text[end]) ? 2 : 1);
        if (next > max) break;
        end = next;
    }
    return std::string(text.substr(0, end)) + "\x81\x63";
}

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// ASCII letters in lower case, every other byte as it is: for the names in mail (charsets,
// fields, parameters), which are ASCII.
inline std::string LowerAsciiName(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

// ASCII letters in upper case; the bytes of double-byte characters stay as they are.
inline std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (IsSjisLeadByte(out[i]))
            ++i;
        else if (out[i] >= 'a' && out[i] <= 'z')
            out[i] = static_cast<char>(out[i] - 'a' + 'A');
    }
    return out;
}

}  // namespace tavori
