#include "mime/import_text.h"

#include <gtest/gtest.h>

namespace tavori::mime {
namespace {

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

struct ImportCase {
    std::string bytes;
    bool html;
    ImportEncoding kind;
    std::string sjis;
    std::size_t unmapped;
    const char* reason;
};

TEST(ImportText, DetectsByMarkMetaAndUtf8BeforeTheJapaneseRules) {
    using E = ImportEncoding;
    const ImportCase cases[] = {
        {"\xEF\xBB\xBF" + U8(u8"あ"), false, E::kUtf8Bom, "あ", 0, "UTF-8 mark"},
        {std::string("\xFF\xFE\x42\x30\x61\x00", 6), false, E::kUtf16Le, "あa", 0, "UTF-16 LE"},
        {std::string("\xFE\xFF\x30\x42\x00", 5), false, E::kUtf16Be, "あ〓", 1,
         "UTF-16 BE of odd length"},
        {std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), false, E::kUtf16Le, "〓", 1,
         "a surrogate pair Shift-JIS lacks"},
        {"<meta charset=\"euc-jp\">\xA4\xA2", true, E::kMeta, "<meta charset=\"euc-jp\">あ", 0,
         "short meta form, quoted"},
        {"<META HTTP-EQUIV=Content-Type CONTENT=\"text/html; charset=Shift_JIS\">\x82\xA0", true,
         E::kMeta, "<META HTTP-EQUIV=Content-Type CONTENT=\"text/html; charset=Shift_JIS\">あ", 0,
         "http-equiv form"},
        {"<!-- <meta charset=euc-jp> --><meta charset=utf-8>" + U8(u8"あ"), true, E::kMeta,
         "<!-- <meta charset=euc-jp> --><meta charset=utf-8>あ", 0, "after a comment"},
        {"<meta charset=euc-jp>", false, E::kJapanese, "<meta charset=euc-jp>", 0,
         "a text file's meta means nothing"},
        {U8(u8"日本語のページ ｱ"), true, E::kUtf8, "日本語のページ ｱ", 0,
         "UTF-8 that would also pass the Shift-JIS test"},
        {"\x93\xFA\x96\x7B", true, E::kJapanese, "\x93\xFA\x96\x7B", 0, "Shift-JIS, no UTF-8"},
        {"\xE3\x81\x82\xE3\x81", false, E::kJapanese, "\xE3\x81\x82\xE3\x81", 0,
         "UTF-8 cut by the end: not UTF-8, read as today"},
        {"\xC6\xFC\xCB\xDC", false, E::kJapanese, "日本", 0, "EUC-JP as today"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DetectImportEncoding(c.bytes, c.html).kind, c.kind) << c.reason;
        const SjisText out = ImportTextAsSjis(c.bytes, c.html);
        EXPECT_EQ(out.text, c.sjis) << c.reason;
        EXPECT_EQ(out.unmapped, c.unmapped) << c.reason;
    }
}

}  // namespace
}  // namespace tavori::mime
