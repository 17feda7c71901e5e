#include "decode/html_parser.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#include "decode/kanj_conv.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavori {
namespace {

using ByteSet = std::array<bool, 256>;

template <typename Pred>
constexpr ByteSet MakeByteSet(Pred in) {
    ByteSet set{};
    for (int b = 0; b < 256; ++b) set[b] = in(static_cast<unsigned char>(b));
    return set;
}

// The text ends at its first NUL, which std::string also keeps behind its last byte: every
// scan below stops at NUL and so needs no separate end test.
constexpr ByteSet kEndsTextToken =
    MakeByteSet([](unsigned char b) { return b == 0 || b == '\n' || b == '\r' || b == '<'; });
// Running text copied as it stands: anything above 0x20 but a tag or a reference.
constexpr ByteSet kPlainText =
    MakeByteSet([](unsigned char b) { return b > 0x20 && b != '<' && b != '&'; });
constexpr ByteSet kPlainPreformatted =
    MakeByteSet([](unsigned char b) { return b != 0 && b != '<' && b != '&'; });

bool IsBlank(unsigned char b) { return b != 0 && b <= 0x20; }

// The end of the run of running text that starts at p[i] (kPlainText, or kPlainPreformatted
// in a PRE block), sixteen bytes a step where the processor allows: a page's text is mostly
// such runs, between a tag and a line end.
std::size_t PlainRunEnd(const char* p, std::size_t i, std::size_t n, bool preformatted) {
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<'), amp = _mm_set1_epi8('&');
    const __m128i low = _mm_set1_epi8(preformatted ? 0 : 0x20);
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        // At or below the lowest byte of text: NUL alone in PRE blocks, else every blank.
        const __m128i stop =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, amp)),
                         _mm_cmpeq_epi8(_mm_min_epu8(v, low), v));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(stop));
        if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(mask));
    }
#endif
    const ByteSet& plain = preformatted ? kPlainPreformatted : kPlainText;
    while (plain[static_cast<unsigned char>(p[i])]) ++i;  // the NUL behind the text stops it
    return i;
}

constexpr char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

// A tag name of up to 8 bytes packed into one number, upper-cased: the lookup is then a
// handful of integer compares for every tag of the page. Longer names are no known tag.
constexpr std::size_t kLongestTagName = 8;
constexpr std::uint64_t PackName(std::string_view name) {
    std::uint64_t key = 0;
    for (char c : name) key = (key << 8) | static_cast<unsigned char>(Upper(c));
    return key;
}

struct TagEntry {
    std::uint64_t key;
    THTMLParser::Action action;
};
constexpr TagEntry kTags[] = {
    {PackName("BR"), THTMLParser::kNewLine},
    {PackName("HR"), THTMLParser::kNewLine},
    {PackName("P"), THTMLParser::kNewLine},
    {PackName("/P"), THTMLParser::kNewLine},
    {PackName("/H1"), THTMLParser::kNewLine},
    {PackName("/H2"), THTMLParser::kNewLine},
    {PackName("/H3"), THTMLParser::kNewLine},
    {PackName("/H4"), THTMLParser::kNewLine},
    {PackName("/H5"), THTMLParser::kNewLine},
    {PackName("/H6"), THTMLParser::kNewLine},
    {PackName("/TR"), THTMLParser::kNewLine},
    {PackName("/TABLE"), THTMLParser::kNewLine},
    {PackName("/TD"), THTMLParser::kSpace},
    {PackName("/TH"), THTMLParser::kSpace},
    {PackName("PRE"), THTMLParser::kPreformattedOn},
    {PackName("/PRE"), THTMLParser::kPreformattedOff},
    {PackName("SCRIPT"), THTMLParser::kSkipOn},
    {PackName("SELECT"), THTMLParser::kSkipOn},
    {PackName("/SCRIPT"), THTMLParser::kSkipOff},
    {PackName("/SELECT"), THTMLParser::kSkipOff},
};

// In-tag normalisation, byte by byte: outside quotes letters go upper-case, and TAB, LF and CR
// become spaces everywhere.
constexpr std::array<char, 256> MakeTagCase(bool quoted) {
    std::array<char, 256> map{};
    for (int b = 0; b < 256; ++b) {
        char c = static_cast<char>(b);
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
        if (!quoted) c = Upper(c);
        map[b] = c;
    }
    return map;
}
constexpr std::array<char, 256> kTagOutsideQuotes = MakeTagCase(false);
constexpr std::array<char, 256> kTagInsideQuotes = MakeTagCase(true);
constexpr ByteSet kEndsTagOutsideQuotes =
    MakeByteSet([](unsigned char b) { return b == 0 || b == '"' || b == '>'; });
constexpr ByteSet kEndsTagInsideQuotes =
    MakeByteSet([](unsigned char b) { return b == 0 || b == '"'; });

THTMLParser::Action ActionOf(std::uint64_t key) {
    for (const TagEntry& entry : kTags)
        if (key == entry.key) return entry.action;
    return THTMLParser::kNone;
}

// The bytes that end a tag's name: a blank (TAB, LF and CR are spaces in a tag), a quote and
// what ends the tag.
constexpr ByteSet kEndsTagName = MakeByteSet([](unsigned char b) {
    return b == 0 || b == '"' || b == '>' || b == ' ' || b == '\t' || b == '\n' || b == '\r';
});

// The action of the tag at p[position] (a "<"), position moved past it as ReadTag moves it,
// without normalising the tag over: only its name counts, and no byte of a tag is output.
THTMLParser::Action SkipTag(const char* p, std::size_t& position) {
    std::size_t i = position + 1;
    std::uint64_t key = 0;
    std::size_t length = 0;
    while (!kEndsTagName[static_cast<unsigned char>(p[i])]) {
        key = (key << 8) | static_cast<unsigned char>(Upper(p[i]));
        ++length;
        ++i;
    }
    // A name with a quote in it, or longer than any, is no tag of the table.
    const bool known = length > 0 && length <= kLongestTagName && p[i] != '"';
    for (;;) {
        while (!kEndsTagOutsideQuotes[static_cast<unsigned char>(p[i])]) ++i;
        if (p[i] != '"') break;
        ++i;
        while (!kEndsTagInsideQuotes[static_cast<unsigned char>(p[i])]) ++i;
        if (p[i] != '"') break;
        ++i;
    }
    position = p[i] == '>' ? i + 1 : i;
    return known ? ActionOf(key) : THTMLParser::kNone;
}

struct EntityEntry {
    std::string_view nameAndSemicolon;
    char replacement;
};
constexpr EntityEntry kEntities[] = {
    {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"nbsp;", ' '},
};
constexpr std::size_t kLongestEntity = 5;

}  // namespace

THTMLParser::THTMLParser(std::string page, PageText given) : text_(std::move(page)) {
    if (given == PageText::kDetect) kanj::ConvertToSjis(text_);
    if (const void* nul = std::memchr(text_.data(), '\0', text_.size()))
        text_.resize(static_cast<std::size_t>(static_cast<const char*>(nul) - text_.data()));
    NextToken();
}

std::string_view THTMLParser::ReadTag(std::size_t& position) {
    char* p = text_.data();
    const std::size_t start = position + 1;
    std::size_t i = start;
    // Quoted attribute values keep their case and may hold ">".
    for (;;) {
        while (!kEndsTagOutsideQuotes[static_cast<unsigned char>(p[i])]) {
            p[i] = kTagOutsideQuotes[static_cast<unsigned char>(p[i])];
            ++i;
        }
        if (p[i] != '"') break;
        ++i;
        while (!kEndsTagInsideQuotes[static_cast<unsigned char>(p[i])]) {
            p[i] = kTagInsideQuotes[static_cast<unsigned char>(p[i])];
            ++i;
        }
        if (p[i] != '"') break;
        ++i;
    }
    // At ">" or at the NUL behind the text: a tag without ">" runs to the end of the text.
    position = p[i] == '>' ? i + 1 : i;
    return std::string_view(p + start, i - start);
}

void THTMLParser::NextToken() {
    token_text_.clear();
    const char* p = text_.data();
    std::size_t i = position_;
    if (!preformatted_)
        while (IsBlank(static_cast<unsigned char>(p[i]))) ++i;
    switch (p[i]) {
        case '\0':
            kind_ = kEnd;
            break;
        case '\n':
            kind_ = kLineBreak;
            ++i;
            break;
        case '\r':
            kind_ = kLineBreak;
            i += p[i + 1] == '\n' ? 2 : 1;
            break;
        case '<':
            kind_ = kTag;
            token_text_ = ReadTag(i);
            if (IsTag("PRE"))
                preformatted_ = true;
            else if (IsTag("/PRE"))
                preformatted_ = false;
            break;
        default: {
            kind_ = kText;
            std::size_t start = i;
            while (!kEndsTextToken[static_cast<unsigned char>(p[i])]) ++i;
            // Preformatted text keeps its line end with the line. Only the LF of a CR LF
            // pair goes with the CR: any other byte after a lone CR starts the next token,
            // so a tag right after it is still read as a tag.
            if (preformatted_ && p[i] == '\r') i += p[i + 1] == '\n' ? 2 : 1;
            token_text_.assign(p + start, i - start);
            break;
        }
    }
    position_ = i;
}

bool THTMLParser::IsTag(std::string_view name) const {
    if (kind_ != kTag) return false;
    std::string_view token = token_text_;
    return EqualsIgnoreCase(token, name) ||
           (token.size() > name.size() && token.compare(0, name.size(), name) == 0 &&
            token[name.size()] == ' ');
}

THTMLParser::Action THTMLParser::TagAction(std::string_view tag) {
    std::string_view name = tag.substr(0, tag.find(' '));
    if (name.empty() || name.size() > kLongestTagName) return kNone;
    return ActionOf(PackName(name));
}

bool THTMLParser::DecodeEntity(std::string_view text, std::size_t& position, char& replacement) {
    if (position >= text.size() || text[position] != '&') return false;
    // Only a ";" within reach of the longest name can close a known reference; looking no
    // further keeps a long line full of "&" linear.
    const std::size_t limit = std::min(text.size(), position + 1 + kLongestEntity);
    std::size_t end = position + 1;
    while (end < limit && text[end] != ';' && text[end] != '\0' && text[end] != '\n' &&
           text[end] != '\r')
        ++end;
    if (end >= limit || text[end] != ';') return false;
    std::string_view name = text.substr(position + 1, end - position);
    for (const EntityEntry& entity : kEntities) {
        if (EqualsIgnoreCase(name, entity.nameAndSemicolon)) {
            replacement = entity.replacement;
            position = end;
            return true;
        }
    }
    return false;
}

std::string THTMLParser::ExtractText() {
    while (kind_ != kEnd && !IsTag("BODY")) NextToken();
    if (kind_ == kEnd) return std::string();

    // The output is written over the text already read: no step writes more bytes than it
    // consumes (the shortest new-line tag, "<P", is as long as its "\r\n"), so the write
    // position w never passes the read position r.
    char* p = text_.data();
    const std::size_t n = text_.size();
    std::size_t r = position_, w = 0;
    bool skip = false, preformatted = false;
    for (;;) {
        if (!preformatted)
            while (IsBlank(static_cast<unsigned char>(p[r]))) ++r;
        if (p[r] == '\0') break;
        if (p[r] == '<') {
            switch (SkipTag(p, r)) {
                case kPreformattedOn: {
                    // The rest of the PRE tag's line is dropped.
                    const void* lf = std::memchr(p + r, '\n', n - r);
                    r = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - p) + 1 : n;
                    preformatted = true;
                    break;
                }
                case kPreformattedOff:
                    preformatted = false;
                    break;
                case kNewLine:
                    p[w++] = '\r';
                    p[w++] = '\n';
                    break;
                case kSpace:
                    p[w++] = ' ';
                    break;
                case kSkipOn:
                    skip = true;
                    break;
                case kSkipOff:
                    skip = false;
                    break;
                case kNone:
                    break;
            }
            continue;
        }
        if (skip) {
            const void* lt = std::memchr(p + r, '<', n - r);
            r = lt ? static_cast<std::size_t>(static_cast<const char*>(lt) - p) : n;
            continue;
        }
        // A text run, up to the next tag. Runs are moved whole; only blanks and references
        // are looked at one by one.
        const ByteSet& plain = preformatted ? kPlainPreformatted : kPlainText;
        bool spaceWritten = false;
        while (p[r] != '<' && p[r] != '\0') {
            if (plain[static_cast<unsigned char>(p[r])]) {
                const std::size_t end = PlainRunEnd(p, r, n, preformatted);
                std::memmove(p + w, p + r, end - r);
                w += end - r;
                r = end;
                spaceWritten = false;
            } else if (p[r] == '&') {
                char replacement;
                if (DecodeEntity(std::string_view(p, n), r, replacement)) {
                    p[w++] = replacement;  // leaves the space mark as it was
                } else {
                    p[w++] = '&';
                    spaceWritten = false;
                }
                ++r;
            } else {
                // Blanks in running text: a run of spaces gives one, line ends and other
                // control bytes give nothing.
                if (p[r] == ' ' && !spaceWritten) {
                    p[w++] = ' ';
                    spaceWritten = true;
                }
                ++r;
            }
        }
    }

    std::size_t begin = 0, end = w;
    while (begin < end && static_cast<unsigned char>(p[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(p[end - 1]) <= 0x20) --end;
    // The page's buffer becomes the text: a copy would cost a fresh buffer of its size.
    text_.resize(end);
    text_.erase(0, begin);
    std::string result = std::move(text_);
    text_.clear();
    position_ = 0;
    kind_ = kEnd;
    token_text_.clear();
    return result;
}

std::string HtmlToText(std::string page) {
    THTMLParser parser(std::move(page));
    return parser.ExtractText();
}

std::string SjisHtmlToText(std::string page) {
    THTMLParser parser(std::move(page), THTMLParser::PageText::kShiftJis);
    return parser.ExtractText();
}

}  // namespace tavori
