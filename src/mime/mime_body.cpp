#include "mime/mime_body.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "base/byte_find.h"
#include "base/sjis_text.h"
#include "decode/html_parser.h"
#include "mime/header_words.h"
#include "mime/transfer.h"

namespace tavori::mime {
namespace {

// Deeper nesting is no mail a person wrote; its parts are named, not opened.
constexpr int kMaxDepth = 24;

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lower[i]) return false;
    }
    return true;
}

// The value of the first field of a header as it stands in the file that has each of names (in
// lower case; letter case ignored, blanks allowed before the colon), unfolded; empty when
// there is none. Only the few fields asked for are unfolded, not the whole header, and all
// of them are found in one pass over its lines.
template <std::size_t N>
std::array<std::string, N> FieldsOf(std::string_view header,
                                    const std::array<std::string_view, N>& names) {
    std::array<std::string, N> values;
    std::array<bool, N> found{};
    std::size_t left = N;
    for (std::size_t start = 0; start < header.size() && left > 0;) {
        std::size_t end = FindByte(header, '\n', start);
        if (end == std::string_view::npos) end = header.size();
        const std::size_t lineStart = start;
        const std::string_view line = header.substr(start, end - start);
        start = end + 1;
        for (std::size_t k = 0; k < N; ++k) {
            const std::string_view name = names[k];
            if (found[k] || line.size() <= name.size() ||
                !EqualsIgnoringCase(line.substr(0, name.size()), name))
                continue;
            std::size_t colon = name.size();
            while (colon < line.size() && line[colon] == ' ') ++colon;
            if (colon >= line.size() || line[colon] != ':') continue;
            // The field runs on over the lines that begin with a blank.
            std::size_t last = end;
            while (last + 1 < header.size() &&
                   (header[last + 1] == ' ' || header[last + 1] == '\t')) {
                last = FindByte(header, '\n', last + 1);
                if (last == std::string_view::npos) last = header.size();
            }
            const std::size_t from = lineStart + colon + 1;
            values[k] = std::string(TrimWhite(UnfoldHeader(header.substr(from, last - from))));
            found[k] = true;
            --left;
            break;  // a line is one field
        }
    }
    return values;
}

std::string FieldOf(std::string_view header, std::string_view name) {
    return std::move(FieldsOf<1>(header, {name})[0]);
}

struct Part {
    std::string_view header;  // as it stands in the file
    std::string_view body;
    std::string type;  // "text/plain"
    FieldParams contentType;
    FieldParams disposition;
    std::string encoding;
    std::vector<Part> children;  // of a multipart

    bool IsMultipart() const { return !children.empty(); }
    bool IsAttachment() const { return disposition.value == "attachment"; }
    std::string_view Subtype() const {
        const std::size_t slash = type.find('/');
        return std::string_view(type).substr(slash + 1);
    }
    std::string_view Maintype() const { return std::string_view(type).substr(0, type.find('/')); }
};

Part MakePart(HeadAndBody split, std::string_view defaultType, int depth);

// The parts of a multipart body between its delimiter lines ("--boundary", blanks allowed
// behind it); the preamble before the first and the epilogue after the closing one
// ("--boundary--") are no parts. Without a closing line the last part runs to the end.
std::vector<std::string_view> SplitMultipart(std::string_view body, std::string_view boundary) {
    std::vector<std::string_view> parts;
    const std::string delimiter = "--" + std::string(boundary);
    std::size_t partStart = std::string_view::npos;  // none open before the first delimiter
    for (std::size_t at = body.find(delimiter); at != std::string_view::npos;
         at = body.find(delimiter, at + 1)) {
        if (at > 0 && body[at - 1] != '\n' && body[at - 1] != '\r') continue;
        std::size_t after = at + delimiter.size();
        const bool closing = body.substr(after, 2) == "--";
        if (closing) after += 2;
        while (after < body.size() && (body[after] == ' ' || body[after] == '\t')) ++after;
        if (after < body.size() && body[after] != '\r' && body[after] != '\n') continue;
        if (partStart != std::string_view::npos) {
            // The line end before the delimiter belongs to it.
            std::size_t end = at;
            if (end > partStart && body[end - 1] == '\n') --end;
            if (end > partStart && body[end - 1] == '\r') --end;
            parts.push_back(body.substr(partStart, end - partStart));
        }
        if (closing) return parts;
        if (after < body.size() && body[after] == '\r') ++after;
        if (after < body.size() && body[after] == '\n') ++after;
        partStart = after;
    }
    if (partStart != std::string_view::npos) parts.push_back(body.substr(partStart));
    return parts;
}

Part MakePart(HeadAndBody split, std::string_view defaultType, int depth) {
    Part part;
    part.header = split.header;
    part.body = split.body;
    const auto fields = FieldsOf<3>(
        part.header, {"content-type", "content-transfer-encoding", "content-disposition"});
    part.contentType = ParseFieldParams(fields[0]);
    part.type = part.contentType.value;
    if (part.type.find('/') == std::string::npos) part.type = std::string(defaultType);
    part.encoding = LowerAsciiName(TrimWhite(fields[1]));
    part.disposition = ParseFieldParams(fields[2]);
    if (part.Maintype() == "multipart" && depth < kMaxDepth) {
        const std::string boundary = part.contentType.Get("boundary");
        const std::string_view childType =
            part.Subtype() == "digest" ? "message/rfc822" : "text/plain";
        if (!boundary.empty())
            for (std::string_view child : SplitMultipart(part.body, boundary))
                part.children.push_back(MakePart(SplitHeadAndBody(child), childType, depth + 1));
        // A multipart without its parts is read as the text it is.
        if (part.children.empty()) part.type = "text/plain";
    }
    return part;
}

// The body part as a mail reader chooses it: the first text/plain part that is no
// attachment, else the first such text/html part, looking into multiparts (of a
// multipart/related only into its start part) but not into attached messages.
void FindBody(const Part& part, const Part*& plain, const Part*& html) {
    if (plain || part.IsAttachment()) return;
    if (part.Maintype() == "text") {
        if (part.Subtype() == "plain") plain = &part;
        if (part.Subtype() == "html" && !html) html = &part;
        return;
    }
    if (!part.IsMultipart()) return;
    if (part.Subtype() != "related") {
        for (const Part& child : part.children) FindBody(child, plain, html);
        return;
    }
    const std::string start = part.contentType.Get("start");
    const Part* candidate = &part.children.front();
    for (const Part& child : part.children)
        if (!start.empty() && TrimWhite(FieldOf(child.header, "content-id")) == start)
            candidate = &child;
    FindBody(*candidate, plain, html);
}

bool Contains(const Part& part, const Part* target) {
    if (&part == target) return true;
    return std::any_of(part.children.begin(), part.children.end(),
                       [&](const Part& c) { return Contains(c, target); });
}

// The parts besides the body: attached messages, and every other part to be named. Of a
// multipart/alternative only the branch that holds the body (else its last, the richest)
// counts: the others are the same text in other forms.
void CollectOthers(const Part& part, const Part* body, std::vector<const Part*>& messages,
                   std::vector<const Part*>& named) {
    if (&part == body) return;
    if (part.IsMultipart()) {
        if (part.Subtype() == "alternative") {
            const auto it = std::find_if(part.children.begin(), part.children.end(),
                                         [&](const Part& c) { return Contains(c, body); });
            CollectOthers(it != part.children.end() ? *it : part.children.back(), body, messages,
                          named);
            return;
        }
        for (const Part& child : part.children) CollectOthers(child, body, messages, named);
        return;
    }
    if (part.type == "message/rfc822" || part.type == "message/global")
        messages.push_back(&part);
    else
        named.push_back(&part);
}

bool HasBodyTag(std::string_view page) {
    for (std::size_t at = page.find('<'); at != std::string_view::npos; at = page.find('<', at + 1))
        if (LowerAsciiName(page.substr(at + 1, 4)) == "body") return true;
    return false;
}

void AppendPartText(const Part& part, SjisText& out) {
    // Only base64 and quoted-printable change the bytes; the others are read where they lie.
    std::string decoded;
    std::string_view bytes = part.body;
    if (part.encoding == "base64" || part.encoding == "quoted-printable")
        bytes = decoded = DecodeTransfer(part.encoding, part.body);
    if (part.Subtype() != "html") {
        AppendTextAsSjis(part.contentType.Get("charset"), bytes, out);
        return;
    }
    SjisText page;
    AppendTextAsSjis(part.contentType.Get("charset"), bytes, page);
    out.unmapped += page.unmapped;
    // The parser reads from the first BODY tag; a part of markup alone has none.
    out.text += SjisHtmlToText(HasBodyTag(page.text) ? page.text : "<BODY>" + page.text);
}

// The size of a part's content once decoded, without decoding base64 only to measure it.
std::size_t DecodedSize(const Part& part) {
    if (part.encoding != "base64") return DecodeTransfer(part.encoding, part.body).size();
    return DecodedBase64Size(part.body);
}

std::string GroupedDigits(std::size_t n) {
    std::string digits = std::to_string(n);
    for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
    return digits;
}

void AppendNamedPart(const Part& part, SjisText& out) {
    std::string name = part.disposition.Get("filename");
    if (name.empty()) name = part.contentType.Get("name");
    out.unmapped += part.disposition.unmapped + part.contentType.unmapped;
    out.text += "[添付] ";
    out.text += name.empty() ? std::string("(名前なし)") : name;
    out.text += " (" + part.type + ", " + GroupedDigits(DecodedSize(part)) + " バイト)";
}

void AppendMessageText(std::string_view header, std::string_view body, int depth, SjisText& out);

void AppendAttachedMessage(const Part& part, int depth, SjisText& out) {
    const std::string raw = DecodeTransfer(part.encoding, part.body);
    const HeadAndBody split = SplitHeadAndBody(raw);
    out.text += "-------- 添付メール --------";
    for (std::string_view field : {"From", "Date", "Subject"}) {
        const std::string value = FieldOf(split.header, LowerAsciiName(field));
        if (value.empty()) continue;
        out.text += "\r\n";
        out.text += field;
        out.text += ": ";
        AppendDecodedText(value, out);
    }
    out.text += "\r\n\r\n";
    AppendMessageText(split.header, split.body, depth + 1, out);
}

void AppendMessageText(std::string_view header, std::string_view body, int depth, SjisText& out) {
    const Part root = MakePart({header, body}, "text/plain", depth);
    const Part* plain = nullptr;
    const Part* html = nullptr;
    FindBody(root, plain, html);
    const Part* chosen = plain ? plain : html;
    if (chosen) AppendPartText(*chosen, out);
    std::vector<const Part*> messages, named;
    CollectOthers(root, chosen, messages, named);
    const std::size_t from = out.text.size();
    // Each attached mail and the list of named parts stand apart, an empty line before each.
    auto startBlock = [&] {
        if (out.text.size() > from || chosen) out.text += "\r\n\r\n";
    };
    for (const Part* message : messages) {
        startBlock();
        if (depth < kMaxDepth)
            AppendAttachedMessage(*message, depth, out);
        else
            AppendNamedPart(*message, out);
    }
    for (std::size_t i = 0; i < named.size(); ++i) {
        if (i == 0)
            startBlock();
        else
            out.text += "\r\n";
        AppendNamedPart(*named[i], out);
    }
}

// Every line end as CR LF: the record has no bare CR or LF. Text that has none is moved,
// not copied, and runs between line ends are copied whole.
std::string CrLfLines(std::string&& text) {
    const std::size_t n = text.size();
    auto bare = [&](std::size_t from) {  // the first bare CR or LF at or after from, or n
        const std::size_t at = FindBareLineEnd(text, from);
        return at == std::string::npos ? n : at;
    };
    std::size_t at = bare(0);
    if (at == n) return std::move(text);
    std::string out;
    out.reserve(n + n / 16);
    std::size_t copied = 0;
    while (at < n) {
        out.append(text, copied, at - copied);
        out += "\r\n";
        copied = at + 1;
        at = bare(copied);
    }
    out.append(text, copied, n - copied);
    return out;
}

}  // namespace

HeadAndBody SplitHeadAndBody(std::string_view text) {
    if (text.starts_with("\r\n")) return {{}, text.substr(2)};
    if (text.starts_with("\n")) return {{}, text.substr(1)};
    for (std::size_t lf = FindByte(text, '\n'); lf != std::string_view::npos;
         lf = FindByte(text, '\n', lf + 1)) {
        std::size_t next = lf + 1;
        if (next < text.size() && text[next] == '\r') ++next;
        if (next < text.size() && text[next] == '\n') {
            std::size_t end = lf;
            if (end > 0 && text[end - 1] == '\r') --end;
            return {text.substr(0, end), text.substr(next + 1)};
        }
    }
    return {text, {}};
}

SjisText DecodeBodyText(std::string_view header, std::string_view body) {
    SjisText out;
    DecodeBodyTextInto(header, body, out);
    return out;
}

void DecodeBodyTextInto(std::string_view header, std::string_view body, SjisText& out) {
    out.text.clear();
    out.unmapped = 0;
    AppendMessageText(header, body, 0, out);
    out.text = CrLfLines(std::move(out.text));
}

}  // namespace tavori::mime
