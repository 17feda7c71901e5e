#include "base/errors.h"

namespace tavori {

std::string PathError(const std::string& path, const std::string& predicate,
                      const std::string& reason) {
    std::string message = "\"" + path + "\" " + predicate;
    if (!reason.empty()) message += ": " + reason;
    return message;
}

}  // namespace tavori
