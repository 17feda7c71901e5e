#pragma once
// What every job shares about its files: the check before it creates its outputs, so that no
// run can empty or overwrite the mailbox files it is about to read, and errors that name the
// mailbox file and message they were met at.
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "jobs/job_host.h"

namespace tavori {
namespace platform {
class OutputFile;
}

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

// An existing mailbox with mails in it that the host did not let the job replace: the job
// ended before anything was created.
class ReplaceDeclined : public Error {
  public:
    using Error::Error;
};

// Asks the host before each output that is an existing file with something in it is
// replaced; throws ReplaceDeclined naming the first one it declines.
void ConfirmReplacing(const std::vector<std::string>& outputs, JobHost& host);

// Creates the outputs, after CheckJobFiles, in their order. Each is opened without being
// emptied and compared by identity with the inputs and the outputs before it, so that a link
// or a second name that the check by names could not see through costs no byte: only when
// none is one of the others are they emptied. Otherwise, and when one cannot be created, those
// made here are removed again and the error (a SameFileError for one file) is thrown.
std::vector<std::unique_ptr<platform::OutputFile>> CreateJobOutputs(
    const std::vector<std::string>& inputs, const std::vector<std::string>& outputs);

// Throws the error met at message number (1-based) of a mailbox file again, its text led by
// the file and the number ("メールボックス "x" の 2 通目を変換できません: ..."), of the same kind.
[[noreturn]] void RethrowForMessage(const Error& e, const std::string& path, int number,
                                    const char* predicate);

}  // namespace tavori
