#include "platform/locale.h"

#include <gtest/gtest.h>

#include "platform/date_value.h"

namespace tavori::platform {
namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

struct CompareCase {
    const char* a;
    const char* b;
    int ignoreCase;  // sign of CompareTextIgnoreCase
    const char* reason;
};

TEST(Locale, CompareTextIgnoreCaseIgnoresOnlyLetterCase) {
    const CompareCase cases[] = {
        {"Subject", "SUBJECT", 0, "ASCII case ignored"},
        {"abc", "abd", -1, "plain order"},
        {"ab", "abc", -1, "prefix first"},
        {"件名", "件名", 0, "equal Japanese text"},
        {"", "", 0, "empty texts"},
        {"b", "A", 1, "case ignored across letters"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Sign(CompareTextIgnoreCase(c.a, c.b)), c.ignoreCase) << c.reason;
    // An empty view without an address is the empty text too, first in the order.
    EXPECT_EQ(Sign(CompareTextIgnoreCase(std::string_view(), "A")), -1);
    EXPECT_EQ(Sign(CompareTextIgnoreCase("A", std::string_view())), 1);
    EXPECT_EQ(CompareTextIgnoreCase(std::string_view(), ""), 0);
}

// The sort of the duplicate list compares keys instead of texts: every pair of texts must
// come out in the same order either way, with the texts where a locale's rules are subtle.
TEST(Locale, SortKeysOrderAsTheComparison) {
    const std::string texts[] = {
        "",
        "a",
        "A",
        "ab",
        "AB",
        "abc",
        "b",
        "B",
        "Re: 件名",
        "re: 件名",
        "RE:件名",
        "件名",
        "件名 (2)",
        "co-op",
        "coop",
        "co'op",
        "Ｓｕｂｊｅｃｔ",
        "ｓｕｂｊｅｃｔ",
        "Subject",
        "ｱｲｳ",
        "アイウ",
        "あいう",
        "10",
        "9",
        "\x01x",
        "x\x01",
        " x",
        "x ",
        "ー",
        "〓",
        "①",
        "Ⅰ",
        std::string(300, 'z'),
        "\x81",
        "\xff\xfe",  // a lead byte without its second byte
    };
    for (const std::string& a : texts)
        for (const std::string& b : texts)
            EXPECT_EQ(Sign(SortKeyIgnoreCase(a).compare(SortKeyIgnoreCase(b))),
                      Sign(CompareTextIgnoreCase(a, b)))
                << "\"" << a << "\" against \"" << b << "\"";
}

TEST(Locale, FolderOrderPutsLettersTogetherWhateverTheirCase) {
    EXPECT_LT(CompareTextLocale("alpha", "Beta"), 0);
    EXPECT_LT(CompareTextLocale("Beta", "gamma"), 0);
    EXPECT_NE(CompareTextLocale("a", "A"), 0);  // a tie in letters is still ordered
    EXPECT_EQ(CompareTextLocale("Work", "Work"), 0);
}

TEST(Locale, DateTimeTextLeavesOutMidnight) {
    double midnight = 0, afternoon = 0;
    ASSERT_TRUE(EncodeDateTime({2024, 3, 5, 0, 0, 0}, midnight));
    ASSERT_TRUE(EncodeDateTime({2024, 3, 5, 14, 7, 8}, afternoon));
    const std::string day = FormatLocalDateTime(midnight);
    const std::string time = FormatLocalDateTime(afternoon);
    EXPECT_EQ(day.find(TimeSeparator()), std::string::npos) << day;
    EXPECT_NE(day.find("2024"), std::string::npos) << day;
    EXPECT_EQ(time.substr(0, day.size()), day);
    EXPECT_NE(time.find("14" + TimeSeparator() + "07"), std::string::npos) << time;
}

TEST(Locale, JapaneseSeparators) {
    EXPECT_EQ(DateSeparator(), "/");
    EXPECT_EQ(TimeSeparator(), ":");
}

}  // namespace
}  // namespace tavori::platform
