#include "mime/import_text.h"

#include <cstdint>

#include "base/sjis_text.h"
#include "decode/kanj_conv.h"
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

}  // namespace

ImportEncoding ConvertImportText(std::string& text, bool html, std::size_t& unmapped) {
    using E = ImportEncoding;
    unmapped = 0;
    SjisText out;
    const std::string_view bytes = text;
    E kind = E::kJapanese;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        kind = E::kUtf8Bom;
        AppendUtf8AsSjis(bytes.substr(3), out);
    } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        kind = bytes[0] == '\xFE' ? E::kUtf16Be : E::kUtf16Le;
        AppendUtf8AsSjis(Utf16ToUtf8(bytes.substr(2), kind == E::kUtf16Be), out);
    } else {
        if (!HasEightBit(bytes)) return E::kJapanese;  // ASCII reads alike in all of them
        // A page's charset that its bytes plainly contradict (a copied template's charset
        // over text in another) is passed over: the bytes decide, and nothing turns to 〓
        // needlessly.
        std::string charset = html ? MetaCharset(bytes) : std::string();
        // A <meta> that could be read as ASCII is no UTF-16 or UTF-32, whatever it says: such
        // a page was saved in another charset without its meta (browsers take it as UTF-8).
        if (charset.starts_with("utf-16") || charset.starts_with("utf-32")) charset.clear();
        if (IsShiftJisCharset(charset) && kanj::IsSjisText(bytes)) return E::kMeta;  // no copy
        if (!charset.empty() && !IsShiftJisCharset(charset) &&
            AppendReadableAsSjis(charset, bytes, out)) {
            kind = E::kMeta;
        } else {
            out = {};
            if (IsUtf8Charset(charset) || !AppendValidUtf8AsSjis(bytes, out)) return E::kJapanese;
            kind = E::kUtf8;
        }
    }
    text = std::move(out.text);
    unmapped = out.unmapped;
    return kind;
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
