#pragma once
// The two kinds of failure the system reports to the user. Messages are Shift-JIS text that
// says what failed and where (which file, which message), followed by the system's reason.
#include <stdexcept>
#include <string>

namespace tavori {

class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Input/output failure of the file system, or an operation on a file that is not open.
class IoError : public Error {
  public:
    using Error::Error;
};

// Invalid data, such as a Date field that is no date and time.
class ConvertError : public Error {
  public:
    using Error::Error;
};

// A Date field that is no date and time: the job may ask whether to write the mail without
// a date. value is the field's text as the mail has it.
class DateError : public ConvertError {
  public:
    DateError(const std::string& message, std::string value)
        : ConvertError(message), value_(std::move(value)) {}
    const std::string& Value() const { return value_; }

  private:
    std::string value_;
};

// "\"<path>\" <predicate>: <reason>", the one shape of file error messages, read as a
// Japanese sentence about the file: "\"a.REN\" に書き込めません: No space left on device".
// The reason (the system's own words) is left out when empty.
std::string PathError(const std::string& path, const std::string& predicate,
                      const std::string& reason = "");

}  // namespace tavori
