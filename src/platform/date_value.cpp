#include "platform/date_value.h"

#include <cmath>
#include <cstdint>

namespace tavori {
namespace {

constexpr double kMsPerDay = 86400000.0;
constexpr std::int64_t kMsPerDayInt = 86400000;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from 1899-12-30 to the given civil date (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;  // 25569: 1899-12-30 to 1970-01-01
}

void CivilFromDays(std::int64_t days, int& y, int& m, int& d) {
    std::int64_t z = days - 25569 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// The value of a day and a time of day in milliseconds, as EncodeDateTime builds it.
double ValueOf(std::int64_t days, std::int64_t msOfDay) {
    const double date = static_cast<double>(days);
    const double time = static_cast<double>(msOfDay) / kMsPerDay;
    // Before 1899-12-30 the fraction still counts forward from midnight, away from zero.
    return date < 0 ? date - time : date + time;
}

}  // namespace

bool AddMilliseconds(double value, std::int64_t ms, double& result) {
    static const std::int64_t kFirstDay = DaysFromCivil(1, 1, 1);
    static const std::int64_t kEndDay = DaysFromCivil(10000, 1, 1);
    if (!(std::fabs(value) < static_cast<double>(kEndDay - kFirstDay))) return false;
    const double whole = std::trunc(value);
    const std::int64_t days = static_cast<std::int64_t>(whole);
    std::int64_t moment = days * kMsPerDayInt + std::llround(std::fabs(value - whole) * kMsPerDay);
    if (ms >= kEndDay * kMsPerDayInt - moment || ms < kFirstDay * kMsPerDayInt - moment)
        return false;
    moment += ms;
    std::int64_t day = moment / kMsPerDayInt;
    std::int64_t msOfDay = moment % kMsPerDayInt;
    if (msOfDay < 0) {
        msOfDay += kMsPerDayInt;
        --day;
    }
    result = ValueOf(day, msOfDay);
    return true;
}

bool EncodeDateTime(const DateTimeParts& p, double& value) {
    if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
        p.day > DaysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
        p.minute > 59 || p.second < 0 || p.second > 59)
        return false;
    value = ValueOf(DaysFromCivil(p.year, p.month, p.day), p.hour * std::int64_t{3600000} +
                                                               p.minute * std::int64_t{60000} +
                                                               p.second * std::int64_t{1000});
    return true;
}

DateTimeParts DecodeDateTime(double value) {
    double whole = std::trunc(value);
    std::int64_t ms = std::llround(std::fabs(value - whole) * kMsPerDay);
    std::int64_t days = static_cast<std::int64_t>(whole);
    if (ms >= static_cast<std::int64_t>(kMsPerDay)) {  // rounding reached the next midnight
        ms -= static_cast<std::int64_t>(kMsPerDay);
        days += value < 0 ? -1 : 1;
    }
    DateTimeParts p{};
    CivilFromDays(days, p.year, p.month, p.day);
    std::int64_t secs = (ms + 500) / 1000;
    if (secs >= 86400) secs = 86399;
    p.hour = static_cast<int>(secs / 3600);
    p.minute = static_cast<int>(secs / 60 % 60);
    p.second = static_cast<int>(secs % 60);
    return p;
}

}  // namespace tavori
