#include "mime/charset.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "mime/transfer.h"
#include "platform/text_codec.h"

namespace tavori::mime {
namespace {

// The literals of this program are Shift-JIS; UTF-8 input is written as u8 literals.
std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

struct CharsetCase {
    const char* charset;  // nullptr: detected
    std::string text;
    const char* sjis;
    std::size_t unmapped;
    const char* reason;
};

TEST(MimeCharset, ConvertsEveryCharsetToShiftJis) {
    const CharsetCase cases[] = {
        {"utf-8", U8(u8"あア亜"), "あア亜", 0, "UTF-8"},
        {"UTF-8", U8(u8"〜‖−¢£¬—"), "～∥－￠￡￢―", 0,
         "the look-alikes of Mac and Unix mail become the code page's characters"},
        {"utf-8", U8(u8"a😀b"), "a〓b", 1, "a character Shift-JIS lacks"},
        {"utf-8", "\xE3\x81", "〓", 1, "a sequence cut short"},
        {"iso-2022-jp", "\x1B$B$\"\x1B(Ba", "あa", 0, "JIS X 0208"},
        {"ISO-2022-JP", "\x1B$B-!\x1B(B", "①", 0,
         "the code page's own row, as Windows mail writes"},
        {"iso-2022-jp", "\x1B(I1\x1B(B", "\xB1", 0, "half-width katakana by escape"},
        {"iso-2022-jp", "\x0E\x31\x0F", "\xB1", 0, "half-width katakana by SO and SI"},
        {"iso-2022-jp", "\x1B(I~~~~", "〓〓〓〓", 4,
         "bytes outside the half-width set: each a mark, twice its length"},
        {"iso-2022-jp-2", "\x1B$A0!\x1B(Bx", "〓x", 1, "GB 2312 in ISO-2022-JP-2"},
        {"iso-2022-jp-1", "\x1B$(D0!0\"\x1B(B", "〓〓", 2, "JIS X 0212, one mark per character"},
        {"iso-2022-jp", "\x1B$B$\"\r\n$$\x1B(B", "あ\r\nい", 0,
         "a line end inside a two-byte run does not shift the pairs"},
        {"iso-2022-jp", "\x1B$B$", "〓", 1, "half a character at the end"},
        {"euc-jp", "\xA4\xA2\x8E\xB1\x8F\xB0\xA1", "あ\xB1〓", 1,
         "EUC-JP pairs, half-width katakana, JIS X 0212"},
        {"Shift_JIS", "\x82\xA0\x83\x5C", "あソ", 0, "Shift-JIS as it is"},
        {"windows-31j", "\x87\x40", "①", 0, "Windows' name of the code page"},
        {"us-ascii", U8(u8"ascii? あ"), "ascii? あ", 0, "8-bit text marked ASCII is detected"},
        {"iso-8859-1", "\xA3 caf\xE9", "￡ caf〓", 1,
         "Latin-1: pound by look-alike, e acute missing"},
        {"koi8-r", "\xC1", "а", 0, "Cyrillic through the system"},
        {nullptr, "\x1B$B$\"\x1B(B", "あ", 0, "detected: ISO-2022-JP"},
        {nullptr, U8(u8"日本"), "日本", 0, "detected: UTF-8"},
        {nullptr, "\xC6\xFC\xCB\xDC", "日本", 0, "detected: EUC-JP"},
        {nullptr, "\x93\xFA\x96\x7B", "日本", 0, "detected: Shift-JIS"},
        {nullptr, "plain", "plain", 0, "detected: ASCII"},
    };
    // Marks all through a long text: the buffer grows as they take its room.
    std::string wide = "\x1B(I" + std::string(300, '~') + "\x1B(B";
    for (int k = 0; k < 300; ++k) wide += '1';
    SjisText marks;
    AppendCharsetAsSjis("iso-2022-jp", wide, marks);
    std::string expected;
    for (int k = 0; k < 300; ++k) expected += "〓";
    EXPECT_EQ(marks.text, expected + std::string(300, '1'));
    EXPECT_EQ(marks.unmapped, 300u);
    for (const auto& c : cases) {
        SjisText out;
        if (c.charset)
            ASSERT_TRUE(AppendCharsetAsSjis(c.charset, c.text, out)) << c.reason;
        else
            AppendDetectedAsSjis(c.text, out);
        EXPECT_EQ(out.text, c.sjis) << c.reason;
        EXPECT_EQ(out.unmapped, c.unmapped) << c.reason;
    }
}

// The conversion learns the system's answers character by character: on random texts of
// every kind of sequence it must give what asking the system for the whole text gives, the
// look-alikes taken out first.
TEST(MimeCharset, Utf8GivesWhatTheSystemGivesForTheWholeText) {
    const char* const pieces[] = {"a",
                                  "\r\n",
                                  "\xE3\x81\x82",
                                  "\xE6\x97\xA5",
                                  "\xEF\xBD\xB1",
                                  "\xC2\xA7",
                                  "\xE3\x80\x9C",
                                  "\xC2\xA5",
                                  "\xE2\x80\x94",
                                  "\xF0\x9F\x98\x80",
                                  "\xEF\xBF\xBD",
                                  "\xE2\x91\xA0",
                                  "\xEA\xB0\x80",
                                  "\x80",
                                  "\xC3",
                                  "\xE3\x81",
                                  "\xE0\x80\x80",
                                  "\xED\xA0\x80",
                                  "\xF8",
                                  "\xFF\xFE",
                                  "\xC0\xAF"};
    std::mt19937 rng(20261209);
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const int count = static_cast<int>(rng() % 40);
        for (int k = 0; k < count; ++k) text += pieces[rng() % std::size(pieces)];
        SjisText expected;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            const char* const lookAlikes[][2] = {{"\xE3\x80\x9C", "\x81\x60"},
                                                 {"\xE2\x80\x94", "\x81\x5C"}};
            const char* const* hit = nullptr;
            for (const auto& l : lookAlikes)
                if (std::string_view(text).substr(i).starts_with(l[0])) hit = l;
            if (!hit && i < text.size()) continue;
            expected.text += platform::Utf8ToSjisExact(text.substr(start, i - start), "\x81\xAC",
                                                       expected.unmapped);
            if (!hit) break;
            expected.text += hit[1];
            i += std::strlen(hit[0]) - 1;
            start = i + 1;
        }
        SjisText out;
        AppendUtf8AsSjis(text, out);
        ASSERT_EQ(out.text, expected.text) << testing::PrintToString(text);
        ASSERT_EQ(out.unmapped, expected.unmapped) << testing::PrintToString(text);
    }
}

TEST(MimeCharset, AnUnknownCharsetIsRefusedOrDetected) {
    SjisText out;
    EXPECT_FALSE(AppendCharsetAsSjis("x-unknown", "abc", out));
    EXPECT_EQ(out.text, "");
    AppendTextAsSjis("x-unknown", U8(u8"あ"), out);
    EXPECT_EQ(out.text, "あ");
}

struct TransferCase {
    const char* encoding;
    const char* text;
    std::string decoded;
    const char* reason;
};

TEST(MimeTransfer, DecodesBase64AndQuotedPrintable) {
    const TransferCase cases[] = {
        {"base64", "YWJj\r\nZGVm", "abcdef", "line ends skipped"},
        {"BASE64", "YWI=", "ab", "padding, name in capitals"},
        {"base64", "YQ==\r\nYmM=", "a", "the data ends at its padding"},
        {"base64", "Y W!J*j", "abc", "bytes outside the alphabet skipped"},
        {"base64", "YWJjZ", "abc", "a single character left gives nothing"},
        {"base64", "YWJjZA", "abcd", "missing padding"},
        {"quoted-printable", "a=3Db=3dc", "a=b=c", "hex in either case"},
        {"quoted-printable", "long=\r\nline=\nend=\r\r\n.", "longlineend.",
         "soft line breaks, also with a doubled CR"},
        {"quoted-printable", "a=zz=4", "a=zz=4", "a broken escape stays"},
        {"quoted-printable", "end=", "end", "= at the very end"},
        {"quoted-printable", "a_b", "a_b", "underscore is itself in bodies"},
        {"7bit", "a=3D", "a=3D", "no transfer encoding"},
        {"", "YWJj", "YWJj", "none named"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeTransfer(c.encoding, c.text), c.decoded) << c.reason;
        if (std::string_view(c.encoding) == "base64") {  // an attachment's size, measured alone
            EXPECT_EQ(DecodedBase64Size(c.text), c.decoded.size()) << c.reason;
        }
    }
    EXPECT_EQ(DecodeQEncoding("a_b=5F"), "a b_");
}

}  // namespace
}  // namespace tavori::mime
