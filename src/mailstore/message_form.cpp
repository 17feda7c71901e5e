// The normal form of a message: how a text becomes a header and a body, and how they are
// written back as mailbox text.
#include <algorithm>
#include <bit>
#include <cstring>

#include "base/sjis_text.h"
#include "decode/header_decoder.h"
#include "mailstore/byte_scan.h"
#include "mailstore/mail_message.h"
#include "mime/header_words.h"
#include "mime/mime_body.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavori {
namespace {

std::size_t FindHeaderEnd(std::string_view text);

// A lone CR before a folded line can meet the LF of a bare LF behind the fold and make a CR LF
// the header never had: "x\r\n\r\r\n \nY" unfolds to "x\r\n\r\nY"; and a line that is one
// encoded word of no text decodes to an empty line. Written back, that empty line would end
// the header and move the lines after it into the body, and a CR LF at the end would be read
// as part of the separating empty line. Such empty lines hold nothing, so they go.
void CloseEmptyLines(std::string& header) {
    const std::size_t first = FindHeaderEnd(header);
    if (first == std::string_view::npos && !header.ends_with("\r\n")) return;  // as nearly always
    char* h = header.data();
    const std::size_t n = header.size();
    std::size_t w = first == std::string_view::npos ? n : first;
    for (std::size_t i = w; i < n; ++i) {
        if (h[i] == '\r' && i + 3 < n && h[i + 1] == '\n' && h[i + 2] == '\r' && h[i + 3] == '\n') {
            ++i;  // drop this CR LF; the one behind it stays
            continue;
        }
        h[w++] = h[i];
    }
    if (w >= 2 && h[w - 2] == '\r' && h[w - 1] == '\n') w -= 2;
    header.resize(w);
}

// Unfolds continuation lines in place: each CR LF followed by a space goes, with all spaces
// right behind it, joining the lines with nothing between. Removing them in one pass from the
// front gives the same text as removing the first such place again and again: the text
// written so far never holds one, so the next place can only end at a space being added, and
// its CR may be the last byte left by the previous removal. Whole runs between places are
// moved; the text only gets shorter, so the written part never overtakes the read part.
void Unfold(std::string& header) {
    const std::size_t n = header.size();
    char* h = header.data();
    std::size_t w = 0;       // header[0, w) is the unfolded text so far
    std::size_t copied = 0;  // header[copied, ...) is not yet moved there
    ForEachPair(h, 0, n, '\n', " ", [&](std::size_t lf) -> std::size_t {
        const std::size_t from = lf + 1;
        // The byte before this LF in the unfolded text: in the pending run, or already moved.
        const bool crBefore = lf > copied ? h[lf - 1] == '\r' : w > 0 && h[w - 1] == '\r';
        if (!crBefore) return from;
        if (lf > copied) {
            if (w != copied) std::memmove(h + w, h + copied, lf - 1 - copied);
            w += lf - 1 - copied;
        } else {
            --w;
        }
        copied = from + 1;
        while (copied < n && h[copied] == ' ') ++copied;
        return std::max(copied, from + 1);
    });
    if (copied == 0) return;  // nothing was folded
    if (w != copied) std::memmove(h + w, h + copied, n - copied);
    header.resize(w + n - copied);
    CloseEmptyLines(header);
}

// What SplitHeader returns when a byte 0x1A lies before the header's end, or in a text that
// has none: such text is cleaned of them first (see ParseInto).
constexpr std::size_t kHasSub = std::string_view::npos - 1;

// Finds the first empty line ("\r\n\r\n") of text and copies the header before it into out
// with every tab a space and unfolded as Unfold does, in one pass: the loads that look for
// the end of the header also find its folds and copy it, and it is written once instead of
// being copied and then moved again behind each fold. Returns where the empty line is, npos
// when there is none, or kHasSub. The header is unknown until its end is found, so out grows
// as it is written. mayHaveEmptyLines tells whether a fold was removed right after a CR or
// LF. The header before the first empty line holds none and does not end in a line end, so a
// removal can make either (see CloseEmptyLines) only of line-end bytes on both of its sides.
std::size_t SplitHeader(std::string_view text, std::string& out, bool& mayHaveEmptyLines) {
    const char* const in = text.data();
    const std::size_t n = text.size();
    std::size_t room = std::min(n, std::max<std::size_t>(out.capacity(), 256));
    out.resize(room);
    char* o = out.data();
    std::size_t r = 0, w = 0;  // in[r, n) is still to copy to o[w, ...); w never passes r
    // A header is seldom more than a few kilobytes. Past this much, the end is looked for
    // first, so that a long text with no empty line (no header at all) is not copied whole
    // beside itself.
    constexpr std::size_t kCopyBeforeLooking = std::size_t{64} * 1024;
    std::size_t end = std::string_view::npos;
    auto makeRoom = [&](std::size_t bytes) -> bool {  // false: the text has no empty line
        if (w + bytes <= room) return true;
        std::size_t want = std::max(2 * room, w + bytes);
        if (want > kCopyBeforeLooking && end == std::string_view::npos) {
            end = FindHeaderEnd(text);
            if (end == std::string_view::npos) return false;
        }
        // Reading stops at the LF after the end's CR, and writes never pass reads by more
        // than a step of sixteen.
        if (end != std::string_view::npos) want = std::max(w + bytes, end + 17);
        room = std::min(n, want);
        out.resize(room);
        o = out.data();
        return true;
    };
    // What the text is when it has no empty line: a 0x1A byte may still hide one.
    auto noEnd = [&] {
        return FindByte(in + r, in + n, '\x1A') ? kHasSub : std::string_view::npos;
    };
    mayHaveEmptyLines = false;
    // in[r] is a line feed: ends the header, ends a fold, or is copied. True at the end.
    auto atLineFeed = [&]() -> bool {
        const char next = r + 1 < n ? in[r + 1] : '\0';
        if (next == '\r') {
            if (r >= 1 && in[r - 1] == '\r' && r + 2 < n && in[r + 2] == '\n') {
                out.resize(w - 1);  // without the CR before, the last byte written
                return true;
            }
        } else if ((next == ' ' || next == '\t') && w > 0 && o[w - 1] == '\r') {
            --w;  // a fold: CR, LF and the blanks behind them go
            r += 2;
            while (r < n && (in[r] == ' ' || in[r] == '\t')) ++r;
            if (w > 0 && (o[w - 1] == '\r' || o[w - 1] == '\n')) mayHaveEmptyLines = true;
            return false;
        }
        o[w++] = '\n';
        ++r;
        return false;
    };
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
    const __m128i space = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t');
    const __m128i sub = _mm_set1_epi8('\x1A');
    // Sixteen bytes and the one behind them are read at a time.
    while (r + 17 <= n) {
        if (!makeRoom(16)) return noEnd();
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + r));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + r + 1));
        const __m128i xTab = _mm_cmpeq_epi8(x, tab);
        const __m128i spaced = _mm_or_si128(_mm_andnot_si128(xTab, x), _mm_and_si128(xTab, space));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + w), spaced);
        // A line feed before a blank or a CR, or a 0x1A: the places that need a look.
        const __m128i next = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(y, space), _mm_cmpeq_epi8(y, tab)), _mm_cmpeq_epi8(y, cr));
        const __m128i places =
            _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(x, lf), next), _mm_cmpeq_epi8(x, sub));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(places));
        if (mask == 0) {
            r += 16;
            w += 16;
            continue;
        }
        const auto k = static_cast<std::size_t>(std::countr_zero(mask));
        r += k;
        w += k;
        if (in[r] == '\x1A') return kHasSub;
        if (atLineFeed()) return r - 1;
    }
#endif
    while (r < n) {
        const char c = in[r];
        if (c == '\x1A') return kHasSub;
        if (!makeRoom(1)) return noEnd();
        if (c == '\n') {
            if (atLineFeed()) return r - 1;
            continue;
        }
        o[w++] = c == '\t' ? ' ' : c;
        ++r;
    }
    return std::string_view::npos;
}

// A line that is "." alone would end the message when the text is written back to a
// mailbox file; a space before the full stop keeps it a line of text.
bool IsLoneDotLine(std::string_view text, std::size_t dot) {
    bool startsLine = dot == 0 || (dot >= 2 && text[dot - 2] == '\r' && text[dot - 1] == '\n');
    bool endsLine = dot + 1 == text.size() ||
                    (dot + 2 < text.size() && text[dot + 1] == '\r' && text[dot + 2] == '\n');
    return startsLine && endsLine;
}

void ProtectLoneDots(std::string& text) {
    const std::size_t n = text.size();
    // The first lone dot; most headers have none. Past the start, it follows a line feed.
    std::size_t lone = n > 0 && IsLoneDotLine(text, 0) ? 0 : n;
    if (lone == n) {
        ForEachPair(text.data(), 0, n, '\n', ".", [&](std::size_t lf) {
            if (!IsLoneDotLine(text, lf + 1)) return lf + 1;
            lone = lf + 1;
            return n;
        });
    }
    if (lone == n) return;
    std::string out;
    out.reserve(n + 8);
    out.append(text, 0, lone);
    for (std::size_t i = lone; i < n; ++i) {
        if (text[i] == '.' && IsLoneDotLine(text, i)) out += ' ';
        out += text[i];
    }
    text = std::move(out);
}

// The body rules in one pass over the lines: a space before a "#" that begins a line, a space
// before a line that is "." alone (it would end the message when written back to a mailbox
// file), and every run of three or more CR LF pairs cut to two, so no two empty lines follow
// each other. The spaces go only before line starts and never touch a CR LF run, so doing all
// three at once gives the text of doing them one after the other. Only line starts after a
// line feed can need a change, so the text is searched for those and copied whole between.
void NormaliseBody(std::string_view body, std::string& out) {
    const char* b = body.data();
    const std::size_t n = body.size();
    out.clear();
    out.reserve(n + 16);
    std::size_t copied = 0;  // body[copied, ...) is not yet in out
    auto markLine = [&](std::size_t s) {
        if (b[s] == '#' || (b[s] == '.' && IsLoneDotLine(body, s))) {
            out.append(b + copied, s - copied);
            out += ' ';
            copied = s;
        }
    };
    // s starts a line after a line feed; returns where the search for line feeds goes on.
    auto lineStart = [&](std::size_t s) -> std::size_t {
        if (s >= n) return s;
        if (b[s] != '\r' || b[s - 2] != '\r') {  // not empty lines behind a CR LF line end
            markLine(s);
            return s;
        }
        std::size_t i = s;
        while (i + 1 < n && b[i] == '\r' && b[i + 1] == '\n') i += 2;
        if (i - s > 2) {  // keep one empty line of the run
            out.append(b + copied, s + 2 - copied);
            copied = i;
        }
        if (i == s) return s;  // a lone CR
        if (i < n) markLine(i);
        return i;
    };
    if (n > 0) markLine(0);
    ForEachPair(b, 0, n, '\n', "#.\r", [&](std::size_t lf) {
        const std::size_t s = lf + 1;
        return lf >= 1 ? std::max(lineStart(s), s) : s;
    });
    out.append(b + copied, n - copied);
}

// The position of the first empty line ("\r\n\r\n") in text, or npos.
std::size_t FindHeaderEnd(std::string_view text) {
    std::size_t found = std::string_view::npos;
    const char* t = text.data();
    const std::size_t n = text.size();
    if (n < 4) return found;
    ForEachPair(t, 1, n - 1, '\n', "\r", [&](std::size_t lf) {
        if (t[lf - 1] != '\r' || t[lf + 2] != '\n') return lf + 1;
        found = lf - 1;
        return n;
    });
    return found;
}

// Splits a message into its normal header and body. Reads the text where it lies, so a
// message whole in the read buffer needs no copy of its own; the text must not lie in
// headerOut or bodyOut, whose buffers are reused. Without wantBody the body is left empty.
// decoding holds the reader's buffers for the header's encoded words. True when the message
// has a header or a body.
bool ParseInto(std::string_view text, std::string& headerOut, std::string& bodyOut, bool wantBody,
               HeaderDecodeBuffers& decoding) {
    // Bytes 0x1A are dropped from the whole text before it is split. Where none lies before
    // the empty line the split is the same, and only the body (if it is wanted) is searched.
    std::string cleaned;
    bool mayHaveEmptyLines = false;
    std::size_t split = SplitHeader(text, headerOut, mayHaveEmptyLines);
    if (split == kHasSub) {
        cleaned.assign(text);
        std::erase(cleaned, '\x1A');
        text = cleaned;
        split = SplitHeader(text, headerOut, mayHaveEmptyLines);
    }
    std::string_view bodyPart;
    if (split == std::string_view::npos) {
        headerOut.clear();
        bodyPart = text;
    } else {
        if (mayHaveEmptyLines) CloseEmptyLines(headerOut);
        bodyPart = text.substr(split + 4);
    }
    if (DecodeHeaderInPlace(headerOut, decoding)) {
        // Decoded text began a line with a blank, which reading the written header back
        // would take for a fold, or left it empty: a line of one encoded word of no text.
        Unfold(headerOut);
        CloseEmptyLines(headerOut);
    }
    ProtectLoneDots(headerOut);
    // Without the body, only whether there was one counts, and a header already says there
    // was a message: the body's bytes need not even be looked at.
    if (!wantBody && !headerOut.empty()) {
        bodyOut.clear();
        return true;
    }

    std::string_view body = TrimMailText(bodyPart);  // 0x1A is trimmed like any control byte
    if (wantBody && !body.empty() && cleaned.empty() &&
        FindByte(body.data(), body.data() + body.size(), '\x1A') != nullptr) {
        cleaned.assign(body);
        std::erase(cleaned, '\x1A');
        body = TrimMailText(cleaned);
    }
    if (wantBody && !body.empty())
        NormaliseBody(body, bodyOut);
    else
        bodyOut.clear();
    return !headerOut.empty() || !body.empty();
}

// The decoded form: the header and body split as in the mailbox form, then each header line
// unfolded keeping its blank and decoded, and the body the text a person reads, under the
// body rules of the mailbox form. lines gets the header lines with characters Shift-JIS
// lacks, bodyUnmapped those of the body.
bool ParseDecoded(std::string_view text, std::string& headerOut, std::string& bodyOut,
                  bool wantBody, std::vector<std::pair<std::size_t, std::size_t>>& lines,
                  std::size_t& bodyUnmapped, HeaderDecodeBuffers& decoding) {
    std::string cleaned;
    if (text.find('\x1A') != std::string_view::npos) {
        cleaned.assign(text);
        std::erase(cleaned, '\x1A');
        text = cleaned;
    }
    const std::size_t split = FindHeaderEnd(text);
    const std::string_view rawHeader =
        split == std::string_view::npos ? std::string_view() : text.substr(0, split);
    const std::string_view rawBody =
        split == std::string_view::npos ? text : text.substr(split + 4);
    headerOut.clear();
    lines.clear();
    bodyUnmapped = 0;
    mime::SjisText header;
    header.text.swap(headerOut);  // its buffer, reused
    header.text.reserve(rawHeader.size());
    mime::ForEachUnfoldedLine(rawHeader, [&](std::string_view line) {
        if (!header.text.empty()) header.text += "\r\n";
        const std::size_t lineStart = header.text.size(), before = header.unmapped;
        mime::AppendDecodedText(line, header);
        if (header.unmapped > before) lines.emplace_back(lineStart, header.unmapped - before);
    });
    headerOut = std::move(header.text);
    bodyOut.clear();
    if (!wantBody) return !headerOut.empty() || !TrimMailText(rawBody).empty();
    mime::SjisText body;
    body.text.swap(decoding.body);  // the reader's buffer, given back below
    mime::DecodeBodyTextInto(rawHeader, rawBody, body);
    bodyUnmapped = body.unmapped;
    // Decoded text is Shift-JIS: an ESC left at its edge is no escape any more, and goes too.
    const std::string_view trimmed = TrimWhite(body.text);
    if (!trimmed.empty()) NormaliseBody(trimmed, bodyOut);
    const bool any = !headerOut.empty() || !trimmed.empty();
    // Kept for the next message, unless a big one grew it.
    if (body.text.capacity() <= std::size_t{1024} * 1024) decoding.body.swap(body.text);
    return any;
}

}  // namespace

MailMessage::MailMessage(std::string_view text, MessageForm form) {
    HeaderDecodeBuffers decoding;
    Parse(text, true, decoding, form);
}

MailMessage& MailMessage::operator=(const MailMessage& other) {
    if (this != &other) *this = MailMessage(other);
    return *this;
}

bool MailMessage::Parse(std::string_view text, bool wantBody, HeaderDecodeBuffers& decoding,
                        MessageForm form) {
    linesKnown_ = false;
    form_ = form;
    if (form == MessageForm::kDecoded)
        return ParseDecoded(text, header_, body_, wantBody, unmapped_.lines, unmapped_.body,
                            decoding);
    unmapped_.body = 0;
    unmapped_.lines.clear();
    return ParseInto(text, header_, body_, wantBody, decoding);
}

std::string MailMessage::ToMailboxText() const {
    if (header_.empty()) return {};
    std::string text;
    text.reserve(header_.size() + body_.size() + 9);
    text += header_;
    text += "\r\n\r\n";
    text += body_;
    text += kSeparator;
    return text;
}

}  // namespace tavori
