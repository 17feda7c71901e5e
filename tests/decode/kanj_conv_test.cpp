#include "decode/kanj_conv.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tavori::kanj {
namespace {

using namespace std::string_view_literals;

// EUC-JP 京 (B5 FE): its second byte is no Shift-JIS byte, so text holding it is EUC-JP only.
constexpr std::string_view kEucKyo = "\xB5\xFE"sv;
constexpr std::string_view kSjisKyo = "\x8B\x9E"sv;

// The text in a heap block of exactly its length, without a NUL behind it, so that reading
// past its end shows under AddressSanitizer.
struct ExactBuffer {
    explicit ExactBuffer(std::string_view text)
        : bytes(new char[text.size() ? text.size() : 1]), size(text.size()) {
        std::copy(text.begin(), text.end(), bytes.get());
    }
    std::string_view View() const { return {bytes.get(), size}; }
    std::unique_ptr<char[]> bytes;
    std::size_t size;
};

struct DetectCase {
    std::string_view text;
    int sjis, euc, jis;
    const char* reason;
};

TEST(KanjDetect, TestsEachEncodingToTheEndOfTheText) {
    const DetectCase cases[] = {
        {"plain ascii"sv, 0, 0, 0, "no pair and no escape gives 0 everywhere"},
        {"日本語"sv, kSjis, 0, 0, "Shift-JIS trail bytes below 0x80 fail EUC-JP"},
        {"\xA4\xA2\xB5\xFE"sv, 0, kEuc, 0, "0xFE is no Shift-JIS second byte"},
        {"\xC6\xFC\xCB\xDC"sv, kSjis, kEuc, 0, "EUC-JP bytes that also pair as Shift-JIS"},
        {"\xB1 1"sv, 0, 0, 0, "half-width katakana before a space fails both"},
        {"\x80\x7F"sv, kSjis, 0, 0, "0x80 leads and 0x7F trails in the wide Shift-JIS test"},
        {"\xFD\xFE"sv, 0, kEuc, 0, "0xFD and above stand alone in Shift-JIS"},
        {"a\x82"sv, 0, 0, 0, "a lead byte at the very end is a violation"},
        {"a\x82\0\x40"sv, 0, 0, 0, "the NUL ends the text: a lead byte before it is alone"},
        {"\x8F\xB0\xA1\xA4\xA2"sv, 0, kEuc, 0, "JIS X 0212 code is three EUC-JP bytes"},
        {"\x8F\xB0\xA1\xA4"sv, kSjis, 0, 0, "JIS X 0212 code then a lone EUC-JP byte"},
        {"\x8F\xB0"sv, kSjis, 0, 0, "JIS X 0212 code cut short by the end"},
        {"\x1B$Bx\x1B(B"sv, 0, 0, kJis, "recognised escapes"},
        {"\x1B$@\x1B(J"sv, 0, 0, kJis, "the other two escapes"},
        {"\x1B$Bx\x1B(I"sv, 0, 0, 0, "one unknown escape spoils the rest"},
        {"x\x1B$"sv, 0, 0, 0, "escape cut short by the end"},
        {"x\x1B"sv, 0, 0, 0, "lone ESC at the end"},
        {""sv, 0, 0, 0, "empty text"},
    };
    for (const auto& c : cases) {
        ExactBuffer buffer(c.text);
        EXPECT_EQ(IsSjisText(buffer.View()), c.sjis) << c.reason;
        EXPECT_EQ(IsEucText(buffer.View()), c.euc) << c.reason;
        EXPECT_EQ(IsJisText(buffer.View()), c.jis) << c.reason;
    }
    const std::string_view none;  // no data pointer at all
    EXPECT_EQ(IsSjisText(none) | IsEucText(none) | IsJisText(none), 0);
}

struct ConvertCase {
    std::string text;
    std::string expected;
    const char* reason;
};

TEST(ConvertToSjis, ConvertsOnlyWhatTheDetectionAllows) {
    const std::string kyo(kEucKyo), sjisKyo(kSjisKyo);
    const ConvertCase cases[] = {
        {"<p>plain</p>", "<p>plain</p>", "plain text stays"},
        {"日本語です", "日本語です", "Shift-JIS stays"},
        {"\xC5\xEC" + kyo + "\r\n", "東京\r\n", "EUC-JP only: converted"},
        {"\xC6\xFC\xCB\xDC", "日本", "valid as both, no Shift-JIS lead byte: EUC-JP"},
        {"\x82\xA0\x82\xA2", "\x82\xA0\x82\xA2", "valid as both, hiragana lead 0x82: Shift-JIS"},
        {"\xB1 2", "\xB1 2", "malformed in every encoding: unchanged"},
        {"<BODY>\xB1\xB2\xB3\xB4 \xB6\xC0\xB6\xC5", "<BODY>\xB1\xB2\xB3\xB4 \xB6\xC0\xB6\xC5",
         "valid as both, half-width katakana only: Shift-JIS by plausibility"},
        {"\xA4\xA2\xA4\xA4\xA4\xA6", "あいう",
         "valid as both, hiragana read as EUC-JP: EUC-JP by plausibility"},
        {"<\x1B$BF|K\\\x1B(B>", "<日本>", "ISO-2022-JP converted"},
        {std::string("\x1B$BF|\x1B(Bx\0tail", 14), "日x", "the text is cut behind the output"},
        {"\x1B$BF|\x1B(Ix", "\x1B$BF|\x1B(Ix", "an unknown escape stops the conversion"},
        {"\xA4\xA2\x8E\xB1" + kyo, "あ\xB1" + sjisKyo, "EUC-JP half-width katakana: one byte"},
        {"\x8F\xB0\xA1\xA4\xA2 " + kyo, "〓あ " + sjisKyo,
         "JIS X 0212 code: geta mark, the pairs after it stay in step"},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        ConvertToSjis(text);
        EXPECT_EQ(text, c.expected) << c.reason;
    }
}

TEST(ConvertToSjis, InPlaceConversionsDropACharacterCutShortByTheEnd) {
    const ConvertCase euc[] = {
        {"\xA4\xA2\xA4", "あ", "lone lead byte at the end"},
        {"\xA4\xA2\x8E", "あ", "katakana prefix at the end"},
        {"\xA4\xA2\x8F\xB0", "あ", "JIS X 0212 code cut short"},
        {std::string("a\xA4\0\xA2", 4), "a", "the NUL ends the text"},
        {"", "", "empty text"},
    };
    for (const auto& c : euc) {
        std::string text = c.text;
        EucToSjis(text);
        EXPECT_EQ(text, c.expected) << "EucToSjis: " << c.reason;
    }
    const ConvertCase jis[] = {
        {"\x1B$BF|K", "日", "lone byte in two-byte mode"},
        {"x\x1B$", "x", "escape cut short"},
        {std::string("\x1B$BF|\0K\\", 8), "日", "the NUL ends the text"},
    };
    for (const auto& c : jis) {
        std::string text = c.text;
        JisToSjisInPlace(text);
        EXPECT_EQ(text, c.expected) << "JisToSjisInPlace: " << c.reason;
    }
}

}  // namespace
}  // namespace tavori::kanj
