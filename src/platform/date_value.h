#pragma once
// Date-time values as the system keeps them: days since 1899-12-30 00:00 local time, the
// fraction being the time of day; 0 means "no date".
#include <cstdint>

namespace tavori {

struct DateTimeParts {
    int year, month, day, hour, minute, second;
};

// The value of a valid calendar date and time; false when the parts are no valid date and time
// (month 13, day 32, February 30, hour 24, year 0 or above 9999, ...).
bool EncodeDateTime(const DateTimeParts& parts, double& value);

// The parts of a value, the time rounded to whole seconds.
DateTimeParts DecodeDateTime(double value);

// The value of the moment ms milliseconds later (earlier when negative); false when that
// moment lies outside the years 1 to 9999. Adding to the number itself would be wrong before
// 1899-12-30, where the fraction counts forward from midnight while the days count back.
bool AddMilliseconds(double value, std::int64_t ms, double& result);

}  // namespace tavori
