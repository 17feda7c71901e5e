#pragma once
// What every job shares about its files: the check before it creates its outputs, so that no
// run can empty or overwrite the mailbox files it is about to read, and errors that name the
// mailbox file and message they were met at.
#include <string>
#include <vector>

#include "platform/errors.h"

namespace tavori {

// An output that is an input, or two outputs that are one file: a name the user should
// change, shown as a warning rather than as a failure.
class SameFileError : public Error {
  public:
    using Error::Error;
};

// Each input exists and is a regular file, no output is the same file as an input (same
// identity, through links too, or the same full name where the output does not exist yet),
// and no two outputs are one file. Throws an error naming the files (SameFileError for the
// last two); nothing has been created or emptied then.
void CheckJobFiles(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs);

// Throws the error met at message number (1-based) of a mailbox file again, its text led by
// the file and the number ("メールボックス "x" の 2 通目を変換できません: ..."), of the same kind.
[[noreturn]] void RethrowForMessage(const Error& e, const std::string& path, int number,
                                    const char* predicate);

}  // namespace tavori
