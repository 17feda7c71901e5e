#include "mime/import_text.h"

#include <cstdint>

#include "base/sjis_text.h"
#include "mime/header_words.h"
#include "mime/mime_body.h"

namespace tavori::mime {
namespace {

constexpr std::size_t kMetaWindow = 4096;

void AppendUtf8Code(std::uint32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 as UTF-8; an unpaired surrogate and a last odd byte become U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    const auto unit = [&](std::size_t i) -> std::uint32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    const std::size_t n = bytes.size() / 2 * 2;
    for (std::size_t i = 0; i < n; i += 2) {
        std::uint32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 2 < n && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8Code(c, out);
    }
    if (bytes.size() % 2 != 0) AppendUtf8Code(0xFFFD, out);
    return out;
}

// The charset a <meta> tag in the page's first 4 KB names ("charset=" in a tag's text, as
// both the http-equiv form's content and the short form write it); comments are passed over.
std::string MetaCharset(std::string_view page) {
    const std::string head = LowerAsciiName(page.substr(0, kMetaWindow));
    for (std::size_t at = head.find('<'); at != std::string::npos; at = head.find('<', at + 1)) {
        if (head.compare(at, 4, "<!--") == 0) {
            at = head.find("-->", at + 4);
            if (at == std::string::npos) break;
            continue;
        }
        if (head.compare(at, 5, "<meta") != 0) continue;
        const std::size_t end = head.find('>', at);
        const std::string_view tag = std::string_view(head).substr(at, end - at);
        const std::size_t key = tag.find("charset=");
        if (key == std::string_view::npos) continue;
        std::size_t v = key + 8;
        while (v < tag.size() && (tag[v] == '"' || tag[v] == '\'' || tag[v] == ' ')) ++v;
        std::size_t e = v;
        while (e < tag.size() && tag[e] != '"' && tag[e] != '\'' && tag[e] != ' ' &&
               tag[e] != ';' && tag[e] != '/')
            ++e;
        if (e > v) return std::string(tag.substr(v, e - v));
    }
    return {};
}

// The bytes of a UTF-8 character that the end of the text cut short (a lead byte and fewer
// continuation bytes than it announces), or 0: a file cut in a character is still UTF-8.
std::size_t CutUtf8Tail(std::string_view text) {
    for (std::size_t k = 1; k <= 3 && k <= text.size(); ++k) {
        const auto b = static_cast<unsigned char>(text[text.size() - k]);
        if ((b & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
        return b >= 0xC2 && b <= 0xF4 && k < length ? k : 0;
    }
    return 0;
}

// Valid UTF-8 with multi-byte characters, perhaps cut short in the last one.
bool IsUtf8Text(std::string_view text) {
    const std::string_view whole = text.substr(0, text.size() - CutUtf8Tail(text));
    return HasEightBit(whole) && IsValidUtf8(whole);
}

}  // namespace

DetectedEncoding DetectImportEncoding(std::string_view bytes, bool html) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return {ImportEncoding::kUtf8Bom, "utf-8", 3};
    if (bytes.starts_with("\xFF\xFE")) return {ImportEncoding::kUtf16Le, "utf-16le", 2};
    if (bytes.starts_with("\xFE\xFF")) return {ImportEncoding::kUtf16Be, "utf-16be", 2};
    if (html) {
        // A page's charset that its bytes plainly contradict (a copied template's UTF-8 over
        // Shift-JIS text) is passed over: the bytes decide, and nothing turns to 〓 needlessly.
        std::string charset = MetaCharset(bytes);
        const std::string_view whole = bytes.substr(0, bytes.size() - CutUtf8Tail(bytes));
        if (!charset.empty() && ReadsAsCharset(charset, whole))
            return {ImportEncoding::kMeta, std::move(charset), 0};
    }
    if (IsUtf8Text(bytes)) return {ImportEncoding::kUtf8, "utf-8", 0};
    return {};
}

std::optional<SjisText> ImportTextAsSjis(std::string_view bytes, bool html) {
    const DetectedEncoding found = DetectImportEncoding(bytes, html);
    const std::string_view text = bytes.substr(found.skip);
    SjisText out;
    switch (found.kind) {
        case ImportEncoding::kJapanese:
            return std::nullopt;
        case ImportEncoding::kUtf16Le:
        case ImportEncoding::kUtf16Be:
            AppendUtf8AsSjis(Utf16ToUtf8(text, found.kind == ImportEncoding::kUtf16Be), out);
            break;
        case ImportEncoding::kUtf8Bom:
        case ImportEncoding::kUtf8:
            AppendUtf8AsSjis(text, out);
            break;
        case ImportEncoding::kMeta:
            // A charset the system does not know leaves the bytes to the Japanese rules.
            if (!AppendCharsetAsSjis(found.charset, text, out)) return std::nullopt;
            break;
    }
    return out;
}

bool NamesItsCharset(std::string_view mailText) {
    bool named = false;
    ForEachUnfoldedLine(
        SplitHeadAndBody(TrimMailText(mailText)).header, [&](std::string_view line) {
            constexpr std::string_view kField = "content-type:";
            if (line.size() >= kField.size() &&
                LowerAsciiName(line.substr(0, kField.size())) == kField)
                named = named || ParseFieldParams(line.substr(kField.size())).Has("charset");
        });
    return named;
}

}  // namespace tavori::mime
