#include "mailstore/mail_date.h"

#include "base/byte_find.h"
#include "base/errors.h"
#include "base/sjis_text.h"

namespace tavori {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a run of at most maxDigits digits at pos; false when there is none.
bool ReadNumber(std::string_view s, std::size_t& pos, std::size_t maxDigits, int& value) {
    std::size_t start = pos;
    value = 0;
    while (pos < s.size() && IsDigit(s[pos]) && pos - start < maxDigits)
        value = value * 10 + (s[pos++] - '0');
    return pos > start;
}

constexpr std::int64_t kNineHoursMs = std::int64_t{9} * 3600 * 1000;

[[noreturn]] void Invalid(std::string_view value) {
    throw ConvertError("Date フィールドの値 \"" + QuoteExcerpt(value) +
                       "\" は正しい日付と時刻ではありません");
}

}  // namespace

double ParseMailDate(std::string_view d) {
    static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // Pieces that would reach beyond the end of the text are cut at the end.
    auto piece = [&](std::size_t at, std::size_t len) -> std::string_view {
        return at >= d.size() ? std::string_view() : d.substr(at, len);
    };

    std::size_t pos = FindByte(d, ',');
    pos = pos == std::string_view::npos ? 0 : pos + 1;
    while (pos < d.size() && d[pos] == ' ') ++pos;

    const std::size_t dayStart = pos;
    while (pos < d.size() && IsDigit(d[pos])) ++pos;
    if (pos == dayStart) return 0;
    const std::string_view dayText = d.substr(dayStart, pos - dayStart);
    const std::size_t dayEnd = pos;

    int month = 1;
    const std::string_view monthName = piece(dayEnd + 1, 3);
    for (int i = 0; i < 12; ++i)
        if (monthName == kMonths[i]) {
            month = i + 1;
            break;
        }

    std::size_t yearEnd = dayEnd + 5;
    while (yearEnd < d.size() && IsDigit(d[yearEnd])) ++yearEnd;
    std::string yearText(piece(dayEnd + 5, yearEnd > dayEnd + 5 ? yearEnd - (dayEnd + 5) : 0));
    if (yearText.size() < 4) yearText = "19" + yearText;  // "99" is 1999, "05" is 1905

    // The time: hh:mm:ss, or, read the same way, one-digit hours and a time without seconds,
    // which must then be followed by a blank or the end.
    const std::size_t timeStart = yearEnd + 1;
    std::size_t t = timeStart;
    int hour = 0, minute = 0, second = 0;
    if (!ReadNumber(d, t, 2, hour) || t >= d.size() || d[t++] != ':' ||
        !ReadNumber(d, t, 2, minute))
        Invalid(d);
    if (t < d.size() && d[t] == ':') {
        ++t;
        if (!ReadNumber(d, t, 2, second)) Invalid(d);
    }
    if (t - timeStart != 8 && t < d.size() && d[t] != ' ') Invalid(d);
    const std::string_view zone = piece(t + 1, 3);

    int day = 0;
    for (char c : dayText) {
        day = day * 10 + (c - '0');
        if (day > 99) break;  // already no valid day
    }
    int year = 0;
    for (char c : yearText) {
        year = year * 10 + (c - '0');
        if (year > 9999) break;
    }
    double value = 0;
    if (!EncodeDateTime({year, month, day, hour, minute, second}, value)) Invalid(d);
    // Japanese time; past 9999-12-31 there is no date-time value to give.
    if (zone == "GMT" && !AddMilliseconds(value, kNineHoursMs, value)) Invalid(d);
    return value;
}

}  // namespace tavori
