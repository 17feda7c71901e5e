#include "jobs/undated_mails.h"

#include "base/errors.h"

namespace tavori {

bool UndatedMails::Accept(const std::string& file, int number, const DateError& error) {
    if (!all_) {
        switch (host_.AskBadDate({file, number, error.Value()})) {
            case BadDateAnswer::kStop:
                return false;
            case BadDateAnswer::kAllUndated:
                all_ = true;
                break;
            case BadDateAnswer::kUndated:
                break;
        }
    }
    ++count_;
    return true;
}

}  // namespace tavori
