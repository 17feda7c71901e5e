#include "mime/import_text.h"

#include <gtest/gtest.h>

namespace tavori::mime {
namespace {

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

constexpr const char* kKept = "(kept)";

struct ImportCase {
    std::string bytes;
    bool html;
    ImportEncoding kind;
    std::string sjis;  // kKept: the bytes stay for the Japanese rules
    std::size_t unmapped;
    const char* reason;
};

TEST(ImportText, DetectsByMarkMetaAndUtf8BeforeTheJapaneseRules) {
    using E = ImportEncoding;
    const ImportCase cases[] = {
        {"\xEF\xBB\xBF" + U8(u8"あ"), false, E::kUtf8Bom, "あ", 0, "UTF-8 mark"},
        {"\xEF\xBB\xBF\x82\xA0", false, E::kUtf8Bom, "〓〓", 2, "the mark holds over the bytes"},
        {std::string("\xFF\xFE\x42\x30\x61\x00", 6), false, E::kUtf16Le, "あa", 0, "UTF-16 LE"},
        {std::string("\xFE\xFF\x30\x42\x00", 5), false, E::kUtf16Be, "あ〓", 1,
         "UTF-16 BE of odd length"},
        {std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), false, E::kUtf16Le, "〓", 1,
         "a surrogate pair Shift-JIS lacks"},
        {std::string("\xFF\xFE\x00\xD8\x61\x00", 6), false, E::kUtf16Le, "〓a", 1,
         "an unpaired surrogate"},
        {"<meta charset=\"euc-jp\">\xA4\xA2", true, E::kMeta, "<meta charset=\"euc-jp\">あ", 0,
         "short meta form, quoted"},
        {"<META HTTP-EQUIV=Content-Type CONTENT=\"text/html; charset=Shift_JIS\">\xA4\xA2", true,
         E::kMeta,
         "<META HTTP-EQUIV=Content-Type CONTENT=\"text/html; charset=Shift_JIS\">\xA4\xA2", 0,
         "http-equiv form: Shift-JIS, though EUC-JP would read"},
        {"<meta content='text/html;charset=windows-1252' http-equiv=content-type>\xD7", true,
         E::kMeta,
         "<meta content='text/html;charset=windows-1252' http-equiv=content-type>\x81\x7E", 0,
         "single quotes, a charset of the system"},
        {"<!-- <meta charset=euc-jp> --><meta charset=utf-8>" + U8(u8"あ"), true, E::kMeta,
         "<!-- <meta charset=euc-jp> --><meta charset=utf-8>あ", 0, "after a comment"},
        {"<meta charset=utf-8>\x82\xA0\x82\xA2", true, E::kJapanese, kKept, 0,
         "a meta the bytes contradict"},
        {"<meta charset=x-unknown>\x82\xA0", true, E::kJapanese, kKept, 0,
         "a charset nobody knows"},
        {"<meta charset=utf-16>" + U8(u8"あ"), true, E::kUtf8, "<meta charset=utf-16>あ", 0,
         "a meta readable as ASCII is no UTF-16"},
        {"<meta charset=shift_jis>" + U8(u8"日本語のページ"), true, E::kUtf8,
         "<meta charset=shift_jis>日本語のページ", 0, "UTF-8 under a Shift-JIS meta it breaks"},
        {std::string(4096, ' ') + "<meta charset=utf-8>\x82\xA0", true, E::kJapanese, kKept, 0,
         "a meta beyond the first 4 KB"},
        {"<meta charset=euc-jp>", false, E::kJapanese, kKept, 0,
         "a text file's meta means nothing"},
        {U8(u8"日本語のページ ｱ"), true, E::kUtf8, "日本語のページ ｱ", 0,
         "UTF-8 that would also pass the Shift-JIS test"},
        {U8(u8"〜‖−¢£¬—"), false, E::kUtf8,
         "\x81\x60\x81\x61\x81\x7C\x81\x91\x81\x92\x81\xCA\x81\x5C", 0, "the look-alikes"},
        {"\x93\xFA\x96\x7B", true, E::kJapanese, kKept, 0, "Shift-JIS, no UTF-8"},
        {"\xE3\x81\x82\xE3\x81", false, E::kUtf8, "あ〓", 1, "UTF-8 cut in its last character"},
        {"a\xE3", false, E::kJapanese, kKept, 0, "a cut character alone is no UTF-8"},
        {"\xC6\xFC\xCB\xDC", false, E::kJapanese, kKept, 0, "EUC-JP stays for the rules"},
        {"plain", true, E::kJapanese, kKept, 0, "ASCII"},
    };
    for (const auto& c : cases) {
        std::string text = c.bytes;
        std::size_t unmapped = 99;
        const ImportEncoding kind = ConvertImportText(text, c.html, unmapped);
        EXPECT_EQ(kind, c.kind) << c.reason;
        const bool kept = kind == E::kJapanese;
        EXPECT_EQ(kept ? kKept : text, c.sjis) << c.reason;
        EXPECT_EQ(unmapped, c.unmapped) << c.reason;
        if (kept) {
            EXPECT_EQ(text, c.bytes) << c.reason;
        }
    }
}

TEST(ImportText, AMailNamingItsCharsetIsKept) {
    const struct {
        const char* text;
        bool named;
        const char* reason;
    } cases[] = {
        {"Subject: a\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\nb", true, "named"},
        {"\r\n\r\ncontent-type: text/plain;\r\n charset=\"utf-8\"\n\nb", true,
         "folded, lower case, after empty lines"},
        {"Subject: a\r\nContent-Type: text/plain\r\n\r\nb", false, "no charset"},
        {"Subject: a\r\n\r\nContent-Type: text/plain; charset=UTF-8", false, "in the body"},
        {"X-Content-Type: text/plain; charset=UTF-8\r\n\r\nb", false, "another field"},
    };
    for (const auto& c : cases) EXPECT_EQ(NamesItsCharset(c.text), c.named) << c.reason;
}

}  // namespace
}  // namespace tavori::mime
