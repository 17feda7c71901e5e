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

}  // namespace tavori
