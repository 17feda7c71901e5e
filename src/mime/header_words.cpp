#include "mime/header_words.h"

#include <algorithm>
#include <map>

#include "base/byte_find.h"
#include "base/sjis_text.h"
#include "mime/transfer.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavori::mime {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Decoded text must stay one line of a header: line ends and tabs become spaces, and NUL and
// 0x1A bytes, which end or break texts elsewhere, go.
void KeepOneLine(std::string& text, std::size_t from) {
    const auto needs = [](char c) {
        return c == '\0' || c == '\x1A' || c == '\r' || c == '\n' || c == '\t';
    };
    std::size_t first = from;
#if defined(__SSE2__)
    // Sixteen bytes a step past those that need nothing, as nearly all do.
    const __m128i nul = _mm_setzero_si128(), sub = _mm_set1_epi8('\x1A'), cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n'), tab = _mm_set1_epi8('\t');
    for (; first + 16 <= text.size(); first += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + first));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, nul), _mm_cmpeq_epi8(x, sub)),
                         _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, cr), _mm_cmpeq_epi8(x, lf)),
                                      _mm_cmpeq_epi8(x, tab)));
        if (_mm_movemask_epi8(hit) != 0) break;
    }
#endif
    while (first < text.size() && !needs(text[first])) ++first;
    if (first == text.size()) return;  // as nearly always
    std::size_t w = first;
    for (std::size_t i = w; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\0' || c == '\x1A') continue;
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
        text[w++] = c;
    }
    text.resize(w);
}

// Text outside encoded words.
void AppendPlain(std::string_view text, SjisText& out) {
    if (FindByte(text, '\x1B') != std::string_view::npos)
        AppendCharsetAsSjis("iso-2022-jp", text, out);
    else if (HasEightBit(text) && IsValidUtf8(text))
        AppendUtf8AsSjis(text, out);
    else
        out.text += text;
}

struct EncodedWord {
    std::size_t end = 0;  // behind its "?="
    std::string charset;  // lower case, without an RFC 2231 language
    std::string bytes;
};

// The encoded word at text[at] ("=?"), if one is there: charset, "B" or "Q", text without
// blanks or "?", "?=".
bool ReadEncodedWord(std::string_view text, std::size_t at, EncodedWord& word) {
    const std::size_t charsetEnd = text.find('?', at + 2);
    if (charsetEnd == std::string_view::npos || charsetEnd == at + 2) return false;
    std::string_view charset = text.substr(at + 2, charsetEnd - at - 2);
    if (charset.size() > 64 || std::any_of(charset.begin(), charset.end(), [](char c) {
            return static_cast<unsigned char>(c) <= 0x20 || c == '"';
        }))
        return false;
    if (charsetEnd + 2 >= text.size() || text[charsetEnd + 2] != '?') return false;
    const char encoding = text[charsetEnd + 1];
    const bool b = encoding == 'B' || encoding == 'b';
    if (!b && encoding != 'Q' && encoding != 'q') return false;
    const std::size_t start = charsetEnd + 3;
    std::size_t end = start;
    while (end < text.size() && text[end] != '?' && static_cast<unsigned char>(text[end]) > 0x20)
        ++end;
    if (end + 1 >= text.size() || text[end] != '?' || text[end + 1] != '=') return false;
    const std::string_view encoded = text.substr(start, end - start);
    charset = charset.substr(0, charset.find('*'));  // "utf-8*ja": the language goes
    word.charset = LowerAsciiName(charset);
    word.bytes = b ? DecodeBase64(encoded) : DecodeQEncoding(encoded);
    word.end = end + 2;
    return true;
}

}  // namespace

std::string UnfoldHeader(std::string_view header) {
    std::string out;
    out.reserve(header.size());
    const std::size_t n = header.size();
    for (std::size_t i = 0; i < n;) {
        // The run up to the next line end is copied whole, its tabs as spaces.
        std::size_t end = FindLineEnd(header, i);
        if (end == std::string_view::npos) end = n;
        const std::size_t from = out.size();
        out.append(header, i, end - i);
        std::replace(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(), '\t', ' ');
        if (end == n) break;
        std::size_t next = end + 1;
        if (header[end] == '\r' && next < n && header[next] == '\n') ++next;
        // A line end before a blank goes, the blank stays; the last line end goes too.
        if (next < n && !IsBlank(header[next])) out += "\r\n";
        i = next;
    }
    return out;
}

void ForEachUnfoldedLine(std::string_view header,
                         const std::function<void(std::string_view)>& line) {
    const std::size_t n = header.size();
    std::string folded;  // the text of a line that was folded, reused
    for (std::size_t start = 0; start < n;) {
        // The line and the lines that continue it, up to a line end that no blank follows.
        std::size_t end = FindLineEnd(header, start);
        bool joined = false;
        std::size_t next = n;
        for (;;) {
            if (end == std::string_view::npos) end = n;
            next = end;
            if (next < n && header[next] == '\r') ++next;
            if (next < n && header[next] == '\n') ++next;
            if (next >= n || !IsBlank(header[next])) break;
            joined = true;
            end = FindLineEnd(header, next);
        }
        const std::string_view text = header.substr(start, end - start);
        if (joined || FindByte(text, '\t') != std::string_view::npos) {
            folded = UnfoldHeader(text);
            line(folded);
        } else {
            line(text);
        }
        start = next;
    }
}

void AppendDecodedText(std::string_view text, SjisText& out) {
    if (FindText(text, "=?") == std::string_view::npos && !HasEightBit(text) &&
        FindByte(text, '\x1B') == std::string_view::npos) {
        const std::size_t start = out.text.size();
        out.text += text;  // nothing to decode, as most lines
        KeepOneLine(out.text, start);
        return;
    }
    const std::size_t from = out.text.size();
    std::size_t pos = 0;  // text[pos, ...) is not yet appended
    // Adjacent encoded words of one charset, joined before they are converted.
    std::string groupCharset, groupBytes;
    std::size_t groupStart = 0, groupEnd = 0;
    bool group = false;
    auto flush = [&] {
        if (!group) return;
        group = false;
        if (!AppendCharsetAsSjis(groupCharset, groupBytes, out))
            out.text += text.substr(groupStart, groupEnd - groupStart);  // as written
    };
    EncodedWord word;
    for (std::size_t at = FindText(text, "=?"); at != std::string_view::npos;
         at = FindText(text, "=?", at + 2)) {
        if (at < pos || !ReadEncodedWord(text, at, word)) continue;
        const std::string_view between = text.substr(pos, at - pos);
        const bool onlyBlanks = std::all_of(between.begin(), between.end(), [](char c) {
            return IsBlank(c) || c == '\r' || c == '\n';
        });
        if (!(group && onlyBlanks)) {
            flush();
            AppendPlain(between, out);
        }
        if (group && word.charset == groupCharset) {
            groupBytes += word.bytes;
        } else {
            flush();
            group = true;
            groupCharset = word.charset;
            groupBytes = word.bytes;
            groupStart = at;
        }
        groupEnd = word.end;
        pos = word.end;
        at = word.end - 2;
    }
    flush();
    AppendPlain(text.substr(pos), out);
    KeepOneLine(out.text, from);
}

std::string FieldParams::Get(std::string_view name) const {
    for (const auto& [n, v] : params)
        if (n == name) return v;
    return {};
}

bool FieldParams::Has(std::string_view name) const {
    return std::any_of(params.begin(), params.end(),
                       [&](const auto& p) { return p.first == name; });
}

namespace {

// The pieces of a field value between its ";", quoted strings kept whole.
std::vector<std::string_view> SplitParams(std::string_view value) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (quoted && c == '\\') {
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            pieces.push_back(value.substr(start, i - start));
            start = i + 1;
        }
    }
    pieces.push_back(value.substr(start));
    return pieces;
}

std::string Unquote(std::string_view value) {
    value = TrimWhite(value);
    if (value.size() < 2 || value.front() != '"') return std::string(value);
    std::string out;
    for (std::size_t i = 1; i < value.size(); ++i) {
        if (value[i] == '"') break;
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        out += value[i];
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) << 4 | HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The sections of one RFC 2231 parameter ("name*0*=", "name*1=", or "name*=").
struct Sections {
    std::map<int, std::pair<bool, std::string>> parts;  // number: percent-encoded, text
};

}  // namespace

FieldParams ParseFieldParams(std::string_view fieldValue) {
    FieldParams result;
    if (fieldValue.empty()) return result;  // a field the part does not have, as most
    const std::vector<std::string_view> pieces = SplitParams(fieldValue);
    result.value = LowerAsciiName(TrimWhite(pieces.front()));
    // In order of first appearance, found by name: a crafted field may hold thousands.
    std::vector<std::pair<std::string, Sections>> extended;
    std::map<std::string, std::size_t> extendedAt;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        const std::size_t eq = pieces[i].find('=');
        if (eq == std::string_view::npos) continue;
        std::string name = LowerAsciiName(TrimWhite(pieces[i].substr(0, eq)));
        const std::string_view raw = TrimWhite(pieces[i].substr(eq + 1));
        const std::size_t star = name.find('*');
        if (name.empty()) continue;
        if (star == std::string::npos) {
            SjisText decoded;
            AppendDecodedText(Unquote(raw), decoded);
            result.unmapped += decoded.unmapped;
            result.params.emplace_back(std::move(name), std::move(decoded.text));
            continue;
        }
        // RFC 2231: "name*" alone, or "name*N" and "name*N*" sections.
        const std::string base = name.substr(0, star);
        std::string_view rest = std::string_view(name).substr(star + 1);
        const bool encoded = rest.empty() || rest.back() == '*';
        if (!rest.empty() && rest.back() == '*') rest.remove_suffix(1);
        int number = 0;
        for (char c : rest) {
            if (c < '0' || c > '9' || number > 999) {
                number = -1;
                break;
            }
            number = number * 10 + (c - '0');
        }
        if (number < 0) continue;
        const auto [at, added] = extendedAt.emplace(base, extended.size());
        if (added) extended.emplace_back(base, Sections{});
        extended[at->second].second.parts[number] = {encoded, Unquote(raw)};
    }
    if (extended.empty()) return result;         // as nearly always
    std::map<std::string, std::size_t> plainAt;  // the first plain parameter of each name
    for (std::size_t i = 0; i < result.params.size(); ++i)
        plainAt.emplace(result.params[i].first, i);
    for (const auto& entry : extended) {
        const std::string& base = entry.first;
        const Sections& sections = entry.second;
        std::string charset, bytes;
        bool first = true;
        for (const auto& [number, part] : sections.parts) {
            std::string_view text = part.second;
            if (part.first && first) {  // charset'language'text
                const std::size_t q1 = text.find('\'');
                const std::size_t q2 = q1 == std::string_view::npos ? q1 : text.find('\'', q1 + 1);
                if (q2 != std::string_view::npos) {
                    charset = LowerAsciiName(text.substr(0, q1));
                    text = text.substr(q2 + 1);
                }
            }
            bytes += part.first ? PercentDecode(text) : std::string(text);
            first = false;
        }
        SjisText decoded;
        if (charset.empty())
            AppendDecodedText(bytes, decoded);
        else
            AppendTextAsSjis(charset, bytes, decoded);
        KeepOneLine(decoded.text, 0);
        result.unmapped += decoded.unmapped;
        // An RFC 2231 value wins over a plain one of the same name.
        if (const auto plain = plainAt.find(base); plain != plainAt.end())
            result.params[plain->second].second = std::move(decoded.text);
        else
            result.params.emplace_back(base, std::move(decoded.text));
    }
    return result;
}

}  // namespace tavori::mime
