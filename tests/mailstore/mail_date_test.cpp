#include "mailstore/mail_date.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace tavori {
namespace {

double At(int y, int mo, int d, int h, int mi, int s) {
    double v = 0;
    EXPECT_TRUE(EncodeDateTime({y, mo, d, h, mi, s}, v));
    return v;
}

TEST(DateTime, CountsDaysFrom18991230) {
    EXPECT_DOUBLE_EQ(At(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(At(1900, 1, 1, 0, 0, 0), 2.0);
    EXPECT_DOUBLE_EQ(At(2000, 1, 1, 12, 0, 0), 36526.5);
    EXPECT_DOUBLE_EQ(At(1899, 12, 29, 6, 0, 0), -1.25);  // fraction away from zero
}

TEST(DateTime, RoundTripsThroughTheParts) {
    const DateTimeParts cases[] = {{1999, 3, 5, 21, 34, 56}, {2024, 2, 29, 23, 59, 59},
                                   {1905, 1, 1, 0, 0, 0},    {9999, 12, 31, 23, 59, 59},
                                   {1, 1, 1, 0, 0, 1},       {1899, 12, 29, 6, 30, 0}};
    for (const auto& p : cases) {
        DateTimeParts back = DecodeDateTime(At(p.year, p.month, p.day, p.hour, p.minute, p.second));
        EXPECT_EQ(std::tie(back.year, back.month, back.day, back.hour, back.minute, back.second),
                  std::tie(p.year, p.month, p.day, p.hour, p.minute, p.second));
    }
}

TEST(DateTime, RejectsInvalidParts) {
    const DateTimeParts cases[] = {{2023, 2, 29, 0, 0, 0}, {1999, 4, 31, 0, 0, 0},
                                   {1999, 1, 0, 0, 0, 0},  {1999, 1, 1, 24, 0, 0},
                                   {1999, 1, 1, 0, 60, 0}, {1999, 1, 1, 0, 0, 60},
                                   {0, 1, 1, 0, 0, 0},     {10000, 1, 1, 0, 0, 0}};
    for (const auto& p : cases) {
        double v = 0;
        EXPECT_FALSE(EncodeDateTime(p, v)) << p.year << "/" << p.month << "/" << p.day;
    }
}

struct ShiftCase {
    DateTimeParts from;
    std::int64_t ms;
    DateTimeParts expected;  // year 0: no value in the years 1 to 9999
    const char* reason;
};

TEST(DateTime, AddMillisecondsMovesTheMomentAlsoBefore18991230) {
    constexpr std::int64_t kHour = 3600000;
    const ShiftCase cases[] = {
        {{1999, 3, 5, 12, 0, 0}, 9 * kHour, {1999, 3, 5, 21, 0, 0}, "ordinary date"},
        {{1999, 12, 31, 20, 0, 0}, 9 * kHour, {2000, 1, 1, 5, 0, 0}, "into the next year"},
        {{1800, 1, 1, 0, 0, 0}, 9 * kHour, {1800, 1, 1, 9, 0, 0}, "negative value, same day"},
        {{1899, 12, 29, 6, 0, 0}, 9 * kHour, {1899, 12, 29, 15, 0, 0}, "-1.25 moves later"},
        {{1899, 12, 29, 20, 0, 0}, 9 * kHour, {1899, 12, 30, 5, 0, 0}, "from day -1 to day 0"},
        {{1899, 12, 28, 20, 0, 0}, 9 * kHour, {1899, 12, 29, 5, 0, 0}, "from day -2 to day -1"},
        {{1899, 12, 30, 5, 0, 0}, -9 * kHour, {1899, 12, 29, 20, 0, 0}, "back from day 0"},
        {{1899, 12, 29, 15, 0, 0}, 9 * kHour, {1899, 12, 30, 0, 0, 0}, "onto midnight of day 0"},
        {{9999, 12, 31, 14, 59, 59}, 9 * kHour, {9999, 12, 31, 23, 59, 59}, "last second"},
        {{9999, 12, 31, 15, 0, 0}, 9 * kHour, {0, 0, 0, 0, 0, 0}, "past 9999-12-31"},
        {{1, 1, 1, 0, 0, 0}, 9 * kHour, {1, 1, 1, 9, 0, 0}, "first day"},
        {{1, 1, 1, 8, 0, 0}, -9 * kHour, {0, 0, 0, 0, 0, 0}, "before 0001-01-01"},
    };
    for (const auto& c : cases) {
        double moved = 0;
        const bool ok = AddMilliseconds(
            At(c.from.year, c.from.month, c.from.day, c.from.hour, c.from.minute, c.from.second),
            c.ms, moved);
        if (c.expected.year == 0) {
            EXPECT_FALSE(ok) << c.reason;
            continue;
        }
        ASSERT_TRUE(ok) << c.reason;
        // The very value EncodeDateTime gives, so equal moments compare equal.
        EXPECT_EQ(moved, At(c.expected.year, c.expected.month, c.expected.day, c.expected.hour,
                            c.expected.minute, c.expected.second))
            << c.reason;
    }
}

struct DateCase {
    const char* field;
    DateTimeParts expected;  // year 0: the value 0
    const char* reason;
};

// Each field read by parse gives its date-time (or 0).
template <std::size_t N>
void ExpectDates(const DateCase (&cases)[N], double (*parse)(std::string_view)) {
    for (const auto& c : cases) {
        double v = 0;
        ASSERT_NO_THROW(v = parse(c.field)) << c.reason;
        if (c.expected.year == 0) {
            EXPECT_EQ(v, 0.0) << c.reason;
            continue;
        }
        DateTimeParts p = DecodeDateTime(v);
        EXPECT_EQ(std::tie(p.year, p.month, p.day, p.hour, p.minute, p.second),
                  std::tie(c.expected.year, c.expected.month, c.expected.day, c.expected.hour,
                           c.expected.minute, c.expected.second))
            << c.reason;
    }
}

TEST(ParseMailDate, ReadsTheFieldAsTheMailboxReaderDefinesIt) {
    const DateCase cases[] = {
        {"Tue, 05 Mar 1999 12:34:56 GMT", {1999, 3, 5, 21, 34, 56}, "GMT moved 9 hours"},
        {"5 Mar 99 12:34:56 +0900", {1999, 3, 5, 12, 34, 56}, "no weekday, two-digit year"},
        {"Tue, 05 Mar 1999 12:34:56 +0000", {1999, 3, 5, 12, 34, 56}, "numeric zone not moved"},
        {"Tue, 05 Mar 1999 12:34:56 -0500", {1999, 3, 5, 12, 34, 56}, "negative zone not moved"},
        {"Tue, 05 Mar 1999 12:34:56 gmt", {1999, 3, 5, 12, 34, 56}, "zone compared with case"},
        {"Tue, 05 Mar 1999 20:00:00 GMT", {1999, 3, 6, 5, 0, 0}, "GMT moves past midnight"},
        {"Tue, 05 mar 1999 12:34:56", {1999, 1, 5, 12, 34, 56}, "month in lower case: January"},
        {"Tue, 05 Xyz 1999 12:34:56", {1999, 1, 5, 12, 34, 56}, "unknown month: January"},
        {"Sat, 1 Jan 05 00:00:00 +0900", {1905, 1, 1, 0, 0, 0}, "05 is 1905"},
        {"Wed,   7 Dec 2005 08:09:10 +0900", {2005, 12, 7, 8, 9, 10}, "spaces after the comma"},
        {"Thu, 29 Feb 2024 23:59:59 +0900", {2024, 2, 29, 23, 59, 59}, "leap day"},
        {"Tue, 05 Mar 1999 12:34 +0900", {1999, 3, 5, 12, 34, 0}, "no seconds"},
        {"Tue, 05 Mar 1999 12:34 GMT", {1999, 3, 5, 21, 34, 0}, "no seconds, zone still read"},
        {"Tue, 05 Mar 1999 12:34", {1999, 3, 5, 12, 34, 0}, "no seconds at the end"},
        {"Tue, 05 Mar 1999 9:04:05 GMT", {1999, 3, 5, 18, 4, 5}, "one-digit hour"},
        {"Tue, 05 Mar 1999 9:04 +0900", {1999, 3, 5, 9, 4, 0}, "one-digit hour, no seconds"},
        {"Tue, 05 Mar 1999 12:34:56+0900", {1999, 3, 5, 12, 34, 56}, "8 time bytes, then junk"},
        {"Fri, 29 Dec 1899 20:00:00 GMT", {1899, 12, 30, 5, 0, 0}, "GMT moves a day -1 forward"},
        {"Mon, 1 Jan 1800 00:00:00 GMT", {1800, 1, 1, 9, 0, 0}, "GMT before 1899 moves forward"},
        {"Fri, 31 Dec 9999 14:59:59 GMT", {9999, 12, 31, 23, 59, 59}, "GMT to the last second"},
        {"Tue, Mar 1999", {0, 0, 0, 0, 0, 0}, "no day number: no date"},
        {"", {0, 0, 0, 0, 0, 0}, "empty field: no date"},
        {"Tuesday", {0, 0, 0, 0, 0, 0}, "text only: no date"},
    };
    ExpectDates(cases, ParseMailDate);
}

// The decoding mode reads what the mailbox reader's rule cannot, and the same where it can.
TEST(ParseMailDateLenient, ReadsWhatRfc5322Allows) {
    const DateCase cases[] = {
        {"Tue, 05 Mar 1999 12:34:56 GMT", {1999, 3, 5, 21, 34, 56}, "as the strict rule"},
        {"Tue, 05 Mar 1999 12:34:56 -0500", {1999, 3, 5, 12, 34, 56}, "numeric zone as written"},
        {"Thu,\r\n 13 Feb 1969 23:32:54 -0330", {1969, 2, 13, 23, 32, 54}, "folded"},
        {"Thu,13Feb1969 23:32:54 -0330", {1969, 2, 13, 23, 32, 54}, "glued by an old unfold"},
        {"Tue, 5 mar 2005 12:34:56 UT", {2005, 3, 5, 21, 34, 56}, "lower-case month, UT"},
        {"1 Jan 05 00:00:00 +0900", {2005, 1, 1, 0, 0, 0}, "two-digit year 05 is 2005"},
        {"1 Jan 99 00:00:00 +0900", {1999, 1, 1, 0, 0, 0}, "two-digit year 99 is 1999"},
        {"1 Jan 105 00:00:00 +0900", {2005, 1, 1, 0, 0, 0}, "three-digit year"},
        {"Fri, 21 Nov 1997 09:55:06 (JST) +0900 (comment)", {1997, 11, 21, 9, 55, 6}, "comments"},
        {"Thu Mar  5 12:34:56 1999", {1999, 3, 5, 12, 34, 56}, "asctime order"},
        {"21 November 1997 09:55 EST", {1997, 11, 21, 9, 55, 0}, "full month, no seconds"},
        {"Tue, 05 Mar 1999 23:59:60 +0900", {1999, 3, 5, 23, 59, 59}, "leap second"},
        {"Tuesday", {0, 0, 0, 0, 0, 0}, "no day number: no date"},
    };
    ExpectDates(cases, ParseMailDateLenient);
    for (const char* bad : {"Tue, 32 Mar 1999 12:34:56", "Tue, 05 Mar 1999", "5 Xyz 1999 1:2:3"})
        EXPECT_THROW(ParseMailDateLenient(bad), DateError) << bad;
}

TEST(ParseMailDate, RaisesAnErrorNamingTheValueForInvalidDates) {
    const char* cases[] = {
        "Tue, 32 Mar 1999 12:34:56 +0900",  // day 32
        "Tue, 05 Mar 1999 25:00:00 +0900",  // hour 25
        "Tue, 05 Mar 1999",                 // no time
        "Tue, 05 Mar 1999 12-34-56",        // garbled time
        "Tue, 05 Mar 1999 12:34x",          // short time followed by junk
        "Tue, 00 Mar 1999 12:34:56",        // day 0
        "Tue, 29 Feb 2023 12:34:56",        // no leap year
        "5",                                // a day and nothing else
        "Tue, 05 Mar 1999 12:",             // minutes missing
        "Tue, 05 Mar 1999 12:34:",          // seconds missing
        "Fri, 31 Dec 9999 15:00:00 GMT",    // 9 hours later is year 10000
    };
    for (const char* field : cases) {
        try {
            ParseMailDate(field);
            ADD_FAILURE() << "no error for " << field;
        } catch (const DateError& e) {
            EXPECT_NE(std::string(e.what()).find(field), std::string::npos) << e.what();
            EXPECT_EQ(e.Value(), field);
        }
    }
}

TEST(ParseMailDate, ErrorQuotesOnlyTheStartOfAHugeValue) {
    const std::string value = "Tue, 05 Mar 1999 25:00:00 " + std::string(1 << 20, 'x');
    try {
        ParseMailDate(value);
        ADD_FAILURE() << "no error";
    } catch (const ConvertError& e) {
        const std::string message = e.what();
        EXPECT_LT(message.size(), 300u);
        EXPECT_NE(message.find("Tue, 05 Mar 1999 25:00:00 xxx"), std::string::npos) << message;
        EXPECT_NE(message.find("x\x81\x63"), std::string::npos) << message;
    }
}

}  // namespace
}  // namespace tavori
