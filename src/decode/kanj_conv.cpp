#include "decode/kanj_conv.h"

#include <cstdint>
#include <cstring>

#include "base/byte_find.h"
#include "decode/jis.h"

namespace tavori::kanj {
namespace {

// Every walk ends at the first NUL byte or at the end of the text.
std::size_t TextLength(std::string_view text) {
    if (text.empty()) return 0;  // data() may be null
    const void* nul = std::memchr(text.data(), '\0', text.size());
    return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text.data())
               : text.size();
}

const unsigned char* Bytes(std::string_view text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

constexpr std::uint64_t kEachByte = 0x0101010101010101u;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;

bool HasByte(std::uint64_t word, unsigned char b) {
    std::uint64_t x = word ^ (kEachByte * b);
    return ((x - kEachByte) & ~x & kHighBits) != 0;
}

// EUC-JP's prefixes for half-width katakana (one byte follows) and for JIS X 0212 codes
// (two bytes follow).
constexpr unsigned char kEucKana = 0x8E;
constexpr unsigned char kEucX0212 = 0x8F;
// A JIS X 0212 character has no Shift-JIS code: it becomes the geta mark 〓.
constexpr unsigned char kGeta[2] = {0x81, 0xAC};

// Eight bytes from a character boundary that are four ordinary EUC-JP pairs: all at 0x80 or
// above and no prefix among them. Japanese text is mostly such runs, so they are taken whole.
bool FourEucPairs(const unsigned char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return (word & kHighBits) == kHighBits && !HasByte(word, kEucKana) && !HasByte(word, kEucX0212);
}

}  // namespace

bool IsSjisFirstByte(unsigned char b) { return b >= 0x80 && b <= 0xFC; }
bool IsSjisSecondByte(unsigned char b) { return b >= 0x40 && b <= 0xFC; }

int IsSjisText(std::string_view text) {
    const unsigned char* p = Bytes(text);
    const std::size_t n = TextLength(text);
    bool pairs = false;
    // ASCII runs are stepped over whole; a run of Japanese text goes pair by pair.
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            i = SkipAscii(p, i + 1, n);
        } else if (!IsSjisFirstByte(b)) {
            ++i;
        } else if (i + 1 < n && IsSjisSecondByte(p[i + 1])) {
            pairs = true;
            i += 2;
        } else {
            return 0;
        }
    }
    return pairs ? kSjis : 0;
}

int IsEucText(std::string_view text) {
    const unsigned char* p = Bytes(text);
    const std::size_t n = TextLength(text);
    bool pairs = false;
    std::size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            i = SkipAscii(p, i + 1, n);
        } else if (i + 8 <= n && FourEucPairs(p + i)) {
            pairs = true;
            i += 8;
        } else if (p[i] != kEucX0212) {
            if (i + 1 >= n || p[i + 1] < 0x80) return 0;
            pairs = true;
            i += 2;
        } else {
            // A JIS X 0212 code is three bytes: read as a pair, it would put every later
            // pair out of step.
            if (i + 2 >= n || p[i + 1] < 0x80 || p[i + 2] < 0x80) return 0;
            pairs = true;
            i += 3;
        }
    }
    return pairs ? kEuc : 0;
}

int IsJisText(std::string_view text) {
    const char* p = text.data();
    const std::size_t n = TextLength(text);
    bool escapes = false;
    std::size_t i = 0;
    while (i < n) {
        const void* esc = std::memchr(p + i, 0x1B, n - i);
        if (!esc) break;
        i = static_cast<std::size_t>(static_cast<const char*>(esc) - p);
        if (i + 2 >= n || ClassifyJisEscape(p[i + 1], p[i + 2]) == JisEscape::kOther) return 0;
        escapes = true;
        i += 3;
    }
    return escapes ? kJis : 0;
}

void EucToSjis(std::string& text) {
    const std::size_t n = TextLength(text);
    unsigned char* p = reinterpret_cast<unsigned char*>(text.data());
    std::size_t i = 0, o = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            // Output trails input only after a JIS X 0212 code; until then nothing moves.
            std::size_t end = SkipAscii(p, i + 1, n);
            if (o != i) std::memmove(p + o, p + i, end - i);
            o += end - i;
            i = end;
            continue;
        }
        if (i + 8 <= n && FourEucPairs(p + i)) {
            for (int k = 0; k < 4; ++k, i += 2, o += 2) {
                std::uint16_t sjis = JisToSjis(static_cast<std::uint16_t>((p[i] << 8) | p[i + 1]));
                p[o] = static_cast<unsigned char>(sjis >> 8);
                p[o + 1] = static_cast<unsigned char>(sjis & 0xFF);
            }
            continue;
        }
        // A character cut short by the end of the text is dropped.
        if (b == kEucKana) {
            if (i + 1 >= n) break;
            p[o++] = p[i + 1];
            i += 2;
        } else if (b == kEucX0212) {
            if (i + 2 >= n) break;
            p[o++] = kGeta[0];
            p[o++] = kGeta[1];
            i += 3;
        } else {
            if (i + 1 >= n) break;
            std::uint16_t sjis = JisToSjis(static_cast<std::uint16_t>((b << 8) | p[i + 1]));
            p[o++] = static_cast<unsigned char>(sjis >> 8);
            p[o++] = static_cast<unsigned char>(sjis & 0xFF);
            i += 2;
        }
    }
    text.resize(o);
}

void JisToSjisInPlace(std::string& text) { text.resize(DecodeJisInto(text, text.data())); }

namespace {

// Text valid in both encodings is Shift-JIS when, read as EUC-JP pairs, a pair starts with a
// byte that starts no EUC-JP character (0x80 to 0xA0, but for the prefixes 0x8E and 0x8F):
// Shift-JIS hiragana, katakana and most kanji start with 0x81 to 0x9F, so any Japanese
// sentence has one. Without one, the text is EUC-JP, which nearly always passes the wide
// Shift-JIS test too and would otherwise never be converted.
bool HasShiftJisLead(std::string_view text) {
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n && text[i] != '\0';) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (b < 0xA1 && b != 0x8E && b != 0x8F) return true;
        i += b == 0x8F ? 3 : 2;
    }
    return false;
}

// How much of the text reads as ordinary Japanese in each encoding: kana and punctuation
// count two per character, kanji one. Read as EUC-JP: pairs led by 0xA1-0xA5 (punctuation,
// hiragana, katakana), other pairs of 0xB0-0xF4 (kanji). Read as Shift-JIS: pairs led by
// 0x81-0x83 (punctuation, hiragana, katakana), kanji pairs (0x88-0x9F, 0xE0-0xEA), and
// half-width katakana letters (0xA6-0xDF) one each; half-width punctuation (0xA1-0xA5) counts
// nothing, since EUC-JP kana read as Shift-JIS give one of those every other byte.
struct Plausibility {
    std::size_t euc = 0, sjis = 0;
};

Plausibility Score(std::string_view text) {
    Plausibility score;
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n && t[i] != 0;) {  // as EUC-JP
        const unsigned char b = t[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (b >= 0xA1 && b <= 0xA5)
            score.euc += 2;
        else if (b >= 0xB0 && b <= 0xF4)
            score.euc += 1;
        i += b == 0x8F ? 3 : 2;
    }
    for (std::size_t i = 0; i < n && t[i] != 0;) {  // as Shift-JIS
        const unsigned char b = t[i];
        if (b < 0x80) {
            ++i;
        } else if (b >= 0xA1 && b <= 0xDF) {
            if (b >= 0xA6) score.sjis += 1;
            ++i;
        } else {
            if (b >= 0x81 && b <= 0x83)
                score.sjis += 2;
            else if ((b >= 0x88 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEA))
                score.sjis += 1;
            i += 2;
        }
    }
    return score;
}

}  // namespace

bool ReadsAsEuc(std::string_view text) {
    if (!IsEucText(text)) return false;
    if (!IsSjisText(text)) return true;
    // Valid as both: the more plausible reading; where both read alike, the lead-byte rule.
    const Plausibility score = Score(text);
    if (score.euc != score.sjis) return score.euc > score.sjis;
    return !HasShiftJisLead(text);
}

void ConvertToSjis(std::string& text) {
    // The table of detection results, k = Shift-JIS | EUC-JP | ISO-2022-JP: any valid escape
    // sequence wins (k >= 4), EUC-JP when the text is not also valid Shift-JIS (k == 2) or,
    // valid as both (k == 3), has no Shift-JIS lead byte, and everything else stays. Asking
    // in that order spares the passes whose answer cannot change the outcome.
    if (IsJisText(text)) {
        JisToSjisInPlace(text);
    } else if (ReadsAsEuc(text)) {
        EucToSjis(text);
    }
}

}  // namespace tavori::kanj
