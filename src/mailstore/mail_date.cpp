#include "mailstore/mail_date.h"

#include "base/byte_find.h"
#include "base/errors.h"
#include "base/sjis_text.h"

#include <string>
#include <vector>

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
    throw DateError(
        "Date フィールドの値 \"" + QuoteExcerpt(value) + "\" は正しい日付と時刻ではありません",
        std::string(value));
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The month of a name whose first three letters are a month's, letter case ignored; 0 if none.
int MonthOf(std::string_view word) {
    static constexpr std::string_view kMonths = "janfebmaraprmayjunjulaugsepoctnovdec";
    if (word.size() < 3) return 0;
    std::string key;
    for (char c : word.substr(0, 3)) key += static_cast<char>(LowerAscii(c));
    const std::size_t at = kMonths.find(key);
    return at == std::string_view::npos || at % 3 != 0 ? 0 : static_cast<int>(at / 3) + 1;
}

// The text without its comments ("(...)", nested, with "\" escapes), each a blank.
std::string WithoutComments(std::string_view text) {
    std::string out;
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (depth > 0 && c == '\\') {
            ++i;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && depth > 0) {
            if (--depth == 0) out += ' ';
        } else if (depth == 0) {
            out += c;
        }
    }
    return out;
}

}  // namespace

double ParseMailDateLenient(std::string_view value) {
    const std::string d = WithoutComments(value);
    int month = 0, hour = -1, minute = 0, second = 0;
    std::vector<std::string_view> numbers;  // the day and the year, in the order written
    bool gmt = false;
    const std::size_t n = d.size();
    for (std::size_t i = 0; i < n;) {
        const char c = d[i];
        std::size_t end = i + 1;
        if (IsDigit(c)) {
            while (end < n && IsDigit(d[end])) ++end;
            if (end < n && d[end] == ':' && hour < 0) {  // the time
                std::size_t t = i;
                if (!ReadNumber(d, t, 2, hour) || t != end || !ReadNumber(d, ++t, 2, minute))
                    Invalid(value);
                if (t < n && d[t] == ':' && !ReadNumber(d, ++t, 2, second)) Invalid(value);
                if (t < n && d[t] == '.')  // fractions of a second
                    for (++t; t < n && IsDigit(d[t]);) ++t;
                end = t;
            } else if (hour >= 0 && end - i == 4 && i > 0 && (d[i - 1] == '+' || d[i - 1] == '-')) {
                // a numeric zone, written as it is
            } else {
                numbers.push_back(std::string_view(d).substr(i, end - i));
            }
        } else if (IsLetter(c)) {
            while (end < n && IsLetter(d[end])) ++end;
            const std::string_view word = std::string_view(d).substr(i, end - i);
            std::string lower;
            for (char w : word) lower += static_cast<char>(LowerAscii(w));
            if (month == 0 && MonthOf(word) != 0 && lower.size() <= 9)
                month = MonthOf(word);
            else if (hour >= 0 &&
                     (lower == "gmt" || lower == "ut" || lower == "utc" || lower == "z"))
                gmt = true;
        }
        i = end;
    }
    if (numbers.empty()) return 0;  // no day: no date, as without the field
    if (month == 0 || hour < 0 || numbers.size() < 2) Invalid(value);
    // The day is the first number of one or two digits; the year the other.
    std::size_t dayAt = numbers[0].size() <= 2 ? 0 : 1;
    const std::string_view dayText = numbers[dayAt], yearText = numbers[dayAt == 0 ? 1 : 0];
    if (dayText.size() > 2 || yearText.size() > 4) Invalid(value);
    int day = 0, year = 0;
    for (char c : dayText) day = day * 10 + (c - '0');
    for (char c : yearText) year = year * 10 + (c - '0');
    if (yearText.size() == 2) year += year < 50 ? 2000 : 1900;
    if (yearText.size() == 3) year += 1900;
    if (second == 60) second = 59;  // a leap second
    double result = 0;
    if (!EncodeDateTime({year, month, day, hour, minute, second}, result)) Invalid(value);
    if (gmt && !AddMilliseconds(result, kNineHoursMs, result)) Invalid(value);
    return result;
}

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
