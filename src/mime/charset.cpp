#include "mime/charset.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/byte_find.h"
#include "base/sjis_text.h"
#include "decode/jis.h"
#include "decode/kanj_conv.h"
#include "platform/text_codec.h"

namespace tavori::mime {
namespace {

constexpr std::string_view kGeta = "\x81\xAC";  // 〓

// The characters Mac and Unix mail use where Windows mail has the code page's own: their
// UTF-8 bytes and the Shift-JIS bytes of the character a Japanese reader means.
struct LookAlike {
    std::string_view utf8;
    std::string_view sjis;
};
constexpr std::array kLookAlikes{
    LookAlike{"\xE3\x80\x9C", "\x81\x60"},  // U+301C wave dash
    LookAlike{"\xE2\x80\x96", "\x81\x61"},  // U+2016 double vertical line
    LookAlike{"\xE2\x88\x92", "\x81\x7C"},  // U+2212 minus sign
    LookAlike{"\xC2\xA2", "\x81\x91"},      // U+00A2 cent sign
    LookAlike{"\xC2\xA3", "\x81\x92"},      // U+00A3 pound sign
    LookAlike{"\xC2\xAC", "\x81\xCA"},      // U+00AC not sign
    LookAlike{"\xE2\x80\x94", "\x81\x5C"},  // U+2014 em dash
};

// The look-alike that starts at text[i], or nullptr.
const LookAlike* LookAlikeAt(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead != 0xC2 && lead != 0xE2 && lead != 0xE3) return nullptr;
    for (const LookAlike& l : kLookAlikes)
        if (text.substr(i, l.utf8.size()) == l.utf8) return &l;
    return nullptr;
}

// The length of the valid UTF-8 character at p[i] and its code point, or 0 for a byte that
// starts none: no overlong form, no surrogate, nothing beyond U+10FFFF, nothing cut short.
inline std::size_t DecodeUtf8(const unsigned char* p, std::size_t i, std::size_t n,
                              std::uint32_t& code) {
    const unsigned char b = p[i];
    std::size_t length = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
    if (b < 0x80) {
        code = b;
        return 1;
    }
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        code = b & 0x1Fu;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        code = b & 0x0Fu;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        code = b & 0x07u;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + length > n || p[i + 1] < lo || p[i + 1] > hi) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if (k > 1 && (p[i + k] & 0xC0) != 0x80) return 0;
        code = code << 6 | (p[i + k] & 0x3Fu);
    }
    return length;
}

// The Shift-JIS of every character of the Basic Multilingual Plane as the system converts it
// exactly, learnt as texts bring the characters: asking the system character by character
// would cost more than the whole rest of a page's reading. Shared by all threads; two that
// learn a character at once store the same value.
constexpr std::uint16_t kNotLearnt = 0;
constexpr std::uint16_t kLacking = 1;      // 〓
constexpr std::uint16_t kOneByte = 0x100;  // | the byte; two-byte codes are 0x8140 and more
std::array<std::atomic<std::uint16_t>, 0x10000> gSjisOf{};

bool IsSjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Learns the characters of text not learnt yet, asking the system once for all of them: the
// replacement NUL, which no character of them has as its code, marks those it lacks.
void Learn(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::vector<std::uint32_t> codes;
    std::string ask;
    std::vector<bool> asked(0x10000);
    for (std::size_t i = 0; i < n;) {
        std::uint32_t code = 0;
        const std::size_t length = DecodeUtf8(p, i, n, code);
        if (length < 2 || length > 3 || asked[code] ||
            gSjisOf[code].load(std::memory_order_relaxed) != kNotLearnt) {
            i += length == 0 ? 1 : length;
            continue;
        }
        asked[code] = true;
        if (const LookAlike* l = LookAlikeAt(text, i)) {
            gSjisOf[code].store(
                static_cast<std::uint16_t>(static_cast<unsigned char>(l->sjis[0]) << 8 |
                                           static_cast<unsigned char>(l->sjis[1])),
                std::memory_order_relaxed);
        } else {
            codes.push_back(code);
            ask.append(text.substr(i, length));
        }
        i += length;
    }
    if (codes.empty()) return;
    std::size_t lacking = 0;
    const std::string sjis = platform::Utf8ToSjisExact(ask, std::string_view("\0", 1), lacking);
    const auto* s = reinterpret_cast<const unsigned char*>(sjis.data());
    std::size_t at = 0;
    for (const std::uint32_t code : codes) {
        std::uint16_t value = kLacking;
        if (at < sjis.size() && s[at] == 0) {
            at += 1;
        } else if (at + 1 < sjis.size() && IsSjisLead(s[at])) {
            value = static_cast<std::uint16_t>(s[at] << 8 | s[at + 1]);
            at += 2;
        } else if (at < sjis.size()) {
            value = static_cast<std::uint16_t>(kOneByte | s[at]);
            at += 1;
        }
        gSjisOf[code].store(value, std::memory_order_relaxed);
    }
}

// How far Learn looks ahead from a character not learnt yet: far enough that a page's
// characters are learnt in a few calls, near enough that a late newcomer costs little.
constexpr std::size_t kLearnWindow = std::size_t{64} * 1024;

// ISO-2022-JP and its variants (-1, -2, -3 and the like). JIS X 0208 and the JIS X 0213
// first plane are converted by the JIS arithmetic, which also keeps the code page's own rows
// (circled digits and the like) that Windows mail writes in ISO-2022-JP; half-width katakana
// (ESC ( I, or SO and SI) become their single bytes; the other sets of the variants (JIS X
// 0212, the second JIS X 0213 plane, GB 2312, KS C 5601, the 96-character sets reached with
// ESC N) are no Shift-JIS: each of their characters becomes 〓. A control byte is taken as
// itself in any mode, so a line end inside a two-byte run does not shift the pairs.
void AppendIso2022Jp(std::string_view text, SjisText& out) {
    enum class Set { kAscii, kJis0208, kKatakana, kOtherDouble };
    Set set = Set::kAscii;
    bool shiftedOut = false;  // SO: half-width katakana until SI
    const std::size_t n = text.size();
    // Every byte gives at most one, but one outside the half-width set, which becomes 〓: the
    // buffer holds what was written and as much again as the text has left, grown where a
    // 〓 would take that room, and is cut to its length at the end. (Twice the text from the
    // start would fill a mail's buffer of twice its size with zeros first.)
    const std::size_t base = out.text.size();
    out.text.resize(base + n + 16);
    char* start = out.text.data() + base;
    char* o = start;
    char* limit = out.text.data() + out.text.size();
    std::size_t i = 0;
    auto geta = [&] {
        if (static_cast<std::size_t>(limit - o) < n - i + 2) {  // i is never past n here
            const std::size_t written = static_cast<std::size_t>(o - start);
            out.text.resize(base + written + (n - i) + n / 8 + 16);
            start = out.text.data() + base;
            o = start + written;
            limit = out.text.data() + out.text.size();
        }
        *o++ = kGeta[0];
        *o++ = kGeta[1];
        ++out.unmapped;
    };
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    while (i < n) {
        const unsigned char b = t[i];
        if (set == Set::kAscii && !shiftedOut && b != 0x1B && b != 0x0E && b != 0x0F) {
            // A run of one-byte text up to the next escape or shift, copied whole.
            const std::size_t end = FindJisSwitch(t, i + 1, n);
            std::memcpy(o, t + i, end - i);
            o += end - i;
            i = end;
            continue;
        }
        if (set == Set::kJis0208 && !shiftedOut) {
            // A run of two-byte characters, the bulk of Japanese text, converted pair by pair.
            if (const std::size_t run = ConvertJisPairs(t + i, n - i, o)) {
                o += run;
                i += run;
                continue;
            }
        }
        if (b == 0x1B) {
            // ESC, intermediate bytes 0x20-0x2F, one final byte 0x30-0x7E.
            std::size_t k = i + 1;
            while (k < n && t[k] >= 0x20 && t[k] <= 0x2F) ++k;
            if (k >= n) break;  // cut short by the end
            const std::string_view seq = text.substr(i + 1, k - i);
            i = k + 1;
            if (seq == "(B" || seq == "(J" || seq == "(H") {
                set = Set::kAscii;
            } else if (seq == "$B" || seq == "$@" || seq == "$(Q" || seq == "$(O" || seq == "$(B") {
                set = Set::kJis0208;
            } else if (seq == "(I") {
                set = Set::kKatakana;
            } else if (seq.size() >= 2 && seq[0] == '$') {
                set = Set::kOtherDouble;
            } else if (seq == "N" && i < n) {  // one character of the 96-character set in G2
                ++i;
                geta();
            }
            continue;  // other designations (ESC & @, ESC . A) change nothing here
        }
        if (b == 0x0E || b == 0x0F) {
            shiftedOut = b == 0x0E;
            ++i;
            continue;
        }
        // Controls, space, DEL and stray 8-bit bytes in any mode, and one-byte text.
        if (b < 0x21 || b >= 0x7F || (set == Set::kAscii && !shiftedOut)) {
            *o++ = static_cast<char>(b);
            ++i;
        } else if (shiftedOut || set == Set::kKatakana) {
            if (b <= 0x5F)
                *o++ = static_cast<char>(b + 0x80);
            else
                geta();
            ++i;
        } else if (i + 1 >= n || t[i + 1] < 0x21) {
            geta();  // half a character
            ++i;
        } else {
            if (set == Set::kJis0208) {
                const std::uint16_t sjis = JisToSjis(static_cast<std::uint16_t>(b << 8 | t[i + 1]));
                *o++ = static_cast<char>(sjis >> 8);
                *o++ = static_cast<char>(sjis & 0xFF);
            } else {
                geta();
            }
            i += 2;
        }
    }
    out.text.resize(base + static_cast<std::size_t>(o - start));
}

// EUC-JP: JIS X 0208 pairs by the JIS arithmetic, 0x8E and a byte as half-width katakana,
// JIS X 0212 (0x8F and two bytes) and bytes that start no character as 〓.
// strict: false at a byte EUC-JP cannot have there, but for a last character cut short.
bool AppendEuc(std::string_view text, SjisText& out, bool strict = false) {
    const std::size_t n = text.size();
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t start = out.text.size();
    // Never longer than the text but where a broken byte becomes 〓: room is made for those.
    out.text.resize(start + n);
    std::size_t o = start;
    const auto put = [&](char a, char b) {
        if (o + 2 > out.text.size()) out.text.resize(out.text.size() + n / 8 + 2);
        out.text[o++] = a;
        out.text[o++] = b;
    };
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        const unsigned char next = i + 1 < n ? p[i + 1] : 0;
        if (b < 0x80) {
            const std::size_t end = SkipAscii(p, i + 1, n);
            if (o + (end - i) > out.text.size()) out.text.resize(o + (end - i) + n / 8);
            std::memcpy(out.text.data() + o, p + i, end - i);
            o += end - i;
            i = end;
        } else if (b == 0x8E && next >= 0xA1 && next <= 0xDF) {
            out.text[o++] = static_cast<char>(next);  // two bytes give one
            i += 2;
        } else if (b >= 0xA1 && b <= 0xFE && next >= 0xA1 && next <= 0xFE) {
            const auto& sjis = kJisPairs.bytes[(b - 0xA1u) * 94 + (next - 0xA1u)];
            put(sjis[0], sjis[1]);
            i += 2;
        } else {
            // A JIS X 0212 code (three bytes), which Shift-JIS lacks, or a broken byte.
            const bool x0212 = b == 0x8F && next >= 0xA1 && i + 2 < n;
            if (strict && !x0212 && i + 1 < n) return false;
            put(kGeta[0], kGeta[1]);
            ++out.unmapped;
            i += x0212 ? 3 : 1;
        }
    }
    out.text.resize(o);
    return true;
}

enum class Family { kUtf8, kAscii, kJis, kEuc, kSjis, kSystem };

Family FamilyOf(std::string_view charset) {
    const std::string name = LowerAsciiName(charset);
    if (name == "utf-8" || name == "utf8") return Family::kUtf8;
    if (name == "us-ascii" || name == "ascii" || name == "ansi_x3.4-1968" || name == "iso646-us")
        return Family::kAscii;
    if (name.starts_with("iso-2022-jp") || name == "csiso2022jp" || name == "jis")
        return Family::kJis;
    if (name == "euc-jp" || name == "x-euc-jp" || name == "eucjp" || name == "euc-jis-2004" ||
        name == "cseucpkdfmtjapanese")
        return Family::kEuc;
    if (name == "shift_jis" || name == "shift-jis" || name == "sjis" || name == "x-sjis" ||
        name == "cp932" || name == "windows-31j" || name == "ms_kanji" || name == "csshiftjis" ||
        name == "ms932" || name == "x-ms-cp932" || name == "shift_jis-2004")
        return Family::kSjis;
    return Family::kSystem;
}

bool HasJisEscape(std::string_view text) {
    for (std::size_t i = text.find('\x1B'); i != std::string_view::npos;
         i = text.find('\x1B', i + 1))
        if (i + 2 < text.size() && (text[i + 1] == '$' || text[i + 1] == '(')) return true;
    return false;
}

}  // namespace

bool HasEightBit(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    return SkipAscii(p, 0, text.size()) < text.size();
}

bool IsValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = SkipAscii(p, 0, n); i < n; i = SkipAscii(p, i, n)) {
        std::uint32_t code = 0;
        const std::size_t length = DecodeUtf8(p, i, n, code);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

namespace {

// A last character that the end of the text cut short: a lead byte and fewer continuation
// bytes than it announces.
bool IsCutLastCharacter(const unsigned char* p, std::size_t i, std::size_t n) {
    const std::size_t length = p[i] >= 0xF0 ? 4 : p[i] >= 0xE0 ? 3 : 2;
    if (p[i] < 0xC2 || p[i] > 0xF4 || n - i >= length) return false;
    for (std::size_t k = i + 1; k < n; ++k)
        if ((p[k] & 0xC0) != 0x80) return false;
    return true;
}

// strict: false at an invalid sequence but for a last character cut short, and for a text
// without a valid character of more than one byte.
bool ConvertUtf8(std::string_view utf8, SjisText& out, bool strict) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    const std::size_t start = out.text.size();
    out.text.resize(start + n);  // Shift-JIS is never longer, but for invalid bytes (below)
    std::size_t o = start;
    bool multiByte = false;  // a valid character of more than one byte was met
    for (std::size_t i = 0; i < n;) {
        if (p[i] < 0x80) {
            const std::size_t end = SkipAscii(p, i + 1, n);
            std::memmove(out.text.data() + o, p + i, end - i);
            o += end - i;
            i = end;
            continue;
        }
        std::uint32_t code = 0;
        const std::size_t length = DecodeUtf8(p, i, n, code);
        if (length == 0) {
            // Invalid bytes, up to the next character, as the system reads them: each broken
            // character one 〓 (a lone byte of them may take two bytes' room).
            std::size_t end = i + 1;
            while (end < n && p[end] >= 0x80 && DecodeUtf8(p, end, n, code) == 0) ++end;
            if (strict && !(end == n && IsCutLastCharacter(p, i, n))) return false;
            out.text.resize(o);
            out.text += platform::Utf8ToSjisExact(utf8.substr(i, end - i), kGeta, out.unmapped);
            o = out.text.size();
            out.text.resize(o + (n - end));
            i = end;
            continue;
        }
        multiByte = true;
        std::uint16_t value = kLacking;  // no character beyond the plane is in Shift-JIS
        if (length < 4) {
            value = gSjisOf[code].load(std::memory_order_relaxed);
            if (value == kNotLearnt) {
                Learn(utf8.substr(i, kLearnWindow));
                value = gSjisOf[code].load(std::memory_order_relaxed);
            }
        }
        if (value == kLacking || value == kNotLearnt) {
            out.text[o++] = kGeta[0];
            out.text[o++] = kGeta[1];
            ++out.unmapped;
        } else if (value < 0x8000) {
            out.text[o++] = static_cast<char>(value & 0xFF);
        } else {
            out.text[o++] = static_cast<char>(value >> 8);
            out.text[o++] = static_cast<char>(value & 0xFF);
        }
        i += length;
    }
    out.text.resize(o);
    return multiByte || !strict;
}

}  // namespace

void AppendUtf8AsSjis(std::string_view utf8, SjisText& out) { ConvertUtf8(utf8, out, false); }

bool AppendValidUtf8AsSjis(std::string_view utf8, SjisText& out) {
    return ConvertUtf8(utf8, out, true);
}

void AppendDetectedAsSjis(std::string_view text, SjisText& out) {
    const bool eightBit = HasEightBit(text);
    if (HasJisEscape(text))
        AppendIso2022Jp(text, out);
    else if (eightBit && IsValidUtf8(text))
        AppendUtf8AsSjis(text, out);
    else if (eightBit && kanj::ReadsAsEuc(text))
        AppendEuc(text, out);
    else
        out.text += text;  // ASCII, or Shift-JIS
}

bool IsShiftJisCharset(std::string_view charset) { return FamilyOf(charset) == Family::kSjis; }
bool IsUtf8Charset(std::string_view charset) { return FamilyOf(charset) == Family::kUtf8; }

bool AppendReadableAsSjis(std::string_view charset, std::string_view text, SjisText& out) {
    if (!HasEightBit(text) && !HasJisEscape(text)) {
        out.text += text;  // ASCII reads alike in all of them
        return true;
    }
    switch (FamilyOf(charset)) {
        case Family::kUtf8:
            return AppendValidUtf8AsSjis(text, out);
        case Family::kAscii:
            return false;
        case Family::kJis:
            if (HasEightBit(text)) return false;
            break;
        case Family::kEuc:
            return AppendEuc(text, out, true);
        case Family::kSjis:
            if (!kanj::IsSjisText(text)) return false;
            break;
        case Family::kSystem:
            break;
    }
    return AppendCharsetAsSjis(charset, text, out);
}

bool AppendCharsetAsSjis(std::string_view charset, std::string_view text, SjisText& out) {
    switch (FamilyOf(charset)) {
        case Family::kUtf8:
            AppendUtf8AsSjis(text, out);
            return true;
        case Family::kAscii:
            // Mail marked ASCII often is not: its 8-bit bytes are read as if no charset were named.
            if (HasEightBit(text) || HasJisEscape(text))
                AppendDetectedAsSjis(text, out);
            else
                out.text += text;
            return true;
        case Family::kJis:
            AppendIso2022Jp(text, out);
            return true;
        case Family::kEuc:
            AppendEuc(text, out);
            return true;
        case Family::kSjis:
            out.text += text;
            return true;
        case Family::kSystem:
            break;
    }
    const auto utf8 = platform::CharsetToUtf8(charset, text);
    if (!utf8) return false;
    AppendUtf8AsSjis(*utf8, out);
    return true;
}

void AppendTextAsSjis(std::string_view charset, std::string_view text, SjisText& out) {
    if (charset.empty() || !AppendCharsetAsSjis(charset, text, out))
        AppendDetectedAsSjis(text, out);
}

}  // namespace tavori::mime
