#include "base/sjis_text.h"

#include <gtest/gtest.h>

namespace tavori {
namespace {

struct ExcerptCase {
    std::string text;
    std::size_t max;
    std::string expected;
    const char* reason;
};

TEST(QuoteExcerpt, CutsLongTextAtACharacterBoundary) {
    const std::string ellipsis = "\x81\x63";
    const ExcerptCase cases[] = {
        {"", 5, "", "empty text"},
        {"abcd", 5, "abcd", "shorter than the limit: whole, no ellipsis"},
        {"abcde", 5, "abcde", "exactly at the limit: whole, no ellipsis"},
        {"abcdef", 5, "abcde" + ellipsis, "one byte over: cut and marked"},
        {"abcdあ", 5, "abcd" + ellipsis, "a double-byte character across the limit goes whole"},
        {"abcあd", 5, "abcあ" + ellipsis, "a double-byte character ending at the limit stays"},
        {"a亜bc", 3, "a亜" + ellipsis,
         "the second byte of 亜 (0x9F) is no lead byte: the character stays whole"},
        {"\xb1\xb2\xb3\xb4", 2, "\xb1\xb2" + ellipsis, "half-width kana are one byte each"},
        {std::string(1000, 'x'), 100, std::string(100, 'x') + ellipsis, "the default size"},
    };
    for (const auto& c : cases) EXPECT_EQ(QuoteExcerpt(c.text, c.max), c.expected) << c.reason;
}

}  // namespace
}  // namespace tavori
