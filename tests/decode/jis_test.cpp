#include "decode/jis.h"

#include <gtest/gtest.h>

namespace tavori {
namespace {

struct JisCase {
    std::uint16_t jis, sjis;
    const char* reason;
};

TEST(JisToSjis, MapsJisX0208ArithmeticallyAndIgnoresTheTopBits) {
    const JisCase cases[] = {
        {0x2121, 0x8140, "first code of the set (ideographic space)"},
        {0x2160, 0x8180, "second byte skips 0x7F"},
        {0x215F, 0x817E, "last second byte below the gap"},
        {0x2422, 0x82A0, "hiragana, even row"},
        {0x3021, 0x889F, "first kanji of level 1"},
        {0x5E7E, 0x9FFC, "last row below 0x5F: lead byte 0x9F"},
        {0x5F21, 0xE040, "row 0x5F jumps the lead byte to 0xE0"},
        {0x7426, 0xEAA4, "last kanji of level 2 region"},
        {0xA4A2, 0x82A0, "EUC-JP pair gives the JIS result"},
        {0x2A21, 0x859F, "unassigned row still converted"},
        {0x0000, 0x707D, "no range check: any pair is converted"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JisToSjis(c.jis), c.sjis) << c.reason << " (0x" << std::hex << c.jis << ")";
}

struct DecodeCase {
    std::string_view jis;
    std::string_view sjis;
    const char* reason;
};

TEST(DecodeJis, FollowsTheEscapeSequences) {
    using namespace std::string_view_literals;
    const DecodeCase cases[] = {
        {"plain ascii"sv, "plain ascii"sv, "one-byte mode at the start"},
        {"\x1b$B%F%9%H\x1b(B"sv, "テスト"sv, "ESC $ B and ESC ( B"},
        {"\x1b$@%F\x1b(J!"sv, "テ!"sv, "ESC $ @ and ESC ( J are the other two"},
        {"a\x1b$BF|K\\\x1b(Bz"sv, "a日本z"sv, "text around the two-byte run"},
        {"\x1b$B%=I=G=\x1b(B"sv, "ソ表能"sv, "second bytes equal to a backslash"},
        {"\x1b$(D%F"sv, "D%F"sv, "unknown escape is 3 bytes and keeps the mode"},
        {"\x1b$B%F\r\n"sv, "テ\x0D\x0A"sv, "CR LF paired in two-byte mode"},
        {"\xb0\xa1x"sv, "\xb0\xa1x"sv, "high bytes copied in one-byte mode"},
        {"ab\0cd"sv, "ab"sv, "stops at the first NUL"},
        {"\x1b$B%F%"sv, "テ"sv, "a lone byte left at the end in two-byte mode is dropped"},
        {"\x1b$B\x82"sv, ""sv, "a lone high byte would become a lead byte: dropped"},
        {"\x1b$B%F\x1b$"sv, "テ"sv, "an escape cut short in two-byte mode is dropped"},
        {"\x1b$B%F\x1b"sv, "テ"sv, "a lone ESC in two-byte mode is dropped"},
        {"x\x1b$"sv, "x"sv, "an escape cut short by the end is dropped"},
        {"x\x1b"sv, "x"sv, "a lone ESC at the end is dropped"},
        {"\x1b$B%\0F"sv, ""sv, "a lone byte before the NUL is the end too"},
        {""sv, ""sv, "empty text"},
    };
    for (const auto& c : cases) {
        std::string expected(c.sjis);
        if (c.reason == std::string_view("CR LF paired in two-byte mode")) {
            std::uint16_t s = JisToSjis(0x0D0A);
            expected = std::string("テ") + static_cast<char>(s >> 8) + static_cast<char>(s & 0xFF);
        }
        EXPECT_EQ(DecodeJis(c.jis), expected) << c.reason;
    }
}

}  // namespace
}  // namespace tavori
