#include "mime/charset.h"

#include <array>
#include <cstdint>
#include <cstring>

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

void AppendExact(std::string_view utf8, SjisText& out) {
    if (!HasEightBit(utf8)) {
        out.text += utf8;
        return;
    }
    out.text += platform::Utf8ToSjisExact(utf8, kGeta, out.unmapped);
}

void AppendGeta(SjisText& out, std::size_t count = 1) {
    for (std::size_t k = 0; k < count; ++k) out.text += kGeta;
    out.unmapped += count;
}

void AppendSjisCode(std::uint16_t code, std::string& out) {
    out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

// The Shift-JIS bytes of every JIS X 0208 pair (row and cell 0x21-0x7E), lead byte first:
// the pair's arithmetic looked up, for the bulk of a Japanese text.
struct PairTable {
    std::array<std::array<char, 2>, std::size_t{94} * 94> bytes{};
    constexpr PairTable() {
        for (unsigned row = 0; row < 94; ++row)
            for (unsigned cell = 0; cell < 94; ++cell) {
                const std::uint16_t sjis =
                    JisToSjis(static_cast<std::uint16_t>((row + 0x21) << 8 | (cell + 0x21)));
                bytes[row * 94 + cell] = {static_cast<char>(sjis >> 8),
                                          static_cast<char>(sjis & 0xFF)};
            }
    }
};
constexpr PairTable kPairs;

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
    // No byte gives more than two (one outside the half-width set becomes 〓): the output is
    // written into a buffer twice as long as the text, and cut to its length at the end.
    const std::size_t base = out.text.size();
    out.text.resize(base + 2 * n);
    char* const start = out.text.data() + base;
    char* o = start;
    auto geta = [&] {
        *o++ = kGeta[0];
        *o++ = kGeta[1];
        ++out.unmapped;
    };
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = t[i];
        if (set == Set::kAscii && !shiftedOut && b != 0x1B && b != 0x0E && b != 0x0F) {
            // A run of one-byte text up to the next escape or shift, copied whole.
            std::size_t end = i + 1;
            while (end < n && t[end] != 0x1B && t[end] != 0x0E && t[end] != 0x0F) ++end;
            std::memcpy(o, t + i, end - i);
            o += end - i;
            i = end;
            continue;
        }
        if (set == Set::kJis0208 && !shiftedOut) {
            // A run of two-byte characters, the bulk of Japanese text, converted pair by pair.
            const std::size_t runStart = i;
            while (i + 1 < n && t[i] - 0x21u < 0x5Eu && t[i + 1] - 0x21u < 0x5Eu) {
                std::memcpy(o, kPairs.bytes[(t[i] - 0x21u) * 94 + (t[i + 1] - 0x21u)].data(), 2);
                o += 2;
                i += 2;
            }
            if (i != runStart) continue;
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
void AppendEuc(std::string_view text, SjisText& out) {
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < n ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (b < 0x80) {
            out.text += static_cast<char>(b);
            ++i;
        } else if (b == 0x8E && next >= 0xA1 && next <= 0xDF) {
            out.text += static_cast<char>(next);
            i += 2;
        } else if (b == 0x8F && next >= 0xA1 && i + 2 < n) {
            AppendGeta(out);
            i += 3;
        } else if (b >= 0xA1 && b <= 0xFE && next >= 0xA1 && next <= 0xFE) {
            AppendSjisCode(JisToSjis(static_cast<std::uint16_t>(b << 8 | next)), out.text);
            i += 2;
        } else {
            AppendGeta(out);
            ++i;
        }
    }
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
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

bool IsValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            if (b == 0xE0) lo = 0xA0;  // no overlong forms
            if (b == 0xED) hi = 0x9F;  // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;  // nothing beyond U+10FFFF
        } else {
            return false;
        }
        if (i + len > n || p[i + 1] < lo || p[i + 1] > hi) return false;
        for (std::size_t k = 2; k < len; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

void AppendUtf8AsSjis(std::string_view utf8, SjisText& out) {
    std::size_t start = 0;  // utf8[start, i) is not yet converted
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const LookAlike* l = LookAlikeAt(utf8, i);
        if (!l) continue;
        AppendExact(utf8.substr(start, i - start), out);
        out.text += l->sjis;
        i += l->utf8.size() - 1;
        start = i + 1;
    }
    AppendExact(utf8.substr(start), out);
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

bool ReadsAsCharset(std::string_view charset, std::string_view text) {
    if (!HasEightBit(text)) return true;
    switch (FamilyOf(charset)) {
        case Family::kUtf8:
            return IsValidUtf8(text);
        case Family::kAscii:
        case Family::kJis:
            return false;
        case Family::kEuc:
            return kanj::IsEucText(text) != 0;
        case Family::kSjis:
            return kanj::IsSjisText(text) != 0;
        case Family::kSystem:
            break;
    }
    return true;
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
