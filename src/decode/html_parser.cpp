#include "decode/html_parser.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "decode/kanj_conv.h"

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

struct EntityEntry {
    std::string_view nameAndSemicolon;
    char replacement;
};
constexpr EntityEntry kEntities[] = {
    {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"nbsp;", ' '},
};
constexpr std::size_t kLongestEntity = 5;

}  // namespace

THTMLParser::THTMLParser(std::string_view page, PageText given) : text_(page) {
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
    const std::uint64_t key = PackName(name);
    for (const TagEntry& entry : kTags)
        if (key == entry.key) return entry.action;
    return kNone;
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
            switch (TagAction(ReadTag(r))) {
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
                // Copied while scanned: most runs are a few words between two tags.
                do {
                    p[w++] = p[r++];
                } while (plain[static_cast<unsigned char>(p[r])]);
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
    std::string result;
    if (end - begin < text_.capacity() / 2) {
        result.assign(p + begin, end - begin);  // do not hand on the page's whole buffer
    } else {
        text_.resize(end);
        text_.erase(0, begin);
        result = std::move(text_);
    }
    text_.clear();
    position_ = 0;
    kind_ = kEnd;
    token_text_.clear();
    return result;
}

std::string HtmlToText(std::string_view page) {
    THTMLParser parser(page);
    return parser.ExtractText();
}

std::string SjisHtmlToText(std::string_view page) {
    THTMLParser parser(page, THTMLParser::PageText::kShiftJis);
    return parser.ExtractText();
}

}  // namespace tavori
