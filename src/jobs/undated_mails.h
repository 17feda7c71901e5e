#pragma once
// The mails of a run whose Date field is no date and time: the host is asked whether to write
// each without a date, until it answers for all of them.
#include <string>

#include "jobs/job_host.h"

namespace tavori {

class DateError;

class UndatedMails {
  public:
    explicit UndatedMails(JobHost& host) : host_(host) {}

    // True when the mail (number in file, from 1) goes on as a mail without a date; false when
    // the error is to end the job.
    bool Accept(const std::string& file, int number, const DateError& error);
    int Count() const { return count_; }  // the mails accepted so far
    void Reset() {                        // for a new run: ask again
        all_ = false;
        count_ = 0;
    }

  private:
    JobHost& host_;
    bool all_ = false;
    int count_ = 0;
};

}  // namespace tavori
