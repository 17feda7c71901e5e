#pragma once
// The date of a mail: its Date field as a date-time value.
#include <string_view>

#include "platform/date_value.h"

namespace tavori {

// The date-time value of a mail's Date field text ("Tue, 05 Mar 1999 12:34:56 GMT"), read the
// way the mailbox reader defines it: 0 when no day number starts the date, a zone "GMT" moved
// to Japanese time (+9 hours), every other zone left as written. Throws ConvertError quoting
// the value (cut to about 100 bytes) when the text is no valid date and time, also when the 9
// hours move it past 9999-12-31.
double ParseMailDate(std::string_view value);

// The same for the decoding mode, which also reads the forms RFC 5322 and its obsolete syntax
// allow: comments, any blanks, no weekday or no seconds, month names in any case, two-digit
// years (00-49 the 2000s, 50-99 the 1900s) and three-digit ones (+1900), the zone names, and
// the order of asctime ("Thu Mar  5 12:34:56 1999"). The zones count as in ParseMailDate, with
// UT, UTC and Z the same as GMT. 0 when the text holds no day number; DateError otherwise when
// it is no valid date and time.
double ParseMailDateLenient(std::string_view value);

}  // namespace tavori
