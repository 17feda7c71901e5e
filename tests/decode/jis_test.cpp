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

// The run converter works eight pairs a step: every pair, at every place in a step, must give
// JisToSjis's bytes, and the run must end at the first pair that is no JIS X 0208 pair.
TEST(ConvertJisPairs, EqualsTheArithmeticAndStopsAtTheFirstOtherByte) {
    std::string jis, expected;
    for (unsigned row = 0x21; row <= 0x7E; ++row)
        for (unsigned cell = 0x21; cell <= 0x7E; ++cell) {
            jis += {static_cast<char>(row), static_cast<char>(cell)};
            const std::uint16_t sjis = JisToSjis(static_cast<std::uint16_t>(row << 8 | cell));
            expected += {static_cast<char>(sjis >> 8), static_cast<char>(sjis & 0xFF)};
        }
    const auto* in = reinterpret_cast<const unsigned char*>(jis.data());
    for (std::size_t shift : {0, 2, 6, 14}) {  // the steps fall on other pairs
        std::string out(jis.size(), '\0');
        ASSERT_EQ(ConvertJisPairs(in + shift, jis.size() - shift, out.data()), jis.size() - shift);
        EXPECT_EQ(out.substr(0, jis.size() - shift), expected.substr(shift)) << shift;
    }
    std::string inPlace = jis;
    ConvertJisPairs(reinterpret_cast<const unsigned char*>(inPlace.data()), inPlace.size(),
                    inPlace.data());
    EXPECT_EQ(inPlace, expected) << "converted where it lies";
    for (char stop : {'\x1B', '\x20', '\x7F', '\x80', '\xA4', '\r'})
        for (std::size_t at = 0; at < 40; ++at) {
            std::string text = jis.substr(0, 48);
            text[at] = stop;
            std::string out(text.size(), '\0');
            EXPECT_EQ(ConvertJisPairs(reinterpret_cast<const unsigned char*>(text.data()),
                                      text.size(), out.data()),
                      at / 2 * 2)
                << "byte " << int(static_cast<unsigned char>(stop)) << " at " << at;
        }
    EXPECT_EQ(ConvertJisPairs(in, 1, nullptr), 0u) << "half a pair is no pair";
}

TEST(FindJisSwitch, FindsEscShiftOutAndShiftInAnywhereInAStep) {
    for (char wanted : {'\x1B', '\x0E', '\x0F'})
        for (std::size_t at = 0; at < 40; ++at) {
            // Bytes around the switches that differ from them by one bit.
            std::string text(40, '\x1A');
            for (std::size_t k = 0; k < text.size(); k += 3) text[k] = '\x0D';
            text[at] = wanted;
            const auto* t = reinterpret_cast<const unsigned char*>(text.data());
            EXPECT_EQ(FindJisSwitch(t, 0, text.size()), at) << int(wanted) << " at " << at;
            EXPECT_EQ(FindJisSwitch(t, at + 1, text.size()), text.size()) << "none after it";
        }
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
