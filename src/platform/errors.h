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

// "<what> \"<path>\": <reason>", the one shape of file error messages.
std::string FileErrorMessage(const std::string& what, const std::string& path,
                             const std::string& reason);

}  // namespace tavori
