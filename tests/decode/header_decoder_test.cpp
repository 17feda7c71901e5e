#include "decode/header_decoder.h"

#include <gtest/gtest.h>

namespace tavori {
namespace {

// テスト, 日本語 and 件名 as ISO-2022-JP base64.
#define TEST_WORD "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?="
#define NIHONGO_WORD "=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?="
#define KENMEI_WORD "=?ISO-2022-JP?B?GyRCN29MPhsoQg==?="

struct HeaderCase {
    const char* header;
    const char* expected;
    const char* reason;
};

TEST(DecodeHeader, DecodesEncodedWordsAndKeepsTheLines) {
    const HeaderCase cases[] = {
        {"Subject: plain", "Subject: plain", "nothing to decode"},
        {"Subject: " TEST_WORD, "Subject:テスト", "blank after the colon dropped"},
        {"Subject: " TEST_WORD " " NIHONGO_WORD, "Subject:テスト日本語",
         "blank between two words dropped"},
        {"Subject: " TEST_WORD "  and  " NIHONGO_WORD, "Subject:テストand日本語",
         "text between words loses its blanks"},
        {"Subject: " KENMEI_WORD, "Subject:件名", "padding bytes fall away"},
        {"Subject: =?iso-2022-jp?b?GyRCJUYlOSVIGyhC?=", "Subject:テスト", "marker in lower case"},
        {"Subject: " TEST_WORD "\r\nFrom: " NIHONGO_WORD " <a@b.jp>",
         "Subject:テスト\r\nFrom:日本語 <a@b.jp>",
         "a line with a word after a line ending in a word stays its own line"},
        {"Subject: " TEST_WORD "\r\nDate: Tue, 05 Mar 1999 12:34:56 +0900\r\nTo: " NIHONGO_WORD,
         "Subject:テスト\r\nDate: Tue, 05 Mar 1999 12:34:56 +0900\r\nTo:日本語",
         "fields between two encoded lines are not swallowed"},
        {"Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC\r\nFrom: x", "Subject:テスト\r\nFrom: x",
         "a word ending at the line end keeps that line end"},
        {"Subject: =?ISO-2022-JP?B?GyRCJCIbKEJhDQpi?= x", "Subject:あa  b x",
         "decoded CR LF become spaces"},
        {"Subject: =?ISO-2022-JP?B?YQliGmM=?= x", "Subject:a bc x",
         "a decoded tab becomes a space and 0x1A goes, as reading a mailbox would do to them"},
        {"Subject: =?ISO-2022-JP?B?GyRCJUYlOSV?= x", "Subject: =?ISO-2022-JP?B?GyRCJUYlOSV?= x",
         "length not a multiple of 4: whole header undecoded"},
        {"A: " TEST_WORD "\r\nSubject: =?ISO-2022-JP?B?\?\?=",
         "A: " TEST_WORD "\r\nSubject: =?ISO-2022-JP?B?\?\?=",
         "an empty word leaves even earlier words undecoded"},
        {"Subject: =?ISO-2022-JP?B?GyRC\rJUYl?=", "Subject: =?ISO-2022-JP?B?GyRC\rJUYl?=",
         "CR inside a group breaks the word"},
        {"Subject: =?ISO-2022-JP?B?GyRC\nJUYl?=", "Subject: =?ISO-2022-JP?B?GyRC\nJUYl?=",
         "a bare LF inside a group breaks the word instead of joining two lines"},
        {"Subject: =?ISO-2022-JP?B?GyRCJUYl", "Subject: =?ISO-2022-JP?B?GyRCJUYl",
         "a word running to the end of the header"},
        {"Subject: =?ISO-2022-JP?B?GyRCJUYlOS", "Subject: =?ISO-2022-JP?B?GyRCJUYlOS",
         "a partial group at the end"},
        {"Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?", "Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?",
         "a single ? after the last group"},
        {"Subject: =?UTF-8?B?44OG44K544OI?=", "Subject: =?UTF-8?B?44OG44K544OI?=",
         "other charsets stay"},
        {"Subject: =?ISO-2022-JP?Q?abc?=", "Subject: =?ISO-2022-JP?Q?abc?=", "Q encoding stays"},
        {"Subject: =?ISO-2022-JP?B?YWI=?=", "Subject:ab", "one-byte text inside a word"},
        {"Subject: =?ISO-2022-JP?B?Y!!!?=", "Subject:`", "bytes outside the alphabet count as 0"},
        {"Subject: =?ISO-2022-JP?B?GyRCgg==?=Xyz", "Subject:Xyz",
         "a lone byte at the end of a two-byte run does not swallow the text after the word"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeHeader(c.header), c.expected) << c.reason;
}

TEST(DecodeHeader, PassesNulBytesOutsideWords) {
    using namespace std::string_literals;
    const std::string header = "A: x\0y\r\nSubject: " TEST_WORD ""s;
    const std::string expected = "A: x\0y\r\nSubject:テスト"s;
    EXPECT_EQ(DecodeHeader(header), expected);
}

}  // namespace
}  // namespace tavori
