#include "mime/import_text.h"

#include <cstdint>

#include "base/sjis_text.h"
#include "decode/kanj_conv.h"

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

DetectedEncoding DetectImportEncoding(std::string_view bytes, bool html) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return {ImportEncoding::kUtf8Bom, "utf-8", 3};
    if (bytes.starts_with("\xFF\xFE")) return {ImportEncoding::kUtf16Le, "utf-16le", 2};
    if (bytes.starts_with("\xFE\xFF")) return {ImportEncoding::kUtf16Be, "utf-16be", 2};
    if (html) {
        std::string charset = MetaCharset(bytes);
        if (!charset.empty()) return {ImportEncoding::kMeta, std::move(charset), 0};
    }
    if (HasEightBit(bytes) && IsValidUtf8(bytes)) return {ImportEncoding::kUtf8, "utf-8", 0};
    return {};
}

SjisText ImportTextAsSjis(std::string_view bytes, bool html) {
    const DetectedEncoding found = DetectImportEncoding(bytes, html);
    const std::string_view text = bytes.substr(found.skip);
    SjisText out;
    switch (found.kind) {
        case ImportEncoding::kJapanese:
            out.text.assign(text);
            kanj::ConvertToSjis(out.text);
            break;
        case ImportEncoding::kUtf16Le:
        case ImportEncoding::kUtf16Be:
            AppendUtf8AsSjis(Utf16ToUtf8(text, found.kind == ImportEncoding::kUtf16Be), out);
            break;
        case ImportEncoding::kUtf8Bom:
        case ImportEncoding::kUtf8:
            AppendUtf8AsSjis(text, out);
            break;
        case ImportEncoding::kMeta:
            AppendTextAsSjis(found.charset, text, out);
            break;
    }
    return out;
}

}  // namespace tavori::mime
