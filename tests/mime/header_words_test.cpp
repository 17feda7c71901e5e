#include "mime/header_words.h"

#include <gtest/gtest.h>

namespace tavori::mime {
namespace {

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::string Decoded(std::string_view text, std::size_t* unmapped = nullptr) {
    SjisText out;
    AppendDecodedText(text, out);
    if (unmapped) *unmapped = out.unmapped;
    return out.text;
}

struct WordCase {
    std::string text;
    const char* decoded;
    const char* reason;
};

TEST(MimeHeaderWords, DecodesEncodedWordsAndKeepsTheBlanksAroundThem) {
    const WordCase cases[] = {
        {"=?UTF-8?B?44GC?=", "あ", "UTF-8, B"},
        {"=?utf-8?q?=E3=81=82_x?=", "あ x", "UTF-8, Q with an underscore for a space"},
        {"=?shift_jis?B?gqA=?=", "あ", "Shift-JIS from a phone"},
        {"=?ISO-2022-JP?B?GyRCJCIbKEI=?=", "あ", "ISO-2022-JP"},
        {"=?utf-8*ja?Q?=E3=81=82?=", "あ", "an RFC 2231 language after the charset"},
        {"=?utf-8?b?44GC?= =?utf-8?b?44GE?=", "あい", "blanks between adjacent words go"},
        {"=?utf-8?b?44GC?=\r\n =?utf-8?b?44GE?=", "あい", "also a fold between them"},
        {"=?utf-8?b?44GC?= and =?utf-8?b?44GE?=", "あ and い",
         "text between words keeps its blanks"},
        {"YOSHIFUJI Hideaki / =?iso-2022-jp?b?GyRCNUhGIzFRTEAbKEI=?= <y@example.org>",
         "YOSHIFUJI Hideaki / 吉藤英明 <y@example.org>", "blanks next to one word stay"},
        {"=?utf-8?b?4w==?= =?utf-8?b?gYI=?=", "あ", "a character split between two words"},
        {"=?x-unknown?b?QQ==?= =?utf-8?b?44GC?=", "=?x-unknown?b?QQ==?=あ",
         "an unknown charset stays as written"},
        {"=?utf-8?b?44GC", "=?utf-8?b?44GC", "no end"},
        {"=?utf-8?x?abc?=", "=?utf-8?x?abc?=", "no such encoding"},
        {"=?utf-8?q?a b?=", "=?utf-8?q?a b?=", "a blank inside a word breaks it"},
        {"a=?utf-8?b?44GC?=b", "aあb", "a word inside a token, as many mailers write it"},
        {"=?utf-8?b?YQ1iCmM=?=", "a b c", "decoded line ends become spaces"},
        {U8(u8"生の 日本語"), "生の 日本語", "raw UTF-8"},
        {"\x90\xB6 \x82\xA0", "\x90\xB6 \x82\xA0", "raw Shift-JIS that is no UTF-8 stays"},
        {"\x1B$B$\"\x1B(B", "あ", "raw ISO-2022-JP"},
        {"plain text", "plain text", "nothing to decode"},
    };
    for (const auto& c : cases) EXPECT_EQ(Decoded(c.text), c.decoded) << c.reason;
}

TEST(MimeHeaderWords, CountsWhatShiftJisLacks) {
    std::size_t unmapped = 0;
    EXPECT_EQ(Decoded("=?iso-8859-1?q?caf=E9?= =?utf-8?b?8J+YgA==?=", &unmapped), "caf〓〓");
    EXPECT_EQ(unmapped, 2u);
}

TEST(MimeHeaderWords, UnfoldsKeepingTheBlank) {
    EXPECT_EQ(UnfoldHeader("Subject: a\r\n b\r\n\tc\r\nTo: d\nCc: e"),
              "Subject: a b c\r\nTo: d\r\nCc: e");
}

struct ParamCase {
    std::string value;
    const char* name;
    const char* expected;
    const char* reason;
};

TEST(MimeHeaderWords, ReadsParametersWithTheirCharsets) {
    const ParamCase cases[] = {
        {"attachment; filename=\"a b.txt\"", "filename", "a b.txt", "quoted"},
        {"text/plain; charset=ISO-2022-JP", "charset", "ISO-2022-JP", "token"},
        {"attachment; filename*=utf-8''%E3%81%82.txt", "filename", "あ.txt", "RFC 2231"},
        {"attachment; filename*0=\"ab\"; filename*1=\"cd\"", "filename", "abcd", "continued"},
        {"attachment; filename*0*=utf-8'ja'%E3%81; filename*1*=%82", "filename", "あ",
         "a character split between sections"},
        {"attachment; filename=\"old\"; filename*=utf-8''new", "filename", "new",
         "the RFC 2231 value wins"},
        {"image/png; name=\"=?utf-8?b?44GC?=.png\"", "name", "あ.png",
         "an encoded word in a quoted name"},
        {"a; x=\"q\\\"; y\"; z=1", "x", "q\"; y", "escapes and a semicolon inside quotes"},
        {"a; x=\"q\\\"; y\"; z=1", "z", "1", "the parameter after them"},
        {"a; Name=V", "name", "V", "names in any case"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseFieldParams(c.value).Get(c.name), c.expected) << c.reason;
    EXPECT_EQ(ParseFieldParams(" Text/HTML ; charset=x").value, "text/html");
}

}  // namespace
}  // namespace tavori::mime
